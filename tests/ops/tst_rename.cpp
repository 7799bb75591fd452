// Renaming the selected logo file in the box laid over its row.
#include "platform/RuntimeError.h"
#include "support/FaultInjectingFileService.h"
#include "support/WindowFixture.h"
#include "ui/LogoList.h"

#include <QApplication>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

using namespace bg;
using namespace bg::test;

namespace {

const QString Folder = QStringLiteral("C:\\Logos\\");
const QString RenameTitle = QStringLiteral("更換檔名發生錯誤");

ScriptedDesktop::Box existsBox(const QString &old)
{
    return {QStringLiteral("無法重新命名 ") + old +
                QStringLiteral(": 您指定名稱的檔案已經存在。請指定其它檔案。"),
            16, RenameTitle};
}

ScriptedDesktop::Box moveFailedBox(const QString &old)
{
    return {QStringLiteral("無法重新命名 ") + old +
                QStringLiteral(": 磁碟為寫入保護。\r\n\r\n請移除寫入保護的狀態或改用其它磁碟。"),
            16, RenameTitle};
}

QStringList numberedNames(int count)
{
    QStringList names;
    for (int i = 1; i <= count; ++i)
        names << QStringLiteral("n%1.bmp").arg(i, 2, 10, QLatin1Char('0'));
    return names;
}

} // namespace

class TestRename : public QObject
{
    Q_OBJECT

    std::unique_ptr<FaultInjectingFileService> faulty;
    std::unique_ptr<WindowFixture> f;
    std::unique_ptr<QSignalSpy> scans;

    FrmLogo &w() { return f->w(); }

    // Lists the names, selects one and shows the window with the focus in it.
    void start(const QStringList &names = {"a.bmp", "b.bmp", "c.bmp"}, int selected = 1)
    {
        QVERIFY(f->tmp.isValid());
        f->writeSettings(QStringLiteral("[SplashwheelSet]\nStart_Path=") + Folder + "\n");
        QVERIFY(f->writeLogos(Folder, names));
        QVERIFY(f->load().showWindow);
        w().show();
        w().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w()));
        w().lstSys->setListIndex(selected);
        w().lstSys->setFocus();
        scans = std::make_unique<QSignalSpy>(w().lstSys, &LogoList::entryChosen);
    }
    // Starts an edit and types a new name over the selected old one.
    void edit(const QString &typed)
    {
        w().mnuRename_Click();
        QVERIFY(w().txtRename->hasFocus());
        QTest::keyClicks(w().txtRename, typed);
    }

private slots:
    void init() { f = std::make_unique<WindowFixture>(); }
    void cleanup()
    {
        scans.reset();
        f.reset();
        faulty.reset();
    }

    void editStartsOverTheSelectedEntry()
    {
        start();
        QTest::keyClick(&w(), Qt::Key_F2);
        QLineEdit *box = w().txtRename;
        QVERIFY(box->isVisible());
        QVERIFY(box->hasFocus());
        QCOMPARE(box->text(), QStringLiteral("b.bmp"));
        QCOMPARE(box->selectedText(), QStringLiteral("b.bmp"));
        QCOMPARE(box->x(), w().lstSys->x() + 2);
        QCOMPARE(box->height(), w().twips().toPixelsY(270));
        QCOMPARE(w().renameMark, QStringLiteral("0"));
    }

    void endings_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("ending"); // "enter", "escape" or "focus"
        QTest::addColumn<QStringList>("entries");
        const QStringList unchanged{"a.bmp", "b.bmp", "c.bmp"};
        QTest::newRow("enter") << "z.bmp" << "enter" << QStringList{"a.bmp", "c.bmp", "z.bmp"};
        QTest::newRow("focus moves") << "z.bmp" << "focus" << QStringList{"a.bmp", "c.bmp", "z.bmp"};
        QTest::newRow("escape") << "z.bmp" << "escape" << unchanged;
        QTest::newRow("enter, nothing typed") << "" << "enter" << unchanged;
        QTest::newRow("focus, nothing typed") << "" << "focus" << unchanged;
        QTest::newRow("letter case only") << "B.BMP" << "enter" << unchanged;
    }
    void endings()
    {
        QFETCH(QString, typed);
        QFETCH(QString, ending);
        QFETCH(QStringList, entries);
        start();
        const QByteArray content = f->tmp.readFile(Folder + "b.bmp");
        edit(typed);
        if (ending == "enter")
            QTest::keyClick(w().txtRename, Qt::Key_Return);
        else if (ending == "escape")
            QTest::keyClick(w().txtRename, Qt::Key_Escape);
        else
            w().lstSys->setFocus();

        QVERIFY(!w().txtRename->isVisible());
        QVERIFY(f->desktop.boxes.isEmpty());
        QCOMPARE(w().renameMark, QStringLiteral("0"));
        QCOMPARE(f->entries(), entries);
        const bool renamed = entries.contains("z.bmp");
        QCOMPARE(f->tmp.readFile(Folder + (renamed ? "z.bmp" : "b.bmp")), content);
        QCOMPARE(scans->count(), renamed ? 1 : 0);
        if (!renamed) // the disk keeps the old spelling
            QVERIFY(QFile::exists(f->tmp.host(Folder) + "/b.bmp"));
    }

    void emptyName()
    {
        start();
        w().mnuRename_Click();
        QTest::keyClick(w().txtRename, Qt::Key_Backspace);
        QTest::keyClick(w().txtRename, Qt::Key_Return);
        QCOMPARE(f->desktop.boxes, QList<ScriptedDesktop::Box>(
                                       {{QStringLiteral("您必須輸入檔名!!"), 16, QStringLiteral("重新命名")}}));
        QVERIFY(!w().txtRename->isVisible());
        QVERIFY(f->tmp.exists(Folder + "b.bmp"));
        QCOMPARE(w().renameMark, QStringLiteral("0"));
    }

    void refusedNames_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("exists");
        QTest::newRow("existing") << "c.bmp" << true;
        QTest::newRow("existing, other case") << "C.BMP" << true;
        QTest::newRow("asterisk") << "a*b.bmp" << false;
        QTest::newRow("colon") << "x:y.bmp" << false;
        QTest::newRow("backslash") << "..\\up.bmp" << false;
        QTest::newRow("slash") << "sub/x.bmp" << false;
        QTest::newRow("parent") << ".." << false;
        QTest::newRow("self") << "." << false;
        QTest::newRow("trailing dot") << "z.bmp." << false;
        QTest::newRow("device") << "con.bmp" << false;
    }
    void refusedNames()
    {
        QFETCH(QString, typed);
        QFETCH(bool, exists);
        start();
        const QStringList before = QDir(f->tmp.baseDir()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
        edit(typed);
        QTest::keyClick(w().txtRename, Qt::Key_Return);
        QCOMPARE(f->desktop.boxes,
                 QList<ScriptedDesktop::Box>{exists ? existsBox("b.bmp") : moveFailedBox("b.bmp")});
        QVERIFY(f->tmp.exists(Folder + "b.bmp"));
        QCOMPARE(QDir(f->tmp.host(Folder)).entryList(QDir::Files),
                 QStringList({"a.bmp", "b.bmp", "c.bmp"}));
        QCOMPARE(QDir(f->tmp.baseDir()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), before);
        QCOMPARE(w().renameMark, QStringLiteral("1"));
        QCOMPARE(scans->count(), 0);
    }

    void moveFailure()
    {
        faulty = std::make_unique<FaultInjectingFileService>(f->tmp.files());
        faulty->failEveryCallOf(QStringLiteral("moveFile"), rt::PermissionDenied);
        f->services.reset(new Services{f->tmp.prefix(), *faulty, f->desktop, f->pictures,
                                       f->services->programFolder, QString(), false});
        start();
        edit("z.bmp");
        QTest::keyClick(w().txtRename, Qt::Key_Return);
        QCOMPARE(f->desktop.boxes, QList<ScriptedDesktop::Box>{moveFailedBox("b.bmp")});
        QCOMPARE(faulty->callsOf(QStringLiteral("moveFile")), 1);
        QCOMPARE(scans->count(), 0);
    }

    void messageDoesNotEndTheEditTwice()
    {
        start();
        // While the message is up, the focus moves and the box reports its loss again.
        f->desktop.onBox = [this](const ScriptedDesktop::Box &) {
            w().lstSys->setFocus();
            w().txtRename_LostFocus();
        };
        edit("c.bmp");
        w().txtRename_LostFocus(); // still focused: the edit goes on
        QVERIFY(w().txtRename->isVisible());
        QTest::keyClick(w().txtRename, Qt::Key_Return);
        QCOMPARE(f->desktop.boxes, QList<ScriptedDesktop::Box>{existsBox("b.bmp")});
        w().txtRename_LostFocus();
        QCOMPARE(f->desktop.boxes.size(), 1);
    }

    void boxWidth_data()
    {
        QTest::addColumn<int>("entries");
        QTest::addColumn<QString>("tag");
        QTest::addColumn<int>("narrower");
        QTest::newRow("13, noover") << 13 << "noover" << 60;
        QTest::newRow("13, over") << 13 << "over" << 310;
        QTest::newRow("15, noover") << 15 << "noover" << 310;
        QTest::newRow("15, over") << 15 << "over" << 310;
        QTest::newRow("12, over") << 12 << "over" << 60;
    }
    void boxWidth()
    {
        QFETCH(int, entries);
        QFETCH(QString, tag);
        QFETCH(int, narrower);
        start(numberedNames(entries), 0);
        w().tag = tag;
        w().mnuRename_Click();
        const Twips &t = w().twips();
        QCOMPARE(w().txtRename->width(), t.toPixelsX(t.toTwipsX(w().lstSys->width()) - narrower));
    }

    void boxCoversTheEntrysRealRow_data()
    {
        QTest::addColumn<int>("selected");
        QTest::newRow("scrolled to the top") << 5;
        QTest::newRow("last of a long list") << 29;
    }
    void boxCoversTheEntrysRealRow()
    {
        QFETCH(int, selected);
        start(numberedNames(30), selected);
        w().mnuRename_Click();
        LogoList *list = w().lstSys;
        QLineEdit *box = w().txtRename;
        // The list row under the box's top edge is the entry's own.
        const QPoint inRow = list->viewport()->mapFrom(box->parentWidget(), box->geometry().topLeft() + QPoint(4, 2));
        QCOMPARE(list->itemFromPoint(inRow), quint32(selected));
        QCOMPARE(box->y(), list->viewport()->mapTo(box->parentWidget(), list->entryRect(selected).topLeft()).y());
        if (selected == 5)
            QCOMPARE(list->topIndex(), 5);
        else
            QVERIFY(list->topIndex() < selected);
    }
};

QTEST_MAIN(TestRename)
#include "tst_rename.moc"

// Renaming the selected logo file in the box laid over its row.
#include "support/FaultInjectingFileService.h"
#include "support/WindowFixture.h"
#include "ui/LogoList.h"

#include <QLineEdit>
#include <QTest>

using namespace bg;
using namespace bg::test;
using Boxes = QList<ScriptedDesktop::Box>;

namespace {
const QString Folder = QStringLiteral("C:\\Logos\\");
const QString Title = QStringLiteral("更換檔名發生錯誤");
const ScriptedDesktop::Box Exists{"無法重新命名 b.bmp: 您指定名稱的檔案已經存在。請指定其它檔案。", 16, Title};
const ScriptedDesktop::Box MoveFailed{
    "無法重新命名 b.bmp: 磁碟為寫入保護。\r\n\r\n請移除寫入保護的狀態或改用其它磁碟。", 16, Title};
} // namespace

class TestRename : public QObject
{
    Q_OBJECT
    std::unique_ptr<FaultInjectingFileService> faulty;
    std::unique_ptr<WindowFixture> f;
    FrmLogo &w() { return f->w(); }

    // Lists the names, selects one and shows the window with the focus in it.
    void start(int count = 0, int selected = 1)
    {
        QStringList names = count ? QStringList{} : QStringList{"a.bmp", "b.bmp", "c.bmp"};
        for (int i = 0; i < count; ++i)
            names << QStringLiteral("n%1.bmp").arg(i, 2, 10, QChar('0'));
        f->writeSettings("[SplashwheelSet]\nStart_Path=" + Folder + "\n");
        QVERIFY(f->writeLogos(Folder, names));
        QVERIFY(f->load().showWindow);
        w().show();
        w().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w()));
        w().lstSys->setListIndex(selected);
        w().lstSys->setFocus();
    }

private slots:
    void init() { f = std::make_unique<WindowFixture>(); }
    void cleanup() { f.reset(); faulty.reset(); }

    void edit_data()
    {
        QTest::addColumn<QString>("keys"); // typed text, then \r Enter, \x1b Escape, \t focus moves
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<Boxes>("boxes");
        QTest::addColumn<QString>("mark");
        const QStringList same{"a.bmp", "b.bmp", "c.bmp"}, renamed{"a.bmp", "c.bmp", "z.bmp"};
        QTest::newRow("enter") << "z.bmp\r" << renamed << Boxes{} << "0";
        QTest::newRow("focus moves") << "z.bmp\t" << renamed << Boxes{} << "0";
        QTest::newRow("escape") << "z.bmp\x1b" << same << Boxes{} << "0";
        QTest::newRow("nothing typed") << "\r" << same << Boxes{} << "0";
        QTest::newRow("letter case only") << "B.BMP\r" << same << Boxes{} << "0";
        QTest::newRow("empty") << "\b\r" << same << Boxes{{"您必須輸入檔名!!", 16, "重新命名"}} << "0";
        QTest::newRow("existing") << "C.BMP\r" << same << Boxes{Exists} << "1";
        QTest::newRow("move fails") << "y.bmp\r" << same << Boxes{MoveFailed} << "1";
        for (const char *name : {"a*b.bmp", "x:y.bmp", "..\\up.bmp", "sub/x.bmp", "..", ".",
                                 "z.bmp.", "con.bmp"})
            QTest::newRow(name) << QString(name) + "\r" << same << Boxes{MoveFailed} << "1";
    }
    void edit()
    {
        QFETCH(QString, keys);
        QFETCH(QStringList, files);
        QFETCH(Boxes, boxes);
        QFETCH(QString, mark);
        faulty = std::make_unique<FaultInjectingFileService>(f->tmp.files());
        if (keys.startsWith("y.bmp"))
            faulty->failEveryCallOf("moveFile", 70);
        f->services.reset(new Services{f->tmp.prefix(), *faulty, f->desktop, f->pictures,
                                       f->services->programFolder, {}, false});
        start();
        const QByteArray content = f->tmp.readFile(Folder + "b.bmp");
        const QStringList before = QDir(f->tmp.baseDir()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
        // While a message is up the focus moves, and the box's loss of focus is reported again.
        f->desktop.onBox = [this](const ScriptedDesktop::Box &) { w().txtRename_LostFocus(); };

        QTest::keyClick(&w(), Qt::Key_F2);
        QLineEdit *box = w().txtRename;
        QVERIFY(box->isVisible() && box->hasFocus());
        QCOMPARE(box->selectedText(), QStringLiteral("b.bmp"));
        w().txtRename_LostFocus(); // the box keeps the focus: the edit goes on
        for (QChar c : keys) {
            if (c == '\r' || c == '\x1b' || c == '\b')
                QTest::keyClick(box, c == '\r' ? Qt::Key_Return : c == '\b' ? Qt::Key_Backspace : Qt::Key_Escape);
            else if (c == '\t')
                w().lstSys->setFocus();
            else
                QTest::keyClick(box, c.toLatin1());
        }
        QVERIFY(!box->isVisible());
        QCOMPARE(f->desktop.boxes, boxes);
        QCOMPARE(w().renameMark, mark);
        QCOMPARE(QDir(f->tmp.host(Folder)).entryList(QDir::Files), files);
        QCOMPARE(f->entries(), files);
        QCOMPARE(f->tmp.readFile(Folder + (files.contains("z.bmp") ? "z.bmp" : "b.bmp")), content);
        QCOMPARE(QDir(f->tmp.baseDir()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), before);
        f->window.reset();
    }

    void boxGeometry_data()
    {
        QTest::addColumn<int>("entries");
        QTest::addColumn<int>("selected");
        QTest::addColumn<QString>("tag");
        QTest::addColumn<int>("narrower");
        QTest::newRow("13, noover") << 13 << 0 << "noover" << 60;
        QTest::newRow("13, over") << 13 << 0 << "over" << 310;
        QTest::newRow("15, noover") << 15 << 1 << "noover" << 310;
        QTest::newRow("last of a long list") << 30 << 29 << "noover" << 310;
    }
    void boxGeometry()
    {
        QFETCH(int, entries);
        QFETCH(int, selected);
        QFETCH(QString, tag);
        QFETCH(int, narrower);
        start(entries, selected);
        w().tag = tag;
        w().mnuRename_Click();
        const Twips &t = w().twips();
        const QRect box = w().txtRename->geometry();
        QCOMPARE(box.width(), t.toPixelsX(t.toTwipsX(w().lstSys->width()) - narrower));
        QCOMPARE(QPoint(box.x(), box.height()), QPoint(w().lstSys->x() + 2, t.toPixelsY(270)));
        // The entry under the box is the one being renamed, scrolled to the top row if it can be.
        LogoList *list = w().lstSys;
        const QPoint corner = list->viewport()->mapFrom(w().centralWidget(), box.topLeft() + QPoint(4, 2));
        QCOMPARE(list->itemFromPoint(corner), quint32(selected));
        QCOMPARE(list->topIndex() == selected, selected < 29);
    }
};

QTEST_MAIN(TestRename)
#include "tst_rename.moc"

// Renaming a logo file in the box over its row: every way a name comes in and an edit ends.
#include "support/WindowFixture.h"
#include "ui/Twips.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

using namespace bg;
using namespace bg::test;
using Boxes = QList<ScriptedDesktop::Box>;

namespace {
const QString Folder = QStringLiteral("C:\\Logos\\"), WaitFolder = QStringLiteral("C:\\Wait\\");
const QStringList Three{"a.bmp", "b.bmp", "c.bmp"}, Renamed{"a.bmp", "c.bmp", "z.bmp"};
const QString Cannot = QStringLiteral("無法重新命名 b.bmp: "), Title = QStringLiteral("更換檔名發生錯誤");
const ScriptedDesktop::Box Exists{Cannot + "您指定名稱的檔案已經存在。請指定其它檔案。", 16, Title};
const ScriptedDesktop::Box MoveFailed{
    Cannot + "磁碟為寫入保護。\r\n\r\n請移除寫入保護的狀態或改用其它磁碟。", 16, Title};

// An edit of b.bmp: the name typed, pasted or composed (an input method's commit); the end:
// enter, escape, ctrl+x or a click (list, path, tab); then C:\Logos\ and the boxes shown.
struct Edit { QString how, text, end; QStringList files; Boxes boxes = {}; };

// The names in C:\Logos\ (the Startup folder) and a b.bmp in C:\Wait\ (the Wait folder).
void open(WindowFixture &f, const QStringList &names = Three)
{
    f.writeSettings("[SplashwheelSet]\nStart_Path=" + Folder + "\nWait_Path=" + WaitFolder + "\n");
    QVERIFY(f.writeLogos(Folder, names) && f.writeLogos(WaitFolder, {"b.bmp"}));
    QCOMPARE(f.start(), -1);
}
} // namespace
Q_DECLARE_METATYPE(Edit)

class TestRename : public QObject
{
    Q_OBJECT

private slots:
    void init() { QTest::failOnWarning(QRegularExpression(".")); }

    void edit_data()
    {
        QTest::addColumn<Edit>("e");
        QTest::newRow("enter") << Edit{"type", "z.bmp", "enter", Renamed};
        QTest::newRow("click on the list") << Edit{"type", "z.bmp", "list", Renamed};
        QTest::newRow("paste") << Edit{"paste", "z.bmp", "enter", Renamed};
        QTest::newRow("input method")
            << Edit{"compose", "新名.bmp", "path", {"a.bmp", "c.bmp", "新名.bmp"}};
        // Renamed in the folder the edit began in; the Wait folder's b.bmp stays.
        QTest::newRow("other slot's tab") << Edit{"type", "z.bmp", "tab", Renamed};
        QTest::newRow("escape") << Edit{"type", "z.bmp", "escape", Three};
        QTest::newRow("ctrl+x closes") << Edit{"type", "z.bmp", "ctrl+x", Three};
        QTest::newRow("nothing typed") << Edit{"type", "", "enter", Three};
        QTest::newRow("letter case only") << Edit{"type", "B.BMP", "enter", Three};
        QTest::newRow("empty")
            << Edit{"type", "\b", "enter", Three, {{"您必須輸入檔名!!", 16, "重新命名"}}};
        QTest::newRow("existing") << Edit{"type", "C.BMP", "enter", Three, {Exists}};
        QTest::newRow("move fails") << Edit{"type", "y.bmp", "enter", Three, {MoveFailed}};
        for (const char *name : {"a*b.bmp", "x:y.bmp", "..\\up.bmp", "sub/x.bmp", "..", ".",
                                 "z.bmp.", "con.bmp"})
            QTest::newRow(name) << Edit{"type", name, "enter", Three, {MoveFailed}};
    }
    void edit()
    {
        QFETCH(Edit, e);
        WindowFixture f;
        if (e.text == "y.bmp")
            f.injectFaults().failEveryCallOf("moveFile", 70);
        open(f);
        const QByteArray content = f.tmp.readFile(Folder + "b.bmp");
        const QString clip = e.how == "paste" ? e.text : QStringLiteral("kept");
        QApplication::clipboard()->setText(clip);
        QSignalSpy scans(&f.w(), &MainWindow::scanFinished);
        f.clickRow(1);
        QTest::keyClick(f.find("lstSys"), Qt::Key_F2);
        auto *box = f.find<QLineEdit>("txtRename");
        QVERIFY(box && box->isVisible() && box->hasFocus() && box->selectedText() == "b.bmp");
        QInputMethodEvent commit;
        commit.setCommitString(e.text);
        if (e.how == "paste")
            QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
        else if (e.how == "compose")
            QApplication::sendEvent(box, &commit);
        else
            QTest::keyClicks(box, e.text);
        QTest::keyClick(box, Qt::Key_Home, Qt::ShiftModifier); // all selected: a cut would take it

        QWidget *viewport = f.listViewport();
        if (e.end == "enter" || e.end == "escape")
            QTest::keyClick(box, e.end == "enter" ? Qt::Key_Return : Qt::Key_Escape);
        else if (e.end == "ctrl+x")
            QTest::keyClick(box, Qt::Key_X, Qt::ControlModifier);
        else if (e.end == "tab")
            f.clickTab(LogoSlot::Wait);
        else if (e.end == "list") // below the entries
            QTest::mouseClick(viewport, Qt::LeftButton, {}, QPoint(5, viewport->height() - 3));
        else
            QTest::mouseClick(f.find("txtPath"), Qt::LeftButton);
        QTRY_VERIFY(!f.find<QLineEdit>("txtRename"));
        QTRY_COMPARE(scans.size(), e.files == Three ? 0 : 1); // a rename re-scans, once
        QCOMPARE(f.w().isVisible(), e.end != "ctrl+x");
        QCOMPARE(f.desktop.boxes, e.boxes);
        QCOMPARE(QDir(f.tmp.host(Folder)).entryList(QDir::Files), e.files);
        QCOMPARE(QDir(f.tmp.host(WaitFolder)).entryList(QDir::Files), QStringList{"b.bmp"});
        QCOMPARE(f.entries(), e.end == "tab" ? QStringList{"b.bmp"} : e.files);
        QCOMPARE(f.tmp.readFile(Folder + e.files[e.files == Three ? 1 : 2]), content);
        QCOMPARE(QApplication::clipboard()->text(), clip); // Ctrl+X does not cut
    }

    // 13 entries, one of them wide ("over"): the box starts two pixels into the list and leaves
    // 310 twips for the vertical scroll bar that the horizontal one brings.
    void boxGeometry()
    {
        QStringList names{"n-with-a-name-far-wider-than-the-list.bmp"};
        for (int i = 0; i < 12; ++i)
            names << QStringLiteral("a%1.bmp").arg(i);
        WindowFixture f;
        open(f, names);
        QWidget *list = f.find("lstSys");
        QTest::keyClick(list, Qt::Key_F2);
        auto *box = f.find<QLineEdit>("txtRename");
        QVERIFY(box);
        const Twips t = Twips::forWidget(list);
        QCOMPARE(box->width(), t.toPixelsX(t.toTwipsX(list->width()) - 310));
        QCOMPARE(box->mapTo(list, QPoint()).x(), 2);
    }
};

QTEST_MAIN(TestRename)
#include "tst_rename.moc"

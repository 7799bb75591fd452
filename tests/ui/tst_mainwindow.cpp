// The main window used with the mouse and the keyboard: choosing entries, the slot tabs, the
// check boxes, the right-click menu, the keys and menus of the window, and scans under way.
#include "support/WindowFixture.h"
#include "ui/ImageBox.h"
#include "ui/TabLabel.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

using namespace bg;
using namespace bg::test;

namespace {
const QStringList FiveLogos{"a.bmp", "b.bmp", "c.bmp", "d.bmp", "e.bmp"};

// Logos in C:\A\ (the Startup folder) and C:\B\ (the Wait folder), the window open on C:\A\.
void openOn(WindowFixture &f, const QStringList &names, const QString &more = {})
{
    QVERIFY(f.writeLogos("C:\\A\\", names));
    QVERIFY(f.writeLogos("C:\\B\\", {"wait1.bmp", "wait2.bmp"}));
    f.writeSettings("[SplashwheelSet]\nStart_Path=C:\\A\\\nWait_Path=C:\\B\\\n" + more);
    QCOMPARE(f.start(), -1);
}
} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void clickChoosesAnyEntry_data()
    {
        QTest::addColumn<int>("row");
        for (int row : {1, 2, 4, 0})
            QTest::addRow("row %d", row) << row;
    }
    void clickChoosesAnyEntry()
    {
        QFETCH(int, row);
        WindowFixture f;
        openOn(f, FiveLogos);
        f.clickRow(row);
        QCOMPARE(f.selectedEntry(), FiveLogos[row]);
        auto *preview = f.find<ImageBox>("imgOutput");
        QVERIFY(preview->hasPicture());
        QCOMPARE(preview->toolTip(), FiveLogos[row]);
        QCOMPARE(f.desktop.boxes.size(), 0);
    }

    void keysMoveTheChoice()
    {
        WindowFixture f;
        QStringList names;
        for (int i = 0; i < 40; ++i)
            names.append(QStringLiteral("logo%1.bmp").arg(i, 2, 10, QLatin1Char('0')));
        openOn(f, names);
        QAbstractItemView *list = f.list();
        list->setFocus();
        auto *preview = f.find<ImageBox>("imgOutput");
        const struct { Qt::Key key; QString expected; } steps[] = {
            {Qt::Key_Down, "logo01.bmp"}, {Qt::Key_End, "logo39.bmp"}, {Qt::Key_Up, "logo38.bmp"},
            {Qt::Key_Home, "logo00.bmp"}};
        for (const auto &step : steps) {
            QTest::keyClick(list, step.key);
            QCOMPARE(f.selectedEntry(), step.expected);
            QCOMPARE(preview->toolTip(), step.expected);
        }
        QTest::keyClick(list, Qt::Key_PageDown);
        QVERIFY(f.selectedEntry() > QStringLiteral("logo05.bmp"));
        QCOMPARE(preview->toolTip(), f.selectedEntry());
        QCOMPARE(f.desktop.boxes.size(), 0);
    }

    void tabClickShowsTheSlotsFolder()
    {
        WindowFixture f;
        openOn(f, FiveLogos);
        QSignalSpy scans(&f.w(), &MainWindow::scanFinished);
        f.clickTab(LogoSlot::Startup); // the open tab: nothing happens
        QTest::qWait(20);
        QCOMPARE(scans.size(), 0);

        f.clickTab(LogoSlot::Wait);
        QVERIFY(f.waitForScan());
        QCOMPARE(scans.size(), 1);
        QCOMPARE(f.entries(), QStringList({"wait1.bmp", "wait2.bmp"}));
        QCOMPARE(f.find<QLineEdit>("txtPath")->text(), QStringLiteral("C:\\B\\"));
        const quint32 colours[] = {12632319, 16761024, 12632319};
        const int borders[] = {1, 0, 1};
        const char *const tabs[] = {"lblStartup", "lblWait", "lblShutdown"};
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(f.find<TabLabel>(tabs[i])->backColor(), colours[i]);
            QCOMPARE(f.find<TabLabel>(tabs[i])->borderStyle(), borders[i]);
        }
        QCOMPARE(f.find<QAbstractItemView>("lstSys")->toolTip(),
                 QStringLiteral("點兩下可設為等待關機LOGO(共有2個LOGO)"));
    }

    void whileScanningTabsAndScanControlsWait()
    {
        WindowFixture f;
        f.injectFaults();
        openOn(f, FiveLogos);
        f.holdScans();
        QTest::keyClick(f.find<QWidget>("lstSys"), Qt::Key_F5);
        QTRY_VERIFY(f.w().isScanning());
        for (const char *name : {"txtPath", "cmdBrowser", "cmdRestore"})
            QVERIFY2(!f.find<QWidget>(name)->isEnabled(), name);
        QVERIFY(!f.find<QAction>("mnuRefresh")->isEnabled());
        QVERIFY(!f.find<QAction>("mnuDelete")->isEnabled());
        f.clickTab(LogoSlot::Wait); // ignored, not queued
        f.releaseScans();
        QVERIFY(f.waitForScan());
        QCOMPARE(f.find<TabLabel>("lblWait")->backColor(), quint32(12632319));
        QCOMPARE(f.entries(), FiveLogos);
        QVERIFY(f.find<QLineEdit>("txtPath")->isEnabled());
        QVERIFY(f.find<QAction>("mnuDelete")->isEnabled());
    }

    void checkBoxTooltipsFollowTheirValue()
    {
        WindowFixture f;
        openOn(f, FiveLogos, "Shutdown_Checked=True\n");
        auto *check = f.find<QCheckBox>("chkShutdown");
        QTest::mouseMove(check, QPoint(3, 3));
        QCOMPARE(check->toolTip(), QStringLiteral("關機畫面已設定更換"));
        QTest::mouseClick(check, Qt::LeftButton, {}, QPoint(5, 5));
        QVERIFY(!check->isChecked());
        QTest::mouseMove(check, QPoint(4, 4));
        QCOMPARE(check->toolTip(), QStringLiteral("關機畫面不作更換"));
    }

    void rightClickChoosesAndOpensTheEditMenu()
    {
        WindowFixture f;
        QStringList names;
        for (int i = 0; i < 30; ++i)
            names.append(QStringLiteral("logo%1.bmp").arg(i, 2, 10, QLatin1Char('0')));
        openOn(f, names);
        f.clickRow(12, Qt::RightButton);
        QCOMPARE(f.selectedEntry(), QStringLiteral("logo12.bmp"));
        QCOMPARE(f.find<ImageBox>("imgOutput")->toolTip(), QStringLiteral("logo12.bmp"));
        auto *menu = f.find<QMenu>("mnuEdit");
        QTRY_VERIFY(menu->isVisible());
        menu->hide();

        // Below the last entry, or with the middle button: nothing.
        WindowFixture g;
        openOn(g, {"a.bmp", "b.bmp"});
        QTest::mouseClick(g.listViewport(), Qt::RightButton, {},
                          QPoint(5, g.listViewport()->height() - 3));
        g.clickRow(1, Qt::MiddleButton);
        QCOMPARE(g.selectedEntry(), QStringLiteral("a.bmp"));
        QVERIFY(!g.find<QMenu>("mnuEdit")->isVisible());
    }

    void keysOfTheWindow()
    {
        WindowFixture f;
        openOn(f, FiveLogos);
        QWidget *list = f.find<QWidget>("lstSys");
        QVERIFY(f.writeLogo("C:\\A\\f.bmp", 9));
        QTest::keyClick(list, Qt::Key_F5);
        QVERIFY(f.waitForScan());
        QCOMPARE(f.entries().size(), 6);

        f.tmp.writeFile("C:\\Program Files\\Bootgallery\\Readme.htm", "<html></html>");
        QTest::keyClick(list, Qt::Key_F1);
        QCOMPARE(f.desktop.opened.size(), 1);
        QCOMPARE(f.desktop.opened[0].target,
                 QStringLiteral("C:\\Program Files\\Bootgallery\\Readme.htm"));

        // Ctrl+X closes the window, also from the path box, where it would cut.
        auto *path = f.find<QLineEdit>("txtPath");
        path->setFocus();
        QTest::keyClick(path, Qt::Key_X, Qt::ControlModifier);
        QTRY_VERIFY(!f.w().isVisible());
        QCOMPARE(path->text(), QStringLiteral("C:\\A\\"));
    }

    void menusByTheirAccessKeys()
    {
        WindowFixture f;
        openOn(f, FiveLogos);
        f.desktop.answer(mb::AnswerNo);
        f.chooseMenu('E', 'D'); // delete: asks first
        QCOMPARE(f.takeBoxTitles(), QStringList({"確認刪除檔案"}));
        f.chooseMenu('M', 'B'); // order: descending
        QVERIFY(f.find<QAction>("mnuBig")->isChecked());
        QVERIFY(!f.find<QAction>("mnuRandom")->isChecked());
        QVERIFY(f.writeLogo("C:\\A\\f.bmp", 9));
        f.chooseMenu('F', 'R'); // refresh
        QVERIFY(f.waitForScan());
        QCOMPARE(f.entries().size(), 6);
        f.chooseMenu('F', 'C'); // close
        QTRY_VERIFY(!f.w().isVisible());
    }

    void closingDuringAScanEndsIt()
    {
        WindowFixture f;
        f.injectFaults();
        openOn(f, FiveLogos);
        f.holdScans();
        QTest::keyClick(f.find<QWidget>("lstSys"), Qt::Key_F5);
        QTRY_VERIFY(f.w().isScanning());
        f.w().close();
        f.releaseScans();
        QVERIFY(!f.w().isVisible());
        QVERIFY(!f.w().isScanning());
        QVERIFY(f.settingsBytes().contains("PopUp"));
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"

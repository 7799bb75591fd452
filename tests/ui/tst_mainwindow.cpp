// The main window's layout, menus and window-level behaviour.
#include "support/WindowFixture.h"
#include "ui/FrmLogo.h"
#include "ui/ImageBox.h"
#include "ui/LogoList.h"
#include "ui/TabLabel.h"

#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

using namespace bg;
using namespace bg::test;

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void controlsAtTheirPlaces_data();
    void controlsAtTheirPlaces();
    void windowSettings();
    void stackingAndTabOrder();
    void menuBar_data();
    void menuBar();
    void downloadItemsCarryTheGlobe();
    void tabColoursAndBorders_data();
    void tabColoursAndBorders();
    void clickOnTheOpenTabDoesNothing();
    void checkBoxTooltips();
    void rightClickSelectsAndOpensEditMenu();
    void rightClickBelowTheItemsDoesNothing();
    void escapeHidesTheRenameBox();
    void closeWaitsForTheScan();
};

void TestMainWindow::controlsAtTheirPlaces_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("twips");
    QTest::newRow("lstSys") << "lstSys" << QRect(45, 0, 1695, 2580);
    QTest::newRow("imgOutput") << "imgOutput" << QRect(1830, 0, 3465, 2580);
    QTest::newRow("lblStartup") << "lblStartup" << QRect(45, 2640, 1695, 240);
    QTest::newRow("lblWait") << "lblWait" << QRect(1830, 2640, 1695, 240);
    QTest::newRow("lblShutdown") << "lblShutdown" << QRect(3615, 2640, 1695, 240);
    QTest::newRow("chkStartup") << "chkStartup" << QRect(60, 2670, 180, 180);
    QTest::newRow("chkWait") << "chkWait" << QRect(1850, 2670, 180, 180);
    QTest::newRow("chkShutdown") << "chkShutdown" << QRect(3635, 2670, 180, 180);
    QTest::newRow("imgStartup") << "imgStartup" << QRect(45, 2880, 1695, 1245);
    QTest::newRow("imgWait") << "imgWait" << QRect(1830, 2880, 1695, 1245);
    QTest::newRow("imgShutdown") << "imgShutdown" << QRect(3615, 2880, 1695, 1245);
    QTest::newRow("txtPath") << "txtPath" << QRect(510, 4200, 4370, 270);
    QTest::newRow("cmdBrowser") << "cmdBrowser" << QRect(4900, 4200, 390, 270);
    QTest::newRow("txtRename") << "txtRename" << QRect(4800, 4500, 495, 270);
    QTest::newRow("fraSetup") << "fraSetup" << QRect(60, 4530, 5250, 615);
    QTest::newRow("optYes") << "optYes" << QRect(320, 240, 1935, 255);
    QTest::newRow("optNo") << "optNo" << QRect(2620, 240, 2205, 255);
    QTest::newRow("cmdRestore") << "cmdRestore" << QRect(120, 5250, 5130, 300);
    QTest::newRow("lblUpBar") << "lblUpBar" << QRect(0, 5640, 5295, 105);
    QTest::newRow("lblUnderBar") << "lblUnderBar" << QRect(0, 5640, 5295, 105);
}

void TestMainWindow::controlsAtTheirPlaces()
{
    QFETCH(QString, name);
    QFETCH(QRect, twips);
    WindowFixture f;
    FrmLogo &w = f.create();
    const TwipRect design = w.designRect(name);
    QCOMPARE(QRect(design.left, design.top, design.width, design.height), twips);
    auto *widget = w.findChild<QWidget *>(name);
    QVERIFY(widget);
    // Converted with the screen's own factors (15 twips per pixel on the offscreen screen).
    const Twips &t = w.twips();
    QCOMPARE(widget->geometry(), t.toPixels(design));
    QCOMPARE(widget->x(), qRound(twips.x() / t.perPixelX()));
}

void TestMainWindow::windowSettings()
{
    WindowFixture f;
    FrmLogo &w = f.create();
    QCOMPARE(w.windowTitle(), QStringLiteral("Bootgallery v4.0"));
    QVERIFY(!w.windowIcon().isNull());
    const Twips &t = w.twips();
    QCOMPARE(w.centralWidget()->size(), QSize(t.toPixelsX(5340), t.toPixelsY(5745)));
    QCOMPARE(w.minimumSize(), w.maximumSize()); // fixed size
    QVERIFY(w.windowFlags() & Qt::WindowMinimizeButtonHint);
    QVERIFY(!(w.windowFlags() & Qt::WindowMaximizeButtonHint));
    QCOMPARE(w.lstSys->palette().color(QPalette::Base), QColor(192, 255, 192));
    QCOMPARE(w.txtPath->palette().color(QPalette::Base), QColor(192, 255, 192));
    QVERIFY(w.txtPath->font().bold());
    QCOMPARE(w.txtPath->toolTip(), QStringLiteral("可自行設定LOGO所放置的目錄"));
    QCOMPARE(w.cmdBrowser->toolTip(), QStringLiteral("瀏覽資料夾"));
    QCOMPARE(w.cmdRestore->toolTip(), QStringLiteral("按下此鈕可還原在此目錄更換過的LOGO"));
    QCOMPARE(w.lblUpBar->toolTip(), QStringLiteral("檔案篩選處理進度"));
    QCOMPARE(w.optYes->text(), QStringLiteral("提示LOGO訊息視窗"));
    QCOMPARE(w.optNo->toolTip(), QStringLiteral("更換圖片後不提示任何訊息"));
    QCOMPARE(w.fraSetup->title(), QStringLiteral("設定"));
    QCOMPARE(w.imgStartup->toolTip(), QStringLiteral("LOGO.SYS"));
    QCOMPARE(w.imgWait->toolTip(), QStringLiteral("LOGOW.SYS"));
    QCOMPARE(w.imgShutdown->toolTip(), QStringLiteral("LOGOS.SYS"));
    QVERIFY(!w.cmdRestore->icon().isNull());
    QVERIFY(!w.cmdBrowser->icon().isNull());
    QVERIFY(w.txtRename->isHidden());
    QVERIFY(w.imgMenubmp->isHidden());
}

void TestMainWindow::stackingAndTabOrder()
{
    WindowFixture f;
    FrmLogo &w = f.create();
    const QObjectList kids = w.centralWidget()->children();
    auto z = [&](QWidget *widget) { return kids.indexOf(widget); };
    // Later children are drawn over earlier ones.
    QVERIFY(z(w.txtRename) > z(w.lstSys));
    QVERIFY(z(w.chkStartup) > z(w.lblStartup));
    QVERIFY(z(w.lblUpBar) > z(w.lblUnderBar));

    QList<QWidget *> cycle;
    QWidget *widget = w.txtPath;
    for (int i = 0; i < 10; ++i) {
        cycle.append(widget);
        widget = widget->nextInFocusChain();
        while (widget->focusPolicy() == Qt::NoFocus || widget->isHidden() ||
               widget == w.txtRename)
            widget = widget->nextInFocusChain();
    }
    const QList<QWidget *> expected{w.txtPath, w.optNo,      w.optYes,     w.cmdRestore,
                                    w.lstSys,  w.cmdBrowser, w.chkStartup, w.chkWait,
                                    w.chkShutdown};
    QCOMPARE(cycle.mid(0, expected.size()), expected);
}

void TestMainWindow::menuBar_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("shortcut");
    QTest::newRow("0/0") << "0/0" << "重新整理(&R)" << "F5";
    QTest::newRow("0/1") << "0/1" << "" << "";
    QTest::newRow("0/2") << "0/2" << "關閉(&C)" << "Ctrl+X";
    QTest::newRow("1/0") << "1/0" << "重新命名(&M)" << "F2";
    QTest::newRow("1/1") << "1/1" << "刪除(&D)" << "";
    QTest::newRow("2/0") << "2/0" << "開啟(&Y)" << "";
    QTest::newRow("2/1") << "2/1" << "關閉(&N)" << "";
    QTest::newRow("3/0") << "3/0" << "字母小到大(&L)" << "";
    QTest::newRow("3/1") << "3/1" << "字母大到小(&B)" << "";
    QTest::newRow("3/2") << "3/2" << "隨機(&R)" << "";
    QTest::newRow("4/0") << "4/0" << "讀我檔案(&R)" << "F1";
    QTest::newRow("4/1") << "4/1" << "" << "";
    QTest::newRow("4/2") << "4/2" << "下載開關機 LOGO(&W)" << "";
    QTest::newRow("4/2/0") << "4/2/0" << "Harborview(&K)" << "";
    QTest::newRow("4/2/1") << "4/2/1" << "Pixelbarn(&S)" << "";
    QTest::newRow("4/2/2") << "4/2/2" << "&Inkmeadow" << "";
    QTest::newRow("4/3") << "4/3" << "" << "";
    QTest::newRow("4/4") << "4/4" << "關於 Splashwheel(&A)" << "";
}

void TestMainWindow::menuBar()
{
    QFETCH(QString, path);
    QFETCH(QString, caption);
    QFETCH(QString, shortcut);
    WindowFixture f;
    FrmLogo &w = f.create();
    const QList<QAction *> top = w.menuBar()->actions();
    QCOMPARE(top.size(), 5);
    QStringList captions;
    for (QAction *a : top)
        captions.append(a->text());
    QCOMPARE(captions, (QStringList{"檔案(&F)", "編輯(&E)", "開機啟動(&S)", "更換方式(&M)", "說明(&H)"}));
    const QStringList steps = path.split('/');
    QMenu *menu = top.at(steps.first().toInt())->menu();
    QVERIFY(menu);
    QAction *action = nullptr;
    for (int i = 1; i < steps.size(); ++i) {
        action = menu->actions().at(steps.at(i).toInt());
        if (i + 1 < steps.size()) {
            menu = action->menu();
            QVERIFY(menu);
        }
    }
    QVERIFY(action);
    QCOMPARE(action->isSeparator(), caption.isEmpty());
    if (!caption.isEmpty())
        QCOMPARE(action->text(), caption);
    QCOMPARE(action->shortcut().toString(), shortcut);
    QVERIFY(action->isEnabled());
    QVERIFY(!action->isChecked());
}

void TestMainWindow::downloadItemsCarryTheGlobe()
{
    WindowFixture f;
    QVERIFY(f.load().showWindow);
    FrmLogo &w = f.w();
    for (QAction *a : {w.mnuHarborview, w.mnuPixelbarn, w.mnuInkmeadow})
        QVERIFY(!a->icon().isNull());
    QVERIFY(w.mnuReadme->icon().isNull());
}

void TestMainWindow::tabColoursAndBorders_data()
{
    QTest::addColumn<int>("slot");
    QTest::addColumn<QList<int>>("borders");
    QTest::newRow("startup") << 0 << QList<int>{0, 1, 1};
    QTest::newRow("wait") << 1 << QList<int>{1, 0, 1};
    QTest::newRow("shutdown") << 2 << QList<int>{1, 1, 0};
}

void TestMainWindow::tabColoursAndBorders()
{
    QFETCH(int, slot);
    QFETCH(QList<int>, borders);
    WindowFixture f;
    QVERIFY(f.writeLogos("C:\\A\\", {"a.bmp"}));
    QVERIFY(f.writeLogos("C:\\B\\", {"b1.bmp", "b2.bmp"}));
    QVERIFY(f.writeLogos("C:\\C\\", {"c.bmp"}));
    f.writeSettings("[SplashwheelSet]\nStart_Path=C:\\A\\\nWait_Path=C:\\B\\\nShutdown_Path=C:\\C\\\n");
    f.load();
    FrmLogo &w = f.w();
    if (slot != 0) // start-up already opened the Startup tab
        w.selectTab(LogoSlot(slot));
    QCOMPARE(int(w.state.currentSlot), slot);
    const TabLabel *tabs[] = {w.lblStartup, w.lblWait, w.lblShutdown};
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(tabs[i]->backColor(),
                 i == slot ? quint32(16761024) : quint32(12632319));
        QCOMPARE(tabs[i]->borderStyle(), borders.at(i));
    }
    const QStringList expected[] = {{"a.bmp"}, {"b1.bmp", "b2.bmp"}, {"c.bmp"}};
    QCOMPARE(f.entries(), expected[slot]);
    QCOMPARE(w.txtPath->text(), w.state.slotFolders[size_t(slot)]);
}

void TestMainWindow::clickOnTheOpenTabDoesNothing()
{
    WindowFixture f;
    QVERIFY(f.writeLogos("C:\\A\\", {"a.bmp"}));
    f.writeSettings("[SplashwheelSet]\nStart_Path=C:\\A\\\n");
    f.load();
    FrmLogo &w = f.w();
    QVERIFY(f.writeLogo("C:\\A\\late.bmp"));
    QTest::mouseClick(w.lblStartup, Qt::LeftButton);
    QCOMPARE(f.entries(), QStringList{"a.bmp"}); // no re-scan
}

void TestMainWindow::checkBoxTooltips()
{
    WindowFixture f;
    f.writeSettings("[SplashwheelSet]\nShutdown_Checked=True\n");
    f.load();
    FrmLogo &w = f.w();
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QTest::mouseMove(w.chkShutdown, QPoint(3, 3));
    QTRY_COMPARE(w.chkShutdown->toolTip(), QStringLiteral("關機畫面已設定更換"));
    w.chkShutdown->setChecked(false);
    w.chkShutdown_MouseMove();
    QCOMPARE(w.chkShutdown->toolTip(), QStringLiteral("關機畫面不作更換"));
    w.chkWait_MouseMove();
    QCOMPARE(w.chkWait->toolTip(), QStringLiteral("等待關機畫面不作更換"));
    w.chkStartup->setChecked(true);
    w.chkStartup_MouseMove();
    QCOMPARE(w.chkStartup->toolTip(), QStringLiteral("開機畫面已設定更換"));
}

void TestMainWindow::rightClickSelectsAndOpensEditMenu()
{
    WindowFixture f;
    QStringList names;
    for (int i = 0; i < 30; ++i)
        names.append(QStringLiteral("logo%1.bmp").arg(i, 2, 10, QLatin1Char('0')));
    QVERIFY(f.writeLogos("C:\\A\\", names));
    f.writeSettings("[SplashwheelSet]\nStart_Path=C:\\A\\\n");
    f.load();
    FrmLogo &w = f.w();
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.lstSys->setTopIndex(10);
    const QRect third = w.lstSys->entryRect(12);
    QVERIFY(third.isValid());
    QTest::mouseClick(w.lstSys->viewport(), Qt::RightButton, {}, third.center());
    QCOMPARE(w.lstSys->listIndex(), 12);
    QCOMPARE(w.state.selectedLogoPath, QStringLiteral("C:\\A\\logo12.bmp"));
    QTRY_VERIFY(w.mnuEdit->isVisible());
    w.mnuEdit->hide();
}

void TestMainWindow::rightClickBelowTheItemsDoesNothing()
{
    WindowFixture f;
    QVERIFY(f.writeLogos("C:\\A\\", {"a.bmp", "b.bmp"}));
    f.writeSettings("[SplashwheelSet]\nStart_Path=C:\\A\\\n");
    f.load();
    FrmLogo &w = f.w();
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    const QPoint below(5, w.lstSys->viewport()->height() - 3);
    QTest::mouseClick(w.lstSys->viewport(), Qt::RightButton, {}, below);
    QCOMPARE(w.lstSys->listIndex(), 0);
    QVERIFY(!w.mnuEdit->isVisible());
    // Middle button on an entry: nothing either.
    QTest::mouseClick(w.lstSys->viewport(), Qt::MiddleButton, {}, w.lstSys->entryRect(1).center());
    QCOMPARE(w.lstSys->listIndex(), 0);
    QVERIFY(!w.mnuEdit->isVisible());
}

void TestMainWindow::escapeHidesTheRenameBox()
{
    WindowFixture f;
    FrmLogo &w = f.create();
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.txtRename->show();
    QTest::keyClick(w.lstSys, Qt::Key_Escape);
    QVERIFY(w.txtRename->isHidden());
    QTest::keyClick(w.lstSys, Qt::Key_Escape); // already hidden: nothing happens
    QVERIFY(w.txtRename->isHidden());
}

void TestMainWindow::closeWaitsForTheScan()
{
    WindowFixture f;
    QVERIFY(f.writeLogos("C:\\A\\", {"a.bmp", "b.bmp", "c.bmp"}));
    f.writeSettings("[SplashwheelSet]\nStart_Path=C:\\A\\\n");
    f.load();
    FrmLogo &w = f.w();
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    bool asked = false;
    QTimer probe;
    probe.setInterval(0);
    connect(&probe, &QTimer::timeout, this, [&] {
        if (!w.state.scanIdle && !asked) {
            asked = true;
            QVERIFY(!w.close()); // refused while the scan is on the stack
        }
    });
    probe.start();
    w.mnuRefresh_Click();
    probe.stop();
    QVERIFY(asked);
    QTRY_VERIFY(!w.isVisible()); // closed once the scan was done
    QVERIFY(!f.settingsBytes().isEmpty());
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"

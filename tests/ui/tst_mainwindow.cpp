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

namespace {
// Logos in C:\A\, the start-up folder; loads and, if asked, shows the window.
bool openFolderA(WindowFixture &f, const QStringList &names, bool show = true)
{
    if (!f.writeLogos("C:\\A\\", names))
        return false;
    f.writeSettings("[SplashwheelSet]\nStart_Path=C:\\A\\\n");
    f.load();
    if (show)
        f.w().show();
    return !show || QTest::qWaitForWindowExposed(&f.w());
}

// Every menu item below the bar as "path caption shortcut" ("path -" for a separator).
void describeMenu(QMenu *menu, const QString &path, QStringList &out)
{
    const QList<QAction *> actions = menu->actions();
    for (int i = 0; i < actions.size(); ++i) {
        QAction *a = actions[i];
        const QString at = path + '/' + QString::number(i);
        out.append(a->isSeparator() ? at + " -" : at + ' ' + a->text() + ' ' + a->shortcut().toString());
        if (!a->isEnabled() || a->isChecked())
            out.append(at + " enabled or checked wrongly");
        if (a->menu())
            describeMenu(a->menu(), at, out);
    }
}
} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void controlsAtTheirPlaces_data()
    {
        QTest::addColumn<QRect>("twips");
        const std::pair<const char *, QRect> rows[] = {
            {"lstSys", {45, 0, 1695, 2580}},         {"imgOutput", {1830, 0, 3465, 2580}},
            {"lblStartup", {45, 2640, 1695, 240}},   {"lblWait", {1830, 2640, 1695, 240}},
            {"lblShutdown", {3615, 2640, 1695, 240}}, {"chkStartup", {60, 2670, 180, 180}},
            {"chkWait", {1850, 2670, 180, 180}},     {"chkShutdown", {3635, 2670, 180, 180}},
            {"imgStartup", {45, 2880, 1695, 1245}},  {"imgWait", {1830, 2880, 1695, 1245}},
            {"imgShutdown", {3615, 2880, 1695, 1245}}, {"txtPath", {510, 4200, 4370, 270}},
            {"cmdBrowser", {4900, 4200, 390, 270}},  {"txtRename", {4800, 4500, 495, 270}},
            {"fraSetup", {60, 4530, 5250, 615}},     {"optYes", {320, 240, 1935, 255}},
            {"optNo", {2620, 240, 2205, 255}},       {"cmdRestore", {120, 5250, 5130, 300}},
            {"lblUpBar", {0, 5640, 5295, 105}},      {"lblUnderBar", {0, 5640, 5295, 105}}};
        for (const auto &[name, rect] : rows)
            QTest::newRow(name) << rect;
    }
    void controlsAtTheirPlaces()
    {
        QFETCH(QRect, twips);
        WindowFixture f;
        FrmLogo &w = f.create();
        const QString name = QTest::currentDataTag();
        const TwipRect design = w.designRect(name);
        QCOMPARE(QRect(design.left, design.top, design.width, design.height), twips);
        auto *widget = w.findChild<QWidget *>(name);
        QVERIFY(widget);
        // Converted with the screen's own factors.
        const Twips &t = w.twips();
        QCOMPARE(widget->geometry(), t.toPixels(design));
        QCOMPARE(widget->x(), qRound(twips.x() / t.perPixelX()));
    }

    void windowSettings()
    {
        WindowFixture f;
        FrmLogo &w = f.create();
        QCOMPARE(w.windowTitle(), QStringLiteral("Bootgallery v4.0"));
        const Twips &t = w.twips();
        QCOMPARE(w.centralWidget()->size(), QSize(t.toPixelsX(5340), t.toPixelsY(5745)));
        QCOMPARE(w.minimumSize(), w.maximumSize()); // fixed size
        QVERIFY(w.windowFlags() & Qt::WindowMinimizeButtonHint);
        QVERIFY(!(w.windowFlags() & Qt::WindowMaximizeButtonHint));
        for (QWidget *green : {static_cast<QWidget *>(w.lstSys), static_cast<QWidget *>(w.txtPath)})
            QCOMPARE(green->palette().color(QPalette::Base), QColor(192, 255, 192));
        QVERIFY(w.txtPath->font().bold());
        const std::pair<QWidget *, const char *> tips[] = {
            {w.txtPath, "可自行設定LOGO所放置的目錄"}, {w.cmdBrowser, "瀏覽資料夾"},
            {w.cmdRestore, "按下此鈕可還原在此目錄更換過的LOGO"}, {w.lblUpBar, "檔案篩選處理進度"},
            {w.optNo, "更換圖片後不提示任何訊息"}, {w.imgStartup, "LOGO.SYS"},
            {w.imgWait, "LOGOW.SYS"}, {w.imgShutdown, "LOGOS.SYS"}};
        for (const auto &[widget, tip] : tips)
            QCOMPARE(widget->toolTip(), QString::fromUtf8(tip));
        QCOMPARE(w.optYes->text(), QStringLiteral("提示LOGO訊息視窗"));
        QCOMPARE(w.fraSetup->title(), QStringLiteral("設定"));
        QVERIFY(!w.windowIcon().isNull() && !w.cmdRestore->icon().isNull() && !w.cmdBrowser->icon().isNull());
        QVERIFY(w.txtRename->isHidden() && w.imgMenubmp->isHidden());
    }

    void stackingAndTabOrder()
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
        for (QWidget *widget = w.txtPath; cycle.size() < 10;) {
            cycle.append(widget);
            do
                widget = widget->nextInFocusChain();
            while (widget->focusPolicy() == Qt::NoFocus || widget->isHidden() || widget == w.txtRename);
        }
        const QList<QWidget *> expected{w.txtPath, w.optNo,      w.optYes,     w.cmdRestore, w.lstSys,
                                        w.cmdBrowser, w.chkStartup, w.chkWait, w.chkShutdown};
        QCOMPARE(cycle.mid(0, expected.size()), expected);
    }

    void menuBar()
    {
        WindowFixture f;
        FrmLogo &w = f.create();
        QStringList captions, items;
        const QList<QAction *> top = w.menuBar()->actions();
        for (int i = 0; i < top.size(); ++i) {
            captions.append(top[i]->text());
            QVERIFY(top[i]->menu());
            describeMenu(top[i]->menu(), QString::number(i), items);
        }
        QCOMPARE(captions, (QStringList{"檔案(&F)", "編輯(&E)", "開機啟動(&S)", "更換方式(&M)", "說明(&H)"}));
        QCOMPARE(items, (QStringList{
            "0/0 重新整理(&R) F5", "0/1 -", "0/2 關閉(&C) Ctrl+X", "1/0 重新命名(&M) F2", "1/1 刪除(&D) ",
            "2/0 開啟(&Y) ", "2/1 關閉(&N) ", "3/0 字母小到大(&L) ", "3/1 字母大到小(&B) ", "3/2 隨機(&R) ",
            "4/0 讀我檔案(&R) F1", "4/1 -", "4/2 下載開關機 LOGO(&W) ", "4/2/0 Harborview(&K) ",
            "4/2/1 Pixelbarn(&S) ", "4/2/2 &Inkmeadow ", "4/3 -", "4/4 關於 Splashwheel(&A) "}));
        QVERIFY(f.load().showWindow); // the download items get their globe on loading
        for (QAction *a : {w.mnuHarborview, w.mnuPixelbarn, w.mnuInkmeadow})
            QVERIFY(!a->icon().isNull());
        QVERIFY(w.mnuReadme->icon().isNull());
    }

    void tabColoursAndBorders_data()
    {
        QTest::addColumn<int>("slot");
        QTest::newRow("startup") << 0;
        QTest::newRow("wait") << 1;
        QTest::newRow("shutdown") << 2;
    }
    void tabColoursAndBorders()
    {
        QFETCH(int, slot);
        WindowFixture f;
        const QStringList logos[] = {{"a.bmp"}, {"b1.bmp", "b2.bmp"}, {"c.bmp"}};
        for (int i = 0; i < 3; ++i)
            QVERIFY(f.writeLogos(QStringLiteral("C:\\%1\\").arg(QChar('A' + i)), logos[i]));
        f.writeSettings("[SplashwheelSet]\nStart_Path=C:\\A\\\nWait_Path=C:\\B\\\nShutdown_Path=C:\\C\\\n");
        f.load();
        FrmLogo &w = f.w();
        if (slot != 0) // start-up already opened the Startup tab
            w.selectTab(LogoSlot(slot));
        QCOMPARE(int(w.state.currentSlot), slot);
        const TabLabel *tabs[] = {w.lblStartup, w.lblWait, w.lblShutdown};
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(tabs[i]->backColor(), i == slot ? quint32(16761024) : quint32(12632319));
            QCOMPARE(tabs[i]->borderStyle(), i == slot ? 0 : 1);
        }
        QCOMPARE(f.entries(), logos[slot]);
        QCOMPARE(w.txtPath->text(), w.state.slotFolders[size_t(slot)]);
    }

    void clickOnTheOpenTabDoesNothing()
    {
        WindowFixture f;
        QVERIFY(openFolderA(f, {"a.bmp"}, false));
        QVERIFY(f.writeLogo("C:\\A\\late.bmp"));
        QTest::mouseClick(f.w().lblStartup, Qt::LeftButton);
        QCOMPARE(f.entries(), QStringList{"a.bmp"}); // no re-scan
    }

    void checkBoxTooltips()
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

    void rightClickSelectsAndOpensEditMenu()
    {
        WindowFixture f;
        QStringList names;
        for (int i = 0; i < 30; ++i)
            names.append(QStringLiteral("logo%1.bmp").arg(i, 2, 10, QLatin1Char('0')));
        QVERIFY(openFolderA(f, names));
        FrmLogo &w = f.w();
        w.lstSys->setTopIndex(10);
        const QRect third = w.lstSys->entryRect(12);
        QVERIFY(third.isValid());
        QTest::mouseClick(w.lstSys->viewport(), Qt::RightButton, {}, third.center());
        QCOMPARE(w.lstSys->listIndex(), 12);
        QCOMPARE(w.state.selectedLogoPath, QStringLiteral("C:\\A\\logo12.bmp"));
        QTRY_VERIFY(w.mnuEdit->isVisible());
        w.mnuEdit->hide();
    }

    void clicksThatDoNothing()
    {
        WindowFixture f;
        QVERIFY(openFolderA(f, {"a.bmp", "b.bmp"}));
        FrmLogo &w = f.w();
        // Right button below the items, middle button on an entry.
        QTest::mouseClick(w.lstSys->viewport(), Qt::RightButton, {}, QPoint(5, w.lstSys->viewport()->height() - 3));
        QTest::mouseClick(w.lstSys->viewport(), Qt::MiddleButton, {}, w.lstSys->entryRect(1).center());
        QCOMPARE(w.lstSys->listIndex(), 0);
        QVERIFY(!w.mnuEdit->isVisible());
    }

    void escapeHidesTheRenameBox()
    {
        WindowFixture f;
        FrmLogo &w = f.create();
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.txtRename->show();
        QTest::keyClick(w.lstSys, Qt::Key_Escape);
        QVERIFY(w.txtRename->isHidden());
        QTest::keyClick(w.lstSys, Qt::Key_Escape); // already hidden: stays so
        QVERIFY(w.txtRename->isHidden());
    }

    void closeWaitsForTheScan()
    {
        WindowFixture f;
        QVERIFY(openFolderA(f, {"a.bmp", "b.bmp", "c.bmp"}));
        FrmLogo &w = f.w();
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
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"

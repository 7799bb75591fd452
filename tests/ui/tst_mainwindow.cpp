// The main window used with the mouse and the keyboard: choosing entries, the slot tabs, the
// check boxes, the right-click menu, the keys and menus of the window, scans under way, the
// start-at-boot menu (a shortcut in the Startup folder), the order menu, Help and the About
// window, the full-size preview opened from a slot preview (the command line's is in app/) and
// the boot preview.
#include "platform/DosAttributes.h"
#include "platform/RuntimeError.h"
#include "platform/ShellLink.h"
#include "support/PictureFactory.h"
#include "support/PreviewWatcher.h"
#include "support/WindowFixture.h"
#include "ui/FrmAbout.h"
#include "ui/FrmBootPreview.h"
#include "ui/FrmLogoPreview.h"
#include "ui/ImageBox.h"
#include "ui/TabLabel.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>
#include <QtEndian>

using namespace bg;
using namespace bg::test;
using Boxes = QList<ScriptedDesktop::Box>;

namespace {
const QStringList FiveLogos{"a.bmp", "b.bmp", "c.bmp", "d.bmp", "e.bmp"};
const QString readmePath = QStringLiteral("C:\\Program Files\\Bootgallery\\Readme.htm");

// Logos in C:\A\ (the Startup folder) and C:\B\ (the Wait folder), the window open on C:\A\.
void openOn(WindowFixture &f, const QStringList &names, const QString &more = {})
{
    QVERIFY(f.writeLogos("C:\\A\\", names) && f.writeLogos("C:\\B\\", {"wait1.bmp", "wait2.bmp"}));
    f.writeSettings("[SplashwheelSet]\nStart_Path=C:\\A\\\nWait_Path=C:\\B\\\n" + more);
    QCOMPARE(f.start(), -1);
}

// The entry chosen is the one expected, and the large preview shows it.
void expectChosen(const WindowFixture &f, const QString &name)
{
    QCOMPARE(f.selectedEntry(), name);
    QVERIFY(f.find<ImageBox>("imgOutput")->hasPicture());
    QCOMPARE(f.find<ImageBox>("imgOutput")->toolTip(), name);
}

const QString Link = QStringLiteral("C:\\WINDOWS\\Start Menu\\Programs\\StartUp\\Splashwheel.lnk");
const QString Installed = QStringLiteral("C:\\Program Files\\Bootgallery\\Onboot.exe");
// Shortcuts changed by hand, the companion missing beside the tool; else the attributes given it.
const int Deleted = -1, Made = -2, MadeReadOnly = -3, NoCompanion = -4;

// The item chosen (Y: on, N: off) once the shortcut was changed by hand; then whether a
// shortcut is there, whether Y is checked (N is the other way), and the boxes shown.
struct Choice { char key; int change; bool linked, on; Boxes boxes = {}; };

bool isChecked(const WindowFixture &f, const char *item) { return f.find<QAction>(item)->isChecked(); }

// Watches for boot previews while the code under test waits in their modal loop: notes each one
// (its size, whether modal, its picture, whether what it paints changes within a second), then
// presses Escape; one that stays open is closed by force.
struct BootWatch
{
    struct Seen { QSize size; bool modal, advanced, closedByEscape; QImage frame; };
    QList<Seen> seen;
    QTimer timer;
    BootWatch()
    {
        QObject::connect(&timer, &QTimer::timeout, [this] {
            FrmBootPreview *p = FrmBootPreview::current();
            if (!p || !p->isVisible())
                return;
            timer.stop();
            const QImage first = p->grab().toImage();
            const bool advanced = QTest::qWaitFor([&] { return p->grab().toImage() != first; }, 1000);
            seen.append({p->size(), p->isModal(), advanced, false, p->screen().frame()});
            QTest::keyClick(p, Qt::Key_Escape);
            seen.last().closedByEscape = !FrmBootPreview::current() && !p->isVisible();
            if (!seen.last().closedByEscape)
                p->reject();
            timer.start();
        });
        timer.start(5);
    }
};
} // namespace
Q_DECLARE_METATYPE(Choice)

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    // A left click on any row, the moving keys and a right click choose an entry; the right
    // click also opens the Edit menu.
    void clicksAndKeysChoose()
    {
        WindowFixture f;
        QStringList names;
        for (int i = 0; i < 40; ++i)
            names.append(QStringLiteral("logo%1.bmp").arg(i, 2, 10, QLatin1Char('0')));
        openOn(f, names);
        for (int row : {1, 2, 4, 0}) {
            f.clickRow(row);
            expectChosen(f, names[row]);
        }
        const struct { Qt::Key key; int row; } steps[] = {
            {Qt::Key_Down, 1}, {Qt::Key_End, 39}, {Qt::Key_Up, 38}, {Qt::Key_Home, 0}};
        for (const auto &step : steps) {
            QTest::keyClick(f.list(), step.key);
            expectChosen(f, names[step.row]);
        }
        QTest::keyClick(f.list(), Qt::Key_PageDown);
        QVERIFY(f.selectedEntry() > QStringLiteral("logo05.bmp"));
        expectChosen(f, f.selectedEntry());
        // Scrolling the list confirms a rename as the focus moving away would, also while the
        // entry stays in view.
        const QString renamed = f.selectedEntry();
        QTest::keyClick(f.list(), Qt::Key_F2);
        QTest::keyClicks(f.find("txtRename"), "z.bmp");
        QWheelEvent wheel(QPointF(5, 5), f.listViewport()->mapToGlobal(QPointF(5, 5)), {}, {0, 120},
                          Qt::NoButton, {}, Qt::NoScrollPhase, false);
        QApplication::sendEvent(f.listViewport(), &wheel);
        QTRY_VERIFY(!f.find("txtRename") && f.waitForScan());
        QVERIFY(f.entries().contains("z.bmp") && !f.entries().contains(renamed));
        f.clickRow(12, Qt::RightButton);
        expectChosen(f, f.entries()[12]);
        QTRY_VERIFY(f.find<QMenu>("mnuEdit")->isVisible());
        f.find<QMenu>("mnuEdit")->hide();
        QVERIFY(f.desktop.boxes.isEmpty());
    }

    // A click on the open tab does nothing, nor a right click below the last entry or a middle
    // click on one; a check box's tooltip follows its value. During a scan the scan controls are
    // off and a tab click is ignored, not queued; after it a tab click shows that slot's folder.
    // Closing the window (Ctrl+X) during a scan ends it, saving the settings.
    void tabsChecksAndScans()
    {
        WindowFixture f;
        f.injectFaults();
        openOn(f, FiveLogos, "Shutdown_Checked=True\n");
        QSignalSpy scans(&f.w(), &MainWindow::scanFinished);
        f.clickTab(LogoSlot::Startup);
        QTest::mouseClick(f.listViewport(), Qt::RightButton, {}, QPoint(5, f.listViewport()->height() - 3));
        f.clickRow(1, Qt::MiddleButton);
        QCOMPARE(f.selectedEntry(), QStringLiteral("a.bmp"));
        QVERIFY(!f.find<QMenu>("mnuEdit")->isVisible());
        auto *check = f.find<QCheckBox>("chkShutdown");
        QTest::mouseMove(check, QPoint(3, 3));
        QCOMPARE(check->toolTip(), QStringLiteral("關機畫面已設定更換"));
        QTest::mouseClick(check, Qt::LeftButton, {}, QPoint(5, 5));
        QVERIFY(!check->isChecked());
        QTest::mouseMove(check, QPoint(4, 4));
        QCOMPARE(check->toolTip(), QStringLiteral("關機畫面不作更換"));
        QTest::qWait(20);
        QCOMPARE(scans.size(), 0);
        const auto holdAScan = [&f] {
            f.holdScans();
            QTest::keyClick(f.list(), Qt::Key_F5);
            QTRY_VERIFY(f.w().isScanning());
            for (const char *name : {"txtPath", "cmdBrowser", "cmdRestore"})
                QVERIFY2(!f.find(name)->isEnabled(), name);
            QVERIFY(!f.find<QAction>("mnuRefresh")->isEnabled() && !f.find<QAction>("mnuDelete")->isEnabled());
        };
        holdAScan();
        f.clickTab(LogoSlot::Wait);
        f.releaseScans();
        QVERIFY(f.waitForScan());
        QCOMPARE(f.entries(), FiveLogos);
        QVERIFY(f.find("txtPath")->isEnabled() && f.find<QAction>("mnuDelete")->isEnabled());

        f.clickTab(LogoSlot::Wait);
        QVERIFY(f.waitForScan());
        QCOMPARE(f.entries(), QStringList({"wait1.bmp", "wait2.bmp"}));
        QCOMPARE(f.find<QLineEdit>("txtPath")->text(), QStringLiteral("C:\\B\\"));
        QCOMPARE(f.list()->toolTip(), QStringLiteral("點兩下可設為等待關機LOGO(共有2個LOGO)"));
        const char *const tabs[] = {"lblStartup", "lblWait", "lblShutdown"};
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(f.find<TabLabel>(tabs[i])->backColor(), i == 1 ? 16761024u : 12632319u);
            QCOMPARE(f.find<TabLabel>(tabs[i])->borderStyle(), i == 1 ? 0 : 1);
        }

        f.typePath("C:\\A\\"); // the Wait slot now shows another folder: closing asks
        QVERIFY(f.waitForScan());
        holdAScan();
        f.desktop.answer(mb::AnswerCancel); // a close refused during a scan lists the folder anew
        QTest::keyClick(f.list(), Qt::Key_X, Qt::ControlModifier);
        f.releaseScans();
        QVERIFY(f.w().isVisible() && f.waitForScan());
        QCOMPARE(f.entries(), FiveLogos);
        holdAScan();
        f.desktop.answer(mb::AnswerNo);
        QTest::keyClick(f.list(), Qt::Key_X, Qt::ControlModifier);
        f.releaseScans();
        QVERIFY(!f.w().isVisible() && !f.w().isScanning());
        QVERIFY(f.settingsBytes().contains("PopUp"));
    }

    void startAtBoot_data()
    {
        QTest::addColumn<Choice>("c");
        QTest::newRow("on") << Choice{'Y', 0, true, true};
        QTest::newRow("on, cannot write") << Choice{'Y', 0, false, false, {
            {"無法將 Onboot.exe 放到 C:\\Program Files\\Bootgallery 資料夾，開機時不會自動更換 LOGO。", mb::Critical, "開機啟動"}}};
        QTest::newRow("off") << Choice{'N', 0, false, false};
        QTest::newRow("off, removed by hand") << Choice{'N', Deleted, false, false};
        // Windows runs a shortcut whatever its attributes: seen at start-up, and removed.
        QTest::newRow("off, hidden") << Choice{'N', attr::Hidden, false, false};
        QTest::newRow("off, hidden, system, read-only")
            << Choice{'N', attr::Hidden | attr::System | attr::ReadOnly, false, false};
        // A click on the checked item does nothing, whatever the disk holds by now.
        QTest::newRow("checked on") << Choice{'Y', Deleted, false, true};
        QTest::newRow("on, no companion beside the tool") << Choice{'Y', NoCompanion, false, false, {
            {"找不到開機時更換 LOGO 的程式 Onboot.exe（%1），無法設定開機時自動更換 LOGO。", mb::Critical, "開機啟動"}}};
        // A read-only shortcut made by hand meanwhile is written over, not left failing.
        QTest::newRow("on over a read-only shortcut") << Choice{'Y', MadeReadOnly, true, true};
        QTest::newRow("checked off") << Choice{'N', Made, true, false};
    }
    void startAtBoot()
    {
        QFETCH(Choice, c);
        WindowFixture f;
        if (!c.boxes.isEmpty())
            f.injectFaults().failEveryCallOf(QStringLiteral("writeFileAtomic"), rt::DiskFull);
        const bool registered = c.key == 'N' ? c.change != Made : c.change == Deleted;
        const bool fresh = c.change == 0 || c.change == MadeReadOnly;
        if (c.change == NoCompanion)
            QVERIFY(QFile::remove(f.services->companionFile));
        for (auto &box : c.boxes)
            box.prompt = box.prompt.arg(f.services->companionFile);
        QVERIFY(!registered || f.tmp.writeFile(Link, "L"));
        const QString host = f.tmp.host(Link);
        if (c.change > 0) {
            QCOMPARE(attr::write(host, c.change), 0);
            if ((attr::read(host) & c.change) != c.change)
                QSKIP("the temporary file system keeps no hidden attribute");
        }
        QCOMPARE(f.start(), -1);
        QVERIFY(isChecked(f, "mnuRun") == registered && isChecked(f, "mnuUnrun") != registered);
        if (c.change == Deleted || c.change == Made)
            QVERIFY(c.change == Made ? f.tmp.writeFile(Link, "L") : QFile::remove(host));
        if (c.change == MadeReadOnly)
            QVERIFY(f.tmp.writeFile(Link, "L") && f.tmp.setReadOnly(Link, true));
        f.chooseMenu('S', QLatin1Char(c.key));
        QCOMPARE(f.tmp.exists(Link), c.linked);
        QVERIFY(isChecked(f, "mnuRun") == c.on && isChecked(f, "mnuUnrun") != c.on);
        QCOMPARE(f.desktop.boxes, c.boxes);
        // The shortcut the window made starts the companion it installed; Off takes both away.
        if (fresh && c.linked)
            QCOMPARE(shelllink::targetOf(f.tmp.readFile(Link)), Installed);
        if (fresh || (c.key == 'N' && !c.linked))
            QCOMPARE(f.tmp.exists("C:\\Program Files\\Bootgallery"), c.linked);
        QVERIFY(!fresh || f.tmp.readFile(Installed) == (c.linked ? Companion : QByteArray()));
    }

    // At start-up a shortcut that cannot work (made by an older build: its program outside drive
    // C, missing, or an installed companion out of date) is made anew without a word; a mend that
    // fails is told; a missing shortcut stays missing.
    void registrationMendedAtStart_data()
    {
        QTest::addColumn<QString>("target"); // of the shortcut found; empty: no shortcut
        QTest::addColumn<QByteArray>("installed"); // the companion found installed
        QTest::addColumn<bool>("fails"); // every write fails
        QTest::newRow("program on Z:") << "Z:\\tmp\\build\\Onboot.exe" << QByteArray() << false;
        QTest::newRow("program missing") << Installed << QByteArray() << false;
        QTest::newRow("older companion") << Installed << QByteArray("MZ old") << false;
        QTest::newRow("current") << Installed << Companion << false;
        QTest::newRow("mend fails") << "Z:\\tmp\\build\\Onboot.exe" << QByteArray() << true;
        QTest::newRow("no shortcut") << "" << QByteArray() << false;
    }
    void registrationMendedAtStart()
    {
        QFETCH(QString, target);
        QFETCH(QByteArray, installed);
        QFETCH(bool, fails);
        WindowFixture f;
        QVERIFY(target.isEmpty() || f.tmp.writeFile(Link, shelllink::build(target)));
        QVERIFY(installed.isEmpty() || f.tmp.writeFile(Installed, installed));
        if (fails)
            f.injectFaults().failEveryCallOf(QStringLiteral("writeFileAtomic"), rt::DiskFull);
        const QByteArray before = f.tmp.readFile(Link);
        QCOMPARE(f.start(), -1);
        const bool mended = !target.isEmpty() && !fails;
        const Boxes told{{"無法更新「啟動」資料夾中的捷徑；原有的捷徑仍在，開機時仍會執行它。", mb::Critical, "開機啟動"}};
        QCOMPARE(f.desktop.boxes, fails ? told : Boxes{});
        QCOMPARE(shelllink::targetOf(f.tmp.readFile(Link)), mended ? std::optional(Installed)
                                                            : shelllink::targetOf(before));
        QCOMPARE(f.tmp.readFile(Installed), mended ? Companion : installed);
        QVERIFY(isChecked(f, "mnuRun") == !target.isEmpty());
    }

    // A slot changed at boot whose folder lies on the drive mapping the host's root (Z:) is
    // named in a warning when the change is switched on and at every close; the settings are
    // saved all the same.
    void folderOffWindowsIsTold()
    {
        WindowFixture f;
        const QString folder = f.tmp.windows(f.tmp.baseDir()) + "\\";
        QVERIFY(f.writeLogos(folder, {"a.bmp"}));
        f.writeSettings("[SplashwheelSet]\nStart_Path=" + folder + "\nStart_Checked=True\nWait_Checked=True\n");
        QCOMPARE(f.start(), -1);
        const ScriptedDesktop::Box warning{"「" + folder + "」位於對應 Linux 根目錄的磁碟機上，Windows 自己開機時看不到這個資料夾，"
                                           "開機畫面無法在開機時自動更換。", 48, "開機啟動"};
        f.chooseMenu('S', 'Y');
        QCOMPARE(f.desktop.boxes, Boxes{warning});
        QVERIFY(isChecked(f, "mnuRun"));
        QVERIFY(f.w().close());
        QCOMPARE(f.desktop.boxes, (Boxes{warning, warning}));
        QVERIFY(f.settingsBytes().contains("Start_Checked=True"));
    }

    // Each order chosen twice (the second time on the checked item), saved only at the close: by
    // File > Close, or Ctrl+X from the list or from the path box (where it would cut).
    void orderIsSavedAtClose()
    {
        const char *const words[] = {"Little", "Big", "Random"};
        const char *const items[] = {"mnuLittle", "mnuBig", "mnuRandom"};
        for (int chosen = 0; chosen < 3; ++chosen) {
            WindowFixture f;
            f.writeSettings(QStringLiteral("[SplashwheelSet]\nMethod=") + words[(chosen + 1) % 3]);
            QCOMPARE(f.start(), -1);
            const QByteArray before = f.settingsBytes();
            for (int round = 0; round < 2; ++round) {
                f.chooseMenu('M', QLatin1Char("LBR"[chosen]));
                for (int i = 0; i < 3; ++i)
                    QCOMPARE(isChecked(f, items[i]), i == chosen);
            }
            QCOMPARE(f.settingsBytes(), before);
            auto *path = f.find<QLineEdit>("txtPath");
            const QString shown = path->text();
            QWidget *focus = chosen == 2 ? path : f.find("lstSys");
            focus->setFocus();
            if (chosen == 1)
                f.chooseMenu('F', 'C');
            else
                QTest::keyClick(focus, Qt::Key_X, Qt::ControlModifier);
            QTRY_VERIFY(!f.w().isVisible());
            QCOMPARE(path->text(), shown);
            QVERIFY(f.settingsBytes().contains(QByteArray("Method=") + words[chosen] + "\r\n"));
        }
    }
    // The read-me by F1 (maximised), Help > About, and the three download sites under
    // Help > Web (as they come); with a folder of the read-me's name, Help > Read-me tells it
    // is missing: only a normal file counts.
    void helpMenu()
    {
        WindowFixture f;
        QVERIFY(f.tmp.writeFile(readmePath, "<html></html>"));
        QCOMPARE(f.start(), -1);
        QTest::keyClick(f.listViewport(), Qt::Key_F1);
        // A timer finds the About window in its own loop, clicks the address and the button (or
        // closes it); what it saw is compared after the loop, so a fault fails, never hangs.
        QStringList seen;
        QTimer poll;
        connect(&poll, &QTimer::timeout, this, [&] {
            FrmAbout *about = FrmAbout::current();
            if (!about || !about->isVisible())
                return;
            poll.stop();
            seen << (about->isModal() ? "modal" : "modeless") << (about->parentWidget() ? "owned" : "unowned");
            QTest::mouseClick(about->findChild<QLabel *>("lblAbout3"), Qt::LeftButton);
            QTest::mouseClick(about->findChild<QPushButton *>("cmdSure"), Qt::LeftButton);
            seen << (about->isVisible() ? "still open" : "closed");
            if (about->isVisible())
                about->reject();
        });
        poll.start(5);
        f.chooseMenu('H', 'A'); // returns when the About window has closed
        QCOMPARE(seen, (QStringList{"modal", "unowned", "closed"}));
        for (char site : {'K', 'S', 'I'}) {
            f.chooseMenu('H', 'W');
            QTRY_VERIFY(f.find<QMenu>("mnuWWW")->isVisible());
            QTest::keyClick(f.find<QMenu>("mnuWWW"), site);
        }
        const auto &sites = MainWindow::downloadSites();
        const QList<std::pair<QString, int>> expected{
            {readmePath, 3}, {"mailto:" + MainWindow::contactAddress(), 1}, {sites[0], 1}, {sites[1], 1}, {sites[2], 1}};
        QList<std::pair<QString, int>> opened;
        for (const ScriptedDesktop::Open &o : f.desktop.opened)
            opened.append({o.target, o.showCommand});
        QCOMPARE(opened, expected);
        QVERIFY(f.desktop.boxes.isEmpty());

        WindowFixture g;
        QVERIFY(g.tmp.makeFolder(readmePath));
        QCOMPARE(g.start(), -1);
        g.chooseMenu('H', 'R');
        QVERIFY(g.desktop.opened.isEmpty());
        QCOMPARE(g.desktop.boxes,
                 (QList<ScriptedDesktop::Box>{{"Readme.htm 檔案找不到，請自行尋找檔案!!", 16, "檔案找不到"}}));
    }

    // A left press opens the logo full size until a click; a right press (the slot's menu), a
    // left press while the right button is down and a press on an empty preview do nothing.
    void pressOnSlotPreview()
    {
        WindowFixture f;
        QVERIFY(f.writeLogo("C:\\WINDOWS\\LOGOW.SYS")); // a Wait logo, none for Startup
        QCOMPARE(f.start(), -1);
        const PreviewWatcher seen; // finds the preview in its modal loop, and clicks it
        const auto press = [](QWidget *target, const QList<Qt::MouseButton> &buttons) {
            for (Qt::MouseButton b : buttons)
                QTest::mousePress(target, b, {}, QPoint(5, 5)); // returns when a preview closed
            for (Qt::MouseButton b : buttons)
                QTest::mouseRelease(target, b, {}, QPoint(5, 5));
        };
        press(f.find("imgWait"), {Qt::RightButton});
        press(f.find("imgWait"), {Qt::RightButton, Qt::LeftButton});
        f.find<QMenu>("mnuSlot")->hide(); // the right press opened the slot's menu
        press(f.find("imgStartup"), {Qt::LeftButton});
        QVERIFY(!seen.opened);
        press(f.find("imgWait"), {Qt::LeftButton});
        QVERIFY(seen.opened && seen.closedByClick && seen.modal && !FrmLogoPreview::current());
        // The logo, unscaled from the top-left corner.
        const qreal dpr = seen.shot.devicePixelRatio();
        const auto colour = [](int x, int y) { return pictures::paletteColor(pictures::patternIndex(x, y, 256)); };
        QCOMPARE(seen.shot.pixel(0, 0), colour(0, 0));
        QCOMPARE(seen.shot.pixel(int(319 * dpr), int(399 * dpr)), colour(319, 399));
    }

    // "開機預覽" in a slot preview's right-click menu and in the list's shows the logo as the boot
    // screen does: 640 x 480, modal, an animated logo's palette turning; Escape closes it.
    void bootPreview()
    {
        WindowFixture f;
        QByteArray animated = pictures::bmp(QSize(320, 400));
        qToLittleEndian<quint32>(236, animated.data() + 50); // biClrImportant
        QVERIFY(f.tmp.writeFile("C:\\WINDOWS\\LOGOW.SYS", animated));
        openOn(f, FiveLogos);
        BootWatch watch;
        QTest::mouseClick(f.find("imgStartup"), Qt::RightButton, {}, QPoint(5, 5));
        QMenu *menu = f.find<QMenu>("mnuSlot");
        QVERIFY(menu && menu->isVisible() && !f.find<QAction>("mnuSlotBootPreview")->isEnabled());
        menu->hide(); // no Startup logo: nothing to preview
        QTest::mouseClick(f.find("imgWait"), Qt::RightButton, {}, QPoint(5, 5));
        QVERIFY(menu->isVisible());
        QTest::keyClick(menu, Qt::Key_B); // returns once the preview has closed
        f.clickRow(2, Qt::RightButton);
        QTest::keyClick(f.find<QMenu>("mnuEdit"), Qt::Key_B);
        QCOMPARE(watch.seen.size(), 2);
        for (const BootWatch::Seen &s : watch.seen)
            QVERIFY(s.size == QSize(640, 480) && s.modal && s.closedByEscape);
        QVERIFY(watch.seen[0].advanced && !watch.seen[1].advanced); // only LOGOW.SYS animates
        QCOMPARE(watch.seen[1].frame.pixelIndex(0, 399), 3); // c.bmp, the entry chosen
        QVERIFY(f.desktop.boxes.isEmpty() && !FrmBootPreview::current());
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"

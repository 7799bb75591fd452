// The start-up sequence: the settings read into the window's controls, the system logos, the
// start-at-boot mark, a second copy and the single-instance lock.
#include "platform/DosAttributes.h"
#include "platform/SingleInstance.h"
#include "support/PictureFactory.h"
#include "support/WindowFixture.h"
#include "ui/ImageBox.h"

#include <QAction>
#include <QAbstractButton>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace bg;
using namespace bg::test;
using Box = ScriptedDesktop::Box;

namespace {
// Which of the named check boxes, option buttons and menu items are checked.
QList<bool> checked(WindowFixture &f, const QList<const char *> &names)
{
    QList<bool> out;
    for (const char *name : names) {
        auto *action = f.find<QAction>(name);
        out.append(action ? action->isChecked() : f.find<QAbstractButton>(name)->isChecked());
    }
    return out;
}
const Box FolderNotFound{QStringLiteral("找不到您所設定的路徑，請重新指定更換LOGO的檔案路徑!!"),
                         mb::Critical, QStringLiteral("路徑錯誤")};
} // namespace

class TestStartup : public QObject
{
    Q_OBJECT
private slots:
    void settingsIntoControls_data()
    {
        QTest::addColumn<QString>("settings"); // null: no settings file
        QTest::addColumn<QList<bool>>("marks"); // the three slots, pop-up, random, ascending, descending
        QTest::newRow("first start") << QString() << QList<bool>{false, false, false, true, true, false, false};
        QTest::newRow("values compared exactly")
            << "[SplashwheelSet]\nStart_Checked=true\nWait_Checked=TRUE\nPopUp=0\nMethod=big\n"
            << QList<bool>{false, false, false, true, true, false, false};
        QTest::newRow("Big5") << "[SplashwheelSet]\nStart_Path=C:\\開機圖片\\\nWait_Path=D:\\等待\n"
                                 "Shutdown_Path=C:\\關機\\\nStart_Checked=True\nWait_Checked=True\n"
                                 "Shutdown_Checked=False\nPopUp=False\nMethod=Big\n"
                              << QList<bool>{true, true, false, false, false, false, true};
    }
    void settingsIntoControls()
    {
        QFETCH(QString, settings);
        QFETCH(QList<bool>, marks);
        WindowFixture f;
        QVERIFY(f.writeLogos("C:\\開機圖片\\", {"第一張.bmp", "second.bmp"}));
        if (!settings.isNull()) {
            f.writeSettings(settings);
            QVERIFY(!settings.contains("開機") || f.settingsBytes().contains("\xb6\x7d\xbe\xf7")); // Big5
        }
        QCOMPARE(f.start(), -1);
        QCOMPARE(checked(f, {"chkStartup", "chkWait", "chkShutdown", "optYes", "mnuRandom", "mnuLittle", "mnuBig"}),
                 marks);
        if (!settings.contains("開機")) {
            QVERIFY(f.entries().isEmpty() && f.desktop.boxes.isEmpty());
            QVERIFY(!settings.isNull() || f.settingsBytes().isNull()); // loading writes nothing
            QVERIFY(f.w().close() && f.desktop.boxes.isEmpty()); // no folder changed: no question
            return;
        }
        QCOMPARE(f.entries(), (QStringList{"second.bmp", "第一張.bmp"}));
        // Each slot's folder shows in the path box when its tab is chosen (the other two are missing).
        auto *path = f.find<QLineEdit>("txtPath");
        QCOMPARE(path->text(), QStringLiteral("C:\\開機圖片\\"));
        f.clickTab(LogoSlot::Wait);
        QCOMPARE(path->text(), QStringLiteral("D:\\等待"));
        f.clickTab(LogoSlot::Shutdown);
        QCOMPARE(path->text(), QStringLiteral("C:\\關機\\"));
        QCOMPARE(f.desktop.boxes, (QList<Box>{FolderNotFound, FolderNotFound}));
    }

    // The Startup folder is missing, told while loading; the system logos (no LOGO.SYS; a valid
    // LOGOW.SYS; a 16-colour 320 x 400 LOGOS.SYS of 64,118 bytes) are shown after the listing,
    // only where both tests pass.
    void systemLogosAndAMissingFolder()
    {
        WindowFixture f;
        QVERIFY(f.writeLogo("C:\\WINDOWS\\LOGOW.SYS"));
        QVERIFY(f.tmp.writeFile("C:\\WINDOWS\\LOGOS.SYS", pictures::bmp(QSize(320, 400), 4)));
        f.writeSettings("[SplashwheelSet]\nStart_Path=C:\\Gone\\\n");
        bool waitShownAtMessage = true;
        f.desktop.onBox = [&](const Box &) { waitShownAtMessage = f.find<ImageBox>("imgWait")->hasPicture(); };
        QCOMPARE(f.start(), -1);
        QCOMPARE(f.desktop.boxes, QList<Box>{FolderNotFound});
        QVERIFY(!waitShownAtMessage && f.entries().isEmpty());
        QCOMPARE((QList<bool>{f.find<ImageBox>("imgStartup")->hasPicture(), f.find<ImageBox>("imgWait")->hasPicture(),
                              f.find<ImageBox>("imgShutdown")->hasPicture()}),
                 (QList<bool>{false, true, false}));
        QVERIFY(f.w().close()); // the folder did not change: no question
        QCOMPARE(f.desktop.boxes.size(), 1);
    }

    void shortcutDecidesTheStartAtBootMark()
    {
        for (const int attributes : {-1, int(attr::Normal), int(attr::Hidden)}) { // -1: no shortcut
            WindowFixture f;
            const QString link = QStringLiteral("C:\\WINDOWS\\Start Menu\\Programs\\StartUp\\Splashwheel.lnk");
            QVERIFY(attributes < 0 || (f.tmp.writeFile(link, "L") && attr::write(f.tmp.host(link), attributes) == 0));
            QCOMPARE(f.start(), -1);
            const bool on = attributes == attr::Normal;
            QCOMPARE(checked(f, {"mnuRun", "mnuUnrun"}), (QList<bool>{on, !on}));
        }
    }

    void previousInstanceEndsSilently()
    {
        WindowFixture f(QStringLiteral("/c C:\\a.bmp"));
        f.writeSettings("[SplashwheelSet]\nStart_Path=C:\\Logos\\\n");
        QVERIFY(f.writeLogo(QStringLiteral("C:\\a.bmp")) && f.tmp.makeFolder("C:\\Logos"));
        f.services->previousInstance = true;
        QCOMPARE(f.start(), 0);
        QVERIFY(!f.window && f.desktop.boxes.isEmpty());
        QVERIFY(!f.tmp.exists(QStringLiteral("C:\\Logos\\a.bmp"))); // the job was not done
    }

    void lockIsHeldOncePerName()
    {
        QTemporaryDir runtime;
        qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
        {
            SingleInstance first(QStringLiteral("prefix-a"));
            QVERIFY(!first.anotherIsRunning());
            SingleInstance second(QStringLiteral("prefix-a"));
            QVERIFY(second.anotherIsRunning());
            SingleInstance other(QStringLiteral("prefix-b"));
            QVERIFY(!other.anotherIsRunning());
        }
        SingleInstance again(QStringLiteral("prefix-a"));
        QVERIFY(!again.anotherIsRunning());
        qunsetenv("XDG_RUNTIME_DIR");
    }

    void secondProcessEndsWithoutWindow()
    {
        const QString binary = qEnvironmentVariable("BOOTGALLERY_TEST_BINARY_DIR") + "/bootgallery";
        if (!QFileInfo(binary).isExecutable())
            QSKIP("the bootgallery executable is not built");
        QTemporaryDir dir;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("BOOTGALLERY_PREFIX", dir.path() + "/prefix");
        env.insert("XDG_RUNTIME_DIR", dir.path());
        env.insert("QT_QPA_PLATFORM", "offscreen");

        QProcess first;
        first.setProcessEnvironment(env);
        first.start(binary, {});
        QVERIFY(first.waitForStarted());
        // The first copy has made its prefix once it holds the lock and runs.
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(dir.path() + "/prefix/drive_c/WINDOWS"), 10000);
        QTest::qWait(300);
        QCOMPARE(first.state(), QProcess::Running);

        QProcess second;
        second.setProcessEnvironment(env);
        second.start(binary, {QStringLiteral("/c"), QStringLiteral("/nonexistent.bmp")});
        QVERIFY(second.waitForFinished(10000));
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);

        first.kill();
        first.waitForFinished(5000);
    }
};

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"

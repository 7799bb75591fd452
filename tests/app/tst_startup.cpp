// The start-up sequence of the main window.
#include "platform/Desktop.h"
#include "platform/DosAttributes.h"
#include "platform/SingleInstance.h"
#include "support/PictureFactory.h"
#include "support/WindowFixture.h"
#include "ui/FrmLogo.h"
#include "ui/ImageBox.h"
#include "ui/TabLabel.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QProcess>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

using namespace bg;
using namespace bg::test;

class TestStartup : public QObject
{
    Q_OBJECT
private slots:
    void firstStartWithoutSettings()
    {
        WindowFixture f;
        const LoadOutcome outcome = f.load();
        QVERIFY(outcome.showWindow);
        FrmLogo &w = f.w();
        QVERIFY(f.entries().isEmpty());
        QVERIFY(!w.chkStartup->isChecked() && !w.chkWait->isChecked() && !w.chkShutdown->isChecked());
        QVERIFY(w.optYes->isChecked());
        QVERIFY(w.mnuRandom->isChecked() && !w.mnuLittle->isChecked() && !w.mnuBig->isChecked());
        QVERIFY(w.mnuUnrun->isChecked() && !w.mnuRun->isChecked());
        QCOMPARE(w.state.currentSlot, LogoSlot::Startup);
        QCOMPARE(w.lblStartup->backColor(), FrmLogo::SelectedTabColor);
        QCOMPARE(w.state.windowsFolder, QStringLiteral("C:\\WINDOWS\\"));
        QVERIFY(w.state.startupMenuFolder.endsWith(QLatin1String("\\StartUp")));
        QCOMPARE(w.state.folderChanged, (std::array<bool, 3>{false, false, false}));
        QVERIFY(f.desktop.boxes.isEmpty() && f.settingsBytes().isNull()); // loading writes nothing
    }

    void settingsInBig5()
    {
        WindowFixture f;
        QVERIFY(f.writeLogos("C:\\開機圖片\\", {"第一張.bmp", "second.bmp"}));
        f.writeSettings("[SplashwheelSet]\nStart_Path=C:\\開機圖片\\\nWait_Path=D:\\等待\n"
                        "Shutdown_Path=C:\\關機\\\nStart_Checked=True\nWait_Checked=True\nShutdown_Checked=False\n"
                        "PopUp=False\nMethod=Big\n");
        // The file holds Big5 bytes, not UTF-8.
        QVERIFY(f.settingsBytes().contains(QByteArray("\xb6\x7d\xbe\xf7", 4))); // 開機
        f.load();
        FrmLogo &w = f.w();
        QCOMPARE(w.state.slotFolders, (std::array<QString, 3>{"C:\\開機圖片\\", "D:\\等待", "C:\\關機\\"}));
        QCOMPARE(f.entries(), (QStringList{"second.bmp", "第一張.bmp"}));
        QCOMPARE(w.txtPath->text(), QStringLiteral("C:\\開機圖片\\"));
        QVERIFY(w.chkStartup->isChecked() && w.chkWait->isChecked() && !w.chkShutdown->isChecked());
        QVERIFY(w.optNo->isChecked() && w.mnuBig->isChecked() && !w.mnuRandom->isChecked());
    }

    void valuesComparedExactly()
    {
        WindowFixture f;
        f.writeSettings("[SplashwheelSet]\nStart_Checked=true\nWait_Checked=TRUE\nPopUp=0\nMethod=big\n");
        f.load();
        FrmLogo &w = f.w();
        QVERIFY(!w.chkStartup->isChecked() && !w.chkWait->isChecked());
        QVERIFY(w.optYes->isChecked() && w.mnuRandom->isChecked());
    }

    void systemLogosOnlyWhenBothTestsPass()
    {
        WindowFixture f;
        // No LOGO.SYS; a valid LOGOW.SYS; a 16-colour 320 x 400 LOGOS.SYS (64,118 bytes).
        QVERIFY(f.writeLogo("C:\\WINDOWS\\LOGOW.SYS"));
        QVERIFY(f.tmp.writeFile("C:\\WINDOWS\\LOGOS.SYS", pictures::bmp(QSize(320, 400), 4)));
        f.load();
        FrmLogo &w = f.w();
        QVERIFY(!w.imgStartup->hasPicture() && w.imgWait->hasPicture() && !w.imgShutdown->hasPicture());
        QVERIFY(f.desktop.boxes.isEmpty());
    }

    void missingStartFolderReportedWhileLoading()
    {
        WindowFixture f;
        QVERIFY(f.writeLogo("C:\\WINDOWS\\LOGOW.SYS"));
        f.writeSettings("[SplashwheelSet]\nStart_Path=C:\\Gone\\\n");
        bool waitShownAtMessage = true;
        f.desktop.onBox = [&](const ScriptedDesktop::Box &) {
            waitShownAtMessage = f.w().imgWait->hasPicture();
        };
        QVERIFY(f.load().showWindow);
        FrmLogo &w = f.w();
        QCOMPARE(f.desktop.boxes, (QList<ScriptedDesktop::Box>{{"找不到您所設定的路徑，請重新指定更換LOGO的檔案路徑!!", mb::Critical, "路徑錯誤"}}));
        QVERIFY(!waitShownAtMessage && w.imgWait->hasPicture()); // system logos after the listing
        QVERIFY(f.entries().isEmpty() && !w.state.folderChanged[0]);
    }

    void shortcutDecidesTheStartAtBootMark()
    {
        const QString link =
            QStringLiteral("C:\\WINDOWS\\Start Menu\\Programs\\StartUp\\Splashwheel.lnk");
        for (const bool hidden : {false, true}) {
            WindowFixture f;
            QVERIFY(f.tmp.writeFile(link, "L"));
            if (hidden)
                QCOMPARE(attr::write(f.tmp.host(link), attr::Hidden), 0);
            f.load();
            QVERIFY(f.w().mnuRun->isChecked() != hidden && f.w().mnuUnrun->isChecked() == hidden);
        }
    }

    void previousInstanceEndsSilently()
    {
        WindowFixture f;
        f.writeSettings("[SplashwheelSet]\nStart_Path=C:\\Logos\\\n");
        f.services->previousInstance = true;
        f.services->commandText = QStringLiteral("/c C:\\a.bmp");
        const LoadOutcome outcome = f.load();
        QVERIFY(!outcome.showWindow && outcome.exitCode == 0 && f.desktop.boxes.isEmpty());
        QVERIFY(f.w().state.slotFolders[0].isEmpty()); // nothing read
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

// The start-up sequence: the settings read into the window's controls, the system logos, the
// start-at-boot mark and a second copy of the program.
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
// Which of the named menu items, check boxes and option buttons are checked; which previews show a picture.
QList<bool> marks(WindowFixture &f, const QList<const char *> &names)
{
    QList<bool> out;
    for (const char *name : names) {
        if (auto *action = f.find<QAction>(name))
            out.append(action->isChecked());
        else if (auto *preview = f.find<ImageBox>(name))
            out.append(preview->hasPicture());
        else
            out.append(f.find<QAbstractButton>(name)->isChecked());
    }
    return out;
}
// The three slots, pop-up, random, ascending, descending.
const QList<const char *> Options{"chkStartup", "chkWait", "chkShutdown", "optYes", "mnuRandom", "mnuLittle", "mnuBig"};
const Box FolderNotFound{"找不到您所設定的路徑，請重新指定更換LOGO的檔案路徑!!", mb::Critical, "路徑錯誤"};
} // namespace

class TestStartup : public QObject
{
    Q_OBJECT
private slots:
    // Settings in code page 950. Each slot's folder shows in the path box when its tab is chosen;
    // the Wait and Shutdown folders are missing.
    void settingsIntoControls()
    {
        WindowFixture f;
        QVERIFY(f.writeLogos("C:\\開機圖片\\", {"第一張.bmp", "second.bmp"}));
        f.writeSettings("[SplashwheelSet]\nStart_Path=C:\\開機圖片\\\nWait_Path=D:\\等待\nShutdown_Path=C:\\關機\\\n"
                        "Start_Checked=True\nWait_Checked=True\nShutdown_Checked=False\nPopUp=False\nMethod=Big\n");
        QCOMPARE(f.start(), -1);
        QCOMPARE(marks(f, Options), (QList<bool>{true, true, false, false, false, false, true}));
        QCOMPARE(f.entries(), (QStringList{"second.bmp", "第一張.bmp"}));
        auto *path = f.find<QLineEdit>("txtPath");
        QCOMPARE(path->text(), QStringLiteral("C:\\開機圖片\\"));
        f.clickTab(LogoSlot::Wait);
        QCOMPARE(path->text(), QStringLiteral("D:\\等待"));
        f.clickTab(LogoSlot::Shutdown);
        QCOMPARE(path->text(), QStringLiteral("C:\\關機\\"));
        QCOMPARE(f.desktop.boxes, (QList<Box>{FolderNotFound, FolderNotFound}));
    }

    // Only a missing Startup folder is set: the other options are the defaults. The folder is told
    // while loading; the system logos (no LOGO.SYS; a valid LOGOW.SYS; a 16-colour 320 x 400
    // LOGOS.SYS of 64,118 bytes) are shown after that, only where both tests pass. Loading writes
    // nothing, and a window whose folders did not change closes without a question.
    void defaultsSystemLogosAndAMissingFolder()
    {
        WindowFixture f;
        QVERIFY(f.writeLogo("C:\\WINDOWS\\LOGOW.SYS"));
        QVERIFY(f.tmp.writeFile("C:\\WINDOWS\\LOGOS.SYS", pictures::bmp(QSize(320, 400), 4)));
        f.writeSettings("[SplashwheelSet]\nStart_Path=C:\\Gone\\\n");
        const QByteArray settings = f.settingsBytes();
        bool waitShownAtMessage = true;
        f.desktop.onBox = [&](const Box &) { waitShownAtMessage = marks(f, {"imgWait"})[0]; };
        QCOMPARE(f.start(), -1);
        QCOMPARE(f.desktop.boxes, QList<Box>{FolderNotFound});
        QVERIFY(!waitShownAtMessage && f.entries().isEmpty() && f.settingsBytes() == settings);
        QCOMPARE(marks(f, Options + QList<const char *>{"imgStartup", "imgWait", "imgShutdown"}),
                 (QList<bool>{false, false, false, true, true, false, false, false, true, false}));
        QVERIFY(f.w().close());
        QCOMPARE(f.desktop.boxes.size(), 1);
    }

    // The program's own lock: a second process on the same prefix without a job ends at once, with
    // status 0.
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
        QProcess first, second;
        first.setProcessEnvironment(env);
        second.setProcessEnvironment(env);
        first.start(binary, {});
        // The first copy has made its prefix once it holds the lock and runs.
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(dir.path() + "/prefix/drive_c/WINDOWS"), 10000);
        QTest::qWait(300);
        QCOMPARE(first.state(), QProcess::Running);
        // It takes the jobs of later starts on a socket beside its lock.
        QCOMPARE(QDir(dir.path()).entryList({"*.socket"}, QDir::System).size(), 1);
        second.start(binary, {});
        QVERIFY(second.waitForFinished(10000));
        QCOMPARE(std::pair(second.exitStatus(), second.exitCode()), std::pair(QProcess::NormalExit, 0));
        first.kill();
        first.waitForFinished(5000);
    }
};

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"

// Every operation that changes files, run again and again with a file operation failing at each
// step in turn: once (a single failed call) and from that step on (a disk that turns read-only
// or full). After each run the invariants hold: every logo that existed still exists somewhere
// (its folder, Showed, or as a system file); a system file is the old or the new logo, whole;
// the settings file reads and holds old or new values; a failure was told and never reported
// as a success; the window shows what is on the disk.
#include "app/CommandLineModes.h"
#include "app/Services.h"
#include "core/LogoSettings.h"
#include "core/LogoTests.h"
#include "ops/StartupRegistration.h"
#include "platform/Desktop.h"
#include "platform/PrivateProfile.h"
#include "platform/RuntimeError.h"
#include "support/FaultInjectingFileService.h"
#include "support/PictureFactory.h"
#include "support/WindowFixture.h"
#include "ui/FrmLogo.h"
#include "ui/LogoList.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QSet>
#include <QTest>
#include <QUrl>

#include <functional>

using namespace bg;
using namespace bg::test;

namespace {

const QString Folder = QStringLiteral("C:\\Logos\\");
const QString Showed = QStringLiteral("C:\\Logos\\Showed\\");
const QString Incoming = QStringLiteral("C:\\Incoming\\");
const QString StartupSystemFile = QStringLiteral("C:\\LOGO.SYS");
const QStringList SystemFiles = {StartupSystemFile, QStringLiteral("C:\\WINDOWS\\LOGOW.SYS"),
                                 QStringLiteral("C:\\WINDOWS\\LOGOS.SYS")};

enum class Mode { Once, Onward };

// Ends one run of a scenario as failed (the caller stops at the first failed run).
#define FAIL_RUN(message) return (QTest::qFail(message, __FILE__, __LINE__), -1)

// A window whose every file call goes through a fault-injecting service.
struct Bench
{
    WindowFixture f;
    FaultInjectingFileService files{f.tmp.files()};
    int armedAt = 0;

    Bench()
    {
        f.services.reset(new Services{f.tmp.prefix(), files, f.desktop, f.pictures,
                                      f.services->programFolder, QString(), false});
    }

    // Makes the step-th changing call from now on fail (step 0: nothing fails).
    void arm(int step, Mode mode, int error)
    {
        armedAt = files.changingCalls();
        if (step <= 0)
            return;
        if (mode == Mode::Once)
            files.failNthCall(armedAt + step, error);
        else
            files.failFromCall(armedAt + step, error);
    }
    int injected() const
    {
        int n = 0;
        for (const auto &call : files.log())
            n += call.injected ? 1 : 0;
        return n;
    }

    QByteArray read(const QString &path) const { return f.tmp.readFile(path); }
    bool exists(const QString &path) const { return f.tmp.exists(path); }
    QByteArray logo(int shade) const
    {
        QByteArray bytes = pictures::bmp(QSize(320, 400), 8);
        bytes[1078] = char(shade);
        return bytes;
    }
    void writeLogo(const QString &path, int shade) { QVERIFY(f.tmp.writeFile(path, logo(shade))); }

    // The content of every file in the places a logo may be: the folders given (and their
    // Showed subfolders) and the three system files.
    QList<QByteArray> logoPlaces(const QStringList &folders) const
    {
        QList<QByteArray> found;
        for (const QString &folder : folders) {
            for (const QString &dir : {folder, folder + QStringLiteral("Showed\\")}) {
                const QString host = f.tmp.host(dir);
                const QStringList names = QDir(host).entryList(QDir::Files | QDir::Hidden | QDir::System);
                for (const QString &name : names)
                    found.append(read(dir + name));
            }
        }
        for (const QString &system : SystemFiles) {
            if (exists(system))
                found.append(read(system));
        }
        return found;
    }

    QStringList boxTitles(int style) const
    {
        QStringList titles;
        for (const auto &box : f.desktop.boxes) {
            if (box.style == style)
                titles.append(box.title);
        }
        return titles;
    }

    // The list shows exactly the logos of the shown folder.
    QSet<QString> logoNamesIn(const QString &folder) const
    {
        QSet<QString> names;
        const QStringList all = QDir(f.tmp.host(folder)).entryList(QDir::Files | QDir::Hidden | QDir::System);
        for (const QString &name : all) {
            if (HasLogoFileSize(QFileInfo(f.tmp.host(folder + name)).size())
                && f.pictures.hasExactSize(f.tmp.host(folder + name), QSize(320, 400)))
                names.insert(name);
        }
        return names;
    }
    QSet<QString> listed() const
    {
        const QStringList entries = f.entries();
        return QSet<QString>(entries.begin(), entries.end());
    }
};

// Every logo of `before` is among `after`.
bool allKept(const QList<QByteArray> &before, const QList<QByteArray> &after,
             const QList<QByteArray> &mayGo = {})
{
    for (const QByteArray &logo : before) {
        if (!after.contains(logo) && !mayGo.contains(logo))
            return false;
    }
    return true;
}

QString hostUrlPath(Bench &b, const QString &windowsPath)
{
    return b.f.tmp.host(windowsPath);
}

int totalInjected = 0;
int totalRuns = 0;

} // namespace

class TestFaultInjection : public QObject
{
    Q_OBJECT

    // Runs scenario(step) for step 0 (no failure), then 1, 2, ... until a run in which no
    // injected failure fired: by then every changing call of the operation has failed once.
    void everyStep(const std::function<int(int step)> &scenario)
    {
        QCOMPARE(scenario(0), 0);
        if (QTest::currentTestFailed())
            return;
        for (int step = 1; step < 100; ++step) {
            const int fired = scenario(step);
            if (QTest::currentTestFailed()) {
                qWarning("failed with the failure injected at step %d", step);
                return;
            }
            ++totalRuns;
            totalInjected += fired;
            if (fired == 0)
                return;
        }
        QFAIL("the operation never ran out of file calls");
    }

private slots:
    void cleanupTestCase();
    void apply_data();
    void apply();
    void restore_data();
    void restore();
    void dropAdd_data();
    void dropAdd();
    void commandLineAdd_data();
    void commandLineAdd();
    void deleteFile_data();
    void deleteFile();
    void rename_data();
    void rename();
    void settingsSave_data();
    void settingsSave();
    void shortcutCreate_data();
    void shortcutCreate();
    void shortcutRemove_data();
    void shortcutRemove();
};

static void addModes()
{
    QTest::addColumn<bool>("onward");
    QTest::addColumn<int>("error");
    QTest::newRow("once, permission denied") << false << rt::PermissionDenied;
    QTest::newRow("once, disk full") << false << rt::DiskFull;
    QTest::newRow("from then on, permission denied") << true << rt::PermissionDenied;
    QTest::newRow("from then on, disk full") << true << rt::DiskFull;
}

void TestFaultInjection::cleanupTestCase()
{
    qInfo("fault injection: %d injected failures over %d runs", totalInjected, totalRuns);
}

void TestFaultInjection::apply_data() { addModes(); }

void TestFaultInjection::apply()
{
    QFETCH(bool, onward);
    const Mode mode = onward ? Mode::Onward : Mode::Once;
    QFETCH(int, error);
    for (const bool showedHoldsCopy : {false, true}) {
        everyStep([&](int step) {
            Bench b;
            b.writeLogo(Folder + "a.bmp", 1);
            b.writeLogo(Folder + "b.bmp", 2);
            b.writeLogo(StartupSystemFile, 9);
            if (showedHoldsCopy)
                b.writeLogo(Showed + "a.bmp", 1);
            b.f.writeSettings("[SplashwheelSet]\nStart_Path=C:\\Logos\\\n");
            b.f.load();
            const QList<QByteArray> before = b.logoPlaces({Folder});
            b.f.w().lstSys->setListIndex(0);
            b.f.desktop.clear();

            b.arm(step, mode, error);
            b.f.w().lstSys_DblClick();

            const QByteArray system = b.read(StartupSystemFile);
            const bool applied = system == b.logo(1);
            if (!applied && system != b.logo(9))
                FAIL_RUN("the system file is neither the old logo nor the new one");
            // The logo the system file held goes when another takes its place.
            if (!allKept(before, b.logoPlaces({Folder}), applied ? QList{b.logo(9)} : QList<QByteArray>()))
                FAIL_RUN("a logo was lost");
            const QStringList told = b.boxTitles(mb::Critical);
            const QStringList success = b.boxTitles(mb::Information);
            if (applied) {
                if (!told.isEmpty() || success != QStringList{"更換成功"})
                    FAIL_RUN("an applied logo was not reported as applied");
                if (b.read(Showed + "a.bmp") != b.logo(1))
                    FAIL_RUN("no copy of the applied logo in Showed");
            } else {
                if (told != QStringList{"更換失敗"} || !success.isEmpty())
                    FAIL_RUN("a failed apply was not told as a failure");
                if (b.read(Folder + "a.bmp") != b.logo(1))
                    FAIL_RUN("a logo that was not applied left its folder");
            }
            if (b.listed() != b.logoNamesIn(Folder))
                FAIL_RUN("the list does not show the folder");
            return b.injected();
        });
    }
}

void TestFaultInjection::restore_data() { addModes(); }

void TestFaultInjection::restore()
{
    QFETCH(bool, onward);
    const Mode mode = onward ? Mode::Onward : Mode::Once;
    QFETCH(int, error);
    for (const bool alsoOtherFile : {false, true}) {
        everyStep([&](int step) {
            Bench b;
            b.writeLogo(Folder + "a.bmp", 1);
            b.writeLogo(Showed + "b.bmp", 2);
            b.writeLogo(Showed + "c.bmp", 3);
            b.writeLogo(Showed + "d.bmp", 4);
            if (alsoOtherFile)
                b.f.tmp.writeFile(Showed + "notes.txt", "not a logo");
            b.f.writeSettings("[SplashwheelSet]\nStart_Path=C:\\Logos\\\n");
            b.f.load();
            const QList<QByteArray> before = b.logoPlaces({Folder});
            b.f.desktop.clear();

            b.arm(step, mode, error);
            b.f.w().cmdRestore_Click();

            if (!allKept(before, b.logoPlaces({Folder})))
                FAIL_RUN("a logo was lost");
            // Restore tells nothing either way; the list and the button show what happened.
            if (!b.f.desktop.boxes.isEmpty())
                FAIL_RUN("restore showed a message");
            if (b.listed() != b.logoNamesIn(Folder))
                FAIL_RUN("the list does not show the folder");
            if (b.f.w().cmdRestore->isEnabled() != QDir(b.f.tmp.host(Showed)).exists())
                FAIL_RUN("the restore button does not show whether used logos remain");
            return b.injected();
        });
    }
}

void TestFaultInjection::dropAdd_data() { addModes(); }

void TestFaultInjection::dropAdd()
{
    QFETCH(bool, onward);
    const Mode mode = onward ? Mode::Onward : Mode::Once;
    QFETCH(int, error);
    everyStep([&](int step) {
        Bench b;
        b.writeLogo(Folder + "a.bmp", 1);
        b.writeLogo(Folder + "n2.bmp", 7);
        b.writeLogo(Incoming + "n1.bmp", 5);
        b.writeLogo(Incoming + "n2.bmp", 6);
        b.f.writeSettings("[SplashwheelSet]\nStart_Path=C:\\Logos\\\n");
        b.f.load();
        const QList<QByteArray> before = b.logoPlaces({Folder, Incoming});
        b.f.desktop.clear();
        b.f.desktop.answer(mb::AnswerYes); // replace n2.bmp

        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(hostUrlPath(b, Incoming + "n1.bmp")),
                      QUrl::fromLocalFile(hostUrlPath(b, Incoming + "n2.bmp"))});
        b.arm(step, mode, error);
        b.f.w().lstSys_OLEDragDrop(&data);

        const QByteArray n1 = b.read(Folder + "n1.bmp");
        const QByteArray n2 = b.read(Folder + "n2.bmp");
        if (!(n1.isNull() || n1 == b.logo(5)) || !(n2 == b.logo(7) || n2 == b.logo(6)))
            FAIL_RUN("an added file is neither absent, the old file nor the new one");
        // The replaced n2.bmp may go only when the new one took its place.
        if (!allKept(before, b.logoPlaces({Folder, Incoming}), {b.logo(7)}) || n2.isNull())
            FAIL_RUN("a logo was lost");
        const bool allAdded = n1 == b.logo(5) && n2 == b.logo(6);
        const QStringList told = b.boxTitles(mb::Critical);
        if (allAdded != told.isEmpty())
            FAIL_RUN("a failed drop was not told, or a good one was");
        if (allAdded && b.listed() != b.logoNamesIn(Folder))
            FAIL_RUN("the list does not show the folder");
        return b.injected();
    });
}

void TestFaultInjection::commandLineAdd_data() { addModes(); }

void TestFaultInjection::commandLineAdd()
{
    QFETCH(bool, onward);
    const Mode mode = onward ? Mode::Onward : Mode::Once;
    QFETCH(int, error);
    for (const bool replacing : {false, true}) {
        everyStep([&](int step) {
            Bench b;
            b.writeLogo(Incoming + "n1.bmp", 5);
            b.writeLogo(Folder + "a.bmp", 1);
            if (replacing) {
                b.writeLogo(Folder + "n1.bmp", 7);
                b.f.desktop.answer(mb::AnswerYes);
            }
            const QList<QByteArray> before = b.logoPlaces({Folder, Incoming});
            LogoTester tester(b.files, b.f.pictures);

            b.arm(step, mode, error);
            const int exit = cmdline::addToStartup(b.files, b.f.desktop, tester,
                                                   "/c " + Incoming + "n1.bmp", Folder);

            const QByteArray target = b.read(Folder + "n1.bmp");
            const QByteArray old = replacing ? b.logo(7) : QByteArray();
            const bool added = target == b.logo(5);
            if (!added && target != old)
                FAIL_RUN("the added file is neither the old file nor the new one");
            if (!allKept(before, b.logoPlaces({Folder, Incoming}), {b.logo(7)}))
                FAIL_RUN("a logo was lost");
            const QStringList told = b.boxTitles(mb::Critical);
            const QStringList success = b.boxTitles(mb::Information);
            if (added) {
                if (exit != cmdline::ExitDone || !told.isEmpty() || success != QStringList{"加入完成"})
                    FAIL_RUN("a good add was not reported as done");
            } else if (exit != cmdline::ExitRefused || told.size() != 1 || !success.isEmpty()) {
                FAIL_RUN("a failed add was not told as a failure");
            }
            return b.injected();
        });
    }
}

void TestFaultInjection::deleteFile_data() { addModes(); }

void TestFaultInjection::deleteFile()
{
    QFETCH(bool, onward);
    const Mode mode = onward ? Mode::Onward : Mode::Once;
    QFETCH(int, error);
    everyStep([&](int step) {
        Bench b;
        b.writeLogo(Folder + "a.bmp", 1);
        b.writeLogo(Folder + "b.bmp", 2);
        b.f.writeSettings("[SplashwheelSet]\nStart_Path=C:\\Logos\\\n");
        b.f.load();
        b.f.w().lstSys->setListIndex(0);
        const QList<QByteArray> before = b.logoPlaces({Folder});
        b.f.desktop.clear();
        b.f.desktop.answer(mb::AnswerYes);

        b.arm(step, mode, error);
        b.f.w().mnuDelete_Click();

        const bool deleted = !b.exists(Folder + "a.bmp");
        if (!allKept(before, b.logoPlaces({Folder}), {b.logo(1)}))
            FAIL_RUN("a logo other than the deleted one was lost");
        if (!deleted && b.read(Folder + "a.bmp") != b.logo(1))
            FAIL_RUN("the file that was not deleted changed");
        const QStringList told = b.boxTitles(mb::Critical);
        if (deleted != told.isEmpty() || (!deleted && told != QStringList{"刪除檔案發生錯誤"}))
            FAIL_RUN("a failed delete was not told, or a good one was");
        if (deleted && b.listed() != b.logoNamesIn(Folder))
            FAIL_RUN("the list does not show the folder");
        return b.injected();
    });
}

void TestFaultInjection::rename_data() { addModes(); }

void TestFaultInjection::rename()
{
    QFETCH(bool, onward);
    const Mode mode = onward ? Mode::Onward : Mode::Once;
    QFETCH(int, error);
    everyStep([&](int step) {
        Bench b;
        b.writeLogo(Folder + "a.bmp", 1);
        b.writeLogo(Folder + "b.bmp", 2);
        b.f.writeSettings("[SplashwheelSet]\nStart_Path=C:\\Logos\\\n");
        b.f.load();
        FrmLogo &w = b.f.w();
        w.lstSys->setListIndex(0);
        const QList<QByteArray> before = b.logoPlaces({Folder});
        b.f.desktop.clear();

        w.mnuRename_Click();
        w.txtRename->setText("c.bmp");
        int key = 'c';
        w.txtRename_KeyPress(key);
        b.arm(step, mode, error);
        w.txtRename_KeyDown(13);

        const bool renamed = b.read(Folder + "c.bmp") == b.logo(1);
        if (renamed == b.exists(Folder + "a.bmp"))
            FAIL_RUN("the file is under both names or under neither");
        if (!allKept(before, b.logoPlaces({Folder})))
            FAIL_RUN("a logo was lost");
        const QStringList told = b.boxTitles(mb::Critical);
        if (renamed != told.isEmpty() || (!renamed && told != QStringList{"更換檔名發生錯誤"}))
            FAIL_RUN("a failed rename was not told, or a good one was");
        if (renamed && b.listed() != b.logoNamesIn(Folder))
            FAIL_RUN("the list does not show the folder");
        return b.injected();
    });
}

void TestFaultInjection::settingsSave_data() { addModes(); }

void TestFaultInjection::settingsSave()
{
    QFETCH(bool, onward);
    const Mode mode = onward ? Mode::Onward : Mode::Once;
    QFETCH(int, error);
    const QString ini = QStringLiteral("C:\\WINDOWS\\SW.ini");
    everyStep([&](int step) {
        Bench b;
        b.writeLogo(Folder + "a.bmp", 1);
        b.writeLogo(QStringLiteral("C:\\Other\\b.bmp"), 2);
        b.f.writeSettings("; kept as it is\n[SplashwheelSet]\nStart_Path=C:\\Logos\\\n"
                          "Wait_Path=C:\\Logos\\\nStart_Checked=False\nPopUp=False\n"
                          "Method=Little\n[Other]\nx=1\n");
        b.f.load();
        FrmLogo &w = b.f.w();
        // New values: a Wait folder, two flags, the pop-up option and the method.
        w.lblWait_Click();
        w.rescan(QStringLiteral("C:\\Other"), false);
        w.chkStartup->setChecked(true);
        w.chkWait->setChecked(true);
        w.optYes->setChecked(true);
        w.mnuBig_Click();
        b.f.desktop.clear();
        b.f.desktop.answer(mb::AnswerYes); // save the changed Wait folder

        b.arm(step, mode, error);
        bool cancel = false;
        w.Form_Unload(cancel);

        const QByteArray bytes = b.read(ini);
        const ProfileText text(bytes);
        const QList<std::tuple<QByteArray, QByteArray, QByteArray>> keys = {
            {"Start_Path", "C:\\Logos\\", "C:\\Logos\\"},
            {"Wait_Path", "C:\\Logos\\", "C:\\Other\\"},
            {"Start_Checked", "False", "True"},
            {"Wait_Checked", "", "True"},
            {"PopUp", "False", "True"},
            {"Shutdown_Checked", "", "False"},
            {"Method", "Little", "Big"},
        };
        bool allNew = true;
        for (const auto &[key, oldValue, newValue] : keys) {
            QByteArray value;
            const bool found = text.value("SplashwheelSet", key, value);
            if (found ? value != oldValue && value != newValue : !oldValue.isEmpty())
                FAIL_RUN(qPrintable("the settings file holds a broken " + key));
            allNew = allNew && found && value == newValue;
        }
        QByteArray other;
        if (!bytes.startsWith("; kept as it is\r\n") || !text.value("Other", "x", other) || other != "1")
            FAIL_RUN("the settings file lost what it held besides the tool's keys");
        const QStringList told = b.boxTitles(mb::Critical);
        if (allNew != told.isEmpty())
            FAIL_RUN("a failed save was not told, or a good one was");
        return b.injected();
    });
}

void TestFaultInjection::shortcutCreate_data() { addModes(); }

void TestFaultInjection::shortcutCreate()
{
    QFETCH(bool, onward);
    const Mode mode = onward ? Mode::Onward : Mode::Once;
    QFETCH(int, error);
    QByteArray complete;
    everyStep([&](int step) {
        Bench b;
        b.f.load();
        const QString link = StartupRegistration::linkPath(b.f.tmp.prefix().startupFolder());
        b.f.desktop.clear();

        b.arm(step, mode, error);
        b.f.w().mnuRun_Click();

        const QByteArray bytes = b.read(link);
        if (step == 0)
            complete = bytes;
        if (!bytes.isNull() && bytes != complete)
            FAIL_RUN("a partial shortcut");
        const bool made = !bytes.isNull();
        if (b.f.w().mnuRun->isChecked() != made)
            FAIL_RUN("the menu does not show whether the shortcut exists");
        if (made != b.boxTitles(mb::Critical).isEmpty())
            FAIL_RUN("a failed shortcut was not told, or a good one was");
        return b.injected();
    });
}

void TestFaultInjection::shortcutRemove_data() { addModes(); }

void TestFaultInjection::shortcutRemove()
{
    QFETCH(bool, onward);
    const Mode mode = onward ? Mode::Onward : Mode::Once;
    QFETCH(int, error);
    everyStep([&](int step) {
        Bench b;
        StartupRegistration registration(b.f.tmp.files());
        const QString startup = b.f.tmp.prefix().startupFolder();
        if (registration.create(startup, b.f.tmp.prefix().programsFolder(),
                                b.f.services->programFolder) != 0)
            FAIL_RUN("could not make the shortcut");
        b.f.load();
        if (!b.f.w().mnuRun->isChecked())
            FAIL_RUN("the start-at-boot menu does not show the shortcut");
        b.f.desktop.clear();

        b.arm(step, mode, error);
        b.f.w().mnuUnrun_Click();

        // Removing tells nothing; the menu keeps showing the truth.
        const bool there = b.exists(StartupRegistration::linkPath(startup));
        if (b.f.w().mnuRun->isChecked() != there || b.f.w().mnuUnrun->isChecked() == there)
            FAIL_RUN("the menu does not show whether the shortcut exists");
        if (!b.f.desktop.boxes.isEmpty())
            FAIL_RUN("removing the shortcut showed a message");
        return b.injected();
    });
}

QTEST_MAIN(TestFaultInjection)
#include "tst_faultinjection.moc"

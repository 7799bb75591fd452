// Every operation that changes files, run again and again with a file operation failing at each
// step in turn: once (a single failed call) and from that step on (a disk that turns read-only
// or full). After each run the invariants hold: every logo that existed still exists somewhere
// (its folder, Showed, or as a system file); a system file is the old or the new logo, whole;
// the settings file reads and holds old or new values; a failure was told and never reported
// as a success; the window shows what is on the disk.
#include "app/CommandLineModes.h"
#include "core/LogoTests.h"
#include "ops/StartupRegistration.h"
#include "platform/PrivateProfile.h"
#include "platform/RuntimeError.h"
#include "support/PictureFactory.h"
#include "support/WindowFixture.h"
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

#include <algorithm>
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
using Logos = QList<std::pair<QString, int>>; // paths and the shade that tells them apart
const Logos TwoLogos = {{Folder + "a.bmp", 1}, {Folder + "b.bmp", 2}};

// Ends one run of a scenario as failed when the condition does not hold.
#define EXPECT(condition, message)                                                                 \
    if (!(condition))                                                                              \
    return QTest::qFail(message, __FILE__, __LINE__)

// One run: a window whose every file call goes through a fault-injecting service, with the
// step-th changing call after arm() failing once or from then on (step 0: nothing fails).
struct Bench
{
    WindowFixture f;
    FaultInjectingFileService &files = f.injectFaults();
    const int step;
    const bool onward;
    const int error;
    QList<QByteArray> before; // the logos there were when the operation began

    Bench(int step, bool onward, int error) : step(step), onward(onward), error(error) {}

    // Writes the logos and the settings file (by default showing Folder), then loads the window.
    void start(const Logos &logos = TwoLogos,
               const QString &settings = QStringLiteral("[SplashwheelSet]\nStart_Path=C:\\Logos\\\n"))
    {
        for (const auto &[path, shade] : logos)
            QVERIFY(f.writeLogo(path, shade));
        f.writeSettings(settings);
        f.load();
        f.desktop.clear();
    }
    void arm()
    {
        before = logoPlaces();
        const int at = files.changingCalls() + step;
        if (step > 0)
            onward ? files.failFromCall(at, error) : files.failNthCall(at, error);
    }

    QByteArray read(const QString &path) const { return f.tmp.readFile(path); }
    QByteArray logo(int shade) const
    {
        QByteArray bytes = pictures::bmp(QSize(320, 400), 8);
        bytes[1078] = char(shade);
        return bytes;
    }
    QStringList filesIn(const QString &folder) const
    {
        return QDir(f.tmp.host(folder)).entryList(QDir::Files | QDir::Hidden | QDir::System);
    }
    // The content of every file in the places a logo may be: Folder, Incoming, their Showed
    // subfolders and the three system files.
    QList<QByteArray> logoPlaces() const
    {
        QList<QByteArray> found;
        for (const QString &dir : {Folder, Showed, Incoming, Incoming + "Showed\\"}) {
            for (const QString &name : filesIn(dir))
                found.append(read(dir + name));
        }
        for (const QString &system : SystemFiles) {
            if (f.tmp.exists(system))
                found.append(read(system));
        }
        return found;
    }

    QStringList titles(int style) const
    {
        QStringList found;
        for (const auto &box : f.desktop.boxes) {
            if (box.style == style)
                found << box.title;
        }
        return found;
    }
    // The usual end of a run, failing the test at the first broken rule: every logo there was is
    // still somewhere but those that may go; a success is not told as a failure (and is reported
    // under its title, when one is given); a failure is told (just once under its title, when one
    // is given) and not reported as a success; when `list`, the list shows the folder.
    void expectEnd(bool ok, const QList<QByteArray> &mayGo = {}, bool list = false,
                   const QString &failure = {}, const QString &success = {}) const
    {
        const QList<QByteArray> after = logoPlaces();
        const bool kept = std::all_of(before.begin(), before.end(), [&](const QByteArray &logo) {
            return after.contains(logo) || mayGo.contains(logo);
        });
        const QStringList told = titles(mb::Critical), reported = titles(mb::Information);
        const bool toldRight = ok ? told.isEmpty() && (success.isEmpty() || reported == QStringList{success})
                                  : (failure.isEmpty() ? !told.isEmpty() : told == QStringList{failure})
                                        && reported.isEmpty();
        const char *broken = !kept                        ? "a logo was lost"
                             : !toldRight                 ? "the outcome was told wrong"
                             : list && !listShowsFolder() ? "the list does not show the folder"
                                                          : nullptr;
        if (broken)
            QTest::qFail(broken, __FILE__, __LINE__);
    }
    // The list shows exactly the logos of Folder.
    bool listShowsFolder() const
    {
        QSet<QString> names;
        for (const QString &name : filesIn(Folder)) {
            const QString host = f.tmp.host(Folder + name);
            if (HasLogoFileSize(QFileInfo(host).size()) && f.pictures.hasExactSize(host, QSize(320, 400)))
                names.insert(name);
        }
        const QStringList entries = f.entries();
        return QSet<QString>(entries.begin(), entries.end()) == names;
    }
};

int totalInjected = 0;
int totalRuns = 0;

} // namespace

class TestFaultInjection : public QObject
{
    Q_OBJECT

    // Runs the scenario with no failure, then with the failure at step 1, 2, ... until a run in
    // which no injected failure fired: by then every changing call of the operation has failed.
    void everyStep(const std::function<void(Bench &)> &scenario)
    {
        QFETCH_GLOBAL(bool, onward);
        QFETCH_GLOBAL(int, error);
        for (int step = 0; step < 100; ++step) {
            Bench b(step, onward, error);
            scenario(b);
            if (QTest::currentTestFailed()) {
                qWarning("failed with the failure injected at step %d", step);
                return;
            }
            const int fired = int(std::count_if(b.files.log().begin(), b.files.log().end(),
                                                [](const auto &call) { return call.injected; }));
            QVERIFY(step > 0 || fired == 0);
            totalRuns += step > 0 ? 1 : 0;
            totalInjected += fired;
            if (step > 0 && fired == 0)
                return;
        }
        QFAIL("the operation never ran out of file calls");
    }

private slots:
    void initTestCase_data()
    {
        QTest::addColumn<bool>("onward");
        QTest::addColumn<int>("error");
        QTest::newRow("once, permission denied") << false << rt::PermissionDenied;
        QTest::newRow("once, disk full") << false << rt::DiskFull;
        QTest::newRow("from then on, permission denied") << true << rt::PermissionDenied;
        QTest::newRow("from then on, disk full") << true << rt::DiskFull;
    }
    void cleanupTestCase()
    {
        qInfo("fault injection: %d injected failures over %d runs", totalInjected, totalRuns);
    }

    void apply()
    {
        for (const bool showedHoldsCopy : {false, true}) {
            everyStep([&](Bench &b) {
                b.start(TwoLogos + Logos{{StartupSystemFile, 9}}
                        + (showedHoldsCopy ? Logos{{Showed + "a.bmp", 1}} : Logos()));
                b.f.w().lstSys->setListIndex(0);
                b.arm();
                b.f.w().lstSys_DblClick();

                const QByteArray system = b.read(StartupSystemFile);
                const bool applied = system == b.logo(1);
                EXPECT(applied || system == b.logo(9), "the system file is neither the old logo nor the new");
                EXPECT(b.read((applied ? Showed : Folder) + "a.bmp") == b.logo(1),
                       "the logo is not in Showed once applied, or not in its folder when not");
                // The logo the system file held goes when another takes its place.
                const QList<QByteArray> mayGo = applied ? QList{b.logo(9)} : QList<QByteArray>();
                b.expectEnd(applied, mayGo, true, "更換失敗", "更換成功");
            });
        }
    }

    void restore()
    {
        for (const bool alsoOtherFile : {false, true}) {
            everyStep([&](Bench &b) {
                if (alsoOtherFile)
                    QVERIFY(b.f.tmp.writeFile(Showed + "notes.txt", "not a logo"));
                b.start({{Folder + "a.bmp", 1}, {Showed + "b.bmp", 2}, {Showed + "c.bmp", 3},
                         {Showed + "d.bmp", 4}});
                b.arm();
                b.f.w().cmdRestore_Click();

                // Restore tells nothing either way; the list and the button show what happened.
                EXPECT(b.f.desktop.boxes.isEmpty(), "restore showed a message");
                EXPECT(b.f.w().cmdRestore->isEnabled() == QDir(b.f.tmp.host(Showed)).exists(),
                       "the restore button does not show whether used logos remain");
                b.expectEnd(true, {}, true);
            });
        }
    }

    void dropAdd()
    {
        everyStep([&](Bench &b) {
            b.start({{Folder + "a.bmp", 1}, {Folder + "n2.bmp", 7}, {Incoming + "n1.bmp", 5},
                     {Incoming + "n2.bmp", 6}});
            b.f.desktop.answer(mb::AnswerYes); // replace n2.bmp
            QMimeData data;
            data.setUrls({QUrl::fromLocalFile(b.f.tmp.host(Incoming + "n1.bmp")),
                          QUrl::fromLocalFile(b.f.tmp.host(Incoming + "n2.bmp"))});
            b.arm();
            b.f.w().lstSys_OLEDragDrop(&data);

            const QByteArray n1 = b.read(Folder + "n1.bmp");
            const QByteArray n2 = b.read(Folder + "n2.bmp");
            EXPECT((n1.isNull() || n1 == b.logo(5)) && (n2 == b.logo(7) || n2 == b.logo(6)),
                   "an added file is neither absent, the old file nor the new one");
            // The replaced n2.bmp may go only when the new one took its place (checked above).
            const bool allAdded = n1 == b.logo(5) && n2 == b.logo(6);
            b.expectEnd(allAdded, {b.logo(7)}, allAdded);
        });
    }

    void commandLineAdd()
    {
        for (const bool replacing : {false, true}) {
            everyStep([&](Bench &b) {
                QVERIFY(b.f.writeLogo(Incoming + "n1.bmp", 5) && b.f.writeLogo(Folder + "a.bmp", 1));
                if (replacing) {
                    QVERIFY(b.f.writeLogo(Folder + "n1.bmp", 7));
                    b.f.desktop.answer(mb::AnswerYes);
                }
                LogoTester tester(b.files, b.f.pictures);
                b.arm();
                const int exit = cmdline::addToStartup(b.files, b.f.desktop, tester,
                                                       "/c " + Incoming + "n1.bmp", Folder);

                const QByteArray target = b.read(Folder + "n1.bmp");
                const bool added = target == b.logo(5);
                EXPECT(added || target == (replacing ? b.logo(7) : QByteArray()),
                       "the added file is neither the old file nor the new one");
                EXPECT(exit == (added ? cmdline::ExitDone : cmdline::ExitRefused), "a wrong exit code");
                EXPECT(added || b.titles(mb::Critical).size() == 1, "a failed add was told more than once");
                b.expectEnd(added, {b.logo(7)}, false, {}, "加入完成");
            });
        }
    }

    void deleteFile()
    {
        everyStep([&](Bench &b) {
            b.start();
            b.f.w().lstSys->setListIndex(0);
            b.f.desktop.answer(mb::AnswerYes);
            b.arm();
            b.f.w().mnuDelete_Click();

            const bool deleted = !b.f.tmp.exists(Folder + "a.bmp");
            EXPECT(deleted || b.read(Folder + "a.bmp") == b.logo(1), "the file not deleted changed");
            b.expectEnd(deleted, {b.logo(1)}, deleted, "刪除檔案發生錯誤");
        });
    }

    void rename()
    {
        everyStep([&](Bench &b) {
            b.start();
            FrmLogo &w = b.f.w();
            w.lstSys->setListIndex(0);
            w.mnuRename_Click();
            w.txtRename->setText("c.bmp");
            int key = 'c';
            w.txtRename_KeyPress(key);
            b.arm();
            w.txtRename_KeyDown(13);

            const bool renamed = b.read(Folder + "c.bmp") == b.logo(1);
            EXPECT(renamed != b.f.tmp.exists(Folder + "a.bmp"), "the file is under both names or neither");
            b.expectEnd(renamed, {}, renamed, "更換檔名發生錯誤");
        });
    }

    void settingsSave()
    {
        everyStep([&](Bench &b) {
            b.start({{Folder + "a.bmp", 1}, {"C:\\Other\\b.bmp", 2}},
                    "; kept as it is\n[SplashwheelSet]\nStart_Path=C:\\Logos\\\nWait_Path=C:\\Logos\\\n"
                    "Start_Checked=False\nPopUp=False\nMethod=Little\n[Other]\nx=1\n");
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
            b.arm();
            bool cancel = false;
            w.Form_Unload(cancel);

            const QByteArray bytes = b.f.settingsBytes();
            const ProfileText text(bytes);
            const QList<std::tuple<QByteArray, QByteArray, QByteArray>> keys = {
                {"Start_Path", "C:\\Logos\\", "C:\\Logos\\"}, {"Wait_Path", "C:\\Logos\\", "C:\\Other\\"},
                {"Start_Checked", "False", "True"},           {"Wait_Checked", "", "True"},
                {"PopUp", "False", "True"},                   {"Shutdown_Checked", "", "False"},
                {"Method", "Little", "Big"},
            };
            bool allNew = true;
            for (const auto &[key, oldValue, newValue] : keys) {
                QByteArray value;
                const bool found = text.value("SplashwheelSet", key, value);
                EXPECT(found ? value == oldValue || value == newValue : oldValue.isEmpty(),
                       qPrintable("the settings file holds a broken " + key));
                allNew = allNew && found && value == newValue;
            }
            QByteArray other;
            EXPECT(bytes.startsWith("; kept as it is\r\n") && text.value("Other", "x", other) && other == "1",
                   "the settings file lost what it held besides the tool's keys");
            b.expectEnd(allNew);
        });
    }

    void shortcutCreate()
    {
        QByteArray complete;
        everyStep([&](Bench &b) {
            b.f.load();
            const QString link = StartupRegistration::linkPath(b.f.tmp.prefix().startupFolder());
            b.f.desktop.clear();
            b.arm();
            b.f.w().mnuRun_Click();

            const QByteArray bytes = b.read(link);
            if (b.step == 0)
                complete = bytes;
            const bool made = !bytes.isNull();
            EXPECT(!made || bytes == complete, "a partial shortcut");
            EXPECT(b.f.w().mnuRun->isChecked() == made, "the menu does not show whether the shortcut is");
            b.expectEnd(made);
        });
    }

    void shortcutRemove()
    {
        everyStep([&](Bench &b) {
            StartupRegistration registration(b.f.tmp.files());
            const QString startup = b.f.tmp.prefix().startupFolder();
            QCOMPARE(registration.create(startup, b.f.tmp.prefix().programsFolder(),
                                         b.f.services->programFolder),
                     0);
            b.f.load();
            QVERIFY(b.f.w().mnuRun->isChecked());
            b.f.desktop.clear();
            b.arm();
            b.f.w().mnuUnrun_Click();

            // Removing tells nothing; the menu keeps showing the truth.
            const bool there = b.f.tmp.exists(StartupRegistration::linkPath(startup));
            EXPECT(b.f.w().mnuRun->isChecked() == there && b.f.w().mnuUnrun->isChecked() != there,
                   "the menu does not show whether the shortcut exists");
            EXPECT(b.f.desktop.boxes.isEmpty(), "removing the shortcut showed a message");
        });
    }
};

QTEST_MAIN(TestFaultInjection)
#include "tst_faultinjection.moc"

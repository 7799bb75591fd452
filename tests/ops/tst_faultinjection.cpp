// Every operation that changes files, done through the window again and again with a file
// operation failing at each step in turn, once or from that step on (a disk that turns read-only
// or full). After each run no logo is lost or torn, the settings file holds old or new values, a
// failure was told and never reported as a success, and the window shows what is on the disk.
#include "ops/StartupRegistration.h"
#include "platform/PrivateProfile.h"
#include "platform/RuntimeError.h"
#include "platform/ShellLink.h"
#include "support/PictureFactory.h"
#include "support/WindowFixture.h"

#include <QAbstractItemView>
#include <QAction>
#include <QDir>
#include <QLineEdit>
#include <QSet>
#include <QTest>

#include <algorithm>
#include <functional>

using namespace bg;
using namespace bg::test;

namespace {

const QString Folder = QStringLiteral("C:\\Logos\\"), Showed = Folder + "Showed\\";
const QString Incoming = QStringLiteral("C:\\Incoming\\"), StartupSystemFile = QStringLiteral("C:\\LOGO.SYS");
using Logos = QList<std::pair<QString, int>>; // paths and the shade that tells them apart
const Logos TwoLogos = {{Folder + "a.bmp", 1}, {Folder + "b.bmp", 2}};
const QString ShowsFolder = QStringLiteral("[SplashwheelSet]\nStart_Path=C:\\Logos\\\n");

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
    int armedAt = 0;          // the changing calls made before it

    Bench(int step, bool onward, int error) : step(step), onward(onward), error(error) {}
    // Writes the logos and the settings file (none when empty), then runs the start-up: it opens
    // the window, or with a command line it is the operation, armed first.
    int start(const Logos &logos = TwoLogos, const QString &settings = ShowsFolder)
    {
        for (const auto &[path, shade] : logos)
            if (!f.writeLogo(path, shade))
                QTest::qFail("a logo was not written", __FILE__, __LINE__);
        if (!settings.isEmpty())
            f.writeSettings(settings);
        if (!f.services->commandText.isEmpty())
            arm();
        const int status = f.start();
        if (status == -1)
            f.desktop.clear();
        return status;
    }
    void arm()
    {
        before = logoPlaces();
        armedAt = files.changingCalls();
        if (step > 0)
            onward ? files.failFromCall(armedAt + step, error) : files.failNthCall(armedAt + step, error);
    }
    void click(const char *name)
    {
        QWidget *control = f.find(name);
        QTest::mouseClick(control, Qt::LeftButton, {}, QPoint(5, control->height() / 2));
    }

    QByteArray read(const QString &path) const { return f.tmp.readFile(path); }
    QByteArray logo(int shade) const
    {
        return pictures::bmp(QSize(320, 400), 8).replace(1078, 1, QByteArray(1, char(shade)));
    }
    QStringList filesIn(const QString &folder) const
    {
        return QDir(f.tmp.host(folder)).entryList(QDir::Files | QDir::Hidden | QDir::System);
    }
    // Every file in the places a logo may be: Folder, Incoming, their Showed subfolders and
    // the three system files.
    QList<QByteArray> logoPlaces() const
    {
        QList<QByteArray> found;
        for (const QString &dir : {Folder, Showed, Incoming, Incoming + "Showed\\"})
            for (const QString &name : filesIn(dir))
                found.append(read(dir + name));
        for (const QString &system : {StartupSystemFile, f.windowsFolder() + "LOGOW.SYS", f.windowsFolder() + "LOGOS.SYS"})
            if (f.tmp.exists(system))
                found.append(read(system));
        return found;
    }
    // The end of a run: every logo there was is still somewhere but those that may go, and every
    // file there is one of them, whole; a success or a failure is told right (under the title
    // given); when `list`, the list shows the files of Folder (all logos, as checked before).
    void expectEnd(bool ok, const QList<QByteArray> &mayGo = {}, bool list = false,
                   const QString &failure = {}, const QString &success = {})
    {
        QVERIFY(f.waitForScan());
        const QList<QByteArray> after = logoPlaces();
        QStringList told, reported;
        for (const auto &box : f.desktop.boxes)
            if (box.style == mb::Critical || box.style == mb::Information)
                (box.style == mb::Critical ? told : reported) << box.title;
        EXPECT(std::all_of(before.begin(), before.end(),
                           [&](const QByteArray &l) { return after.contains(l) || mayGo.contains(l); }),
               "a logo was lost");
        EXPECT(std::all_of(after.begin(), after.end(), [&](const QByteArray &l) { return before.contains(l); }),
               "a file is not a whole logo that was there before");
        EXPECT(ok ? told.isEmpty() && (success.isEmpty() || reported == QStringList{success})
                  : (failure.isEmpty() ? !told.isEmpty() : told == QStringList{failure}) && reported.isEmpty(),
               "the outcome was told wrong");
        const QStringList entries = f.entries(), names = filesIn(Folder);
        EXPECT(!list || QSet<QString>(entries.begin(), entries.end()) == QSet<QString>(names.begin(), names.end()),
               "the list does not show the folder");
    }
};

using Scenario = std::function<void(Bench &)>;

} // namespace

Q_DECLARE_METATYPE(Scenario)

class TestFaultInjection : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase_data()
    {
        QTest::addColumn<bool>("onward");
        QTest::addColumn<int>("error");
        QTest::newRow("once, permission denied") << false << rt::PermissionDenied;
        QTest::newRow("from then on, disk full") << true << rt::DiskFull;
    }

    void everyStep_data()
    {
        QTest::addColumn<Scenario>("scenario");
        // A double click on the first entry; the logo the system file held may go.
        for (const bool showedHoldsCopy : {false, true})
            QTest::addRow("apply%s", showedHoldsCopy ? ", a copy in Showed" : "") << Scenario([=](Bench &b) {
                b.start(TwoLogos + Logos{{StartupSystemFile, 9}} + (showedHoldsCopy ? Logos{{Showed + "a.bmp", 1}} : Logos()));
                b.arm();
                b.f.doubleClickRow(0);
                const bool applied = b.read(StartupSystemFile) == b.logo(1);
                EXPECT(applied || b.read(StartupSystemFile) == b.logo(9), "the system file changed");
                EXPECT(b.read((applied ? Showed : Folder) + "a.bmp") == b.logo(1),
                       "the logo is not in Showed once applied, or not in its folder when not");
                b.expectEnd(applied, applied ? QList{b.logo(9)} : QList<QByteArray>(), true, "更換失敗", "更換成功");
            });
        // The restore button tells nothing either way: the list and the button show the outcome.
        for (const bool alsoOtherFile : {false, true})
            QTest::addRow("restore%s", alsoOtherFile ? ", another file" : "") << Scenario([=](Bench &b) {
                if (alsoOtherFile)
                    QVERIFY(b.f.tmp.writeFile(Showed + "notes.txt", "not a logo"));
                b.start({{Folder + "a.bmp", 1}, {Showed + "b.bmp", 2}, {Showed + "c.bmp", 3}, {Showed + "d.bmp", 4}});
                b.arm();
                b.click("cmdRestore");
                b.expectEnd(true, {}, true);
                EXPECT(b.f.desktop.boxes.isEmpty(), "restore showed a message");
                EXPECT(b.f.find("cmdRestore")->isEnabled() == QDir(b.f.tmp.host(Showed)).exists(),
                       "the restore button does not show whether used logos remain");
            });
        // Two files dropped from a file manager, one replacing a logo (answered Yes).
        QTest::newRow("drop") << Scenario([](Bench &b) {
            b.start({{Folder + "a.bmp", 1}, {Folder + "n2.bmp", 7}, {Incoming + "n1.bmp", 5}, {Incoming + "n2.bmp", 6}});
            b.f.desktop.answer(mb::AnswerYes);
            b.arm();
            QVERIFY(b.f.dropOnList({b.f.tmp.host(Incoming + "n1.bmp"), b.f.tmp.host(Incoming + "n2.bmp")}));
            const bool allAdded = b.read(Folder + "n1.bmp") == b.logo(5) && b.read(Folder + "n2.bmp") == b.logo(6);
            EXPECT(b.f.tmp.exists(Folder + "n2.bmp"), "the replaced logo is gone");
            b.expectEnd(allAdded, {b.logo(7)}, allAdded);
        });
        // "/c C:\Incoming\n1.bmp" adds to the Startup folder, replacing a file of that name or not.
        for (const bool replacing : {false, true})
            QTest::addRow("command line%s", replacing ? ", replacing" : "") << Scenario([=](Bench &b) {
                b.f.services->commandText = "/c " + Incoming + "n1.bmp";
                if (replacing)
                    b.f.desktop.answer(mb::AnswerYes);
                const Logos logos{{Incoming + "n1.bmp", 5}, {Folder + "a.bmp", 1}};
                const int exit = b.start(replacing ? logos + Logos{{Folder + "n1.bmp", 7}} : logos);
                const QByteArray target = b.read(Folder + "n1.bmp");
                const bool added = target == b.logo(5);
                EXPECT(added || target == (replacing ? b.logo(7) : QByteArray()), "the old file changed");
                EXPECT(exit == (added ? 0 : 1) && !b.f.window, "a wrong exit status");
                EXPECT(added || b.f.desktop.boxes.size() == (replacing ? 2 : 1), "a failure told more than once");
                b.expectEnd(added, {b.logo(7)}, false, {}, "加入完成");
            });
        // Edit > Delete on the first entry, answered Yes.
        QTest::newRow("delete") << Scenario([](Bench &b) {
            b.start();
            b.f.desktop.answer(mb::AnswerYes);
            b.arm();
            b.f.chooseMenu('E', 'D');
            const bool deleted = !b.f.tmp.exists(Folder + "a.bmp");
            b.expectEnd(deleted, {b.logo(1)}, deleted, "刪除檔案發生錯誤");
        });
        // F2 on the first entry, a new name typed, Enter.
        QTest::newRow("rename") << Scenario([](Bench &b) {
            b.start();
            QTest::keyClick(b.f.list(), Qt::Key_F2);
            auto *box = b.f.find<QLineEdit>("txtRename");
            QVERIFY(box);
            QTest::keyClicks(box, "c.bmp");
            b.arm();
            QTest::keyClick(box, Qt::Key_Return);
            QTRY_VERIFY(!b.f.find("txtRename")); // the list ends the edit once the box has the key
            const bool renamed = b.read(Folder + "c.bmp") == b.logo(1);
            EXPECT(renamed != b.f.tmp.exists(Folder + "a.bmp"), "the file is under both names or neither");
            b.expectEnd(renamed, {}, renamed, "更換檔名發生錯誤");
        });
        // Ctrl+X with new values: the Startup folder (its question answered Yes), two flags, the
        // pop-up option and the order. Each key holds its old or new value; the rest is kept.
        QTest::newRow("settings save") << Scenario([](Bench &b) {
            b.start({{Folder + "a.bmp", 1}, {"C:\\Other\\b.bmp", 2}},
                    "; kept\n[SplashwheelSet]\nStart_Path=C:\\Logos\\\nWait_Path=C:\\Logos\\\n"
                    "Start_Checked=False\nPopUp=False\nMethod=Little\n[Other]\nx=1\n");
            b.f.typePath(QStringLiteral("C:\\Other"));
            QVERIFY(b.f.waitForScan());
            for (const char *control : {"chkStartup", "chkWait", "optYes"})
                b.click(control);
            b.f.chooseMenu('M', 'B');
            b.f.desktop.answer(mb::AnswerYes);
            b.arm();
            QTest::keyClick(b.f.list(), Qt::Key_X, Qt::ControlModifier);
            const ProfileText text(b.f.settingsBytes());
            bool allNew = true;
            for (const auto &[key, oldValue, newValue] : QList<std::tuple<QByteArray, QByteArray, QByteArray>>{
                     {"Start_Path", "C:\\Logos\\", "C:\\Other\\"}, {"Wait_Path", "C:\\Logos\\", "C:\\Logos\\"},
                     {"Start_Checked", "False", "True"}, {"Wait_Checked", "", "True"}, {"PopUp", "False", "True"},
                     {"Shutdown_Checked", "", "False"}, {"Method", "Little", "Big"}}) {
                QByteArray value;
                const bool found = text.value("SplashwheelSet", key, value);
                EXPECT(found ? value == oldValue || value == newValue : oldValue.isEmpty(),
                       qPrintable("the settings file holds a broken " + key));
                allNew = allNew && found && value == newValue;
            }
            QByteArray other;
            EXPECT(text.bytes().startsWith("; kept\r\n") && text.value("Other", "x", other) && other == "1",
                   "the settings file lost what it held besides the tool's keys");
            b.expectEnd(allNew);
        });
        // Start at boot > On creates the shortcut; > Off removes it; each says when it could not.
        for (const bool create : {true, false})
            QTest::addRow("shortcut %s", create ? "on" : "off") << Scenario([=](Bench &b) {
                const QString startup = b.f.tmp.prefix().startupFolder();
                if (!create)
                    QVERIFY(StartupRegistration(b.f.tmp.files())
                                .create(startup, b.f.tmp.prefix().programsFolder(), Companion).result
                            == StartupRegistration::Result::Done);
                b.start({}, {});
                b.arm();
                b.f.chooseMenu('S', create ? 'Y' : 'N');
                const QByteArray bytes = b.read(StartupRegistration::linkPath(startup));
                const bool there = !bytes.isNull();
                // A shortcut there starts the whole companion.
                EXPECT(!there || (shelllink::targetOf(bytes) == StartupRegistration::installedCompanion()
                                  && b.read(StartupRegistration::installedCompanion()) == Companion),
                       "a partial shortcut or companion");
                EXPECT(b.f.find<QAction>("mnuRun")->isChecked() == there
                           && b.f.find<QAction>("mnuUnrun")->isChecked() != there,
                       "the menu does not show whether the shortcut is there");
                b.expectEnd(create == there);
            });
    }
    // Runs the scenario with no failure, then with the failure at step 1, 2, ... until a run in
    // which no injected failure fired: by then every changing call of the operation has failed.
    void everyStep()
    {
        QFETCH(Scenario, scenario);
        QFETCH_GLOBAL(bool, onward);
        QFETCH_GLOBAL(int, error);
        for (int step = 0; step < 100; ++step) {
            Bench b(step, onward, error);
            scenario(b);
            if (QTest::currentTestFailed())
                return qWarning("failed with the failure injected at step %d", step);
            const int fired = int(std::count_if(b.files.log().begin(), b.files.log().end(),
                                                [](const auto &call) { return call.injected; }));
            QVERIFY(step > 0 || fired == 0);
            QVERIFY2(b.files.changingCalls() > b.armedAt, "the operation changed nothing");
            if (step > 0 && fired == 0)
                return;
        }
        QFAIL("the operation never ran out of file calls");
    }
};

QTEST_MAIN(TestFaultInjection)
#include "tst_faultinjection.moc"

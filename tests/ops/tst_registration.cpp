// The start-at-boot menu (the Startup-folder shortcut) and the order menu.
#include "ops/StartupRegistration.h"
#include "platform/DosAttributes.h"
#include "platform/RuntimeError.h"
#include "support/FaultInjectingFileService.h"
#include "support/WindowFixture.h"

#include <QAction>
#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

using namespace bg;
using bg::test::WindowFixture;

namespace {
const QString Startup = QStringLiteral("C:\\WINDOWS\\Start Menu\\Programs\\StartUp");
const QString WineStartup = QStringLiteral(
    "C:\\users\\ann\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\Startup");
const QString Link = Startup + QStringLiteral("\\Splashwheel.lnk");
const QString Onboot = QStringLiteral("C:\\Program Files\\Bootgallery\\Onboot.exe");

void mark(FrmLogo &w, bool registered)
{
    w.mnuRun->setChecked(registered);
    w.mnuUnrun->setChecked(!registered);
}

// Loads the window and forgets the start's boxes; marks "registered" as asked.
bool load(WindowFixture &f, bool registered)
{
    if (!f.tmp.isValid() || !f.load().showWindow)
        return false;
    f.desktop.clear();
    mark(f.w(), registered);
    return true;
}
} // namespace

class TestRegistration : public QObject
{
    Q_OBJECT
private slots:
    void registerWritesLink_data()
    {
        QTest::addColumn<QString>("startup");
        QTest::newRow("Windows 98") << Startup;
        QTest::newRow("Wine per-user") << WineStartup;
    }

    void registerWritesLink()
    {
        QFETCH(QString, startup);
        WindowFixture f;
        QVERIFY(f.tmp.writeFileOfSize(Onboot, 2048));
        if (startup != Startup) {
            QVERIFY(QDir(f.tmp.host(QStringLiteral("C:\\WINDOWS\\Start Menu"))).removeRecursively());
            QVERIFY(f.tmp.makeFolder(startup));
        }
        QVERIFY(load(f, false));
        f.w().mnuRun->trigger(); // through the menu, as a click arrives
        QVERIFY(f.w().mnuRun->isChecked() && !f.w().mnuUnrun->isChecked());
        QVERIFY(f.w().state.startupMenuFolder == startup && f.desktop.boxes.isEmpty());

        const QString lnkinfo = QStandardPaths::findExecutable(QStringLiteral("lnkinfo"));
        if (lnkinfo.isEmpty())
            QSKIP("lnkinfo (liblnk-utils) is not installed");
        QProcess reader;
        reader.start(lnkinfo, {QStringLiteral("-c"), QStringLiteral("windows-950"),
                               f.tmp.host(startup + QStringLiteral("\\Splashwheel.lnk"))});
        QVERIFY(reader.waitForFinished(30000));
        const QString out = QString::fromUtf8(reader.readAllStandardOutput());
        QCOMPARE(reader.exitCode(), 0);
        QVERIFY2(out.contains(QStringLiteral("Local path\t\t\t: ") + Onboot), qPrintable(out));
        QVERIFY2(!out.contains(QLatin1String("arguments"), Qt::CaseInsensitive), qPrintable(out));
    }

    void writerGetsLastComponent()
    {
        test::TempPrefix machine;
        QStringList seen;
        const StartupRegistration registration(
            machine.files(), [&seen](const QString &programs, const QString &folder,
                                     const QString &name, const QString &target, const QString &args) {
                seen = {programs, folder, name, target, args};
                return 0;
            });
        const QString program = QStringLiteral("C:\\Program Files\\Bootgallery\\");
        const std::pair<QString, QString> cases[] = {
            {Startup, "StartUp"}, {WineStartup, "Startup"}, {"StartUp", ""}, {"", ""}};
        for (const auto &[startup, folder] : cases) {
            QCOMPARE(registration.create(startup, QStringLiteral("P:\\"), program), 0);
            QCOMPARE(seen, (QStringList{"P:\\", folder, "Splashwheel", Onboot, QString()}));
        }
    }

    void failedLinkKeepsMarks()
    {
        WindowFixture f;
        test::FaultInjectingFileService faulty(f.tmp.files());
        faulty.failEveryCallOf(QStringLiteral("writeFileAtomic"), rt::DiskFull);
        f.services.reset(new Services{f.tmp.prefix(), faulty, f.desktop, f.pictures,
                                      f.services->programFolder, QString(), false});
        QVERIFY(load(f, false));
        f.w().mnuRun_Click();
        QVERIFY(!f.w().mnuRun->isChecked() && f.w().mnuUnrun->isChecked());
        QVERIFY(!f.tmp.exists(Link));
        QCOMPARE(f.desktop.boxes.size(), 1);
        QVERIFY(f.desktop.boxes[0].style == mb::Critical && f.desktop.boxes[0].title == "開機啟動");
    }

    void unregister_data()
    {
        QTest::addColumn<int>("attributes"); // -1: no shortcut
        QTest::addColumn<bool>("remains");
        QTest::addColumn<bool>("marksMove");
        QTest::newRow("present") << 0 << false << true;
        QTest::newRow("removed by hand") << -1 << false << true;
        // Neither deleted nor found: the menu says "off" although the file is still there.
        QTest::newRow("hidden") << attr::Hidden << true << true;
        QTest::newRow("read-only") << attr::ReadOnly << true << false;
    }

    void unregister()
    {
        QFETCH(int, attributes);
        QFETCH(bool, remains);
        QFETCH(bool, marksMove);
        WindowFixture f;
        QVERIFY(load(f, true));
        if (attributes >= 0) {
            QVERIFY(f.tmp.writeFile(Link, QByteArray("L\0\0\0", 4)));
            QCOMPARE(attr::write(f.tmp.host(Link), attributes), 0);
            if ((attr::read(f.tmp.host(Link)) & attributes) != attributes)
                QSKIP("the temporary file system keeps no hidden attribute");
        }
        f.w().mnuUnrun->trigger();
        QCOMPARE(f.tmp.exists(Link), remains);
        QVERIFY(f.w().mnuUnrun->isChecked() == marksMove && f.w().mnuRun->isChecked() != marksMove);
        QVERIFY(f.w().state.startupMenuFolder == Startup && f.desktop.boxes.isEmpty());
    }

    void checkedItemDoesNothing()
    {
        WindowFixture f;
        QVERIFY(load(f, true)); // checked, yet no shortcut: a click must not make one
        f.w().state.startupMenuFolder.clear();
        f.w().mnuRun->trigger();
        QVERIFY(!f.tmp.exists(Link));
        QVERIFY(f.w().mnuRun->isChecked() && !f.w().mnuUnrun->isChecked());

        mark(f.w(), false); // "off" with a shortcut: a click must not delete it
        QVERIFY(f.tmp.writeFile(Link, QByteArray("L\0\0\0", 4)));
        f.w().mnuUnrun->trigger();
        QVERIFY(f.tmp.exists(Link));
        QVERIFY(!f.w().mnuRun->isChecked() && f.w().mnuUnrun->isChecked());
        QVERIFY(f.w().state.startupMenuFolder.isEmpty()); // not even fetched
    }

    void methodIsSavedAtClose()
    {
        const char *const words[] = {"Little", "Big", "Random"};
        for (int chosen = 0; chosen < 3; ++chosen) {
            WindowFixture f;
            f.writeSettings(QStringLiteral("[SplashwheelSet]\nMethod=%1\n")
                                .arg(QLatin1String(words[(chosen + 1) % 3])));
            QVERIFY(load(f, false));
            const QByteArray before = f.settingsBytes();
            const auto items = [&f] {
                return QList<QAction *>{f.w().mnuLittle, f.w().mnuBig, f.w().mnuRandom};
            };
            const auto marks = [&items] {
                return QList<bool>{items()[0]->isChecked(), items()[1]->isChecked(), items()[2]->isChecked()};
            };
            QList<bool> want{false, false, false};
            want[chosen] = true;
            for (int round = 0; round < 2; ++round) { // the second click is on the checked item
                items()[chosen]->trigger();
                QCOMPARE(marks(), want);
            }
            QCOMPARE(f.settingsBytes(), before); // nothing is written before the close
            bool cancel = false;
            f.w().Form_Unload(cancel);
            QVERIFY(f.settingsBytes().contains(QByteArray("Method=") + words[chosen] + "\r\n"));

            f.window.reset(); // the next start checks the same item
            QVERIFY(load(f, false));
            QCOMPARE(marks(), want);
        }
    }
};

QTEST_MAIN(TestRegistration)
#include "tst_registration.moc"

#include "platform/FileService.h"
#include "platform/Prefix.h"
#include "platform/ShellLink.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace bg;

namespace {

QByteArray logo(char seed) // 320 x 400, 8 bits, uncompressed: 129078 bytes
{
    QByteArray b(129078, seed);
    const char header[] = "BM\x36\xf8\x01\0\0\0\0\0\x36\x04\0\0\x28\0\0\0\x40\x01\0\0\x90\x01\0\0\x01\0\x08\0\0\0\0\0";
    memcpy(b.data(), header, sizeof header - 1);
    return b;
}

} // namespace

// Windows 98 boots under 64-bit Wine: the 64-bit build of the companion, started by the shell
// from the Startup folder through the tool's own shortcut, changes the checked slots.
class TestWineBoots : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_root, m_c;
    QProcessEnvironment m_env = QProcessEnvironment::systemEnvironment();

    bool run(const QString &program, const QStringList &args, int timeout = 180000)
    {
        QProcess p;
        p.setProcessEnvironment(m_env);
        p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p.start(program, args);
        if (p.waitForFinished(timeout))
            return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
        p.kill(), p.waitForFinished();
        return false;
    }
    bool boot()
    {
        run("/usr/lib/wine/wineserver", {"-k"}); // nothing may run yet: its result does not matter
        return run("/usr/lib/wine/wine64", {"wineboot"}) && run("/usr/lib/wine/wineserver", {"-w"});
    }
    QByteArray read(const QString &path) const
    {
        QFile f(m_c + path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QStringList names(const QString &folder) const { return QDir(m_c + folder).entryList(QDir::Files, QDir::Name); }

private slots:
    void initTestCase()
    {
        if (!QFile::exists("/usr/lib/wine/wine64")) {
            if (qgetenv("CI") == "true")
                QFAIL("/usr/lib/wine/wine64 is missing (Debian package wine64): CI must run the Wine boots");
            QSKIP("/usr/lib/wine/wine64 is missing (Debian package wine64): the Wine boots are not run");
        }
        m_root = m_dir.filePath("prefix"), m_c = m_root + "/drive_c/";
        m_env.insert("WINEPREFIX", m_root), m_env.insert("WINEDEBUG", "-all");
        m_env.insert("WINEDLLOVERRIDES", "mscoree,mshtml="), m_env.remove("DISPLAY");
        QVERIFY(run("/usr/lib/wine/wine64", {"wineboot", "--init"}));
        QVERIFY(run("/usr/lib/wine/wine64", {"reg", "add", "HKCU\\Software\\Wine", "/v", "Version", "/d", "win98", "/f"}));
        QVERIFY(QDir().mkpath(m_c + "Program Files/Bootgallery"));
        QVERIFY(QFile::copy(qEnvironmentVariable("BOOTGALLERY_COMPANION"), m_c + "Program Files/Bootgallery/Onboot.exe"));
        Prefix prefix(m_root);
        HostFileService files(prefix);
        const QString startup = prefix.startupFolder();
        const qsizetype slash = startup.lastIndexOf('\\');
        QVERIFY(slash > 0);
        QCOMPARE(createShellLink(files, startup.left(slash), startup.mid(slash + 1), "Splashwheel",
                                 "C:\\Program Files\\Bootgallery\\Onboot.exe", QString()), 0);
    }

    void boots_data()
    {
        QTest::addColumn<QString>("method");
        QTest::addColumn<QString>("start"); // the order the start-up slot shows, "" for random
        QTest::addColumn<QString>("wait");
        QTest::newRow("Little") << "Little" << "abca" << "dede";
        QTest::newRow("Big") << "Big" << "cbac" << "eded";
        QTest::newRow("Random") << "Random" << "" << "";
    }
    void boots()
    {
        QFETCH(QString, method);
        QFETCH(QString, start);
        QFETCH(QString, wait);
        QVERIFY(QDir(m_c + "Logos").removeRecursively());
        QFile::remove(m_c + "LOGO.SYS"), QFile::remove(m_c + "windows/LOGOW.SYS");
        for (const QString f : {"Logos/Start/Showed", "Logos/Wait", "Logos/Shut"})
            QVERIFY(QDir().mkpath(m_c + f));
        const auto write = [&](const QString &path, const QByteArray &data) {
            QFile f(m_c + path);
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write(data) == data.size());
        };
        for (char c : QByteArray("abcdef"))
            write(QString("Logos/%1/%2.bmp").arg(c < 'd' ? "Start" : c < 'f' ? "Wait" : "Shut").arg(c), logo(c));
        write("windows/LOGOS.SYS", "shutdown as it was");
        write("windows/SW.ini", QString("[SplashwheelSet]\r\nStart_Path=C:\\Logos\\Start\\\r\nStart_Checked=True\r\n"
                                        "Wait_Path=C:\\Logos\\Wait\r\nWait_Checked=True\r\nShutdown_Path=C:\\Logos\\Shut\\\r\n"
                                        "Shutdown_Checked=False\r\nPopUp=False\r\nMethod=%1\r\n").arg(method).toLatin1());
        QString shown[2];
        for (int n = 0; n < 4; ++n) {
            QVERIFY(boot());
            const char sysfile[2][2][24] = {{"LOGO.SYS", "Logos/Start/"}, {"windows/LOGOW.SYS", "Logos/Wait/"}};
            for (int s = 0; s < 2; ++s) {
                const QString order = s ? wait : start, pool = s ? "de" : "abc";
                const int round = n % pool.size();
                const QByteArray now = read(sysfile[s][0]);
                QVERIFY2(now.size() == 129078 && pool.contains(now.back()), sysfile[s][0]);
                const char c = now.back();
                QVERIFY(order.isEmpty() ? !shown[s].contains(c) || round == 0 : c == order[n]);
                shown[s] = round == 0 ? QString(c) : shown[s] + c;
                QCOMPARE(names(QString(sysfile[s][1]) + "Showed").size(), round + 1);
                QCOMPARE(names(sysfile[s][1]).size(), pool.size() - round - 1);
                qInfo("%s boot %d: %s = %c.bmp, Showed holds %lld", qPrintable(method), n + 1, sysfile[s][0], c,
                      qlonglong(names(QString(sysfile[s][1]) + "Showed").size()));
            }
            QCOMPARE(read("windows/LOGOS.SYS"), QByteArray("shutdown as it was"));
            QCOMPARE(names("Logos/Shut"), QStringList{"f.bmp"});
        }
    }
};

QTEST_MAIN(TestWineBoots)
#include "tst_wineboots.moc"

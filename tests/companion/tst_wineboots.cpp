#include "ops/StartupRegistration.h"
#include "platform/FileService.h"
#include "platform/Prefix.h"
#include "platform/ProgramFile.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

// Windows 98 boots under 64-bit Wine: the shell starts the 64-bit build of the companion from the
// Startup folder, installed and registered by the tool's own registration, and the checked slots
// change.
class TestWineBoots : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_c = m_dir.filePath("prefix/drive_c/");
    QProcessEnvironment m_env = QProcessEnvironment::systemEnvironment();

    bool run(const QString &program, const QStringList &args)
    {
        QProcess p;
        p.setProcessEnvironment(m_env);
        p.start("/usr/lib/wine/" + program, args);
        const bool done = p.waitForFinished(180000) && p.exitStatus() == QProcess::NormalExit;
        return p.kill(), p.waitForFinished(), done && p.exitCode() == 0;
    }
    bool write(const QString &path, const QByteArray &data)
    {
        QFile f(m_c + path);
        return QDir().mkpath(QFileInfo(f).path()) && f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
    }
    QByteArray read(const QString &path)
    {
        QFile f(m_c + path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    int count(const QString &folder) { return int(QDir(m_c + folder).entryList(QDir::Files).size()); }

private slots:
    void initTestCase()
    {
        if (!QFile::exists("/usr/lib/wine/wine64") && qgetenv("CI") == "true")
            QFAIL("/usr/lib/wine/wine64 (Debian package wine64) is missing: CI runs the companion under Wine");
        if (!QFile::exists("/usr/lib/wine/wine64"))
            QSKIP("/usr/lib/wine/wine64 (Debian package wine64) is missing: the companion's boots are not run");
        m_env.insert("WINEPREFIX", m_dir.filePath("prefix")), m_env.insert("WINEDEBUG", "-all");
        m_env.insert("WINEDLLOVERRIDES", "mscoree,mshtml="), m_env.remove("DISPLAY");
        // The new prefix is settled once its server has ended; a registry write made while it
        // still starts up can fail, so it is tried again.
        QVERIFY(run("wine64", {"wineboot", "--init"}) && run("wineserver", {"-w"}));
        bool win98 = false;
        for (int attempt = 0; attempt < 3 && !win98; ++attempt)
            win98 = run("wine64", {"reg", "add", "HKCU\\Software\\Wine", "/v", "Version", "/d", "win98", "/f"});
        QVERIFY(win98);
        // Registered as the window's "on" does: the companion installed, the shortcut to it.
        bg::Prefix prefix(m_dir.filePath("prefix"));
        bg::HostFileService files(prefix);
        const QByteArray companion = bg::readProgramFile(qEnvironmentVariable("BOOTGALLERY_COMPANION"));
        QVERIFY(!companion.isEmpty());
        QVERIFY(bg::StartupRegistration(files).create(prefix.startupFolder(), prefix.programsFolder(), companion).result
                == bg::StartupRegistration::Result::Done);
        QCOMPARE(read("Program Files/Bootgallery/Onboot.exe"), companion);
    }

    void boots_data()
    {
        QTest::addColumn<QString>("method");
        for (const char *method : {"Little", "Big", "Random"})
            QTest::newRow(method) << method;
    }
    void boots()
    {
        QFETCH(QString, method);
        QVERIFY(QDir(m_c + "Logos").removeRecursively());
        QFile::remove(m_c + "windows/LOGOW.SYS");
        for (char c : QByteArray("aBcdef0")) { // 0.bmp: the logo size, 24 bits, no logo; C:\Logos\Wait: no backslash
            QByteArray bmp(129078, c);
            memcpy(bmp.data(), "BM\x36\xf8\x01\0\0\0\0\0\x36\x04\0\0\x28\0\0\0\x40\x01\0\0\x90\x01\0\0\x01\0\x08\0\0\0\0", 34);
            bmp[28] = c == '0' ? 24 : 8;
            QVERIFY(write(QString("Logos/%1/%2.bmp").arg(c < 'd' ? "Start" : c < 'f' ? "Wait" : "Shut").arg(c), bmp));
        }
        QVERIFY(write("windows/LOGOS.SYS", "as it was") && write("windows/SW.ini", QString(
            "[SplashwheelSet]\r\nStart_Path=C:\\Logos\\Start\\\r\nStart_Checked=True\r\nWait_Path=C:\\Logos\\Wait\r\n"
            "Wait_Checked=True\r\nShutdown_Path=C:\\Logos\\Shut\\\r\nShutdown_Checked=true\r\nPopUp=False\r\n"
            "Method=%1\r\n").arg(method).toLatin1()));
        const QString systemFiles[] = {"LOGO.SYS", "windows/LOGOW.SYS"}, folders[] = {"Logos/Start/", "Logos/Wait/"};
        QString shown[2];
        for (int boot = 0; boot < 4; ++boot) {
            run("wineserver", {"-k"}); // Windows was shut down (or never started)
            QVERIFY(run("wine64", {"wineboot"}) && run("wineserver", {"-w"}));
            for (int s = 0; s < 2; ++s) {
                const QByteArray now = read(systemFiles[s]);
                const QString pool = s ? "de" : "aBc"; // in lstrcmpiA's order: letter case ignored
                const int used = boot % pool.size();
                QVERIFY(now.size() == 129078 && pool.contains(now.back()));
                if (method != "Random")
                    QCOMPARE(now.back(), pool[method == "Little" ? used : pool.size() - 1 - used]);
                QVERIFY(used == 0 || !shown[s].contains(now.back()));
                shown[s] = used == 0 ? QString(now.back()) : shown[s] + now.back();
                QCOMPARE(count(folders[s] + "Showed"), used + 1);
                QCOMPARE(count(folders[s]), 2 - s - used + !s); // and 0.bmp
                qInfo("%s boot %d: %s is %c.bmp; Showed holds %d", qPrintable(method), boot + 1,
                      qPrintable(systemFiles[s]), now.back(), used + 1);
            }
            QVERIFY(read("windows/LOGOS.SYS") == "as it was" && count("Logos/Shut") == 1);
        }
    }
};

QTEST_MAIN(TestWineBoots)
#include "tst_wineboots.moc"

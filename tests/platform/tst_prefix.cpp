#include "platform/Prefix.h"
#include "support/TempPrefix.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>
#include <unistd.h>

using bg::Prefix;
using bg::test::TempPrefix;

namespace {

QString rawLink(const QString &path)
{
    QByteArray buffer(4096, '\0');
    const ssize_t n = ::readlink(QFile::encodeName(path).constData(), buffer.data(), buffer.size());
    return n < 0 ? QString() : QFile::decodeName(buffer.left(n));
}

// Puts an environment variable back as it was when the returned guard goes.
auto keepEnv(const char *name)
{
    return qScopeGuard([name, had = qEnvironmentVariableIsSet(name), value = qgetenv(name)] {
        had ? void(qputenv(name, value)) : void(qunsetenv(name));
    });
}

} // namespace

class TestPrefix : public QObject
{
    Q_OBJECT

    std::unique_ptr<TempPrefix> p;
    // A host path inside drive C.
    QString c(const QString &rest = QString()) const { return p->driveC() + rest; }
    bool mkpath(const QString &rest) const { return QDir().mkpath(c(rest)); }

private slots:
    void init()
    {
        p = std::make_unique<TempPrefix>();
        QVERIFY(p->isValid());
    }
    void cleanup() { p.reset(); }

    void defaultRoot()
    {
        const auto own = keepEnv("BOOTGALLERY_PREFIX");
        const auto data = keepEnv("XDG_DATA_HOME");
        qputenv("BOOTGALLERY_PREFIX", "/srv/machines/win98");
        qputenv("XDG_DATA_HOME", "/data");
        QCOMPARE(Prefix::defaultRoot(), "/srv/machines/win98");
        qunsetenv("BOOTGALLERY_PREFIX");
        QCOMPARE(Prefix::defaultRoot(), "/data/bootgallery");
        qputenv("XDG_DATA_HOME", "relative/ignored");
        QCOMPARE(Prefix::defaultRoot(), QDir::homePath() + "/.local/share/bootgallery");
    }

    void newPrefixLayout()
    {
        const QString root = p->root();
        QVERIFY(QFileInfo(root + "/drive_c/WINDOWS/Start Menu/Programs/StartUp").isDir());
        QCOMPARE(rawLink(root + "/dosdevices/c:"), "../drive_c");
        QCOMPARE(rawLink(root + "/dosdevices/z:"), "/");
        QCOMPARE(c(), root + "/drive_c");
        // Nothing of the construction is left beside the prefix.
        const auto all = QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot;
        QCOMPARE(QDir(p->baseDir()).entryList(all), QStringList{"prefix"});
    }

    // A Wine prefix (lower-case windows folder, a d: drive) gets nothing added or moved.
    void existingPrefixKept()
    {
        QTemporaryDir dir;
        const QString root = dir.filePath("wine");
        QVERIFY(QDir().mkpath(root + "/drive_c/windows"));
        QVERIFY(QDir().mkpath(root + "/dosdevices"));
        QVERIFY(QFile::link("../drive_c", root + "/dosdevices/c:"));
        QVERIFY(QFile::link(dir.path(), root + "/dosdevices/d:"));
        QVERIFY(Prefix(root).ensureCreated());
        const auto entries = QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot;
        QCOMPARE(QDir(root + "/drive_c").entryList(entries), QStringList{"windows"});
        QCOMPARE(QDir(root + "/dosdevices").entryList(entries), (QStringList{"c:", "d:"}));
        // A plain file where the prefix should be is not a prefix.
        QFile file(dir.filePath("file"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        QVERIFY(!Prefix(file.fileName()).ensureCreated());
    }

    void toHost_data()
    {
        QTest::addColumn<QString>("windows");
        QTest::addColumn<QString>("host"); // relative to drive C; "-" for none
        QTest::newRow("drive root") << "C:\\" << "";
        QTest::newRow("drive alone") << "c:" << "";
        QTest::newRow("lower case, slashes") << "c:/windows/start menu" << "WINDOWS/Start Menu";
        QTest::newRow("trailing backslash") << "C:\\Windows\\" << "WINDOWS";
        QTest::newRow("doubled separators") << "C:\\\\WINDOWS\\/Start Menu" << "WINDOWS/Start Menu";
        QTest::newRow("dot") << "C:\\.\\WINDOWS\\." << "WINDOWS";
        QTest::newRow("dot dot") << "C:\\WINDOWS\\..\\New" << "New";
        QTest::newRow("dot dot above root") << "C:\\..\\..\\WINDOWS" << "WINDOWS";
        QTest::newRow("new name keeps spelling") << "C:\\windows\\Logos\\MyLogo.BMP"
                                                 << "WINDOWS/Logos/MyLogo.BMP";
        QTest::newRow("relative") << "WINDOWS\\x" << "-";
        QTest::newRow("drive relative") << "C:WINDOWS" << "-";
        QTest::newRow("UNC") << "\\\\server\\share\\x" << "-";
        QTest::newRow("empty") << "" << "-";
        QTest::newRow("star") << "C:\\a*.bmp" << "-";
        QTest::newRow("colon in name") << "C:\\a:b" << "-";
        QTest::newRow("control character") << "C:\\a\tb" << "-";
        QTest::newRow("drive without link") << "Q:\\x" << "-";
        QTest::newRow("not a letter") << "1:\\x" << "-";
    }

    void toHost()
    {
        QFETCH(QString, windows);
        QFETCH(QString, host);
        const auto result = p->prefix().toHost(windows);
        if (host == u'-')
            QVERIFY2(!result, qPrintable(result.value_or(QString())));
        else
            QCOMPARE(result, host.isEmpty() ? c() : c('/' + host));
    }

    void caseInsensitiveLookup()
    {
        QVERIFY(p->writeFile("C:\\Logos\\Ärger\\Σοφία\\Boot.Bmp", "x"));
        const QString asked = QStringLiteral("c:\\LOGOS\\äRGER\\ΣΟΦΊΑ\\BOOT.BMP");
        QCOMPARE(p->host(asked), c("/Logos/Ärger/Σοφία/Boot.Bmp"));
        QCOMPARE(p->prefix().spelledAsOnDisk(asked),
                 QStringLiteral("C:\\Logos\\Ärger\\Σοφία\\Boot.Bmp"));
        // Below a found folder, a new name is created as the caller spelled it.
        QCOMPARE(p->host("C:\\logos\\NEW\\File.txt"), c("/Logos/NEW/File.txt"));
        QVERIFY(p->writeFile("C:\\LOGOS\\Showed\\A.bmp", "y"));
        QVERIFY(QFileInfo::exists(c("/Logos/Showed/A.bmp")));
        // A listing is never remembered: a folder renamed behind our back is found again.
        QVERIFY(QDir(c()).rename("Logos", "LOGOS.old"));
        QVERIFY(mkpath("/logos"));
        QCOMPARE(p->host("C:\\Logos"), c("/logos"));
        // Of two spellings on disk the exact one wins.
        for (const QString name : {"/logo.sys", "/LOGO.SYS"})
            QVERIFY(QFile(c(name)).open(QIODevice::WriteOnly));
        QCOMPARE(p->host("C:\\LOGO.SYS"), c("/LOGO.SYS"));
        QCOMPARE(p->host("C:\\logo.sys"), c("/logo.sys"));
        const QString other = p->host("C:\\Logo.Sys");
        QVERIFY(other == c("/LOGO.SYS") || other == c("/logo.sys"));
    }

    void drivesThroughLinks()
    {
        const QString d = p->addDrive(u'd');
        QVERIFY(p->writeFile("D:\\Pictures\\a.gif", "GIF89a"));
        QVERIFY(QFileInfo::exists(d + "/Pictures/a.gif"));
        // Upper-case letters find the lower-case link; relative targets resolve in dosdevices/.
        QVERIFY(p->addDrive(u'E', "../drive_c/WINDOWS"));
        QCOMPARE(p->host("e:\\start menu"), c("/WINDOWS/Start Menu"));
        QCOMPARE(p->host("Z:\\"), "/");
        QVERIFY(p->removeDrive(u'd'));
        QVERIFY(!p->prefix().toHost("D:\\Pictures\\a.gif"));
        // Without a Z: drive nothing outside the other drives has a Windows form.
        QVERIFY(p->removeDrive(u'z'));
        QVERIFY(!p->prefix().toWindows("/"));
        QCOMPARE(p->windows(c("/Logos")), "C:\\Logos");
    }

    void toWindows_data()
    {
        QTest::addColumn<QString>("host"); // "@C" = drive C, "@B" = the temporary base directory
        QTest::addColumn<QString>("windows"); // "@Z" = the canonical base directory on Z:
        QTest::newRow("root") << "/" << "Z:\\";
        QTest::newRow("drive C") << "@C" << "C:\\";
        QTest::newRow("inside drive C") << "@C/WINDOWS/Start Menu" << "C:\\WINDOWS\\Start Menu";
        QTest::newRow("missing rest kept") << "@C/WINDOWS/New/a.bmp" << "C:\\WINDOWS\\New\\a.bmp";
        QTest::newRow("dot dot in host path") << "@C/WINDOWS/../x.bmp" << "C:\\x.bmp";
        QTest::newRow("through a link into drive C") << "@B/link/Programs"
                                                     << "C:\\WINDOWS\\Start Menu\\Programs";
        QTest::newRow("longest drive wins") << "@C/WINDOWS/Start Menu/Programs/StartUp/x.lnk"
                                            << "S:\\x.lnk";
        QTest::newRow("outside every drive but Z") << "@B/elsewhere/b.bmp" << "@Z/elsewhere/b.bmp";
        QTest::newRow("colon in name") << "@C/a:b.bmp" << "";
        QTest::newRow("backslash in name") << "@C/a\\b.bmp" << "";
        QTest::newRow("empty") << "" << "";
    }

    void toWindows()
    {
        QFETCH(QString, host);
        QFETCH(QString, windows);
        QVERIFY(p->addDrive(u's', "../drive_c/WINDOWS/Start Menu/Programs/StartUp"));
        QVERIFY(QFile::link(c("/WINDOWS/Start Menu"), p->baseDir() + "/link"));
        host.replace("@C", c()).replace("@B", p->baseDir());
        const QString base = QFileInfo(p->baseDir()).canonicalFilePath();
        windows.replace("@Z", "Z:" + QString(base).replace(u'/', u'\\')).replace(u'/', u'\\');
        QCOMPARE(p->prefix().toWindows(host).value_or("-"), windows.isEmpty() ? "-" : windows);
    }

    void specialFolders()
    {
        QCOMPARE(p->prefix().windowsDirectory(), "C:\\WINDOWS");
        QCOMPARE(p->prefix().startupFolder(), "C:\\WINDOWS\\Start Menu\\Programs\\StartUp");
        QCOMPARE(p->prefix().programsFolder(), "C:\\WINDOWS\\Start Menu\\Programs");
        QVERIFY(QDir(c("/WINDOWS/Start Menu/Programs")).rename("StartUp", "startup"));
        QCOMPARE(p->prefix().startupFolder(), "C:\\WINDOWS\\Start Menu\\Programs\\startup");
        QVERIFY(QDir(c()).rename("WINDOWS", "windows"));
        QCOMPARE(p->prefix().windowsDirectory(), "C:\\windows");
        QVERIFY(QDir(c("/windows")).removeRecursively());
        QCOMPARE(p->prefix().windowsDirectory(), "C:\\WINDOWS");
    }

    // Wine's layout: no Start menu under the Windows folder, one per user instead.
    void startupFolderWine()
    {
        const auto user = keepEnv("USER");
        QVERIFY(QDir(c("/WINDOWS")).removeRecursively());
        QVERIFY(mkpath("/windows/system32"));
        QVERIFY(mkpath("/users/Public/Desktop"));
        QCOMPARE(p->prefix().startupFolder(), QString());
        QCOMPARE(p->prefix().programsFolder(), QString());

        const QString programs = "\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs";
        QVERIFY(mkpath("/users/ann" + QString(programs).replace(u'\\', u'/') + "/Startup"));
        qputenv("USER", "ann");
        QCOMPARE(p->prefix().startupFolder(), "C:\\users\\ann" + programs + "\\Startup");
        QCOMPARE(p->prefix().programsFolder(), "C:\\users\\ann" + programs);
        // The profile of another user name is used when it is the only one besides Public.
        qputenv("USER", "bob");
        QCOMPARE(p->prefix().startupFolder(), "C:\\users\\ann" + programs + "\\Startup");
        QVERIFY(mkpath("/users/carl"));
        QCOMPARE(p->prefix().startupFolder(), QString());
        // The classic folder comes first when both exist.
        QVERIFY(mkpath("/windows/Start Menu/Programs/StartUp"));
        QCOMPARE(p->prefix().startupFolder(), "C:\\windows\\Start Menu\\Programs\\StartUp");
    }
};

QTEST_MAIN(TestPrefix)
#include "tst_prefix.moc"

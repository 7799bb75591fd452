#include "platform/Prefix.h"
#include "support/TempPrefix.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

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

// Restores an environment variable when the test ends.
class EnvGuard
{
public:
    explicit EnvGuard(const char *name) : m_name(name), m_had(qEnvironmentVariableIsSet(name)),
                                          m_value(qgetenv(name)) {}
    ~EnvGuard()
    {
        if (m_had)
            qputenv(m_name, m_value);
        else
            qunsetenv(m_name);
    }

private:
    const char *m_name;
    bool m_had;
    QByteArray m_value;
};

} // namespace

class TestPrefix : public QObject
{
    Q_OBJECT

private slots:
    void defaultRoot();
    void newPrefixLayout();
    void existingPrefixKept();
    void toHost_data();
    void toHost();
    void caseInsensitiveLookup();
    void exactSpellingPreferred();
    void drivesThroughLinks();
    void toWindows_data();
    void toWindows();
    void inexpressibleName();
    void windowsDirectory();
    void startupFolderClassic();
    void startupFolderWine();
};

void TestPrefix::defaultRoot()
{
    EnvGuard own("BOOTGALLERY_PREFIX");
    EnvGuard data("XDG_DATA_HOME");
    qputenv("BOOTGALLERY_PREFIX", "/srv/machines/win98");
    qputenv("XDG_DATA_HOME", "/data");
    QCOMPARE(Prefix::defaultRoot(), QStringLiteral("/srv/machines/win98"));
    qunsetenv("BOOTGALLERY_PREFIX");
    QCOMPARE(Prefix::defaultRoot(), QStringLiteral("/data/bootgallery"));
    qputenv("XDG_DATA_HOME", "relative/ignored");
    QCOMPARE(Prefix::defaultRoot(), QDir::homePath() + QStringLiteral("/.local/share/bootgallery"));
}

void TestPrefix::newPrefixLayout()
{
    TempPrefix p;
    QVERIFY(p.isValid());
    const QString root = p.root();
    QVERIFY(QFileInfo(root + "/drive_c/WINDOWS/Start Menu/Programs/StartUp").isDir());
    QCOMPARE(rawLink(root + "/dosdevices/c:"), QStringLiteral("../drive_c"));
    QCOMPARE(rawLink(root + "/dosdevices/z:"), QStringLiteral("/"));
    QCOMPARE(p.driveC(), root + "/drive_c");
    // Nothing of the construction is left beside the prefix.
    QCOMPARE(QDir(p.baseDir()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList{QStringLiteral("prefix")});
}

void TestPrefix::existingPrefixKept()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    // A Wine prefix: lower-case windows folder and a d: drive; nothing may be added or moved.
    const QString root = dir.filePath("wine");
    QVERIFY(QDir().mkpath(root + "/drive_c/windows"));
    QVERIFY(QDir().mkpath(root + "/dosdevices"));
    QVERIFY(QFile::link("../drive_c", root + "/dosdevices/c:"));
    QVERIFY(QFile::link(dir.path(), root + "/dosdevices/d:"));
    const Prefix prefix(root);
    QVERIFY(prefix.ensureCreated());
    QCOMPARE(QDir(root + "/drive_c").entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
             QStringList{QStringLiteral("windows")});
    QCOMPARE(QDir(root + "/dosdevices").entryList(QDir::AllEntries | QDir::System
                                                  | QDir::NoDotAndDotDot),
             (QStringList{QStringLiteral("c:"), QStringLiteral("d:")}));

    // A plain file where the prefix should be is not a prefix.
    QFile file(dir.filePath("file"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    QVERIFY(!Prefix(file.fileName()).ensureCreated());
}

void TestPrefix::toHost_data()
{
    QTest::addColumn<QString>("windows");
    QTest::addColumn<QString>("host"); // relative to drive C; "-" for none

    QTest::newRow("drive root") << "C:\\" << "";
    QTest::newRow("drive alone") << "c:" << "";
    QTest::newRow("lower case drive, slashes") << "c:/windows/start menu" << "WINDOWS/Start Menu";
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
    QTest::newRow("quoted") << "\"C:\\WINDOWS\"" << "-";
    QTest::newRow("empty") << "" << "-";
    QTest::newRow("star") << "C:\\a*.bmp" << "-";
    QTest::newRow("question mark") << "C:\\a?.bmp" << "-";
    QTest::newRow("colon in name") << "C:\\a:b" << "-";
    QTest::newRow("pipe") << "C:\\a|b" << "-";
    QTest::newRow("control character") << "C:\\a\tb" << "-";
    QTest::newRow("drive without link") << "Q:\\x" << "-";
    QTest::newRow("not a letter") << "1:\\x" << "-";
}

void TestPrefix::toHost()
{
    QFETCH(QString, windows);
    QFETCH(QString, host);
    TempPrefix p;
    QVERIFY(p.isValid());
    const auto result = p.prefix().toHost(windows);
    if (host == u'-') {
        QVERIFY2(!result, qPrintable(result.value_or(QString())));
    } else {
        QVERIFY(result);
        QCOMPARE(*result, host.isEmpty() ? p.driveC() : p.driveC() + u'/' + host);
    }
}

void TestPrefix::caseInsensitiveLookup()
{
    TempPrefix p;
    QVERIFY(p.isValid());
    QVERIFY(QDir().mkpath(p.driveC() + QStringLiteral("/Logos/Ärger/Σοφία")));
    QVERIFY(p.writeFile(QStringLiteral("C:\\Logos\\Ärger\\Σοφία\\Boot.Bmp"), "x"));

    const QString asked = QStringLiteral("c:\\LOGOS\\äRGER\\ΣΟΦΊΑ\\BOOT.BMP");
    QCOMPARE(p.host(asked), p.driveC() + QStringLiteral("/Logos/Ärger/Σοφία/Boot.Bmp"));
    QCOMPARE(p.prefix().spelledAsOnDisk(asked).value_or(QString()),
             QStringLiteral("C:\\Logos\\Ärger\\Σοφία\\Boot.Bmp"));
    // Below a found folder, a new name is created as the caller spelled it.
    QCOMPARE(p.host(QStringLiteral("C:\\logos\\NEW\\File.txt")),
             p.driveC() + QStringLiteral("/Logos/NEW/File.txt"));
    QVERIFY(p.writeFile(QStringLiteral("C:\\LOGOS\\Showed\\A.bmp"), "y"));
    QVERIFY(QFileInfo::exists(p.driveC() + QStringLiteral("/Logos/Showed/A.bmp")));

    // A listing is never remembered: a folder renamed behind our back is found again.
    QVERIFY(QDir(p.driveC()).rename(QStringLiteral("Logos"), QStringLiteral("LOGOS.old")));
    QVERIFY(QDir().mkpath(p.driveC() + QStringLiteral("/logos")));
    QCOMPARE(p.host(QStringLiteral("C:\\Logos")), p.driveC() + QStringLiteral("/logos"));
}

void TestPrefix::exactSpellingPreferred()
{
    TempPrefix p;
    QVERIFY(p.isValid());
    for (const char *name : {"logo.sys", "LOGO.SYS"}) {
        QFile file(p.driveC() + u'/' + QLatin1String(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    QCOMPARE(p.host(QStringLiteral("C:\\LOGO.SYS")), p.driveC() + QStringLiteral("/LOGO.SYS"));
    QCOMPARE(p.host(QStringLiteral("C:\\logo.sys")), p.driveC() + QStringLiteral("/logo.sys"));
    const QString other = p.host(QStringLiteral("C:\\Logo.Sys"));
    QVERIFY(other == p.driveC() + "/LOGO.SYS" || other == p.driveC() + "/logo.sys");
}

void TestPrefix::drivesThroughLinks()
{
    TempPrefix p;
    QVERIFY(p.isValid());
    const QString d = p.addDrive(u'd');
    QVERIFY(!d.isEmpty());
    QVERIFY(p.writeFile(QStringLiteral("D:\\Pictures\\a.gif"), "GIF89a"));
    QVERIFY(QFileInfo::exists(d + QStringLiteral("/Pictures/a.gif")));
    // Upper-case letters find the lower-case link; relative targets resolve in dosdevices/.
    QVERIFY(p.addDrive(u'E', QStringLiteral("../drive_c/WINDOWS")));
    QCOMPARE(p.host(QStringLiteral("e:\\start menu")),
             p.driveC() + QStringLiteral("/WINDOWS/Start Menu"));
    QCOMPARE(p.host(QStringLiteral("Z:\\")), QStringLiteral("/"));
    QVERIFY(p.removeDrive(u'd'));
    QVERIFY(!p.prefix().toHost(QStringLiteral("D:\\Pictures\\a.gif")));
}

void TestPrefix::toWindows_data()
{
    QTest::addColumn<QString>("host"); // "@C" = drive C, "@B" = the temporary base directory
    QTest::addColumn<QString>("windows");

    QTest::newRow("root") << "/" << "Z:\\";
    QTest::newRow("drive C") << "@C" << "C:\\";
    QTest::newRow("inside drive C") << "@C/WINDOWS/Start Menu" << "C:\\WINDOWS\\Start Menu";
    QTest::newRow("missing rest kept") << "@C/WINDOWS/New/Logo.bmp" << "C:\\WINDOWS\\New\\Logo.bmp";
    QTest::newRow("dot dot in host path") << "@C/WINDOWS/../x.bmp" << "C:\\x.bmp";
    QTest::newRow("through a link into drive C") << "@B/link/Programs" << "C:\\WINDOWS\\Start Menu\\Programs";
    QTest::newRow("longest drive wins") << "@C/WINDOWS/Start Menu/Programs/StartUp/x.lnk"
                                        << "S:\\x.lnk";
    QTest::newRow("outside every drive but Z") << "@B/elsewhere/b.bmp" << "@Z/elsewhere/b.bmp";
}

void TestPrefix::toWindows()
{
    QFETCH(QString, host);
    QFETCH(QString, windows);
    TempPrefix p;
    QVERIFY(p.isValid());
    QVERIFY(p.addDrive(u's', QStringLiteral("../drive_c/WINDOWS/Start Menu/Programs/StartUp")));
    QVERIFY(QFile::link(p.driveC() + QStringLiteral("/WINDOWS/Start Menu"),
                        p.baseDir() + QStringLiteral("/link")));
    host.replace(QStringLiteral("@C"), p.driveC()).replace(QStringLiteral("@B"), p.baseDir());
    if (windows.startsWith(QStringLiteral("@Z"))) {
        const QString base = QFileInfo(p.baseDir()).canonicalFilePath();
        windows = QStringLiteral("Z:") + QString(base + windows.mid(2)).replace(u'/', u'\\');
    }
    QCOMPARE(p.windows(host), windows);
}

void TestPrefix::inexpressibleName()
{
    TempPrefix p;
    QVERIFY(p.isValid());
    for (const QString &name : {QStringLiteral("a:b.bmp"), QStringLiteral("a\\b.bmp"),
                               QStringLiteral("what?.bmp")}) {
        const QString host = p.driveC() + u'/' + name;
        QVERIFY2(!p.prefix().toWindows(host), qPrintable(name));
    }
    QVERIFY(!p.prefix().toWindows(QString()));

    // Without a Z: drive nothing outside the other drives has a Windows form.
    QVERIFY(p.removeDrive(u'z'));
    QVERIFY(!p.prefix().toWindows(QStringLiteral("/")));
    QCOMPARE(p.windows(p.driveC() + QStringLiteral("/WINDOWS")), QStringLiteral("C:\\WINDOWS"));
}

void TestPrefix::windowsDirectory()
{
    TempPrefix p;
    QVERIFY(p.isValid());
    QCOMPARE(p.prefix().windowsDirectory(), QStringLiteral("C:\\WINDOWS"));
    QVERIFY(QDir(p.driveC()).rename(QStringLiteral("WINDOWS"), QStringLiteral("windows")));
    QCOMPARE(p.prefix().windowsDirectory(), QStringLiteral("C:\\windows"));
    QVERIFY(QDir(p.driveC() + QStringLiteral("/windows")).removeRecursively());
    QCOMPARE(p.prefix().windowsDirectory(), QStringLiteral("C:\\WINDOWS"));
}

void TestPrefix::startupFolderClassic()
{
    TempPrefix p;
    QVERIFY(p.isValid());
    QCOMPARE(p.prefix().startupFolder(), QStringLiteral("C:\\WINDOWS\\Start Menu\\Programs\\StartUp"));
    QCOMPARE(p.prefix().programsFolder(), QStringLiteral("C:\\WINDOWS\\Start Menu\\Programs"));
    QVERIFY(QDir(p.driveC() + QStringLiteral("/WINDOWS/Start Menu/Programs")).rename("StartUp", "startup"));
    QCOMPARE(p.prefix().startupFolder(), QStringLiteral("C:\\WINDOWS\\Start Menu\\Programs\\startup"));
}

void TestPrefix::startupFolderWine()
{
    EnvGuard userGuard("USER");
    TempPrefix p;
    QVERIFY(p.isValid());
    // Wine's layout: no Start menu under the Windows folder, one per user instead.
    QVERIFY(QDir(p.driveC() + QStringLiteral("/WINDOWS")).removeRecursively());
    QVERIFY(QDir().mkpath(p.driveC() + QStringLiteral("/windows/system32")));
    const QString tail = QStringLiteral("/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Startup");
    const QString wineTail = QString(tail).replace(u'/', u'\\');
    QVERIFY(QDir().mkpath(p.driveC() + QStringLiteral("/users/Public/Desktop")));
    QCOMPARE(p.prefix().startupFolder(), QString());
    QCOMPARE(p.prefix().programsFolder(), QString());

    QVERIFY(QDir().mkpath(p.driveC() + QStringLiteral("/users/ann") + tail));
    qputenv("USER", "ann");
    QCOMPARE(p.prefix().startupFolder(), QStringLiteral("C:\\users\\ann") + wineTail);
    QCOMPARE(p.prefix().programsFolder(),
             QStringLiteral("C:\\users\\ann\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs"));

    // The profile of another user name is used when it is the only one besides Public.
    qputenv("USER", "bob");
    QCOMPARE(p.prefix().startupFolder(), QStringLiteral("C:\\users\\ann") + wineTail);
    QVERIFY(QDir().mkpath(p.driveC() + QStringLiteral("/users/carl")));
    QCOMPARE(p.prefix().startupFolder(), QString());

    // The classic folder comes first when both exist.
    QVERIFY(QDir().mkpath(p.driveC() + QStringLiteral("/windows/Start Menu/Programs/StartUp")));
    QCOMPARE(p.prefix().startupFolder(), QStringLiteral("C:\\windows\\Start Menu\\Programs\\StartUp"));
}

QTEST_MAIN(TestPrefix)
#include "tst_prefix.moc"

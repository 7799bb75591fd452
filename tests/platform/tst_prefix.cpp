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
        QVERIFY(QFileInfo(p->root() + "/drive_c/WINDOWS/Start Menu/Programs/StartUp").isDir());
        QCOMPARE(rawLink(p->root() + "/dosdevices/c:"), "../drive_c");
        QCOMPARE(rawLink(p->root() + "/dosdevices/z:"), "/");
        // Nothing of the construction is left beside the prefix.
        const auto all = QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot;
        QCOMPARE(QDir(p->baseDir()).entryList(all), QStringList{"prefix"});
    }

    // A Wine prefix (lower-case windows folder, a d: drive) gets nothing added or moved.
    void existingPrefixKept()
    {
        QTemporaryDir dir;
        const QString root = dir.filePath("wine");
        QVERIFY(QDir().mkpath(root + "/drive_c/windows") && QDir().mkpath(root + "/dosdevices"));
        QVERIFY(QFile::link("../drive_c", root + "/dosdevices/c:"));
        QVERIFY(QFile::link(dir.path(), root + "/dosdevices/d:"));
        QVERIFY(Prefix(root).ensureCreated());
        const auto entries = QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot;
        QCOMPARE(QDir(root + "/drive_c").entryList(entries), QStringList{"windows"});
        QCOMPARE(QDir(root + "/dosdevices").entryList(entries), (QStringList{"c:", "d:"}));
    }

    // --image: a prefix of its own per image (by its real path), c: linking to the image; the
    // image drive has no host path, and a prefix that exists already is left as it is.
    void prefixOfAnImage()
    {
        const auto data = keepEnv("XDG_DATA_HOME");
        QTemporaryDir dir;
        qputenv("XDG_DATA_HOME", dir.filePath("data").toUtf8());
        QFile image(dir.filePath("win 98.img"));
        QVERIFY(image.open(QIODevice::WriteOnly) && image.resize(1 << 20));
        QVERIFY(QFile::link(image.fileName(), dir.filePath("alias.img")));
        const QString root = Prefix::imageRoot(image.fileName());
        QVERIFY(root.startsWith(dir.filePath("data/bootgallery-images/win_98.img-")));
        QCOMPARE(Prefix::imageRoot(dir.filePath("alias.img")).section('-', -1), root.section('-', -1));
        QVERIFY(Prefix::imageRoot(dir.filePath("other.img")) != root);

        Prefix machine(root);
        QVERIFY(machine.ensureCreatedForImage(dir.filePath("alias.img")));
        QCOMPARE(rawLink(root + "/dosdevices/c:"), QFileInfo(image).canonicalFilePath());
        QCOMPARE(machine.driveImage('c'), QFileInfo(image).canonicalFilePath());
        QVERIFY(machine.isOnImageDrive("c:\\WINDOWS") && !machine.isOnImageDrive("Z:\\tmp"));
        QVERIFY(!machine.toHost("C:\\WINDOWS").has_value());
        QCOMPARE(machine.spelledAsOnDisk("c:\\windows"), "C:\\windows"); // nobody to look it up
        QCOMPARE(machine.toWindows(image.fileName()), "Z:" + QDir::toNativeSeparators(image.fileName()).replace('/', '\\'));
        QVERIFY(QFile::remove(root + "/dosdevices/z:"));
        QVERIFY(machine.ensureCreatedForImage(dir.filePath("other.img")));
        QCOMPARE(QDir(root + "/dosdevices").entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot), QStringList{"c:"});
    }

    void toHost_data()
    {
        QTest::addColumn<QString>("windows");
        QTest::addColumn<QString>("host"); // relative to drive C; "-" for none
        QTest::newRow("lower case, slashes") << "c:/windows/start menu" << "WINDOWS/Start Menu";
        QTest::newRow("doubled separators, dots") << "C:\\\\.\\WINDOWS\\/Start Menu\\"
                                                  << "WINDOWS/Start Menu";
        QTest::newRow("dot dot above root") << "C:\\..\\..\\WINDOWS\\..\\New" << "New";
        QTest::newRow("new name keeps spelling") << "C:\\windows\\Logos\\MyLogo.BMP"
                                                 << "WINDOWS/Logos/MyLogo.BMP";
        QTest::newRow("drive relative") << "C:WINDOWS" << "-";
        QTest::newRow("colon in name") << "C:\\a:b" << "-";
        QTest::newRow("drive without link") << "Q:\\x" << "-";
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
        // A listing is never remembered: a folder renamed behind our back is found again.
        QVERIFY(QDir(c()).rename("Logos", "LOGOS.old"));
        QVERIFY(mkpath("/logos"));
        QCOMPARE(p->host("C:\\Logos"), c("/logos"));
        // Of two spellings on disk the exact one wins.
        for (const QString name : {"/logo.sys", "/LOGO.SYS"})
            QVERIFY(QFile(c(name)).open(QIODevice::WriteOnly));
        QCOMPARE(p->host("C:\\LOGO.SYS"), c("/LOGO.SYS"));
        QCOMPARE(p->host("C:\\logo.sys"), c("/logo.sys"));
    }

    void drivesThroughLinks()
    {
        // Upper-case letters find the lower-case link; relative targets resolve in dosdevices/.
        QVERIFY(p->addDrive(u'E', "../drive_c/WINDOWS"));
        QCOMPARE(p->host("e:\\start menu"), c("/WINDOWS/Start Menu"));
        QVERIFY(p->removeDrive(u'e'));
        QVERIFY(!p->prefix().toHost("E:\\Start Menu"));
        // Without a Z: drive nothing outside the other drives has a Windows form.
        QVERIFY(p->removeDrive(u'z'));
        QVERIFY(!p->prefix().toWindows("/"));
    }

    void toWindows_data()
    {
        QTest::addColumn<QString>("host"); // "@C" = drive C, "@B" = the temporary base directory
        QTest::addColumn<QString>("windows"); // "@Z" = the canonical base directory on Z:
        QTest::newRow("missing rest kept") << "@C/WINDOWS/New/a.bmp" << "C:\\WINDOWS\\New\\a.bmp";
        QTest::newRow("through a link into drive C") << "@B/link/Programs"
                                                     << "C:\\WINDOWS\\Start Menu\\Programs";
        QTest::newRow("longest drive wins") << "@C/WINDOWS/Start Menu/Programs/StartUp/x.lnk"
                                            << "S:\\x.lnk";
        QTest::newRow("outside every drive but Z") << "@B/elsewhere/b.bmp" << "@Z/elsewhere/b.bmp";
        QTest::newRow("colon in name") << "@C/a:b.bmp" << "";
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

    // The classic layout, then Wine's: no Start menu under the Windows folder, one per user.
    void specialFolders()
    {
        QCOMPARE(p->prefix().startupFolder(), "C:\\WINDOWS\\Start Menu\\Programs\\StartUp");
        QVERIFY(QDir(c()).rename("WINDOWS", "windows"));
        QCOMPARE(p->prefix().windowsDirectory(), "C:\\windows");
        const auto user = keepEnv("USER");
        qputenv("USER", "ann");
        QVERIFY(QDir(c("/windows")).removeRecursively() && mkpath("/windows/system32"));
        QCOMPARE(p->prefix().startupFolder(), QString());
        const QString programs = "\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs";
        QVERIFY(mkpath("/users/ann" + QString(programs).replace(u'\\', u'/') + "/Startup"));
        QCOMPARE(p->prefix().startupFolder(), "C:\\users\\ann" + programs + "\\Startup");
        QCOMPARE(p->prefix().programsFolder(), "C:\\users\\ann" + programs);
    }
};

QTEST_MAIN(TestPrefix)
#include "tst_prefix.moc"

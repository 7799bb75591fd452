#include "platform/DosAttributes.h"
#include "platform/FileService.h"
#include "platform/RuntimeError.h"
#include "support/FaultInjectingFileService.h"
#include "support/TempPrefix.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using bg::FolderFile;
using bg::test::FaultInjectingFileService;
using bg::test::TempPrefix;
namespace attr = bg::attr;
namespace rt = bg::rt;

namespace {

QByteArray enc(const QString &s)
{
    return QFile::encodeName(s);
}

// Sets or clears the immutable flag, which even root cannot write through. False when the file
// system or the process's capabilities do not allow it.
bool setImmutable(const QString &host, bool on)
{
    const int fd = ::open(enc(host).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    int flags = 0;
    bool ok = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (ok) {
        flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
        ok = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(fd);
    return ok;
}

class ImmutableGuard
{
public:
    explicit ImmutableGuard(const QString &host) : m_host(host), m_set(setImmutable(host, true)) {}
    ~ImmutableGuard()
    {
        if (m_set)
            setImmutable(m_host, false);
    }
    bool isSet() const { return m_set; }

private:
    QString m_host;
    bool m_set;
};

bool makeSocket(const QString &path)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray p = enc(path);
    if (fd < 0 || size_t(p.size()) >= sizeof address.sun_path)
        return false;
    std::copy(p.begin(), p.end(), address.sun_path);
    const bool ok = ::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0;
    ::close(fd);
    return ok;
}

QStringList leftovers(const QString &hostDir)
{
    return QDir(hostDir).entryList({QStringLiteral(".~bg*")}, QDir::Files | QDir::Hidden);
}

} // namespace

class TestFileService : public QObject
{
    Q_OBJECT

private slots:
    void existence();
    void listingSkipsWhatIsNotAFile();
    void countSubFolders();
    void copyErrors();
    void copyKeepsContentAndAttributes();
    void copyReplacesAsAWhole();
    void moveFile();
    void moveErrors();
    void replaceFile();
    void acrossFileSystems();
    void deleteFile();
    void deleteFolder();
    void immutableRefusals();
    void dir_data();
    void dir();
    void readFile();
    void writeFileAtomic();
    void faultInjection();
};

void TestFileService::existence()
{
    TempPrefix p;
    QVERIFY(p.isValid());
    auto &fs = p.files();
    QVERIFY(p.writeFile("C:\\Logos\\a.bmp", "abc"));
    QVERIFY(fs.folderExists("c:\\logos"));
    QVERIFY(fs.folderExists("C:\\LOGOS\\"));
    QVERIFY(!fs.folderExists("C:\\Logos\\a.bmp"));
    QVERIFY(fs.fileExists("C:\\LOGOS\\A.BMP"));
    QVERIFY(!fs.fileExists("C:\\Logos"));
    QVERIFY(!fs.fileExists("Q:\\Logos\\a.bmp"));
    QVERIFY(!fs.folderExists(""));
    qint64 size = -1;
    QCOMPARE(fs.fileLen("C:\\Logos\\a.bmp", size), rt::Ok);
    QCOMPARE(size, 3);
    QCOMPARE(fs.fileLen("C:\\Logos\\b.bmp", size), rt::FileNotFound);
    QCOMPARE(fs.fileLen("C:\\Missing\\b.bmp", size), rt::PathNotFound);
    QCOMPARE(fs.hostPath("C:\\logos\\A.bmp").value_or(QString()), p.driveC() + "/Logos/a.bmp");

    QCOMPARE(fs.createFolder("C:\\Logos\\Showed\\"), rt::Ok);
    QCOMPARE(fs.createFolder("C:\\logos\\SHOWED"), rt::FileAlreadyExists);
    QCOMPARE(fs.createFolder("C:\\Missing\\Showed"), rt::PathNotFound);
    QVERIFY(QFileInfo(p.driveC() + "/Logos/Showed").isDir());
}

void TestFileService::listingSkipsWhatIsNotAFile()
{
    TempPrefix p;
    QVERIFY(p.isValid());
    const QString dir = p.driveC() + "/Logos";
    QVERIFY(p.writeFile("C:\\Logos\\one.bmp", QByteArray(129, 'x')));
    QVERIFY(p.writeFile("C:\\Logos\\two.BMP", "22"));
    QVERIFY(p.makeFolder("C:\\Logos\\Showed"));
    QVERIFY(QFile::link(dir + "/one.bmp", dir + "/link.bmp"));
    QVERIFY(QFile::link(dir + "/gone.bmp", dir + "/dangling.bmp"));
    QVERIFY(QFile::link(dir + "/loop2.bmp", dir + "/loop1.bmp"));
    QVERIFY(QFile::link(dir + "/loop1.bmp", dir + "/loop2.bmp"));
    QCOMPARE(::mkfifo(enc(dir + "/fifo.bmp").constData(), 0644), 0);
    QVERIFY(makeSocket(dir + "/socket.bmp"));
    // A name no Windows path can spell is not a file of the folder either.
    QVERIFY(p.writeFile("C:\\Logos\\ok.bmp", "1"));
    QVERIFY(QFile::rename(dir + "/ok.bmp", dir + "/a:b.bmp"));

    QElapsedTimer timer;
    timer.start();
    std::vector<FolderFile> files;
    QCOMPARE(p.files().listFiles("C:\\LOGOS", files), rt::Ok);
    QStringList names;
    for (const FolderFile &f : files) {
        names.append(f.name);
        QCOMPARE(f.path, "C:\\LOGOS\\" + f.name);
        QCOMPARE(f.hostPath, dir + u'/' + f.name);
        QCOMPARE(f.size, QFileInfo(f.hostPath).size());
    }
    names.sort();
    QCOMPARE(names, (QStringList{"link.bmp", "one.bmp", "two.BMP"}));

    // Nothing opens the FIFO: each of these would hang if it did.
    QVERIFY(!p.files().fileExists("C:\\Logos\\fifo.bmp"));
    QByteArray data;
    QCOMPARE(p.files().readFile("C:\\Logos\\fifo.bmp", data, 1 << 20), rt::FileNotFound);
    QCOMPARE(p.files().dir("C:\\Logos\\fifo.bmp", attr::Hidden | attr::System), QString());
    qint64 size;
    QCOMPARE(p.files().fileLen("C:\\Logos\\socket.bmp", size), rt::FileNotFound);
    int attributes = -1;
    QCOMPARE(p.files().getAttr("C:\\Logos\\fifo.bmp", attributes), rt::Ok);
    QCOMPARE(attributes, 0);
    QVERIFY(timer.elapsed() < 5000);

    QCOMPARE(p.files().listFiles("C:\\Nowhere", files), rt::PathNotFound);
    QVERIFY(files.empty());
    QCOMPARE(p.files().listFiles("C:\\Logos\\one.bmp", files), rt::PathNotFound);
}

void TestFileService::countSubFolders()
{
    TempPrefix p;
    QVERIFY(p.isValid());
    const QString dir = p.driveC() + "/Logos";
    QVERIFY(p.makeFolder("C:\\Logos\\Showed"));
    QVERIFY(p.makeFolder("C:\\Logos\\Old"));
    QVERIFY(p.writeFile("C:\\Logos\\a.bmp", "a"));
    QVERIFY(QFile::link(dir + "/Old", dir + "/linked"));
    QVERIFY(QFile::link(dir + "/none", dir + "/dangling"));
    int count = -1;
    QCOMPARE(p.files().countSubFolders("C:\\Logos\\", count), rt::Ok);
    QCOMPARE(count, 3);
    QCOMPARE(p.files().countSubFolders("C:\\Logos\\Showed", count), rt::Ok);
    QCOMPARE(count, 0);
    QCOMPARE(p.files().countSubFolders("C:\\Nowhere", count), rt::PathNotFound);
}

void TestFileService::copyErrors()
{
    TempPrefix p;
    QVERIFY(p.isValid());
    auto &fs = p.files();
    QVERIFY(p.writeFile("C:\\a.bmp", "source"));
    QVERIFY(p.writeFile("C:\\Logos\\b.bmp", "old"));
    QVERIFY(p.makeFolder("C:\\Logos\\Sub"));

    QCOMPARE(fs.copyFile("C:\\missing.bmp", "C:\\Logos\\c.bmp", true), rt::FileNotFound);
    QCOMPARE(fs.copyFile("C:\\Logos", "C:\\Logos\\c.bmp", true), rt::FileNotFound);
    QCOMPARE(fs.copyFile("C:\\a.bmp", "C:\\Nowhere\\c.bmp", true), rt::PathNotFound);
    QCOMPARE(fs.copyFile("C:\\a.bmp", "C:\\Nowhere\\", true), rt::PathNotFound);
    QCOMPARE(fs.copyFile("C:\\a.bmp", "Q:\\c.bmp", true), rt::PathNotFound);
    QCOMPARE(fs.copyFile("C:\\a.bmp", "C:\\Logos\\B.BMP", false), rt::FileAlreadyExists);
    QCOMPARE(fs.copyFile("C:\\a.bmp", "C:\\Logos\\Sub", true), rt::PermissionDenied);
    QCOMPARE(fs.copyFile("C:\\a.bmp", "C:\\A.BMP", true), rt::PermissionDenied);
    QCOMPARE(p.readFile("C:\\a.bmp"), QByteArray("source"));

    // Read-only is the missing write bit, refused even for a user the kernel lets write.
    QVERIFY(p.setReadOnly("C:\\Logos\\b.bmp", true));
    QCOMPARE(fs.copyFile("C:\\a.bmp", "C:\\Logos\\b.bmp", true), rt::PermissionDenied);
    QCOMPARE(p.readFile("C:\\Logos\\b.bmp"), QByteArray("old"));
    QVERIFY(leftovers(p.driveC() + "/Logos").isEmpty());
}

void TestFileService::copyKeepsContentAndAttributes()
{
    TempPrefix p;
    QVERIFY(p.isValid());
    auto &fs = p.files();
    QVERIFY(p.writeFileOfSize("C:\\Logos\\big.bmp", 3 << 20));
    QVERIFY(p.makeFolder("C:\\Logos\\Showed"));
    QCOMPARE(fs.setAttr("C:\\Logos\\big.bmp", attr::Hidden | attr::ReadOnly | attr::Archive), rt::Ok);
    const QString sourceHost = p.host("C:\\Logos\\big.bmp");
    const timespec old[2] = {{898747200, 0}, {898747200, 0}}; // 25 June 1998
    QCOMPARE(::utimensat(AT_FDCWD, enc(sourceHost).constData(), old, 0), 0);

    // A destination ending in a backslash is a folder: the copy keeps the name.
    QCOMPARE(fs.copyFile("C:\\Logos\\big.bmp", "C:\\Logos\\Showed\\", false), rt::Ok);
    QCOMPARE(p.readFile("C:\\Logos\\Showed\\big.bmp"), p.readFile("C:\\Logos\\big.bmp"));
    int attributes = 0;
    QCOMPARE(fs.getAttr("C:\\Logos\\Showed\\big.bmp", attributes), rt::Ok);
    QCOMPARE(attributes, attr::Hidden | attr::ReadOnly | attr::Archive);
    QCOMPARE(QFileInfo(p.host("C:\\Logos\\Showed\\big.bmp")).lastModified().toSecsSinceEpoch(),
             898747200);

    // Without attributes the copy has none either.
    QVERIFY(p.writeFile("C:\\plain.bmp", "plain"));
    QCOMPARE(fs.copyFile("C:\\plain.bmp", "C:\\Logos\\plain.bmp", false), rt::Ok);
    QCOMPARE(fs.getAttr("C:\\Logos\\plain.bmp", attributes), rt::Ok);
    QCOMPARE(attributes, 0);
}

void TestFileService::copyReplacesAsAWhole()
{
    TempPrefix p;
    QVERIFY(p.isValid());
    QVERIFY(p.writeFile("C:\\new.bmp", "new content"));
    QVERIFY(p.writeFile("C:\\Logos\\LOGO.SYS", "old"));
    // A reader holding the old file keeps reading the old content: it was replaced, not rewritten.
    QFile reader(p.host("C:\\Logos\\LOGO.SYS"));
    QVERIFY(reader.open(QIODevice::ReadOnly));
    QCOMPARE(p.files().copyFile("C:\\new.bmp", "c:\\logos\\logo.sys", true), rt::Ok);
    QCOMPARE(reader.readAll(), QByteArray("old"));
    QCOMPARE(p.readFile("C:\\Logos\\LOGO.SYS"), QByteArray("new content"));
    QCOMPARE(QDir(p.driveC() + "/Logos").entryList(QDir::Files | QDir::Hidden),
             QStringList{"LOGO.SYS"});
}

void TestFileService::moveFile()
{
    TempPrefix p;
    QVERIFY(p.isValid());
    auto &fs = p.files();
    QVERIFY(p.writeFile("C:\\Logos\\a.bmp", "a"));
    QVERIFY(p.makeFolder("C:\\Logos\\Showed"));
    QCOMPARE(fs.moveFile("C:\\Logos\\a.bmp", "C:\\Logos\\Showed\\"), rt::Ok);
    QVERIFY(!p.exists("C:\\Logos\\a.bmp"));
    QCOMPARE(p.readFile("C:\\Logos\\Showed\\a.bmp"), QByteArray("a"));

    // A change of case is a rename, not an existing destination.
    QCOMPARE(fs.moveFile("C:\\Logos\\Showed\\a.bmp", "C:\\Logos\\Showed\\A.BMP"), rt::Ok);
    QCOMPARE(QDir(p.driveC() + "/Logos/Showed").entryList(QDir::Files), QStringList{"A.BMP"});
    QCOMPARE(fs.moveFile("C:\\Logos\\Showed\\A.BMP", "C:\\Logos\\Showed\\A.BMP"),
             rt::FileAlreadyExists);

    // A read-only file moves as on Windows.
    QVERIFY(p.setReadOnly("C:\\Logos\\Showed\\A.BMP", true));
    QCOMPARE(fs.moveFile("C:\\Logos\\Showed\\A.BMP", "C:\\Logos\\b.bmp"), rt::Ok);
    QCOMPARE(p.readFile("C:\\Logos\\b.bmp"), QByteArray("a"));
}

void TestFileService::moveErrors()
{
    TempPrefix p;
    QVERIFY(p.isValid());
    auto &fs = p.files();
    QVERIFY(p.writeFile("C:\\Logos\\a.bmp", "a"));
    QVERIFY(p.writeFile("C:\\Logos\\b.bmp", "b"));
    QCOMPARE(fs.moveFile("C:\\Logos\\a.bmp", "C:\\Logos\\B.bmp"), rt::FileAlreadyExists);
    QCOMPARE(fs.moveFile("C:\\Logos\\none.bmp", "C:\\Logos\\c.bmp"), rt::FileNotFound);
    QCOMPARE(fs.moveFile("C:\\Nowhere\\none.bmp", "C:\\Logos\\c.bmp"), rt::PathNotFound);
    QCOMPARE(fs.moveFile("C:\\Logos\\a.bmp", "C:\\Nowhere\\c.bmp"), rt::PathNotFound);
    QCOMPARE(p.readFile("C:\\Logos\\a.bmp"), QByteArray("a"));
    QCOMPARE(p.readFile("C:\\Logos\\b.bmp"), QByteArray("b"));

    // Another name of the same file exists too.
    QVERIFY(::link(enc(p.host("C:\\Logos\\a.bmp")).constData(),
                   enc(p.driveC() + "/Logos/hard.bmp").constData()) == 0);
    QCOMPARE(fs.moveFile("C:\\Logos\\a.bmp", "C:\\Logos\\hard.bmp"), rt::FileAlreadyExists);
}

void TestFileService::replaceFile()
{
    TempPrefix p;
    QVERIFY(p.isValid());
    auto &fs = p.files();
    QVERIFY(p.writeFile("C:\\Logos\\new.bmp", "new"));
    QVERIFY(p.writeFile("C:\\LOGO.SYS", "old"));
    QVERIFY(p.setReadOnly("C:\\LOGO.SYS", true));
    QCOMPARE(fs.replaceFile("C:\\Logos\\new.bmp", "C:\\logo.sys"), rt::Ok);
    QCOMPARE(p.readFile("C:\\LOGO.SYS"), QByteArray("new"));
    QVERIFY(!p.exists("C:\\Logos\\new.bmp"));

    QVERIFY(p.writeFile("C:\\Logos\\x.bmp", "x"));
    QCOMPARE(fs.replaceFile("C:\\Logos\\x.bmp", "C:\\Logos\\y.bmp"), rt::Ok);
    QCOMPARE(p.readFile("C:\\Logos\\y.bmp"), QByteArray("x"));
    QCOMPARE(fs.replaceFile("C:\\Logos\\y.bmp", "C:\\Logos\\Y.bmp"), rt::Ok);
    QCOMPARE(QDir(p.driveC() + "/Logos").entryList(QDir::Files), QStringList{"Y.bmp"});
    QCOMPARE(fs.replaceFile("C:\\Logos\\Y.bmp", "C:\\Logos\\Y.bmp"), rt::Ok);
    QCOMPARE(p.readFile("C:\\Logos\\Y.bmp"), QByteArray("x"));

    QCOMPARE(fs.replaceFile("C:\\Logos\\none.bmp", "C:\\LOGO.SYS"), rt::FileNotFound);
    QCOMPARE(fs.replaceFile("C:\\Logos\\Y.bmp", "C:\\Nowhere\\LOGO.SYS"), rt::PathNotFound);
    QCOMPARE(fs.replaceFile("C:\\Logos\\Y.bmp", "C:\\WINDOWS"), rt::PermissionDenied);
}

void TestFileService::acrossFileSystems()
{
    TempPrefix p;
    QVERIFY(p.isValid());
    QTemporaryDir other(QStringLiteral("/dev/shm/bootgallery-test-XXXXXX"));
    struct stat a, b;
    if (!other.isValid() || ::stat(enc(other.path()).constData(), &a) != 0
        || ::stat(enc(p.driveC()).constData(), &b) != 0 || a.st_dev == b.st_dev)
        QSKIP("no second file system (/dev/shm) beside the temporary directory");
    QVERIFY(p.addDrive(u'd', other.path()));
    auto &fs = p.files();

    QVERIFY(p.writeFile("C:\\a.bmp", "a"));
    QCOMPARE(fs.setAttr("C:\\a.bmp", attr::ReadOnly), rt::Ok);
    QCOMPARE(fs.moveFile("C:\\a.bmp", "D:\\a.bmp"), rt::Ok);
    QVERIFY(!p.exists("C:\\a.bmp"));
    QCOMPARE(p.readFile("D:\\a.bmp"), QByteArray("a"));
    int attributes = 0;
    QCOMPARE(fs.getAttr("D:\\a.bmp", attributes), rt::Ok);
    QVERIFY(attributes & attr::ReadOnly);

    QVERIFY(p.writeFile("C:\\b.bmp", "b"));
    QCOMPARE(fs.moveFile("D:\\a.bmp", "C:\\b.bmp"), rt::FileAlreadyExists);
    QCOMPARE(fs.replaceFile("D:\\a.bmp", "C:\\b.bmp"), rt::Ok);
    QCOMPARE(p.readFile("C:\\b.bmp"), QByteArray("a"));
    QVERIFY(!p.exists("D:\\a.bmp"));
    QVERIFY(leftovers(p.driveC()).isEmpty());
}

void TestFileService::deleteFile()
{
    TempPrefix p;
    QVERIFY(p.isValid());
    auto &fs = p.files();
    QVERIFY(p.writeFile("C:\\Logos\\a.bmp", "a"));
    QVERIFY(p.setReadOnly("C:\\Logos\\a.bmp", true));
    QCOMPARE(fs.deleteFile("C:\\Logos\\a.bmp", false), rt::PermissionDenied);
    QVERIFY(p.exists("C:\\Logos\\a.bmp"));
    QCOMPARE(fs.deleteFile("C:\\logos\\A.BMP", true), rt::Ok);
    QVERIFY(!p.exists("C:\\Logos\\a.bmp"));
    QCOMPARE(fs.deleteFile("C:\\Logos\\a.bmp", true), rt::FileNotFound);
    QCOMPARE(fs.deleteFile("C:\\Nowhere\\a.bmp", true), rt::PathNotFound);
    QCOMPARE(fs.deleteFile("C:\\Logos", true), rt::FileNotFound);
    QVERIFY(p.exists("C:\\Logos"));
}

void TestFileService::deleteFolder()
{
    TempPrefix p;
    QVERIFY(p.isValid());
    auto &fs = p.files();
    QVERIFY(p.writeFile("C:\\Logos\\Showed\\a.bmp", "a"));
    QCOMPARE(fs.deleteFolder("C:\\Logos\\Showed", true), rt::PermissionDenied);
    QVERIFY(p.exists("C:\\Logos\\Showed\\a.bmp"));
    QCOMPARE(fs.deleteFile("C:\\Logos\\Showed\\a.bmp", false), rt::Ok);
    QVERIFY(p.setReadOnly("C:\\Logos\\Showed", true));
    QCOMPARE(fs.deleteFolder("C:\\Logos\\Showed", false), rt::PermissionDenied);
    QVERIFY(p.exists("C:\\Logos\\Showed"));
    QCOMPARE(fs.deleteFolder("C:\\logos\\showed\\", true), rt::Ok);
    QVERIFY(!p.exists("C:\\Logos\\Showed"));
    QCOMPARE(fs.deleteFolder("C:\\Logos\\Showed", true), rt::PathNotFound);
    QVERIFY(p.writeFile("C:\\Logos\\f.bmp", "f"));
    QCOMPARE(fs.deleteFolder("C:\\Logos\\f.bmp", true), rt::PathNotFound);
}

void TestFileService::immutableRefusals()
{
    TempPrefix p;
    QVERIFY(p.isValid());
    auto &fs = p.files();
    QVERIFY(p.writeFile("C:\\LOGO.SYS", "locked"));
    QVERIFY(p.writeFile("C:\\new.bmp", "new"));
    ImmutableGuard guard(p.host("C:\\LOGO.SYS"));
    if (!guard.isSet())
        QSKIP("the immutable flag cannot be set here (file system or missing capability)");
    QCOMPARE(fs.deleteFile("C:\\LOGO.SYS", true), rt::PermissionDenied);
    QCOMPARE(fs.moveFile("C:\\LOGO.SYS", "C:\\moved.sys"), rt::PermissionDenied);
    QCOMPARE(fs.setAttr("C:\\LOGO.SYS", attr::Hidden), rt::PermissionDenied);
    QCOMPARE(fs.writeFileAtomic("C:\\new.bmp", "rewritten"), rt::Ok);
    QCOMPARE(p.readFile("C:\\LOGO.SYS"), QByteArray("locked"));
}

void TestFileService::dir_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<int>("mask");
    QTest::addColumn<bool>("found");

    const int h = attr::Hidden, s = attr::System, d = attr::Directory;
    QTest::newRow("normal, mask 0") << "normal.bmp" << 0 << true;
    QTest::newRow("read-only, mask 0") << "readonly.bmp" << 0 << true;
    QTest::newRow("normal, folder mask") << "normal.bmp" << d << true;
    QTest::newRow("hidden, mask 0") << "hidden.bmp" << 0 << false;
    QTest::newRow("hidden, hidden mask") << "hidden.bmp" << h << true;
    QTest::newRow("hidden, folder mask") << "hidden.bmp" << d << false;
    QTest::newRow("system, hidden mask") << "system.bmp" << h << false;
    QTest::newRow("system, system mask") << "system.bmp" << s << true;
    QTest::newRow("hidden system, hidden mask") << "both.bmp" << h << false;
    QTest::newRow("hidden system, both") << "both.bmp" << (h | s) << true;
    QTest::newRow("folder, mask 0") << "Showed" << 0 << false;
    QTest::newRow("folder, folder mask") << "Showed" << d << true;
    QTest::newRow("hidden folder, folder mask") << "Secret" << d << false;
    QTest::newRow("hidden folder, folder and hidden") << "Secret" << (d | h) << true;
    QTest::newRow("missing") << "missing.bmp" << (d | h | s) << false;
}

void TestFileService::dir()
{
    QFETCH(QString, entry);
    QFETCH(int, mask);
    QFETCH(bool, found);
    TempPrefix p;
    QVERIFY(p.isValid());
    auto &fs = p.files();
    for (const char *name : {"normal.bmp", "readonly.bmp", "hidden.bmp", "system.bmp", "both.bmp"})
        QVERIFY(p.writeFile(QStringLiteral("C:\\Logos\\") + QLatin1String(name), "x"));
    QVERIFY(p.makeFolder("C:\\Logos\\Showed"));
    QVERIFY(p.makeFolder("C:\\Logos\\Secret"));
    QCOMPARE(fs.setAttr("C:\\Logos\\readonly.bmp", attr::ReadOnly), rt::Ok);
    QCOMPARE(fs.setAttr("C:\\Logos\\hidden.bmp", attr::Hidden), rt::Ok);
    QCOMPARE(fs.setAttr("C:\\Logos\\system.bmp", attr::System), rt::Ok);
    QCOMPARE(fs.setAttr("C:\\Logos\\both.bmp", attr::Hidden | attr::System), rt::Ok);
    QCOMPARE(fs.setAttr("C:\\Logos\\Secret", attr::Hidden), rt::Ok);

    // Asked in upper case, answered as the disk spells it.
    QCOMPARE(fs.dir("C:\\LOGOS\\" + entry.toUpper(), mask), found ? entry : QString());
}

void TestFileService::readFile()
{
    TempPrefix p;
    QVERIFY(p.isValid());
    QVERIFY(p.writeFile("C:\\WINDOWS\\SW.ini", "[SplashwheelSet]\r\n"));
    QByteArray data;
    QCOMPARE(p.files().readFile("C:\\windows\\sw.INI", data, 1024), rt::Ok);
    QCOMPARE(data, QByteArray("[SplashwheelSet]\r\n"));
    QCOMPARE(p.files().readFile("C:\\WINDOWS\\SW.ini", data, 17), rt::PathFileAccess);
    QVERIFY(data.isEmpty());
    QCOMPARE(p.files().readFile("C:\\WINDOWS\\SW.ini", data, 18), rt::Ok);
    QCOMPARE(p.files().readFile("C:\\WINDOWS\\none.ini", data, 18), rt::FileNotFound);
    QCOMPARE(p.files().readFile("C:\\WINDOWS", data, 18), rt::FileNotFound);
    QVERIFY(p.writeFile("C:\\empty", ""));
    QCOMPARE(p.files().readFile("C:\\empty", data, 0), rt::Ok);
    QVERIFY(data.isEmpty());
}

void TestFileService::writeFileAtomic()
{
    TempPrefix p;
    QVERIFY(p.isValid());
    auto &fs = p.files();
    QCOMPARE(fs.writeFileAtomic("C:\\WINDOWS\\SW.ini", "first"), rt::Ok);
    QCOMPARE(p.readFile("C:\\WINDOWS\\SW.ini"), QByteArray("first"));

    // Mode and attributes of the file it replaces stay.
    const QString host = p.host("C:\\WINDOWS\\SW.ini");
    QVERIFY(QFile::setPermissions(host, QFile::ReadOwner | QFile::WriteOwner));
    QCOMPARE(fs.setAttr("C:\\WINDOWS\\SW.ini", attr::Hidden), rt::Ok);
    QCOMPARE(fs.writeFileAtomic("c:\\windows\\sw.ini", "second, longer"), rt::Ok);
    QCOMPARE(p.readFile("C:\\WINDOWS\\SW.ini"), QByteArray("second, longer"));
    struct stat st;
    QCOMPARE(::stat(enc(host).constData(), &st), 0);
    QCOMPARE(st.st_mode & 07777, mode_t(0600));
    int attributes = 0;
    QCOMPARE(fs.getAttr("C:\\WINDOWS\\SW.ini", attributes), rt::Ok);
    QCOMPARE(attributes, attr::Hidden);

    QVERIFY(p.setReadOnly("C:\\WINDOWS\\SW.ini", true));
    QCOMPARE(fs.writeFileAtomic("C:\\WINDOWS\\SW.ini", "third"), rt::PermissionDenied);
    QCOMPARE(fs.writeFileAtomic("C:\\Nowhere\\SW.ini", "x"), rt::PathNotFound);
    QCOMPARE(fs.writeFileAtomic("C:\\WINDOWS", "x"), rt::PermissionDenied);
    QCOMPARE(p.readFile("C:\\WINDOWS\\SW.ini"), QByteArray("second, longer"));
    QVERIFY(leftovers(p.driveC() + "/WINDOWS").isEmpty());
}

void TestFileService::faultInjection()
{
    TempPrefix p;
    QVERIFY(p.isValid());
    FaultInjectingFileService fs(p.files());
    QVERIFY(p.writeFile("C:\\a.bmp", "a"));
    fs.failNthCall(2, rt::DiskFull);
    fs.failEveryCallOf("deleteFile", rt::PermissionDenied);
    QCOMPARE(fs.createFolder("C:\\Logos"), rt::Ok);
    QCOMPARE(fs.copyFile("C:\\a.bmp", "C:\\Logos\\a.bmp", true), rt::DiskFull);
    QVERIFY(!p.exists("C:\\Logos\\a.bmp"));
    QCOMPARE(fs.copyFile("C:\\a.bmp", "C:\\Logos\\a.bmp", true), rt::Ok);
    QVERIFY(fs.fileExists("C:\\Logos\\a.bmp"));
    QCOMPARE(fs.deleteFile("C:\\a.bmp", true), rt::PermissionDenied);
    QVERIFY(p.exists("C:\\a.bmp"));
    fs.clearFaults();
    fs.failNthCallOf("setAttr", 2, rt::PathFileAccess);
    QCOMPARE(fs.setAttr("C:\\a.bmp", attr::Hidden), rt::Ok);
    QCOMPARE(fs.setAttr("C:\\a.bmp", 0), rt::PathFileAccess);
    QCOMPARE(fs.changingCalls(), 6);
    QCOMPARE(fs.callsOf("copyFile"), 2);
    QCOMPARE(fs.logLines(), (QStringList{
                                "createFolder C:\\Logos",
                                "copyFile C:\\a.bmp C:\\Logos\\a.bmp -> 61",
                                "copyFile C:\\a.bmp C:\\Logos\\a.bmp",
                                "deleteFile C:\\a.bmp -> 70",
                                "setAttr C:\\a.bmp",
                                "setAttr C:\\a.bmp -> 75",
                            }));
    QVERIFY(fs.log().at(1).injected);
    int attributes = 0;
    QCOMPARE(fs.getAttr("C:\\a.bmp", attributes), rt::Ok);
    QCOMPARE(attributes, attr::Hidden);
}

QTEST_MAIN(TestFileService)
#include "tst_fileservice.moc"

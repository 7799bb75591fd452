#include "platform/DosAttributes.h"
#include "platform/FileService.h"
#include "platform/RuntimeError.h"
#include "support/TempPrefix.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <fcntl.h>
#include <linux/fs.h>
#include <memory>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using bg::FolderFile;
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
    int flags = 0;
    bool ok = fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
    ok = ok && ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    if (fd >= 0)
        ::close(fd);
    return ok;
}

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

// Every entry below a host folder with its kind, mode and content: equal snapshots mean nothing
// was changed, added or left behind.
QStringList snapshot(const QString &hostDir)
{
    QStringList entries;
    QDirIterator it(hostDir, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info(it.next());
        QFile file(info.filePath());
        const QByteArray content = info.isFile() && file.open(QIODevice::ReadOnly) ? file.readAll()
                                                                                 : "-";
        entries << QStringLiteral("%1 %2 %3").arg(info.filePath()).arg(int(info.permissions()))
                       .arg(QString::fromLatin1(content.toHex()));
    }
    entries.sort();
    return entries;
}

} // namespace

class TestFileService : public QObject
{
    Q_OBJECT

    std::unique_ptr<TempPrefix> p;
    bg::HostFileService *fs = nullptr;

    int attributesOf(const QString &path)
    {
        int attributes = -1;
        return fs->getAttr(path, attributes) == rt::Ok ? attributes : -1;
    }

private slots:
    void init()
    {
        p = std::make_unique<TempPrefix>();
        QVERIFY(p->isValid());
        fs = &p->files();
    }
    void cleanup() { p.reset(); }

    // Each refusal leaves the disk exactly as it was.
    void errors_data()
    {
        QTest::addColumn<QString>("op");
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<int>("error");
        const auto row = [](const char *name, const char *op, const char *a, const char *b,
                            int error) { QTest::newRow(name) << op << a << b << error; };
        row("copy: missing source", "copy", "C:\\none.bmp", "C:\\Logos\\c.bmp", rt::FileNotFound);
        row("copy: folder as source", "copy", "C:\\Logos", "C:\\Logos\\c.bmp", rt::FileNotFound);
        row("copy: missing folder", "copy", "C:\\a.bmp", "C:\\Nowhere\\c.bmp", rt::PathNotFound);
        row("copy: into missing folder", "copy", "C:\\a.bmp", "C:\\Nowhere\\", rt::PathNotFound);
        row("copy: unknown drive", "copy", "C:\\a.bmp", "Q:\\c.bmp", rt::PathNotFound);
        row("copy: no overwrite", "copy0", "C:\\a.bmp", "C:\\Logos\\B.BMP", rt::FileAlreadyExists);
        row("copy: onto a folder", "copy", "C:\\a.bmp", "C:\\Logos\\Sub", rt::PermissionDenied);
        row("copy: onto itself", "copy", "C:\\a.bmp", "C:\\A.BMP", rt::PermissionDenied);
        row("copy: onto read-only", "copy", "C:\\a.bmp", "C:\\Logos\\ro.bmp", rt::PermissionDenied);
        row("move: existing", "move", "C:\\a.bmp", "C:\\Logos\\B.bmp", rt::FileAlreadyExists);
        row("move: onto itself", "move", "C:\\a.bmp", "C:\\a.bmp", rt::FileAlreadyExists);
        row("move: onto a hard link", "move", "C:\\a.bmp", "C:\\hard.bmp", rt::FileAlreadyExists);
        row("move: missing source", "move", "C:\\Logos\\none.bmp", "C:\\c.bmp", rt::FileNotFound);
        row("move: missing source folder", "move", "C:\\No\\n.bmp", "C:\\c.bmp", rt::PathNotFound);
        row("move: missing folder", "move", "C:\\a.bmp", "C:\\Nowhere\\c.bmp", rt::PathNotFound);
        row("replace: missing source", "replace", "C:\\none.bmp", "C:\\a.bmp", rt::FileNotFound);
        row("replace: missing folder", "replace", "C:\\a.bmp", "C:\\No\\L.SYS", rt::PathNotFound);
        row("replace: a folder", "replace", "C:\\a.bmp", "C:\\WINDOWS", rt::PermissionDenied);
        row("delete: read-only", "delete", "C:\\Logos\\ro.bmp", "", rt::PermissionDenied);
        row("delete: missing", "delete-force", "C:\\none.bmp", "", rt::FileNotFound);
        row("delete: missing folder", "delete-force", "C:\\Nowhere\\a.bmp", "", rt::PathNotFound);
        row("delete: a folder", "delete-force", "C:\\Logos", "", rt::FileNotFound);
        row("rmdir: not empty", "rmdir-force", "C:\\Logos\\Sub", "", rt::PermissionDenied);
        row("rmdir: read-only", "rmdir", "C:\\Logos\\Locked", "", rt::PermissionDenied);
        row("rmdir: missing", "rmdir-force", "C:\\Logos\\None", "", rt::PathNotFound);
        row("rmdir: a file", "rmdir-force", "C:\\a.bmp", "", rt::PathNotFound);
        row("mkdir: existing", "mkdir", "C:\\logos\\SUB", "", rt::FileAlreadyExists);
        row("mkdir: missing parent", "mkdir", "C:\\Missing\\Showed", "", rt::PathNotFound);
        row("length: missing", "length", "C:\\Logos\\c.bmp", "", rt::FileNotFound);
        row("length: missing folder", "length", "C:\\Missing\\c.bmp", "", rt::PathNotFound);
        row("length: socket", "length", "C:\\Logos\\socket", "", rt::FileNotFound);
        row("read: larger than allowed", "read", "C:\\windows\\sw.INI", "17", rt::PathFileAccess);
        row("read: missing", "read", "C:\\WINDOWS\\none.ini", "18", rt::FileNotFound);
        row("read: a folder", "read", "C:\\WINDOWS", "18", rt::FileNotFound);
        row("write: read-only", "write", "C:\\Logos\\ro.bmp", "", rt::PermissionDenied);
        row("write: missing folder", "write", "C:\\Nowhere\\SW.ini", "", rt::PathNotFound);
        row("write: a folder", "write", "C:\\WINDOWS", "", rt::PermissionDenied);
        row("list: missing", "list", "C:\\Nowhere", "", rt::PathNotFound);
        row("list: a file", "list", "C:\\a.bmp", "", rt::PathNotFound);
        row("count: missing", "count", "C:\\Nowhere", "", rt::PathNotFound);
    }

    void errors()
    {
        QFETCH(QString, op);
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(int, error);
        QVERIFY(p->writeFile("C:\\a.bmp", "source"));
        const QString a0 = p->host("C:\\a.bmp");
        QCOMPARE(::link(enc(a0).constData(), enc(a0).replace("a.bmp", "hard.bmp").constData()), 0);
        QVERIFY(p->writeFile("C:\\Logos\\b.bmp", "old"));
        QVERIFY(p->writeFile("C:\\Logos\\ro.bmp", "read-only"));
        QVERIFY(p->setReadOnly("C:\\Logos\\ro.bmp", true));
        QVERIFY(p->writeFile("C:\\Logos\\Sub\\x.bmp", "x"));
        QVERIFY(p->makeFolder("C:\\Logos\\Locked"));
        QVERIFY(p->setReadOnly("C:\\Logos\\Locked", true));
        QVERIFY(p->writeFile("C:\\WINDOWS\\SW.ini", "[SplashwheelSet]\r\n"));
        QVERIFY(makeSocket(p->driveC() + "/Logos/socket"));
        const QStringList before = snapshot(p->driveC());

        std::vector<FolderFile> files(1); // a failed listing leaves none
        QByteArray data("stale");
        qint64 size = 0;
        int count = 0;
        const int result = op == "copy"           ? fs->copyFile(a, b, true)
                           : op == "copy0"        ? fs->copyFile(a, b, false)
                           : op == "move"         ? fs->moveFile(a, b)
                           : op == "replace"      ? fs->replaceFile(a, b)
                           : op == "delete"       ? fs->deleteFile(a, false)
                           : op == "delete-force" ? fs->deleteFile(a, true)
                           : op == "rmdir"        ? fs->deleteFolder(a, false)
                           : op == "rmdir-force"  ? fs->deleteFolder(a, true)
                           : op == "mkdir"        ? fs->createFolder(a)
                           : op == "length"       ? fs->fileLen(a, size)
                           : op == "read"         ? fs->readFile(a, data, b.toLongLong())
                           : op == "write"        ? fs->writeFileAtomic(a, "new")
                           : op == "list"         ? fs->listFiles(a, files)
                           : op == "count"        ? fs->countSubFolders(a, count)
                                                  : -1;
        QCOMPARE(result, error);
        QCOMPARE(snapshot(p->driveC()), before);
        QCOMPARE(files.size(), size_t(op == "list" ? 0 : 1));
        if (op == "read")
            QVERIFY(data.isEmpty());
    }

    void existenceAndLength()
    {
        QVERIFY(p->writeFile("C:\\Logos\\a.bmp", "abc"));
        QVERIFY(fs->folderExists("c:\\logos"));
        QVERIFY(!fs->folderExists("C:\\Logos\\a.bmp"));
        QVERIFY(fs->fileExists("C:\\LOGOS\\A.BMP"));
        QVERIFY(!fs->fileExists("C:\\Logos"));
        qint64 size = -1;
        QCOMPARE(fs->fileLen("C:\\Logos\\a.bmp", size), rt::Ok);
        QCOMPARE(size, 3);
        QCOMPARE(fs->hostPath("C:\\logos\\A.bmp"), p->driveC() + "/Logos/a.bmp");
        QCOMPARE(fs->createFolder("C:\\Logos\\Showed\\"), rt::Ok);
        QVERIFY(QFileInfo(p->driveC() + "/Logos/Showed").isDir());
        QByteArray data;
        QCOMPARE(fs->readFile("C:\\logos\\a.BMP", data, 3), rt::Ok);
        QCOMPARE(data, QByteArray("abc"));
        QVERIFY(p->writeFile("C:\\empty", ""));
        QCOMPARE(fs->readFile("C:\\empty", data, 0), rt::Ok);
        QVERIFY(data.isEmpty());
    }

    // Links to files count; FIFOs, sockets, dangling or looping links and names no Windows path
    // can spell do not, and nothing opens the FIFO (each call below would hang if it did).
    void listingSkipsWhatIsNotAFile()
    {
        const QString dir = p->driveC() + "/Logos";
        QVERIFY(p->writeFile("C:\\Logos\\one.bmp", QByteArray(129, 'x')));
        QVERIFY(p->writeFile("C:\\Logos\\two.BMP", "22"));
        QVERIFY(p->writeFile("C:\\Logos\\Showed\\in.bmp", "3"));
        QVERIFY(p->writeFile("C:\\Logos\\ok.bmp", "1"));
        QVERIFY(QFile::rename(dir + "/ok.bmp", dir + "/a:b.bmp"));
        QVERIFY(QFile::link(dir + "/one.bmp", dir + "/link.bmp"));
        QVERIFY(QFile::link(dir + "/gone.bmp", dir + "/dangling.bmp"));
        QVERIFY(QFile::link(dir + "/loop2.bmp", dir + "/loop1.bmp"));
        QVERIFY(QFile::link(dir + "/loop1.bmp", dir + "/loop2.bmp"));
        QVERIFY(QFile::link(dir + "/Showed", dir + "/linked"));
        QCOMPARE(::mkfifo(enc(dir + "/fifo.bmp").constData(), 0644), 0);
        QVERIFY(makeSocket(dir + "/socket.bmp"));

        QElapsedTimer timer;
        timer.start();
        std::vector<FolderFile> files;
        QCOMPARE(fs->listFiles("C:\\LOGOS", files), rt::Ok);
        QStringList names;
        for (const FolderFile &f : files) {
            names.append(f.name);
            QCOMPARE(f.path, "C:\\LOGOS\\" + f.name);
            QCOMPARE(f.hostPath, dir + u'/' + f.name);
            QCOMPARE(f.size, QFileInfo(f.hostPath).size());
        }
        names.sort();
        QCOMPARE(names, (QStringList{"link.bmp", "one.bmp", "two.BMP"}));
        QVERIFY(!fs->fileExists("C:\\Logos\\fifo.bmp"));
        QByteArray data;
        QCOMPARE(fs->readFile("C:\\Logos\\fifo.bmp", data, 1 << 20), rt::FileNotFound);
        QCOMPARE(fs->dir("C:\\Logos\\fifo.bmp", attr::Hidden | attr::System), QString());
        QCOMPARE(attributesOf("C:\\Logos\\fifo.bmp"), 0);
        QVERIFY(timer.elapsed() < 5000);

        // Folders and links to them count; the dangling link does not.
        int count = -1;
        QCOMPARE(fs->countSubFolders("C:\\Logos\\", count), rt::Ok);
        QCOMPARE(count, 2);
        QCOMPARE(fs->countSubFolders("C:\\Logos\\Showed", count), rt::Ok);
        QCOMPARE(count, 0);
    }

    void copyKeepsContentAndAttributes()
    {
        QVERIFY(p->writeFileOfSize("C:\\Logos\\big.bmp", 3 << 20));
        QVERIFY(p->makeFolder("C:\\Logos\\Showed"));
        const int all = attr::Hidden | attr::ReadOnly | attr::Archive;
        QCOMPARE(fs->setAttr("C:\\Logos\\big.bmp", all), rt::Ok);
        const timespec old[2] = {{898747200, 0}, {898747200, 0}}; // 25 June 1998
        QCOMPARE(::utimensat(AT_FDCWD, enc(p->host("C:\\Logos\\big.bmp")).constData(), old, 0), 0);

        // A destination ending in a backslash is a folder: the copy keeps the name.
        QCOMPARE(fs->copyFile("C:\\Logos\\big.bmp", "C:\\Logos\\Showed\\", false), rt::Ok);
        QCOMPARE(p->readFile("C:\\Logos\\Showed\\big.bmp"), p->readFile("C:\\Logos\\big.bmp"));
        QCOMPARE(attributesOf("C:\\Logos\\Showed\\big.bmp"), all);
        QCOMPARE(QFileInfo(p->host("C:\\Logos\\Showed\\big.bmp")).lastModified().toSecsSinceEpoch(),
                 898747200);
        QVERIFY(p->writeFile("C:\\plain.bmp", "plain"));
        QCOMPARE(fs->copyFile("C:\\plain.bmp", "C:\\Logos\\plain.bmp", false), rt::Ok);
        QCOMPARE(attributesOf("C:\\Logos\\plain.bmp"), 0);
    }

    // A reader holding the old file keeps reading the old content: it was replaced, not rewritten.
    void copyReplacesAsAWhole()
    {
        QVERIFY(p->writeFile("C:\\new.bmp", "new content"));
        QVERIFY(p->writeFile("C:\\Logos\\LOGO.SYS", "old"));
        QFile reader(p->host("C:\\Logos\\LOGO.SYS"));
        QVERIFY(reader.open(QIODevice::ReadOnly));
        QCOMPARE(fs->copyFile("C:\\new.bmp", "c:\\logos\\logo.sys", true), rt::Ok);
        QCOMPARE(reader.readAll(), QByteArray("old"));
        QCOMPARE(p->readFile("C:\\Logos\\LOGO.SYS"), QByteArray("new content"));
        QCOMPARE(QDir(p->driveC() + "/Logos").entryList(QDir::Files | QDir::Hidden),
                 QStringList{"LOGO.SYS"});
    }

    void moveAndReplace()
    {
        QVERIFY(p->writeFile("C:\\Logos\\a.bmp", "a"));
        QVERIFY(p->makeFolder("C:\\Logos\\Showed"));
        QCOMPARE(fs->moveFile("C:\\Logos\\a.bmp", "C:\\Logos\\Showed\\"), rt::Ok);
        QVERIFY(!p->exists("C:\\Logos\\a.bmp"));
        // A change of case is a rename, not an existing destination.
        QCOMPARE(fs->moveFile("C:\\Logos\\Showed\\a.bmp", "C:\\Logos\\Showed\\A.BMP"), rt::Ok);
        QCOMPARE(QDir(p->driveC() + "/Logos/Showed").entryList(QDir::Files), QStringList{"A.BMP"});
        // A read-only file moves as on Windows.
        QVERIFY(p->setReadOnly("C:\\Logos\\Showed\\A.BMP", true));
        QCOMPARE(fs->moveFile("C:\\Logos\\Showed\\A.BMP", "C:\\Logos\\b.bmp"), rt::Ok);
        QCOMPARE(p->readFile("C:\\Logos\\b.bmp"), QByteArray("a"));

        // replaceFile overwrites even a read-only destination, and renames to a new case.
        QVERIFY(p->writeFile("C:\\LOGO.SYS", "old"));
        QVERIFY(p->setReadOnly("C:\\LOGO.SYS", true));
        QCOMPARE(fs->replaceFile("C:\\Logos\\b.bmp", "C:\\logo.sys"), rt::Ok);
        QCOMPARE(p->readFile("C:\\LOGO.SYS"), QByteArray("a"));
        QVERIFY(!p->exists("C:\\Logos\\b.bmp"));
        QCOMPARE(fs->replaceFile("C:\\LOGO.SYS", "C:\\Logos\\y.bmp"), rt::Ok);
        QCOMPARE(fs->replaceFile("C:\\Logos\\y.bmp", "C:\\Logos\\Y.bmp"), rt::Ok);
        QCOMPARE(fs->replaceFile("C:\\Logos\\Y.bmp", "C:\\Logos\\Y.bmp"), rt::Ok);
        QCOMPARE(QDir(p->driveC() + "/Logos").entryList(QDir::Files), QStringList{"Y.bmp"});
        QCOMPARE(p->readFile("C:\\Logos\\Y.bmp"), QByteArray("a"));
    }

    void acrossFileSystems()
    {
        QTemporaryDir other(QStringLiteral("/dev/shm/bootgallery-test-XXXXXX"));
        struct stat a, b;
        if (!other.isValid() || ::stat(enc(other.path()).constData(), &a) != 0
            || ::stat(enc(p->driveC()).constData(), &b) != 0 || a.st_dev == b.st_dev)
            QSKIP("no second file system (/dev/shm) beside the temporary directory");
        QVERIFY(p->addDrive(u'd', other.path()));
        QVERIFY(p->writeFile("C:\\a.bmp", "a"));
        QCOMPARE(fs->setAttr("C:\\a.bmp", attr::ReadOnly), rt::Ok);
        QCOMPARE(fs->moveFile("C:\\a.bmp", "D:\\a.bmp"), rt::Ok);
        QVERIFY(!p->exists("C:\\a.bmp"));
        QCOMPARE(p->readFile("D:\\a.bmp"), QByteArray("a"));
        QVERIFY(attributesOf("D:\\a.bmp") & attr::ReadOnly);

        QVERIFY(p->writeFile("C:\\b.bmp", "b"));
        QCOMPARE(fs->moveFile("D:\\a.bmp", "C:\\b.bmp"), rt::FileAlreadyExists);
        QCOMPARE(fs->replaceFile("D:\\a.bmp", "C:\\b.bmp"), rt::Ok);
        QCOMPARE(p->readFile("C:\\b.bmp"), QByteArray("a"));
        QVERIFY(!p->exists("D:\\a.bmp"));
        QVERIFY(QDir(p->driveC()).entryList({".~bg*"}, QDir::Files | QDir::Hidden).isEmpty());
    }

    void deleteFileAndFolder()
    {
        QVERIFY(p->writeFile("C:\\Logos\\Showed\\a.bmp", "a"));
        QVERIFY(p->setReadOnly("C:\\Logos\\Showed\\a.bmp", true));
        QCOMPARE(fs->deleteFile("C:\\logos\\showed\\A.BMP", true), rt::Ok);
        QVERIFY(!p->exists("C:\\Logos\\Showed\\a.bmp"));
        QVERIFY(p->setReadOnly("C:\\Logos\\Showed", true));
        QCOMPARE(fs->deleteFolder("C:\\logos\\showed\\", true), rt::Ok);
        QVERIFY(!p->exists("C:\\Logos\\Showed"));
        QVERIFY(p->exists("C:\\Logos"));
    }

    void immutableRefusals()
    {
        QVERIFY(p->writeFile("C:\\LOGO.SYS", "locked"));
        QVERIFY(p->writeFile("C:\\new.bmp", "new"));
        const QString host = p->host("C:\\LOGO.SYS");
        if (!setImmutable(host, true))
            QSKIP("the immutable flag cannot be set here (file system or missing capability)");
        const auto unlock = qScopeGuard([&] { setImmutable(host, false); });
        QCOMPARE(fs->deleteFile("C:\\LOGO.SYS", true), rt::PermissionDenied);
        QCOMPARE(fs->moveFile("C:\\LOGO.SYS", "C:\\moved.sys"), rt::PermissionDenied);
        QCOMPARE(fs->setAttr("C:\\LOGO.SYS", attr::Hidden), rt::PermissionDenied);
        QCOMPARE(fs->writeFileAtomic("C:\\new.bmp", "rewritten"), rt::Ok);
        QCOMPARE(p->readFile("C:\\LOGO.SYS"), QByteArray("locked"));
    }

    void dir_data()
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

    void dir()
    {
        QFETCH(QString, entry);
        QFETCH(int, mask);
        QFETCH(bool, found);
        const int h = attr::Hidden, d = attr::Directory;
        const std::pair<const char *, int> entries[] = {
            {"normal.bmp", 0}, {"readonly.bmp", attr::ReadOnly}, {"hidden.bmp", h},
            {"system.bmp", attr::System}, {"both.bmp", h | attr::System}, {"Showed", d},
            {"Secret", d | h}};
        for (const auto &[name, attributes] : entries) {
            const QString path = "C:\\Logos\\" + QLatin1String(name);
            QVERIFY(attributes & d ? p->makeFolder(path) : p->writeFile(path, "x"));
            QCOMPARE(fs->setAttr(path, attributes & ~d), rt::Ok);
        }
        // Asked in upper case, answered as the disk spells it.
        QCOMPARE(fs->dir("C:\\LOGOS\\" + entry.toUpper(), mask), found ? entry : QString());
    }

    // The replaced file keeps its mode and attributes.
    void writeFileAtomic()
    {
        QCOMPARE(fs->writeFileAtomic("C:\\WINDOWS\\SW.ini", "first"), rt::Ok);
        QCOMPARE(p->readFile("C:\\WINDOWS\\SW.ini"), QByteArray("first"));
        const QString host = p->host("C:\\WINDOWS\\SW.ini");
        QVERIFY(QFile::setPermissions(host, QFile::ReadOwner | QFile::WriteOwner));
        QCOMPARE(fs->setAttr("C:\\WINDOWS\\SW.ini", attr::Hidden), rt::Ok);
        QCOMPARE(fs->writeFileAtomic("c:\\windows\\sw.ini", "second, longer"), rt::Ok);
        QCOMPARE(p->readFile("C:\\WINDOWS\\SW.ini"), QByteArray("second, longer"));
        struct stat st;
        QCOMPARE(::stat(enc(host).constData(), &st), 0);
        QCOMPARE(st.st_mode & 07777, mode_t(0600));
        QCOMPARE(attributesOf("C:\\WINDOWS\\SW.ini"), attr::Hidden);
        QCOMPARE(QDir(p->driveC() + "/WINDOWS").entryList(QDir::Files | QDir::Hidden),
                 QStringList{"SW.ini"});
    }
};

QTEST_MAIN(TestFileService)
#include "tst_fileservice.moc"

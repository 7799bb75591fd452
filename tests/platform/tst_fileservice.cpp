#include "platform/DosAttributes.h"
#include "platform/FileService.h"
#include "platform/RuntimeError.h"
#include "support/TempPrefix.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>
#include <sys/stat.h>
#include <unistd.h>

using bg::FolderFile;
using bg::test::TempPrefix;
namespace attr = bg::attr;
namespace rt = bg::rt;

namespace {

QByteArray enc(const QString &s) { return QFile::encodeName(s); }

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
        // One row for each number the user may see, then the refusals that keep data safe.
        row("copy: missing source", "copy", "C:\\none.bmp", "C:\\Logos\\c.bmp", rt::FileNotFound);
        row("copy: no overwrite", "copy0", "C:\\a.bmp", "C:\\Logos\\B.BMP", rt::FileAlreadyExists);
        row("copy: onto read-only", "copy", "C:\\a.bmp", "C:\\Logos\\ro.bmp", rt::PermissionDenied);
        row("read: larger than allowed", "read", "C:\\windows\\sw.INI", "17", rt::PathFileAccess);
        row("copy: missing folder", "copy", "C:\\a.bmp", "C:\\Nowhere\\c.bmp", rt::PathNotFound);
        row("copy: onto itself", "copy", "C:\\a.bmp", "C:\\A.BMP", rt::PermissionDenied);
        row("move: onto a hard link", "move", "C:\\a.bmp", "C:\\hard.bmp", rt::FileAlreadyExists);
        row("replace: a folder", "replace", "C:\\a.bmp", "C:\\WINDOWS", rt::PermissionDenied);
        row("delete: a folder", "delete", "C:\\Logos", "", rt::FileNotFound);
        row("rmdir: not empty", "rmdir", "C:\\Logos\\Sub", "", rt::PermissionDenied);
        row("length: a FIFO", "length", "C:\\Logos\\fifo", "", rt::FileNotFound);
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
        QVERIFY(p->writeFile("C:\\WINDOWS\\SW.ini", "[SplashwheelSet]\r\n"));
        QCOMPARE(::mkfifo(enc(p->driveC() + "/Logos/fifo").constData(), 0644), 0);
        const QStringList before = snapshot(p->driveC());

        QByteArray data("stale");
        qint64 size = 0;
        const int result = op == "copy"      ? fs->copyFile(a, b, true)
                           : op == "copy0"   ? fs->copyFile(a, b, false)
                           : op == "move"    ? fs->moveFile(a, b)
                           : op == "replace" ? fs->replaceFile(a, b)
                           : op == "delete"  ? fs->deleteFile(a, true)
                           : op == "rmdir"   ? fs->deleteFolder(a, true)
                           : op == "length"  ? fs->fileLen(a, size)
                           : op == "read"    ? fs->readFile(a, data, b.toLongLong())
                                             : -1;
        QCOMPARE(result, error);
        QCOMPARE(snapshot(p->driveC()), before);
        QVERIFY(op != "read" || data.isEmpty());
    }

    // Folders and links to them count as subfolders, a dangling link does not; a FIFO is no file
    // and is never opened. (Which entries a listing yields, the scan's test checks.)
    void subFoldersAndFifos()
    {
        const QString dir = p->driveC() + "/Logos";
        QVERIFY(p->writeFile("C:\\Logos\\Showed\\in.bmp", "3"));
        QVERIFY(QFile::link(dir + "/Showed", dir + "/linked") && QFile::link(dir + "/gone", dir + "/dangling"));
        QCOMPARE(::mkfifo(enc(dir + "/fifo.bmp").constData(), 0644), 0);
        QVERIFY(!fs->fileExists("C:\\Logos\\fifo.bmp"));
        QByteArray data;
        QCOMPARE(fs->readFile("C:\\Logos\\fifo.bmp", data, 1 << 20), rt::FileNotFound);
        int count = -1;
        QCOMPARE(fs->countSubFolders("C:\\Logos\\", count), rt::Ok);
        QCOMPARE(count, 2);
    }

    // A reader holding the old file keeps reading the old content: it was replaced, not
    // rewritten. Attributes go along; a destination ending in a backslash is a folder.
    void copyReplacesAsAWhole()
    {
        QVERIFY(p->writeFileOfSize("C:\\new.bmp", 3 << 20));
        const int all = attr::Hidden | attr::ReadOnly | attr::Archive;
        QCOMPARE(fs->setAttr("C:\\new.bmp", all), rt::Ok);
        QVERIFY(p->writeFile("C:\\Logos\\NEW.BMP", "old"));
        QFile reader(p->host("C:\\Logos\\NEW.BMP"));
        QVERIFY(reader.open(QIODevice::ReadOnly));
        QCOMPARE(fs->copyFile("C:\\new.bmp", "c:\\logos\\", true), rt::Ok);
        QCOMPARE(reader.readAll(), QByteArray("old"));
        QCOMPARE(p->readFile("C:\\Logos\\NEW.BMP"), p->readFile("C:\\new.bmp"));
        QCOMPARE(attributesOf("C:\\Logos\\NEW.BMP"), all);
        QCOMPARE(QDir(p->driveC() + "/Logos").entryList(QDir::Files | QDir::Hidden),
                 QStringList{"NEW.BMP"});
    }

    // A change of case is a rename, not an existing destination; read-only files move, and
    // replaceFile overwrites even a read-only destination.
    void moveAndReplace()
    {
        QVERIFY(p->writeFile("C:\\Logos\\a.bmp", "a"));
        QVERIFY(p->setReadOnly("C:\\Logos\\a.bmp", true));
        QCOMPARE(fs->moveFile("C:\\Logos\\a.bmp", "C:\\Logos\\A.BMP"), rt::Ok);
        QCOMPARE(QDir(p->driveC() + "/Logos").entryList(QDir::Files), QStringList{"A.BMP"});
        QVERIFY(p->writeFile("C:\\LOGO.SYS", "old"));
        QVERIFY(p->setReadOnly("C:\\LOGO.SYS", true));
        QCOMPARE(fs->replaceFile("C:\\Logos\\A.BMP", "C:\\logo.sys"), rt::Ok);
        QCOMPARE(p->readFile("C:\\LOGO.SYS"), QByteArray("a"));
        QVERIFY(!p->exists("C:\\Logos\\A.BMP"));
        QCOMPARE(fs->replaceFile("C:\\LOGO.SYS", "C:\\Logo.Sys"), rt::Ok);
        QCOMPARE(fs->replaceFile("C:\\Logo.Sys", "C:\\Logo.Sys"), rt::Ok); // onto itself: kept
        QCOMPARE(QDir(p->driveC()).entryList({"logo.sys"}, QDir::Files), QStringList{"Logo.Sys"});
        QCOMPARE(p->readFile("C:\\Logo.Sys"), QByteArray("a"));
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
        QVERIFY(attributesOf("D:\\a.bmp") & attr::ReadOnly);
        QVERIFY(p->writeFile("C:\\b.bmp", "b"));
        QCOMPARE(fs->replaceFile("D:\\a.bmp", "C:\\b.bmp"), rt::Ok);
        QCOMPARE(p->readFile("C:\\b.bmp"), QByteArray("a"));
        QVERIFY(!p->exists("D:\\a.bmp"));
        QVERIFY(QDir(p->driveC()).entryList({".~bg*"}, QDir::Files | QDir::Hidden).isEmpty());
        // A source that cannot leave its folder: the destination holds it all the same, and the
        // caller learns that the move became a copy.
        QVERIFY(p->writeFile("D:\\Locked\\c.bmp", "c") && p->setReadOnly("D:\\Locked", true));
        bg::test::passOverPermissions(false);
        const int kept = fs->replaceFile("D:\\Locked\\c.bmp", "C:\\b.bmp");
        bg::test::passOverPermissions(true);
        QCOMPARE(kept, rt::CopiedNotMoved);
        QCOMPARE(p->readFile("C:\\b.bmp"), QByteArray("c"));
        QCOMPARE(p->readFile("D:\\Locked\\c.bmp"), QByteArray("c"));
        QVERIFY(p->setReadOnly("D:\\Locked", false));
    }

    void dir_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<int>("mask");
        QTest::addColumn<bool>("found");
        const int h = attr::Hidden, d = attr::Directory;
        QTest::newRow("read-only, mask 0") << "readonly.bmp" << 0 << true;
        QTest::newRow("hidden, mask 0") << "hidden.bmp" << 0 << false;
        QTest::newRow("hidden, hidden mask") << "hidden.bmp" << h << true;
        QTest::newRow("folder, folder mask") << "Showed" << d << true;
        QTest::newRow("hidden folder, folder mask") << "Secret" << d << false;
    }

    void dir()
    {
        QFETCH(QString, entry);
        QFETCH(int, mask);
        QFETCH(bool, found);
        const int h = attr::Hidden, d = attr::Directory;
        const std::pair<const char *, int> entries[] = {
            {"readonly.bmp", attr::ReadOnly}, {"hidden.bmp", h}, {"Showed", d}, {"Secret", d | h}};
        for (const auto &[name, attributes] : entries) {
            const QString path = "C:\\Logos\\" + QLatin1String(name);
            QVERIFY(attributes & d ? p->makeFolder(path) : p->writeFile(path, "x"));
            QCOMPARE(fs->setAttr(path, attributes & ~d), rt::Ok);
        }
        // Asked in upper case, answered as the disk spells it.
        QCOMPARE(fs->dir("C:\\LOGOS\\" + entry.toUpper(), mask), found ? entry : QString());
    }

    // The replaced file keeps its mode and attributes, and no temporary file is left.
    void writeFileAtomic()
    {
        QCOMPARE(fs->writeFileAtomic("C:\\WINDOWS\\SW.ini", "first"), rt::Ok);
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

#include "platform/DosAttributes.h"
#include "platform/RuntimeError.h"
#include "support/ImagePrefix.h"
#include "support/TempPrefix.h"

#include <QFile>
#include <QProcess>
#include <QThread>
#include <QtTest>

#include <fcntl.h>
#include <unistd.h>

using bg::FileOperation;
using bg::FolderFile;
using bg::test::ImagePrefix;
namespace attr = bg::attr;
namespace rt = bg::rt;

namespace {

QByteArray bytes(int size, char fill)
{
    return QByteArray(size, fill);
}

const QList<std::pair<QString, QByteArray>> startFiles{
    {QStringLiteral("LOGOS\\Sunset over the bay.bmp"), bytes(129078, 's')},
    {QStringLiteral("LOGOS\\CLOUDS.BMP"), bytes(129078, 'c')},
    {QStringLiteral("LOGOS\\notes.txt"), bytes(12, 'n')},
    {QStringLiteral("WINDOWS\\LOGOW.SYS"), bytes(129078, 'w')},
};


} // namespace

class TestImageDriveService : public QObject
{
    Q_OBJECT

private slots:
    void formats_data()
    {
        QTest::addColumn<int>("format");
        for (int f = ImagePrefix::Raw; f <= ImagePrefix::Vmdk; ++f)
            QTest::newRow(qPrintable(ImagePrefix::formatName(ImagePrefix::Format(f)))) << f;
    }
    // The file functions on each format: what the image holds afterwards is checked by mtools
    // and fsck.fat, not by the service that wrote it.
    void formats()
    {
        QFETCH(int, format);
        if (format != ImagePrefix::Raw && !ImagePrefix::fuseUsable())
            QSKIP("/dev/fuse cannot be opened on this machine");
        ImagePrefix machine(ImagePrefix::Format(format), startFiles);
        QVERIFY(machine.isValid());
        bg::Prefix &prefix = machine.prefix();
        bg::FileService &files = machine.files();

        // Names are spelled as the volume spells them.
        QCOMPARE(prefix.windowsDirectory(), QStringLiteral("C:\\WINDOWS"));
        QCOMPARE(prefix.startupFolder(), QStringLiteral("C:\\WINDOWS\\Start Menu\\Programs\\StartUp"));
        QCOMPARE(prefix.spelledAsOnDisk("c:\\logos\\sunset over the bay.BMP"),
                 QStringLiteral("C:\\LOGOS\\Sunset over the bay.bmp"));
        QVERIFY(!prefix.toHost("C:\\LOGOS").has_value());

        std::vector<FolderFile> listed;
        QCOMPARE(files.listFiles("C:\\Logos", listed), rt::Ok);
        QStringList names;
        for (const FolderFile &f : listed)
            names << f.name + u'=' + QString::number(f.size);
        names.sort();
        QCOMPARE(names, QStringList({"CLOUDS.BMP=129078", "Sunset over the bay.bmp=129078", "notes.txt=12"}));

        {
            const FileOperation apply(files);
            // The 8.3 alias and the long name are one file.
            QVERIFY(files.sameFile("C:\\LOGOS\\SUNSET~1.BMP", "c:\\logos\\Sunset over the bay.bmp"));
            QVERIFY(!files.sameFile("C:\\LOGOS\\CLOUDS.BMP", "C:\\LOGOS\\notes.txt"));
            QCOMPARE(files.copyFile("C:\\LOGOS\\CLOUDS.BMP", "C:\\LOGO.SYS", false), rt::Ok);
            QCOMPARE(files.setAttr("C:\\LOGO.SYS", attr::Hidden | attr::Archive), rt::Ok);
            QCOMPARE(files.createFolder("C:\\LOGOS\\Showed"), rt::Ok);
            QCOMPARE(files.moveFile("C:\\LOGOS\\CLOUDS.BMP", "C:\\LOGOS\\Showed\\"), rt::Ok); // into the folder
            QCOMPARE(files.replaceFile("C:\\LOGOS\\Sunset over the bay.bmp", "C:\\WINDOWS\\LOGOW.SYS"), rt::Ok);
            QCOMPARE(files.writeFileAtomic("C:\\WINDOWS\\SW.INI", "[Old]\r\n"), rt::Ok);
            QCOMPARE(files.writeFileAtomic("C:\\WINDOWS\\sw.ini", "[SplashwheelSet]\r\n"), rt::Ok);
            QCOMPARE(files.copyFile("C:\\LOGO.SYS", "C:\\WINDOWS\\LOGOW.SYS", false), rt::FileAlreadyExists);
            QCOMPARE(files.deleteFile("C:\\LOGOS\\notes.txt", false), rt::Ok);
            QCOMPARE(files.deleteFolder("C:\\LOGOS\\Showed", false), rt::PermissionDenied); // not empty
        }
        QCOMPARE(files.dir("C:\\LOGO.SYS", attr::Normal), QString()); // hidden
        QCOMPARE(files.dir("C:\\LOGO.SYS", attr::Hidden), QStringLiteral("LOGO.SYS"));
        QCOMPARE(files.dir("C:\\WINDOWS\\sw.ini", attr::Normal), QStringLiteral("SW.INI")); // kept its name
        QByteArray ini;
        QCOMPARE(files.readFile("C:\\windows\\sw.ini", ini, 100), rt::Ok);
        QCOMPARE(ini, QByteArray("[SplashwheelSet]\r\n"));

        QVERIFY(machine.fsckClean());
        // Exactly the 8.3 entries the boot loader and Windows look for, without long names.
        QCOMPARE(machine.shortNames("\\"), QStringList({"LOGOS", "WINDOWS", "LOGO.SYS"}));
        QVERIFY(machine.shortNames("\\WINDOWS").contains("LOGOW.SYS"));
        QVERIFY(machine.shortNames("\\WINDOWS").contains("SW.INI"));
        QCOMPARE(machine.shortNames("\\LOGOS"), QStringList({"SHOWED*"}));
        QCOMPARE(machine.attributeLetters("\\LOGO.SYS"), QStringLiteral("AH"));
        QCOMPARE(machine.read("\\LOGO.SYS"), bytes(129078, 'c'));
        QCOMPARE(machine.read("\\WINDOWS\\LOGOW.SYS"), bytes(129078, 's'));
        QCOMPARE(machine.read("\\LOGOS\\Showed\\CLOUDS.BMP"), bytes(129078, 'c'));
    }

    // Files pass between a folder drive and an image drive whole, with the same rules.
    void betweenDriveKinds()
    {
        ImagePrefix machine(ImagePrefix::Raw, startFiles);
        QVERIFY(machine.isValid());
        bg::FileService &files = machine.files();
        const QString host = machine.dir() + QStringLiteral("/pictures");
        QVERIFY(QDir().mkpath(host));
        QFile picture(host + QStringLiteral("/Beach.bmp"));
        QVERIFY(picture.open(QIODevice::WriteOnly) && picture.write(bytes(129078, 'b')) == 129078);
        picture.close();
        const QString z = QStringLiteral("Z:") + QString(host).replace(u'/', u'\\');

        QCOMPARE(files.copyFile(z + "\\Beach.bmp", "C:\\LOGOS\\CLOUDS.BMP", false), rt::FileAlreadyExists);
        QCOMPARE(files.copyFile(z + "\\Beach.bmp", "C:\\LOGOS\\", false), rt::Ok);
        QCOMPARE(files.moveFile("C:\\LOGOS\\CLOUDS.BMP", z + "\\Clouds.bmp"), rt::Ok);
        QVERIFY(!files.fileExists("C:\\LOGOS\\CLOUDS.BMP"));
        QFile moved(host + QStringLiteral("/Clouds.bmp"));
        QVERIFY(moved.open(QIODevice::ReadOnly));
        QCOMPARE(moved.readAll(), bytes(129078, 'c'));
        QVERIFY(!files.sameFile(z + "\\Beach.bmp", "C:\\LOGOS\\Beach.bmp"));
        QCOMPARE(machine.read("\\LOGOS\\Beach.bmp"), bytes(129078, 'b'));
        // A reader outside the service gets a copy of the file on the host.
        const auto copy = files.hostPath("C:\\WINDOWS\\LOGOW.SYS");
        QVERIFY(copy.has_value());
        QFile copied(*copy);
        QVERIFY(copied.open(QIODevice::ReadOnly));
        QCOMPARE(copied.readAll(), bytes(129078, 'w'));
        QVERIFY(machine.fsckClean());
    }

    // A scan reads the wanted files of a folder in one pass.
    void listedFilesInOneBatch()
    {
        ImagePrefix machine(ImagePrefix::Raw, startFiles);
        QVERIFY(machine.isValid());
        std::vector<FolderFile> listed;
        QCOMPARE(machine.files().listFiles("C:\\LOGOS\\", listed), rt::Ok);
        std::erase_if(listed, [](const FolderFile &f) { return f.size < 100; });
        QStringList seen;
        QVERIFY(machine.files().readListedFiles("C:\\LOGOS\\", listed, 129078,
                                                [&](const FolderFile &f, const QByteArray &content) {
            seen << f.path + u'=' + content.left(1);
            return true;
        }));
        seen.sort();
        QCOMPARE(seen, QStringList({"C:\\LOGOS\\CLOUDS.BMP=c", "C:\\LOGOS\\Sunset over the bay.bmp=s"}));
        // A host folder is left to the file-by-file readers.
        bg::test::TempPrefix host;
        QVERIFY(!host.files().readListedFiles("C:\\WINDOWS", {}, 10, [](auto &, auto &) { return true; }));
    }

    // A temporary file of a write cut short is never listed, and goes with the next write there.
    void leftoverOfACutWrite()
    {
        ImagePrefix machine(ImagePrefix::Raw, startFiles);
        QVERIFY(machine.isValid());
        int code = -1;
        machine.shell("mcopy -i \"$IMG@@1048576\" /etc/hostname '::/LOGOS/.~bg0123456789abcdef.tmp'", &code);
        QCOMPARE(code, 0);
        std::vector<FolderFile> listed;
        QCOMPARE(machine.files().listFiles("C:\\LOGOS", listed), rt::Ok);
        QCOMPARE(listed.size(), size_t(3));
        QCOMPARE(machine.shortNames("\\LOGOS").size(), 4);
        QCOMPARE(machine.files().replaceFile("C:\\LOGOS\\CLOUDS.BMP", "C:\\LOGO.SYS"), rt::Ok);
        QCOMPARE(machine.shortNames("\\LOGOS"), QStringList({"SUNSET~1.BMP*", "NOTES.TXT"}));
        QVERIFY(machine.fsckClean());
    }

    // An operation acts on the image it found first, even when the drive's link changes.
    void imageResolvedOncePerOperation()
    {
        ImagePrefix machine(ImagePrefix::Raw, startFiles);
        ImagePrefix other(ImagePrefix::Raw);
        QVERIFY(machine.isValid() && other.isValid());
        bg::FileService &files = machine.files();
        const QByteArray link = QFile::encodeName(machine.prefix().root() + "/dosdevices/c:");
        {
            const FileOperation operation(files);
            QVERIFY(files.fileExists("C:\\LOGOS\\CLOUDS.BMP"));
            QCOMPARE(::unlink(link.constData()), 0);
            QCOMPARE(::symlink(QFile::encodeName(other.image()).constData(), link.constData()), 0);
            QCOMPARE(files.deleteFile("C:\\LOGOS\\CLOUDS.BMP", false), rt::Ok);
        }
        QVERIFY(!files.folderExists("C:\\LOGOS")); // the other image now
        QCOMPARE(machine.read("\\LOGOS\\CLOUDS.BMP"), QByteArray());
        QVERIFY(machine.fsckClean());
    }

    void drivesThatCannotBeUsed_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<int>("problem");
        QTest::newRow("no FAT partition") << "truncate -s 8M bad; echo 'start=2048, type=83' | sfdisk -q bad" << rt::NoFatVolume;
        QTest::newRow("not a disk") << "printf 'hello' > bad" << rt::ImageUnusable;
    }
    void drivesThatCannotBeUsed()
    {
        QFETCH(QString, setup);
        QFETCH(int, problem);
        ImagePrefix machine(ImagePrefix::Raw);
        QVERIFY(machine.isValid());
        int code = -1;
        machine.shell(setup, &code);
        QCOMPARE(code, 0);
        const QByteArray link = QFile::encodeName(machine.prefix().root() + "/dosdevices/d:");
        QCOMPARE(::symlink(QFile::encodeName(machine.dir() + "/bad").constData(), link.constData()), 0);
        QCOMPARE(machine.files().driveProblem("D:\\", false), problem);
        QCOMPARE(machine.files().writeFileAtomic("D:\\SW.INI", "x"), problem);
        QVERIFY(!machine.files().folderExists("D:\\"));
        QCOMPARE(machine.files().driveProblem("C:\\", true), rt::Ok);
    }

    // An image an emulator holds is read, never written, and every refusal says why.
    void imageHeldByAnEmulator()
    {
        if (!ImagePrefix::fuseUsable())
            QSKIP("/dev/fuse cannot be opened on this machine");
        ImagePrefix machine(ImagePrefix::Qcow2, startFiles);
        QVERIFY(machine.isValid());
        QProcess emulator;
        emulator.start("stdbuf", {"-oL", "qemu-io", "-f", "qcow2", "-c", "length", "-c", "sleep 60000", machine.image()});
        QVERIFY(emulator.waitForReadyRead(30000));
        bg::FileService &files = machine.files();
        QCOMPARE(files.driveProblem("C:\\", true), rt::ImageLocked);
        QCOMPARE(files.driveProblem("C:\\", false), rt::Ok);
        {
            const FileOperation operation(files);
            QVERIFY(files.fileExists("C:\\LOGOS\\CLOUDS.BMP"));
            QCOMPARE(files.copyFile("C:\\LOGOS\\CLOUDS.BMP", "C:\\LOGO.SYS", false), rt::ImageLocked);
            QCOMPARE(files.deleteFile("C:\\LOGOS\\CLOUDS.BMP", true), rt::ImageLocked);
            QVERIFY(files.fileExists("C:\\LOGOS\\CLOUDS.BMP")); // still read after a refusal
        }
        emulator.kill();
        emulator.waitForFinished();
        QCOMPARE(files.copyFile("C:\\LOGOS\\CLOUDS.BMP", "C:\\LOGO.SYS", false), rt::Ok);
        QVERIFY(machine.fsckClean());
    }
};

QTEST_MAIN(TestImageDriveService)
#include "tst_imagedriveservice.moc"

#include "platform/DiskImageLayout.h"
#include "platform/DosAttributes.h"
#include "platform/FatVolume.h"
#include "platform/RuntimeError.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>

using bg::fat::FatVolume;
namespace attr = bg::attr;
namespace rt = bg::rt;

namespace {

QTemporaryDir dir;

// Runs a shell command with mtools in its plain state (no settings of the user); its output.
QString sh(const QString &command, int *exitCode = nullptr)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("MTOOLS_NO_VFAT"));
    env.insert(QStringLiteral("HOME"), dir.path());
    env.insert(QStringLiteral("PATH"), env.value(QStringLiteral("PATH")) + QStringLiteral(":/usr/sbin:/sbin"));
    env.insert(QStringLiteral("MTOOLS_SKIP_CHECK"), QStringLiteral("1"));
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(dir.path());
    p.start(QStringLiteral("bash"), {QStringLiteral("-c"), command});
    p.waitForFinished(60000);
    if (exitCode)
        *exitCode = p.exitCode();
    return QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError());
}

// fsck.fat cannot take an offset: it checks a copy of the volume.
bool fsckClean(const QString &image, qint64 offset)
{
    int code = -1;
    const QString out = sh(QStringLiteral("dd if=%1 of=vol bs=512 skip=%2 status=none && "
                                          "fsck.fat -n vol").arg(image).arg(offset / 512), &code);
    if (code != 0)
        qWarning().noquote() << out;
    return code == 0;
}

} // namespace

class TestFatVolume : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // The user's own mtools settings must not reach the volume's calls.
        qputenv("MTOOLS_NO_VFAT", "1");
        qputenv("HOME", dir.filePath(QStringLiteral("user")).toUtf8());
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("user")));
        QFile rc(dir.filePath(QStringLiteral("user/.mtoolsrc")));
        QVERIFY(rc.open(QIODevice::WriteOnly) && rc.write("mtools_no_vfat=1\n") > 0);
        rc.close();
        int code = -1;
        sh(QStringLiteral(
               "set -e; mkfs.fat -C fd.img 1440; mkfs.fat -C tiny.img 160\n"
               "truncate -s 40M fat16.img; echo 'start=2048, type=6' | sfdisk -q fat16.img\n"
               "mkfs.fat -F16 --offset 2048 fat16.img 39936\n"
               "truncate -s 80M fat32.img\n"
               "printf 'start=2048,size=2048,type=83\\nstart=4096,type=c\\n' | sfdisk -q fat32.img\n"
               "mkfs.fat -F32 --offset 4096 fat32.img 79872\n"
               "truncate -s 1M zero.img; truncate -s 8M linux.img; mkfifo fifo.img\n"
               "echo 'start=2048, type=83' | sfdisk -q linux.img"), &code);
        QCOMPARE(code, 0);
    }

    void layout_data()
    {
        QTest::addColumn<QString>("image");
        QTest::addColumn<int>("status");
        QTest::addColumn<qint64>("offset");
        QTest::addColumn<int>("partition");
        QTest::newRow("floppy") << "fd.img" << 0 << qint64(0) << 0;
        QTest::newRow("fat16") << "fat16.img" << 0 << qint64(2048 * 512) << 1;
        QTest::newRow("fat32 second") << "fat32.img" << 0 << qint64(4096 * 512) << 2;
        QTest::newRow("linux only") << "linux.img" << 1 << qint64(0) << 0;
        QTest::newRow("no table") << "zero.img" << 1 << qint64(0) << 0;
        QTest::newRow("missing") << "none.img" << 2 << qint64(0) << 0;
    }
    void layout()
    {
        QFETCH(QString, image);
        QFETCH(int, status);
        QFETCH(qint64, offset);
        QFETCH(int, partition);
        const bg::fat::FatLocation found = bg::fat::locateFatVolume(dir.filePath(image));
        QCOMPARE(int(found.status), status);
        QCOMPARE(found.offset, offset);
        QCOMPARE(found.partition, partition);
        QCOMPARE(found.error, image == QLatin1String("none.img") ? rt::FileNotFound : 0);
    }

    void operations_data()
    {
        QTest::addColumn<QString>("image");
        QTest::addColumn<qint64>("offset");
        QTest::newRow("fat12 floppy") << "fd.img" << qint64(0);
        QTest::newRow("fat16 partition") << "fat16.img" << qint64(2048 * 512);
        QTest::newRow("fat32 partition") << "fat32.img" << qint64(4096 * 512);
    }
    void operations()
    {
        QFETCH(QString, image);
        QFETCH(qint64, offset);
        const QString path = dir.filePath(image);
        const FatVolume v(path, offset);
        QByteArray logo(129078, '\0');
        for (int i = 0; i < logo.size(); ++i)
            logo[i] = char(i * 7 + i / 251);
        const QString logos = QStringLiteral("\\Logos [1]");
        QCOMPARE(v.createFolder(QStringLiteral("\\WINDOWS")), 0);
        QCOMPARE(v.createFolder(logos), 0);
        QCOMPARE(v.writeFile(QStringLiteral("\\Logo.Sys"), "old", false), 0);
        QCOMPARE(v.writeFile(QStringLiteral("\\LOGO.SYS"), logo, true), 0);
        QCOMPARE(v.writeFile(QStringLiteral("\\windows\\LOGOW.SYS"), logo, false), 0);
        QCOMPARE(v.copyFile(QStringLiteral("\\WINDOWS\\logow.sys"),
                            QStringLiteral("\\WINDOWS\\LOGOS.SYS"), false), 0);
        QCOMPARE(v.writeFile(QStringLiteral("\\WINDOWS\\Sw.Ini"), "[Logos]\r\n", false), 0);
        QCOMPARE(v.move(QStringLiteral("\\WINDOWS\\Sw.Ini"), QStringLiteral("\\WINDOWS\\SW.INI")), 0);
        QCOMPARE(v.writeFile(logos + QStringLiteral("\\My logo.bmp"), logo, false), 0);
        QCOMPARE(v.move(logos + QStringLiteral("\\My logo.bmp"), QStringLiteral("\\logo[2].bmp")), 0);
        QCOMPARE(v.setAttributes(QStringLiteral("\\LOGO.SYS"), attr::Hidden | attr::Archive), 0);
        QCOMPARE(v.setAttributes(QStringLiteral("\\WINDOWS\\LOGOW.SYS"),
                                 attr::Hidden | attr::System | attr::ReadOnly), 0);
        int attributes = -1;
        QCOMPARE(v.attributes(QStringLiteral("\\windows\\logow.sys"), attributes), 0);
        QCOMPARE(attributes, attr::Hidden | attr::System | attr::ReadOnly);

        QList<bg::fat::VolumeEntry> entries;
        QCOMPARE(v.list(QStringLiteral("\\"), entries), 0);
        QStringList seen;
        for (const auto &e : entries)
            seen << QStringLiteral("%1|%2|%3|%4|%5").arg(e.name, e.shortName).arg(e.hasLongName)
                        .arg(e.size).arg(e.attributes);
        QCOMPARE(seen, QStringList({"WINDOWS|WINDOWS|0|0|16", "Logos [1]|LOGOS_~1|1|0|16",
                                    "LOGO.SYS|LOGO.SYS|0|129078|34",
                                    "logo[2].bmp|LOGO_2~1.BMP|1|129078|32"}));
        QCOMPARE(v.list(logos, entries), 0);
        QVERIFY(entries.isEmpty());

        const QList<bg::fat::FileRead> reads = v.readFiles(
            QStringLiteral("\\WINDOWS"), {"logow.sys", "LOGOS.SYS", "SW.INI", "NONE.SYS"}, 129078);
        QCOMPARE(reads.size(), 4);
        QCOMPARE(reads[0].data, logo);
        QCOMPARE(reads[1].data, logo);
        QCOMPARE(reads[2].data, QByteArray("[Logos]\r\n"));
        QCOMPARE(reads[3].error, rt::FileNotFound);
        const bg::fat::FileRead head = v.readFile(QStringLiteral("\\LOGO[2].BMP"), 100);
        QVERIFY(head.truncated);
        QCOMPARE(head.data, logo.left(100));

        // What Windows' boot loader sees: plain 8.3 entries, the hidden bit in the byte.
        const QString i = QStringLiteral("-i %1@@%2 ").arg(path).arg(offset);
        const QString dirs = sh(QStringLiteral("mdir -a ") + i + QStringLiteral("::/ ::/WINDOWS"));
        for (const char *name : {"LOGO     SYS", "LOGOW    SYS", "LOGOS    SYS", "SW       INI"})
            QVERIFY2(dirs.contains(QRegularExpression(QStringLiteral("\n%1 +\\d+ \\S+ +\\S+ ?\n")
                                                          .arg(QLatin1String(name)))),
                     qPrintable(dirs));
        QVERIFY2(!dirs.contains(QLatin1String("~1 SYS")) && !dirs.contains(QLatin1String(".~bg")),
                 qPrintable(dirs));
        QCOMPARE(sh(QStringLiteral("mattrib -X ") + i + QStringLiteral("::/LOGO.SYS")), "AH\n");
        QCOMPARE(sh(QStringLiteral("mattrib -X ") + i + QStringLiteral("::/WINDOWS/LOGOW.SYS")),
                 "SHR\n");

        sh(QStringLiteral("echo x > t; mcopy -i %1@@%2 t ::/WINDOWS/.~bg0123456789abcdef.tmp")
               .arg(path).arg(offset)); // a write cut off: no file of the folder
        QStringList names;
        QCOMPARE(v.readFolder(QStringLiteral("\\WINDOWS"), 9, [&](const QString &name, const auto &read) {
            names << name + (read.truncated ? "+" : "=") + read.data.toHex();
        }), 0);
        names.sort();
        QCOMPARE(names, QStringList({"LOGOS.SYS+" + logo.left(9).toHex(),
                                     "LOGOW.SYS+" + logo.left(9).toHex(), "SW.INI=5b4c6f676f735d0d0a"}));
        QCOMPARE(v.removeFile(QStringLiteral("\\WINDOWS\\LOGOW.SYS"), false), rt::PermissionDenied);
        QCOMPARE(v.removeFile(QStringLiteral("\\WINDOWS\\LOGOW.SYS"), true), 0);
        QCOMPARE(v.move(QStringLiteral("\\logo[2].bmp"), logos + QStringLiteral("\\a.bmp")), 0);
        QCOMPARE(v.removeFolder(logos), rt::FileAlreadyExists);
        QCOMPARE(v.removeFile(logos + QStringLiteral("\\A.BMP"), false), 0);
        QCOMPARE(v.removeFolder(logos), 0);
        QCOMPARE(v.list(QStringLiteral("\\WINDOWS"), entries), 0);
        QCOMPARE(entries.size(), 3); // SW.INI, LOGOS.SYS and the temporary file
        QVERIFY(fsckClean(path, offset));
    }

    void errors()
    {
        const QString fd = dir.filePath(QStringLiteral("err.img"));
        QCOMPARE(sh(QStringLiteral("mkfs.fat -C err.img 1440 >/dev/null; echo $?")), "0\n");
        const FatVolume v(fd, 0);
        QCOMPARE(v.writeFile(QStringLiteral("\\A.TXT"), "a", false), 0);
        QCOMPARE(v.writeFile(QStringLiteral("\\RO.TXT"), "r", false), 0);
        QCOMPARE(v.setAttributes(QStringLiteral("\\RO.TXT"), attr::ReadOnly), 0);
        QCOMPARE(v.createFolder(QStringLiteral("\\DIR")), 0);
        const QByteArray big(200 * 1024, 'x');
        using Op = std::function<int()>;
        QList<bg::fat::VolumeEntry> entries;
        const struct { const char *row; Op op; int expected; } rows[] = {
            {"read missing", [&] { return v.readFile("\\NONE.TXT", -1).error; }, rt::FileNotFound},
            {"read, no folder", [&] { return v.readFile("\\NO\\A.TXT", -1).error; }, rt::PathNotFound},
            {"list, no folder", [&] { return v.list("\\NO", entries); }, rt::PathNotFound},
            {"list a file", [&] { return v.list("\\A.TXT", entries); }, rt::PathNotFound},
            {"write existing", [&] { return v.writeFile("\\a.txt", "b", false); }, rt::FileAlreadyExists},
            {"write read-only", [&] { return v.writeFile("\\RO.TXT", "b", true); }, rt::PermissionDenied},
            {"write, no folder", [&] { return v.writeFile("\\NO\\B", "b", true); }, rt::PathNotFound},
            {"write a folder", [&] { return v.writeFile("\\DIR", "b", true); }, rt::PathFileAccess},
            {"bad name", [&] { return v.writeFile("\\A?.TXT", "b", true); }, rt::BadFileName},
            {"copy missing", [&] { return v.copyFile("\\NONE", "\\B", true); }, rt::FileNotFound},
            {"move onto existing", [&] { return v.move("\\A.TXT", "\\DIR"); }, rt::FileAlreadyExists},
            {"move missing", [&] { return v.move("\\NONE", "\\B"); }, rt::FileNotFound},
            {"delete missing", [&] { return v.removeFile("\\NONE", true); }, rt::FileNotFound},
            {"delete read-only", [&] { return v.removeFile("\\RO.TXT", false); }, rt::PermissionDenied},
            {"folder exists", [&] { return v.createFolder("\\dir"); }, rt::FileAlreadyExists},
            {"full volume", [&] { return FatVolume(dir.filePath("tiny.img"), 0).writeFile("\\BIG", big, false); }, rt::DiskFull},
            {"no FAT there", [&] { return FatVolume(fd, 512).list("\\", entries); }, rt::PathFileAccess},
            {"past the timeout", [&] { return FatVolume(dir.filePath("fifo.img"), 0, 300).list("\\", entries); }, rt::PathFileAccess},
            {"no image", [&] { return FatVolume(fd + "x", 0).list("\\", entries); }, rt::PathNotFound},
        };
        for (const auto &row : rows)
            QVERIFY2(row.op() == row.expected, row.row);
        QCOMPARE(FatVolume(dir.filePath("tiny.img"), 0).list("\\", entries), 0);
        QVERIFY(entries.isEmpty()); // the full volume's temporary file is gone
        QCOMPARE(v.readFile("\\A.TXT", -1).data, QByteArray("a"));
        // Many names are read with the whole folder; an 8.3 alias and a missing name still answer.
        sh("mmd -i err.img ::/MANY; for n in $(seq 40); do echo $n > \"Long $n.txt\"; done;"
           "mcopy -i err.img Long* ::/MANY");
        QStringList many{"LONG1~1.TXT", "none"};
        for (int n = 1; n <= 40; ++n)
            many << QStringLiteral("long %1.TXT").arg(n);
        const QList<bg::fat::FileRead> reads = v.readFiles("\\MANY", many, 3);
        QCOMPARE(reads[0].data + char(reads[1].error), QByteArray("1\n") + char(rt::FileNotFound));
        for (int n = 1; n <= 40; ++n)
            QCOMPARE(reads[n + 1].data, QByteArray::number(n) + '\n');
        QVERIFY(fsckClean(fd, 0) && fsckClean(dir.filePath("tiny.img"), 0));
    }
};

QTEST_MAIN(TestFatVolume)
#include "tst_fatvolume.moc"

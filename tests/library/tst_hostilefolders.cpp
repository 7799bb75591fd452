// Folder scans of folders that fight back: special files, broken and looping links, names no
// Windows path can hold, enormous sparse files, and files that change between the listing and
// the picture test. The scan must finish promptly, list exactly the logos, and never block.
#include "app/CommandLineModes.h"
#include "app/Services.h"
#include "core/LogoTests.h"
#include "platform/Desktop.h"
#include "support/FaultInjectingFileService.h"
#include "support/PictureFactory.h"
#include "support/WindowFixture.h"
#include "ui/FrmLogo.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMimeData>
#include <QScopeGuard>
#include <QSet>
#include <QTest>
#include <QUrl>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace bg;
using namespace bg::test;

namespace {

const QString Folder = QStringLiteral("C:\\Logos\\");
const QString Settings = QStringLiteral("[SplashwheelSet]\nStart_Path=C:\\Logos\\\n");

QByteArray enc(const QString &hostPath)
{
    return QFile::encodeName(hostPath);
}

// A file of `size` bytes that starts with `head` and holds nothing else: no blocks on disk.
bool writeSparse(const QString &hostPath, const QByteArray &head, qint64 size)
{
    const int fd = ::open(enc(hostPath).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    const bool ok = ::write(fd, head.constData(), size_t(head.size())) == head.size()
                    && ::ftruncate(fd, off_t(size)) == 0;
    return ::close(fd) == 0 && ok;
}

// A file name given as raw bytes (it need not be valid in any encoding).
bool writeRawName(const QString &hostDir, const QByteArray &rawName, const QByteArray &bytes)
{
    const QByteArray path = enc(hostDir) + '/' + rawName;
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    const bool ok = ::write(fd, bytes.constData(), size_t(bytes.size())) == bytes.size();
    return ::close(fd) == 0 && ok;
}

QSet<QString> asSet(const QStringList &list)
{
    return QSet<QString>(list.begin(), list.end());
}

} // namespace

class TestHostileFolders : public QObject
{
    Q_OBJECT

private slots:
    void scanListsExactlyTheLogos();
    void filesChangingBetweenPasses();
    void headersBehindLongPadding();
    void leftoversOfADeadCopy();
    void hostileFilesToAdd_data();
    void hostileFilesToAdd();
    void hostileSlotFolder_data();
    void hostileSlotFolder();
};

void TestHostileFolders::scanListsExactlyTheLogos()
{
    WindowFixture f;
    const QByteArray logo = pictures::bmp(QSize(320, 400), 8);
    QVERIFY(f.tmp.makeFolder(Folder));
    const QString host = f.tmp.host(Folder);
    QVERIFY(!host.isEmpty());

    // The true logos.
    const QString longName = QString(251, u'L') + QStringLiteral(".bmp"); // 255 bytes
    const QString notInCodePage = QStringLiteral("한글 😀.bmp"); // a Windows name, not Big5
    QStringList logos = {QStringLiteral("a.bmp"), longName, notInCodePage,
                         QStringLiteral("link-to-logo.bmp"), QStringLiteral("huge.bmp")};
    QCOMPARE(enc(longName).size(), 255);
    QVERIFY(f.writeLogos(Folder, {"a.bmp", longName, notInCodePage}));
    QVERIFY(f.writeLogo(QStringLiteral("C:\\Elsewhere\\real.bmp")));
    QVERIFY(QFile::link(QStringLiteral("../Elsewhere/real.bmp"), host + "/link-to-logo.bmp"));
    // A complete 320 x 400 bitmap at the start of 1,290,000,000 bytes: the size test passes, the
    // picture loads (what follows it is ignored), and the file must not be read through.
    QVERIFY(writeSparse(host + "/huge.bmp", logo, 1290000000));

    // Nothing else is a logo, however it looks.
    QCOMPARE(::mkfifo(enc(host + "/pipe.bmp").constData(), 0644), 0);
    QCOMPARE(::mknod(enc(host + "/socket.bmp").constData(), S_IFSOCK | 0644, 0), 0);
    QVERIFY(QFile::link(QStringLiteral("pipe.bmp"), host + "/link-to-pipe.bmp"));
    QVERIFY(QFile::link(QStringLiteral("missing.bmp"), host + "/dangling.bmp"));
    QVERIFY(QFile::link(QStringLiteral("self.bmp"), host + "/self.bmp"));
    QVERIFY(QFile::link(QStringLiteral("loop2.bmp"), host + "/loop1.bmp"));
    QVERIFY(QFile::link(QStringLiteral("loop1.bmp"), host + "/loop2.bmp"));
    QVERIFY(QDir(host).mkdir(QStringLiteral("folder.bmp")));
    QVERIFY(f.writeLogo(Folder + QStringLiteral("folder.bmp\\inside.bmp")));
    QVERIFY(QDir(host).mkdir(QStringLiteral("Showed")));
    QVERIFY(f.writeLogo(Folder + QStringLiteral("Showed\\used.bmp")));
    // 2 GiB whose header claims a 320 x 400 bitmap: the size rules it out.
    QVERIFY(writeSparse(host + "/sparse-2g.bmp", logo.left(1078), qint64(2) << 30));
    // Logos under names no Windows path can hold. (The temporary folder cannot remove a name
    // that is not valid in the file name encoding, so the test removes its names itself.)
    const std::initializer_list<const char *> rawNames = {
        "colon:.bmp", "what?.bmp", "star*.bmp", "pipe|.bmp", "quote\".bmp", "less<.bmp",
        "back\\slash.bmp", "tab\t.bmp", "\xff\xfe-not-utf8.bmp"};
    const auto removeRawNames = qScopeGuard([&] {
        for (const char *raw : rawNames)
            ::unlink((enc(host) + '/' + raw).constData());
    });
    for (const char *raw : rawNames)
        QVERIFY2(writeRawName(host, raw, logo), raw);

    f.writeSettings(Settings);
    QElapsedTimer timer;
    timer.start();
    f.load();
    const qint64 elapsed = timer.elapsed();
    QCOMPARE(asSet(f.entries()), asSet(logos));
    QCOMPARE(f.entries().size(), logos.size());
    QVERIFY(f.desktop.boxes.isEmpty());
    QVERIFY2(elapsed < 20000, qPrintable(QStringLiteral("scan took %1 ms").arg(elapsed)));

    // Refresh scans the same folder again with the same result.
    f.w().mnuRefresh_Click();
    QCOMPARE(asSet(f.entries()), asSet(logos));
}

void TestHostileFolders::filesChangingBetweenPasses()
{
    WindowFixture f;
    FaultInjectingFileService files(f.tmp.files());
    f.services.reset(new Services{f.tmp.prefix(), files, f.desktop, f.pictures,
                                  f.services->programFolder, QString(), false});
    QVERIFY(f.writeLogos(Folder, {"stays.bmp", "removed.bmp", "becomes-fifo.bmp",
                                  "becomes-folder.bmp", "becomes-damaged.bmp", "becomes-link.bmp"}));
    const QString host = f.tmp.host(Folder);

    // Between the listing (sizes) and the picture tests, the folder changes under the scan.
    int changes = 0;
    files.setAfterListing([&](const QString &folder) {
        if (folder.compare(Folder, Qt::CaseInsensitive) != 0 || changes++ > 0)
            return;
        QFile::remove(host + "/removed.bmp");
        QFile::remove(host + "/becomes-fifo.bmp");
        ::mkfifo(enc(host + "/becomes-fifo.bmp").constData(), 0644);
        QFile::remove(host + "/becomes-folder.bmp");
        QDir(host).mkdir(QStringLiteral("becomes-folder.bmp"));
        f.tmp.writeFile(Folder + "becomes-damaged.bmp",
                        pictures::truncated(pictures::bmp(QSize(320, 400), 8), -100));
        QFile::remove(host + "/becomes-link.bmp");
        QFile::link(QStringLiteral("becomes-link.bmp"), host + "/becomes-link.bmp");
    });

    f.writeSettings(Settings);
    f.load();
    QCOMPARE(changes, 1);
    QCOMPARE(f.entries(), QStringList{"stays.bmp"});
    QVERIFY(f.desktop.boxes.isEmpty());
}

// Files of logo size whose JPEG frame header would lie behind a megabyte of fill bytes or of
// four-byte segments: the header search reads on in growing steps, not a few bytes at a time
// with a new search from the start for each step, which took hours for such a file.
void TestHostileFolders::headersBehindLongPadding()
{
    WindowFixture f;
    const qint64 size = 1290000;
    QByteArray fill("\xFF\xD8", 2);
    fill.append(QByteArray(size - fill.size(), char(0xFF)));
    QByteArray segments("\xFF\xD8", 2);
    while (segments.size() + 4 <= size)
        segments.append("\xFF\xE0\x00\x02", 4);
    segments.append(QByteArray(size - segments.size(), char(0xFF)));
    QVERIFY(f.tmp.writeFile(Folder + "fill.jpg", fill));
    QVERIFY(f.tmp.writeFile(Folder + "segments.jpg", segments));
    QVERIFY(f.writeLogos(Folder, {"a.bmp"}));

    f.writeSettings(Settings);
    QElapsedTimer timer;
    timer.start();
    f.load();
    QCOMPARE(f.entries(), QStringList{"a.bmp"});
    QVERIFY2(timer.elapsed() < 10000, qPrintable(QStringLiteral("scan took %1 ms").arg(timer.elapsed())));
}

// A copy killed on a file system without unnamed temporary files leaves its temporary file
// (".~bg" + hex + ".tmp") beside the target. It is no logo of the folder, Restore does not move
// it, and it does not keep an otherwise empty Showed folder alive.
void TestHostileFolders::leftoversOfADeadCopy()
{
    WindowFixture f;
    const QByteArray logo = pictures::bmp(QSize(320, 400), 8);
    QVERIFY(f.writeLogos(Folder, {"a.bmp"}));
    QVERIFY(f.tmp.writeFile(Folder + ".~bg1f2e3d.tmp", logo));
    QVERIFY(f.tmp.writeFile(Folder + ".~bgnothex.tmp", logo)); // not a name the service makes
    QVERIFY(f.writeLogos(Folder + "Showed\\", {"b.bmp"}));
    QVERIFY(f.tmp.writeFile(Folder + "Showed\\.~bg0123abcd.tmp", logo.left(5000)));
    QVERIFY(f.tmp.writeFile(Folder + "Showed\\.~bg99.tmp", logo));

    f.writeSettings(Settings);
    f.load();
    QCOMPARE(asSet(f.entries()), asSet({"a.bmp", ".~bgnothex.tmp"}));
    f.w().cmdRestore_Click();
    QCOMPARE(asSet(f.entries()), asSet({"a.bmp", "b.bmp", ".~bgnothex.tmp"}));
    QVERIFY(!f.tmp.exists(Folder + "Showed"));
    QVERIFY(f.tmp.exists(Folder + ".~bg1f2e3d.tmp")); // only an emptied Showed is cleaned
    QVERIFY(f.desktop.boxes.isEmpty());
}

void TestHostileFolders::hostileFilesToAdd_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("byDrop");
    for (const char *kind : {"fifo", "socket", "dangling", "loop", "folder", "sparse-2g"}) {
        QTest::addRow("%s, dropped", kind) << QString::fromLatin1(kind) << true;
        QTest::addRow("%s, command line", kind) << QString::fromLatin1(kind) << false;
    }
}

// Adding a file that is no regular picture file, by a drop or by the command line: refused
// with a message, nothing copied, nothing blocks.
void TestHostileFolders::hostileFilesToAdd()
{
    QFETCH(QString, kind);
    QFETCH(bool, byDrop);
    WindowFixture f;
    QVERIFY(f.writeLogos(Folder, {"a.bmp"}));
    QVERIFY(f.tmp.makeFolder(QStringLiteral("C:\\Incoming\\")));
    const QString incoming = f.tmp.host(QStringLiteral("C:\\Incoming\\"));
    const QString host = incoming + "/new.bmp";
    if (kind == "fifo")
        QCOMPARE(::mkfifo(enc(host).constData(), 0644), 0);
    else if (kind == "socket")
        QCOMPARE(::mknod(enc(host).constData(), S_IFSOCK | 0644, 0), 0);
    else if (kind == "dangling")
        QVERIFY(QFile::link(QStringLiteral("missing.bmp"), host));
    else if (kind == "loop")
        QVERIFY(QFile::link(QStringLiteral("new.bmp"), host));
    else if (kind == "folder")
        QVERIFY(QDir(incoming).mkdir(QStringLiteral("new.bmp")));
    else
        QVERIFY(writeSparse(host, pictures::bmp(QSize(320, 400), 8).left(1078), qint64(2) << 30));

    f.writeSettings(Settings);
    f.load();
    QElapsedTimer timer;
    timer.start();
    if (byDrop) {
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(host)});
        f.w().lstSys_OLEDragDrop(&data);
    } else {
        LogoTester tester(f.tmp.files(), f.pictures);
        QCOMPARE(cmdline::addToStartup(f.tmp.files(), f.desktop, tester,
                                       QStringLiteral("/c C:\\Incoming\\new.bmp"), Folder),
                 cmdline::ExitRefused);
    }
    QVERIFY(timer.elapsed() < 10000);
    QVERIFY(!f.tmp.exists(Folder + "new.bmp"));
    QCOMPARE(f.entries(), QStringList{"a.bmp"});
    if (byDrop && (kind == "sparse-2g" || kind == "folder")) {
        // A drop passes over a folder or a picture that is no logo without a word.
        QVERIFY2(f.desktop.boxes.isEmpty(), qPrintable(f.desktop.boxes.value(0).title + " / "
                                                       + f.desktop.boxes.value(0).prompt));
    } else {
        // The rest is no file that can be read (a folder is not found as a file, as FileLen
        // finds none): refused with the message of its error number.
        QCOMPARE(f.desktop.boxes.size(), 1);
        QCOMPARE(f.desktop.boxes.first().style, int(mb::Critical));
        const QString title = f.desktop.boxes.first().title;
        QVERIFY2(title == QStringLiteral("加入失敗") || title.startsWith(QStringLiteral("錯誤編號")),
                 qPrintable(title));
    }
}

void TestHostileFolders::hostileSlotFolder_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("a FIFO") << "fifo";
    QTest::newRow("a socket") << "socket";
    QTest::newRow("a file") << "file";
    QTest::newRow("a link to itself") << "loop";
    QTest::newRow("a dangling link") << "dangling";
    QTest::newRow("a link to a FIFO") << "link-to-fifo";
}

// The slot's folder itself is no folder: the start-up scan reports the missing path and lists
// nothing, without blocking.
void TestHostileFolders::hostileSlotFolder()
{
    QFETCH(QString, kind);
    WindowFixture f;
    QVERIFY(f.tmp.makeFolder(QStringLiteral("C:\\Base\\")));
    const QString base = f.tmp.host(QStringLiteral("C:\\Base\\"));
    const QString target = base + "/Logos";
    if (kind == "fifo")
        QCOMPARE(::mkfifo(enc(target).constData(), 0644), 0);
    else if (kind == "socket")
        QCOMPARE(::mknod(enc(target).constData(), S_IFSOCK | 0644, 0), 0);
    else if (kind == "file")
        QVERIFY(f.writeLogo(QStringLiteral("C:\\Base\\Logos")));
    else if (kind == "loop")
        QVERIFY(QFile::link(QStringLiteral("Logos"), target));
    else if (kind == "dangling")
        QVERIFY(QFile::link(QStringLiteral("nowhere"), target));
    else if (kind == "link-to-fifo") {
        QCOMPARE(::mkfifo(enc(base + "/pipe").constData(), 0644), 0);
        QVERIFY(QFile::link(QStringLiteral("pipe"), target));
    }

    f.writeSettings(QStringLiteral("[SplashwheelSet]\nStart_Path=C:\\Base\\Logos\\\n"));
    f.load();
    QVERIFY(f.entries().isEmpty());
    QCOMPARE(f.desktop.boxes.size(), 1);
    QCOMPARE(f.desktop.boxes.first(),
             (ScriptedDesktop::Box{"找不到您所設定的路徑，請重新指定更換LOGO的檔案路徑!!",
                                   mb::Critical, "路徑錯誤"}));
}

QTEST_MAIN(TestHostileFolders)
#include "tst_hostilefolders.moc"

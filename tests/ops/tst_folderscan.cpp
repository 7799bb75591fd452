// The folder scan as the window runs it: exactly the logos (also of folders that fight back, and of
// every picture kind against a full decode), typed folders, previews, progress, Refresh; its rules;
// its worker: what it delivers, in which order, and how a scan is ended.
#include "core/LogoTests.h"
#include "ops/FolderScan.h"
#include "ops/FolderScanJob.h"
#include "platform/PictureLoader.h"
#include "support/PictureFactory.h"
#include "support/WindowFixture.h"
#include "ui/ImageBox.h"
#include "ui/LogoListModel.h"

#include <QAbstractItemView>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTest>
#include <QThread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace bg;
using namespace bg::test;

namespace {

using Boxes = QList<ScriptedDesktop::Box>;
const QString Folder = QStringLiteral("C:\\Logos\\");
const QSize LogoSize(320, 400);
const QStringList NewLogos{"Alpha.BMP", "beta.bmp", "zeta.bmp", "日出.bmp", "海邊.bmp"};

// The window opened on a folder as the Startup slot's (stored as given), its scan done in time.
void openOn(WindowFixture &f, const QString &stored = Folder)
{
    f.writeSettings("[SplashwheelSet]\nStart_Path=" + stored + "\n");
    if (f.start() != -1 || !QTest::qWaitFor([&f] { return !f.w().isScanning(); }, 20000))
        QTest::qFail("the window did not open with its scan done", __FILE__, __LINE__);
}

QStringList sorted(QStringList list) { list.sort(); return list; }

QByteArray enc(const QString &hostPath) { return QFile::encodeName(hostPath); }

// A file of `size` bytes that starts with `head`; a raw name need not be valid in any encoding.
bool writeRaw(const QByteArray &path, const QByteArray &head, qint64 size = -1)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    const bool ok = ::write(fd, head.constData(), size_t(head.size())) == head.size()
                    && (size < 0 || ::ftruncate(fd, off_t(size)) == 0);
    return ::close(fd) == 0 && ok;
}

// A picture padded with trailing bytes to a length whose decimal text begins with 129, so the
// size test lets it through to the picture test. Trailing bytes never change what a complete
// picture decodes to.
QByteArray paddedTo129(const QByteArray &bytes, int salt)
{
    qint64 target = 129;
    while (target < bytes.size() + 1)
        target *= 10;
    target += (salt * 37) % std::max<qint64>(1, target / 129); // within [129, 130) * 10^k
    return bytes + QByteArray(qsizetype(std::max<qint64>(0, target - bytes.size())), '\0');
}

// Every kind of file a logo folder may hold, with the pictures the loader has to get right and
// the ones whose header lies about them.
QList<QPair<QString, QByteArray>> mixedFiles()
{
    using namespace pictures;
    const QByteArray jpegLogo = jpeg(LogoSize);
    QByteArray noise("MZ");
    for (QRandomGenerator rng(7); noise.size() < 129078;)
        noise.append(char(rng.bounded(256)));
    return {{"logo8.bmp", bmp(LogoSize, 8)}, {"logo24.bmp", bmp(LogoSize, 24)},
            {"core.bmp", bmp(LogoSize, 8, BmpLayout::Core12)}, {"topdown.bmp", bmp(LogoSize, 8, BmpLayout::TopDown)},
            {"rle8.bmp", bmpRle(LogoSize)}, {"turned.bmp", bmp(QSize(400, 320), 8)},
            {"short.bmp", truncated(bmp(LogoSize, 8), -1)}, {"rle cut.bmp", truncated(bmpRle(LogoSize), -40)},
            {"header only.bmp", bmpHeaderOnly(LogoSize)}, {"logo.gif", gif(LogoSize)},
            {"cut.gif", truncated(gif(LogoSize), -10)}, {"logo.jpg", jpegLogo}, {"progressive.jpg", jpeg(LogoSize, true)},
            {"metadata.jpg", jpeg(LogoSize, false, 20000)}, {"cut.jpg", truncated(jpegLogo, jpegLogo.size() / 2)},
            {"no end.jpg", truncated(jpegLogo, -2)}, {"logo.ico", icon(LogoSize)}, {"far.ico", icon(LogoSize, false, 9000)},
            {"small.ico", icon(QSize(32, 32))}, {"logo.wmf", wmf(LogoSize, 96)},
            {"bad sum.wmf", wmfBadChecksum(LogoSize, 96)}, {"logo.emf", emf(QSize(8467, 10583))},
            {"logo.png", png(LogoSize)}, {"empty.bmp", QByteArray()},
            {"text.txt", QByteArray("BM but not a bitmap at all\r\n")}, {"noise.bmp", noise}};
}

} // namespace

class TestFolderScan : public QObject
{
    Q_OBJECT

    TempPrefix tmp;
    FaultInjectingFileService files{tmp.files()};
    PictureLoader pictures{96.0, 96.0};
    LogoTester tester{files, pictures};
    QStringList many; // the logos of the Many folder

    static QStringList namesIn(const QSignalSpy &batches)
    {
        QStringList names;
        for (const QVariantList &batch : batches)
            names += batch[0].toStringList();
        names.sort();
        return names;
    }

private slots:
    void initTestCase()
    {
        const QByteArray logo = pictures::bmp(QSize(320, 400), 8);
        QVERIFY(tmp.writeFile("C:\\Many\\logo.bmp", logo) && tmp.writeFile("C:\\Few\\x.bmp", logo));
        QVERIFY(tmp.writeFile("C:\\Many\\noise.bmp", QByteArray(129078, 'x')) && tmp.writeFile("C:\\Many\\Showed\\used.bmp", logo));
        // Links to the logo, more names than two batches hold (512 each).
        many.append("logo.bmp");
        for (int i = 0; i < 1100; ++i) {
            many.append(QStringLiteral("link%1.bmp").arg(i, 4, 10, QLatin1Char('0')));
            QVERIFY(QFile::link("logo.bmp", tmp.host("C:\\Many\\") + '/' + many.last()));
        }
        many.sort();
    }

    void deliversInOrderAndFinishesOnce()
    {
        FolderScanJob job(files, tester);
        QSignalSpy batches(&job, &FolderScanJob::logosFound);
        QSignalSpy progress(&job, &FolderScanJob::progressed);
        QSignalSpy finished(&job, &FolderScanJob::finished);
        job.start("C:\\Many\\");
        QVERIFY(job.isRunning() && finished.wait(10000) && !job.isRunning());
        QCOMPARE(finished, (QList<QVariantList>{{1102, true}}));
        QCOMPARE(namesIn(batches), many);
        QVERIFY(batches.size() >= 3);
        for (int i = 1; i < progress.size(); ++i) // progress only grows, up to 100
            QVERIFY(progress[i][0].toDouble() >= progress[i - 1][0].toDouble());
        QCOMPARE(progress.last()[0].toDouble(), 100.0);
    }

    void endedScanDeliversNothingMore_data()
    {
        QTest::addColumn<QString>("end"); // cancel, start (another folder) or destroy
        QTest::addColumn<bool>("held"); // after its listing, or with all it sent still queued
        for (const char *end : {"cancel", "start", "destroy"}) {
            QTest::addRow("%s while held", end) << QString(end) << true;
            QTest::addRow("%s with deliveries queued", end) << QString(end) << false;
        }
    }
    void endedScanDeliversNothingMore()
    {
        QFETCH(QString, end);
        QFETCH(bool, held);
        QSemaphore entered, gate;
        if (held)
            files.setAfterListing([&](const QString &folder) {
                if (!folder.contains("Many"))
                    return;
                entered.release();
                gate.acquire();
            });
        auto job = std::make_unique<FolderScanJob>(files, tester);
        const auto release = qScopeGuard([&] {
            files.setAfterListing(nullptr);
            gate.release();
        });
        QSignalSpy batches(job.get(), &FolderScanJob::logosFound);
        QSignalSpy progressed(job.get(), &FolderScanJob::progressed);
        QSignalSpy finished(job.get(), &FolderScanJob::finished);
        job->start("C:\\Many\\");
        if (held)
            QVERIFY(entered.tryAcquire(1, 10000));
        else
            QThread::msleep(200); // no events run: what the worker sends waits in the queue
        if (end == "destroy") { // safe while the worker runs or its deliveries wait
            gate.release();
            job.reset();
            return;
        }
        if (end == "cancel") {
            job->cancel();
            QVERIFY(!job->isRunning());
        }
        // One worker: the next scan starts once the old one stopped, and ends after all it sent.
        job->start("C:\\Few\\");
        gate.release();
        QVERIFY(finished.wait(10000));
        QCOMPARE(finished, (QList<QVariantList>{{1, false}}));
        QCOMPARE(namesIn(batches), QStringList{"x.bmp"});
        QVERIFY(!progressed.isEmpty());
        for (const QVariantList &p : progressed) // the old scan's would be below 100
            QCOMPARE(p[0].toDouble(), 100.0);
    }
    // The list's horizontal extent: the widest entry rounded (halves to even) plus 5 pixels, and
    // the window's mark, "over" from 110 pixels on.
    void fitListWidth()
    {
        const struct { std::vector<double> widths; int extent; const char *tag; } widths[] = {
            {{}, 5, "noover"}, {{60, 104, 30}, 109, "noover"}, {{105, 60}, 110, "over"},
            {{104.5}, 109, "noover"}, {{105.5}, 111, "over"}, {{104.4, 104.3}, 109, "noover"}};
        for (const auto &w : widths) {
            const ListWidth result = bg::fitListWidth(w.widths);
            QCOMPARE(result.extent, w.extent);
            QCOMPARE(result.tag, QString::fromLatin1(w.tag));
        }
    }

    void typedFolder_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<bool>("missing");
        const QStringList kept{"a.bmp"};
        QTest::newRow("empty text") << "" << QStringList() << false;
        QTest::newRow("missing folder") << "C:\\Nowhere" << kept << true;
        for (const char *kind : {"fifo", "socket", "file", "loop", "dangling", "link-to-fifo"})
            QTest::addRow("%s", kind) << QStringLiteral("C:\\Base\\") + kind << kept << true;
        QTest::newRow("same folder, other case") << "C:\\LOGOS" << kept << false;
        QTest::newRow("other folder") << "C:\\New" << NewLogos << false;
    }
    // Enter in the path box: the folder's logos sorted, the first chosen (its used logos and other
    // files are none). Only a changed folder is offered for saving when the window closes.
    void typedFolder()
    {
        QFETCH(QString, typed);
        QFETCH(QStringList, entries);
        QFETCH(bool, missing);
        const QString folder = typed == "C:\\New" ? "C:\\New\\" : "c:\\logos\\"; // saved at the end
        WindowFixture f;
        QVERIFY(f.writeLogos(Folder, {"a.bmp"}) && f.writeLogos("C:\\New\\", {"zeta.bmp", "Alpha.BMP", "日出.bmp", "beta.bmp", "海邊.bmp"}));
        QVERIFY(f.writeLogo("C:\\New\\Showed\\used.bmp") && f.tmp.writeFileOfSize("C:\\New\\noise.bmp", 129078));
        // Paths that name no folder, however they look on the host.
        QVERIFY(f.tmp.makeFolder("C:\\Base\\") && f.writeLogo("C:\\Base\\file"));
        const QString base = f.tmp.host("C:\\Base\\") + '/';
        QCOMPARE(::mkfifo(enc(base + "fifo").constData(), 0644), 0);
        QCOMPARE(::mknod(enc(base + "socket").constData(), S_IFSOCK | 0644, 0), 0);
        QVERIFY(QFile::link("loop", base + "loop") && QFile::link("nowhere", base + "dangling") &&
                QFile::link("fifo", base + "link-to-fifo"));
        openOn(f, "c:\\logos\\");

        f.typePath(typed);
        QVERIFY(f.waitForScan());
        QCOMPARE(f.entries(), entries);
        const Boxes notFound{{"找不到您所設定的路徑，請重新指定更換LOGO的檔案路徑!!", mb::Critical, "路徑錯誤"}};
        QCOMPARE(f.desktop.boxes, missing ? notFound : Boxes());
        if (missing)
            QCOMPARE(f.find<QLineEdit>("txtPath")->selectedText(), typed);
        QCOMPARE(f.list()->toolTip(),
                 entries.isEmpty() ? QString() : QStringLiteral("點兩下可設為下次開機LOGO(共有%1個LOGO)").arg(entries.size()));
        QCOMPARE(f.find<QMenu>("mnuEdit")->menuAction()->isEnabled(), !entries.isEmpty());
        auto *preview = f.find<ImageBox>("imgOutput");
        QCOMPARE(preview->hasPicture(), !entries.isEmpty());
        QCOMPARE(f.selectedEntry(), entries.value(0));
        QVERIFY(entries.isEmpty() || (preview->toolTip() == entries[0] && preview->borderStyle() == 1));
        const bool changed = folder != "c:\\logos\\";
        QCOMPARE(f.find("cmdRestore")->isEnabled(), changed); // only C:\New\ holds a Showed folder
        f.desktop.boxes.clear();
        if (changed)
            f.desktop.answer(mb::AnswerYes);
        QTest::keyClick(f.list(), Qt::Key_X, Qt::ControlModifier);
        QTRY_VERIFY(!f.w().isVisible());
        QCOMPARE(f.takeBoxTitles(), changed ? QStringList{"Bootgallery"} : QStringList());
        QVERIFY(f.settingsBytes().contains("Start_Path=" + folder.toLatin1() + "\r\n"));
    }

    // A click on an entry damaged after the listing tells it is no picture. Refresh (F5) loads
    // the system logos again, then the folder. The fill (laid out narrower) covers the track
    // after a scan; a folder without files leaves it.
    void previewRefreshAndProgress()
    {
        WindowFixture f;
        QVERIFY(f.writeLogos(Folder, {"a.bmp", "b.bmp"}) && f.tmp.writeFileOfSize(Folder + "other.txt", 5000));
        openOn(f);
        QVERIFY(f.tmp.writeFile(Folder + "b.bmp", pictures::truncated(pictures::bmp(LogoSize), 5000)));
        f.clickRow(1);
        QCOMPARE(f.desktop.boxes, (Boxes{{"此檔 'b.bmp' 不為所支援的圖形格式！", mb::Critical, "b.bmp"}}));
        auto *preview = f.find<ImageBox>("imgOutput");
        QVERIFY(!preview->hasPicture());
        QCOMPARE(preview->toolTip(), QStringLiteral("a.bmp")); // keeps its earlier value
        QCOMPARE(f.selectedEntry(), QStringLiteral("b.bmp"));

        QVERIFY(f.writeLogo("C:\\WINDOWS\\LOGOW.SYS") && f.writeLogo(Folder + "new.bmp", 9));
        f.desktop.boxes.clear();
        QTest::keyClick(f.list(), Qt::Key_F5);
        QVERIFY(f.waitForScan());
        QVERIFY(f.find<ImageBox>("imgWait")->hasPicture() && !f.find<ImageBox>("imgStartup")->hasPicture());
        QCOMPARE(f.entries(), (QStringList{"a.bmp", "new.bmp"}));
        QVERIFY(f.desktop.boxes.isEmpty());

        QWidget *fill = f.find("lblUpBar");
        QCOMPARE(fill->geometry(), f.find("lblUnderBar")->geometry());
        QVERIFY(f.tmp.makeFolder("C:\\Empty\\"));
        f.typePath("C:\\Empty");
        QVERIFY(f.waitForScan());
        QCOMPARE(fill->geometry(), f.find("lblUnderBar")->geometry());
    }

    // Exactly the logos, also of files that change between the listing and the picture tests.
    void scanListsExactlyTheLogos()
    {
        WindowFixture f;
        FaultInjectingFileService &files = f.injectFaults();
        const QByteArray logo = pictures::bmp(LogoSize, 8);
        const QString longName = QString(251, u'L') + QStringLiteral(".bmp"); // 255 bytes
        const QString notInCodePage = QStringLiteral("한글 😀.bmp"); // a Windows name, not Big5
        const QStringList logos{"a.bmp", longName, notInCodePage, "link-to-logo.bmp", "huge.bmp"};
        QVERIFY(f.writeLogos(Folder, {"a.bmp", longName, notInCodePage}) && f.writeLogo("C:\\Elsewhere\\real.bmp"));
        const QString host = f.tmp.host(Folder) + '/';
        const char *const changing[] = {"removed.bmp", "becomes-fifo.bmp", "becomes-folder.bmp", "becomes-link.bmp"};
        for (const char *name : changing)
            QVERIFY(f.writeLogo(Folder + name));
        QVERIFY(f.writeLogo(Folder + "becomes-damaged.bmp"));
        files.setAfterListing([&](const QString &) {
            for (const char *name : changing)
                QFile::remove(host + name);
            ::mkfifo(enc(host + "becomes-fifo.bmp").constData(), 0644);
            QDir(host).mkdir("becomes-folder.bmp");
            QFile::link("becomes-link.bmp", host + "becomes-link.bmp");
            f.tmp.writeFile(Folder + "becomes-damaged.bmp", pictures::truncated(logo, -100));
        });
        QVERIFY(QFile::link("../Elsewhere/real.bmp", host + "link-to-logo.bmp"));
        // A complete bitmap at the start of 1,290,000,000 bytes: the size test passes, the picture
        // loads (what follows it is ignored), and the file must not be read through.
        QVERIFY(writeRaw(enc(host + "huge.bmp"), logo, 1290000000));

        // Nothing else is a logo, however it looks.
        QCOMPARE(::mkfifo(enc(host + "pipe.bmp").constData(), 0644), 0);
        QCOMPARE(::mknod(enc(host + "socket.bmp").constData(), S_IFSOCK | 0644, 0), 0);
        const char *const links[][2] = {{"pipe.bmp", "link-to-pipe.bmp"}, {"missing.bmp", "dangling.bmp"},
                                        {"self.bmp", "self.bmp"}, {"loop2.bmp", "loop1.bmp"}, {"loop1.bmp", "loop2.bmp"}};
        for (const auto &link : links)
            QVERIFY(QFile::link(link[0], host + link[1]));
        QVERIFY(f.writeLogo(Folder + "folder.bmp\\inside.bmp") && f.writeLogo(Folder + "Showed\\used.bmp"));
        // 2 GiB whose header claims a 320 x 400 bitmap: the size rules it out.
        QVERIFY(writeRaw(enc(host + "sparse-2g.bmp"), logo.left(1078), qint64(2) << 30));
        // Logos under names no Windows path can hold (removed here: the temporary folder cannot).
        const std::initializer_list<const char *> rawNames = {
            "colon:.bmp", "what?.bmp", "star*.bmp", "pipe|.bmp", "quote\".bmp", "less<.bmp",
            "back\\slash.bmp", "tab\t.bmp", "\xff\xfe-not-utf8.bmp"};
        const auto removeRawNames = qScopeGuard([&] {
            for (const char *raw : rawNames)
                ::unlink((enc(host) + raw).constData());
        });
        for (const char *raw : rawNames)
            QVERIFY2(writeRaw(enc(host) + raw, logo), raw);

        // Logo-sized files whose JPEG frame header would lie behind a megabyte of fill bytes or of
        // four-byte segments: the header search must read on in growing steps (a search from
        // the start for each few bytes took hours for such a file).
        QByteArray fill("\xFF\xD8", 2), segments("\xFF\xD8", 2);
        while (segments.size() + 4 <= 1290000)
            segments.append("\xFF\xE0\x00\x02", 4);
        QVERIFY(writeRaw(enc(host + "fill.jpg"), fill + QByteArray(1290000 - 2, char(0xFF))));
        QVERIFY(writeRaw(enc(host + "segments.jpg"), segments + QByteArray(1290000 - segments.size(), char(0xFF))));

        openOn(f);
        files.setAfterListing(nullptr);
        QCOMPARE(sorted(f.entries()), sorted(logos));
        QVERIFY(f.desktop.boxes.isEmpty());
    }

    // The window's list against a brute-force walk: every file decoded in full, both tests applied.
    void windowScanMatchesBruteForce()
    {
        WindowFixture f;
        const QString folder = QStringLiteral("C:\\Mixed\\");
        int salt = 0;
        for (const auto &[name, bytes] : mixedFiles()) {
            QVERIFY(f.tmp.writeFile(folder + name, bytes));
            QVERIFY(f.tmp.writeFile(folder + "129 " + name, paddedTo129(bytes, ++salt)));
        }
        QVERIFY(f.writeLogo(folder + "Showed\\used.bmp"));
        openOn(f, folder);

        QStringList expected;
        for (const QFileInfo &info : QDir(f.tmp.host(folder)).entryInfoList(QDir::Files | QDir::Hidden)) {
            QFile file(info.filePath());
            QVERIFY(file.open(QIODevice::ReadOnly));
            if (HasLogoFileSize(info.size()) && pictures.measureFully(file.readAll()) == LogoSize)
                expected.append(info.fileName());
        }
        QVERIFY2(expected.size() >= 15, "the mixed folder should hold logos of every format");
        const QStringList listed = f.entries();
        LogoListModel order;
        for (int i = 1; i < listed.size(); ++i)
            QVERIFY2(!order.lessThan(listed[i], listed[i - 1]), qPrintable(listed[i]));
        QCOMPARE(sorted(listed), sorted(expected));
        QVERIFY(f.desktop.boxes.isEmpty());
    }
};

QTEST_MAIN(TestFolderScan)
#include "tst_folderscan.moc"

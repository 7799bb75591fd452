#include "platform/PictureLoader.h"
#include "support/PictureFactory.h"

#include <QElapsedTimer>
#include <QFile>
#include <QLoggingCategory>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace bg;
namespace pics = bg::test::pictures;
using pics::BmpLayout;

namespace {

const QSize Logo(320, 400);

QString writeFile(const QTemporaryDir &dir, const QString &name, const QByteArray &data)
{
    const QString path = dir.filePath(name);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(data) != data.size())
        return QString();
    return path;
}

} // namespace

class TestPictureLoader : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    PictureLoader m_loader;

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        // The damaged JPEGs below make the decoder complain at length.
        QLoggingCategory::setFilterRules(QStringLiteral("qt.gui.imageio.jpeg.warning=false"));
    }

    // Every format at the logo size, and files that are no 320 x 400 picture for one reason each.
    void measure_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<bool>("logo");
        const auto logo = [](const char *name, const QByteArray &data) {
            QTest::newRow(name) << data << true;
        };
        const auto other = [](const char *name, const QByteArray &data) {
            QTest::newRow(name) << data << false;
        };
        logo("bmp 8-bit", pics::bmp(Logo, 8));
        logo("bmp 1-bit", pics::bmp(Logo, 1));
        logo("bmp 4-bit", pics::bmp(Logo, 4));
        logo("bmp 16-bit", pics::bmp(Logo, 16));
        logo("bmp 24-bit", pics::bmp(Logo, 24));
        logo("bmp 32-bit", pics::bmp(Logo, 32));
        logo("bmp core header", pics::bmp(Logo, 8, BmpLayout::Core12));
        logo("bmp V4 header", pics::bmp(Logo, 24, BmpLayout::V4));
        logo("bmp V5 header", pics::bmp(Logo, 32, BmpLayout::V5));
        logo("bmp top-down", pics::bmp(Logo, 8, BmpLayout::TopDown));
        logo("bmp bitfields 565", pics::bmp(Logo, 16, BmpLayout::Bitfields565));
        logo("bmp rle8", pics::bmpRle(Logo));
        logo("bmp rle4", pics::bmpRle(Logo, true));
        logo("ico", pics::icon(Logo));
        logo("ico image past 4 KiB", pics::icon(Logo, false, 6000));
        logo("cur", pics::icon(Logo, true));
        logo("gif", pics::gif(Logo));
        logo("gif interlaced", pics::gif(Logo, true));
        logo("jpeg baseline", pics::jpeg(Logo));
        logo("jpeg progressive", pics::jpeg(Logo, true));
        logo("jpeg frame past 4 KiB", pics::jpeg(Logo, false, 70000));
        logo("wmf 96 units per inch", pics::wmf(Logo, 96));
        logo("wmf twips", pics::wmf(QSize(4800, 6000), 1440));
        logo("emf", pics::emf(QSize(8467, 10583)));

        const QByteArray bmp = pics::bmp(Logo, 8), rle = pics::bmpRle(Logo);
        QByteArray rleOverrun = rle;
        rleOverrun[rleOverrun.size() - 4] = char(0xFF); // a run of 255 at the end of the last row
        QByteArray bigGif = pics::gif(QSize(8, 8));
        bigGif.replace(6, 4, QByteArray::fromHex("60ea60ea")); // 60000 x 60000
        other("bmp 400x320", pics::bmp(QSize(400, 320), 8));
        other("gif 640x800", pics::gif(QSize(640, 800)));
        other("jpeg 640x800", pics::jpeg(QSize(640, 800)));
        other("ico 32x32", pics::icon(QSize(32, 32)));
        other("wmf at 120 dpi extent", pics::wmf(QSize(400, 500), 96));
        other("emf 640x800", pics::emf(QSize(16933, 21167)));
        other("png named bmp", pics::png(Logo));
        other("bmp one byte short", pics::truncated(bmp, -1));
        other("bmp without pixels", pics::truncated(bmp, 14 + 40 + 1024));
        other("rle8 truncated", pics::truncated(rle, rle.size() / 2));
        other("rle8 last row cut", pics::truncated(rle, -6));
        other("rle8 overrun", rleOverrun);
        other("gif truncated", pics::truncated(pics::gif(Logo), -40));
        other("gif without trailer", pics::truncated(pics::gif(Logo), -1));
        other("jpeg truncated", pics::truncated(pics::jpeg(Logo), -200));
        other("jpeg without end marker", pics::truncated(pics::jpeg(Logo), -2));
        other("wmf truncated", pics::truncated(pics::wmf(Logo, 96), -6));
        other("wmf bad checksum", pics::wmfBadChecksum(Logo, 96));
        other("wmf without placeable header", pics::wmf(Logo, 96).mid(22));
        other("emf truncated", pics::truncated(pics::emf(QSize(8467, 10583)), -20));
        other("ico truncated", pics::truncated(pics::icon(Logo), -1));
        other("ico holding png", pics::iconWithPng(Logo));
        other("bmp claiming 60000x60000", pics::bmpHeaderOnly(QSize(60000, 60000)));
        other("bmp claiming 320x60000", pics::bmpHeaderOnly(QSize(320, 60000)));
        other("gif claiming 60000x60000", bigGif);
        other("empty", QByteArray());
        other("text", QByteArray("320 x 400 is the size of a logo\r\n"));
    }

    // The header fast path, the full decode and load() agree, from a file and from memory.
    void measure()
    {
        QFETCH(QByteArray, data);
        QFETCH(bool, logo);
        const QString path = writeFile(m_dir, QStringLiteral("logo.bmp"), data);
        QVERIFY(!path.isEmpty());
        const QSize measured = m_loader.measureFully(data);
        QCOMPARE(measured == Logo, logo);
        for (const QSize wanted : {Logo, QSize(400, 320), QSize(640, 800), QSize(32, 32)}) {
            QCOMPARE(m_loader.hasExactSize(path, wanted), measured == wanted);
            QCOMPARE(m_loader.hasExactSize(data, wanted), measured == wanted);
        }
        QCOMPARE(m_loader.load(path).size(), measured.isEmpty() ? QSize(0, 0) : measured);
    }

    void probeReadsHeadersOnly()
    {
        const QByteArray bmp = pics::bmp(Logo, 8);
        PictureHeader h = m_loader.probe(bmp.left(PictureLoader::HeaderBytes), bmp.size());
        QCOMPARE(h.format, PictureFormat::Bmp);
        QCOMPARE(h.size, Logo);
        // The header alone says 320 x 400 even when the file is too short to hold the pixels.
        h = m_loader.probe(bmp.left(PictureLoader::HeaderBytes), PictureLoader::HeaderBytes);
        QCOMPARE(h.size, Logo);
        const QByteArray gif = pics::gif(QSize(640, 800));
        h = m_loader.probe(gif.left(64), gif.size());
        QCOMPARE(h.format, PictureFormat::Gif);
        QCOMPARE(h.size, QSize(640, 800));
        QCOMPARE(m_loader.probe(pics::png(Logo), 1000).format, PictureFormat::Unknown);
        QVERIFY(!m_loader.probe(pics::bmpHeaderOnly(QSize(60000, 60000)), 1 << 30).valid());
        QCOMPARE(m_loader.probe(pics::icon(Logo, true), 200000).format, PictureFormat::Cursor);
    }

    void onlyRegularFilesAreRead()
    {
        QVERIFY(!m_loader.hasExactSize(m_dir.path(), Logo));
        QVERIFY(m_loader.load(m_dir.path()).isNull());
        QVERIFY(!m_loader.hasExactSize(m_dir.filePath(QStringLiteral("missing.bmp")), Logo));
        QVERIFY(!m_loader.hasExactSize(QString(), Logo));
        QVERIFY(!m_loader.hasExactSize(QStringLiteral("/dev/zero"), Logo));
        // A FIFO without a writer would block an ordinary open; it must be refused at once.
        const QString fifo = m_dir.filePath(QStringLiteral("pipe.bmp"));
        QVERIFY(::mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0);
        QElapsedTimer timer;
        timer.start();
        QVERIFY(!m_loader.hasExactSize(fifo, Logo));
        QVERIFY(m_loader.load(fifo).isNull());
        QVERIFY(timer.elapsed() < 5000);
        // A link to a logo counts as the logo.
        const QString target = writeFile(m_dir, QStringLiteral("target.bmp"), pics::bmp(Logo, 8));
        const QString link = m_dir.filePath(QStringLiteral("link.bmp"));
        QVERIFY(QFile::link(target, link));
        QVERIFY(m_loader.hasExactSize(link, Logo));
    }

    void hugeSparseFileIsNotReadWhole()
    {
        const auto makeSparse = [&](const QString &name, const QByteArray &head) {
            QFile f(writeFile(m_dir, name, head));
            return f.resize(qint64(2) << 30) ? f.fileName() : QString();
        };
        // An uncompressed header whose rows all fit: the lengths decide, nothing else is read.
        const QString plain = makeSparse(QStringLiteral("sparse.bmp"), pics::bmpHeaderOnly(Logo));
        QVERIFY(!plain.isEmpty());
        QElapsedTimer timer;
        timer.start();
        QVERIFY(m_loader.hasExactSize(plain, Logo));
        QVERIFY(timer.elapsed() < 2000);
        // A GIF (header and palette only) must be decoded, and only the first 64 MiB are read: its
        // zeros never end the image.
        const QString gif = makeSparse(QStringLiteral("sparse.gif"), pics::gif(Logo).left(781));
        QVERIFY(!gif.isEmpty());
        timer.restart();
        QVERIFY(!m_loader.hasExactSize(gif, Logo));
        QVERIFY(timer.elapsed() < 10000);
    }

    void metafileSize_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<double>("dpi");
        QTest::addColumn<QSize>("expected");
        // WMF: extent * 2540 / units per inch, rounded like MulDiv, then pixels.
        QTest::newRow("wmf 96 upi at 96 dpi") << pics::wmf(Logo, 96) << 96.0 << Logo;
        QTest::newRow("wmf 96 upi at 120 dpi") << pics::wmf(Logo, 96) << 120.0 << QSize(400, 500);
        QTest::newRow("wmf twips at 120 dpi") << pics::wmf(QSize(4800, 6000), 1440) << 120.0
                                              << QSize(400, 500);
        QTest::newRow("wmf himetric half rounds away") << pics::wmf(QSize(641, 801), 5080) << 2540.0
                                                       << QSize(321, 401);
        // EMF: the frame is HIMETRIC already.
        QTest::newRow("emf at 96 dpi") << pics::emf(QSize(8467, 10583)) << 96.0 << Logo;
        QTest::newRow("emf at 120 dpi") << pics::emf(QSize(8467, 10583)) << 120.0
                                        << QSize(400, 500);
        // At 127 dpi a pixel is 20 HIMETRIC: 6410 -> 320.5 -> 320, 8030 -> 401.5 -> 402.
        QTest::newRow("emf halves to even") << pics::emf(QSize(6410, 8030)) << 127.0
                                            << QSize(320, 402);
    }

    void metafileSize()
    {
        QFETCH(QByteArray, data);
        QFETCH(double, dpi);
        QFETCH(QSize, expected);
        const PictureLoader loader(dpi, dpi);
        QCOMPARE(loader.probe(data.left(PictureLoader::HeaderBytes), data.size()).size, expected);
        QCOMPARE(loader.measureFully(data), expected);
        QVERIFY(loader.hasExactSize(data, expected));
    }

    // Every pixel has the colour of the pattern; an icon's top-right pixel is masked out.
    void loadsPixels_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<int>("colours");
        QTest::addColumn<bool>("rle");
        const QSize small(13, 7);
        QTest::newRow("8-bit") << pics::bmp(small, 8) << 256 << false;
        QTest::newRow("4-bit") << pics::bmp(small, 4) << 16 << false;
        QTest::newRow("24-bit") << pics::bmp(small, 24) << 256 << false;
        QTest::newRow("core") << pics::bmp(small, 8, BmpLayout::Core12) << 256 << false;
        QTest::newRow("top-down") << pics::bmp(small, 8, BmpLayout::TopDown) << 256 << false;
        QTest::newRow("rle8") << pics::bmpRle(QSize(70, 9)) << 256 << true;
        QTest::newRow("rle4") << pics::bmpRle(QSize(70, 9), true) << 16 << true;
        QTest::newRow("gif") << pics::gif(QSize(21, 19)) << 256 << false;
        QTest::newRow("gif interlaced") << pics::gif(QSize(21, 19), true) << 256 << false;
        QTest::newRow("ico") << pics::icon(QSize(16, 16)) << 256 << false;
        QTest::newRow("cur") << pics::icon(QSize(16, 16), true) << 256 << false;
    }

    void loadsPixels()
    {
        QFETCH(QByteArray, data);
        QFETCH(int, colours);
        QFETCH(bool, rle);
        const QImage image = m_loader.load(data);
        QCOMPARE(image.size(), m_loader.measureFully(data));
        const bool masked = QTest::currentDataTag() == QLatin1String("ico")
                            || QTest::currentDataTag() == QLatin1String("cur");
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const int index = rle ? pics::rlePatternIndex(x, y, colours)
                                      : pics::patternIndex(x, y, colours);
                const bool hole = masked && x == image.width() - 1 && y == 0;
                const QRgb pixel = image.pixel(x, y);
                if (hole ? qAlpha(pixel) != 0 : pixel != pics::paletteColor(index))
                    QFAIL(qPrintable(QStringLiteral("pixel %1,%2").arg(x).arg(y)));
            }
        }
    }

    void loadsMetafilesAndJpeg()
    {
        // JPEG is lossy: only the size of an odd-sized progressive one is checked.
        QCOMPARE(m_loader.load(pics::jpeg(QSize(33, 17), true)).size(), QSize(33, 17));
        const QImage wmf = m_loader.load(pics::wmf(Logo, 96, QRect(40, 50, 100, 120), Qt::red));
        QCOMPARE(wmf.pixelColor(90, 110), QColor(Qt::red));
        QCOMPARE(wmf.pixelColor(41, 51), QColor(Qt::red));
        QCOMPARE(qAlpha(wmf.pixel(10, 10)), 0);
        QCOMPARE(qAlpha(wmf.pixel(200, 110)), 0);
        // The same picture scaled by its frame: twips at 4800 x 6000 still fill 320 x 400.
        const QImage twips =
            m_loader.load(pics::wmf(QSize(4800, 6000), 1440, QRect(0, 0, 2400, 3000)));
        QCOMPARE(twips.pixelColor(100, 100), QColor(Qt::red));
        QCOMPARE(qAlpha(twips.pixel(200, 100)), 0);
        const QImage emf = m_loader.load(pics::emf(QSize(8467, 10583), QRect(20, 30, 100, 100),
                                                   Qt::blue, Qt::green));
        QCOMPARE(emf.pixelColor(70, 80), QColor(Qt::blue));
        QCOMPARE(qAlpha(emf.pixel(10, 10)), 0);
        QCOMPARE(emf.pixelColor(315, 395), QColor(Qt::green)); // POLYGON16 triangle
        QCOMPARE(qAlpha(emf.pixel(245, 310)), 0);
    }

    // Flipped bytes and cut files of every format: whatever they say, nothing may crash or
    // disagree with itself.
    void survivesDamagedInput()
    {
        const QList<QByteArray> seeds = {
            pics::bmp(QSize(9, 5), 8),      pics::bmp(QSize(9, 5), 4, BmpLayout::Core12),
            pics::bmpRle(QSize(40, 6)),     pics::bmpRle(QSize(40, 6), true),
            pics::icon(QSize(8, 8)),        pics::gif(QSize(12, 10)),
            pics::gif(QSize(12, 10), true), pics::jpeg(QSize(16, 16), true),
            pics::wmf(QSize(40, 30), 96),   pics::emf(QSize(1058, 794)),
        };
        QRandomGenerator random(20240229);
        int loaded = 0;
        for (const QByteArray &seed : seeds) {
            for (int round = 0; round < 150; ++round) {
                QByteArray data = seed;
                if (round % 3 == 0) {
                    data.truncate(qsizetype(random.bounded(quint32(seed.size()))));
                } else {
                    for (int i = 0, flips = 1 + int(random.bounded(6u)); i < flips; ++i)
                        data[random.bounded(quint32(data.size()))] = char(random.bounded(256u));
                }
                const QSize measured = m_loader.measureFully(data);
                if (!measured.isEmpty()) {
                    QVERIFY(m_loader.hasExactSize(data, measured));
                    ++loaded;
                }
                if (!m_loader.load(data).isNull())
                    QVERIFY(!measured.isEmpty());
            }
        }
        QVERIFY(loaded > 0);
    }
};

QTEST_MAIN(TestPictureLoader)
#include "tst_pictureloader.moc"

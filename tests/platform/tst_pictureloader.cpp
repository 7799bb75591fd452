#include "platform/PictureLoader.h"
#include "support/PictureFactory.h"

#include <QElapsedTimer>
#include <QFile>
#include <QLoggingCategory>
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
    QFile f(dir.filePath(name));
    return f.open(QIODevice::WriteOnly) && f.write(data) == data.size() ? f.fileName() : QString();
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
        const auto row = [](const char *name, const QByteArray &data, bool logo) {
            QTest::newRow(name) << data << logo;
        };
        for (const int bits : {1, 4, 8, 16, 24, 32})
            QTest::addRow("bmp %d-bit", bits) << pics::bmp(Logo, bits) << true;
        row("bmp core header", pics::bmp(Logo, 8, BmpLayout::Core12), true);
        row("bmp V5 header", pics::bmp(Logo, 32, BmpLayout::V5), true);
        row("bmp top-down", pics::bmp(Logo, 8, BmpLayout::TopDown), true);
        row("bmp bitfields 565", pics::bmp(Logo, 16, BmpLayout::Bitfields565), true);
        row("bmp rle8", pics::bmpRle(Logo), true);
        row("bmp rle4", pics::bmpRle(Logo, true), true);
        row("ico image past 4 KiB", pics::icon(Logo, false, 6000), true);
        row("gif", pics::gif(Logo), true);
        row("gif interlaced", pics::gif(Logo, true), true);
        row("jpeg baseline", pics::jpeg(Logo), true);
        row("jpeg progressive", pics::jpeg(Logo, true), true);
        row("jpeg frame past 4 KiB", pics::jpeg(Logo, false, 70000), true);
        row("wmf twips", pics::wmf(QSize(4800, 6000), 1440), true);
        row("emf", pics::emf(QSize(8467, 10583)), true);

        // One damage per format, and headers claiming sizes no one could hold in memory.
        QByteArray rleOverrun = pics::bmpRle(Logo);
        rleOverrun[rleOverrun.size() - 4] = char(0xFF); // a run of 255 at the end of the last row
        QByteArray bigGif = pics::gif(QSize(8, 8));
        bigGif.replace(6, 4, QByteArray::fromHex("60ea60ea")); // 60000 x 60000
        row("bmp 400x320", pics::bmp(QSize(400, 320), 8), false);
        row("png named bmp", pics::png(Logo), false);
        row("bmp one byte short", pics::truncated(pics::bmp(Logo, 8), -1), false);
        row("rle8 overrun", rleOverrun, false);
        row("gif without trailer", pics::truncated(pics::gif(Logo), -1), false);
        row("jpeg without end marker", pics::truncated(pics::jpeg(Logo), -2), false);
        row("wmf bad checksum", pics::wmfBadChecksum(Logo, 96), false);
        row("emf truncated", pics::truncated(pics::emf(QSize(8467, 10583)), -20), false);
        row("ico truncated", pics::truncated(pics::icon(Logo), -1), false);
        row("ico holding png", pics::iconWithPng(Logo), false);
        row("bmp claiming 60000x60000", pics::bmpHeaderOnly(QSize(60000, 60000)), false);
        row("gif claiming 60000x60000", bigGif, false);
        row("empty", QByteArray(), false);
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
        for (const QSize wanted : {Logo, QSize(400, 320)}) {
            QCOMPARE(m_loader.hasExactSize(path, wanted), measured == wanted);
            QCOMPARE(m_loader.hasExactSize(data, wanted), measured == wanted);
        }
        QCOMPARE(m_loader.load(path).size(), measured.isEmpty() ? QSize(0, 0) : measured);
    }

    void onlyRegularFilesAreRead()
    {
        // A FIFO without a writer would block an ordinary open; it must be refused at once.
        const QString fifo = m_dir.filePath(QStringLiteral("pipe.bmp"));
        QVERIFY(::mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0);
        QElapsedTimer timer;
        timer.start();
        QVERIFY(!m_loader.hasExactSize(fifo, Logo));
        QVERIFY(m_loader.load(fifo).isNull());
        QVERIFY(timer.elapsed() < 5000);
    }

    // A 2 GiB file holding only a header: an uncompressed BMP is judged by its lengths alone; a
    // GIF must be decoded, and only the first 64 MiB are read (its zeros never end the image).
    void hugeSparseFileIsNotReadWhole()
    {
        const std::pair<QByteArray, bool> cases[] = {{pics::bmpHeaderOnly(Logo), true},
                                                     {pics::gif(Logo).left(781), false}};
        for (const auto &[head, logo] : cases) {
            QFile f(writeFile(m_dir, QStringLiteral("sparse"), head));
            QVERIFY(f.resize(qint64(2) << 30));
            QElapsedTimer timer;
            timer.start();
            QCOMPARE(m_loader.hasExactSize(f.fileName(), Logo), logo);
            QVERIFY(timer.elapsed() < (logo ? 2000 : 10000));
        }
    }

    void metafileSize_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<double>("dpi");
        QTest::addColumn<QSize>("expected");
        // WMF: extent * 2540 / units per inch, rounded like MulDiv, then pixels.
        QTest::newRow("wmf 96 upi at 120 dpi") << pics::wmf(Logo, 96) << 120.0 << QSize(400, 500);
        QTest::newRow("wmf himetric half rounds away") << pics::wmf(QSize(641, 801), 5080) << 2540.0
                                                       << QSize(321, 401);
        // EMF: the frame is HIMETRIC already.
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
        QTest::newRow("4-bit") << pics::bmp(small, 4) << 16 << false;
        QTest::newRow("24-bit") << pics::bmp(small, 24) << 256 << false;
        QTest::newRow("core") << pics::bmp(small, 8, BmpLayout::Core12) << 256 << false;
        QTest::newRow("top-down") << pics::bmp(small, 8, BmpLayout::TopDown) << 256 << false;
        QTest::newRow("rle8") << pics::bmpRle(QSize(70, 9)) << 256 << true;
        QTest::newRow("rle4") << pics::bmpRle(QSize(70, 9), true) << 16 << true;
        QTest::newRow("gif interlaced") << pics::gif(QSize(21, 19), true) << 256 << false;
        QTest::newRow("ico") << pics::icon(QSize(16, 16)) << 256 << false;
    }

    void loadsPixels()
    {
        QFETCH(QByteArray, data);
        QFETCH(int, colours);
        QFETCH(bool, rle);
        const QImage image = m_loader.load(data);
        QCOMPARE(image.size(), m_loader.measureFully(data));
        const bool masked = QTest::currentDataTag() == QLatin1String("ico");
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
        QCOMPARE(qAlpha(wmf.pixel(10, 10)), 0);
        // The same picture scaled by its frame: twips at 4800 x 6000 still fill 320 x 400.
        const QImage twips =
            m_loader.load(pics::wmf(QSize(4800, 6000), 1440, QRect(0, 0, 2400, 3000)));
        QCOMPARE(twips.pixelColor(100, 100), QColor(Qt::red));
        const QImage emf = m_loader.load(pics::emf(QSize(8467, 10583), QRect(20, 30, 100, 100),
                                                   Qt::blue, Qt::green));
        QCOMPARE(emf.pixelColor(70, 80), QColor(Qt::blue));
        QCOMPARE(qAlpha(emf.pixel(10, 10)), 0);
        QCOMPARE(emf.pixelColor(315, 395), QColor(Qt::green)); // POLYGON16 triangle
    }
};

QTEST_MAIN(TestPictureLoader)
#include "tst_pictureloader.moc"

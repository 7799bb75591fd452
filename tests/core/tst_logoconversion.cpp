// Any picture made a logo: the file the boot screen shows, its geometry and its animated band.
#include "core/LogoConversion.h"
#include "core/LogoPalette.h"
#include "core/LogoTests.h"
#include "platform/PictureLoader.h"
#include "support/TempPrefix.h"

#include <QPainter>
#include <QRandomGenerator>
#include <QTest>
#include <QtEndian>

using namespace bg;

namespace {
quint32 field(const QByteArray &bmp, int at, int bytes)
{
    const auto *d = reinterpret_cast<const uchar *>(bmp.constData()) + at;
    return bytes == 2 ? qFromLittleEndian<quint16>(d) : qFromLittleEndian<quint32>(d);
}

bool near(QRgb a, QRgb b)
{
    return std::abs(qRed(a) - qRed(b)) < 16 && std::abs(qGreen(a) - qGreen(b)) < 16 &&
           std::abs(qBlue(a) - qBlue(b)) < 16;
}
} // namespace

class TestLogoConversion : public QObject
{
    Q_OBJECT

private slots:
    // Whatever the picture and options: a file that passes the logo test and that the boot
    // screen shows (8 bits, uncompressed, the animated entries or none).
    void isABootLogo()
    {
        test::TempPrefix machine;
        const PictureLoader pictures;
        const LogoTester tester(machine.files(), pictures);
        QImage photo(333, 217, QImage::Format_ARGB32);
        for (int y = 0; y < photo.height(); ++y)
            for (int x = 0; x < photo.width(); ++x)
                photo.setPixel(x, y, qRgba(x % 256, y, (x * y) % 256, 128 + x % 128));
        for (const bool animate : {false, true}) {
            const QByteArray bmp = convertToLogo(photo, {LogoFit::Fill, animate});
            QVERIFY(machine.writeFile(QStringLiteral("C:\\a.bmp"), bmp));
            QVERIFY(tester.IsLogoFile(QStringLiteral("C:\\a.bmp")));
            QCOMPARE(bmp.size(), 129078);
            QCOMPARE(bmp.left(2), QByteArray("BM"));
            const quint32 important = animate ? LogoBandFirstEntry : 0;
            // biWidth, biHeight, biBitCount, biCompression, biClrImportant
            QCOMPARE(QList<quint32>({field(bmp, 18, 4), field(bmp, 22, 4), field(bmp, 28, 2),
                                     field(bmp, 30, 4), field(bmp, 50, 4)}),
                     QList<quint32>({320, 400, 8, 0, important}));
        }
    }

    // A 2:1 picture: fitted, it lies between borders of its top and bottom edges' colour;
    // filled, its sides are cut away.
    void fitAndFill()
    {
        QImage wide(200, 100, QImage::Format_RGB32);
        wide.fill(Qt::white);
        QPainter painter(&wide);
        painter.fillRect(0, 0, 30, 100, Qt::red);
        painter.fillRect(170, 0, 30, 100, Qt::blue);
        painter.fillRect(30, 0, 140, 2, Qt::green);
        painter.fillRect(30, 98, 140, 2, Qt::green);
        painter.end();
        const QImage fit = QImage::fromData(convertToLogo(wide, {LogoFit::Fit, false}));
        const QImage fill = QImage::fromData(convertToLogo(wide, {LogoFit::Fill, false}));
        // The border's colour: the edges' mean (70% green, 15% red, 15% blue, in linear light).
        const QRgb border = qRgb(108, 218, 108);
        const QRgb white = qRgb(255, 255, 255), red = qRgb(255, 0, 0), blue = qRgb(0, 0, 255);
        const std::tuple<QPoint, QRgb, QRgb> cases[] = {
            {{160, 40}, border, white}, {{160, 380}, border, white}, {{5, 200}, red, white},
            {{315, 200}, blue, white},  {{160, 200}, white, white},
        };
        for (const auto &[at, inFit, inFill] : cases) {
            QVERIFY2(near(fit.pixel(at), inFit), qPrintable(QString::number(fit.pixel(at), 16)));
            QVERIFY2(near(fill.pixel(at), inFill), qPrintable(QString::number(fill.pixel(at), 16)));
        }
    }

    // The band: its own colours in entries 236-255 (each different, so the rotation shows),
    // only they in the bottom rows, and none of them in the picture above.
    void animatedBand()
    {
        QImage photo(64, 48, QImage::Format_RGB32);
        for (int y = 0; y < 48; ++y)
            for (int x = 0; x < 64; ++x)
                photo.setPixel(x, y, qRgb(x * 4, y * 5, 255 - x * 2));
        const QImage logo = QImage::fromData(convertToLogo(photo, {LogoFit::Fit, true}));
        const QList<QRgb> band = logo.colorTable().mid(LogoBandFirstEntry);
        QCOMPARE(QSet<QRgb>(band.begin(), band.end()).size(), 256 - LogoBandFirstEntry);
        QSet<int> bottom, above;
        for (int y = 0; y < LogoHeight; ++y)
            for (int x = 0; x < LogoWidth; ++x)
                (y >= LogoHeight - LogoBandRows ? bottom : above).insert(logo.pixelIndex(x, y));
        QCOMPARE(bottom.size(), 256 - LogoBandFirstEntry);
        QVERIFY(*std::min_element(bottom.begin(), bottom.end()) == LogoBandFirstEntry);
        QVERIFY(*std::max_element(above.begin(), above.end()) < LogoBandFirstEntry);
    }

    // The nearest palette colours found through the grid of cells are those a search of every
    // colour finds, for palettes of one colour or many and colours inside and outside them.
    void nearestColours()
    {
        QRandomGenerator random(7);
        const auto unit = [&] { return float(random.generateDouble()); };
        for (const int size : {1, 2, 9, 236, 256}) {
            std::vector<logo::Colour> lab;
            for (int i = 0; i < size; ++i) // crowded in the dark greens, as photographs are
                lab.push_back(logo::toLab({unit() * unit() * 0.3f, unit() * 0.5f, unit() * unit()}));
            const logo::LabIndex index(lab);
            for (int q = 0; q < 300; ++q) {
                const logo::Colour c = logo::toLab({unit(), unit(), unit()});
                const int count = 1 + q % 8;
                int found[16];
                QCOMPARE(index.nearest(c, count, found), std::min(count, size));
                std::vector<float> all;
                for (const logo::Colour &p : lab)
                    all.push_back(logo::distance2(p, c));
                std::sort(all.begin(), all.end());
                for (int k = 0; k < std::min(count, size); ++k)
                    QCOMPARE(logo::distance2(lab[size_t(found[k])], c), all[size_t(k)]);
            }
        }
    }
};

QTEST_MAIN(TestLogoConversion)
#include "tst_logoconversion.moc"

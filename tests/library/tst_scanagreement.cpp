// The fast scan must give exactly what the slow one would: the header-first picture test against
// a full decode, the window's scan against a brute-force walk of the folder, and the list that
// merges found names in batches against a plain sort, with the widths it measures on the way.
#include "core/LogoTests.h"
#include "platform/FileService.h"
#include "platform/PictureLoader.h"
#include "support/PictureFactory.h"
#include "support/WindowFixture.h"
#include "ui/FrmLogo.h"
#include "ui/LogoList.h"
#include "ui/LogoListModel.h"

#include <QDir>
#include <QFile>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QRandomGenerator>
#include <QSet>
#include <QTest>

#include <algorithm>

using namespace bg;
using namespace bg::test;

namespace {

const QSize LogoSize(320, 400);

// A picture padded with trailing bytes to a length whose decimal text begins with 129, so the
// size test lets it through to the picture test. Trailing bytes never change what a complete
// picture decodes to.
QByteArray paddedTo129(const QByteArray &bytes, int salt)
{
    qint64 target = 129;
    while (target < bytes.size() + 1)
        target *= 10;
    // Lands inside [129 * 10^k, 130 * 10^k) with some spread.
    const qint64 span = target / 129;
    target += (salt * 37) % std::max<qint64>(1, span);
    QByteArray out = bytes;
    if (out.size() < target)
        out.append(QByteArray(qsizetype(target - out.size()), '\0'));
    return out;
}

// Every kind of file a logo folder may hold, with the pictures the loader has to get right and
// the ones whose header lies about them.
QList<QPair<QString, QByteArray>> mixedFiles()
{
    using namespace pictures;
    const QByteArray jpegLogo = jpeg(LogoSize);
    QList<QPair<QString, QByteArray>> files = {
        {"logo8.bmp", bmp(LogoSize, 8)},
        {"logo24.bmp", bmp(LogoSize, 24)},
        {"logo4.bmp", bmp(LogoSize, 4)},
        {"logo1.bmp", bmp(LogoSize, 1)},
        {"core.bmp", bmp(LogoSize, 8, BmpLayout::Core12)},
        {"v5.bmp", bmp(LogoSize, 24, BmpLayout::V5)},
        {"topdown.bmp", bmp(LogoSize, 8, BmpLayout::TopDown)},
        {"rgb565.bmp", bmp(LogoSize, 16, BmpLayout::Bitfields565)},
        {"rle8.bmp", bmpRle(LogoSize)},
        {"rle4.bmp", bmpRle(LogoSize, true)},
        {"turned.bmp", bmp(QSize(400, 320), 8)},
        {"double.bmp", bmp(QSize(640, 800), 8)},
        {"short.bmp", truncated(bmp(LogoSize, 8), -1)},
        {"rle cut.bmp", truncated(bmpRle(LogoSize), -40)},
        {"header only.bmp", bmpHeaderOnly(LogoSize)},
        {"logo.gif", gif(LogoSize)},
        {"interlaced.gif", gif(LogoSize, true)},
        {"cut.gif", truncated(gif(LogoSize), -10)},
        {"logo.jpg", jpegLogo},
        {"progressive.jpg", jpeg(LogoSize, true)},
        {"metadata.jpg", jpeg(LogoSize, false, 20000)},
        {"photo.jpg", jpeg(QSize(640, 480))},
        {"cut.jpg", truncated(jpegLogo, jpegLogo.size() / 2)},
        {"no end.jpg", truncated(jpegLogo, -2)},
        {"logo.ico", icon(LogoSize)},
        {"logo.cur", icon(LogoSize, true)},
        {"far.ico", icon(LogoSize, false, 9000)},
        {"small.ico", icon(QSize(32, 32))},
        {"logo.wmf", wmf(LogoSize, 96)},
        {"bad sum.wmf", wmfBadChecksum(LogoSize, 96)},
        {"logo.emf", emf(QSize(8467, 10583))},
        {"logo.png", png(LogoSize)},
        {"empty.bmp", QByteArray()},
        {"text.txt", QByteArray("BM but not a bitmap at all\r\n")},
    };
    QByteArray noise(129078, '\0');
    QRandomGenerator rng(7);
    for (char &c : noise)
        c = char(rng.bounded(256));
    noise[0] = 'M';
    noise[1] = 'Z';
    files.append({"noise.bmp", noise});
    return files;
}

} // namespace

class TestScanAgreement : public QObject
{
    Q_OBJECT

private slots:
    void headerTestAgreesWithFullDecode_data();
    void headerTestAgreesWithFullDecode();
    void windowScanMatchesBruteForce();
    void pacedListingMatchesPlainListing();
    void listStaysSortedAndComplete();
};

void TestScanAgreement::headerTestAgreesWithFullDecode_data()
{
    QTest::addColumn<QByteArray>("bytes");
    int salt = 0;
    for (const auto &[name, bytes] : mixedFiles()) {
        QTest::newRow(qPrintable(name)) << bytes;
        QTest::newRow(qPrintable(name + " padded to 129")) << paddedTo129(bytes, ++salt);
    }
}

void TestScanAgreement::headerTestAgreesWithFullDecode()
{
    QFETCH(QByteArray, bytes);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("picture"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
    file.close();

    const PictureLoader loader(96.0, 96.0);
    const bool full = loader.measureFully(bytes) == LogoSize;
    QCOMPARE(loader.hasExactSize(path, LogoSize), full);
    QCOMPARE(loader.hasExactSize(bytes, LogoSize), full);
}

void TestScanAgreement::windowScanMatchesBruteForce()
{
    WindowFixture f;
    const QString folder = QStringLiteral("C:\\Mixed\\");
    int salt = 0;
    for (const auto &[name, bytes] : mixedFiles()) {
        QVERIFY(f.tmp.writeFile(folder + name, bytes));
        QVERIFY(f.tmp.writeFile(folder + "129 " + name, paddedTo129(bytes, ++salt)));
    }
    QVERIFY(f.writeLogo(folder + "Showed\\used.bmp"));
    f.writeSettings("[SplashwheelSet]\nShutdown_Path=C:\\Mixed\n");
    QVERIFY(f.load().showWindow);
    f.w().lblShutdown_Click();

    // Brute force: every file decoded in full, both tests applied to each.
    const PictureLoader loader(96.0, 96.0);
    QStringList expected;
    const QDir host(f.tmp.host(folder));
    for (const QFileInfo &info : host.entryInfoList(QDir::Files | QDir::Hidden)) {
        QFile file(info.filePath());
        QVERIFY(file.open(QIODevice::ReadOnly));
        if (HasLogoFileSize(info.size()) && loader.measureFully(file.readAll()) == LogoSize)
            expected.append(info.fileName());
    }
    QVERIFY2(expected.size() >= 15, "the mixed folder should hold logos of every format");

    QStringList listed = f.entries();
    LogoListModel order;
    for (int i = 1; i < listed.size(); ++i)
        QVERIFY2(!order.lessThan(listed[i], listed[i - 1]), qPrintable(listed[i]));
    listed.sort();
    expected.sort();
    QCOMPARE(listed, expected);
    QVERIFY(f.desktop.boxes.isEmpty());
}

void TestScanAgreement::pacedListingMatchesPlainListing()
{
    // A folder large enough to be paced; whatever runs in between must not change the listing.
    TempPrefix tmp;
    QVERIFY(tmp.isValid());
    const QString folder = QStringLiteral("C:\\Many\\");
    QVERIFY(tmp.makeFolder(folder));
    const QString host = tmp.host(folder);
    for (int i = 0; i < 6000; ++i) {
        QFile file(host + QStringLiteral("/file %1.bin").arg(i));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(i % 300, 'x'));
    }
    QVERIFY(tmp.makeFolder(folder + "Showed"));

    auto key = [](const std::vector<FolderFile> &files) {
        QStringList out;
        for (const FolderFile &f : files)
            out.append(f.name + u'|' + f.path + u'|' + f.hostPath + u'|' + QString::number(f.size));
        out.sort();
        return out;
    };
    std::vector<FolderFile> plain;
    QCOMPARE(tmp.files().listFiles(folder, plain), 0);
    const auto pace = [] { QCoreApplication::processEvents(); };
    std::vector<FolderFile> paced;
    QCOMPARE(tmp.files().listFilesPaced(folder, paced, pace), 0);
    QCOMPARE(int(paced.size()), 6000);
    QCOMPARE(key(paced), key(plain));
}

void TestScanAgreement::listStaysSortedAndComplete()
{
    // Names as collections have them: mixed case, digits, Chinese, names equal but for case.
    const QStringList words = {"sunrise", "Forest", "OCEAN", "mountain", "Castle", "dragon",
                               "風景", "山水", "花鳥", "日出", "夜景", "_under", "9lives"};
    QRandomGenerator rng(20240611);
    QSet<QString> unique;
    QStringList names;
    while (names.size() < 4000) {
        QString name = words[rng.bounded(int(words.size()))] + QString::number(rng.bounded(100000));
        if (rng.bounded(10) == 0)
            name = name.toUpper();
        name += rng.bounded(3) ? QStringLiteral(".bmp") : QStringLiteral(".BMP");
        if (!unique.contains(name)) {
            unique.insert(name);
            names.append(name);
        }
    }
    names.append({"twin.bmp", "TWIN.bmp", "Twin.BMP"});

    LogoList list;
    list.resize(200, 300);
    list.show();
    QString chosen;
    for (int i = 0; i < names.size(); ++i) {
        list.addEntry(names[i]);
        // Merges at uneven moments, as the timer would, with a selection to keep across them.
        if (rng.bounded(50) == 0)
            list.flush();
        if (i == 1500) {
            list.setListIndex(list.entryCount() / 2);
            chosen = list.currentText();
        }
        if (rng.bounded(200) == 0)
            QCoreApplication::processEvents();
    }
    QCOMPARE(list.entryCount(), int(names.size()));
    QCOMPARE(list.currentText(), chosen);

    QStringList listed;
    for (int i = 0; i < list.entryCount(); ++i)
        listed.append(list.entryText(i));
    const LogoListModel &model = *list.logoModel();
    for (int i = 1; i < listed.size(); ++i)
        QVERIFY2(model.lessThan(listed[i - 1], listed[i]),
                 qPrintable(listed[i - 1] + " / " + listed[i]));
    QStringList sortedNames = names;
    std::sort(sortedNames.begin(), sortedNames.end(),
              [&model](const QString &a, const QString &b) { return model.lessThan(a, b); });
    QCOMPARE(listed, sortedNames);

    // The widths measured as the names came in, and again after the font changed.
    const std::vector<double> before = list.entryWidths();
    QCOMPARE(int(before.size()), list.entryCount());
    const QFontMetricsF metrics(list.font());
    for (int i = 0; i < list.entryCount(); ++i)
        QCOMPARE(before[size_t(i)], metrics.horizontalAdvance(listed[i]));
    QFont larger = list.font();
    larger.setPixelSize(QFontInfo(larger).pixelSize() * 2);
    list.setFont(larger);
    const std::vector<double> after = list.entryWidths();
    const QFontMetricsF largerMetrics(list.font());
    for (int i = 0; i < list.entryCount(); ++i)
        QCOMPARE(after[size_t(i)], largerMetrics.horizontalAdvance(listed[i]));
    QVERIFY(after.front() > before.front());
}

QTEST_MAIN(TestScanAgreement)
#include "tst_scanagreement.moc"

#include "core/BootScreen.h"
#include "core/LogoTests.h"
#include "platform/FileService.h"
#include "platform/PictureLoader.h"
#include "support/PictureFactory.h"
#include "support/TempPrefix.h"

#include <QTest>
#include <QtEndian>

using namespace bg;
namespace pics = bg::test::pictures;

const QSize Logo(320, 400);

class TestLogoTests : public QObject
{
    Q_OBJECT

    test::TempPrefix m_machine;
    const PictureLoader m_loader;

    // Writes a file and returns its Windows path (empty on failure).
    QString write(const QString &path, const QByteArray &data) { return m_machine.writeFile(path, data) ? path : QString(); }

private slots:
    void initTestCase() { QVERIFY(m_machine.isValid()); }

    // The size test looks at the decimal digits, not at a range of sizes.
    void hasLogoFileSize()
    {
        const std::pair<qint64, bool> cases[] = {{129, true}, {128999, false}, {129078, true}, {-129, false}};
        for (const auto &[size, expected] : cases)
            QCOMPARE(std::pair(size, HasLogoFileSize(size)), std::pair(size, expected));
    }

    // Only a backslash separates: the name is what follows the last one.
    void extractFileName()
    {
        const std::pair<QString, QString> cases[] = {{"C:\\開機\\新年.bmp", "新年.bmp"}, {"a.bmp", ""},
                                                     {"C:a.bmp", ""}, {"C:\\Logos\\", ""}, {"C:\\x/y.bmp", "x/y.bmp"}};
        for (const auto &[path, expected] : cases)
            QCOMPARE(ExtractFileName(path), expected);
    }

    // The picture decides, not the name; each kind of picture is the loader's own test.
    void isLogoFile()
    {
        const LogoTester tester(m_machine.files(), m_loader);
        const std::pair<QString, bool> cases[] = {{write("C:\\Logos\\a.bmp", pics::bmp(Logo)), true},
                                                  {write("C:\\LOGO.SYS", pics::jpeg(Logo)), true},
                                                  {write("C:\\Logos\\c.bmp", pics::bmp(QSize(400, 320))), false},
                                                  {"C:\\Logos\\missing.bmp", false}, {"C:\\Logos", false}};
        for (const auto &[path, expected] : cases)
            QCOMPARE(std::pair(path, tester.IsLogoFile(path)), std::pair(path, expected));
    }

    // A file of a folder listing is tested at the host path the listing found.
    void folderListingFile()
    {
        const LogoTester tester(m_machine.files(), m_loader);
        FolderFile file;
        file.name = QStringLiteral("a.bmp");
        file.path = QStringLiteral("C:\\Elsewhere\\a.bmp"); // not read: the host path decides
        file.hostPath = m_machine.host(write("C:\\Listed\\a.bmp", pics::bmp(Logo)));
        file.size = 129078;
        QVERIFY(tester.IsLogoFile(file));
        file.hostPath = m_machine.host(write("C:\\Listed\\wide.bmp", pics::bmp(QSize(400, 320))));
        QVERIFY(!tester.IsLogoFile(file));
    }

    // A logo bitmap shows right side up, and each frame rotates exactly its entries first..255
    // by one; any other picture stands still.
    void bootScreen_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("first"); // biClrImportant; -1: no logo bitmap
        for (int first : {236, 0, 255}) {
            QByteArray logo = pics::bmp(Logo);
            qToLittleEndian<quint32>(quint32(first), logo.data() + 50);
            QTest::addRow("k=%d", first) << logo << first;
        }
        // Any BITMAPINFOHEADER or longer, rows either way; not the old OS/2 header.
        QTest::newRow("top-down") << pics::bmp(Logo, 8, pics::BmpLayout::TopDown) << 0;
        QTest::newRow("V5 header") << pics::bmp(Logo, 8, pics::BmpLayout::V5) << 0;
        QTest::newRow("OS/2 header") << pics::bmp(Logo, 8, pics::BmpLayout::Core12) << -1;
        QTest::newRow("24 bits") << pics::bmp(Logo, 24) << -1;
        QTest::newRow("jpeg") << pics::jpeg(Logo) << -1;
    }
    void bootScreen()
    {
        QFETCH(QByteArray, file); QFETCH(int, first);
        BootScreen screen = BootScreen::load(m_machine.files(), m_loader, write("C:\\Logos\\boot.bmp", file));
        QCOMPARE(screen.animates(), first > 0);
        QCOMPARE(screen.frame().format() == QImage::Format_Indexed8, first >= 0);
        QCOMPARE(screen.frame().size(), Logo);
        const QImage still = screen.frame();
        screen.step();
        if (first < 0) {
            QVERIFY(screen.frame() == still);
            return;
        }
        QCOMPARE(screen.frame().pixelIndex(319, 0), pics::patternIndex(319, 0, 256));
        for (int i = 0; i < 256; ++i) {
            const int from = i < first || first == 0 ? i : i == 255 ? first : i + 1;
            QCOMPARE(std::pair(i, screen.frame().color(i)), std::pair(i, pics::paletteColor(from)));
        }
    }
};

QTEST_MAIN(TestLogoTests)
#include "tst_logotests.moc"

#include "core/LogoTests.h"
#include "platform/FileService.h"
#include "platform/PictureLoader.h"
#include "support/PictureFactory.h"
#include "support/TempPrefix.h"

#include <QTest>

using namespace bg;
namespace pics = bg::test::pictures;

namespace {

const QSize Logo(320, 400);

} // namespace

class TestLogoTests : public QObject
{
    Q_OBJECT

    test::TempPrefix m_machine; // shared: the _data functions write its files
    const PictureLoader m_loader;

    // Writes a file and returns its Windows path (empty on failure).
    QString write(const QString &path, const QByteArray &data)
    {
        return m_machine.writeFile(path, data) ? path : QString();
    }

private slots:
    void initTestCase() { QVERIFY(m_machine.isValid()); }

    // The size test looks at the decimal digits, not at a range of sizes.
    void hasLogoFileSize_data()
    {
        QTest::addColumn<qint64>("size");
        QTest::addColumn<bool>("expected");
        QTest::newRow("12") << qint64(12) << false;
        QTest::newRow("129") << qint64(129) << true;
        QTest::newRow("1300") << qint64(1300) << false;
        QTest::newRow("128999") << qint64(128999) << false;
        QTest::newRow("256-colour 320x400 bitmap") << qint64(129078) << true;
        QTest::newRow("129 and ten digits") << qint64(1290000000000) << true;
        QTest::newRow("negative") << qint64(-129) << false;
    }

    void hasLogoFileSize()
    {
        QFETCH(qint64, size);
        QFETCH(bool, expected);
        QCOMPARE(HasLogoFileSize(size), expected);
    }

    // Only a backslash separates: the name is what follows the last one.
    void extractFileName_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("expected");
        QTest::newRow("file in folder") << "C:\\開機\\新年.bmp" << "新年.bmp";
        QTest::newRow("bare name") << "a.bmp" << "";
        QTest::newRow("drive colon") << "C:a.bmp" << "";
        QTest::newRow("folder") << "C:\\Logos\\" << "";
        QTest::newRow("mixed separators") << "C:\\x/y.bmp" << "x/y.bmp";
    }

    void extractFileName()
    {
        QFETCH(QString, path);
        QFETCH(QString, expected);
        QCOMPARE(ExtractFileName(path), expected);
    }

    // The picture decides, not the name; each kind of picture is the loader's own test.
    void isLogoFile_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("expected");
        QTest::newRow("bitmap") << write("C:\\Logos\\a.bmp", pics::bmp(Logo)) << true;
        QTest::newRow("jpeg named sys") << write("C:\\LOGO.SYS", pics::jpeg(Logo)) << true;
        QTest::newRow("400x320") << write("C:\\Logos\\c.bmp", pics::bmp(QSize(400, 320))) << false;
        QTest::newRow("missing") << "C:\\Logos\\missing.bmp" << false;
        QTest::newRow("folder") << "C:\\Logos" << false;
        QTest::newRow("empty path") << "" << false;
    }

    void isLogoFile()
    {
        QFETCH(QString, path);
        QFETCH(bool, expected);
        const LogoTester tester(m_machine.files(), m_loader);
        QCOMPARE(tester.IsLogoFile(path), expected);
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
};

QTEST_MAIN(TestLogoTests)
#include "tst_logotests.moc"

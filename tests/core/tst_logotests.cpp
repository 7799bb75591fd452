#include "core/LogoTests.h"
#include "platform/FileService.h"
#include "platform/PictureLoader.h"
#include "platform/RuntimeError.h"
#include "support/PictureFactory.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace bg;
namespace pics = bg::test::pictures;

namespace {

// Paths are host paths already; nothing but hostPath() is expected to be called.
class HostPathsOnly final : public FileService
{
public:
    bool folderExists(const QString &) override { return false; }
    bool fileExists(const QString &) override { return false; }
    int listFiles(const QString &, std::vector<FolderFile> &) override { return rt::PathNotFound; }
    int countSubFolders(const QString &, int &) override { return rt::PathNotFound; }
    int createFolder(const QString &) override { return rt::PathFileAccess; }
    int copyFile(const QString &, const QString &, bool) override { return rt::PathFileAccess; }
    int moveFile(const QString &, const QString &) override { return rt::PathFileAccess; }
    int replaceFile(const QString &, const QString &) override { return rt::PathFileAccess; }
    int deleteFile(const QString &, bool) override { return rt::PathFileAccess; }
    int deleteFolder(const QString &, bool) override { return rt::PathFileAccess; }
    int fileLen(const QString &, qint64 &) override { return rt::FileNotFound; }
    int getAttr(const QString &, int &) override { return rt::FileNotFound; }
    int setAttr(const QString &, int) override { return rt::FileNotFound; }
    QString dir(const QString &, int) override { return QString(); }
    int readFile(const QString &, QByteArray &, qint64) override { return rt::FileNotFound; }
    int writeFileAtomic(const QString &, const QByteArray &) override { return rt::PathFileAccess; }
    std::optional<QString> hostPath(const QString &path) override { return path; }
};

} // namespace

class TestLogoTests : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void hasLogoFileSize_data();
    void hasLogoFileSize();
    void extractFileName_data();
    void extractFileName();
    void isLogoFile_data();
    void isLogoFile();
    void folderListingFile();

private:
    QString write(const QString &name, const QByteArray &data);

    QTemporaryDir m_dir;
};

void TestLogoTests::initTestCase()
{
    QVERIFY(m_dir.isValid());
}

QString TestLogoTests::write(const QString &name, const QByteArray &data)
{
    const QString path = m_dir.filePath(name);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(data) != data.size())
        return QString();
    return path;
}

void TestLogoTests::hasLogoFileSize_data()
{
    QTest::addColumn<qint64>("size");
    QTest::addColumn<bool>("expected");
    QTest::newRow("0") << qint64(0) << false;
    QTest::newRow("12") << qint64(12) << false;
    QTest::newRow("13") << qint64(13) << false;
    QTest::newRow("129") << qint64(129) << true;
    QTest::newRow("1290") << qint64(1290) << true;
    QTest::newRow("1299") << qint64(1299) << true;
    QTest::newRow("128999") << qint64(128999) << false;
    QTest::newRow("128000") << qint64(128000) << false;
    QTest::newRow("256-colour 320x400 bitmap") << qint64(129078) << true;
    QTest::newRow("130000") << qint64(130000) << false;
    QTest::newRow("1300") << qint64(1300) << false;
    QTest::newRow("129 and ten digits") << qint64(1290000000000) << true;
    QTest::newRow("129 and ten nines") << qint64(1299999999999) << true;
    QTest::newRow("negative") << qint64(-129) << false;
}

void TestLogoTests::hasLogoFileSize()
{
    QFETCH(qint64, size);
    QFETCH(bool, expected);
    QCOMPARE(HasLogoFileSize(size), expected);
}

void TestLogoTests::extractFileName_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("expected");
    QTest::newRow("file in folder") << QStringLiteral("C:\\Logos\\a.bmp") << QStringLiteral("a.bmp");
    QTest::newRow("system file") << QStringLiteral("C:\\LOGO.SYS") << QStringLiteral("LOGO.SYS");
    QTest::newRow("bare name") << QStringLiteral("a.bmp") << QString();
    QTest::newRow("folder") << QStringLiteral("C:\\Logos\\") << QString();
    QTest::newRow("slash only") << QStringLiteral("C:/Logos/a.bmp") << QString();
    QTest::newRow("drive colon") << QStringLiteral("C:a.bmp") << QString();
    QTest::newRow("mixed separators") << QStringLiteral("C:\\x/y.bmp") << QStringLiteral("x/y.bmp");
    QTest::newRow("network path") << QStringLiteral("\\\\server\\share\\b.gif")
                                  << QStringLiteral("b.gif");
    QTest::newRow("empty") << QString() << QString();
    QTest::newRow("big5 name") << QStringLiteral("C:\\開機\\新年.bmp") << QStringLiteral("新年.bmp");
}

void TestLogoTests::extractFileName()
{
    QFETCH(QString, path);
    QFETCH(QString, expected);
    QCOMPARE(ExtractFileName(path), expected);
}

void TestLogoTests::isLogoFile_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("expected");
    QTest::newRow("256-colour bitmap") << write(QStringLiteral("a.bmp"), pics::bmp(QSize(320, 400)))
                                       << true;
    QTest::newRow("gif") << write(QStringLiteral("b.gif"), pics::gif(QSize(320, 400))) << true;
    QTest::newRow("jpeg named sys") << write(QStringLiteral("LOGO.SYS"), pics::jpeg(QSize(320, 400)))
                                    << true;
    QTest::newRow("400x320") << write(QStringLiteral("c.bmp"), pics::bmp(QSize(400, 320))) << false;
    QTest::newRow("640x800") << write(QStringLiteral("d.gif"), pics::gif(QSize(640, 800))) << false;
    QTest::newRow("png") << write(QStringLiteral("e.bmp"), pics::png(QSize(320, 400))) << false;
    QTest::newRow("text") << write(QStringLiteral("f.txt"), "not a picture") << false;
    QTest::newRow("damaged") << write(QStringLiteral("g.bmp"),
                                      pics::truncated(pics::bmp(QSize(320, 400)), -1))
                             << false;
    QTest::newRow("missing") << m_dir.filePath(QStringLiteral("missing.bmp")) << false;
    QTest::newRow("folder") << m_dir.path() << false;
    QTest::newRow("empty path") << QString() << false;
}

void TestLogoTests::isLogoFile()
{
    QFETCH(QString, path);
    QFETCH(bool, expected);
    HostPathsOnly files;
    const PictureLoader loader;
    LogoTester tester(files, loader);
    int pumped = 0;
    tester.setEventPump([&] { ++pumped; });
    QCOMPARE(tester.IsLogoFile(path), expected);
    QCOMPARE(pumped, 1);
    QCOMPARE(tester.IsLogoFile(path), expected);
    QCOMPARE(pumped, 2);
}

void TestLogoTests::folderListingFile()
{
    HostPathsOnly files;
    const PictureLoader loader;
    LogoTester tester(files, loader);
    int pumped = 0;
    tester.setEventPump([&] { ++pumped; });

    FolderFile file;
    file.name = QStringLiteral("a.bmp");
    file.path = QStringLiteral("C:\\Logos\\a.bmp");
    file.hostPath = write(file.name, pics::bmp(QSize(320, 400)));
    file.size = 129078;
    QVERIFY(tester.IsLogoFile(file));
    QCOMPARE(pumped, 1);

    file.hostPath = write(QStringLiteral("wide.bmp"), pics::bmp(QSize(400, 320)));
    QVERIFY(!tester.IsLogoFile(file));
    QCOMPARE(pumped, 2);

    // Without a pump the test still answers.
    tester.setEventPump({});
    file.hostPath = m_dir.filePath(QStringLiteral("a.bmp"));
    QVERIFY(tester.IsLogoFile(file));
}

QTEST_MAIN(TestLogoTests)
#include "tst_logotests.moc"

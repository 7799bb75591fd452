#include "platform/DosAttributes.h"
#include "platform/RuntimeError.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <sys/stat.h>
#include <sys/xattr.h>

namespace attr = bg::attr;

namespace {

constexpr char kName[] = "user.DOSATTRIB";

QByteArray enc(const QString &s)
{
    return QFile::encodeName(s);
}

// The raw value of user.DOSATTRIB; a null array when there is none.
QByteArray rawXattr(const QString &path)
{
    char buffer[256];
    const ssize_t n = ::getxattr(enc(path).constData(), kName, buffer, sizeof buffer);
    return n < 0 ? QByteArray() : QByteArray(buffer, n);
}

mode_t modeOf(const QString &path)
{
    struct stat st;
    return ::stat(enc(path).constData(), &st) == 0 ? st.st_mode & 07777 : mode_t(~0u);
}

} // namespace

class TestDosAttributes : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void textForm_data();
    void textForm();
    void parse_data();
    void parse();
    void hiddenThroughXattr();
    void readsWhatWineWrote();
    void readOnlyIsTheWriteBit();
    void folders();
    void missingPath();
    void fatAttributeByte();

private:
    QTemporaryDir m_dir;
    QString newFile(const char *name);
    bool m_xattrs = false;
};

void TestDosAttributes::initTestCase()
{
    QVERIFY(m_dir.isValid());
    const QString probe = newFile("probe");
    m_xattrs = ::setxattr(enc(probe).constData(), "user.probe", "1", 1, 0) == 0;
}

QString TestDosAttributes::newFile(const char *name)
{
    const QString path = m_dir.filePath(QLatin1String(name));
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write("data") != 4)
        return QString();
    f.close();
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup
                                    | QFile::ReadOther);
    return path;
}

void TestDosAttributes::textForm_data()
{
    QTest::addColumn<int>("attributes");
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("none") << 0 << QByteArray();
    QTest::newRow("hidden") << attr::Hidden << QByteArray("0x2");
    QTest::newRow("hidden archive") << (attr::Hidden | attr::Archive) << QByteArray("0x22");
    QTest::newRow("system hidden read-only") << (attr::System | attr::Hidden | attr::ReadOnly)
                                             << QByteArray("0x7");
    QTest::newRow("folder archive") << (attr::Directory | attr::Archive) << QByteArray("0x30");
}

void TestDosAttributes::textForm()
{
    QFETCH(int, attributes);
    QFETCH(QByteArray, text);
    QCOMPARE(attr::toDosAttribText(attributes), text);
    QCOMPARE(attr::fromDosAttribText(text), attributes);
}

void TestDosAttributes::parse_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("attributes");
    QTest::newRow("trailing NUL") << QByteArray("0x22\0", 5) << 0x22;
    QTest::newRow("upper case") << QByteArray("0X2A") << 0x2a;
    QTest::newRow("hex digits upper") << QByteArray("0x2A") << 0x2a;
    QTest::newRow("decimal") << QByteArray("34") << 34;
    QTest::newRow("samba blob after text") << QByteArray("0x20\0\x03\0\x03\0\0\0", 12) << 0x20;
    QTest::newRow("garbage") << QByteArray("hidden") << 0;
    QTest::newRow("empty") << QByteArray() << 0;
}

void TestDosAttributes::parse()
{
    QFETCH(QByteArray, text);
    QFETCH(int, attributes);
    QCOMPARE(attr::fromDosAttribText(text), attributes);
}

void TestDosAttributes::hiddenThroughXattr()
{
    if (!m_xattrs)
        QSKIP("the temporary directory's file system keeps no user extended attributes");
    const QString path = newFile("logo.sys");
    QCOMPARE(attr::read(path), 0);
    QVERIFY(rawXattr(path).isNull());

    QCOMPARE(attr::write(path, attr::Hidden | attr::Archive), bg::rt::Ok);
    QCOMPARE(rawXattr(path), QByteArray("0x22"));
    QCOMPARE(attr::read(path), attr::Hidden | attr::Archive);
    QCOMPARE(modeOf(path), mode_t(0644));

    QCOMPARE(attr::write(path, attr::System), bg::rt::Ok);
    QCOMPARE(rawXattr(path), QByteArray("0x4"));
    // Cleared attributes leave no attribute behind.
    QCOMPARE(attr::write(path, 0), bg::rt::Ok);
    QVERIFY(rawXattr(path).isNull());
    QCOMPARE(errno, ENODATA);
    QCOMPARE(attr::read(path), 0);
}

void TestDosAttributes::readsWhatWineWrote()
{
    if (!m_xattrs)
        QSKIP("the temporary directory's file system keeps no user extended attributes");
    const QString path = newFile("wine.bmp");
    QCOMPARE(::setxattr(enc(path).constData(), kName, "0x6", 3, 0), 0);
    QCOMPARE(attr::read(path), attr::Hidden | attr::System);
    // Samba stores the text with its NUL, followed by binary data.
    QCOMPARE(::setxattr(enc(path).constData(), kName, "0x2\0\x03\0", 6, 0), 0);
    QCOMPARE(attr::read(path), attr::Hidden);
    // The directory bit of a stored value does not make a file a folder.
    QCOMPARE(::setxattr(enc(path).constData(), kName, "0x12", 4, 0), 0);
    QCOMPARE(attr::read(path), attr::Hidden);
}

void TestDosAttributes::readOnlyIsTheWriteBit()
{
    const QString path = newFile("readonly.bmp");
    QCOMPARE(attr::write(path, attr::ReadOnly | (m_xattrs ? attr::Hidden : 0)), bg::rt::Ok);
    QCOMPARE(modeOf(path), mode_t(0444));
    QCOMPARE(attr::read(path), attr::ReadOnly | (m_xattrs ? attr::Hidden : 0));
    if (m_xattrs)
        QCOMPARE(rawXattr(path), QByteArray("0x2"));

    // Changing hidden on a read-only file keeps it read-only.
    QCOMPARE(attr::write(path, attr::ReadOnly), bg::rt::Ok);
    QCOMPARE(modeOf(path), mode_t(0444));
    QCOMPARE(attr::read(path), attr::ReadOnly);

    QCOMPARE(attr::write(path, attr::Normal), bg::rt::Ok);
    QCOMPARE(modeOf(path), mode_t(0644));
    QCOMPARE(attr::read(path), 0);

    // A file writable by its group only is not read-only; clearing read-only leaves it alone.
    QVERIFY(::chmod(enc(path).constData(), 0464) == 0);
    QCOMPARE(attr::read(path), 0);
    QCOMPARE(attr::write(path, 0), bg::rt::Ok);
    QCOMPARE(modeOf(path), mode_t(0464));
}

void TestDosAttributes::folders()
{
    const QString path = m_dir.filePath("Showed");
    QVERIFY(QDir().mkdir(path));
    QCOMPARE(attr::read(path), attr::Directory);
    if (!m_xattrs)
        return;
    QCOMPARE(attr::write(path, attr::Hidden), bg::rt::Ok);
    QCOMPARE(attr::read(path), attr::Directory | attr::Hidden);
    QCOMPARE(rawXattr(path), QByteArray("0x2"));
}

void TestDosAttributes::missingPath()
{
    const QString path = m_dir.filePath("none");
    errno = 0;
    QCOMPARE(attr::read(path), -1);
    QCOMPARE(errno, ENOENT);
    QCOMPARE(attr::write(path, attr::Hidden), bg::rt::FileNotFound);
}

void TestDosAttributes::fatAttributeByte()
{
    // Only a writable FAT file system mounted already can be used; making one needs a loop
    // device and mount rights, which test machines do not give.
    QFile mounts(QStringLiteral("/proc/self/mounts"));
    QString fatDir;
    if (mounts.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : mounts.readAll().split('\n')) {
            const QList<QByteArray> fields = line.split(' ');
            if (fields.size() >= 4 && (fields[2] == "vfat" || fields[2] == "msdos")
                && fields[3].split(',').contains("rw")) {
                QTemporaryDir probe(QString::fromLocal8Bit(fields[1]) + "/bgtest-XXXXXX");
                if (probe.isValid()) {
                    fatDir = probe.path();
                    probe.setAutoRemove(false);
                    break;
                }
            }
        }
    }
    if (fatDir.isEmpty())
        QSKIP("no writable FAT file system is mounted (an image needs a loop device to mount)");

    const QString path = fatDir + "/LOGO.SYS";
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.close();
    QCOMPARE(attr::write(path, attr::Hidden | attr::System), bg::rt::Ok);
    QCOMPARE(attr::read(path) & ~attr::Archive, attr::Hidden | attr::System);
    QCOMPARE(attr::write(path, attr::ReadOnly), bg::rt::Ok);
    QCOMPARE(attr::read(path) & ~attr::Archive, attr::ReadOnly);
    QCOMPARE(attr::write(path, 0), bg::rt::Ok);
    QCOMPARE(attr::read(path) & ~attr::Archive, 0);
    QDir(fatDir).removeRecursively();
}

QTEST_MAIN(TestDosAttributes)
#include "tst_dosattributes.moc"

#include "platform/DosAttributes.h"
#include "platform/RuntimeError.h"

#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <sys/stat.h>
#include <sys/xattr.h>

namespace attr = bg::attr;
using B = QByteArray;

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

    QTemporaryDir m_dir;
    bool m_xattrs = false;

    // A new file of mode 0644 (an existing one is replaced).
    QString newFile(const char *name)
    {
        const QString path = m_dir.filePath(QLatin1String(name));
        QFile::remove(path);
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write("data") != 4
            || ::chmod(enc(path).constData(), 0644) != 0)
            return QString();
        return path;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_xattrs = ::setxattr(enc(newFile("probe")).constData(), "user.probe", "1", 1, 0) == 0;
    }

    // Wine's text form. A file read through the attribute keeps only hidden, system and archive:
    // read-only is the write bit and a stored folder bit does not make a file a folder.
    void textForm_data()
    {
        QTest::addColumn<B>("text");
        QTest::addColumn<int>("attributes");
        QTest::addColumn<bool>("canonical"); // what the attributes are written as
        QTest::newRow("none") << B() << 0 << true;
        QTest::newRow("hidden archive") << B("0x22") << (attr::Hidden | attr::Archive) << true;
        QTest::newRow("system hidden read-only")
            << B("0x7") << (attr::System | attr::Hidden | attr::ReadOnly) << true;
        QTest::newRow("folder archive") << B("0x30") << (attr::Directory | attr::Archive) << true;
        QTest::newRow("trailing NUL") << B("0x22\0", 5) << 0x22 << false;
        QTest::newRow("upper case") << B("0X2A") << 0x2a << false;
        QTest::newRow("hex digits upper") << B("0x2A") << 0x2a << false;
        QTest::newRow("decimal") << B("34") << 34 << false;
        QTest::newRow("samba blob after text") << B("0x20\0\x03\0\x03\0\0\0", 12) << 0x20 << false;
        QTest::newRow("garbage") << B("hidden") << 0 << false;
    }

    void textForm()
    {
        QFETCH(B, text);
        QFETCH(int, attributes);
        QFETCH(bool, canonical);
        QCOMPARE(attr::fromDosAttribText(text), attributes);
        if (canonical)
            QCOMPARE(attr::toDosAttribText(attributes), text);
        if (!m_xattrs || text.isEmpty())
            return;
        const QString path = newFile("wine.bmp");
        QCOMPARE(::setxattr(enc(path).constData(), kName, text.constData(), text.size(), 0), 0);
        QCOMPARE(attr::read(path), attributes & (attr::Hidden | attr::System | attr::Archive));
    }

    void hiddenThroughXattr()
    {
        if (!m_xattrs)
            QSKIP("the temporary directory's file system keeps no user extended attributes");
        const QString path = newFile("logo.sys");
        QCOMPARE(attr::read(path), 0);
        QCOMPARE(attr::write(path, attr::Hidden | attr::Archive), bg::rt::Ok);
        QCOMPARE(rawXattr(path), B("0x22"));
        QCOMPARE(attr::read(path), attr::Hidden | attr::Archive);
        QCOMPARE(modeOf(path), mode_t(0644));
        QCOMPARE(attr::write(path, attr::System), bg::rt::Ok);
        QCOMPARE(rawXattr(path), B("0x4"));
        // Cleared attributes leave no attribute behind.
        QCOMPARE(attr::write(path, 0), bg::rt::Ok);
        QVERIFY(rawXattr(path).isNull());
        QCOMPARE(attr::read(path), 0);
        // A folder keeps its folder bit beside what is stored.
        const QString folder = m_dir.filePath("Showed");
        QVERIFY(QDir().mkdir(folder));
        QCOMPARE(attr::read(folder), attr::Directory);
        QCOMPARE(attr::write(folder, attr::Hidden), bg::rt::Ok);
        QCOMPARE(attr::read(folder), attr::Directory | attr::Hidden);
        QCOMPARE(rawXattr(folder), B("0x2"));
    }

    void readOnlyIsTheWriteBit()
    {
        const QString path = newFile("readonly.bmp");
        const int hidden = m_xattrs ? attr::Hidden : 0;
        QCOMPARE(attr::write(path, attr::ReadOnly | hidden), bg::rt::Ok);
        QCOMPARE(modeOf(path), mode_t(0444));
        QCOMPARE(attr::read(path), attr::ReadOnly | hidden);
        if (m_xattrs)
            QCOMPARE(rawXattr(path), B("0x2"));
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

    void missingPath()
    {
        const QString path = m_dir.filePath("none");
        errno = 0;
        QCOMPARE(attr::read(path), -1);
        QCOMPARE(errno, ENOENT);
        QCOMPARE(attr::write(path, attr::Hidden), bg::rt::FileNotFound);
    }

    // Only a writable FAT file system mounted already can be used; making one needs a loop
    // device and mount rights, which test machines do not give.
    void fatAttributeByte()
    {
        QFile mounts(QStringLiteral("/proc/self/mounts"));
        QString fatDir;
        for (const B &line : mounts.open(QIODevice::ReadOnly) ? mounts.readAll().split('\n')
                                                              : QList<B>()) {
            const QList<B> fields = line.split(' ');
            const bool fat = fields.size() >= 4 && (fields[2] == "vfat" || fields[2] == "msdos");
            if (fatDir.isEmpty() && fat && fields[3].split(',').contains("rw")) {
                QTemporaryDir probe(QString::fromLocal8Bit(fields[1]) + "/bgtest-XXXXXX");
                probe.setAutoRemove(false);
                fatDir = probe.path();
            }
        }
        if (fatDir.isEmpty())
            QSKIP("no writable FAT file system is mounted (an image needs a loop device to mount)");
        const auto removeDir = qScopeGuard([&] { QDir(fatDir).removeRecursively(); });
        const QString path = fatDir + "/LOGO.SYS";
        QVERIFY(QFile(path).open(QIODevice::WriteOnly));
        for (const int attributes : {attr::Hidden | attr::System, int(attr::ReadOnly), 0}) {
            QCOMPARE(attr::write(path, attributes), bg::rt::Ok);
            QCOMPARE(attr::read(path) & ~attr::Archive, attributes);
        }
    }
};

QTEST_MAIN(TestDosAttributes)
#include "tst_dosattributes.moc"

#include "platform/DosAttributes.h"
#include "platform/RuntimeError.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>
#include <sys/xattr.h>

namespace attr = bg::attr;
using B = QByteArray;

namespace {

constexpr char kName[] = "user.DOSATTRIB";

QByteArray enc(const QString &s) { return QFile::encodeName(s); }

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
        QTest::newRow("system hidden read-only")
            << B("0x7") << (attr::System | attr::Hidden | attr::ReadOnly) << true;
        QTest::newRow("folder archive") << B("0x30") << (attr::Directory | attr::Archive) << true;
        QTest::newRow("trailing NUL") << B("0x22\0", 5) << 0x22 << false;
        QTest::newRow("upper case") << B("0X2A") << 0x2a << false;
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
        if (!m_xattrs)
            return;
        const QString path = newFile("wine.bmp");
        QCOMPARE(::setxattr(enc(path).constData(), kName, text.constData(), text.size(), 0), 0);
        QCOMPARE(attr::read(path), attributes & (attr::Hidden | attr::System | attr::Archive));
    }

    // Hidden and system live in the attribute; read-only is the write bit, kept apart from it.
    void writeAndReadBack()
    {
        const QString path = newFile("logo.sys");
        const int hidden = m_xattrs ? attr::Hidden : 0;
        QCOMPARE(attr::write(path, attr::ReadOnly | hidden), bg::rt::Ok);
        QCOMPARE(modeOf(path), mode_t(0444));
        QCOMPARE(attr::read(path), attr::ReadOnly | hidden);
        QCOMPARE(rawXattr(path), m_xattrs ? B("0x2") : B());
        QCOMPARE(attr::write(path, attr::Normal), bg::rt::Ok);
        QCOMPARE(modeOf(path), mode_t(0644));
        QCOMPARE(attr::read(path), 0);
        QVERIFY(rawXattr(path).isNull()); // cleared attributes leave no attribute behind
        // A file writable by its group only is not read-only; clearing read-only leaves it alone.
        QVERIFY(::chmod(enc(path).constData(), 0464) == 0);
        QCOMPARE(attr::read(path), 0);
        QCOMPARE(attr::write(path, 0), bg::rt::Ok);
        QCOMPARE(modeOf(path), mode_t(0464));
        QCOMPARE(attr::write(m_dir.filePath("none"), attr::Hidden), bg::rt::FileNotFound);
    }

};

QTEST_MAIN(TestDosAttributes)
#include "tst_dosattributes.moc"

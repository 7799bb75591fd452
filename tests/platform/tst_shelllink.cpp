#include "platform/PrivateProfile.h"
#include "platform/RuntimeError.h"
#include "platform/ShellLink.h"
#include "support/FaultInjectingFileService.h"
#include "support/TempPrefix.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <QTest>
#include <QtEndian>

using namespace bg;

namespace {

const QString OnbootPath = QStringLiteral("C:\\Program Files\\Bootgallery\\Onboot.exe");
const QString ChinesePath = QStringLiteral("C:\\Program Files\\開機換圖\\Onboot.exe");
const QString Programs = QStringLiteral("C:\\WINDOWS\\Start Menu\\Programs");

// Little-endian numbers; all ones when the bytes are not there.
template<typename T>
T le(const QByteArray &b, qsizetype at)
{
    const bool inside = at >= 0 && at + qsizetype(sizeof(T)) <= b.size();
    return inside ? qFromLittleEndian<T>(b.constData() + at) : T(~T(0));
}
quint32 u16(const QByteArray &b, qsizetype at) { return le<quint16>(b, at); }
quint32 u32(const QByteArray &b, qsizetype at) { return le<quint32>(b, at); }

QByteArray cstring(const QByteArray &b, qsizetype at) { return QByteArray(b.constData() + at); }
QByteArray hex(const char *h) { return QByteArray::fromHex(h); }

// A link taken apart along the sizes it declares.
struct Link
{
    QList<QByteArray> items; // each with its size field
    QByteArray linkInfo;
    QByteArray tail; // string data and extra data
    QByteArray basePath() const { return cstring(linkInfo, u32(linkInfo, 16)); }
};

Link split(const QByteArray &bytes)
{
    Link link;
    const qsizetype listEnd = 0x4C + 2 + u16(bytes, 0x4C);
    qsizetype at = 0x4C + 2;
    for (; at < listEnd && u16(bytes, at) != 0; at += u16(bytes, at))
        link.items.append(bytes.mid(at, u16(bytes, at)));
    if (at + 2 != listEnd)
        return {};
    link.linkInfo = bytes.mid(listEnd, u32(bytes, listEnd));
    link.tail = bytes.mid(listEnd + link.linkInfo.size());
    return link;
}

} // namespace

class TestShellLink : public QObject
{
    Q_OBJECT

private slots:
    void targetIdList()
    {
        const Link link = split(shelllink::build(OnbootPath));
        QCOMPARE(link.items.size(), 5);
        const struct { quint8 type; const char *name, *alias; } expected[] = {
            {0x31, "Program Files", "PROGRA~1"}, {0x31, "Bootgallery", "BOOTGA~1"},
            {0x32, "Onboot.exe", "ONBOOT.EXE"}};
        for (int i = 0; i < 3; ++i) {
            const QByteArray &item = link.items[2 + i];
            QCOMPARE(item.size() % 2, 0);
            QCOMPARE(quint8(item.at(2)), expected[i].type);
            QCOMPARE(cstring(item, 14), QByteArray(expected[i].name));
            QCOMPARE(cstring(item, 15 + qstrlen(expected[i].name)), QByteArray(expected[i].alias));
        }
        // An 8.3 name in capitals is its own alias: the second name stays empty.
        const Link plain = split(shelllink::build(QStringLiteral("d:\\LOGO.SYS")));
        QCOMPARE(plain.items[1].mid(3, 3), QByteArray("D:\\"));
        QCOMPARE(plain.items[2].mid(14), QByteArray("LOGO.SYS\0\0", 10));
    }

    // The local base path is in code page 950; an independent reader (lnkinfo) must find the
    // same path, the whole ID list and no arguments.
    void linkInfo_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QByteArray>("basePath");
        QTest::newRow("traditional chinese")
            << ChinesePath << "C:\\Program Files\\" + hex("b67dbef7b4abb9cf") + "\\Onboot.exe";
        QTest::newRow("trail byte 0x5c") << "C:\\許\\a.exe" << "C:\\" + hex("b35c") + "\\a.exe";
        QTest::newRow("folder") << QStringLiteral("C:\\Logos\\") << QByteArray("C:\\Logos");
        QTest::newRow("drive root") << QStringLiteral("C:\\") << QByteArray("C:\\");
    }

    void linkInfo()
    {
        QFETCH(QString, target);
        QFETCH(QByteArray, basePath);
        const QByteArray bytes = shelllink::build(target);
        const Link link = split(bytes);
        const QByteArray &info = link.linkInfo;
        QCOMPARE(link.basePath(), basePath);
        QCOMPARE(u32(info, 24), u32(info, 16) + basePath.size() + 1); // empty suffix follows
        QCOMPARE(info.size(), qsizetype(u32(info, 24) + 1));
        QCOMPARE(link.tail, QByteArray(4, '\0'));

        const QString lnkinfo = QStandardPaths::findExecutable(QStringLiteral("lnkinfo"));
        if (lnkinfo.isEmpty())
            QSKIP("lnkinfo (liblnk-utils) is not installed");
        QTemporaryFile file;
        QVERIFY(file.open() && file.write(bytes) == bytes.size() && file.flush());
        QProcess reader;
        reader.start(lnkinfo, {"-c", "windows-950", file.fileName()});
        QVERIFY(reader.waitForFinished(30000));
        QCOMPARE(reader.exitCode(), 0);
        const QString out = QString::fromUtf8(reader.readAllStandardOutput());
        const QString local = "Local path\t\t\t: " + cp950::decode(basePath) + '\n';
        QVERIFY2(out.contains(local), qPrintable(out));
        QVERIFY(out.contains(QLatin1String("Contains a link target identifier")));
        QVERIFY(out.contains("Number of items\t\t: " + QString::number(link.items.size())));
        QVERIFY(!out.contains(QLatin1String("arguments"), Qt::CaseInsensitive));
    }

    // Nothing is built for a target with no code page 950 form or no plain absolute path.
    void unencodable()
    {
        const QStringList targets = {"C:\\naïve\\Onboot.exe", "Onboot.exe", "C:\\a\\\\Onboot.exe",
                                     "C:\\a\\..\\Onboot.exe", "C:\\" + QString(130, u'圖')};
        for (const QString &target : targets)
            QVERIFY2(shelllink::build(target).isEmpty(), qPrintable(target));
    }

    void shortNames()
    {
        const std::pair<const char *, const char *> names[] = {
            {"Readme.html", "README~1.HTM"}, {"a+b.txt", "A_B~1.TXT"},
            {"my.logo.sys", "MYLOGO~1.SYS"}, {".profile", "PROFIL~1"},
            {"開機.bmp", "開機.BMP"}, {"a開機換圖程式", "A開機~1"}};
        for (const auto &[name, alias] : names)
            QCOMPARE(shelllink::shortName(QString::fromUtf8(name)), QString::fromUtf8(alias));
    }

    void createShellLink()
    {
        test::TempPrefix machine;
        QVERIFY(machine.isValid());
        test::FaultInjectingFileService files(machine.files()), failing(machine.files());
        const auto create = [](FileService &fs, const QString &folder, const QString &target) {
            return bg::createShellLink(fs, Programs, folder, "Splashwheel", target, QString());
        };
        // Nothing is written for a target or folder name that cannot be expressed.
        QCOMPARE(create(files, "Bootgallery", "C:\\naïve\\Onboot.exe"), rt::PathFileAccess);
        QCOMPARE(create(files, "Boot<gallery>", OnbootPath), rt::PathFileAccess);
        QCOMPARE(files.changingCalls(), 0);

        // The folder is made; the link holds the target's real size and times.
        QVERIFY(machine.writeFileOfSize(OnbootPath, 4321));
        const QString lnk = Programs + "\\Bootgallery\\Splashwheel.lnk";
        QCOMPARE(create(files, "Bootgallery", OnbootPath), rt::Ok);
        QCOMPARE(u32(machine.readFile(lnk), 0x34), 4321u);
        // A second call replaces the link in the folder that now exists.
        QCOMPARE(create(files, "Bootgallery", ChinesePath), rt::Ok);
        QCOMPARE(cp950::decode(split(machine.readFile(lnk)).basePath()), ChinesePath);

        // File errors are passed on; a folder that cannot be made means no write at all.
        failing.failNthCallOf("createFolder", 1, rt::PermissionDenied);
        QCOMPARE(create(failing, "New", OnbootPath), rt::PermissionDenied);
        QCOMPARE(failing.callsOf("writeFileAtomic"), 0);
        failing.failNthCallOf("writeFileAtomic", 1, rt::DiskFull);
        QCOMPARE(create(failing, "StartUp", OnbootPath), rt::DiskFull);
        QCOMPARE(failing.callsOf("createFolder"), 1); // StartUp exists already
        QVERIFY(!machine.exists(Programs + "\\StartUp\\Splashwheel.lnk"));
    }
};

QTEST_MAIN(TestShellLink)
#include "tst_shelllink.moc"

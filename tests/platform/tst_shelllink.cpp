#include "platform/DosAttributes.h"
#include "platform/PrivateProfile.h"
#include "platform/RuntimeError.h"
#include "platform/ShellLink.h"
#include "support/FaultInjectingFileService.h"
#include "support/TempPrefix.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>

using namespace bg;

namespace {

const QString OnbootPath = QStringLiteral("C:\\Program Files\\Bootgallery\\Onboot.exe");
const QString ChinesePath = QStringLiteral("C:\\Program Files\\開機換圖\\Onboot.exe");

quint32 u16(const QByteArray &b, qsizetype at)
{
    return quint8(b.at(at)) | quint32(quint8(b.at(at + 1))) << 8;
}
quint32 u32(const QByteArray &b, qsizetype at)
{
    return u16(b, at) | u16(b, at + 2) << 16;
}
quint64 u64(const QByteArray &b, qsizetype at)
{
    return u32(b, at) | quint64(u32(b, at + 4)) << 32;
}

// A link taken apart along the sizes it declares.
struct Link
{
    QList<QByteArray> items; // each with its size field
    QByteArray linkInfo;
    QByteArray tail;         // string data and extra data
};

Link split(const QByteArray &bytes)
{
    Link link;
    const qsizetype listEnd = 0x4C + 2 + u16(bytes, 0x4C);
    qsizetype at = 0x4C + 2;
    while (at < listEnd && u16(bytes, at) != 0) {
        link.items.append(bytes.mid(at, u16(bytes, at)));
        at += u16(bytes, at);
    }
    if (at + 2 != listEnd)
        return {};
    link.linkInfo = bytes.mid(listEnd, u32(bytes, listEnd));
    link.tail = bytes.mid(listEnd + link.linkInfo.size());
    return link;
}

QByteArray cstring(const QByteArray &b, qsizetype at)
{
    return QByteArray(b.constData() + at);
}

QByteArray localBasePath(const QByteArray &linkInfo)
{
    return cstring(linkInfo, u32(linkInfo, 16));
}

QByteArray hex(const char *h)
{
    return QByteArray::fromHex(h);
}

} // namespace

class TestShellLink : public QObject
{
    Q_OBJECT

private slots:
    void header();
    void targetIdList();
    void linkInfo_data();
    void linkInfo();
    void recordsWhatTheDiskSays();
    void unencodable_data();
    void unencodable();
    void shortNames_data();
    void shortNames();
    void independentReader_data();
    void independentReader();
    void createsFolderAndLink();
    void unencodableTargetWritesNothing();
    void reportsFileErrors();
};

void TestShellLink::header()
{
    const QByteArray link = shelllink::build(OnbootPath);
    QVERIFY(link.size() > 0x4C);
    QCOMPARE(u32(link, 0), 0x4Cu);
    QCOMPARE(link.mid(4, 16), hex("0114020000000000c000000000000046"));
    QCOMPARE(u32(link, 0x14), 0x03u); // ID list and LinkInfo; neither Unicode nor arguments
    QCOMPARE(u32(link, 0x18), quint32(attr::Archive));
    QCOMPARE(link.mid(0x1C, 24), QByteArray(24, '\0')); // no target on disk: no times
    QCOMPARE(u32(link, 0x3C), 1u);                       // show normal
    QCOMPARE(link.mid(0x40, 12), QByteArray(12, '\0'));
    QCOMPARE(link.right(4), QByteArray(4, '\0')); // extra data terminal block

    const QByteArray withArgs = shelllink::build(OnbootPath, QStringLiteral("/auto"));
    QCOMPARE(u32(withArgs, 0x14), 0x23u);
    QCOMPARE(split(withArgs).tail, hex("0500") + "/auto" + hex("00000000"));
}

void TestShellLink::targetIdList()
{
    const Link link = split(shelllink::build(OnbootPath));
    QCOMPARE(link.items.size(), 5);
    QCOMPARE(link.items[0], hex("14001f50e04fd020ea3a6910a2d808002b30309d"));
    QCOMPARE(link.items[1], hex("19002f") + "C:\\" + QByteArray(19, '\0'));

    const struct { quint8 type; const char *name; const char *alias; } expected[] = {
        {0x31, "Program Files", "PROGRA~1"},
        {0x31, "Bootgallery", "BOOTGA~1"},
        {0x32, "Onboot.exe", "ONBOOT.EXE"},
    };
    for (int i = 0; i < 3; ++i) {
        const QByteArray &item = link.items[2 + i];
        QCOMPARE(item.size() % 2, 0);
        QCOMPARE(quint8(item.at(2)), expected[i].type);
        QCOMPARE(u16(item, 12), quint32(expected[i].type == 0x31 ? attr::Directory : attr::Archive));
        QCOMPARE(cstring(item, 14), QByteArray(expected[i].name));
        QCOMPARE(cstring(item, 15 + qstrlen(expected[i].name)), QByteArray(expected[i].alias));
    }

    // An 8.3 name in capitals is its own alias: the second name stays empty.
    const Link plain = split(shelllink::build(QStringLiteral("d:\\LOGO.SYS")));
    QCOMPARE(plain.items[1].mid(3, 3), QByteArray("D:\\"));
    QCOMPARE(plain.items[2].mid(14), QByteArray("LOGO.SYS\0\0", 10));
}

void TestShellLink::linkInfo_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<QByteArray>("basePath");
    QTest::newRow("ascii") << OnbootPath << QByteArray("C:\\Program Files\\Bootgallery\\Onboot.exe");
    QTest::newRow("traditional chinese")
        << ChinesePath << "C:\\Program Files\\" + hex("b67dbef7b4abb9cf") + "\\Onboot.exe";
    QTest::newRow("trail byte 0x5c") << QStringLiteral("C:\\許\\a.exe") << "C:\\" + hex("b35c") + "\\a.exe";
    QTest::newRow("folder") << QStringLiteral("C:\\Logos\\") << QByteArray("C:\\Logos");
    QTest::newRow("drive root") << QStringLiteral("C:\\") << QByteArray("C:\\");
}

void TestShellLink::linkInfo()
{
    QFETCH(QString, target);
    QFETCH(QByteArray, basePath);
    const Link link = split(shelllink::build(target));
    const QByteArray &info = link.linkInfo;
    QCOMPARE(u32(info, 4), 0x1Cu); // no Unicode offsets
    QCOMPARE(u32(info, 8), 1u);    // VolumeIDAndLocalBasePath
    const QByteArray volume = info.mid(u32(info, 12), u32(info, u32(info, 12)));
    QCOMPARE(u32(volume, 4), 3u);                      // fixed drive
    QCOMPARE(cstring(volume, u32(volume, 12)), QByteArray()); // no label
    QCOMPARE(localBasePath(info), basePath);
    QCOMPARE(u32(info, 20), 0u);                                 // no network part
    QCOMPARE(u32(info, 24), u32(info, 16) + basePath.size() + 1); // empty suffix follows
    QCOMPARE(info.size(), qsizetype(u32(info, 24) + 1));
    QCOMPARE(link.tail, QByteArray(4, '\0'));
}

void TestShellLink::recordsWhatTheDiskSays()
{
    const QDateTime written(QDate(2008, 9, 12), QTime(20, 27, 17, 101), QTimeZone::utc());
    shelllink::EntryInfo folder;
    folder.attributes = attr::Directory | attr::Hidden;
    shelllink::EntryInfo file;
    file.attributes = attr::ReadOnly;
    file.size = 0x12345;
    file.created = written.addDays(-1);
    file.accessed = written.addDays(1);
    file.modified = written;
    shelllink::TargetDetails details;
    details.components = {std::nullopt, folder, file};
    details.volumeSerial = 0x307A8A81;

    const QByteArray bytes = shelllink::build(OnbootPath, QString(), details);
    QCOMPARE(u32(bytes, 0x18), quint32(attr::ReadOnly));
    QCOMPARE(u64(bytes, 0x2C), Q_UINT64_C(0x01C91515F2EEE9D0));
    QCOMPARE(u64(bytes, 0x1C), Q_UINT64_C(0x01C91515F2EEE9D0) - Q_UINT64_C(864000000000));
    QCOMPARE(u64(bytes, 0x24), Q_UINT64_C(0x01C91515F2EEE9D0) + Q_UINT64_C(864000000000));
    QCOMPARE(u32(bytes, 0x34), 0x12345u);

    const Link link = split(bytes);
    QCOMPARE(link.items[2].mid(4, 10), hex("00000000" "0000" "0000" "1000"));
    QCOMPARE(u16(link.items[3], 12), quint32(attr::Directory | attr::Hidden));
    QCOMPARE(link.items[4].mid(4, 10), hex("45230100" "2c39" "68a3" "0100")); // size, FAT stamp
    QCOMPARE(u32(link.linkInfo, u32(link.linkInfo, 12) + 8), 0x307A8A81u);

    shelllink::EntryInfo normal;
    normal.attributes = attr::Normal;
    details.components = {std::nullopt, std::nullopt, normal};
    QCOMPARE(u32(shelllink::build(OnbootPath, QString(), details), 0x18), 0x80u);
}

void TestShellLink::unencodable_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("arguments");
    QTest::newRow("not in code page 950") << QStringLiteral("C:\\naïve\\Onboot.exe") << QString();
    QTest::newRow("arguments not in code page 950") << OnbootPath << QStringLiteral("ï");
    QTest::newRow("no drive") << QStringLiteral("Onboot.exe") << QString();
    QTest::newRow("drive-relative") << QStringLiteral("C:Onboot.exe") << QString();
    QTest::newRow("empty component") << QStringLiteral("C:\\a\\\\Onboot.exe") << QString();
    QTest::newRow("wildcard") << QStringLiteral("C:\\a\\*.exe") << QString();
    QTest::newRow("parent step") << QStringLiteral("C:\\a\\..\\Onboot.exe") << QString();
    QTest::newRow("longer than MAX_PATH") << "C:\\" + QString(130, u'圖') << QString();
}

void TestShellLink::unencodable()
{
    QFETCH(QString, target);
    QFETCH(QString, arguments);
    QVERIFY(shelllink::build(target, arguments).isEmpty());
}

void TestShellLink::shortNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("alias");
    QTest::newRow("8.3, mixed case") << QStringLiteral("Onboot.exe") << QStringLiteral("ONBOOT.EXE");
    QTest::newRow("space") << QStringLiteral("Program Files") << QStringLiteral("PROGRA~1");
    QTest::newRow("long extension") << QStringLiteral("Readme.html") << QStringLiteral("README~1.HTM");
    QTest::newRow("FAT-illegal") << QStringLiteral("a+b.txt") << QStringLiteral("A_B~1.TXT");
    QTest::newRow("inner dots") << QStringLiteral("my.logo.sys") << QStringLiteral("MYLOGO~1.SYS");
    QTest::newRow("leading dot") << QStringLiteral(".profile") << QStringLiteral("PROFIL~1");
    QTest::newRow("double-byte fits") << QStringLiteral("開機.bmp") << QStringLiteral("開機.BMP");
    QTest::newRow("double-byte cut whole")
        << QStringLiteral("a開機換圖程式") << QStringLiteral("A開機~1");
}

void TestShellLink::shortNames()
{
    QFETCH(QString, name);
    QFETCH(QString, alias);
    QCOMPARE(shelllink::shortName(name), alias);
}

void TestShellLink::independentReader_data()
{
    QTest::addColumn<QString>("target");
    QTest::newRow("ascii") << OnbootPath;
    QTest::newRow("traditional chinese") << ChinesePath;
}

void TestShellLink::independentReader()
{
    QFETCH(QString, target);
    const QString lnkinfo = QStandardPaths::findExecutable(QStringLiteral("lnkinfo"));
    if (lnkinfo.isEmpty())
        QSKIP("lnkinfo (liblnk-utils) is not installed");
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QFile file(dir.filePath(QStringLiteral("t.lnk")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(shelllink::build(target));
    file.close();

    QProcess reader;
    reader.start(lnkinfo, {QStringLiteral("-c"), QStringLiteral("windows-950"), file.fileName()});
    QVERIFY(reader.waitForFinished(30000));
    QCOMPARE(reader.exitCode(), 0);
    const QString out = QString::fromUtf8(reader.readAllStandardOutput());
    QVERIFY2(out.contains(QStringLiteral("Local path\t\t\t: ") + target), qPrintable(out));
    QVERIFY(out.contains(QLatin1String("Contains a link target identifier")));
    QVERIFY(out.contains(QLatin1String("Number of items\t\t: 5")));
    QVERIFY(out.contains(QLatin1String("Name\t\t\t: Onboot.exe")));
    QVERIFY(!out.contains(QLatin1String("arguments"), Qt::CaseInsensitive));
}

void TestShellLink::createsFolderAndLink()
{
    test::TempPrefix machine;
    QVERIFY(machine.isValid());
    QVERIFY(machine.writeFileOfSize(OnbootPath, 4321));
    const QString programs = QStringLiteral("C:\\WINDOWS\\Start Menu\\Programs");
    const QString lnk = programs + QStringLiteral("\\Bootgallery\\Splashwheel.lnk");
    QVERIFY(!machine.exists(programs + QStringLiteral("\\Bootgallery")));

    QCOMPARE(createShellLink(machine.files(), programs, QStringLiteral("Bootgallery"),
                             QStringLiteral("Splashwheel"), OnbootPath, QString()),
             rt::Ok);
    const QByteArray bytes = machine.readFile(lnk);
    QCOMPARE(localBasePath(split(bytes).linkInfo), OnbootPath.toLatin1());
    QCOMPARE(u32(bytes, 0x34), 4321u);     // the target's real size and times
    QVERIFY(u64(bytes, 0x2C) != 0);
    QCOMPARE(u32(bytes, 0x14), 0x03u);

    // A second call replaces the link in the folder that now exists.
    QCOMPARE(createShellLink(machine.files(), programs, QStringLiteral("Bootgallery"),
                             QStringLiteral("Splashwheel"), ChinesePath, QString()),
             rt::Ok);
    QByteArray chineseBytes;
    QVERIFY(cp950::encode(ChinesePath, chineseBytes));
    QCOMPARE(localBasePath(split(machine.readFile(lnk)).linkInfo), chineseBytes);
}

void TestShellLink::unencodableTargetWritesNothing()
{
    test::TempPrefix machine;
    QVERIFY(machine.isValid());
    test::FaultInjectingFileService files(machine.files());
    const QString programs = QStringLiteral("C:\\WINDOWS\\Start Menu\\Programs");
    QCOMPARE(createShellLink(files, programs, QStringLiteral("Bootgallery"),
                             QStringLiteral("Splashwheel"), QStringLiteral("C:\\naïve\\Onboot.exe"),
                             QString()),
             rt::PathFileAccess);
    QCOMPARE(createShellLink(files, programs, QStringLiteral("Boot<gallery>"),
                             QStringLiteral("Splashwheel"), OnbootPath, QString()),
             rt::PathFileAccess);
    QCOMPARE(files.changingCalls(), 0);
    QVERIFY(!machine.exists(programs + QStringLiteral("\\Bootgallery")));
}

void TestShellLink::reportsFileErrors()
{
    test::TempPrefix machine;
    QVERIFY(machine.isValid());
    test::FaultInjectingFileService files(machine.files());
    const QString programs = QStringLiteral("C:\\WINDOWS\\Start Menu\\Programs");

    files.failNthCallOf(QStringLiteral("createFolder"), 1, rt::PermissionDenied);
    QCOMPARE(createShellLink(files, programs, QStringLiteral("New"), QStringLiteral("Splashwheel"),
                             OnbootPath, QString()),
             rt::PermissionDenied);
    QCOMPARE(files.callsOf(QStringLiteral("writeFileAtomic")), 0);

    files.failNthCallOf(QStringLiteral("writeFileAtomic"), 1, rt::DiskFull);
    QCOMPARE(createShellLink(files, programs, QStringLiteral("StartUp"),
                             QStringLiteral("Splashwheel"), OnbootPath, QString()),
             rt::DiskFull);
    QCOMPARE(files.callsOf(QStringLiteral("createFolder")), 1); // StartUp exists already
    QVERIFY(!machine.exists(programs + QStringLiteral("\\StartUp\\Splashwheel.lnk")));
}

QTEST_MAIN(TestShellLink)
#include "tst_shelllink.moc"

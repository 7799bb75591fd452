#include "platform/DosAttributes.h"
#include "platform/PrivateProfile.h"
#include "platform/RuntimeError.h"
#include "platform/ShellLink.h"
#include "support/FaultInjectingFileService.h"
#include "support/TempPrefix.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <QTest>
#include <QTimeZone>
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

QByteArray cstring(const QByteArray &b, qsizetype at)
{
    return QByteArray(b.constData() + at);
}

QByteArray hex(const char *h)
{
    return QByteArray::fromHex(h);
}

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
    void header()
    {
        const QByteArray link = shelllink::build(OnbootPath);
        QCOMPARE(u32(link, 0), 0x4Cu);
        QCOMPARE(link.mid(4, 16), hex("0114020000000000c000000000000046"));
        QCOMPARE(u32(link, 0x14), 0x03u); // ID list and LinkInfo; neither Unicode nor arguments
        QCOMPARE(u32(link, 0x18), quint32(attr::Archive));
        QCOMPARE(link.mid(0x1C, 24), QByteArray(24, '\0')); // no target on disk: no times
        QCOMPARE(u32(link, 0x3C), 1u);                      // show normal
        QCOMPARE(link.mid(0x40, 12), QByteArray(12, '\0'));

        const QByteArray withArgs = shelllink::build(OnbootPath, QStringLiteral("/auto"));
        QCOMPARE(u32(withArgs, 0x14), 0x23u);
        QCOMPARE(split(withArgs).tail, hex("0500") + "/auto" + hex("00000000"));
    }

    void targetIdList()
    {
        const Link link = split(shelllink::build(OnbootPath));
        QCOMPARE(link.items.size(), 5);
        QCOMPARE(link.items[0], hex("14001f50e04fd020ea3a6910a2d808002b30309d"));
        QCOMPARE(link.items[1], hex("19002f") + "C:\\" + QByteArray(19, '\0'));
        const struct { quint8 type; const char *name, *alias; } expected[] = {
            {0x31, "Program Files", "PROGRA~1"}, {0x31, "Bootgallery", "BOOTGA~1"},
            {0x32, "Onboot.exe", "ONBOOT.EXE"}};
        for (int i = 0; i < 3; ++i) {
            const QByteArray &item = link.items[2 + i];
            QCOMPARE(item.size() % 2, 0);
            QCOMPARE(quint8(item.at(2)), expected[i].type);
            const int attributes = expected[i].type == 0x31 ? attr::Directory : attr::Archive;
            QCOMPARE(u16(item, 12), quint32(attributes));
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
        QTest::newRow("ascii") << OnbootPath << OnbootPath.toLatin1();
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
        QCOMPARE(u32(info, 4), 0x1Cu); // no Unicode offsets
        QCOMPARE(u32(info, 8), 1u);    // VolumeIDAndLocalBasePath
        const QByteArray volume = info.mid(u32(info, 12), u32(info, u32(info, 12)));
        QCOMPARE(u32(volume, 4), 3u);                             // fixed drive
        QCOMPARE(cstring(volume, u32(volume, 12)), QByteArray()); // no label
        QCOMPARE(link.basePath(), basePath);
        QCOMPARE(u32(info, 20), 0u);                                  // no network part
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

    void recordsWhatTheDiskSays()
    {
        const QDateTime written(QDate(2008, 9, 12), QTime(20, 27, 17, 101), QTimeZone::utc());
        const quint64 stamp = Q_UINT64_C(0x01C91515F2EEE9D0), day = Q_UINT64_C(864000000000);
        shelllink::EntryInfo folder;
        folder.attributes = attr::Directory | attr::Hidden;
        const shelllink::EntryInfo file{attr::ReadOnly, 0x12345, written.addDays(-1),
                                        written.addDays(1), written};
        shelllink::TargetDetails details{{std::nullopt, folder, file}, 0x307A8A81};

        const QByteArray bytes = shelllink::build(OnbootPath, QString(), details);
        QCOMPARE(u32(bytes, 0x18), quint32(attr::ReadOnly));
        QCOMPARE(le<quint64>(bytes, 0x1C), stamp - day);
        QCOMPARE(le<quint64>(bytes, 0x24), stamp + day);
        QCOMPARE(le<quint64>(bytes, 0x2C), stamp);
        QCOMPARE(u32(bytes, 0x34), 0x12345u);
        const Link link = split(bytes);
        QCOMPARE(link.items[2].mid(4, 10), hex("00000000" "0000" "0000" "1000"));
        QCOMPARE(u16(link.items[3], 12), quint32(attr::Directory | attr::Hidden));
        QCOMPARE(link.items[4].mid(4, 10), hex("45230100" "2c39" "68a3" "0100")); // size, FAT stamp
        QCOMPARE(u32(link.linkInfo, u32(link.linkInfo, 12) + 8), 0x307A8A81u);

        details.components = {std::nullopt, std::nullopt, shelllink::EntryInfo()};
        details.components[2]->attributes = attr::Normal;
        QCOMPARE(u32(shelllink::build(OnbootPath, QString(), details), 0x18), 0x80u);
    }

    void unencodable_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("arguments");
        QTest::newRow("not in code page 950") << "C:\\naïve\\Onboot.exe" << QString();
        QTest::newRow("arguments not in code page 950") << OnbootPath << QStringLiteral("ï");
        QTest::newRow("no drive") << QStringLiteral("Onboot.exe") << QString();
        QTest::newRow("drive-relative") << QStringLiteral("C:Onboot.exe") << QString();
        QTest::newRow("empty component") << QStringLiteral("C:\\a\\\\Onboot.exe") << QString();
        QTest::newRow("wildcard") << QStringLiteral("C:\\a\\*.exe") << QString();
        QTest::newRow("parent step") << QStringLiteral("C:\\a\\..\\Onboot.exe") << QString();
        QTest::newRow("longer than MAX_PATH") << "C:\\" + QString(130, u'圖') << QString();
    }

    void unencodable()
    {
        QFETCH(QString, target);
        QFETCH(QString, arguments);
        QVERIFY(shelllink::build(target, arguments).isEmpty());
    }

    void shortNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("alias");
        QTest::newRow("8.3, mixed case") << "Onboot.exe" << "ONBOOT.EXE";
        QTest::newRow("space") << "Program Files" << "PROGRA~1";
        QTest::newRow("long extension") << "Readme.html" << "README~1.HTM";
        QTest::newRow("FAT-illegal") << "a+b.txt" << "A_B~1.TXT";
        QTest::newRow("inner dots") << "my.logo.sys" << "MYLOGO~1.SYS";
        QTest::newRow("leading dot") << ".profile" << "PROFIL~1";
        QTest::newRow("double-byte fits") << "開機.bmp" << "開機.BMP";
        QTest::newRow("double-byte cut whole") << "a開機換圖程式" << "A開機~1";
    }

    void shortNames()
    {
        QFETCH(QString, name);
        QFETCH(QString, alias);
        QCOMPARE(shelllink::shortName(name), alias);
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
        const QByteArray bytes = machine.readFile(lnk);
        QCOMPARE(split(bytes).basePath(), OnbootPath.toLatin1());
        QCOMPARE(u32(bytes, 0x34), 4321u);
        QVERIFY(le<quint64>(bytes, 0x2C) != 0);
        // A second call replaces the link in the folder that now exists.
        QCOMPARE(create(files, "Bootgallery", ChinesePath), rt::Ok);
        QByteArray chineseBytes;
        QVERIFY(cp950::encode(ChinesePath, chineseBytes));
        QCOMPARE(split(machine.readFile(lnk)).basePath(), chineseBytes);

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

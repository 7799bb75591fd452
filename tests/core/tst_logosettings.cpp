#include "core/LogoSettings.h"
#include "platform/PrivateProfile.h"
#include "support/TempPrefix.h"

#include <QTest>

#include <functional>
#include <memory>

using namespace bg;
using bg::test::TempPrefix;
using B = QByteArray;
using Change = std::function<void(LogoSettings &)>;

namespace {

const QString Ini = QStringLiteral("C:\\WINDOWS\\SW.ini");

// Every field on one line, so that two settings compare with a readable difference.
QString describe(const LogoSettings &s)
{
    QStringList parts;
    for (int i = 0; i < SlotCount; ++i)
        parts << s.folders[size_t(i)] << QString::number(s.changeAtBoot[size_t(i)]);
    return parts.join(u'|') + QStringLiteral("|popUp %1|method %2").arg(s.popUp).arg(int(s.method));
}

} // namespace

class TestLogoSettings : public QObject
{
    Q_OBJECT

    std::unique_ptr<TempPrefix> machine;
    std::unique_ptr<PrivateProfile> profile;
    std::unique_ptr<SettingsFile> file;

private slots:
    void init()
    {
        machine = std::make_unique<TempPrefix>();
        QVERIFY(machine->isValid());
        profile = std::make_unique<PrivateProfile>(machine->files());
        file = std::make_unique<SettingsFile>(*profile, QStringLiteral("C:\\WINDOWS\\"));
    }
    void cleanup() { file.reset(), profile.reset(), machine.reset(); }

    // One line in the section (none: no file at all); everything it does not set reads as the
    // defaults. The flags match exactly "True" and "False"; folders end at the first zero byte.
    void readsOneKey_data()
    {
        QTest::addColumn<B>("line");
        QTest::addColumn<Change>("change");
        const auto row = [](const char *name, const B &line, Change change) {
            QTest::newRow(name) << line << change;
        };
        // Each changes one field: the Wait flag, PopUp, Method or the Shutdown folder.
        const auto checked = [](bool b) { return Change([b](auto &s) { s.changeAtBoot[1] = b; }); };
        const auto popUp = [](bool on) { return Change([on](auto &s) { s.popUp = on; }); };
        const auto method = [](ChangeMethod m) { return Change([m](auto &s) { s.method = m; }); };
        const auto folder = [](QString f) { return Change([f](auto &s) { s.folders[2] = f; }); };
        row("no file", B(), [](LogoSettings &) {});
        row("checked: True", "Wait_Checked=True", checked(true));
        row("checked: true", "Wait_Checked=true", checked(false));
        row("checked: zero byte after True", B("Wait_Checked=True\0x", 19), checked(false));
        row("popUp: False", "PopUp=False", popUp(false));
        row("popUp: false", "PopUp=false", popUp(true));
        row("popUp: empty", "PopUp=", popUp(true));
        row("method: Little", "Method=Little", method(ChangeMethod::Little));
        row("method: Big", "Method=Big", method(ChangeMethod::Big));
        row("method: big", "Method=big", method(ChangeMethod::Random));
        row("folder: no backslash added", "Shutdown_Path=C:\\Logos", folder("C:\\Logos"));
        row("folder: up to the first zero byte", B("Shutdown_Path=C:\\A\0B\\", 21),
            folder("C:\\A"));
        row("folder: cut at 1023 bytes", "Shutdown_Path=C:\\" + B(1500, 'x'),
            folder("C:\\" + QString(1020, u'x')));
    }

    void readsOneKey()
    {
        QFETCH(B, line);
        QFETCH(Change, change);
        if (!line.isNull())
            QVERIFY(machine->writeFile(Ini, "[SplashwheelSet]\r\n" + line + "\r\n"));
        LogoSettings expected;
        change(expected);
        QCOMPARE(describe(file->read()), describe(expected));
        QCOMPARE(machine->exists(Ini), !line.isNull());
    }

    void readingIsSplit()
    {
        QVERIFY(machine->writeFile(Ini, "[SplashwheelSet]\r\nStart_Path=C:\\A\\\r\n"
                                        "Start_Checked=True\r\nPopUp=False\r\nMethod=Little\r\n"));
        LogoSettings settings, expected;
        settings.folders[0] = expected.folders[0] = QStringLiteral("kept");
        expected.changeAtBoot[0] = true;
        expected.popUp = false;
        expected.method = ChangeMethod::Little;
        file->readOptions(settings);
        QCOMPARE(describe(settings), describe(expected));
        QCOMPARE(file->readFolders()[0], QStringLiteral("C:\\A\\"));
    }

    // The keys stand in the order they were written, in the layout Windows writes.
    void writeFromScratch()
    {
        const std::pair<QString, QString> written[] = {
            {"Start_Path", "C:\\開機圖片\\"}, {"Start_Checked", SettingsFile::flagWord(true)},
            {"Wait_Checked", SettingsFile::flagWord(false)},
            {"PopUp", SettingsFile::flagWord(false)}, {"Method", methodWord(ChangeMethod::Big)}};
        for (const auto &[key, value] : written)
            QCOMPARE(file->write(key, value), SettingsWrite::Written);
        QCOMPARE(file->write("Shutdown_Path", "C:\\\U0001F600\\"), SettingsWrite::NotEncodable);
        QCOMPARE(machine->readFile(Ini),
                 B("[SplashwheelSet]\r\nStart_Path=C:\\\xB6\x7D\xBE\xF7\xB9\xCF\xA4\xF9\\\r\n"
                   "Start_Checked=True\r\nWait_Checked=False\r\nPopUp=False\r\nMethod=Big\r\n"));
        LogoSettings expected;
        expected.folders[0] = QStringLiteral("C:\\開機圖片\\");
        expected.changeAtBoot[0] = true;
        expected.popUp = false;
        expected.method = ChangeMethod::Big;
        QCOMPARE(describe(file->read()), describe(expected));
    }
};

QTEST_MAIN(TestLogoSettings)
#include "tst_logosettings.moc"

#include "core/LogoSettings.h"
#include "platform/PrivateProfile.h"
#include "support/TempPrefix.h"

#include <QTest>

#include <memory>

using namespace bg;
using bg::test::TempPrefix;
using B = QByteArray;

namespace {

const QString WindowsFolder = QStringLiteral("C:\\WINDOWS\\");
const QString Ini = QStringLiteral("C:\\WINDOWS\\SW.ini");

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
        file = std::make_unique<SettingsFile>(*profile, WindowsFolder);
    }
    void cleanup() { file.reset(), profile.reset(), machine.reset(); }

    // One line in the section; everything it does not set reads as the defaults.
    void readsOneKey_data()
    {
        QTest::addColumn<B>("line");
        QTest::addColumn<LogoSettings>("expected");
        const auto checked = [](const char *name, const B &line, bool on) {
            LogoSettings s;
            s.changeAtBoot[1] = on;
            QTest::newRow(name) << line << s;
        };
        const auto popUp = [](const char *name, const B &line, bool on) {
            LogoSettings s;
            s.popUp = on;
            QTest::newRow(name) << line << s;
        };
        const auto method = [](const char *name, const B &line, ChangeMethod m) {
            LogoSettings s;
            s.method = m;
            QTest::newRow(name) << line << s;
        };
        const auto folder = [](const char *name, const B &line, const QString &f) {
            LogoSettings s;
            s.folders[2] = f;
            QTest::newRow(name) << line << s;
        };
        checked("checked: True", "Wait_Checked=True", true);
        checked("checked: blanks and quotes go first", "wait_checked = \"True\" ", true);
        checked("checked: true", "Wait_Checked=true", false);
        checked("checked: TRUE", "Wait_Checked=TRUE", false);
        checked("checked: 1", "Wait_Checked=1", false);
        checked("checked: zero byte after True", B("Wait_Checked=True\0x", 19), false);
        checked("checked: empty", "Wait_Checked=", false);
        popUp("popUp: False", "PopUp=False", false);
        popUp("popUp: quoted False", "PopUp='False'", false);
        popUp("popUp: false", "PopUp=false", true);
        popUp("popUp: 0", "PopUp=0", true);
        popUp("popUp: True", "PopUp=True", true);
        popUp("popUp: empty", "PopUp=", true);
        method("method: Little", "Method=Little", ChangeMethod::Little);
        method("method: Big", "Method=Big", ChangeMethod::Big);
        method("method: Random", "Method=Random", ChangeMethod::Random);
        method("method: big", "Method=big", ChangeMethod::Random);
        method("method: LITTLE", "Method=LITTLE", ChangeMethod::Random);
        method("method: other", "Method=Sorted", ChangeMethod::Random);
        folder("folder: with backslash", "Shutdown_Path=C:\\Logos\\", "C:\\Logos\\");
        folder("folder: no backslash added", "Shutdown_Path=C:\\Logos", "C:\\Logos");
        folder("folder: Big5", "Shutdown_Path=C:\\\xB6\x7D\xBE\xF7\xB9\xCF\xA4\xF9\\",
               QStringLiteral("C:\\開機圖片\\"));
        folder("folder: up to the first zero byte", B("Shutdown_Path=C:\\A\0B\\", 21), "C:\\A");
        folder("folder: cut at 1023 bytes", "Shutdown_Path=C:\\" + B(1500, 'x'),
               "C:\\" + QString(1020, u'x'));
        // 1022 bytes and a double-byte character: the character does not fit and is left out.
        folder("folder: cut before a double-byte character",
               "Shutdown_Path=C:\\" + B(1019, 'x') + "\xB6\x7D\\", "C:\\" + QString(1019, u'x'));
    }

    void readsOneKey()
    {
        QFETCH(B, line);
        QFETCH(LogoSettings, expected);
        QVERIFY(machine->writeFile(Ini, "[SplashwheelSet]\r\n" + line + "\r\n"));
        const LogoSettings settings = file->read();
        for (int i = 0; i < SlotCount; ++i) {
            QCOMPARE(settings.folders[size_t(i)], expected.folders[size_t(i)]);
            QCOMPARE(settings.changeAtBoot[size_t(i)], expected.changeAtBoot[size_t(i)]);
        }
        QCOMPARE(settings.popUp, expected.popUp);
        QCOMPARE(settings.method, expected.method);
    }

    void defaultsWithoutFile()
    {
        QCOMPARE(file->path(), Ini);
        const LogoSettings settings = file->read();
        for (int i = 0; i < SlotCount; ++i) {
            QCOMPARE(settings.folders[size_t(i)], QString());
            QVERIFY(!settings.changeAtBoot[size_t(i)]);
        }
        QVERIFY(settings.popUp);
        QCOMPARE(settings.method, ChangeMethod::Random);
        QVERIFY(!machine->exists(Ini));
    }

    void readingIsSplit()
    {
        QVERIFY(machine->writeFile(Ini, "[SplashwheelSet]\r\nStart_Path=C:\\A\\\r\n"
                                        "Start_Checked=True\r\nPopUp=False\r\nMethod=Little\r\n"));
        LogoSettings settings;
        settings.folders[0] = QStringLiteral("kept");
        file->readOptions(settings);
        QCOMPARE(settings.folders[0], QStringLiteral("kept"));
        QVERIFY(settings.changeAtBoot[0]);
        QVERIFY(!settings.popUp);
        QCOMPARE(settings.method, ChangeMethod::Little);
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
        const LogoSettings settings = file->read();
        QCOMPARE(settings.folders[0], QStringLiteral("C:\\開機圖片\\"));
        QVERIFY(settings.changeAtBoot[0]);
        QVERIFY(!settings.changeAtBoot[1]);
        QVERIFY(!settings.popUp);
        QCOMPARE(settings.method, ChangeMethod::Big);
    }
};

QTEST_MAIN(TestLogoSettings)
#include "tst_logosettings.moc"

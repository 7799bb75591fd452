#include "core/LogoSettings.h"
#include "platform/PrivateProfile.h"
#include "support/TempPrefix.h"

#include <QTest>

using namespace bg;
using bg::test::TempPrefix;

namespace {

const QString WindowsFolder = QStringLiteral("C:\\WINDOWS\\");
const QString Ini = QStringLiteral("C:\\WINDOWS\\SW.ini");

} // namespace

class TestLogoSettings : public QObject
{
    Q_OBJECT

private slots:
    void defaultsWithoutFile();
    void checked_data();
    void checked();
    void popUp_data();
    void popUp();
    void method_data();
    void method();
    void folders_data();
    void folders();
    void readingIsSplit();
    void writeFromScratch();
};

void TestLogoSettings::defaultsWithoutFile()
{
    TempPrefix machine;
    QVERIFY(machine.isValid());
    PrivateProfile profile(machine.files());
    const SettingsFile file(profile, WindowsFolder);

    QCOMPARE(file.path(), Ini);
    const LogoSettings settings = file.read();
    for (int i = 0; i < SlotCount; ++i) {
        QCOMPARE(settings.folders[size_t(i)], QString());
        QVERIFY(!settings.changeAtBoot[size_t(i)]);
    }
    QVERIFY(settings.popUp);
    QCOMPARE(settings.method, ChangeMethod::Random);
    QVERIFY(!machine.exists(Ini));
}

void TestLogoSettings::checked_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<bool>("on");

    QTest::newRow("True") << QByteArray("Wait_Checked=True") << true;
    QTest::newRow("blanks and quotes go first") << QByteArray("wait_checked = \"True\" ") << true;
    QTest::newRow("true") << QByteArray("Wait_Checked=true") << false;
    QTest::newRow("TRUE") << QByteArray("Wait_Checked=TRUE") << false;
    QTest::newRow("1") << QByteArray("Wait_Checked=1") << false;
    QTest::newRow("zero byte after True") << QByteArray("Wait_Checked=True\0x", 19) << false;
    QTest::newRow("empty") << QByteArray("Wait_Checked=") << false;
}

void TestLogoSettings::checked()
{
    QFETCH(QByteArray, line);
    QFETCH(bool, on);

    TempPrefix machine;
    QVERIFY(machine.isValid());
    QVERIFY(machine.writeFile(Ini, "[SplashwheelSet]\r\nStart_Checked=True\r\n" + line + "\r\n"));
    PrivateProfile profile(machine.files());
    LogoSettings settings;
    SettingsFile(profile, WindowsFolder).readOptions(settings);
    QVERIFY(settings.changeAtBoot[0]);
    QCOMPARE(settings.changeAtBoot[1], on);
    QVERIFY(!settings.changeAtBoot[2]);
}

void TestLogoSettings::popUp_data()
{
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<bool>("on");

    QTest::newRow("False") << QByteArray("False") << false;
    QTest::newRow("quoted False") << QByteArray("'False'") << false;
    QTest::newRow("false") << QByteArray("false") << true;
    QTest::newRow("0") << QByteArray("0") << true;
    QTest::newRow("True") << QByteArray("True") << true;
    QTest::newRow("empty") << QByteArray() << true;
}

void TestLogoSettings::popUp()
{
    QFETCH(QByteArray, value);
    QFETCH(bool, on);

    TempPrefix machine;
    QVERIFY(machine.isValid());
    QVERIFY(machine.writeFile(Ini, "[SplashwheelSet]\nPopUp=" + value + "\n"));
    PrivateProfile profile(machine.files());
    QCOMPARE(SettingsFile(profile, WindowsFolder).read().popUp, on);
}

void TestLogoSettings::method_data()
{
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<ChangeMethod>("method");

    QTest::newRow("Little") << QByteArray("Little") << ChangeMethod::Little;
    QTest::newRow("Big") << QByteArray("Big") << ChangeMethod::Big;
    QTest::newRow("Random") << QByteArray("Random") << ChangeMethod::Random;
    QTest::newRow("big") << QByteArray("big") << ChangeMethod::Random;
    QTest::newRow("LITTLE") << QByteArray("LITTLE") << ChangeMethod::Random;
    QTest::newRow("other") << QByteArray("Sorted") << ChangeMethod::Random;
}

void TestLogoSettings::method()
{
    QFETCH(QByteArray, value);
    QFETCH(ChangeMethod, method);

    TempPrefix machine;
    QVERIFY(machine.isValid());
    QVERIFY(machine.writeFile(Ini, "[SplashwheelSet]\r\nMethod=" + value + "\r\n"));
    PrivateProfile profile(machine.files());
    QCOMPARE(SettingsFile(profile, WindowsFolder).read().method, method);
}

void TestLogoSettings::folders_data()
{
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<QString>("folder");

    QTest::newRow("with backslash") << QByteArray("C:\\Logos\\") << QStringLiteral("C:\\Logos\\");
    QTest::newRow("no backslash added") << QByteArray("C:\\Logos") << QStringLiteral("C:\\Logos");
    QTest::newRow("Big5") << QByteArray("C:\\\xB6\x7D\xBE\xF7\xB9\xCF\xA4\xF9\\")
                          << QStringLiteral("C:\\開機圖片\\");
    QTest::newRow("up to the first zero byte") << QByteArray("C:\\A\0B\\", 7)
                                               << QStringLiteral("C:\\A");
    QTest::newRow("cut at 1023 bytes") << "C:\\" + QByteArray(1500, 'x')
                                       << "C:\\" + QString(1020, u'x');
    // 1022 bytes and a double-byte character: the character does not fit and is left out whole.
    QTest::newRow("cut before a double-byte character")
        << "C:\\" + QByteArray(1019, 'x') + "\xB6\x7D\\" << "C:\\" + QString(1019, u'x');
}

void TestLogoSettings::folders()
{
    QFETCH(QByteArray, value);
    QFETCH(QString, folder);

    TempPrefix machine;
    QVERIFY(machine.isValid());
    QVERIFY(machine.writeFile(Ini, "[SplashwheelSet]\r\nShutdown_Path=" + value + "\r\n"));
    PrivateProfile profile(machine.files());
    const auto folders = SettingsFile(profile, WindowsFolder).readFolders();
    QCOMPARE(folders[0], QString());
    QCOMPARE(folders[1], QString());
    QCOMPARE(folders[2], folder);
}

void TestLogoSettings::readingIsSplit()
{
    TempPrefix machine;
    QVERIFY(machine.isValid());
    QVERIFY(machine.writeFile(Ini, "[SplashwheelSet]\r\nStart_Path=C:\\A\\\r\nStart_Checked=True\r\n"
                                   "PopUp=False\r\nMethod=Little\r\n"));
    PrivateProfile profile(machine.files());
    const SettingsFile file(profile, WindowsFolder);

    LogoSettings settings;
    settings.folders[0] = QStringLiteral("kept");
    file.readOptions(settings);
    QCOMPARE(settings.folders[0], QStringLiteral("kept"));
    QVERIFY(settings.changeAtBoot[0]);
    QVERIFY(!settings.popUp);
    QCOMPARE(settings.method, ChangeMethod::Little);
    QCOMPARE(file.readFolders()[0], QStringLiteral("C:\\A\\"));
}

// The keys stand in the order they were written, in the layout Windows writes.
void TestLogoSettings::writeFromScratch()
{
    TempPrefix machine;
    QVERIFY(machine.isValid());
    PrivateProfile profile(machine.files());
    SettingsFile file(profile, WindowsFolder);

    QVERIFY(file.write(QStringLiteral("Start_Path"), QStringLiteral("C:\\開機圖片\\")));
    QVERIFY(file.write(QStringLiteral("Start_Checked"), SettingsFile::flagWord(true)));
    QVERIFY(file.write(QStringLiteral("Wait_Checked"), SettingsFile::flagWord(false)));
    QVERIFY(file.write(QStringLiteral("PopUp"), SettingsFile::flagWord(false)));
    QVERIFY(file.write(QStringLiteral("Method"), methodWord(ChangeMethod::Big)));
    QVERIFY(!file.write(QStringLiteral("Shutdown_Path"), QStringLiteral("C:\\\U0001F600\\")));
    QCOMPARE(machine.readFile(Ini),
             QByteArray("[SplashwheelSet]\r\nStart_Path=C:\\\xB6\x7D\xBE\xF7\xB9\xCF\xA4\xF9\\\r\n"
                        "Start_Checked=True\r\nWait_Checked=False\r\nPopUp=False\r\n"
                        "Method=Big\r\n"));

    const LogoSettings settings = file.read();
    QCOMPARE(settings.folders[0], QStringLiteral("C:\\開機圖片\\"));
    QVERIFY(settings.changeAtBoot[0]);
    QVERIFY(!settings.changeAtBoot[1]);
    QVERIFY(!settings.popUp);
    QCOMPARE(settings.method, ChangeMethod::Big);
}

QTEST_MAIN(TestLogoSettings)
#include "tst_logosettings.moc"

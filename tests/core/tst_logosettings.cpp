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

struct Machine
{
    TempPrefix tmp;
    PrivateProfile profile{tmp.files()};
    SettingsFile file{profile, QStringLiteral("C:\\WINDOWS\\")};
};

} // namespace

class TestLogoSettings : public QObject
{
    Q_OBJECT

    std::unique_ptr<Machine> m;

private slots:
    void init() { m = std::make_unique<Machine>(); QVERIFY(m->tmp.isValid()); }

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
            QVERIFY(m->tmp.writeFile(Ini, "[SplashwheelSet]\r\n" + line + "\r\n"));
        LogoSettings expected;
        change(expected);
        QCOMPARE(describe(m->file.read()), describe(expected));
        QCOMPARE(m->tmp.exists(Ini), !line.isNull());
    }

    // A folder is written in code page 950, in the layout Windows writes; one the code page cannot
    // hold is not written.
    void writeFolder()
    {
        QCOMPARE(m->file.write("Start_Path", "C:\\開機圖片\\"), SettingsWrite::Written);
        QCOMPARE(m->file.write("Shutdown_Path", "C:\\\U0001F600\\"), SettingsWrite::NotEncodable);
        QCOMPARE(m->tmp.readFile(Ini), B("[SplashwheelSet]\r\nStart_Path=C:\\\xB6\x7D\xBE\xF7\xB9\xCF\xA4\xF9\\\r\n"));
        QCOMPARE(m->file.read().folders[0], QStringLiteral("C:\\開機圖片\\"));
    }
};

QTEST_MAIN(TestLogoSettings)
#include "tst_logosettings.moc"

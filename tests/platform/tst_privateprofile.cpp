#include "platform/PrivateProfile.h"
#include "platform/RuntimeError.h"
#include "support/TempPrefix.h"

#include <QFileInfo>
#include <QTest>

#include <memory>
#include <tuple>

using namespace bg;
using bg::test::TempPrefix;
using B = QByteArray;

namespace {

const QString Ini = QStringLiteral("C:\\WINDOWS\\SW.ini");
const QString Section = QStringLiteral("SplashwheelSet");
// "開機圖片" in code page 950; 0x7D ('}') is the trail byte of 開.
const B OpenPicturesBig5("\xB6\x7D\xBE\xF7\xB9\xCF\xA4\xF9");
// "許功蓋": every trail byte is a backslash.
const B BackslashTrailsBig5("\xB3\x5C\xA5\x5C\xBB\x5C");

// A look-up in a profile held in memory: found, and with what value.
struct Lookup
{
    B file, section, key;
    bool found = false;
    B value = {};
};

} // namespace

class TestPrivateProfile : public QObject
{
    Q_OBJECT

    std::unique_ptr<TempPrefix> machine;
    std::unique_ptr<PrivateProfile> profile;

    QByteArray get(const QString &key, const QString &dflt = QStringLiteral("d"), int size = 1024)
    {
        return profile->getString(Section, key, dflt, size, Ini);
    }

private slots:
    void init()
    {
        machine = std::make_unique<TempPrefix>();
        QVERIFY(machine->isValid());
        profile = std::make_unique<PrivateProfile>(machine->files());
    }
    void cleanup() { profile.reset(), machine.reset(); }

    void value_data()
    {
        QTest::addColumn<Lookup>("lookup");
        const auto row = [](const char *name, const Lookup &l) { QTest::newRow(name) << l; };
        const B basic("[SplashwheelSet]\r\nStart_Path=C:\\Logos\\\r\nPopUp=False\r\n");
        row("names ignore case", {basic, "SPLASHWHEELSET", "start_path", true, "C:\\Logos\\"});
        row("key of another section", {"[a]\r\nk=1\r\n[b]\r\nx=2\r\n", "b", "k"});
        row("blanks trimmed", {" \t[ s \t]  \r\n \t k \t=\t v w \t\r\n", "s", "k", true, "v w"});
        row("caller's blanks trimmed", {"[s]\r\nk=v\r\n", " s ", "\tk ", true, "v"});
        row("text after bracket ignored", {"[s] ; note\r\nk=v\r\n", "s", "k", true, "v"});
        row("double quotes", {"[s]\r\nk= \"C:\\A B\\\" \r\n", "s", "k", true, "C:\\A B\\"});
        row("mismatched quotes kept", {"[s]\r\nk=\"x'\r\n", "s", "k", true, "\"x'"});
        row("equals in value", {"[s]\r\nk=a=b\r\n", "s", "k", true, "a=b"});
        row("first duplicate key wins", {"[s]\r\nk=1\r\nK=2\r\n", "s", "k", true, "1"});
        row("first duplicate section wins", {"[s]\r\nk=1\r\n[S]\r\nk=2\r\nj=3\r\n", "s", "j"});
        row("comment is not a key", {"[s]\r\n;k=1\r\n  ;k=2\r\n", "s", ";k"});
        row("line without equals", {"[s]\r\nk\r\nk=2\r\n", "s", "k", true, "2"});
        row("keys before any section", {"k=1\r\n[s]\r\n", "s", "k"});
        row("CR, LF and both", {"[s]\r\n\r\rk=1\nj=2", "s", "j", true, "2"});
        row("zero bytes", {B("[s]\r\nk=a\0b\r\n", 12), "s", "k", true, B("a\0b", 3)});
        row("double-byte names", {"[" + OpenPicturesBig5 + "]\r\n" + BackslashTrailsBig5 + "=1\r\n",
                                  OpenPicturesBig5, BackslashTrailsBig5, true, "1"});
        // 0xA4 0x61 and 0xA4 0x41 are different characters: trail bytes are not case-folded.
        row("trail byte not folded", {"[s]\r\n\xA4\x61=1\r\n", "s", "\xA4\x41"});
        // 0xA5 0x5D ends in ']' but is one character of the section name.
        row("bracket as trail byte", {"[\xA5\x5D]\r\nk=1\r\n", "\xA5\x5D", "k", true, "1"});
    }

    void value()
    {
        QFETCH(Lookup, lookup);
        B out;
        QCOMPARE(ProfileText(lookup.file).value(lookup.section, lookup.key, out), lookup.found);
        QCOMPARE(out, lookup.value);
    }

    // Every row writes the value "v" to section "s".
    void setValue_data()
    {
        QTest::addColumn<B>("before");
        QTest::addColumn<B>("key");
        QTest::addColumn<B>("after");
        const auto row = [](const char *name, B before, B key, B after) {
            QTest::newRow(name) << before << key << after;
        };
        row("new file", "", "k", "[s]\r\nk=v\r\n");
        row("replace keeps LF", "[s]\nk=old\nj=1\n", "k", "[s]\nk=v\nj=1\n");
        row("replace keeps the file's spelling", "[S]\r\n  Key = \"old\" \r\n", "KEY",
            "[S]\r\nKey=v\r\n");
        row("first duplicate replaced", "[s]\r\nk=1\r\nk=2\r\n[s]\r\nk=3\r\n", "k",
            "[s]\r\nk=v\r\nk=2\r\n[s]\r\nk=3\r\n");
        row("new key at its section's end", "[s]\r\na=1\r\n; note\r\n\r\n\r\n[t]\r\nk=x\r\n", "k",
            "[s]\r\na=1\r\n; note\r\nk=v\r\n\r\n\r\n[t]\r\nk=x\r\n");
        row("new key after a bare header", "[s]\n[t]\n", "k", "[s]\nk=v\r\n[t]\n");
        row("new key into the first duplicate", "[s]\r\na=1\r\n[s]\r\nk=2\r\n", "k",
            "[s]\r\na=1\r\nk=v\r\n[s]\r\nk=2\r\n");
        row("new key after a line without break", "[s]\r\na=1", "k", "[s]\r\na=1\r\nk=v\r\n");
        row("new section at the end", "[t]\r\nk=1\r\n\r\n", "k",
            "[t]\r\nk=1\r\n\r\n[s]\r\nk=v\r\n");
    }

    void setValue()
    {
        QFETCH(B, before);
        QFETCH(B, key);
        QFETCH(B, after);
        ProfileText text(before);
        text.setValue("s", key, "v");
        QCOMPARE(text.bytes(), after);
        B out;
        QVERIFY(text.value("s", key, out));
        QCOMPARE(out, B("v"));
    }

    void missingGivesDefault()
    {
        QCOMPARE(get("PopUp", "dflt"), B("dflt"));
        QCOMPARE(profile->getString(Section, "PopUp", "x", 1024, "Q:\\SW.ini"), B("x"));
        QVERIFY(machine->writeFile(Ini, "[SplashwheelSet]\r\nMethod=Big\r\n[Other]\nPopUp=1\n"));
        QCOMPARE(get("PopUp"), B("d"));
        // Windows drops the default's trailing blanks and cuts it like a value.
        QCOMPARE(get("PopUp", " d \t "), B(" d"));
        QCOMPARE(get("PopUp", "abcdef", 4), B("abc"));
        QCOMPARE(profile->getText(Section, "PopUp", "開機", 1024, Ini), QStringLiteral("開機"));
    }

    // A value is cut to the buffer, never inside a double-byte character.
    void valueCut()
    {
        const std::tuple<B, int, B> cases[] = {
            {B(2000, 'A'), 1024, B(1023, 'A')},
            {B(1022, 'A') + "\xB6\x7D", 1024, B(1022, 'A')},
            {BackslashTrailsBig5, 6, BackslashTrailsBig5.first(4)}};
        for (const auto &[value, size, expected] : cases) {
            QVERIFY(machine->writeFile(Ini, "[SplashwheelSet]\r\nStart_Path=" + value + "\r\n"));
            QCOMPARE(get("Start_Path", QString(), size), expected);
        }
    }

    void writeKeepsWhatItDoesNotOwn()
    {
        QVERIFY(machine->writeFile(Ini, "; settings\r\n[Other]\nPopUp=keep\n\n"
                                        "[splashwheelset]\r\n  Start_Path = \"C:\\A\\\" \r\n"
                                        "Extra=\xA4\xA4\r\n;PopUp=False\r\n\r\n[Last]\rx=1"));
        QVERIFY(profile->writeString(Section, "START_PATH", "C:\\B\\", Ini));
        QVERIFY(profile->writeString(Section, "PopUp", "True", Ini));
        QVERIFY(profile->writeString("New", "Method", "Big", Ini));
        QCOMPARE(machine->readFile(Ini),
                 B("; settings\r\n[Other]\nPopUp=keep\n\n[splashwheelset]\r\nStart_Path=C:\\B\\\r\n"
                   "Extra=\xA4\xA4\r\n;PopUp=False\r\nPopUp=True\r\n\r\n[Last]\rx=1\r\n"
                   "[New]\r\nMethod=Big\r\n"));
    }

    // Text the file cannot hold is refused and nothing is written; the rest reads back as written.
    void writeString_data()
    {
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("ok");
        const auto row = [](const char *name, QString section, QString key, QString value,
                            bool ok) { QTest::newRow(name) << section << key << value << ok; };
        row("double-byte", "開機圖片", "許功蓋", cp950::decode("\xA5\x5D"), true);
        row("outside the code page", Section, "Start_Path", QStringLiteral("C:\\Café\\"), false);
        row("section outside the code page", QStringLiteral("开"), "PopUp", "x", false);
        row("line break in value", Section, "Start_Path", "C:\\A\r\n[X]\r\ny=1", false);
        row("zero byte", "s", "k", QStringView(u"a\0b", 3).toString(), false);
        row("empty key", "s", " ", "v", false);
        row("bracket in section", "a]b", "k", "v", false);
    }

    void writeString()
    {
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(bool, ok);
        if (!ok) {
            QVERIFY(!profile->writeString(section, key, value, Ini));
            QVERIFY(!machine->exists(Ini));
        }
        const B before("[SplashwheelSet]\r\nStart_Path=C:\\A\\\r\n");
        QVERIFY(machine->writeFile(Ini, before));
        QCOMPARE(profile->writeString(section, key, value, Ini), ok);
        if (ok)
            QCOMPARE(profile->getText(section, key, "d", 1024, Ini), value);
        else
            QCOMPARE(machine->readFile(Ini), before);
    }

    // A file larger than a profile can be reads as defaults and is never replaced.
    void oversizedFileKept()
    {
        QVERIFY(machine->writeFileOfSize(Ini, PrivateProfile::MaxFileSize + 1));
        QCOMPARE(get("PopUp"), B("d"));
        QVERIFY(!profile->writeString(Section, "PopUp", "True", Ini));
        QCOMPARE(QFileInfo(machine->host(Ini)).size(), PrivateProfile::MaxFileSize + 1);
    }

    void damagedFileKept_data()
    {
        QTest::addColumn<B>("file");
        QTest::newRow("one 2 MB line") << B(2 * 1024 * 1024, 'x');
        QTest::newRow("unclosed bracket") << B("[SplashwheelSet\r\nPopUp=False\r\n");
    }

    // Whatever the file holds, it reads as defaults, and a write only adds its own lines.
    void damagedFileKept()
    {
        QFETCH(B, file);
        QVERIFY(machine->writeFile(Ini, file));
        QCOMPARE(get("PopUp"), B("d"));
        QVERIFY(profile->writeString(Section, "PopUp", "True", Ini));
        const B after = machine->readFile(Ini);
        QVERIFY(after.startsWith(file));
        const B added = after.sliced(file.size());
        QVERIFY2(added == "\r\n[SplashwheelSet]\r\nPopUp=True\r\n"
                     || added == "[SplashwheelSet]\r\nPopUp=True\r\n",
                 added.constData());
        QCOMPARE(get("PopUp"), B("True"));
    }

};

QTEST_MAIN(TestPrivateProfile)
#include "tst_privateprofile.moc"

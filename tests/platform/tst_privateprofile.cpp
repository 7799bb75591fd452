#include "platform/PrivateProfile.h"
#include "platform/RuntimeError.h"
#include "support/FaultInjectingFileService.h"
#include "support/TempPrefix.h"

#include <QFileInfo>
#include <QRandomGenerator>
#include <QTest>

using namespace bg;
using bg::test::TempPrefix;

namespace {

const QString Ini = QStringLiteral("C:\\WINDOWS\\SW.ini");
const QString Section = QStringLiteral("SplashwheelSet");

// "開機圖片" in code page 950; 0x7D ('}') is the trail byte of 開.
const QByteArray OpenPicturesBig5("\xB6\x7D\xBE\xF7\xB9\xCF\xA4\xF9");
// "許功蓋": every trail byte is a backslash.
const QByteArray BackslashTrailsBig5("\xB3\x5C\xA5\x5C\xBB\x5C");

QByteArray randomBytes(qsizetype size, quint32 seed)
{
    QRandomGenerator generator(seed);
    QByteArray bytes(size, Qt::Uninitialized);
    for (char &c : bytes)
        c = char(generator.bounded(256));
    return bytes;
}

} // namespace

class TestPrivateProfile : public QObject
{
    Q_OBJECT

private slots:
    void decode_data();
    void decode();
    void encode_data();
    void encode();

    void value_data();
    void value();
    void setValue_data();
    void setValue();
    void canHold_data();
    void canHold();

    void missingGivesDefault();
    void valueCut_data();
    void valueCut();
    void chineseFolderRoundTrip();
    void writeKeepsWhatItDoesNotOwn();
    void unencodableValueRefused_data();
    void unencodableValueRefused();
    void unreadableFileKept_data();
    void unreadableFileKept();
    void damagedFileKept_data();
    void damagedFileKept();
    void failedWriteReported();
};

// ---------------------------------------------------------------------------------------------

void TestPrivateProfile::decode_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");

    QTest::newRow("ascii") << QByteArray("C:\\Logos\\") << QStringLiteral("C:\\Logos\\");
    QTest::newRow("folder") << QByteArray("C:\\" + OpenPicturesBig5 + "\\")
                            << QStringLiteral("C:\\開機圖片\\");
    QTest::newRow("backslash trail bytes") << BackslashTrailsBig5 << QStringLiteral("許功蓋");
    QTest::newRow("zero byte kept") << QByteArray("a\0b", 3)
                                    << QStringView(u"a\0b", 3).toString();
    QTest::newRow("invalid byte") << QByteArray("a\xFF" "b") << QStringLiteral("a\uFFFDb");
    QTest::newRow("lead byte at the end") << QByteArray("a\xA4") << QStringLiteral("a\uFFFD");
    QTest::newRow("lead byte before ascii")
        << QByteArray("\xA4" "0\xB6\x7D") << QStringLiteral("\uFFFD" "0開");
}

void TestPrivateProfile::decode()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(cp950::decode(bytes), text);
}

void TestPrivateProfile::encode_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("empty") << QString() << true << QByteArray();
    QTest::newRow("ascii") << QStringLiteral("Random") << true << QByteArray("Random");
    QTest::newRow("folder") << QStringLiteral("C:\\開機圖片\\") << true
                            << QByteArray("C:\\" + OpenPicturesBig5 + "\\");
    QTest::newRow("backslash trail bytes") << QStringLiteral("許功蓋") << true << BackslashTrailsBig5;
    QTest::newRow("emoji") << QStringLiteral("C:\\\U0001F600\\") << false << QByteArray();
    QTest::newRow("latin letter outside the code page") << QStringLiteral("Café") << false
                                                        << QByteArray();
    QTest::newRow("simplified only") << QStringLiteral("开机") << false << QByteArray();
    QTest::newRow("lone surrogate") << QString(QChar(0xD800)) << false << QByteArray();
}

void TestPrivateProfile::encode()
{
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QFETCH(QByteArray, bytes);

    QByteArray out("untouched");
    QCOMPARE(cp950::encode(text, out), ok);
    if (ok) {
        QCOMPARE(out, bytes);
        QCOMPARE(cp950::decode(out), text);
    } else {
        QCOMPARE(out, QByteArray("untouched"));
    }
}

// ---------------------------------------------------------------------------------------------

void TestPrivateProfile::value_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QByteArray>("section");
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<bool>("found");
    QTest::addColumn<QByteArray>("value");

    const QByteArray basic("[SplashwheelSet]\r\nStart_Path=C:\\Logos\\\r\nPopUp=False\r\n");
    QTest::newRow("plain") << basic << QByteArray("SplashwheelSet") << QByteArray("PopUp") << true
                           << QByteArray("False");
    QTest::newRow("names ignore case") << basic << QByteArray("SPLASHWHEELSET")
                                       << QByteArray("start_path") << true
                                       << QByteArray("C:\\Logos\\");
    QTest::newRow("value keeps its case") << QByteArray("[s]\nk=tRuE\n") << QByteArray("S")
                                          << QByteArray("K") << true << QByteArray("tRuE");
    QTest::newRow("missing section") << basic << QByteArray("Other") << QByteArray("PopUp")
                                     << false << QByteArray();
    QTest::newRow("missing key") << basic << QByteArray("SplashwheelSet") << QByteArray("Method")
                                 << false << QByteArray();
    QTest::newRow("empty file") << QByteArray() << QByteArray("s") << QByteArray("k") << false
                                << QByteArray();
    QTest::newRow("key of another section")
        << QByteArray("[a]\r\nk=1\r\n[b]\r\nx=2\r\n") << QByteArray("b") << QByteArray("k")
        << false << QByteArray();
    QTest::newRow("blanks trimmed") << QByteArray(" \t[ s \t]  \r\n \t k \t=\t v w \t\r\n")
                                    << QByteArray("s") << QByteArray("k") << true
                                    << QByteArray("v w");
    QTest::newRow("caller's blanks trimmed") << QByteArray("[s]\r\nk=v\r\n") << QByteArray(" s ")
                                             << QByteArray("\tk ") << true << QByteArray("v");
    QTest::newRow("text after bracket ignored") << QByteArray("[s] ; note\r\nk=v\r\n")
                                                << QByteArray("s") << QByteArray("k") << true
                                                << QByteArray("v");
    QTest::newRow("double quotes") << QByteArray("[s]\r\nk= \"C:\\A B\\\" \r\n")
                                   << QByteArray("s") << QByteArray("k") << true
                                   << QByteArray("C:\\A B\\");
    QTest::newRow("single quotes") << QByteArray("[s]\r\nk='x'\r\n") << QByteArray("s")
                                   << QByteArray("k") << true << QByteArray("x");
    QTest::newRow("mismatched quotes kept") << QByteArray("[s]\r\nk=\"x'\r\n") << QByteArray("s")
                                            << QByteArray("k") << true << QByteArray("\"x'");
    QTest::newRow("lone quote kept") << QByteArray("[s]\r\nk=\"\r\n") << QByteArray("s")
                                     << QByteArray("k") << true << QByteArray("\"");
    QTest::newRow("empty value") << QByteArray("[s]\r\nk=\r\n") << QByteArray("s")
                                 << QByteArray("k") << true << QByteArray();
    QTest::newRow("equals in value") << QByteArray("[s]\r\nk=a=b\r\n") << QByteArray("s")
                                     << QByteArray("k") << true << QByteArray("a=b");
    QTest::newRow("first duplicate key wins") << QByteArray("[s]\r\nk=1\r\nK=2\r\n")
                                              << QByteArray("s") << QByteArray("k") << true
                                              << QByteArray("1");
    QTest::newRow("first duplicate section wins")
        << QByteArray("[s]\r\nk=1\r\n[S]\r\nk=2\r\nj=3\r\n") << QByteArray("s")
        << QByteArray("j") << false << QByteArray();
    QTest::newRow("comment is not a key") << QByteArray("[s]\r\n;k=1\r\n  ;k=2\r\n")
                                          << QByteArray("s") << QByteArray(";k") << false
                                          << QByteArray();
    QTest::newRow("line without equals") << QByteArray("[s]\r\nk\r\nk=2\r\n") << QByteArray("s")
                                         << QByteArray("k") << true << QByteArray("2");
    QTest::newRow("keys before any section") << QByteArray("k=1\r\n[s]\r\n") << QByteArray("s")
                                             << QByteArray("k") << false << QByteArray();
    QTest::newRow("LF") << QByteArray("[s]\nk=1\nj=2") << QByteArray("s") << QByteArray("j")
                        << true << QByteArray("2");
    QTest::newRow("CR") << QByteArray("[s]\rk=1\rj=2\r") << QByteArray("s") << QByteArray("j")
                        << true << QByteArray("2");
    QTest::newRow("mixed") << QByteArray("[s]\r\n\r\rk=1\n") << QByteArray("s")
                           << QByteArray("k") << true << QByteArray("1");
    QTest::newRow("zero bytes") << QByteArray("[s]\r\nk=a\0b\r\n", 12) << QByteArray("s")
                                << QByteArray("k") << true << QByteArray("a\0b", 3);
    QTest::newRow("double-byte names") << QByteArray("[" + OpenPicturesBig5 + "]\r\n"
                                                     + BackslashTrailsBig5 + "=1\r\n")
                                       << OpenPicturesBig5 << BackslashTrailsBig5 << true
                                       << QByteArray("1");
    // 0xA4 0x61 and 0xA4 0x41 are different characters: no case folding of trail bytes.
    QTest::newRow("trail byte not folded") << QByteArray("[s]\r\n\xA4\x61=1\r\n")
                                           << QByteArray("s") << QByteArray("\xA4\x41") << false
                                           << QByteArray();
    // 0xA5 0x5D ends in ']' but is one character of the section name.
    QTest::newRow("bracket as trail byte") << QByteArray("[\xA5\x5D]\r\nk=1\r\n")
                                           << QByteArray("\xA5\x5D") << QByteArray("k") << true
                                           << QByteArray("1");
}

void TestPrivateProfile::value()
{
    QFETCH(QByteArray, file);
    QFETCH(QByteArray, section);
    QFETCH(QByteArray, key);
    QFETCH(bool, found);
    QFETCH(QByteArray, value);

    QByteArray out;
    QCOMPARE(ProfileText(file).value(section, key, out), found);
    QCOMPARE(out, value);
}

void TestPrivateProfile::setValue_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<QByteArray>("after");

    // Every row writes to section "s".
    QTest::newRow("new file") << QByteArray() << QByteArray("k") << QByteArray("v")
                              << QByteArray("[s]\r\nk=v\r\n");
    QTest::newRow("replace keeps CR LF")
        << QByteArray("[s]\r\nk=old\r\nj=1\r\n") << QByteArray("k") << QByteArray("new")
        << QByteArray("[s]\r\nk=new\r\nj=1\r\n");
    QTest::newRow("replace keeps LF") << QByteArray("[s]\nk=old\nj=1\n") << QByteArray("k")
                                      << QByteArray("new") << QByteArray("[s]\nk=new\nj=1\n");
    QTest::newRow("replace keeps CR") << QByteArray("[s]\rk=old\r") << QByteArray("k")
                                      << QByteArray("new") << QByteArray("[s]\rk=new\r");
    QTest::newRow("replace last line without break")
        << QByteArray("[s]\r\nk=old") << QByteArray("k") << QByteArray("new")
        << QByteArray("[s]\r\nk=new");
    QTest::newRow("replace keeps the file's spelling")
        << QByteArray("[S]\r\n  Key = \"old\" \r\n") << QByteArray("KEY") << QByteArray("new")
        << QByteArray("[S]\r\nKey=new\r\n");
    QTest::newRow("first duplicate replaced")
        << QByteArray("[s]\r\nk=1\r\nk=2\r\n[s]\r\nk=3\r\n") << QByteArray("k")
        << QByteArray("9") << QByteArray("[s]\r\nk=9\r\nk=2\r\n[s]\r\nk=3\r\n");
    QTest::newRow("new key at the end of its section")
        << QByteArray("; top\r\n[s]\r\na=1\r\n; note\r\n\r\n\r\n[t]\r\nk=x\r\n")
        << QByteArray("k") << QByteArray("v")
        << QByteArray("; top\r\n[s]\r\na=1\r\n; note\r\nk=v\r\n\r\n\r\n[t]\r\nk=x\r\n");
    QTest::newRow("new key after a bare header") << QByteArray("[s]\n[t]\n") << QByteArray("k")
                                                 << QByteArray("v")
                                                 << QByteArray("[s]\nk=v\r\n[t]\n");
    QTest::newRow("new key into the first duplicate")
        << QByteArray("[s]\r\na=1\r\n[s]\r\nk=2\r\n") << QByteArray("k") << QByteArray("v")
        << QByteArray("[s]\r\na=1\r\nk=v\r\n[s]\r\nk=2\r\n");
    QTest::newRow("new key after a last line without break")
        << QByteArray("[s]\r\na=1") << QByteArray("k") << QByteArray("v")
        << QByteArray("[s]\r\na=1\r\nk=v\r\n");
    QTest::newRow("new section at the end")
        << QByteArray("[t]\r\nk=1\r\n\r\n") << QByteArray("k") << QByteArray("v")
        << QByteArray("[t]\r\nk=1\r\n\r\n[s]\r\nk=v\r\n");
    QTest::newRow("new section after a last line without break")
        << QByteArray("; only a comment") << QByteArray("k") << QByteArray("v")
        << QByteArray("; only a comment\r\n[s]\r\nk=v\r\n");
    QTest::newRow("keys before any section stay") << QByteArray("k=1\n") << QByteArray("k")
                                                  << QByteArray("v")
                                                  << QByteArray("k=1\n[s]\r\nk=v\r\n");
}

void TestPrivateProfile::setValue()
{
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, key);
    QFETCH(QByteArray, value);
    QFETCH(QByteArray, after);

    ProfileText text(before);
    text.setValue("s", key, value);
    QCOMPARE(text.bytes(), after);
    QByteArray out;
    QVERIFY(text.value("s", key, out));
    QCOMPARE(out, value);
}

void TestPrivateProfile::canHold_data()
{
    QTest::addColumn<QByteArray>("section");
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<bool>("ok");

    QTest::newRow("plain") << QByteArray("s") << QByteArray("k") << QByteArray("v") << true;
    QTest::newRow("double-byte") << OpenPicturesBig5 << BackslashTrailsBig5
                                 << QByteArray("\xA5\x5D") << true;
    QTest::newRow("bracket as trail byte") << QByteArray("\xA5\x5D") << QByteArray("k")
                                           << QByteArray("v") << true;
    QTest::newRow("line break in value") << QByteArray("s") << QByteArray("k")
                                         << QByteArray("a\r\n[x]") << false;
    QTest::newRow("CR in key") << QByteArray("s") << QByteArray("k\r") << QByteArray("v")
                               << false;
    QTest::newRow("zero byte") << QByteArray("s") << QByteArray("k") << QByteArray("a\0b", 3)
                               << false;
    QTest::newRow("empty key") << QByteArray("s") << QByteArray(" ") << QByteArray("v") << false;
    QTest::newRow("equals in key") << QByteArray("s") << QByteArray("a=b") << QByteArray("v")
                                   << false;
    QTest::newRow("comment key") << QByteArray("s") << QByteArray(";k") << QByteArray("v")
                                 << false;
    QTest::newRow("bracket in section") << QByteArray("a]b") << QByteArray("k")
                                        << QByteArray("v") << false;
    QTest::newRow("lead byte ending section") << QByteArray("a\xA5") << QByteArray("k")
                                              << QByteArray("v") << false;
}

void TestPrivateProfile::canHold()
{
    QFETCH(QByteArray, section);
    QFETCH(QByteArray, key);
    QFETCH(QByteArray, value);
    QFETCH(bool, ok);
    QCOMPARE(ProfileText::canHold(section, key, value), ok);
}

// ---------------------------------------------------------------------------------------------

void TestPrivateProfile::missingGivesDefault()
{
    TempPrefix machine;
    QVERIFY(machine.isValid());
    PrivateProfile profile(machine.files());

    QCOMPARE(profile.getString(Section, "PopUp", "dflt", 1024, Ini), QByteArray("dflt"));
    QCOMPARE(profile.getString(Section, "PopUp", QString(), 1024, Ini), QByteArray());
    QCOMPARE(profile.getString(Section, "PopUp", "x", 1024, "Q:\\SW.ini"), QByteArray("x"));

    QVERIFY(machine.writeFile(Ini, "[SplashwheelSet]\r\nMethod=Big\r\n[Other]\r\nPopUp=1\r\n"));
    QCOMPARE(profile.getString("Other", "Method", "d", 1024, Ini), QByteArray("d"));
    QCOMPARE(profile.getString(Section, "PopUp", "d", 1024, Ini), QByteArray("d"));
    QCOMPARE(profile.getString("splashwheelset", "METHOD", "d", 1024, Ini), QByteArray("Big"));
    // Windows drops the default's trailing blanks and cuts it like a value.
    QCOMPARE(profile.getString(Section, "PopUp", " d \t ", 1024, Ini), QByteArray(" d"));
    QCOMPARE(profile.getString(Section, "PopUp", "abcdef", 4, Ini), QByteArray("abc"));
    QCOMPARE(profile.getText(Section, "PopUp", "開機", 1024, Ini), QStringLiteral("開機"));
}

void TestPrivateProfile::valueCut_data()
{
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<int>("bufferSize");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("1023 of 2000") << QByteArray(2000, 'A') << 1024 << QByteArray(1023, 'A');
    QTest::newRow("exactly 1023") << QByteArray(1023, 'A') << 1024 << QByteArray(1023, 'A');
    QTest::newRow("cut inside a double-byte character")
        << QByteArray(1022, 'A') + "\xB6\x7D" << 1024 << QByteArray(1022, 'A');
    QTest::newRow("double-byte character just fits")
        << QByteArray(1021, 'A') + "\xB6\x7D" << 1024 << QByteArray(1021, 'A') + "\xB6\x7D";
    QTest::newRow("backslash trail bytes") << BackslashTrailsBig5 << 6
                                           << BackslashTrailsBig5.first(4);
    QTest::newRow("lone lead byte is one byte") << QByteArray("ab\xB6") << 3 << QByteArray("ab");
    QTest::newRow("buffer of one") << QByteArray("abc") << 1 << QByteArray();
    QTest::newRow("no buffer") << QByteArray("abc") << 0 << QByteArray();
}

void TestPrivateProfile::valueCut()
{
    QFETCH(QByteArray, value);
    QFETCH(int, bufferSize);
    QFETCH(QByteArray, expected);

    TempPrefix machine;
    QVERIFY(machine.isValid());
    QVERIFY(machine.writeFile(Ini, "[SplashwheelSet]\r\nStart_Path=" + value + "\r\n"));
    PrivateProfile profile(machine.files());
    QCOMPARE(profile.getString(Section, "Start_Path", QString(), bufferSize, Ini), expected);
}

void TestPrivateProfile::chineseFolderRoundTrip()
{
    TempPrefix machine;
    QVERIFY(machine.isValid());
    PrivateProfile profile(machine.files());

    QVERIFY(profile.writeString(Section, "Start_Path", "C:\\開機圖片\\", Ini));
    QVERIFY(profile.writeString(Section, "Wait_Path", "D:\\許功蓋\\", Ini));
    QVERIFY(profile.writeString(Section, "Start_Path", "C:\\開機圖片\\新\\", Ini));
    QCOMPARE(machine.readFile(Ini),
             "[SplashwheelSet]\r\nStart_Path=C:\\" + OpenPicturesBig5 + "\\\xB7\x73\\\r\n"
             "Wait_Path=D:\\" + BackslashTrailsBig5 + "\\\r\n");
    QCOMPARE(profile.getText(Section, "start_path", QString(), 1024, Ini),
             QStringLiteral("C:\\開機圖片\\新\\"));
    QCOMPARE(profile.getText(Section, "Wait_Path", QString(), 1024, Ini),
             QStringLiteral("D:\\許功蓋\\"));
}

void TestPrivateProfile::writeKeepsWhatItDoesNotOwn()
{
    TempPrefix machine;
    QVERIFY(machine.isValid());
    const QByteArray before("; settings\r\n[Other]\nPopUp=keep\n\n"
                            "[splashwheelset]\r\n  Start_Path = \"C:\\A\\\" \r\n"
                            "Extra=\xA4\xA4\r\n;PopUp=False\r\n\r\n[Last]\rx=1");
    QVERIFY(machine.writeFile(Ini, before));
    PrivateProfile profile(machine.files());

    QVERIFY(profile.writeString(Section, "START_PATH", "C:\\B\\", Ini));
    QVERIFY(profile.writeString(Section, "PopUp", "True", Ini));
    QVERIFY(profile.writeString("New", "Method", "Big", Ini));
    QCOMPARE(machine.readFile(Ini),
             QByteArray("; settings\r\n[Other]\nPopUp=keep\n\n"
                        "[splashwheelset]\r\nStart_Path=C:\\B\\\r\n"
                        "Extra=\xA4\xA4\r\n;PopUp=False\r\nPopUp=True\r\n\r\n[Last]\rx=1\r\n"
                        "[New]\r\nMethod=Big\r\n"));
    QCOMPARE(profile.getString("other", "popup", QString(), 1024, Ini), QByteArray("keep"));
}

void TestPrivateProfile::unencodableValueRefused_data()
{
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");

    QTest::newRow("emoji") << Section << "Start_Path" << QStringLiteral("C:\\\U0001F600\\");
    QTest::newRow("outside the code page") << Section << "Start_Path" << QStringLiteral("C:\\Café\\");
    QTest::newRow("key outside the code page") << Section << QStringLiteral("Clé") << "x";
    QTest::newRow("section outside the code page") << QStringLiteral("开") << "PopUp" << "x";
    QTest::newRow("line break") << Section << "Start_Path" << "C:\\A\r\n[X]\r\ny=1";
}

void TestPrivateProfile::unencodableValueRefused()
{
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, value);

    TempPrefix machine;
    QVERIFY(machine.isValid());
    PrivateProfile profile(machine.files());

    QVERIFY(!profile.writeString(section, key, value, Ini));
    QVERIFY(!machine.exists(Ini));

    const QByteArray before("[SplashwheelSet]\r\nStart_Path=C:\\A\\\r\n");
    QVERIFY(machine.writeFile(Ini, before));
    QVERIFY(!profile.writeString(section, key, value, Ini));
    QCOMPARE(machine.readFile(Ini), before);
}

void TestPrivateProfile::unreadableFileKept_data()
{
    QTest::addColumn<bool>("folder");
    QTest::newRow("folder") << true;
    QTest::newRow("larger than a profile can be") << false;
}

// Something that is there but cannot be read as a whole reads as defaults and is never replaced.
void TestPrivateProfile::unreadableFileKept()
{
    QFETCH(bool, folder);

    TempPrefix machine;
    QVERIFY(machine.isValid());
    if (folder) {
        QVERIFY(machine.makeFolder(Ini + "\\"));
        QVERIFY(machine.writeFile(Ini + "\\inside.txt", "x"));
    } else {
        QVERIFY(machine.writeFileOfSize(Ini, PrivateProfile::MaxFileSize + 1));
    }
    PrivateProfile profile(machine.files());

    QCOMPARE(profile.getString(Section, "PopUp", "d", 1024, Ini), QByteArray("d"));
    QVERIFY(!profile.writeString(Section, "PopUp", "True", Ini));
    const QFileInfo info(machine.host(Ini));
    if (folder) {
        QVERIFY(info.isDir());
        QCOMPARE(machine.readFile(Ini + "\\inside.txt"), QByteArray("x"));
    } else {
        QVERIFY(info.isFile());
        QCOMPARE(info.size(), PrivateProfile::MaxFileSize + 1);
    }
}

void TestPrivateProfile::damagedFileKept_data()
{
    QTest::addColumn<QByteArray>("file");

    QTest::newRow("random bytes") << randomBytes(64 * 1024, 950);
    QTest::newRow("random short lines") << randomBytes(64 * 1024, 1).replace('\x01', "\n[");
    QTest::newRow("one 2 MB line") << QByteArray(2 * 1024 * 1024, 'x');
    QTest::newRow("zero bytes") << QByteArray(4096, '\0');
    QTest::newRow("no section") << QByteArray("Start_Path=C:\\A\\\r\nPopUp=False");
    QTest::newRow("unclosed bracket") << QByteArray("[SplashwheelSet\r\nPopUp=False\r\n");
}

// Whatever the file holds, it reads as defaults, and a write adds its own lines without dropping
// a byte of the rest.
void TestPrivateProfile::damagedFileKept()
{
    QFETCH(QByteArray, file);

    TempPrefix machine;
    QVERIFY(machine.isValid());
    QVERIFY(machine.writeFile(Ini, file));
    PrivateProfile profile(machine.files());

    QCOMPARE(profile.getString(Section, "PopUp", "d", 1024, Ini), QByteArray("d"));
    QVERIFY(profile.writeString(Section, "PopUp", "True", Ini));
    const QByteArray after = machine.readFile(Ini);
    QVERIFY(after.startsWith(file));
    const QByteArray added = after.sliced(file.size());
    QVERIFY2(added == "\r\n[SplashwheelSet]\r\nPopUp=True\r\n"
                 || added == "[SplashwheelSet]\r\nPopUp=True\r\n",
             added.constData());
    QCOMPARE(profile.getString(Section, "PopUp", "d", 1024, Ini), QByteArray("True"));
}

void TestPrivateProfile::failedWriteReported()
{
    TempPrefix machine;
    QVERIFY(machine.isValid());
    const QByteArray before("[SplashwheelSet]\r\nPopUp=False\r\n");
    QVERIFY(machine.writeFile(Ini, before));
    test::FaultInjectingFileService files(machine.files());
    files.failEveryCallOf(QStringLiteral("writeFileAtomic"), rt::DiskFull);
    PrivateProfile profile(files);

    QVERIFY(!profile.writeString(Section, "PopUp", "True", Ini));
    QCOMPARE(files.callsOf(QStringLiteral("writeFileAtomic")), 1);
    QCOMPARE(machine.readFile(Ini), before);
    // A folder that does not exist cannot take a new file either.
    QVERIFY(!PrivateProfile(machine.files()).writeString(Section, "PopUp", "True",
                                                         "C:\\NoSuchFolder\\SW.ini"));
}

QTEST_MAIN(TestPrivateProfile)
#include "tst_privateprofile.moc"

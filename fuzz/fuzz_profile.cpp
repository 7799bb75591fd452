// Fuzzes the settings file: reading keys out of arbitrary bytes, writing one key into them, the
// buffer cut of GetPrivateProfileString and the code page 950 conversions, and checks what a
// write must guarantee: the key written reads back as written, every other key reads as before.

#include "platform/FileService.h"
#include "platform/PrivateProfile.h"
#include "platform/RuntimeError.h"

#include <QByteArray>
#include <QString>

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

using namespace bg;

namespace {

[[noreturn]] void fail(const char *what)
{
    std::fprintf(stderr, "profile check failed: %s\n", what);
    std::abort();
}

// A file service holding one file in memory: the settings file under test.
class OneFileService final : public FileService
{
public:
    static inline const QString Path = QStringLiteral("C:\\WINDOWS\\SW.INI");

    QByteArray content;
    bool present = true;

    bool folderExists(const QString &) override { return false; }
    bool fileExists(const QString &path) override { return present && path == Path; }
    bool isLink(const QString &) override { return false; }
    bool sameFile(const QString &a, const QString &b) override { return a == b && fileExists(a); }
    int listFiles(const QString &, std::vector<FolderFile> &) override { return rt::PathNotFound; }
    int countSubFolders(const QString &, int &) override { return rt::PathNotFound; }
    int createFolder(const QString &) override { return rt::PermissionDenied; }
    int copyFile(const QString &, const QString &, bool) override { return rt::PermissionDenied; }
    int moveFile(const QString &, const QString &) override { return rt::PermissionDenied; }
    int replaceFile(const QString &, const QString &) override { return rt::PermissionDenied; }
    int deleteFile(const QString &, bool) override { return rt::PermissionDenied; }
    int deleteFolder(const QString &, bool) override { return rt::PermissionDenied; }
    int fileLen(const QString &path, qint64 &size) override
    {
        if (!fileExists(path))
            return rt::FileNotFound;
        size = content.size();
        return rt::Ok;
    }
    int getAttr(const QString &, int &) override { return rt::FileNotFound; }
    int setAttr(const QString &, int) override { return rt::FileNotFound; }
    QString dir(const QString &, int) override { return QString(); }
    int readFile(const QString &path, QByteArray &data, qint64 maxBytes) override
    {
        if (!fileExists(path))
            return rt::FileNotFound;
        if (content.size() > maxBytes)
            return rt::PathFileAccess;
        data = content;
        return rt::Ok;
    }
    int writeFileAtomic(const QString &path, const QByteArray &data) override
    {
        if (path != Path)
            return rt::PathNotFound;
        content = data;
        present = true;
        return rt::Ok;
    }
    std::optional<QString> hostPath(const QString &) override { return std::nullopt; }
};

QByteArray take(FuzzedDataProvider &in, size_t maxLength)
{
    const std::string s = in.ConsumeRandomLengthString(maxLength);
    return QByteArray(s.data(), qsizetype(s.size()));
}

// What a key reads as in a file holding nothing else.
QByteArray cleanRead(const QByteArray &section, const QByteArray &key, const QByteArray &value)
{
    ProfileText clean;
    clean.setValue(section, key, value);
    QByteArray out;
    if (!clean.value(section, key, out))
        fail("a key written to an empty file cannot be read");
    return out;
}

// True when (s2, k2) names the same key as (s1, k1).
bool sameKey(const QByteArray &s1, const QByteArray &k1, const QByteArray &s2,
             const QByteArray &k2)
{
    ProfileText clean;
    clean.setValue(s1, k1, "x");
    QByteArray out;
    return clean.value(s2, k2, out);
}

constexpr bool isLead(uchar c) { return c >= 0x81 && c <= 0xFE; }
constexpr bool isTrail(uchar c) { return (c >= 0x40 && c <= 0x7E) || (c >= 0xA1 && c <= 0xFE); }

// Whether cutting `full` after `length` bytes splits a double-byte character.
bool splitsCharacter(const QByteArray &full, qsizetype length)
{
    qsizetype i = 0;
    while (i < length) {
        const bool pair = isLead(uchar(full[i])) && i + 1 < full.size() && isTrail(uchar(full[i + 1]));
        i += pair ? 2 : 1;
    }
    return i != length;
}

void checkCodePage(const QByteArray &bytes, const QString &unicode)
{
    const QString decoded = cp950::decode(bytes);
    QByteArray encoded;
    if (cp950::encode(decoded, encoded) && cp950::decode(encoded) != decoded)
        fail("decoded text does not survive a round trip");
    if (cp950::encode(unicode, encoded) && cp950::decode(encoded) != unicode)
        fail("encoded text reads back differently");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzedDataProvider in(data, size);
    const QByteArray section = take(in, 40);
    const QByteArray key = take(in, 40);
    const QByteArray value = take(in, 80);
    const QByteArray otherSection = take(in, 40);
    const QByteArray otherKey = take(in, 40);
    const int bufferSize = in.ConsumeIntegralInRange<int>(-1, 300);
    const std::u16string wide = [&] {
        const std::string raw = in.ConsumeRandomLengthString(64);
        return std::u16string(reinterpret_cast<const char16_t *>(raw.data()), raw.size() / 2);
    }();
    const QByteArray file = [&] {
        const std::string rest = in.ConsumeRemainingBytesAsString();
        return QByteArray(rest.data(), qsizetype(rest.size()));
    }();

    checkCodePage(file.left(256), QString::fromStdU16String(wide));

    // Reading and writing the bytes directly.
    const ProfileText before(file);
    QByteArray otherBefore;
    const bool otherFoundBefore = before.value(otherSection, otherKey, otherBefore);
    QByteArray found;
    before.value(section, key, found);

    if (ProfileText::canHold(section, key, value)) {
        ProfileText after(file);
        after.setValue(section, key, value);
        QByteArray readBack;
        if (!after.value(section, key, readBack))
            fail("the key written is missing");
        if (readBack != cleanRead(section, key, value))
            fail("the key written reads back differently than from an empty file");
        if (!sameKey(section, key, otherSection, otherKey)) {
            QByteArray otherAfter;
            const bool otherFoundAfter = after.value(otherSection, otherKey, otherAfter);
            if (otherFoundAfter != otherFoundBefore || otherAfter != otherBefore)
                fail("writing one key changed another");
        }
    }

    // The same through the profile functions on a file.
    OneFileService files;
    files.content = file;
    PrivateProfile profile(files);
    const QString sectionText = cp950::decode(section);
    const QString keyText = cp950::decode(key);
    const QString valueText = cp950::decode(value);
    const QByteArray whole = profile.getString(sectionText, keyText, valueText, 1 << 20,
                                               OneFileService::Path);
    const QByteArray cut = profile.getString(sectionText, keyText, valueText, bufferSize,
                                             OneFileService::Path);
    if (bufferSize <= 0) {
        if (!cut.isEmpty())
            fail("a buffer of no bytes got some");
    } else {
        if (cut.size() > bufferSize - 1 || !whole.startsWith(cut))
            fail("the cut value is not a start of the value that fits");
        if (splitsCharacter(whole, cut.size()))
            fail("the cut splits a double-byte character");
        if (cut.size() < whole.size() && cut.size() < bufferSize - 2)
            fail("the cut lost more than one byte");
    }

    if (profile.writeString(sectionText, keyText, valueText, OneFileService::Path)) {
        QByteArray s;
        QByteArray k;
        QByteArray v;
        if (!cp950::encode(sectionText, s) || !cp950::encode(keyText, k)
            || !cp950::encode(valueText, v))
            fail("a write succeeded with text the code page cannot hold");
        const QByteArray readBack = profile.getString(sectionText, keyText, QString(), 1 << 20,
                                                      OneFileService::Path);
        if (readBack != cleanRead(s, k, v))
            fail("a value written through the file reads back differently");
    }
    return 0;
}

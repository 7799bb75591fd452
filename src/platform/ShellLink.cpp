#include "platform/ShellLink.h"

#include "platform/DosAttributes.h"
#include "platform/FileService.h"
#include "platform/PrivateProfile.h"
#include "platform/RuntimeError.h"

#include <QFileInfo>
#include <QStringList>
#include <QTimeZone>

#include <algorithm>
#include <array>

namespace bg {
namespace {

bool isBadNameChar(QChar c)
{
    switch (c.unicode()) {
    case '\\': case '/': case ':': case '*': case '?': case '"': case '<': case '>': case '|':
        return true;
    default:
        return c.unicode() < 0x20;
    }
}

bool isValidComponent(const QString &name)
{
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return false;
    // Windows drops trailing dots and spaces, so such a name never names what it says.
    if (name.endsWith(QLatin1Char('.')) || name.endsWith(QLatin1Char(' ')))
        return false;
    for (QChar c : name) {
        if (isBadNameChar(c))
            return false;
    }
    return true;
}

// Text in the ANSI code page, or nothing when a character has no exact form there.
std::optional<QByteArray> ansi(const QString &text)
{
    QByteArray bytes;
    if (!cp950::encode(text, bytes))
        return std::nullopt;
    return bytes;
}

} // namespace

namespace shelllink {
namespace {

// LinkFlags
constexpr quint32 HasLinkTargetIDList = 0x01;
constexpr quint32 HasLinkInfo = 0x02;
constexpr quint32 HasArguments = 0x20;

constexpr quint32 HeaderSize = 0x4C;
constexpr quint32 FileAttributeNormal = 0x80;
constexpr quint32 ShowNormal = 1;

// LinkInfo
constexpr quint32 LinkInfoHeaderSize = 0x1C;
constexpr quint32 VolumeIDAndLocalBasePath = 0x01;
constexpr quint32 DriveFixed = 3;
constexpr quint32 VolumeIDHeaderSize = 0x10;

// Shell item class types
constexpr quint8 RootFolderItem = 0x1F;
constexpr quint8 SortIndexMyComputer = 0x50;
constexpr quint8 VolumeItem = 0x2F;
constexpr quint8 FolderItem = 0x31;
constexpr quint8 FileItem = 0x32;
constexpr int VolumeItemSize = 0x19;

// The longest path the Windows 95 shell accepts, its terminating NUL included.
constexpr int MaxPath = 260;

// {00021401-0000-0000-C000-000000000046}, as stored (little-endian fields first).
constexpr std::array<quint8, 16> ShellLinkClsid = {0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                                   0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
// {20D04FE0-3AEA-1069-A2D8-08002B30309D}: My Computer.
constexpr std::array<quint8, 16> MyComputerClsid = {0xE0, 0x4F, 0xD0, 0x20, 0xEA, 0x3A, 0x69, 0x10,
                                                    0xA2, 0xD8, 0x08, 0x00, 0x2B, 0x30, 0x30, 0x9D};

// Milliseconds from 1601-01-01 (the FILETIME epoch) to 1970-01-01.
constexpr qint64 FileTimeEpochOffsetMs = 11644473600000LL;

class LittleEndian
{
public:
    explicit LittleEndian(QByteArray &out) : m_out(out) {}
    void u8(quint32 v) { m_out.append(char(v & 0xFF)); }
    void u16(quint32 v)
    {
        u8(v);
        u8(v >> 8);
    }
    void u32(quint32 v)
    {
        u16(v & 0xFFFF);
        u16(v >> 16);
    }
    void u64(quint64 v)
    {
        u32(quint32(v & 0xFFFFFFFFu));
        u32(quint32(v >> 32));
    }
    template <std::size_t N>
    void bytes(const std::array<quint8, N> &b)
    {
        for (quint8 c : b)
            u8(c);
    }
    void bytes(const QByteArray &b) { m_out.append(b); }
    void zeros(int n) { m_out.append(n, '\0'); }

private:
    QByteArray &m_out;
};

struct ParsedPath
{
    QChar drive;             // upper case
    QStringList components;  // after the drive root
    bool folderTarget = false;
};

std::optional<ParsedPath> parsePath(const QString &path)
{
    if (path.size() < 3 || path.at(1) != QLatin1Char(':') || path.at(2) != QLatin1Char('\\'))
        return std::nullopt;
    const QChar drive = path.at(0).toUpper();
    if (drive < QLatin1Char('A') || drive > QLatin1Char('Z'))
        return std::nullopt;
    ParsedPath parsed;
    parsed.drive = drive;
    QString rest = path.mid(3);
    if (rest.isEmpty()) {
        parsed.folderTarget = true;
        return parsed;
    }
    if (rest.endsWith(QLatin1Char('\\'))) {
        parsed.folderTarget = true;
        rest.chop(1);
    }
    parsed.components = rest.split(QLatin1Char('\\'));
    for (const QString &component : std::as_const(parsed.components)) {
        if (!isValidComponent(component))
            return std::nullopt;
    }
    return parsed;
}

quint64 toFileTime(const QDateTime &t)
{
    if (!t.isValid())
        return 0;
    const qint64 ms = t.toMSecsSinceEpoch() + FileTimeEpochOffsetMs;
    return ms > 0 ? quint64(ms) * 10000u : 0;
}

// FAT date and time words (UTC, two-second steps); zero outside the FAT range.
std::pair<quint16, quint16> toDosDateTime(const QDateTime &t)
{
    if (!t.isValid())
        return {0, 0};
    const QDateTime utc = t.toTimeZone(QTimeZone::utc());
    const QDate d = utc.date();
    const QTime tm = utc.time();
    if (d.year() < 1980 || d.year() > 2107)
        return {0, 0};
    const auto date = quint16(((d.year() - 1980) << 9) | (d.month() << 5) | d.day());
    const auto time = quint16((tm.hour() << 11) | (tm.minute() << 5) | (tm.second() / 2));
    return {date, time};
}

// Bytes a character takes in code page 950: one for ASCII, two for a double-byte character.
int ansiWidth(QChar c)
{
    return c.unicode() < 0x80 ? 1 : 2;
}

int ansiLength(QStringView text)
{
    int n = 0;
    for (QChar c : text)
        n += c.isLowSurrogate() ? 0 : ansiWidth(c);
    return n;
}

// Takes whole characters from text while they fit in maxBytes of code page 950.
QString takeAnsiPrefix(const QString &text, int maxBytes)
{
    int used = 0;
    qsizetype i = 0;
    while (i < text.size()) {
        const qsizetype len = (text.at(i).isHighSurrogate() && i + 1 < text.size()) ? 2 : 1;
        const int width = ansiWidth(text.at(i));
        if (used + width > maxBytes)
            break;
        used += width;
        i += len;
    }
    return text.left(i);
}

bool isShortNameIllegal(QChar c)
{
    switch (c.unicode()) {
    case '+': case ',': case ';': case '=': case '[': case ']': case ' ':
        return true;
    default:
        return false;
    }
}

QString upperAscii(const QString &text)
{
    QString out = text;
    for (QChar &c : out) {
        if (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
            c = QChar(c.unicode() - 'a' + 'A');
    }
    return out;
}

QByteArray fileEntryItem(bool folder, const QString &name, const std::optional<EntryInfo> &info)
{
    const QByteArray longName = *ansi(name);
    const QString alias = shortName(name);
    const QByteArray shortAnsi = ansi(alias).value_or(QByteArray());

    int attributes = folder ? attr::Directory : attr::Archive;
    quint32 size = 0;
    std::pair<quint16, quint16> stamp{0, 0};
    if (info) {
        if (info->attributes >= 0)
            attributes = info->attributes | (folder ? attr::Directory : 0);
        if (!folder)
            size = quint32(quint64(info->size) & 0xFFFFFFFFu);
        stamp = toDosDateTime(info->modified);
    }

    QByteArray item;
    LittleEndian w(item);
    w.u16(0); // size, patched below
    w.u8(folder ? FolderItem : FileItem);
    w.u8(0);
    w.u32(size);
    w.u16(stamp.first);
    w.u16(stamp.second);
    w.u16(quint32(attributes) & 0xFFFF);
    // The long name, then the 8.3 alias when it differs (else an empty string).
    w.bytes(longName);
    w.u8(0);
    if (shortAnsi != longName)
        w.bytes(shortAnsi);
    w.u8(0);
    if (item.size() % 2)
        w.u8(0);
    item[0] = char(item.size() & 0xFF);
    item[1] = char((item.size() >> 8) & 0xFF);
    return item;
}

QByteArray rootItem()
{
    QByteArray item;
    LittleEndian w(item);
    w.u16(2 + 2 + 16);
    w.u8(RootFolderItem);
    w.u8(SortIndexMyComputer);
    w.bytes(MyComputerClsid);
    return item;
}

QByteArray volumeItem(QChar drive)
{
    QByteArray item;
    LittleEndian w(item);
    w.u16(VolumeItemSize);
    w.u8(VolumeItem);
    w.u8(quint32(drive.toLatin1()));
    w.u8(':');
    w.u8('\\');
    w.zeros(VolumeItemSize - int(item.size()));
    return item;
}

} // namespace

QString shortName(const QString &longName)
{
    const QString upper = upperAscii(longName);

    // A name that already fits 8.3 keeps its spelling, upper-cased.
    const qsizetype dot = upper.lastIndexOf(QLatin1Char('.'));
    const QString base = dot > 0 ? upper.left(dot) : upper;
    const QString ext = dot > 0 ? upper.mid(dot + 1) : QString();
    const bool fits = dot != 0 && !base.contains(QLatin1Char('.'))
                      && std::none_of(upper.cbegin(), upper.cend(), isShortNameIllegal)
                      && ansiLength(base) >= 1 && ansiLength(base) <= 8 && ansiLength(ext) <= 3;
    if (fits)
        return upper;

    // Otherwise: leading dots go, spaces and dots inside go, characters FAT rejects become
    // underscores, six bytes of the base and three of the extension stay, "~1" marks the alias.
    QString stripped = upper;
    while (stripped.startsWith(QLatin1Char('.')))
        stripped.remove(0, 1);
    const qsizetype lastDot = stripped.lastIndexOf(QLatin1Char('.'));
    QString rawBase = lastDot >= 0 ? stripped.left(lastDot) : stripped;
    QString rawExt = lastDot >= 0 ? stripped.mid(lastDot + 1) : QString();
    auto clean = [](const QString &part) {
        QString out;
        out.reserve(part.size());
        for (QChar c : part) {
            if (c == QLatin1Char(' ') || c == QLatin1Char('.'))
                continue;
            out += isShortNameIllegal(c) ? QLatin1Char('_') : c;
        }
        return out;
    };
    const QString aliasBase = takeAnsiPrefix(clean(rawBase), 6);
    const QString aliasExt = takeAnsiPrefix(clean(rawExt), 3);
    QString alias = aliasBase + QLatin1String("~1");
    if (!aliasExt.isEmpty())
        alias += QLatin1Char('.') + aliasExt;
    return alias;
}

std::optional<QString> targetOf(const QByteArray &link)
{
    const auto u16 = [&link](qsizetype at) {
        return quint32(quint8(link[at])) | quint32(quint8(link[at + 1])) << 8;
    };
    const auto u32 = [&](qsizetype at) { return u16(at) | u16(at + 2) << 16; };
    if (link.size() < HeaderSize || u32(0) != HeaderSize)
        return std::nullopt;
    const quint32 flags = u32(0x14);
    qsizetype at = HeaderSize;
    if (flags & HasLinkTargetIDList) {
        if (at + 2 > link.size())
            return std::nullopt;
        at += 2 + qsizetype(u16(at));
    }
    if (!(flags & HasLinkInfo) || at + 28 > link.size())
        return std::nullopt;
    const qsizetype infoSize = qsizetype(u32(at)), baseOffset = qsizetype(u32(at + 16));
    // VolumeIDAndLocalBasePath
    if (!(u32(at + 8) & 0x01) || infoSize > link.size() - at || baseOffset >= infoSize)
        return std::nullopt;
    const QByteArray info = link.mid(at, infoSize);
    const qsizetype end = info.indexOf('\0', baseOffset);
    if (end < 0)
        return std::nullopt;
    return cp950::decode(info.mid(baseOffset, end - baseOffset));
}

QByteArray build(const QString &targetWindowsPath, const QString &arguments)
{
    return build(targetWindowsPath, arguments, TargetDetails());
}

QByteArray build(const QString &targetWindowsPath, const QString &arguments,
                 const TargetDetails &details)
{
    const auto parsed = parsePath(targetWindowsPath);
    if (!parsed)
        return {};

    // The local base path: drive root, then the components, all in code page 950.
    QByteArray basePath;
    basePath.append(char(parsed->drive.toLatin1()));
    basePath.append(":\\");
    for (qsizetype i = 0; i < parsed->components.size(); ++i) {
        const auto encoded = ansi(parsed->components.at(i));
        if (!encoded)
            return {};
        if (i > 0)
            basePath.append('\\');
        basePath.append(*encoded);
    }
    if (basePath.size() + 1 > MaxPath)
        return {};

    std::optional<QByteArray> argumentBytes;
    if (!arguments.isEmpty()) {
        argumentBytes = ansi(arguments);
        if (!argumentBytes || argumentBytes->size() > 0xFFFF)
            return {};
    }

    auto infoAt = [&details](qsizetype i) -> std::optional<EntryInfo> {
        return std::size_t(i) < details.components.size() ? details.components[std::size_t(i)]
                                                          : std::nullopt;
    };
    const qsizetype count = parsed->components.size();
    const std::optional<EntryInfo> targetInfo = count > 0 ? infoAt(count - 1) : std::nullopt;

    QByteArray out;
    out.reserve(512);
    LittleEndian w(out);

    // ShellLinkHeader
    quint32 flags = HasLinkTargetIDList | HasLinkInfo;
    if (argumentBytes)
        flags |= HasArguments;
    quint32 fileAttributes = parsed->folderTarget ? quint32(attr::Directory) : quint32(attr::Archive);
    if (targetInfo && targetInfo->attributes >= 0) {
        fileAttributes = quint32(targetInfo->attributes);
        if (parsed->folderTarget)
            fileAttributes |= attr::Directory;
        if (fileAttributes == 0)
            fileAttributes = FileAttributeNormal;
    }
    w.u32(HeaderSize);
    w.bytes(ShellLinkClsid);
    w.u32(flags);
    w.u32(fileAttributes);
    w.u64(targetInfo ? toFileTime(targetInfo->created) : 0);
    w.u64(targetInfo ? toFileTime(targetInfo->accessed) : 0);
    w.u64(targetInfo ? toFileTime(targetInfo->modified) : 0);
    w.u32(targetInfo && !parsed->folderTarget ? quint32(quint64(targetInfo->size) & 0xFFFFFFFFu)
                                              : 0);
    w.u32(0); // icon index
    w.u32(ShowNormal);
    w.u16(0); // hot key
    w.u16(0);
    w.u32(0);
    w.u32(0);

    // LinkTargetIDList
    QByteArray idList;
    idList.append(rootItem());
    idList.append(volumeItem(parsed->drive));
    for (qsizetype i = 0; i < count; ++i) {
        const bool folder = i + 1 < count || parsed->folderTarget;
        idList.append(fileEntryItem(folder, parsed->components.at(i), infoAt(i)));
    }
    idList.append(2, '\0'); // terminal item
    if (idList.size() > 0xFFFF)
        return {};
    w.u16(quint32(idList.size()));
    w.bytes(idList);

    // LinkInfo: a VolumeID (fixed drive, no label) and the local base path, empty suffix.
    const quint32 volumeIdSize = VolumeIDHeaderSize + 1;
    const quint32 basePathOffset = LinkInfoHeaderSize + volumeIdSize;
    const quint32 suffixOffset = basePathOffset + quint32(basePath.size()) + 1;
    const quint32 linkInfoSize = suffixOffset + 1;
    w.u32(linkInfoSize);
    w.u32(LinkInfoHeaderSize);
    w.u32(VolumeIDAndLocalBasePath);
    w.u32(LinkInfoHeaderSize);
    w.u32(basePathOffset);
    w.u32(0); // no network location
    w.u32(suffixOffset);
    w.u32(volumeIdSize);
    w.u32(DriveFixed);
    w.u32(details.volumeSerial);
    w.u32(VolumeIDHeaderSize); // label offset: an empty label right after the header
    w.u8(0);
    w.bytes(basePath);
    w.u8(0);
    w.u8(0); // common path suffix: empty

    // StringData
    if (argumentBytes) {
        w.u16(quint32(argumentBytes->size()));
        w.bytes(*argumentBytes);
    }

    // ExtraData: the terminal block alone.
    w.u32(0);
    return out;
}

} // namespace shelllink

namespace {

QString joinPath(const QString &folder, const QString &name)
{
    return folder.endsWith(QLatin1Char('\\')) ? folder + name : folder + QLatin1Char('\\') + name;
}

// A folder or link name the narrow shell interface can carry.
bool isPlainName(const QString &name)
{
    return isValidComponent(name) && ansi(name).has_value();
}

std::optional<shelllink::EntryInfo> describeEntry(FileService &files, const QString &path)
{
    const bool isFolder = files.folderExists(path);
    if (!isFolder && !files.fileExists(path))
        return std::nullopt;
    shelllink::EntryInfo info;
    int attributes = 0;
    if (files.getAttr(path, attributes) == rt::Ok)
        info.attributes = attributes;
    qint64 size = 0;
    if (!isFolder && files.fileLen(path, size) == rt::Ok)
        info.size = size;
    if (const auto host = files.hostPath(path)) {
        const QFileInfo fi(*host);
        info.modified = fi.lastModified();
        info.accessed = fi.lastRead();
        info.created = fi.birthTime().isValid() ? fi.birthTime() : info.modified;
    }
    return info;
}

// What the disk says about the target and the folders leading to it, and the volume's serial
// number as Wine keeps it (hexadecimal text in the drive root's .windows-serial).
shelllink::TargetDetails describeTarget(FileService &files, const QString &target)
{
    shelllink::TargetDetails details;
    if (target.size() < 3 || target.at(1) != QLatin1Char(':') || target.at(2) != QLatin1Char('\\'))
        return details;
    const QString root = target.left(3);

    QByteArray serialText;
    if (files.readFile(root + QLatin1String(".windows-serial"), serialText, 64) == rt::Ok) {
        bool ok = false;
        const uint serial = serialText.trimmed().toUInt(&ok, 16);
        if (ok)
            details.volumeSerial = serial;
    }

    QString rest = target.mid(3);
    if (rest.endsWith(QLatin1Char('\\')))
        rest.chop(1);
    if (rest.isEmpty())
        return details;
    QString path = root;
    const QStringList components = rest.split(QLatin1Char('\\'));
    for (const QString &component : components) {
        path = joinPath(path, component);
        auto info = describeEntry(files, path);
        if (!info)
            break; // nothing below a missing folder exists either
        details.components.push_back(std::move(info));
    }
    return details;
}

} // namespace

int createShellLink(FileService &files, const QString &programsFolder, const QString &folderName,
                    const QString &linkName, const QString &target, const QString &arguments)
{
    if (!isPlainName(linkName) || (!folderName.isEmpty() && !isPlainName(folderName)))
        return rt::PathFileAccess;

    const QByteArray link =
        shelllink::build(target, arguments, describeTarget(files, target));
    if (link.isEmpty())
        return rt::PathFileAccess;

    const QString folder = folderName.isEmpty() ? programsFolder : joinPath(programsFolder, folderName);
    if (!files.folderExists(folder)) {
        const int err = files.createFolder(folder);
        if (err != rt::Ok && !(err == rt::FileAlreadyExists && files.folderExists(folder)))
            return err;
    }
    return files.writeFileAtomic(joinPath(folder, linkName + QLatin1String(".lnk")), link);
}

} // namespace bg

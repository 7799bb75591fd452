#include "platform/PrivateProfile.h"

#include "platform/FileService.h"
#include "platform/RuntimeError.h"

#include <QByteArrayView>
#include <QtGlobal>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iconv.h>

namespace bg {

namespace {

// ---------------------------------------------------------------------------------------------
// Code page 950 through the C library's converters.

#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
constexpr const char *Utf16Name = "UTF-16LE";
#else
constexpr const char *Utf16Name = "UTF-16BE";
#endif
constexpr const char *Cp950Name = "CP950";

constexpr char16_t ReplacementCharacter = 0xFFFD;

// One iconv descriptor per thread and direction, opened on first use. The conversions are
// stateless, but the descriptor is reset before each use all the same.
class Converter
{
public:
    Converter(const char *to, const char *from) : m_cd(iconv_open(to, from)) {}
    ~Converter()
    {
        if (isValid())
            iconv_close(m_cd);
    }
    Converter(const Converter &) = delete;
    Converter &operator=(const Converter &) = delete;

    bool isValid() const { return m_cd != reinterpret_cast<iconv_t>(-1); }

    void reset() { iconv(m_cd, nullptr, nullptr, nullptr, nullptr); }

    // One iconv() call; returns its result with errno left as iconv set it.
    size_t convert(char **in, size_t *inLeft, char **out, size_t *outLeft)
    {
        return iconv(m_cd, in, inLeft, out, outLeft);
    }

private:
    iconv_t m_cd;
};

Converter &toUnicode()
{
    thread_local Converter converter(Utf16Name, Cp950Name);
    return converter;
}

Converter &fromUnicode()
{
    thread_local Converter converter(Cp950Name, Utf16Name);
    return converter;
}

bool isAsciiBytes(QByteArrayView bytes)
{
    return std::all_of(bytes.begin(), bytes.end(),
                       [](char c) { return static_cast<uchar>(c) < 0x80; });
}

bool isAsciiText(const QString &text)
{
    return std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() < 0x80; });
}

// ---------------------------------------------------------------------------------------------
// Bytes of a profile file.

constexpr bool isLeadByte(uchar c) { return c >= 0x81 && c <= 0xFE; }
constexpr bool isTrailByte(uchar c) { return (c >= 0x40 && c <= 0x7E) || (c >= 0xA1 && c <= 0xFE); }
constexpr bool isBlank(char c) { return c == ' ' || c == '\t'; }
constexpr bool isLineBreak(char c) { return c == '\r' || c == '\n'; }

// Length of the character at i: 2 for a lead byte followed by a trail byte, else 1.
qsizetype charLength(QByteArrayView bytes, qsizetype i)
{
    if (isLeadByte(static_cast<uchar>(bytes[i])) && i + 1 < bytes.size()
        && isTrailByte(static_cast<uchar>(bytes[i + 1])))
        return 2;
    return 1;
}

QByteArrayView trimmed(QByteArrayView bytes)
{
    qsizetype begin = 0;
    qsizetype end = bytes.size();
    while (begin < end && isBlank(bytes[begin]))
        ++begin;
    // A blank is never the trail byte of a double-byte character, so the end can be trimmed
    // byte by byte.
    while (end > begin && isBlank(bytes[end - 1]))
        --end;
    return bytes.sliced(begin, end - begin);
}

constexpr char upperAscii(char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; }

// Equal ignoring the case of ASCII letters; the trail bytes of double-byte characters are
// compared exactly, since they share their values with ASCII letters.
bool sameName(QByteArrayView a, QByteArrayView b)
{
    if (a.size() != b.size())
        return false;
    qsizetype i = 0;
    while (i < a.size()) {
        if (charLength(a, i) == 2) {
            if (a[i] != b[i] || a[i + 1] != b[i + 1])
                return false;
            i += 2;
        } else {
            if (upperAscii(a[i]) != upperAscii(b[i]))
                return false;
            ++i;
        }
    }
    return true;
}

// Position of the first ']' that stands on its own (not as a trail byte), or -1.
qsizetype findClosingBracket(QByteArrayView bytes, qsizetype from)
{
    qsizetype i = from;
    while (i < bytes.size()) {
        if (bytes[i] == ']')
            return i;
        i += charLength(bytes, i);
    }
    return -1;
}

QByteArrayView unquoted(QByteArrayView value)
{
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'')
        && value.back() == value.front())
        return value.sliced(1, value.size() - 2);
    return value;
}

// One line of the file: its content [begin, end) and the position after its line break.
struct Line
{
    qsizetype begin = 0;
    qsizetype end = 0;
    qsizetype next = 0;

    bool hasBreak() const { return next > end; }
};

enum class LineKind { Other, Blank, Section, Key };

struct ParsedLine
{
    LineKind kind = LineKind::Other;
    QByteArrayView name;  // section or key name, trimmed
    QByteArrayView value; // key value, trimmed (quotes still on)
};

class LineReader
{
public:
    explicit LineReader(QByteArrayView bytes) : m_bytes(bytes) {}

    bool next(Line &line)
    {
        if (m_pos >= m_bytes.size())
            return false;
        const char *data = m_bytes.data();
        const char *end = data + m_bytes.size();
        const char *p = std::find_if(data + m_pos, end, isLineBreak);
        line.begin = m_pos;
        line.end = p - data;
        if (p < end) {
            if (*p == '\r' && p + 1 < end && p[1] == '\n')
                ++p;
            ++p;
        }
        line.next = p - data;
        m_pos = line.next;
        return true;
    }

private:
    QByteArrayView m_bytes;
    qsizetype m_pos = 0;
};

ParsedLine parseLine(QByteArrayView content)
{
    ParsedLine parsed;
    const QByteArrayView text = trimmed(content);
    if (text.isEmpty()) {
        parsed.kind = LineKind::Blank;
        return parsed;
    }
    if (text.front() == ';')
        return parsed;
    if (text.front() == '[') {
        // Whatever follows the closing bracket is ignored.
        const qsizetype close = findClosingBracket(text, 1);
        if (close >= 0) {
            parsed.kind = LineKind::Section;
            parsed.name = trimmed(text.sliced(1, close - 1));
        }
        return parsed;
    }
    const qsizetype equals = text.indexOf('=');
    if (equals <= 0)
        return parsed;
    const QByteArrayView name = trimmed(text.first(equals));
    if (name.isEmpty())
        return parsed;
    parsed.kind = LineKind::Key;
    parsed.name = name;
    parsed.value = trimmed(text.sliced(equals + 1));
    return parsed;
}

// Where a key is, or where it would go.
struct KeyLocation
{
    bool sectionFound = false;
    bool keyFound = false;
    Line keyLine;           // the key's line when keyFound
    QByteArrayView keyName; // its name as the file spells it
    QByteArrayView keyValue;
    Line lastFilledLine;    // the section's last non-blank line (its header at least)
};

// Looks in the first section of that name only: later duplicates are never consulted.
KeyLocation locate(QByteArrayView bytes, QByteArrayView section, QByteArrayView key)
{
    KeyLocation location;
    LineReader reader(bytes);
    Line line;
    while (reader.next(line)) {
        const ParsedLine parsed = parseLine(bytes.sliced(line.begin, line.end - line.begin));
        if (!location.sectionFound) {
            if (parsed.kind == LineKind::Section && sameName(parsed.name, section)) {
                location.sectionFound = true;
                location.lastFilledLine = line;
            }
            continue;
        }
        if (parsed.kind == LineKind::Section)
            break;
        if (parsed.kind == LineKind::Key && sameName(parsed.name, key)) {
            location.keyFound = true;
            location.keyLine = line;
            location.keyName = parsed.name;
            location.keyValue = parsed.value;
            break;
        }
        if (parsed.kind != LineKind::Blank)
            location.lastFilledLine = line;
    }
    return location;
}

bool holdsLineBreakOrZero(QByteArrayView bytes)
{
    return std::any_of(bytes.begin(), bytes.end(),
                       [](char c) { return c == '\0' || isLineBreak(c); });
}

// The longest start of value that fits in limit bytes without splitting a double-byte
// character.
QByteArray cutToLimit(QByteArrayView value, qsizetype limit)
{
    if (limit <= 0)
        return QByteArray();
    if (value.size() <= limit)
        return value.toByteArray();
    qsizetype i = 0;
    while (i < limit) {
        const qsizetype length = charLength(value, i);
        if (i + length > limit)
            break;
        i += length;
    }
    return value.first(i).toByteArray();
}

} // namespace

// ---------------------------------------------------------------------------------------------

namespace cp950 {

QString decode(const QByteArray &bytes)
{
    if (isAsciiBytes(bytes))
        return QString::fromLatin1(bytes);

    // Every byte gives at most one UTF-16 unit: a double-byte character lies in the BMP, a
    // byte that cannot be read becomes one replacement character.
    QString text(bytes.size(), Qt::Uninitialized);
    qsizetype written = 0;
    auto put = [&](char16_t unit) {
        if (written == text.size())
            text.resize(text.size() + 16);
        text[written++] = QChar(unit);
    };

    Converter &converter = toUnicode();
    if (!converter.isValid()) {
        for (char c : bytes)
            put(static_cast<uchar>(c) < 0x80 ? char16_t(c) : ReplacementCharacter);
        text.truncate(written);
        return text;
    }

    converter.reset();
    char *in = const_cast<char *>(bytes.constData());
    size_t inLeft = size_t(bytes.size());
    while (inLeft > 0) {
        char *const outStart = reinterpret_cast<char *>(text.data() + written);
        char *out = outStart;
        size_t outLeft = size_t(text.size() - written) * sizeof(char16_t);
        const size_t result = converter.convert(&in, &inLeft, &out, &outLeft);
        written += (out - outStart) / qsizetype(sizeof(char16_t));
        if (result != size_t(-1))
            break;
        if (errno == E2BIG) {
            text.resize(text.size() + qsizetype(inLeft) + 16);
            continue;
        }
        // An invalid or incomplete sequence: one replacement character for its first byte, then
        // carry on with the next byte.
        put(ReplacementCharacter);
        ++in;
        --inLeft;
        converter.reset();
    }
    text.truncate(written);
    return text;
}

bool encode(const QString &text, QByteArray &bytes)
{
    if (isAsciiText(text)) {
        bytes = text.toLatin1();
        return true;
    }
    Converter &converter = fromUnicode();
    if (!converter.isValid())
        return false;

    converter.reset();
    // Every UTF-16 unit gives at most two bytes.
    QByteArray result(text.size() * 2, Qt::Uninitialized);
    char *in = reinterpret_cast<char *>(const_cast<QChar *>(text.constData()));
    size_t inLeft = size_t(text.size()) * sizeof(QChar);
    char *out = result.data();
    size_t outLeft = size_t(result.size());
    const size_t converted = converter.convert(&in, &inLeft, &out, &outLeft);
    if (converted == size_t(-1) || inLeft != 0) {
        // EILSEQ: a character the code page does not have (or a lone surrogate); EINVAL: a
        // surrogate pair cut at the end. Nothing is substituted.
        return false;
    }
    result.truncate(out - result.data());
    // A conversion the library counts as irreversible is accepted only when it reads back as
    // the same text.
    if (converted > 0 && decode(result) != text)
        return false;
    bytes = result;
    return true;
}

} // namespace cp950

// ---------------------------------------------------------------------------------------------

bool ProfileText::value(const QByteArray &section, const QByteArray &key, QByteArray &out) const
{
    const QByteArrayView keyName = trimmed(key);
    if (keyName.isEmpty())
        return false;
    const KeyLocation location = locate(m_bytes, trimmed(section), keyName);
    if (!location.keyFound)
        return false;
    out = unquoted(location.keyValue).toByteArray();
    return true;
}

void ProfileText::setValue(const QByteArray &section, const QByteArray &key,
                           const QByteArray &value)
{
    const QByteArrayView sectionName = trimmed(section);
    const QByteArrayView keyName = trimmed(key);
    const KeyLocation location = locate(m_bytes, sectionName, keyName);
    const QByteArrayView bytes(m_bytes);

    QByteArray result;
    if (location.keyFound) {
        // The line keeps its own line break and the key its spelling.
        const Line &line = location.keyLine;
        result.reserve(m_bytes.size() + value.size() + location.keyName.size() + 1);
        result.append(bytes.first(line.begin));
        result.append(location.keyName);
        result.append('=');
        result.append(value);
        result.append(bytes.sliced(line.end));
    } else if (location.sectionFound) {
        const Line &after = location.lastFilledLine;
        result.reserve(m_bytes.size() + keyName.size() + value.size() + 5);
        result.append(bytes.first(after.next));
        if (!after.hasBreak())
            result.append("\r\n");
        result.append(keyName);
        result.append('=');
        result.append(value);
        result.append("\r\n");
        result.append(bytes.sliced(after.next));
    } else {
        result.reserve(m_bytes.size() + sectionName.size() + keyName.size() + value.size() + 9);
        result.append(m_bytes);
        if (!result.isEmpty() && !isLineBreak(result.back()))
            result.append("\r\n");
        result.append('[');
        result.append(sectionName);
        result.append("]\r\n");
        result.append(keyName);
        result.append('=');
        result.append(value);
        result.append("\r\n");
    }
    m_bytes = std::move(result);
}

bool ProfileText::canHold(const QByteArray &section, const QByteArray &key,
                          const QByteArray &value)
{
    if (holdsLineBreakOrZero(section) || holdsLineBreakOrZero(key) || holdsLineBreakOrZero(value))
        return false;
    const QByteArrayView keyName = trimmed(key);
    if (keyName.isEmpty() || keyName.contains('=') || keyName.front() == ';'
        || keyName.front() == '[')
        return false;
    // The bracket that closes "[section]" must be the one written after the name, not one
    // inside it and not one swallowed by a lead byte at its end.
    const QByteArray header = '[' + trimmed(section).toByteArray() + ']';
    return findClosingBracket(header, 1) == header.size() - 1;
}

// ---------------------------------------------------------------------------------------------

QByteArray PrivateProfile::getString(const QString &section, const QString &key,
                                     const QString &defaultValue, int bufferSize,
                                     const QString &file) const
{
    if (bufferSize <= 0)
        return QByteArray();
    const qsizetype limit = bufferSize - 1;

    QByteArray sectionBytes;
    QByteArray keyBytes;
    QByteArray data;
    QByteArray found;
    if (cp950::encode(section, sectionBytes) && cp950::encode(key, keyBytes)
        && m_files.readFile(file, data, MaxFileSize) == rt::Ok
        && ProfileText(std::move(data)).value(sectionBytes, keyBytes, found))
        return cutToLimit(found, limit);

    // Like Windows, the default loses its trailing blanks. A default the code page cannot
    // hold gives the empty text.
    QByteArray defaultBytes;
    if (!cp950::encode(defaultValue, defaultBytes))
        return QByteArray();
    qsizetype end = defaultBytes.size();
    while (end > 0 && isBlank(defaultBytes[end - 1]))
        --end;
    return cutToLimit(QByteArrayView(defaultBytes).first(end), limit);
}

QString PrivateProfile::getText(const QString &section, const QString &key,
                                const QString &defaultValue, int bufferSize,
                                const QString &file) const
{
    return cp950::decode(getString(section, key, defaultValue, bufferSize, file));
}

bool PrivateProfile::writeString(const QString &section, const QString &key,
                                 const QString &value, const QString &file)
{
    QByteArray sectionBytes;
    QByteArray keyBytes;
    QByteArray valueBytes;
    if (!cp950::encode(section, sectionBytes) || !cp950::encode(key, keyBytes)
        || !cp950::encode(value, valueBytes)
        || !ProfileText::canHold(sectionBytes, keyBytes, valueBytes))
        return false;

    // Only a file that is not there starts empty. One that is there but cannot be read whole
    // (a folder, too large, no permission) is left alone: rewriting it would lose its content.
    QByteArray data;
    const int readResult = m_files.readFile(file, data, MaxFileSize);
    if (readResult == rt::FileNotFound || readResult == rt::PathNotFound) {
        if (m_files.folderExists(file))
            return false;
        data.clear();
    } else if (readResult != rt::Ok) {
        return false;
    }

    ProfileText text(std::move(data));
    text.setValue(sectionBytes, keyBytes, valueBytes);
    return m_files.writeFileAtomic(file, text.bytes()) == rt::Ok;
}

} // namespace bg

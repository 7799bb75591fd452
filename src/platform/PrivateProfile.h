#pragma once

#include <QByteArray>
#include <QString>

namespace bg {

class FileService;

// Code page 950 (Big5 as Windows has it), the ANSI code page of a Traditional Chinese Windows.
namespace cp950 {
QString decode(const QByteArray &bytes);
// False when the text holds a character the code page cannot hold; nothing is substituted.
bool encode(const QString &text, QByteArray &bytes);
} // namespace cp950

// In-memory form of a private-profile (INI) file with the semantics of the Windows profile
// functions: [Section] and key=value lines; names compared ignoring case; blanks around names and
// values trimmed; a value in matching quotes loses them; the first of duplicate keys wins;
// comments and lines it does not own are kept byte for byte on a write; a new key is appended at
// the end of its section and a new section at the end of the file; written lines end in CR LF;
// LF, CR and CR LF are read.
class ProfileText
{
public:
    ProfileText() = default;
    explicit ProfileText(QByteArray bytes) : m_bytes(std::move(bytes)) {}

    const QByteArray &bytes() const { return m_bytes; }

    // The value's bytes (blanks around it trimmed, matching quotes removed); false when the
    // section or key is missing. Blanks around the names asked for are ignored.
    bool value(const QByteArray &section, const QByteArray &key, QByteArray &out) const;
    // Replaces or adds the key. The names and the value must be ones the layout can hold
    // (see canHold); anything else would be read back differently.
    void setValue(const QByteArray &section, const QByteArray &key, const QByteArray &value);

    // True when a [section] line and a key=value line made of these bytes are read back as that
    // section and key: no line breaks or zero bytes anywhere, a key that is not empty once
    // trimmed, holds no '=' and does not start like a comment or a section line, a section
    // name without ']'. (The value is read back with blanks trimmed and quotes removed, as
    // Windows does.)
    static bool canHold(const QByteArray &section, const QByteArray &key, const QByteArray &value);

private:
    QByteArray m_bytes;
};

// GetPrivateProfileStringA / WritePrivateProfileStringA on a file reached through the file
// service. Values are text in code page 950 on disk.
class PrivateProfile
{
public:
    explicit PrivateProfile(FileService &files) : m_files(files) {}

    // Files larger than this are not read as profiles (their values read as missing).
    static constexpr qint64 MaxFileSize = 16 * 1024 * 1024;

    // Copies the value (or the default) into a buffer of bufferSize bytes: at most bufferSize - 1
    // bytes, never ending inside a double-byte character. Returns the value bytes copied.
    QByteArray getString(const QString &section, const QString &key, const QString &defaultValue,
                         int bufferSize, const QString &file) const;

    // Convenience: the value decoded from code page 950.
    QString getText(const QString &section, const QString &key, const QString &defaultValue,
                    int bufferSize, const QString &file) const;

    // Writes one key, creating the file, section or key as needed; the file is replaced
    // atomically. Returns false when the value cannot be encoded (nothing is written) or the
    // write failed.
    bool writeString(const QString &section, const QString &key, const QString &value,
                     const QString &file);

private:
    FileService &m_files;
};

} // namespace bg

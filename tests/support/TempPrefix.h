#pragma once

#include "platform/FileService.h"
#include "platform/Prefix.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <memory>

namespace bg::test {

// A throw-away machine for one test: a temporary directory holding a prefix with the standard
// layout (drive_c with WINDOWS and its StartUp folder, c: -> ../drive_c, z: -> /), the Prefix
// on it and the real file service. Everything is removed when the object goes.
//
// Helpers take Windows paths ("C:\Logos\a.bmp") and create what they need on the way.
class TempPrefix
{
public:
    TempPrefix();
    TempPrefix(const TempPrefix &) = delete;
    TempPrefix &operator=(const TempPrefix &) = delete;

    // False when the temporary directory or the layout could not be made.
    bool isValid() const { return m_valid; }

    // The temporary directory everything lives in (the prefix root is a folder inside it).
    QString baseDir() const { return m_dir.path(); }
    QString root() const { return m_prefix->root(); }
    // Host directory of drive C.
    QString driveC() const;

    Prefix &prefix() { return *m_prefix; }
    const Prefix &prefix() const { return *m_prefix; }
    HostFileService &files() { return *m_files; }

    // Links a drive letter to a new empty folder inside the temporary directory and returns that
    // folder's host path (empty on failure).
    QString addDrive(QChar letter);
    // Links a drive letter to an existing host directory (absolute or relative to dosdevices/).
    bool addDrive(QChar letter, const QString &target);
    // Removes a drive's link.
    bool removeDrive(QChar letter);

    // The host path a Windows path names (empty when it has none).
    QString host(const QString &windowsPath) const;
    // The Windows path of a host path (empty when it has none).
    QString windows(const QString &hostPath) const;

    // Creates a folder and its missing parents. The path may end in a backslash.
    bool makeFolder(const QString &windowsPath);
    // Writes a file with the given bytes, creating missing parent folders; replaces a file there.
    bool writeFile(const QString &windowsPath, const QByteArray &bytes);
    // A file of the given size filled with a repeating pattern.
    bool writeFileOfSize(const QString &windowsPath, qint64 size);
    // Content of a file, or a null array when it cannot be read.
    QByteArray readFile(const QString &windowsPath) const;
    // True when something (file, folder, link) exists at the path.
    bool exists(const QString &windowsPath) const;
    // Clears or restores every write bit (the tool's idea of read-only).
    bool setReadOnly(const QString &windowsPath, bool readOnly);

private:
    QTemporaryDir m_dir;
    std::unique_ptr<Prefix> m_prefix;
    std::unique_ptr<HostFileService> m_files;
    bool m_valid = false;
};

} // namespace bg::test

#pragma once

#include "platform/FileService.h"
#include "platform/Prefix.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <memory>

namespace bg::test {

// A throw-away machine for one test: a temporary directory holding a prefix with the standard
// layout (drive_c with WINDOWS and its StartUp folder, c: -> ../drive_c, z: -> /), the Prefix on
// it and the real file service. Helpers take Windows paths ("C:\Logos\a.bmp") and create the
// folders they need on the way.
class TempPrefix
{
public:
    TempPrefix();
    TempPrefix(const TempPrefix &) = delete;
    TempPrefix &operator=(const TempPrefix &) = delete;

    bool isValid() const { return m_valid; }
    QString baseDir() const { return m_dir.path(); } // holds the prefix root
    QString root() const { return m_prefix->root(); }
    QString driveC() const { return host(QStringLiteral("C:\\")); }
    Prefix &prefix() { return *m_prefix; }
    const Prefix &prefix() const { return *m_prefix; }
    HostFileService &files() { return *m_files; }

    // Links a drive letter to a new empty folder in the temporary directory; returns its host
    // path (empty on failure).
    QString addDrive(QChar letter);
    // Links a drive letter to a host directory (absolute or relative to dosdevices/).
    bool addDrive(QChar letter, const QString &target);
    bool removeDrive(QChar letter);

    // Empty when there is none.
    QString host(const QString &windowsPath) const { return m_prefix->toHost(windowsPath).value_or(QString()); }
    QString windows(const QString &hostPath) const { return m_prefix->toWindows(hostPath).value_or(QString()); }

    bool makeFolder(const QString &windowsPath);
    bool writeFile(const QString &windowsPath, const QByteArray &bytes); // replaces a file there
    bool writeFileOfSize(const QString &windowsPath, qint64 size);
    QByteArray readFile(const QString &windowsPath) const; // null when it cannot be read
    bool exists(const QString &windowsPath) const;        // a file, folder or link
    // Clears or restores every write bit (the tool's idea of read-only).
    bool setReadOnly(const QString &windowsPath, bool readOnly);

private:
    QTemporaryDir m_dir;
    std::unique_ptr<Prefix> m_prefix;
    std::unique_ptr<HostFileService> m_files;
    bool m_valid = false;
};

// Takes away (or gives back) the thread's right to pass over file permissions, which root has,
// so that a folder without permissions refuses the test as it refuses a user.
void passOverPermissions(bool on);

} // namespace bg::test

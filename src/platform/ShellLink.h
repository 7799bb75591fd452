#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <optional>
#include <vector>

namespace bg {

class FileService;

// Builds a shell link (MS-SHLLINK) the way Windows 95/98 and Wine resolve it: no Unicode flag,
// a target ID list (My Computer, drive, one item per path component), a LinkInfo block holding
// the local base path in code page 950, and no arguments.
namespace shelllink {

// What the shell records about one existing path component (a folder on the way or the target).
struct EntryInfo
{
    int attributes = -1;  // DOS attributes (platform/DosAttributes.h); -1 when unknown
    qint64 size = 0;      // bytes; folders have none
    QDateTime created;    // invalid when unknown: the link then holds zero
    QDateTime accessed;
    QDateTime modified;
};

// Facts about the target's volume and path that only the disk can tell.
struct TargetDetails
{
    // One entry per component after the drive ("Program Files", ..., "Onboot.exe"); an absent
    // entry or a missing tail means "unknown", and the link holds neutral values for it.
    std::vector<std::optional<EntryInfo>> components;
    quint32 volumeSerial = 0;
};

// The bytes of a link to an absolute Windows path such as "C:\Program Files\Onboot.exe".
// Empty when the path cannot be expressed (no drive, a component code page 950 cannot hold).
QByteArray build(const QString &targetWindowsPath, const QString &arguments = QString());
QByteArray build(const QString &targetWindowsPath, const QString &arguments,
                 const TargetDetails &details);

// The target a link names by its local base path ("C:\Program Files\Bootgallery\Onboot.exe");
// empty when the bytes are no link or name no local path.
std::optional<QString> targetOf(const QByteArray &link);

// The 8.3 alias a FAT volume of a Windows 95 machine gives a long name (first numeric tail),
// or the name itself, upper-cased, when it already fits 8.3.
QString shortName(const QString &longName);

} // namespace shelllink

// fCreateShellLink: creates <programs>\<folderName>\<linkName>.lnk pointing at target.
// programsFolder is the Start menu's Programs folder (no trailing backslash). Returns 0 on
// success, else a run-time error number; the caller knows when no link was made.
int createShellLink(FileService &files, const QString &programsFolder, const QString &folderName,
                    const QString &linkName, const QString &target, const QString &arguments);

} // namespace bg

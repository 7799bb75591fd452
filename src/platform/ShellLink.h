#pragma once

#include <QByteArray>
#include <QString>

namespace bg {

class FileService;

// Builds a shell link (MS-SHLLINK) the way Windows 95/98 and Wine resolve it: no Unicode flag,
// a target ID list (My Computer, drive, one item per path component), a LinkInfo block holding
// the local base path in code page 950, and no arguments.
namespace shelllink {

// The bytes of a link to an absolute Windows path such as "C:\Program Files\Onboot.exe".
// Empty when the path cannot be expressed (no drive, a component code page 950 cannot hold).
QByteArray build(const QString &targetWindowsPath, const QString &arguments = QString());

} // namespace shelllink

// fCreateShellLink: creates <programs>\<folderName>\<linkName>.lnk pointing at target.
// programsFolder is the Start menu's Programs folder (no trailing backslash). Returns 0 on
// success, else a run-time error number; the caller knows when no link was made.
int createShellLink(FileService &files, const QString &programsFolder, const QString &folderName,
                    const QString &linkName, const QString &target, const QString &arguments);

} // namespace bg

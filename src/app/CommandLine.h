#pragma once

#include <QString>
#include <QStringList>

namespace bg {

class Prefix;

// The argument text of the command line: the arguments joined by single blanks. An argument
// that is a host path (absolute, or relative to currentDir; the file or at least its folder
// exists) enters as its Windows form, so "bootgallery /c ~/pics/a.bmp" names Z:\home\...\a.bmp;
// anything else - a switch such as "/c" or "/C", a quoted path - stays exactly as typed.
QString commandText(const Prefix &prefix, const QStringList &arguments, const QString &currentDir);

// The running program's folder as a Windows path with a trailing backslash.
QString programFolderOf(const Prefix &prefix, const QString &hostDir);

} // namespace bg

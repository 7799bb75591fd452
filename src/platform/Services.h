#pragma once

#include <QString>

namespace bg {

class Desktop;
class FileService;
class PictureLoader;
class Prefix;

// What the main window is given by whoever starts it: the Windows world and the start's facts.
struct Services
{
    Prefix &prefix;
    FileService &files;
    Desktop &desktop;
    const PictureLoader &pictures;
    // The running program's folder as a Windows path (a backslash is added when missing).
    QString programFolder;
    // The argument text of the command line: the arguments joined by single blanks.
    QString commandText;
    // The Windows companion program on the host, installed into the Windows installation when
    // the change at boot is switched on: $BOOTGALLERY_COMPANION, else Onboot.exe beside the tool.
    QString companionFile = QString();
};

} // namespace bg

#pragma once

#include "core/LogoSlot.h"

#include <QString>

namespace bg {

class FileService;

// Windows' own logos, kept the first time the tool (or the companion) replaces one, so that the
// user can have them back. They lie in a folder of the tool's inside the Windows folder, under
// their own names; for a slot that had no system file at all, an empty marker file
// "<name>.NONE" records the fact (no LOGO.SYS means the logo built into Windows).
class OriginalLogos
{
public:
    // windowsFolder ends in a backslash.
    OriginalLogos(FileService &files, QString windowsFolder);

    static QString folderName() { return QStringLiteral("Bootgallery"); }
    QString folder() const; // <Windows>\Bootgallery
    QString keptPath(LogoSlot slot) const;
    QString nonePath(LogoSlot slot) const;

    // Whether the slot's original (or the fact that there was none) is kept.
    bool isKept(LogoSlot slot) const;

    // Keeps the slot's current system file as its original unless one is kept already; 0 or the
    // run-time error number (nothing is half-written: the copy lands in one step).
    int keep(LogoSlot slot) const;

    enum class Restore { Restored, NothingKept, Failed };
    struct RestoreOutcome
    {
        Restore result = Restore::Restored;
        int error = 0;
    };
    // Puts the kept original back as the slot's system file (hidden, as Windows keeps it), or
    // removes the system file when there was none. The kept original stays kept.
    RestoreOutcome restore(LogoSlot slot) const;

private:
    QString systemFile(LogoSlot slot) const;

    FileService &m_files;
    QString m_windowsFolder;
};

} // namespace bg

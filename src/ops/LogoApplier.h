#pragma once

#include "core/LogoSlot.h"

#include <QByteArray>
#include <QString>

namespace bg {

class FileService;

// What an apply came to. Only Applied changes the slot; every other result leaves the logo in
// its folder, the system file as it was and the used-logo folder as it was found.
enum class ApplyResult {
    Applied,       // the logo is now the system file; its copy lies in the used-logo folder
    NoEntry,       // no entry is chosen in the list
    SameFile,      // the chosen logo is the slot's system file itself
    SourceMissing, // the chosen logo is not a file of the shown folder (any more)
    UsedFolderIsLink, // the used-logo folder is a link to elsewhere: nothing is written there
    OriginalNotKept, // Windows' own logo could not be kept before its first replacement
    CopyFailed,    // no copy could be kept in the used-logo folder
    ReplaceFailed, // the system file could not be replaced
};

struct ApplyOutcome
{
    ApplyResult result = ApplyResult::Applied;
    int error = 0;          // run-time error number of the step that failed, 0 when none did
    bool hiddenOnly = true; // Applied: the system file carries the hidden attribute only
    bool logoKept = false;  // Applied: the logo's file could not leave its folder (it stays)
};

// Applies a logo of a slot folder to a slot's system file, through the file service:
//
//   0. the first time a slot's system file is replaced, it is kept as the original;
//   1. the used-logo folder (folder + "Showed") is created when missing;
//   2. the logo is copied into it under its list name, replacing a copy of that name;
//   3. the logo file is marked hidden and nothing else;
//   4. the logo file takes the system file's place in one rename.
//
// The system file is never deleted first: at every instant the slot holds its old logo or its
// new one. When a step fails, what the earlier steps did is undone as far as it can be. The
// system file is always a regular file: a logo that is a link gives the bytes it leads to and
// the link leaves the folder; what it leads to is never touched. The logo and the system file
// are compared as files (device and inode), whatever their paths' spelling.
class LogoApplier
{
public:
    explicit LogoApplier(FileService &files) : m_files(files) {}

    // source: the chosen logo's path (the list's selected path); folder: the shown slot folder,
    // ending in a backslash; name: the chosen entry's text; the slot's system file lies in
    // windowsFolder (ending in a backslash), LOGO.SYS on drive C.
    ApplyOutcome apply(const QString &source, const QString &folder, const QString &name,
                       LogoSlot slot, const QString &windowsFolder);
    // The same for a picture that is no bitmap the boot screen shows: the logo made of it (the
    // file's bytes) is written over the system file in one rename, and the picture itself is
    // what goes to the used-logo folder and leaves the shown one.
    ApplyOutcome applyConverted(const QString &source, const QString &folder, const QString &name,
                                LogoSlot slot, const QString &windowsFolder,
                                const QByteArray &logo);

    static QString usedFolder(const QString &folder) { return folder + QStringLiteral("Showed"); }

private:
    // The copy of the logo kept in the used-logo folder, and what making it changed.
    struct UsedCopy
    {
        QString folder;
        QString copy;
        bool existed = false;       // a copy of that name was there before
        bool createdFolder = false; // the folder was made for it
    };

    ApplyOutcome applyLogo(const QString &source, const QString &folder, const QString &name,
                           LogoSlot slot, const QString &windowsFolder,
                           const QByteArray *converted);
    ApplyOutcome writeConverted(const QString &source, const QString &targetPath,
                                const QByteArray &logo, const UsedCopy &usedCopy);

    FileService &m_files;
};

} // namespace bg

#pragma once

#include <QString>

namespace bg {

class FileService;

// Width in twips of the rename box laid over a list row. The list shows a vertical scroll bar
// from 15 entries on, or from 13 when its horizontal scroll bar (window mark "over") takes a
// row's height; the box then leaves the bar uncovered.
int renameBoxWidth(int listWidthTwips, const QString &windowTag, int entryCount);

// True when a file in a folder can carry this name on Windows: no character Windows refuses
// (\ / : * ? " < > | and control characters), not only dots (".", ".." lead out of the folder),
// no trailing dot or blank (Windows would drop them and so give another name), and not a device
// name such as CON or LPT1, with or without an extension.
bool isPlainFileName(const QString &name);

// The longest path a file can have: MAX_PATH less its terminating NUL.
constexpr int MaxPathLength = 259;

// How an edit of a file name ended for the rename box.
enum class RenameEnd {
    Finished, // nothing (more) to do: unchanged name, or an empty one (the user is told)
    Moved,    // the file carries its new name
    Refused,  // the file keeps its name, for a reason the user is told; the edit stays marked
              // as typed
};

// What a rename came to.
enum class RenameResult {
    Unchanged,  // the same name, or one differing only in letter case: nothing is done
    EmptyName,  // no name was typed
    BadName,    // a name Windows cannot hold, or a path longer than MAX_PATH
    ReservedName, // a name of the temporary files' reserved form (".~bg...")
    Exists,     // a file of the new name is there already
    MoveFailed, // the file system refused the rename
    Moved,      // the file carries its new name
};

struct RenameOutcome
{
    RenameResult result = RenameResult::Unchanged;
    QString oldName; // the name the file had when the rename began

    RenameEnd end() const;
};

// Renames one file inside a folder as the rename box asks.
class LogoRenamer
{
public:
    explicit LogoRenamer(FileService &files);

    // folder ends in a backslash; the new name is used exactly as typed.
    RenameOutcome rename(const QString &folder, const QString &oldName,
                         const QString &newName) const;

private:
    FileService &m_files;
};

} // namespace bg

#pragma once

#include <QString>

namespace bg {

class Desktop;
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

// How an edit of a file name ended.
enum class RenameEnd {
    Finished, // nothing (more) to do: unchanged name, or the empty-name message was shown
    Moved,    // the file carries its new name
    Refused,  // a message said why the file keeps its name; the edit stays marked as typed
};

// Renames one file inside a folder as the rename box asks, with the box's messages.
class LogoRenamer
{
public:
    LogoRenamer(FileService &files, Desktop &desktop);

    // folder ends in a backslash; the new name is used exactly as typed.
    RenameEnd rename(const QString &folder, const QString &oldName, const QString &newName) const;

    static QString existsMessage(const QString &oldName);
    static QString moveFailedMessage(const QString &oldName);

private:
    RenameEnd refuse(const QString &prompt) const;

    FileService &m_files;
    Desktop &m_desktop;
};

} // namespace bg

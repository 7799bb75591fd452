#pragma once

#include <QString>

namespace bg {

class FileService;

// What a restore did.
struct RestoreOutcome
{
    bool usedFolderIsLink = false; // the used-logo folder is a link to elsewhere: left alone
    bool opened = false;        // the used-logo folder could be listed
    int moved = 0;              // logos moved back into the slot folder
    int left = 0;               // files left in the used-logo folder
    bool folderRemoved = false; // the used-logo folder was deleted
};

// Moves the used logos of a slot folder (its "Showed" subfolder) back into the folder. Every step
// is attempted; a step that fails is skipped. Only files whose size passes the logo size test
// move; a file whose name the slot folder already holds stays. The used-logo folder is removed
// (without force) once it holds neither subfolders nor files. A used-logo folder that is a link
// leads elsewhere: nothing is moved out of it.
class LogoRestorer
{
public:
    explicit LogoRestorer(FileService &files) : m_files(files) {}

    // slotFolder ends in a backslash.
    RestoreOutcome restore(const QString &slotFolder);

private:
    FileService &m_files;
};

} // namespace bg

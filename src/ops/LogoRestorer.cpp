#include "ops/LogoRestorer.h"

#include "core/LogoTests.h"
#include "platform/FileService.h"
#include "platform/RuntimeError.h"

#include <vector>

namespace bg {

RestoreOutcome LogoRestorer::restore(const QString &slotFolder)
{
    RestoreOutcome outcome;
    if (slotFolder.isEmpty())
        return outcome;
    const QString used = slotFolder + QStringLiteral("Showed");
    const QString usedOpen = used + QLatin1Char('\\');
    const FileOperation operation(m_files);
    if (m_files.isLink(used)) {
        outcome.usedFolderIsLink = true;
        return outcome;
    }

    std::vector<FolderFile> files;
    if (m_files.listFiles(usedOpen, files) != rt::Ok)
        return outcome; // missing, or "Showed" is a file: nothing to move or delete
    outcome.opened = true;

    for (const FolderFile &file : files) {
        if (HasLogoFileSize(file.size) && m_files.moveFile(file.path, slotFolder) == rt::Ok)
            ++outcome.moved;
    }
    outcome.left = int(files.size()) - outcome.moved;

    int subFolders = 0;
    if (m_files.countSubFolders(usedOpen, subFolders) != rt::Ok || subFolders != 0)
        return outcome;
    if (m_files.listFiles(usedOpen, files) != rt::Ok)
        return outcome;
    outcome.left = int(files.size());
    if (files.empty())
        outcome.folderRemoved = m_files.deleteFolder(used, false) == rt::Ok;
    return outcome;
}

} // namespace bg

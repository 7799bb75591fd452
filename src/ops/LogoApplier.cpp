#include "ops/LogoApplier.h"

#include "platform/DosAttributes.h"
#include "platform/FileService.h"
#include "platform/RuntimeError.h"

namespace bg {

ApplyOutcome LogoApplier::apply(const QString &source, const QString &folder, const QString &name,
                                const QString &targetPath)
{
    if (name.isEmpty())
        return {ApplyResult::NoEntry};
    // Paths are compared upper-cased on the logo's side only: the system file's path is the
    // tool's own spelling.
    const QString sourceUpper = source.toUpper();
    if (sourceUpper == targetPath)
        return {ApplyResult::SameFile};
    // The entry must still be a file of the shown folder: an entry left over from another
    // folder, or a file removed behind the tool's back, is not applied.
    if (sourceUpper != (folder + name).toUpper() || !m_files.fileExists(source))
        return {ApplyResult::SourceMissing, rt::FileNotFound};

    const QString used = usedFolder(folder);
    const QString copy = used + QLatin1Char('\\') + name;
    bool createdUsed = false;
    if (!m_files.folderExists(used))
        createdUsed = m_files.createFolder(used) == rt::Ok;
    const bool copyExisted = m_files.fileExists(copy);

    if (const int err = m_files.copyFile(source, copy, true)) {
        if (createdUsed)
            m_files.deleteFolder(used, false);
        return {ApplyResult::CopyFailed, err};
    }

    // Hidden only, so the moved file is hidden at its new place. A file system that refuses the
    // attribute does not stop the apply: Windows shows a logo that is not hidden all the same.
    int original = 0;
    const bool knowOriginal = m_files.getAttr(source, original) == rt::Ok;
    const bool hidden = m_files.setAttr(source, attr::Hidden) == rt::Ok;

    if (const int err = m_files.replaceFile(source, targetPath)) {
        // The old system file is untouched; the logo goes back to how it was found, and the
        // copy made for it is taken back unless it replaced an earlier one.
        if (hidden && knowOriginal)
            m_files.setAttr(source, original);
        if (!copyExisted)
            m_files.deleteFile(copy, true);
        if (createdUsed)
            m_files.deleteFolder(used, false);
        return {ApplyResult::ReplaceFailed, err};
    }

    ApplyOutcome outcome{ApplyResult::Applied};
    outcome.hiddenOnly = hidden || m_files.setAttr(targetPath, attr::Hidden) == rt::Ok;
    return outcome;
}

} // namespace bg

#include "ops/LogoApplier.h"

#include "ops/OriginalLogos.h"
#include "platform/DosAttributes.h"
#include "platform/FileService.h"
#include "platform/RuntimeError.h"

namespace bg {

ApplyOutcome LogoApplier::apply(const QString &source, const QString &folder, const QString &name,
                                LogoSlot slot, const QString &windowsFolder)
{
    return applyLogo(source, folder, name, slot, windowsFolder, nullptr);
}

ApplyOutcome LogoApplier::applyConverted(const QString &source, const QString &folder,
                                         const QString &name, LogoSlot slot,
                                         const QString &windowsFolder, const QByteArray &logo)
{
    return applyLogo(source, folder, name, slot, windowsFolder, &logo);
}

ApplyOutcome LogoApplier::applyLogo(const QString &source, const QString &folder,
                                    const QString &name, LogoSlot slot,
                                    const QString &windowsFolder, const QByteArray *converted)
{
    const QString targetPath = systemFilePath(slot, windowsFolder);
    if (name.isEmpty())
        return {ApplyResult::NoEntry};
    const FileOperation operation(m_files);
    if (source.compare(targetPath, Qt::CaseInsensitive) == 0 || m_files.sameFile(source, targetPath))
        return {ApplyResult::SameFile};
    // The entry must still be a file of the shown folder: an entry left over from another
    // folder, or a file removed behind the tool's back, is not applied.
    if (source.compare(folder + name, Qt::CaseInsensitive) != 0 || !m_files.fileExists(source))
        return {ApplyResult::SourceMissing, rt::FileNotFound};

    const QString used = usedFolder(folder);
    if (m_files.isLink(used))
        return {ApplyResult::UsedFolderIsLink};
    if (const int error = OriginalLogos(m_files, windowsFolder).keep(slot))
        return {ApplyResult::OriginalNotKept, error};
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

    if (converted)
        return writeConverted(source, targetPath, *converted, {used, copy, copyExisted, createdUsed});

    // Hidden only, so the moved file is hidden at its new place. A file system that refuses the
    // attribute (or a logo that is a link) does not stop the apply: the system file is made
    // hidden once in place.
    int original = 0;
    const bool knowOriginal = m_files.getAttr(source, original) == rt::Ok;
    const bool hidden = m_files.setAttr(source, attr::Hidden) == rt::Ok;
    const auto restoreLogo = [&] {
        if (hidden && knowOriginal)
            m_files.setAttr(source, original);
    };

    const int replaced = m_files.replaceFile(source, targetPath);
    if (replaced != rt::Ok && replaced != rt::CopiedNotMoved) {
        // The old system file is untouched; the logo goes back to how it was found, and the
        // copy made for it is taken back unless it replaced an earlier one.
        restoreLogo();
        if (!copyExisted)
            m_files.deleteFile(copy, true);
        if (createdUsed)
            m_files.deleteFolder(used, false);
        return {ApplyResult::ReplaceFailed, replaced};
    }

    ApplyOutcome outcome{ApplyResult::Applied};
    if (replaced == rt::CopiedNotMoved) {
        // The new logo is in place, but its file could not leave the folder: it stays as found.
        outcome.logoKept = true;
        restoreLogo();
    }
    outcome.hiddenOnly = (hidden && !outcome.logoKept)
        || m_files.setAttr(targetPath, attr::Hidden) == rt::Ok;
    return outcome;
}

ApplyOutcome LogoApplier::writeConverted(const QString &source, const QString &targetPath,
                                         const QByteArray &logo, const UsedCopy &usedCopy)
{
    // The new logo is written beside the system file and renamed over it; a read-only system
    // file is opened to that for the moment of the write.
    int targetAttributes = 0;
    const bool readOnly = m_files.getAttr(targetPath, targetAttributes) == rt::Ok
        && (targetAttributes & attr::ReadOnly);
    if (readOnly)
        m_files.setAttr(targetPath, targetAttributes & ~attr::ReadOnly);
    if (const int error = m_files.writeFileAtomic(targetPath, logo)) {
        if (readOnly)
            m_files.setAttr(targetPath, targetAttributes);
        if (!usedCopy.existed)
            m_files.deleteFile(usedCopy.copy, true);
        if (usedCopy.createdFolder)
            m_files.deleteFolder(usedCopy.folder, false);
        return {ApplyResult::ReplaceFailed, error};
    }
    ApplyOutcome outcome{ApplyResult::Applied};
    // The picture has its copy among the used logos; it leaves the folder as an applied logo does.
    outcome.logoKept = m_files.deleteFile(source, true) != rt::Ok;
    outcome.hiddenOnly = m_files.setAttr(targetPath, attr::Hidden) == rt::Ok;
    return outcome;
}

} // namespace bg

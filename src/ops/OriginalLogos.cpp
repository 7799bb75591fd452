#include "ops/OriginalLogos.h"

#include "platform/DosAttributes.h"
#include "platform/FileService.h"
#include "platform/RuntimeError.h"

namespace bg {

OriginalLogos::OriginalLogos(FileService &files, QString windowsFolder)
    : m_files(files), m_windowsFolder(std::move(windowsFolder))
{
}

QString OriginalLogos::folder() const
{
    return m_windowsFolder + folderName();
}

QString OriginalLogos::keptPath(LogoSlot slot) const
{
    return folder() + u'\\' + slotInfo(slot).systemFileName;
}

QString OriginalLogos::nonePath(LogoSlot slot) const
{
    QString name = slotInfo(slot).systemFileName;
    name.chop(4); // ".SYS"
    return folder() + u'\\' + name + QStringLiteral(".NONE");
}

QString OriginalLogos::systemFile(LogoSlot slot) const
{
    return systemFilePath(slot, m_windowsFolder);
}

bool OriginalLogos::isKept(LogoSlot slot) const
{
    return m_files.fileExists(keptPath(slot)) || m_files.fileExists(nonePath(slot));
}

int OriginalLogos::keep(LogoSlot slot) const
{
    const FileOperation operation(m_files);
    if (isKept(slot))
        return rt::Ok;
    if (!m_files.folderExists(folder())) {
        if (const int error = m_files.createFolder(folder()); error && error != rt::FileAlreadyExists)
            return error;
    }
    const QString system = systemFile(slot);
    if (!m_files.fileExists(system))
        return m_files.writeFileAtomic(nonePath(slot), QByteArray());
    // The copy keeps the file's attributes; read-only would only stand in the way of a restore.
    if (const int error = m_files.copyFile(system, keptPath(slot), false))
        return error;
    m_files.setAttr(keptPath(slot), attr::Normal);
    return rt::Ok;
}

OriginalLogos::RestoreOutcome OriginalLogos::restore(LogoSlot slot) const
{
    const FileOperation operation(m_files);
    const QString system = systemFile(slot);
    if (m_files.fileExists(keptPath(slot))) {
        if (m_files.sameFile(keptPath(slot), system))
            return {};
        // A read-only system file is replaced all the same: it is the tool's to change. It keeps
        // its attributes when it stays.
        int attributes = 0;
        const bool cleared = m_files.fileExists(system) && !m_files.isLink(system)
            && m_files.getAttr(system, attributes) == rt::Ok
            && m_files.setAttr(system, attr::Normal) == rt::Ok;
        if (const int error = m_files.copyFile(keptPath(slot), system, true)) {
            if (cleared)
                m_files.setAttr(system, attributes);
            return {Restore::Failed, error};
        }
        m_files.setAttr(system, attr::Hidden);
        return {};
    }
    if (!m_files.fileExists(nonePath(slot)))
        return {Restore::NothingKept};
    if (!m_files.fileExists(system))
        return {};
    if (const int error = m_files.deleteFile(system, true))
        return {Restore::Failed, error};
    return {};
}

} // namespace bg

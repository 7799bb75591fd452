#include "ops/StartupRegistration.h"

#include "platform/DosAttributes.h"
#include "platform/FileService.h"
#include "platform/RuntimeError.h"
#include "platform/ShellLink.h"

namespace bg {

StartupRegistration::StartupRegistration(FileService &files)
    : StartupRegistration(files,
                          [&files](const QString &programs, const QString &folder,
                                   const QString &name, const QString &target,
                                   const QString &arguments) {
                              return createShellLink(files, programs, folder, name, target,
                                                     arguments);
                          })
{
}

StartupRegistration::StartupRegistration(FileService &files, LinkWriter writer)
    : m_files(files), m_writer(std::move(writer))
{
}

QString StartupRegistration::linkPath(const QString &startupMenuFolder)
{
    return startupMenuFolder + QLatin1Char('\\') + linkName() + QStringLiteral(".lnk");
}

QString StartupRegistration::folderName(const QString &startupMenuFolder)
{
    const qsizetype slash = startupMenuFolder.lastIndexOf(QLatin1Char('\\'));
    return slash < 0 ? QString() : startupMenuFolder.mid(slash + 1);
}

int StartupRegistration::create(const QString &startupMenuFolder, const QString &programsFolder,
                                const QString &programFolder) const
{
    if (isRegistered(startupMenuFolder))
        m_files.setAttr(linkPath(startupMenuFolder), attr::Normal);
    return m_writer(programsFolder, folderName(startupMenuFolder), linkName(),
                    programFolder + companionName(), QString());
}

int StartupRegistration::remove(const QString &startupMenuFolder) const
{
    const QString path = linkPath(startupMenuFolder);
    const FileOperation operation(m_files);
    if (!isRegistered(startupMenuFolder))
        return rt::Ok;
    // A link there is removed as the link; only a file of its own gets its attributes cleared.
    if (!m_files.isLink(path))
        m_files.setAttr(path, attr::Normal);
    const int error = m_files.deleteFile(path, true);
    return isRegistered(startupMenuFolder) ? (error ? error : rt::PermissionDenied) : rt::Ok;
}

bool StartupRegistration::isRegistered(const QString &startupMenuFolder) const
{
    return m_files.fileExists(linkPath(startupMenuFolder));
}

} // namespace bg

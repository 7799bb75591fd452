#include "ops/StartupRegistration.h"

#include "platform/DosAttributes.h"
#include "platform/FileService.h"
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
    return m_writer(programsFolder, folderName(startupMenuFolder), linkName(),
                    programFolder + companionName(), QString());
}

void StartupRegistration::remove(const QString &startupMenuFolder) const
{
    // Kill sees what Dir with attribute 0 sees: a hidden or system shortcut is "not found" and
    // stays; a read-only one is refused. Both errors are of no interest to the caller.
    const QString path = linkPath(startupMenuFolder);
    if (isRegistered(startupMenuFolder))
        m_files.deleteFile(path, false);
}

bool StartupRegistration::isRegistered(const QString &startupMenuFolder) const
{
    return !m_files.dir(linkPath(startupMenuFolder), attr::Normal).isEmpty();
}

} // namespace bg

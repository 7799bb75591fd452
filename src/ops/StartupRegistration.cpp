#include "ops/StartupRegistration.h"

#include "platform/DosAttributes.h"
#include "platform/FileService.h"
#include "platform/RuntimeError.h"
#include "platform/ShellLink.h"

#include <QStringList>

namespace bg {

namespace {

// A shortcut is a few hundred bytes; anything larger is no shortcut of ours.
constexpr qint64 MaxLinkSize = 64 * 1024;

} // namespace

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

int StartupRegistration::installCompanion(const QByteArray &companion) const
{
    // Folders made here go again when the companion cannot be placed in them.
    QStringList created;
    const auto undo = [&](int error) {
        for (auto it = created.crbegin(); it != created.crend(); ++it)
            m_files.deleteFolder(*it, false);
        return error;
    };
    const QString parent = companionFolder().section(u'\\', 0, 1);
    for (const QString &folder : {parent, companionFolder()}) {
        if (m_files.folderExists(folder))
            continue;
        if (const int error = m_files.createFolder(folder))
            return undo(error);
        created.append(folder);
    }
    const QString path = installedCompanion();
    QByteArray current;
    if (m_files.readFile(path, current, companion.size()) == rt::Ok && current == companion)
        return rt::Ok;
    if (m_files.fileExists(path) && !m_files.isLink(path))
        m_files.setAttr(path, attr::Normal);
    if (const int error = m_files.writeFileAtomic(path, companion))
        return undo(error);
    return rt::Ok;
}

StartupRegistration::Outcome StartupRegistration::create(const QString &startupMenuFolder,
                                                         const QString &programsFolder,
                                                         const QByteArray &companion) const
{
    if (companion.isEmpty())
        return {Result::CompanionMissing};
    if (const int error = installCompanion(companion))
        return {Result::CompanionNotPlaced, error};
    if (isRegistered(startupMenuFolder) && !m_files.isLink(linkPath(startupMenuFolder)))
        m_files.setAttr(linkPath(startupMenuFolder), attr::Normal);
    if (const int error = m_writer(programsFolder, folderName(startupMenuFolder), linkName(),
                                   installedCompanion(), QString()))
        return {Result::LinkFailed, error};
    return {};
}

int StartupRegistration::remove(const QString &startupMenuFolder) const
{
    const QString path = linkPath(startupMenuFolder);
    const FileOperation operation(m_files);
    if (isRegistered(startupMenuFolder)) {
        // A link there is removed as the link; only a file of its own gets its attributes cleared.
        if (!m_files.isLink(path))
            m_files.setAttr(path, attr::Normal);
        const int error = m_files.deleteFile(path, true);
        if (isRegistered(startupMenuFolder))
            return error ? error : rt::PermissionDenied;
    }
    // Nothing starts the companion any more: it goes, and its folder once empty.
    if (!m_files.fileExists(installedCompanion())
        || m_files.deleteFile(installedCompanion(), true) == rt::Ok)
        m_files.deleteFolder(companionFolder(), false);
    return rt::Ok;
}

bool StartupRegistration::isRegistered(const QString &startupMenuFolder) const
{
    return m_files.fileExists(linkPath(startupMenuFolder));
}

bool StartupRegistration::isCurrent(const QString &startupMenuFolder,
                                    const QByteArray &companion) const
{
    QByteArray link;
    if (m_files.readFile(linkPath(startupMenuFolder), link, MaxLinkSize) != rt::Ok)
        return false;
    const auto target = shelllink::targetOf(link);
    if (!target || !target->startsWith(QLatin1String("C:\\"), Qt::CaseInsensitive)
        || !m_files.fileExists(*target))
        return false;
    // A companion other than the tool's own (an older one) is brought up to date.
    if (companion.isEmpty() || target->compare(installedCompanion(), Qt::CaseInsensitive) != 0)
        return true;
    QByteArray installed;
    return m_files.readFile(installedCompanion(), installed, companion.size()) == rt::Ok
        && installed == companion;
}

StartupRegistration::Repair StartupRegistration::repair(const QString &startupMenuFolder,
                                                        const QString &programsFolder,
                                                        const QByteArray &companion) const
{
    if (!isRegistered(startupMenuFolder) || isCurrent(startupMenuFolder, companion))
        return Repair::NotNeeded;
    return create(startupMenuFolder, programsFolder, companion).result == Result::Done
        ? Repair::Repaired
        : Repair::Failed;
}

} // namespace bg

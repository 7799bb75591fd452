#include "platform/ScratchFolders.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <cerrno>
#include <csignal>
#include <sys/statvfs.h>
#include <unistd.h>

namespace bg::scratch {

QString fastFolder()
{
    constexpr qint64 Room = qint64(1) << 30;
    for (const QString &candidate : {qEnvironmentVariable("XDG_RUNTIME_DIR"),
                                     QStringLiteral("/dev/shm")}) {
        const QFileInfo info(candidate);
        struct statvfs fs;
        if (!candidate.isEmpty() && info.isDir() && info.isWritable()
            && ::statvfs(QFile::encodeName(candidate).constData(), &fs) == 0
            && qint64(fs.f_bavail) * qint64(fs.f_frsize) >= Room)
            return candidate;
    }
    return QDir::tempPath();
}

QString folderTemplate(const QString &folder, const QString &name)
{
    return QStringLiteral("%1/bootgallery-%2-%3-XXXXXX").arg(folder, name).arg(::getpid());
}

void removeLeftBehind()
{
    static const QRegularExpression made(QStringLiteral("^bootgallery-[a-z]+-(\\d+)-[A-Za-z0-9]{6}$"));
    for (const QString &folder : {QDir::tempPath(), fastFolder()}) {
        const QFileInfoList entries =
            QDir(folder).entryInfoList({QStringLiteral("bootgallery-*")}, QDir::Dirs | QDir::NoSymLinks);
        for (const QFileInfo &entry : entries) {
            const auto match = made.match(entry.fileName());
            if (!match.hasMatch() || entry.ownerId() != ::getuid())
                continue;
            const pid_t pid = pid_t(match.captured(1).toLongLong());
            if (pid > 0 && pid != ::getpid() && ::kill(pid, 0) != 0 && errno == ESRCH)
                QDir(entry.filePath()).removeRecursively();
        }
    }
}

} // namespace bg::scratch

#include "platform/HostPath.h"

#include "platform/HostEntry.h"

#include "platform/RuntimeError.h"

#include <fcntl.h>
#include <unistd.h>

namespace bg::hostfs {

QString parentOf(const QString &hostPath)
{
    const qsizetype slash = hostPath.lastIndexOf(u'/');
    return slash > 0 ? hostPath.left(slash) : QStringLiteral("/");
}

QString baseName(const QString &hostPath)
{
    return hostPath.mid(hostPath.lastIndexOf(u'/') + 1);
}

int HostEntry::stat(struct stat &st, bool followLink) const
{
    if (!folderOpen())
        return dirError;
    return ::fstatat(dir.get(), n(), &st, followLink ? 0 : AT_SYMLINK_NOFOLLOW) == 0 ? 0 : errno;
}

int HostEntry::missingError() const
{
    return folderOpen() ? rt::FileNotFound : rt::PathNotFound;
}

void resolveEntry(const QString &hostPath, HostEntry &entry)
{
    entry.path = hostPath;
    QString folder = parentOf(hostPath);
    QString name = baseName(hostPath);
    if (name.isEmpty() || name == u"." || name == u"..") {
        folder = hostPath;
        name = QStringLiteral(".");
    }
    entry.name = enc(name);
    const int fd = ::open(enc(folder).constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    entry.dir.reset(fd);
    entry.dirError = fd >= 0 ? 0 : errno;
}

QByteArray procPath(int fd)
{
    return "/proc/self/fd/" + QByteArray::number(fd);
}

} // namespace bg::hostfs

#include "platform/HostPath.h"

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

bool isDirectory(const QString &hostPath)
{
    struct stat st;
    return ::stat(enc(hostPath).constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

int missingFileError(const QString &hostPath)
{
    return isDirectory(parentOf(hostPath)) ? rt::FileNotFound : rt::PathNotFound;
}

void syncDirectory(const QString &dir)
{
    const int fd = ::open(enc(dir).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace bg::hostfs

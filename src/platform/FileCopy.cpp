#include "platform/FileCopy.h"

#include "platform/DosAttributes.h"
#include "platform/FileDescriptor.h"
#include "platform/HostEntry.h"
#include "platform/HostPath.h"
#include "platform/RuntimeError.h"
#include "platform/TempFile.h"

#include <QByteArray>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace bg::hostfs {

int writeAll(int fd, const char *data, qint64 size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size_t(std::min<qint64>(size, 1 << 30)));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        data += n;
        size -= n;
    }
    return 0;
}

int copyContent(int in, int out, qint64 expectedSize)
{
    qint64 copied = 0;
    bool inKernel = true;
    while (inKernel) {
        const ssize_t n = ::copy_file_range(in, nullptr, out, nullptr, size_t(1) << 30, 0);
        if (n > 0) {
            copied += n;
            continue;
        }
        if (n == 0 && copied >= expectedSize)
            return 0;
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EXDEV && errno != EINVAL && errno != ENOSYS
            && errno != EOPNOTSUPP && errno != EBADF && errno != EPERM)
            return errno;
        // Not possible between these files (or a file system that reports nothing copied for a
        // non-empty file): go on from the current offsets with plain reads and writes.
        inKernel = false;
    }
    QByteArray buffer(256 * 1024, Qt::Uninitialized);
    for (;;) {
        const ssize_t n = ::read(in, buffer.data(), size_t(buffer.size()));
        if (n == 0)
            return 0;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (const int err = writeAll(out, buffer.constData(), n))
            return err;
    }
}

int copyToTemp(const HostEntry &source, const HostEntry &destination, TempFile &temp)
{
    if (!source.folderOpen())
        return rt::PathNotFound;
    // Reading goes through a link: a logo may be one. Only a regular file is read.
    const int in = ::openat(source.dir.get(), source.n(),
                            O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (in < 0)
        return errno == ENOENT ? rt::FileNotFound : rt::fromErrno(errno);
    FileDescriptor input(in);
    struct stat st;
    if (::fstat(in, &st) != 0)
        return rt::fromErrno(errno);
    if (!S_ISREG(st.st_mode))
        return rt::FileNotFound;
    const int sourceAttributes = attr::readFd(in);

    if (!destination.folderOpen())
        return rt::PathNotFound;
    if (const int err = temp.create(destination.dir.get()))
        return rt::fromErrno(err);
    if (const int err = copyContent(in, temp.fd(), st.st_size))
        return rt::fromErrno(err);
    const timespec times[2] = {st.st_atim, st.st_mtim};
    ::futimens(temp.fd(), times);
    // Permission bits as far as the file system keeps them (FAT keeps few); read-only below.
    ::fchmod(temp.fd(), (st.st_mode & 0777) | S_IWUSR);
    if (sourceAttributes > 0) {
        if (const int err = attr::writeFd(temp.fd(), sourceAttributes & ~attr::Directory))
            return err;
    }
    if (const int err = temp.finish())
        return rt::fromErrno(err);
    return rt::Ok;
}

} // namespace bg::hostfs

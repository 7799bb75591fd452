#include "platform/DosAttributes.h"

#include "platform/RuntimeError.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <linux/msdos_fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace bg::attr {

namespace {

constexpr char kXattrName[] = "user.DOSATTRIB";
constexpr mode_t kWriteBits = S_IWUSR | S_IWGRP | S_IWOTH;
// The attributes kept outside the mode bits.
constexpr int kStoredBits = Hidden | System | Archive;

bool isFat(const QByteArray &path)
{
    struct statfs fs;
    return ::statfs(path.constData(), &fs) == 0 && fs.f_type == MSDOS_SUPER_MAGIC;
}

int openForIoctl(const QByteArray &path)
{
    return ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
}

// The FAT attribute byte, or -1 with errno set.
int fatAttributes(const QByteArray &path)
{
    const int fd = openForIoctl(path);
    if (fd < 0)
        return -1;
    __u32 value = 0;
    const int rc = ::ioctl(fd, FAT_IOCTL_GET_ATTRIBUTES, &value);
    const int err = errno;
    ::close(fd);
    errno = err;
    return rc == 0 ? int(value & 0xff) : -1;
}

bool unsupported(int err)
{
    return err == ENOTSUP || err == EOPNOTSUPP || err == ENOSYS;
}

// The stored bits from user.DOSATTRIB; -1 when there is no such attribute (or no support).
int xattrAttributes(const QByteArray &path)
{
    char buffer[256];
    ssize_t n = ::getxattr(path.constData(), kXattrName, buffer, sizeof buffer);
    if (n < 0 && errno == ERANGE) {
        // Samba's form carries binary data after the text; the text is at the start.
        const ssize_t size = ::getxattr(path.constData(), kXattrName, nullptr, 0);
        if (size > 0) {
            QByteArray big(size, Qt::Uninitialized);
            n = ::getxattr(path.constData(), kXattrName, big.data(), size_t(size));
            if (n >= 0)
                return fromDosAttribText(big.left(n)) & kStoredBits;
        }
    }
    if (n < 0)
        return -1;
    return fromDosAttribText(QByteArray(buffer, n)) & kStoredBits;
}

int setModeReadOnly(const QByteArray &path, const struct stat &st, bool readOnly)
{
    mode_t mode = st.st_mode & 07777;
    if (readOnly)
        mode &= ~kWriteBits;
    else if ((mode & kWriteBits) == 0)
        mode |= S_IWUSR;
    if (mode == (st.st_mode & 07777))
        return rt::Ok;
    return ::chmod(path.constData(), mode) == 0 ? rt::Ok : rt::fromErrno(errno);
}

int writeFat(const QByteArray &path, int attributes)
{
    const int fd = openForIoctl(path);
    if (fd < 0)
        return rt::fromErrno(errno);
    __u32 value = 0;
    int rc = ::ioctl(fd, FAT_IOCTL_GET_ATTRIBUTES, &value);
    if (rc == 0) {
        // The driver turns the read-only bit into the mode itself.
        const __u32 changed = kStoredBits | ReadOnly;
        value = (value & ~changed) | (__u32(attributes) & changed);
        rc = ::ioctl(fd, FAT_IOCTL_SET_ATTRIBUTES, &value);
    }
    const int err = errno;
    ::close(fd);
    return rc == 0 ? rt::Ok : rt::fromErrno(err);
}

int writeXattr(const QByteArray &path, int stored)
{
    int rc;
    if (stored == 0) {
        rc = ::removexattr(path.constData(), kXattrName);
        if (rc != 0 && errno == ENODATA)
            rc = 0;
    } else {
        const QByteArray text = toDosAttribText(stored);
        rc = ::setxattr(path.constData(), kXattrName, text.constData(), size_t(text.size()), 0);
    }
    if (rc == 0 || unsupported(errno))
        return rt::Ok;
    // Special files cannot carry user attributes; they have nothing to remember either.
    if (errno == EPERM) {
        struct stat st;
        if (::stat(path.constData(), &st) == 0 && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode))
            return rt::Ok;
    }
    return rt::fromErrno(errno);
}

} // namespace

namespace {

// Reads the attributes of the file a path names, links followed.
int readPath(const QByteArray &path)
{
    struct stat st;
    if (::stat(path.constData(), &st) != 0)
        return -1;
    int attributes = 0;
    if (S_ISDIR(st.st_mode))
        attributes |= Directory;
    if ((st.st_mode & kWriteBits) == 0)
        attributes |= ReadOnly;
    if (!S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode))
        return attributes; // never opened: it could block
    if (isFat(path)) {
        const int fat = fatAttributes(path);
        if (fat >= 0)
            attributes |= fat & kStoredBits;
    } else {
        attributes |= std::max(xattrAttributes(path), 0);
    }
    return attributes;
}

// Sets the attributes of the file `path` names; `path` names exactly one file (a descriptor's
// /proc path), so nothing here can be led elsewhere by a link.
int writePath(const QByteArray &path, int attributes)
{
    struct stat st;
    if (::stat(path.constData(), &st) != 0)
        return errno == ENOENT ? rt::FileNotFound : rt::fromErrno(errno);
    const bool readOnly = attributes & ReadOnly;
    const bool special = !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode);

    if (!special && isFat(path))
        return writeFat(path, attributes);

    if (special)
        return setModeReadOnly(path, st, readOnly);

    // An extended attribute can only be changed while the file is writable: make it writable
    // first, store the bits, then take the write bits away when read-only is wanted.
    const int stored = attributes & kStoredBits;
    const int current = xattrAttributes(path);
    if (current < 0 ? stored != 0 : current != stored) {
        const bool wasReadOnly = (st.st_mode & kWriteBits) == 0;
        if (wasReadOnly) {
            if (const int err = setModeReadOnly(path, st, false))
                return err;
        }
        if (const int err = writeXattr(path, stored)) {
            if (wasReadOnly)
                ::chmod(path.constData(), st.st_mode & 07777);
            return err;
        }
        if (::stat(path.constData(), &st) != 0)
            return rt::fromErrno(errno);
    }
    return setModeReadOnly(path, st, readOnly);
}

QByteArray procPathOf(int fd)
{
    return "/proc/self/fd/" + QByteArray::number(fd);
}

} // namespace

int read(const QString &hostPath)
{
    return readPath(QFile::encodeName(hostPath));
}

int readFd(int fd)
{
    return readPath(procPathOf(fd));
}

int write(const QString &hostPath, int attributes)
{
    // The entry itself, never what a link there leads to.
    const int fd = ::open(QFile::encodeName(hostPath).constData(),
                          O_PATH | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT ? rt::FileNotFound : rt::fromErrno(errno);
    struct stat st;
    int result = rt::PermissionDenied;
    if (::fstat(fd, &st) != 0)
        result = rt::fromErrno(errno);
    else if (!S_ISLNK(st.st_mode))
        result = writePath(procPathOf(fd), attributes);
    ::close(fd);
    return result;
}

int writeFd(int fd, int attributes)
{
    return writePath(procPathOf(fd), attributes);
}

QByteArray toDosAttribText(int attributes)
{
    if (attributes == 0)
        return QByteArray();
    return "0x" + QByteArray::number(uint(attributes), 16);
}

int fromDosAttribText(const QByteArray &text)
{
    // Samba follows the text with a NUL and binary data; only the text counts.
    const qsizetype nul = text.indexOf('\0');
    const QByteArray t = (nul >= 0 ? text.left(nul) : text).trimmed();
    bool ok = false;
    uint value;
    if (t.startsWith("0x") || t.startsWith("0X"))
        value = t.mid(2).toUInt(&ok, 16);
    else
        value = t.toUInt(&ok, 10);
    return ok ? int(value & 0xffff) : 0;
}

} // namespace bg::attr

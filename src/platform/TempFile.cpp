#include "platform/TempFile.h"

#include "platform/FolderEntries.h"
#include "platform/HostEntry.h"
#include "platform/TempNames.h"

#include <QList>
#include <QRandomGenerator>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace bg::hostfs {

namespace {

QByteArray newTempName()
{
    char name[tempnames::NameLength + 1];
    tempnames::make(QRandomGenerator::system()->generate64(), name);
    return QByteArray(name);
}

// renameat2(RENAME_NOREPLACE), or its nearest on file systems without it: a hard link and the
// old name's removal, or (no hard links either: FAT) a check and a rename.
int renameNoReplace(int fromDir, const char *from, int toDir, const char *to)
{
    if (::renameat2(fromDir, from, toDir, to, RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return errno;
    if (::linkat(fromDir, from, toDir, to, 0) == 0) {
        ::unlinkat(fromDir, from, 0);
        return 0;
    }
    if (errno == EEXIST)
        return EEXIST;
    struct stat st;
    if (::fstatat(toDir, to, &st, AT_SYMLINK_NOFOLLOW) == 0)
        return EEXIST;
    return ::renameat(fromDir, from, toDir, to) == 0 ? 0 : errno;
}

} // namespace

bool isTempName(const char *name)
{
    return tempnames::isTempName(name, std::strlen(name));
}

TempFile::~TempFile()
{
    m_fd.close();
    if (!m_name.isEmpty())
        ::unlinkat(m_dir.get(), m_name.constData(), 0);
}

int TempFile::create(int dirFd)
{
    m_dir.reset(::fcntl(dirFd, F_DUPFD_CLOEXEC, 0));
    if (m_dir.get() < 0)
        return errno;
    const int unnamed = ::openat(m_dir.get(), ".", O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
    if (unnamed >= 0 && ::access(procPath(unnamed).constData(), F_OK) == 0) {
        m_fd.reset(unnamed);
        m_unnamed = true;
        return 0;
    }
    if (unnamed >= 0)
        ::close(unnamed); // no /proc to link it by
    else if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)
        return errno;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QByteArray name = newTempName();
        const int fd = ::openat(m_dir.get(), name.constData(),
                                O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY | O_NOFOLLOW, 0666);
        if (fd >= 0) {
            m_fd.reset(fd);
            m_name = name;
            return 0;
        }
        if (errno != EEXIST)
            return errno;
    }
    return EEXIST;
}

int TempFile::finish()
{
    return ::fsync(m_fd.get()) == 0 ? 0 : errno;
}

int TempFile::renameTo(const HostEntry &target, bool noReplace)
{
    if (m_unnamed)
        return linkTo(target, noReplace);
    const int err = noReplace
        ? renameNoReplace(m_dir.get(), m_name.constData(), target.dir.get(), target.n())
        : (::renameat(m_dir.get(), m_name.constData(), target.dir.get(), target.n()) == 0 ? 0
                                                                                           : errno);
    return err ? err : placed();
}

int TempFile::linkTo(const HostEntry &target, bool noReplace)
{
    const QByteArray self = procPath(m_fd.get());
    // A target that does not exist yet gets the file in one step; linking never replaces.
    if (::linkat(AT_FDCWD, self.constData(), target.dir.get(), target.n(), AT_SYMLINK_FOLLOW) == 0)
        return placed();
    if (errno != EEXIST || noReplace)
        return errno;
    // Replacing: the file takes a temporary name beside the target, then the target's place in
    // one rename. Only a death between these two steps leaves a temporary name behind.
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QByteArray name = newTempName();
        if (::linkat(AT_FDCWD, self.constData(), target.dir.get(), name.constData(),
                     AT_SYMLINK_FOLLOW) != 0) {
            if (errno == EEXIST)
                continue;
            return errno;
        }
        if (::renameat(target.dir.get(), name.constData(), target.dir.get(), target.n()) != 0) {
            const int err = errno;
            ::unlinkat(target.dir.get(), name.constData(), 0);
            return err;
        }
        return placed();
    }
    return EEXIST;
}

int TempFile::placed()
{
    m_name.clear();
    m_fd.close(); // the content was flushed before; it is in place
    return 0;
}

bool removeLeftoverTemps(int dirFd)
{
    const int fd = ::openat(dirFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    DIR *d = ::fdopendir(fd);
    if (!d) {
        ::close(fd);
        return false;
    }
    QList<QByteArray> temps;
    bool onlyTemps = true;
    while (const dirent *e = ::readdir(d)) {
        if (isDotOrDotDot(e->d_name))
            continue;
        if (!isTempName(e->d_name) || e->d_type == DT_DIR) {
            onlyTemps = false;
            break;
        }
        temps.append(QByteArray(e->d_name));
    }
    ::closedir(d);
    if (!onlyTemps || temps.isEmpty())
        return false;
    for (const QByteArray &name : std::as_const(temps))
        ::unlinkat(dirFd, name.constData(), 0);
    return true;
}

} // namespace bg::hostfs

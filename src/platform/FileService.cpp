#include "platform/FileService.h"

#include "platform/DosAttributes.h"
#include "platform/FileCopy.h"
#include "platform/FileDescriptor.h"
#include "platform/FolderEntries.h"
#include "platform/HostPath.h"
#include "platform/Prefix.h"
#include "platform/RuntimeError.h"
#include "platform/TempFile.h"


#include <cerrno>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace bg {

using namespace hostfs;

namespace {

inline bool isSeparator(QChar c)
{
    return c == u'\\' || c == u'/';
}

QString lastWindowsComponent(const QString &windowsPath)
{
    qsizetype i = windowsPath.size();
    while (i > 0 && !isSeparator(windowsPath.at(i - 1)))
        --i;
    return windowsPath.mid(i);
}

// How a destination relates to the source when both name one file.
enum class Overlap {
    None,       // different files
    SameName,   // the destination is the source, spelled the same
    CaseChange, // the same entry in another case: a rename in place
    OtherLink,  // another name (hard link) of the same file
};

// `to` becomes the caller's spelling when the destination resolved to the source itself.
Overlap overlap(const QString &from, QString &to, const QString &wantedName)
{
    if (to == from) {
        if (wantedName.isEmpty() || wantedName == baseName(from))
            return Overlap::SameName;
        to = parentOf(from) + u'/' + wantedName;
        return Overlap::CaseChange;
    }
    struct stat a, b;
    if (::lstat(enc(from).constData(), &a) != 0 || ::lstat(enc(to).constData(), &b) != 0
        || a.st_dev != b.st_dev || a.st_ino != b.st_ino)
        return Overlap::None;
    // A file system that ignores case (FAT) finds the source under the new spelling.
    if (parentOf(from) == parentOf(to)
        && baseName(from).compare(baseName(to), Qt::CaseInsensitive) == 0)
        return Overlap::CaseChange;
    return Overlap::OtherLink;
}

} // namespace

HostFileService::HostFileService(const Prefix &prefix) : m_prefix(prefix) {}

std::optional<QString> HostFileService::hostPath(const QString &path)
{
    return m_prefix.toHost(path);
}

bool HostFileService::folderExists(const QString &path)
{
    const auto host = m_prefix.toHost(path);
    return host && isDirectory(*host);
}

bool HostFileService::fileExists(const QString &path)
{
    const auto host = m_prefix.toHost(path);
    struct stat st;
    return host && ::stat(enc(*host).constData(), &st) == 0 && S_ISREG(st.st_mode);
}

int HostFileService::listFiles(const QString &folder, std::vector<FolderFile> &out)
{
    out.clear();
    const auto host = m_prefix.toHost(folder);
    if (!host)
        return rt::PathNotFound;
    DIR *d = nullptr;
    if (const int err = openFolder(*host, d))
        return err;
    const int fd = ::dirfd(d);
    QString windowsFolder = folder;
    if (windowsFolder.isEmpty() || !isSeparator(windowsFolder.back()))
        windowsFolder += u'\\';
    const QString hostFolder = host->endsWith(u'/') ? *host : *host + u'/';

    QString name;
    struct stat st;
    for (;;) {
        errno = 0;
        const dirent *e = ::readdir(d);
        if (!e)
            break;
        if (isDotOrDotDot(e->d_name) || isTempName(e->d_name)
            || entryKind(fd, e, &st) != EntryKind::File)
            continue;
        if (!isExpressible(e->d_name, name))
            continue; // no Windows path names it: not a file of the folder to the tool
        out.push_back({name, windowsFolder + name, hostFolder + name, qint64(st.st_size)});
    }
    const int err = errno;
    ::closedir(d);
    return rt::fromErrno(err);
}

int HostFileService::countSubFolders(const QString &folder, int &count)
{
    count = 0;
    const auto host = m_prefix.toHost(folder);
    if (!host)
        return rt::PathNotFound;
    DIR *d = nullptr;
    if (const int err = openFolder(*host, d))
        return err;
    const int fd = ::dirfd(d);
    QString name;
    for (;;) {
        errno = 0;
        const dirent *e = ::readdir(d);
        if (!e)
            break;
        if (!isDotOrDotDot(e->d_name) && entryKind(fd, e, nullptr) == EntryKind::Folder
            && isExpressible(e->d_name, name))
            ++count;
    }
    const int err = errno;
    ::closedir(d);
    return rt::fromErrno(err);
}

int HostFileService::createFolder(const QString &path)
{
    const auto host = m_prefix.toHost(path);
    if (!host)
        return rt::PathNotFound;
    if (::mkdir(enc(*host).constData(), 0777) == 0)
        return rt::Ok;
    switch (errno) {
    case EEXIST:
        return rt::FileAlreadyExists;
    case ENOENT:
    case ENOTDIR:
        return rt::PathNotFound;
    default:
        return rt::fromErrno(errno);
    }
}

namespace {

// The source file and the destination of a copy, move or replace, resolved once.
struct Transfer
{
    QString from;        // host path of the source, a regular file
    struct stat source{}; // its status
    QString target;      // the Windows destination
    QString to;          // its host path
};

int resolveTransfer(const Prefix &prefix, const QString &source, const QString &destination,
                    Transfer &t)
{
    const auto from = prefix.toHost(source);
    if (!from)
        return rt::PathNotFound;
    if (::stat(enc(*from).constData(), &t.source) != 0)
        return errno == ENOENT || errno == ENOTDIR ? missingFileError(*from) : rt::fromErrno(errno);
    if (!S_ISREG(t.source.st_mode))
        return rt::FileNotFound;
    t.from = *from;
    // A destination ending in a backslash is a folder: the file keeps the source's name.
    t.target = destination;
    if (!t.target.isEmpty() && isSeparator(t.target.back()))
        t.target += baseName(t.from);
    const auto to = prefix.toHost(t.target);
    if (!to)
        return rt::PathNotFound;
    t.to = *to;
    return rt::Ok;
}

} // namespace

int HostFileService::copyFile(const QString &source, const QString &destination, bool overwrite)
{
    Transfer x;
    if (const int err = resolveTransfer(m_prefix, source, destination, x))
        return err;
    struct stat dst;
    if (::stat(enc(x.to).constData(), &dst) == 0) {
        if (!overwrite)
            return rt::FileAlreadyExists;
        if (S_ISDIR(dst.st_mode) || isReadOnly(dst)
            || (dst.st_dev == x.source.st_dev && dst.st_ino == x.source.st_ino))
            return rt::PermissionDenied;
    } else if (errno != ENOENT) {
        return errno == ENOTDIR ? rt::PathNotFound : rt::fromErrno(errno);
    } else if (!isDirectory(parentOf(x.to))) {
        return rt::PathNotFound;
    }

    TempFile temp;
    if (const int err = copyToTemp(x.from, x.to, temp))
        return err;
    if (const int err = temp.renameTo(x.to, !overwrite))
        return err == EEXIST ? rt::FileAlreadyExists : rt::fromErrno(err);
    syncDirectory(parentOf(x.to));
    return rt::Ok;
}

int HostFileService::moveFile(const QString &source, const QString &destination)
{
    Transfer x;
    if (const int err = resolveTransfer(m_prefix, source, destination, x))
        return err;
    if (!isDirectory(parentOf(x.to)))
        return rt::PathNotFound;

    QString finalTo = x.to;
    switch (overlap(x.from, finalTo, lastWindowsComponent(x.target))) {
    case Overlap::None:
        break;
    case Overlap::SameName:
    case Overlap::OtherLink:
        return rt::FileAlreadyExists;
    case Overlap::CaseChange:
        if (::rename(enc(x.from).constData(), enc(finalTo).constData()) == 0)
            return rt::Ok;
        return rt::fromErrno(errno);
    }

    const QByteArray f = enc(x.from);
    const QByteArray t = enc(finalTo);
    if (::renameat2(AT_FDCWD, f.constData(), AT_FDCWD, t.constData(), RENAME_NOREPLACE) == 0)
        return rt::Ok;
    int err = errno;
    if (err == EINVAL || err == ENOSYS) {
        // The file system cannot rename without replacing: a new name and the old one's removal.
        if (::link(f.constData(), t.constData()) == 0) {
            if (::unlink(f.constData()) == 0)
                return rt::Ok;
            err = errno;
            ::unlink(t.constData());
            return rt::fromErrno(err);
        }
        err = errno;
        if (err != EEXIST && err != EXDEV) {
            // No hard links here (FAT): check, then rename.
            struct stat st;
            if (::lstat(t.constData(), &st) == 0)
                return rt::FileAlreadyExists;
            if (::rename(f.constData(), t.constData()) == 0)
                return rt::Ok;
            err = errno;
        }
    }
    if (err == EEXIST)
        return rt::FileAlreadyExists;
    if (err != EXDEV)
        return err == ENOENT ? rt::FileNotFound : rt::fromErrno(err);

    // Another file system: copy, then remove the source; undo the copy when that fails.
    TempFile temp;
    if (const int e = copyToTemp(x.from, finalTo, temp))
        return e;
    if (const int e = temp.renameTo(finalTo, true))
        return e == EEXIST ? rt::FileAlreadyExists : rt::fromErrno(e);
    if (::unlink(f.constData()) != 0) {
        const int e = errno;
        ::unlink(t.constData());
        return rt::fromErrno(e);
    }
    syncDirectory(parentOf(finalTo));
    return rt::Ok;
}

int HostFileService::replaceFile(const QString &source, const QString &destination)
{
    Transfer x;
    if (const int err = resolveTransfer(m_prefix, source, destination, x))
        return err;
    struct stat dst;
    if (::lstat(enc(x.to).constData(), &dst) == 0) {
        if (S_ISDIR(dst.st_mode))
            return rt::PermissionDenied;
    } else if (errno != ENOENT || !isDirectory(parentOf(x.to))) {
        return errno == ENOENT || errno == ENOTDIR ? rt::PathNotFound : rt::fromErrno(errno);
    }
    QString finalTo = x.to;
    const Overlap same = overlap(x.from, finalTo, lastWindowsComponent(x.target));
    if (same == Overlap::SameName)
        return rt::Ok; // already in place
    const QByteArray f = enc(x.from);
    const QByteArray t = enc(finalTo);
    if (same == Overlap::OtherLink) {
        // Two names of one file: rename() would keep both; the source name just goes.
        return ::unlink(f.constData()) == 0 ? rt::Ok : rt::fromErrno(errno);
    }
    if (::rename(f.constData(), t.constData()) == 0)
        return rt::Ok;
    if (errno != EXDEV)
        return errno == ENOENT ? rt::FileNotFound : rt::fromErrno(errno);

    // Another file system: a full copy beside the destination takes its place in one rename.
    TempFile temp;
    if (const int e = copyToTemp(x.from, finalTo, temp))
        return e;
    if (const int e = temp.renameTo(finalTo, false))
        return rt::fromErrno(e);
    syncDirectory(parentOf(finalTo));
    return ::unlink(f.constData()) == 0 ? rt::Ok : rt::fromErrno(errno);
}

int HostFileService::deleteFile(const QString &path, bool force)
{
    const auto host = m_prefix.toHost(path);
    if (!host)
        return rt::PathNotFound;
    const QByteArray h = enc(*host);
    struct stat st;
    if (::lstat(h.constData(), &st) != 0)
        return errno == ENOENT || errno == ENOTDIR ? missingFileError(*host) : rt::fromErrno(errno);
    if (S_ISDIR(st.st_mode))
        return rt::FileNotFound;
    if (S_ISLNK(st.st_mode)) {
        struct stat target;
        if (::stat(h.constData(), &target) == 0) {
            if (S_ISDIR(target.st_mode))
                return rt::FileNotFound;
            st = target;
        }
    }
    if (!force && isReadOnly(st))
        return rt::PermissionDenied;
    if (::unlink(h.constData()) != 0)
        return errno == ENOENT ? rt::FileNotFound : rt::fromErrno(errno);
    return rt::Ok;
}

int HostFileService::deleteFolder(const QString &path, bool force)
{
    const auto host = m_prefix.toHost(path);
    if (!host)
        return rt::PathNotFound;
    const QByteArray h = enc(*host);
    struct stat st;
    if (::lstat(h.constData(), &st) != 0)
        return errno == ENOENT || errno == ENOTDIR ? rt::PathNotFound : rt::fromErrno(errno);
    if (S_ISLNK(st.st_mode)) {
        // A link to a folder is removed as the link; the folder it names stays.
        struct stat target;
        if (::stat(h.constData(), &target) != 0 || !S_ISDIR(target.st_mode))
            return rt::PathNotFound;
        if (!force && isReadOnly(target))
            return rt::PermissionDenied;
        return ::unlink(h.constData()) == 0 ? rt::Ok : rt::fromErrno(errno);
    }
    if (!S_ISDIR(st.st_mode))
        return rt::PathNotFound;
    if (!force && isReadOnly(st))
        return rt::PermissionDenied;
    if (::rmdir(h.constData()) == 0)
        return rt::Ok;
    // Temporary files a dead program left behind are no content of the folder.
    if ((errno == ENOTEMPTY || errno == EEXIST) && removeLeftoverTemps(*host)
        && ::rmdir(h.constData()) == 0)
        return rt::Ok;
    switch (errno) {
    case ENOTEMPTY:
    case EEXIST:
        return rt::PermissionDenied;
    case ENOENT:
        return rt::PathNotFound;
    default:
        return rt::fromErrno(errno);
    }
}

int HostFileService::fileLen(const QString &path, qint64 &size)
{
    size = 0;
    const auto host = m_prefix.toHost(path);
    if (!host)
        return rt::PathNotFound;
    struct stat st;
    if (::stat(enc(*host).constData(), &st) != 0)
        return errno == ENOENT || errno == ENOTDIR ? missingFileError(*host) : rt::fromErrno(errno);
    if (!S_ISREG(st.st_mode))
        return rt::FileNotFound;
    size = st.st_size;
    return rt::Ok;
}

int HostFileService::getAttr(const QString &path, int &attributes)
{
    attributes = 0;
    const auto host = m_prefix.toHost(path);
    if (!host)
        return rt::PathNotFound;
    const int a = attr::read(*host);
    if (a < 0)
        return errno == ENOENT || errno == ENOTDIR ? missingFileError(*host) : rt::fromErrno(errno);
    attributes = a;
    return rt::Ok;
}

int HostFileService::setAttr(const QString &path, int attributes)
{
    const auto host = m_prefix.toHost(path);
    if (!host)
        return rt::PathNotFound;
    struct stat st;
    if (::stat(enc(*host).constData(), &st) != 0)
        return errno == ENOENT || errno == ENOTDIR ? missingFileError(*host) : rt::fromErrno(errno);
    return attr::write(*host, attributes & ~attr::Directory);
}

QString HostFileService::dir(const QString &path, int attributeMask)
{
    // Only a path naming one entry is answered; "C:\Logos\" (the folder's listing) names none.
    if (path.isEmpty() || isSeparator(path.back()))
        return QString();
    const auto host = m_prefix.toHost(path);
    if (!host)
        return QString();
    struct stat st;
    if (::stat(enc(*host).constData(), &st) != 0
        || !(S_ISREG(st.st_mode) || S_ISDIR(st.st_mode)))
        return QString();
    const int a = attr::read(*host);
    if (a < 0)
        return QString();
    constexpr int needsBit = attr::Hidden | attr::System | attr::Directory;
    if ((a & needsBit & ~attributeMask) != 0)
        return QString();
    return baseName(*host);
}

int HostFileService::readFile(const QString &path, QByteArray &data, qint64 maxBytes)
{
    data.clear();
    const auto host = m_prefix.toHost(path);
    if (!host)
        return rt::PathNotFound;
    const QByteArray h = enc(*host);
    // Only a regular file is ever opened; O_NONBLOCK guards against one swapped in meanwhile.
    struct stat st;
    if (::stat(h.constData(), &st) != 0)
        return errno == ENOENT || errno == ENOTDIR ? missingFileError(*host) : rt::fromErrno(errno);
    if (!S_ISREG(st.st_mode))
        return rt::FileNotFound;
    const int fd = ::open(h.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return errno == ENOENT ? missingFileError(*host) : rt::fromErrno(errno);
    FileDescriptor file(fd);
    if (::fstat(fd, &st) != 0)
        return rt::fromErrno(errno);
    if (!S_ISREG(st.st_mode))
        return rt::FileNotFound;
    if (st.st_size > maxBytes)
        return rt::PathFileAccess;

    // The size may change while we read: read to the end, but never past the limit.
    QByteArray buffer(qsizetype(std::max<qint64>(st.st_size, 0)) + 1, Qt::Uninitialized);
    qint64 used = 0;
    for (;;) {
        if (used == buffer.size()) {
            if (used > maxBytes)
                return rt::PathFileAccess;
            buffer.resize(qsizetype(std::min<qint64>(used * 2, maxBytes + 1)));
        }
        const ssize_t n = ::read(fd, buffer.data() + used, size_t(buffer.size() - used));
        if (n == 0)
            break;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return rt::fromErrno(errno);
        }
        used += n;
    }
    if (used > maxBytes)
        return rt::PathFileAccess;
    buffer.truncate(used);
    data = std::move(buffer);
    return rt::Ok;
}

int HostFileService::writeFileAtomic(const QString &path, const QByteArray &data)
{
    const auto host = m_prefix.toHost(path);
    if (!host)
        return rt::PathNotFound;
    struct stat st;
    const bool exists = ::stat(enc(*host).constData(), &st) == 0;
    if (exists) {
        if (!S_ISREG(st.st_mode) || isReadOnly(st))
            return rt::PermissionDenied;
    } else if (errno != ENOENT || !isDirectory(parentOf(*host))) {
        return errno == ENOENT || errno == ENOTDIR ? rt::PathNotFound : rt::fromErrno(errno);
    }
    const int attributes = exists ? attr::read(*host) : 0;

    TempFile temp;
    if (const int err = temp.create(parentOf(*host)))
        return rt::fromErrno(err);
    if (const int err = writeAll(temp.fd(), data.constData(), data.size()))
        return rt::fromErrno(err);
    if (exists) {
        // The new file takes the place of the old one: same owner (where we may say so) and mode.
        if (::fchown(temp.fd(), st.st_uid, st.st_gid) != 0 && st.st_uid == ::geteuid())
            ::fchown(temp.fd(), uid_t(-1), st.st_gid);
        ::fchmod(temp.fd(), st.st_mode & 07777);
    }
    if (const int err = temp.finish())
        return rt::fromErrno(err);
    if (attributes > 0) {
        if (const int err = attr::write(temp.path(), attributes & ~attr::Directory))
            return err;
    }
    if (const int err = temp.renameTo(*host, false))
        return rt::fromErrno(err);
    syncDirectory(parentOf(*host));
    return rt::Ok;
}

} // namespace bg

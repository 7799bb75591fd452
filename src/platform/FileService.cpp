#include "platform/FileService.h"

#include "platform/DosAttributes.h"
#include "platform/FileCopy.h"
#include "platform/FileDescriptor.h"
#include "platform/FolderEntries.h"
#include "platform/HostEntry.h"
#include "platform/HostPath.h"
#include "platform/Prefix.h"
#include "platform/RuntimeError.h"
#include "platform/TempFile.h"
#include "platform/TempNames.h"

#include <QFile>
#include <QHash>

#include <functional>

#include <cerrno>
#include <csignal>
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

bool sameInode(const struct stat &a, const struct stat &b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

bool isReserved(const QByteArray &name)
{
    return tempnames::isReservedName(name.constData(), size_t(name.size()));
}

int statusError(const HostEntry &e, int err)
{
    return err == ENOENT || err == ENOTDIR ? e.missingError() : rt::fromErrno(err);
}

// Flushes the entries of the folder holding e to the disk, as far as the file system allows.
void syncFolderOf(const HostEntry &e)
{
    const int fd = ::openat(e.dir.get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// Opens the folder an entry names (a link to a folder is followed: reading only).
int openFolderAt(const HostEntry &e, DIR *&d)
{
    if (!e.folderOpen())
        return rt::PathNotFound;
    const int fd = ::openat(e.dir.get(), e.n(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT || errno == ENOTDIR ? rt::PathNotFound : rt::fromErrno(errno);
    d = ::fdopendir(fd);
    if (!d) {
        const int err = errno;
        ::close(fd);
        return rt::fromErrno(err);
    }
    return rt::Ok;
}

// The paths resolved by the operation open on this thread.
struct OperationMemory
{
    const void *service = nullptr;
    int depth = 0;
    QHash<QString, std::shared_ptr<const HostEntry>> entries;
};
thread_local OperationMemory *openOperation = nullptr;

} // namespace

HostFileService::HostFileService(const Prefix &prefix) : m_prefix(prefix)
{
    // A write past the file-size limit (ulimit -f) must fail with EFBIG, which the callers
    // report, rather than end the process half-way through an operation.
    ::signal(SIGXFSZ, SIG_IGN);
}

void HostFileService::beginOperation()
{
    if (openOperation && openOperation->service == this) {
        ++openOperation->depth;
    } else if (!openOperation) {
        openOperation = new OperationMemory{this, 1, {}};
    }
}

void HostFileService::endOperation()
{
    if (openOperation && openOperation->service == this && --openOperation->depth == 0) {
        delete openOperation;
        openOperation = nullptr;
    }
}

HostFileService::Entry HostFileService::entry(const QString &path)
{
    const bool remembered = openOperation && openOperation->service == this;
    if (remembered) {
        const auto it = openOperation->entries.constFind(path);
        if (it != openOperation->entries.constEnd())
            return *it;
    }
    const auto host = m_prefix.toHost(path);
    if (!host)
        return nullptr;
    auto e = std::make_shared<HostEntry>();
    resolveEntry(*host, *e);
    // A folder that is missing now may be created by a later step: only open ones are kept.
    if (remembered && e->folderOpen())
        openOperation->entries.insert(path, e);
    return e;
}

std::optional<QString> HostFileService::hostPath(const QString &path)
{
    return m_prefix.toHost(path);
}

bool HostFileService::folderExists(const QString &path)
{
    const Entry e = entry(path);
    struct stat st;
    return e && e->stat(st, true) == 0 && S_ISDIR(st.st_mode);
}

bool HostFileService::fileExists(const QString &path)
{
    const Entry e = entry(path);
    struct stat st;
    return e && e->stat(st, true) == 0 && S_ISREG(st.st_mode);
}

bool HostFileService::isLink(const QString &path)
{
    const Entry e = entry(path);
    struct stat st;
    return e && e->stat(st, false) == 0 && S_ISLNK(st.st_mode);
}

bool HostFileService::sameFile(const QString &a, const QString &b)
{
    const Entry x = entry(a);
    const Entry y = entry(b);
    struct stat sx, sy;
    return x && y && x->stat(sx, true) == 0 && y->stat(sy, true) == 0 && sameInode(sx, sy);
}

int HostFileService::listFiles(const QString &folder, std::vector<FolderFile> &out)
{
    out.clear();
    const Entry e = entry(folder);
    if (!e)
        return rt::PathNotFound;
    DIR *d = nullptr;
    if (const int err = openFolderAt(*e, d))
        return err;
    const int fd = ::dirfd(d);
    QString windowsFolder = folder;
    if (windowsFolder.isEmpty() || !isSeparator(windowsFolder.back()))
        windowsFolder += u'\\';
    const QString hostFolder = e->path.endsWith(u'/') ? e->path : e->path + u'/';

    QString name;
    struct stat st;
    for (;;) {
        errno = 0;
        const dirent *de = ::readdir(d);
        if (!de)
            break;
        if (isDotOrDotDot(de->d_name) || isTempName(de->d_name)
            || entryKind(fd, de, &st) != EntryKind::File)
            continue;
        if (!isExpressible(de->d_name, name))
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
    const Entry e = entry(folder);
    if (!e)
        return rt::PathNotFound;
    DIR *d = nullptr;
    if (const int err = openFolderAt(*e, d))
        return err;
    const int fd = ::dirfd(d);
    QString name;
    for (;;) {
        errno = 0;
        const dirent *de = ::readdir(d);
        if (!de)
            break;
        if (!isDotOrDotDot(de->d_name) && entryKind(fd, de, nullptr) == EntryKind::Folder
            && isExpressible(de->d_name, name))
            ++count;
    }
    const int err = errno;
    ::closedir(d);
    return rt::fromErrno(err);
}

int HostFileService::createFolder(const QString &path)
{
    const Entry e = entry(path);
    if (!e || !e->folderOpen())
        return rt::PathNotFound;
    if (isReserved(e->name))
        return rt::BadFileName;
    if (::mkdirat(e->dir.get(), e->n(), 0777) == 0)
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

// The source file and the destination of a copy, move or replace, each resolved once.
struct Transfer
{
    std::shared_ptr<const HostEntry> from; // the source; a regular file, maybe through a link
    struct stat source{};                  // what it leads to
    bool sourceIsLink = false;
    QString target;                        // the Windows destination
    std::shared_ptr<const HostEntry> to;   // the destination entry, its folder open
    struct stat existing{};                // the destination entry itself, when it exists
    bool exists = false;
};

} // namespace

// Resolves both ends of a transfer. A destination ending in a backslash is a folder: the file
// keeps the source's name.
static int resolveTransfer(const std::function<std::shared_ptr<const HostEntry>(const QString &)> &resolve,
                           const QString &source, const QString &destination, Transfer &t)
{
    t.from = resolve(source);
    if (!t.from)
        return rt::PathNotFound;
    if (const int err = t.from->stat(t.source, true))
        return statusError(*t.from, err);
    if (!S_ISREG(t.source.st_mode))
        return rt::FileNotFound;
    struct stat own;
    t.sourceIsLink = t.from->stat(own, false) == 0 && S_ISLNK(own.st_mode);
    t.target = destination;
    if (!t.target.isEmpty() && isSeparator(t.target.back()))
        t.target += QFile::decodeName(t.from->name);
    t.to = resolve(t.target);
    if (!t.to || !t.to->folderOpen())
        return rt::PathNotFound;
    if (isReserved(t.to->name) || isReserved(QFile::encodeName(lastWindowsComponent(t.target))))
        return rt::BadFileName;
    const int err = t.to->stat(t.existing, false);
    if (err != 0 && err != ENOENT)
        return statusError(*t.to, err);
    t.exists = err == 0;
    return rt::Ok;
}

int HostFileService::copyFile(const QString &source, const QString &destination, bool overwrite)
{
    Transfer x;
    if (const int err = resolveTransfer([this](const QString &p) { return entry(p); }, source,
                                        destination, x))
        return err;
    if (x.exists) {
        if (!overwrite)
            return rt::FileAlreadyExists;
        // A link there is replaced as an entry; a read-only file or a folder is refused, and so
        // is the source itself under another name.
        struct stat leads;
        if (S_ISDIR(x.existing.st_mode) || (S_ISREG(x.existing.st_mode) && isReadOnly(x.existing))
            || (x.to->stat(leads, true) == 0 && sameInode(leads, x.source)))
            return rt::PermissionDenied;
    }
    TempFile temp;
    if (const int err = copyToTemp(*x.from, *x.to, temp))
        return err;
    if (const int err = temp.renameTo(*x.to, !overwrite))
        return err == EEXIST ? rt::FileAlreadyExists : rt::fromErrno(err);
    syncFolderOf(*x.to);
    return rt::Ok;
}

int HostFileService::moveFile(const QString &source, const QString &destination)
{
    Transfer x;
    if (const int err = resolveTransfer([this](const QString &p) { return entry(p); }, source,
                                        destination, x))
        return err;
    const HostEntry &from = *x.from;
    const HostEntry &to = *x.to;
    QByteArray toName = to.name;
    struct stat fromOwn;
    if (from.stat(fromOwn, false) != 0)
        return rt::FileNotFound;
    if (x.exists && sameInode(fromOwn, x.existing)) {
        // The destination found the source itself: a rename in another letter case, or
        // nothing to do. Another name of the same file (a hard link) is an existing file.
        struct stat a, b;
        const bool sameFolder = ::fstat(from.dir.get(), &a) == 0 && ::fstat(to.dir.get(), &b) == 0
            && sameInode(a, b);
        const QByteArray wanted = QFile::encodeName(lastWindowsComponent(x.target));
        if (!sameFolder || wanted == from.name
            || QFile::decodeName(from.name).compare(QFile::decodeName(wanted), Qt::CaseInsensitive)
                != 0)
            return rt::FileAlreadyExists;
        return ::renameat(from.dir.get(), from.n(), to.dir.get(), wanted.constData()) == 0
            ? rt::Ok
            : rt::fromErrno(errno);
    }

    int err = 0;
    if (::renameat2(from.dir.get(), from.n(), to.dir.get(), toName.constData(), RENAME_NOREPLACE)
        == 0)
        return rt::Ok;
    err = errno;
    if (err == EINVAL || err == ENOSYS) {
        // No rename without replacing here: a new name and the old one's removal, or (no hard
        // links either: FAT) a check and a rename.
        if (::linkat(from.dir.get(), from.n(), to.dir.get(), toName.constData(), 0) == 0) {
            if (::unlinkat(from.dir.get(), from.n(), 0) == 0)
                return rt::Ok;
            err = errno;
            ::unlinkat(to.dir.get(), toName.constData(), 0);
            return rt::fromErrno(err);
        }
        err = errno;
        if (err != EEXIST && err != EXDEV) {
            struct stat st;
            if (::fstatat(to.dir.get(), toName.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0)
                return rt::FileAlreadyExists;
            if (::renameat(from.dir.get(), from.n(), to.dir.get(), toName.constData()) == 0)
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
    if (const int e = copyToTemp(from, to, temp))
        return e;
    if (const int e = temp.renameTo(to, true))
        return e == EEXIST ? rt::FileAlreadyExists : rt::fromErrno(e);
    if (::unlinkat(from.dir.get(), from.n(), 0) != 0) {
        const int e = errno;
        ::unlinkat(to.dir.get(), toName.constData(), 0);
        return rt::fromErrno(e);
    }
    syncFolderOf(to);
    return rt::Ok;
}

int HostFileService::replaceFile(const QString &source, const QString &destination)
{
    Transfer x;
    if (const int err = resolveTransfer([this](const QString &p) { return entry(p); }, source,
                                        destination, x))
        return err;
    const HostEntry &from = *x.from;
    const HostEntry &to = *x.to;
    if (x.exists) {
        struct stat leads;
        if (S_ISDIR(x.existing.st_mode))
            return rt::PermissionDenied;
        struct stat fromOwn, a, b;
        if (from.name == to.name && from.stat(fromOwn, false) == 0
            && sameInode(fromOwn, x.existing) && ::fstat(from.dir.get(), &a) == 0
            && ::fstat(to.dir.get(), &b) == 0 && sameInode(a, b)) {
            // The very entry: in place already, or asked for in another letter case.
            const QByteArray wanted = QFile::encodeName(lastWindowsComponent(x.target));
            if (wanted == from.name || wanted.isEmpty())
                return rt::Ok;
            return ::renameat(from.dir.get(), from.n(), to.dir.get(), wanted.constData()) == 0
                ? rt::Ok
                : rt::fromErrno(errno);
        }
        // One file under two names (a linked folder, a hard link): replacing it by itself
        // would only lose a name of it.
        if (sameInode(x.existing, x.source)
            || (x.to->stat(leads, true) == 0 && sameInode(leads, x.source)))
            return rt::PermissionDenied;
    }
    if (!x.sourceIsLink) {
        if (::renameat(from.dir.get(), from.n(), to.dir.get(), to.n()) == 0)
            return rt::Ok;
        if (errno != EXDEV)
            return errno == ENOENT ? rt::FileNotFound : rt::fromErrno(errno);
    }

    // Another file system, or a link whose target stays where it is: a full copy of the bytes
    // takes the destination's place in one rename, then the source's name goes.
    TempFile temp;
    if (const int e = copyToTemp(from, to, temp))
        return e;
    if (const int e = temp.renameTo(to, false))
        return rt::fromErrno(e);
    syncFolderOf(to);
    return ::unlinkat(from.dir.get(), from.n(), 0) == 0 ? rt::Ok : rt::CopiedNotMoved;
}

int HostFileService::deleteFile(const QString &path, bool force)
{
    const Entry e = entry(path);
    if (!e)
        return rt::PathNotFound;
    struct stat st;
    if (const int err = e->stat(st, false))
        return statusError(*e, err);
    if (S_ISDIR(st.st_mode))
        return rt::FileNotFound;
    if (S_ISLNK(st.st_mode)) {
        // Only the link goes; what it leads to decides whether it is a file.
        struct stat target;
        if (e->stat(target, true) == 0) {
            if (S_ISDIR(target.st_mode))
                return rt::FileNotFound;
            st = target;
        }
    }
    if (!force && isReadOnly(st))
        return rt::PermissionDenied;
    if (::unlinkat(e->dir.get(), e->n(), 0) != 0)
        return errno == ENOENT ? rt::FileNotFound : rt::fromErrno(errno);
    return rt::Ok;
}

int HostFileService::deleteFolder(const QString &path, bool force)
{
    const Entry e = entry(path);
    if (!e)
        return rt::PathNotFound;
    struct stat st;
    if (const int err = e->stat(st, false))
        return err == ENOENT || err == ENOTDIR ? rt::PathNotFound : rt::fromErrno(err);
    if (S_ISLNK(st.st_mode)) {
        // A link to a folder is removed as the link; the folder it names stays.
        struct stat target;
        if (e->stat(target, true) != 0 || !S_ISDIR(target.st_mode))
            return rt::PathNotFound;
        if (!force && isReadOnly(target))
            return rt::PermissionDenied;
        return ::unlinkat(e->dir.get(), e->n(), 0) == 0 ? rt::Ok : rt::fromErrno(errno);
    }
    if (!S_ISDIR(st.st_mode))
        return rt::PathNotFound;
    if (!force && isReadOnly(st))
        return rt::PermissionDenied;
    if (::unlinkat(e->dir.get(), e->n(), AT_REMOVEDIR) == 0)
        return rt::Ok;
    int err = errno;
    if (err == ENOTEMPTY || err == EEXIST) {
        // Temporary files a dead program left behind are no content of the folder.
        const FileDescriptor folder(
            ::openat(e->dir.get(), e->n(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (folder.get() >= 0 && removeLeftoverTemps(folder.get())) {
            if (::unlinkat(e->dir.get(), e->n(), AT_REMOVEDIR) == 0)
                return rt::Ok;
            err = errno;
        }
    }
    switch (err) {
    case ENOTEMPTY:
    case EEXIST:
        return rt::PermissionDenied;
    case ENOENT:
        return rt::PathNotFound;
    default:
        return rt::fromErrno(err);
    }
}

int HostFileService::fileLen(const QString &path, qint64 &size)
{
    size = 0;
    const Entry e = entry(path);
    if (!e)
        return rt::PathNotFound;
    struct stat st;
    if (const int err = e->stat(st, true))
        return statusError(*e, err);
    if (!S_ISREG(st.st_mode))
        return rt::FileNotFound;
    size = st.st_size;
    return rt::Ok;
}

int HostFileService::getAttr(const QString &path, int &attributes)
{
    attributes = 0;
    const Entry e = entry(path);
    if (!e)
        return rt::PathNotFound;
    if (!e->folderOpen())
        return rt::PathNotFound;
    // Reading goes through a link.
    const FileDescriptor fd(::openat(e->dir.get(), e->n(), O_PATH | O_CLOEXEC));
    if (fd.get() < 0)
        return statusError(*e, errno);
    const int a = attr::readFd(fd.get());
    if (a < 0)
        return statusError(*e, errno);
    attributes = a;
    return rt::Ok;
}

int HostFileService::setAttr(const QString &path, int attributes)
{
    const Entry e = entry(path);
    if (!e || !e->folderOpen())
        return rt::PathNotFound;
    const FileDescriptor fd(::openat(e->dir.get(), e->n(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
    if (fd.get() < 0)
        return statusError(*e, errno);
    struct stat st;
    if (::fstat(fd.get(), &st) != 0)
        return rt::fromErrno(errno);
    if (S_ISLNK(st.st_mode))
        return rt::PermissionDenied; // never through a link
    return attr::writeFd(fd.get(), attributes & ~attr::Directory);
}

QString HostFileService::dir(const QString &path, int attributeMask)
{
    // Only a path naming one entry is answered; "C:\Logos\" (the folder's listing) names none.
    if (path.isEmpty() || isSeparator(path.back()))
        return QString();
    const Entry e = entry(path);
    struct stat st;
    if (!e || e->stat(st, true) != 0 || !(S_ISREG(st.st_mode) || S_ISDIR(st.st_mode)))
        return QString();
    const FileDescriptor fd(::openat(e->dir.get(), e->n(), O_PATH | O_CLOEXEC));
    const int a = fd.get() >= 0 ? attr::readFd(fd.get()) : -1;
    if (a < 0)
        return QString();
    constexpr int needsBit = attr::Hidden | attr::System | attr::Directory;
    if ((a & needsBit & ~attributeMask) != 0)
        return QString();
    return QFile::decodeName(e->name);
}

int HostFileService::readFile(const QString &path, QByteArray &data, qint64 maxBytes)
{
    data.clear();
    const Entry e = entry(path);
    if (!e)
        return rt::PathNotFound;
    // Only a regular file is ever opened; O_NONBLOCK guards against one swapped in meanwhile.
    struct stat st;
    if (const int err = e->stat(st, true))
        return statusError(*e, err);
    if (!S_ISREG(st.st_mode))
        return rt::FileNotFound;
    const int fd = ::openat(e->dir.get(), e->n(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return statusError(*e, errno);
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
    const Entry e = entry(path);
    if (!e || !e->folderOpen())
        return rt::PathNotFound;
    if (isReserved(e->name))
        return rt::BadFileName;
    // A link here is replaced by the new file; what it leads to is left alone.
    struct stat st;
    const int err = e->stat(st, false);
    const bool exists = err == 0 && S_ISREG(st.st_mode);
    if (err == 0) {
        if (S_ISDIR(st.st_mode) || (exists && isReadOnly(st)))
            return rt::PermissionDenied;
    } else if (err != ENOENT) {
        return statusError(*e, err);
    }
    int attributes = 0;
    if (exists) {
        const FileDescriptor old(::openat(e->dir.get(), e->n(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
        attributes = old.get() >= 0 ? std::max(attr::readFd(old.get()), 0) : 0;
    }

    TempFile temp;
    if (const int e2 = temp.create(e->dir.get()))
        return rt::fromErrno(e2);
    if (const int e2 = writeAll(temp.fd(), data.constData(), data.size()))
        return rt::fromErrno(e2);
    if (exists) {
        // The new file takes the place of the old one: same owner (where we may say so) and mode.
        if (::fchown(temp.fd(), st.st_uid, st.st_gid) != 0 && st.st_uid == ::geteuid())
            ::fchown(temp.fd(), uid_t(-1), st.st_gid);
        ::fchmod(temp.fd(), st.st_mode & 07777);
    }
    if (attributes > 0) {
        if (const int e2 = attr::writeFd(temp.fd(), attributes & ~attr::Directory))
            return e2;
    }
    if (const int e2 = temp.finish())
        return rt::fromErrno(e2);
    if (const int e2 = temp.renameTo(*e, false))
        return rt::fromErrno(e2);
    syncFolderOf(*e);
    return rt::Ok;
}

} // namespace bg

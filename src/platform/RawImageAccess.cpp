#include "platform/RawImageAccess.h"

#include "platform/HelperProgram.h"
#include "platform/SingleInstance.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QThread>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/syscall.h>
#include <sys/stat.h>
#include <unistd.h>

namespace bg {

using hostfs::FileDescriptor;

namespace {

constexpr int startTimeoutMs = 15000;
constexpr int stopTimeoutMs = 5000;
constexpr int killTimeoutMs = 2000;
constexpr int unmountTimeoutMs = 5000;

// An export's folder holds its lock, the daemon's pid file and the mountpoint.
const QString lockName = QStringLiteral("lock");
const QString pidName = QStringLiteral("pid");
const QString rawName = QStringLiteral("raw");
const QString folderPrefix = QStringLiteral("export-");

QByteArray hostBytes(const QString &path)
{
    return QFile::encodeName(path);
}

int openRetrying(const QString &path, int flags, mode_t mode = 0)
{
    int fd;
    do {
        fd = ::open(hostBytes(path).constData(), flags | O_CLOEXEC | O_NOFOLLOW, mode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

int flockRetrying(int fd, int operation)
{
    int rc;
    do {
        rc = ::flock(fd, operation);
    } while (rc != 0 && errno == EINTR);
    return rc;
}

// A folder of this user's own, made private when missing; a link or another user's folder is
// none (the runtime folder may be a shared temporary one).
bool ownFolder(const QString &path)
{
    const QByteArray bytes = hostBytes(path);
    if (::mkdir(bytes.constData(), 0700) != 0 && errno != EEXIST)
        return false;
    struct stat st;
    return ::lstat(bytes.constData(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid();
}

// Held while export folders are made, taken apart or looked over, so no one sees a folder half
// made or half removed.
class FoldersLock
{
public:
    explicit FoldersLock(const QString &folder)
        : m_fd(openRetrying(folder + QStringLiteral("/.lock"), O_RDWR | O_CREAT, 0600))
    {
        if (m_fd.get() >= 0)
            flockRetrying(m_fd.get(), LOCK_EX);
    }

private:
    FileDescriptor m_fd;
};

// True when the path is a mount point of this process's view (a live or a dead FUSE export).
// Read from the mount table, so a dead export is never touched.
bool isMountPoint(const QString &path)
{
    QFile table(QStringLiteral("/proc/self/mountinfo"));
    if (!table.open(QIODevice::ReadOnly))
        return false;
    const QByteArray wanted = hostBytes(path);
    for (const QByteArray &line : table.readAll().split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() < 5)
            continue;
        // The kernel writes space, tab, newline and backslash as \ooo.
        QByteArray point;
        const QByteArray &raw = fields[4];
        for (qsizetype i = 0; i < raw.size(); ++i) {
            if (raw[i] == '\\' && i + 3 < raw.size()) {
                point += char(raw.mid(i + 1, 3).toInt(nullptr, 8));
                i += 3;
            } else {
                point += raw[i];
            }
        }
        if (point == wanted)
            return true;
    }
    return false;
}

// Through syscall(): glibc 2.36's <sys/pidfd.h> does not declare them for C++.
int pidfdOpen(pid_t pid)
{
    return int(::syscall(SYS_pidfd_open, pid, 0));
}

void pidfdSignal(int pidfd, int signal)
{
    ::syscall(SYS_pidfd_send_signal, pidfd, signal, nullptr, 0);
}

bool waitForExit(int pidfd, int timeoutMs)
{
    pollfd p{pidfd, POLLIN, 0};
    int rc;
    do {
        rc = ::poll(&p, 1, timeoutMs);
    } while (rc < 0 && errno == EINTR);
    return rc > 0;
}

// The daemon that serves the folder's export, as a pidfd; -1 when none runs. The pid file is
// trusted only for a process whose command line names this folder's pid file.
int daemonOf(const QString &folder)
{
    QFile pidFile(folder + u'/' + pidName);
    if (!pidFile.open(QIODevice::ReadOnly))
        return -1;
    bool ok = false;
    const pid_t pid = pidFile.read(32).trimmed().toInt(&ok);
    if (!ok || pid <= 0)
        return -1;
    const int pidfd = pidfdOpen(pid);
    if (pidfd < 0)
        return -1;
    QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(pid));
    const QByteArray expected = QByteArray("\0--pidfile\0", 11) + hostBytes(pidFile.fileName()) + '\0';
    if (!cmdline.open(QIODevice::ReadOnly) || !cmdline.readAll().contains(expected)) {
        ::close(pidfd);
        return -1;
    }
    return pidfd;
}

// Stops the daemon (QEMU flushes and closes the image on SIGTERM and unmounts its export), makes
// sure the export is unmounted, and removes the folder. Each close of the export's file already
// flushed QEMU's caches to the image, so a daemon killed when it does not stop loses nothing.
void dismantle(const QString &exports, const QString &folder, int pidfd)
{
    if (pidfd >= 0) {
        pidfdSignal(pidfd, SIGTERM);
        if (!waitForExit(pidfd, stopTimeoutMs)) {
            pidfdSignal(pidfd, SIGKILL);
            waitForExit(pidfd, killTimeoutMs);
        }
    }
    const QString raw = folder + u'/' + rawName;
    if (isMountPoint(raw)) // the daemon was killed, or would not stop
        runHelper(QStringLiteral("fusermount3"), {QStringLiteral("-u"), QStringLiteral("-z"), raw},
                  unmountTimeoutMs);
    const FoldersLock lock(exports);
    for (const QString &name : {rawName, pidName, lockName})
        ::unlink(hostBytes(folder + u'/' + name).constData());
    ::rmdir(hostBytes(folder).constData());
}

bool fuseUsable()
{
    const int fd = ::open("/dev/fuse", O_RDWR | O_CLOEXEC);
    if (fd < 0)
        return false;
    ::close(fd);
    return true;
}

QString compactJson(const QJsonObject &object)
{
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

} // namespace

QString RawImageAccess::exportsFolder()
{
    return SingleInstance::lockDirectory() + QStringLiteral("/bootgallery-images");
}

RawImageAccess::RawImageAccess(const QString &imagePath, Mode mode)
{
    open(imagePath, mode);
}

void RawImageAccess::open(const QString &imagePath, Mode mode)
{
    // The image is opened once, here; QEMU and mtools are handed this very file through our
    // descriptor's /proc path, so a file put in its place meanwhile is never touched.
    const int flags = (mode == Mode::Writable ? O_RDWR : O_RDONLY) | O_CLOEXEC;
    m_image.reset(::open(hostBytes(QFileInfo(imagePath).absoluteFilePath()).constData(), flags));
    if (m_image.get() < 0) {
        const int err = errno;
        if (mode == Mode::Writable && (err == EACCES || err == EROFS || err == EPERM)
            && ::access(hostBytes(imagePath).constData(), R_OK) == 0)
            return fail(Error::NotWritable);
        return fail(Error::Unreadable, QString::fromLocal8Bit(std::strerror(err)));
    }
    struct stat st;
    if (::fstat(m_image.get(), &st) != 0 || !S_ISREG(st.st_mode))
        return fail(Error::Unreadable);
    const QString path = QStringLiteral("/proc/%1/fd/%2").arg(::getpid()).arg(m_image.get());
    const DiskImage::Probe probe = DiskImage::probe(path, mode == Mode::Writable);
    switch (probe.status) {
    case DiskImage::Status::Ok: break;
    case DiskImage::Status::Unreadable: return fail(Error::Unreadable, probe.detail);
    case DiskImage::Status::NotAnImage: return fail(Error::NotAnImage, probe.detail);
    case DiskImage::Status::ToolMissing: return fail(Error::ToolMissing, probe.detail);
    }
    m_format = probe.format;
    if (mode == Mode::Writable && probe.locked)
        return fail(Error::Locked);
    if (probe.format == DiskImage::Format::Raw) {
        m_hostPath = path;
        m_size = probe.virtualSize;
        return;
    }
    if (!fuseUsable())
        return fail(Error::NoFuse);
    exportImage(path, mode, probe);
}

void RawImageAccess::exportImage(const QString &imagePath, Mode mode,
                                 const DiskImage::Probe &probe)
{
    const QString exports = exportsFolder();
    if (!ownFolder(SingleInstance::lockDirectory()) || !ownFolder(exports))
        return fail(Error::Failed, QStringLiteral("no runtime folder"));
    // The mount table names the folder as the kernel resolved it.
    const QString base = QFileInfo(exports).canonicalFilePath();
    int made = 0; // errno of making the folder
    {
        const FoldersLock lock(base);
        QByteArray name = hostBytes(base + u'/' + folderPrefix + QStringLiteral("XXXXXX"));
        if (::mkdtemp(name.data())) {
            m_folder = QFile::decodeName(name);
            m_owner.reset(openRetrying(m_folder + u'/' + lockName, O_RDWR | O_CREAT | O_EXCL, 0600));
            const FileDescriptor mountpoint(
                openRetrying(m_folder + u'/' + rawName, O_WRONLY | O_CREAT | O_EXCL, 0600));
            if (m_owner.get() < 0 || flockRetrying(m_owner.get(), LOCK_EX | LOCK_NB) != 0
                || mountpoint.get() < 0)
                made = errno;
        } else {
            made = errno;
        }
    }
    if (made != 0) // taken apart without the folders' lock, which dismantle() takes itself
        return fail(Error::Failed, QString::fromLocal8Bit(std::strerror(made)));

    const bool readOnly = mode == Mode::ReadOnly;
    QJsonObject file{{QStringLiteral("driver"), QStringLiteral("file")},
                     {QStringLiteral("node-name"), QStringLiteral("file")},
                     {QStringLiteral("filename"), imagePath}};
    QJsonObject image{{QStringLiteral("driver"), DiskImage::qemuDriver(probe.format)},
                      {QStringLiteral("node-name"), QStringLiteral("image")},
                      {QStringLiteral("file"), QStringLiteral("file")}};
    if (readOnly) {
        // Reading shares the image with an emulator that writes it, as qemu-img --force-share.
        for (QJsonObject *node : {&file, &image}) {
            node->insert(QStringLiteral("read-only"), true);
            node->insert(QStringLiteral("force-share"), true);
        }
    }
    const QJsonObject fuse{{QStringLiteral("type"), QStringLiteral("fuse")},
                           {QStringLiteral("id"), QStringLiteral("raw")},
                           {QStringLiteral("node-name"), QStringLiteral("image")},
                           {QStringLiteral("mountpoint"), m_folder + u'/' + rawName},
                           {QStringLiteral("writable"), !readOnly},
                           {QStringLiteral("allow-other"), QStringLiteral("off")}};
    // --daemonize: the command ends once the export is mounted, or with QEMU's error.
    const HelperResult run = runHelper(
        QStringLiteral("qemu-storage-daemon"),
        {QStringLiteral("--daemonize"), QStringLiteral("--pidfile"), m_folder + u'/' + pidName,
         QStringLiteral("--blockdev"), compactJson(file), QStringLiteral("--blockdev"),
         compactJson(image), QStringLiteral("--export"), compactJson(fuse)},
        startTimeoutMs);
    m_daemon.reset(daemonOf(m_folder));
    const QString detail = QString::fromLocal8Bit(run.err).trimmed();
    if (!run.started || run.timedOut)
        return fail(Error::ToolMissing, detail);
    if (run.exitCode != 0) {
        if (DiskImage::isLockConflict(run.err))
            return fail(Error::Locked, detail);
        return fail(run.err.contains("fusermount") ? Error::NoFuse : Error::Failed, detail);
    }
    if (m_daemon.get() < 0)
        return fail(Error::Failed, QStringLiteral("the export's daemon is gone"));

    // The daemon has mounted its export; it serves the disk once the file has the disk's size.
    const QString raw = m_folder + u'/' + rawName;
    const QDeadlineTimer deadline(startTimeoutMs);
    for (;;) {
        struct stat st;
        if (::stat(hostBytes(raw).constData(), &st) == 0 && st.st_size == probe.virtualSize)
            break;
        if (deadline.hasExpired() || waitForExit(m_daemon.get(), 0))
            return fail(Error::Failed, QStringLiteral("the export did not appear"));
        QThread::msleep(2);
    }
    m_hostPath = raw;
    m_size = probe.virtualSize;
}

void RawImageAccess::fail(Error error, const QString &detail)
{
    m_error = error;
    m_detail = detail;
    m_hostPath.clear();
    m_size = 0;
    if (!m_folder.isEmpty()) {
        dismantle(QFileInfo(m_folder).path(), m_folder, m_daemon.get());
        m_folder.clear();
    }
}

RawImageAccess::~RawImageAccess()
{
    if (!m_folder.isEmpty())
        dismantle(QFileInfo(m_folder).path(), m_folder, m_daemon.get());
}

void RawImageAccess::cleanUpLeftovers()
{
    const QString exports = exportsFolder();
    if (!QFileInfo(exports).isDir() || !ownFolder(exports))
        return;
    const QString base = QFileInfo(exports).canonicalFilePath();
    QStringList abandoned;
    {
        const FoldersLock lock(base);
        const QStringList names = QDir(base).entryList({folderPrefix + u'*'},
                                                      QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden);
        for (const QString &name : names) {
            const QString folder = base + u'/' + name;
            const FileDescriptor owner(openRetrying(folder + u'/' + lockName, O_RDWR));
            // A running access holds its lock; a folder without one was never finished.
            if (owner.get() >= 0 && flockRetrying(owner.get(), LOCK_EX | LOCK_NB) != 0)
                continue;
            abandoned << folder;
        }
    }
    // Taken apart outside the folders' lock, which dismantle() takes for the removal itself.
    for (const QString &folder : abandoned) {
        const FileDescriptor daemon(daemonOf(folder));
        dismantle(base, folder, daemon.get());
    }
}

} // namespace bg

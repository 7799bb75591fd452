#include "platform/SingleInstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace bg {

namespace {

// A file name made of the lock name and a suffix: letters, digits, '.', '-' and '_' kept, the
// rest '_'; a long name is shortened and made unique again with a hash of the whole.
QString fileNameFor(const QString &lockName, const QString &suffix)
{
    QString safe;
    safe.reserve(lockName.size());
    for (QChar c : lockName) {
        const char16_t u = c.unicode();
        const bool keep = (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z')
            || (u >= u'0' && u <= u'9') || u == u'.' || u == u'-' || u == u'_';
        safe += keep ? c : QChar(u'_');
    }
    if (safe.isEmpty() || safe.startsWith(u'.'))
        safe.prepend(QStringLiteral("lock"));
    constexpr qsizetype maxLength = 120;
    if (safe.size() > maxLength) {
        const QByteArray hash =
            QCryptographicHash::hash(lockName.toUtf8(), QCryptographicHash::Sha1).toHex();
        safe = safe.right(maxLength - hash.size() - 1) + u'-' + QString::fromLatin1(hash);
    }
    return QStringLiteral("bootgallery-") + safe + suffix;
}

} // namespace

QString SingleInstance::lockDirectory()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir::isAbsolutePath(runtime) && QFileInfo(runtime).isDir())
        return QDir::cleanPath(runtime);
    return QDir::tempPath() + QStringLiteral("/bootgallery-") + QString::number(::getuid());
}

QString SingleInstance::serverName(const QString &lockName)
{
    return lockDirectory() + u'/' + fileNameFor(lockName, QStringLiteral(".socket"));
}

SingleInstance::SingleInstance(const QString &lockName)
{
    const QString dir = lockDirectory();
    const QByteArray d = QFile::encodeName(dir);
    if (::mkdir(d.constData(), 0700) != 0 && errno != EEXIST)
        return; // no place for a lock: nothing can say another copy runs
    // A shared temporary directory: use the folder only when it is our own.
    struct stat st;
    if (::lstat(d.constData(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid())
        return;

    const QByteArray path =
        QFile::encodeName(dir + u'/' + fileNameFor(lockName, QStringLiteral(".lock")));
    const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY,
                          0600);
    if (fd < 0)
        return;
    int rc;
    do {
        rc = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (rc != 0 && errno == EINTR);
    if (rc == 0) {
        m_fd = fd; // held, and so locked, until the process ends
        return;
    }
    const int err = errno;
    ::close(fd);
    m_another = err == EWOULDBLOCK;
}

SingleInstance::~SingleInstance()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

} // namespace bg

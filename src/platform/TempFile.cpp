#include "platform/TempFile.h"

#include "platform/FolderEntries.h"
#include "platform/HostPath.h"

#include <QList>
#include <QRandomGenerator>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace bg::hostfs {

namespace {

constexpr QLatin1StringView TempPrefix(".~bg");
constexpr QLatin1StringView TempSuffix(".tmp");

} // namespace

bool isTempName(const char *name)
{
    const qsizetype length = qsizetype(std::strlen(name));
    if (length <= TempPrefix.size() + TempSuffix.size()
        || std::strncmp(name, TempPrefix.data(), size_t(TempPrefix.size())) != 0
        || std::strcmp(name + length - TempSuffix.size(), TempSuffix.data()) != 0)
        return false;
    for (qsizetype i = TempPrefix.size(); i < length - TempSuffix.size(); ++i) {
        if (!std::isxdigit(static_cast<unsigned char>(name[i])))
            return false;
    }
    return true;
}

TempFile::~TempFile()
{
    m_fd.close();
    if (!m_unnamed && !m_path.isEmpty())
        ::unlink(enc(m_path).constData());
}

int TempFile::create(const QString &dir)
{
    m_dir = dir;
    if (::access("/proc/self/fd", X_OK) == 0) {
        const int fd = ::open(enc(dir).constData(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
        if (fd >= 0) {
            m_fd.reset(fd);
            m_unnamed = true;
            m_path = QStringLiteral("/proc/self/fd/") + QString::number(fd);
            return 0;
        }
        if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)
            return errno;
    }
    const int fd = createNamed(m_path);
    if (fd < 0)
        return -fd;
    m_fd.reset(fd);
    return 0;
}

int TempFile::finish()
{
    if (::fsync(m_fd.get()) != 0) {
        const int err = errno;
        m_fd.close();
        return err;
    }
    // An unnamed file exists only while it is open: it stays open until it is linked.
    return m_unnamed ? 0 : m_fd.close();
}

int TempFile::renameTo(const QString &target, bool noReplace)
{
    if (m_unnamed)
        return linkTo(target, noReplace);
    const QByteArray from = enc(m_path);
    const QByteArray to = enc(target);
    int rc;
    if (noReplace) {
        rc = ::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE);
        if (rc != 0 && (errno == EINVAL || errno == ENOSYS)) {
            rc = ::link(from.constData(), to.constData());
            if (rc == 0) {
                ::unlink(from.constData());
            } else if (errno != EEXIST) {
                // No hard links here either (FAT): check, then rename.
                struct stat st;
                if (::lstat(to.constData(), &st) == 0) {
                    errno = EEXIST;
                } else {
                    rc = ::rename(from.constData(), to.constData());
                }
            }
        }
    } else {
        rc = ::rename(from.constData(), to.constData());
    }
    if (rc != 0)
        return errno;
    m_path.clear();
    return 0;
}

int TempFile::createNamed(QString &path) const
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString candidate = m_dir + u'/' + TempPrefix
            + QString::number(QRandomGenerator::global()->generate64(), 16) + TempSuffix;
        const int fd = ::open(enc(candidate).constData(),
                              O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
        if (fd >= 0) {
            path = candidate;
            return fd;
        }
        if (errno != EEXIST)
            return -errno;
    }
    return -EEXIST;
}

int TempFile::linkTo(const QString &target, bool noReplace)
{
    const QByteArray from = enc(m_path);
    const QByteArray to = enc(target);
    // A target that does not exist yet gets the file in one step; linking never replaces.
    if (::linkat(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), AT_SYMLINK_FOLLOW) == 0)
        return linked();
    if (errno != EEXIST || noReplace)
        return errno;
    // Replacing: the file takes a name of its own beside the target, then the target's place
    // in one rename. Only a death between these two steps leaves a temporary name behind.
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString candidate = m_dir + u'/' + TempPrefix
            + QString::number(QRandomGenerator::global()->generate64(), 16) + TempSuffix;
        const QByteArray named = enc(candidate);
        if (::linkat(AT_FDCWD, from.constData(), AT_FDCWD, named.constData(), AT_SYMLINK_FOLLOW)
            != 0) {
            if (errno == EEXIST)
                continue;
            return errno;
        }
        if (::rename(named.constData(), to.constData()) != 0) {
            const int err = errno;
            ::unlink(named.constData());
            return err;
        }
        return linked();
    }
    return EEXIST;
}

int TempFile::linked()
{
    m_fd.close();
    m_path.clear();
    return 0;
}

bool removeLeftoverTemps(const QString &hostDir)
{
    DIR *d = ::opendir(enc(hostDir).constData());
    if (!d)
        return false;
    QList<QByteArray> temps;
    bool onlyTemps = true;
    while (const dirent *e = ::readdir(d)) {
        if (isDotOrDotDot(e->d_name))
            continue;
        if (!isTempName(e->d_name)) {
            onlyTemps = false;
            break;
        }
        temps.append(QByteArray(e->d_name));
    }
    ::closedir(d);
    if (!onlyTemps || temps.isEmpty())
        return false;
    const QByteArray dir = enc(hostDir) + '/';
    for (const QByteArray &name : std::as_const(temps))
        ::unlink((dir + name).constData());
    return true;
}

} // namespace bg::hostfs

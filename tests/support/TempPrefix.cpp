#include "support/TempPrefix.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <linux/capability.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace bg::test {

namespace {
QByteArray linkPath(const QString &root, QChar letter)
{
    return QFile::encodeName(root + QStringLiteral("/dosdevices/") + letter.toLower() + u':');
}
} // namespace

TempPrefix::TempPrefix()
{
    if (!m_dir.isValid())
        return;
    m_prefix = std::make_unique<Prefix>(m_dir.filePath(QStringLiteral("prefix")));
    m_files = std::make_unique<HostFileService>(*m_prefix);
    m_valid = m_prefix->ensureCreated();
}

QString TempPrefix::addDrive(QChar letter)
{
    const QString dir = m_dir.filePath(QStringLiteral("drive_") + letter.toLower());
    return QDir().mkpath(dir) && addDrive(letter, dir) ? dir : QString();
}

bool TempPrefix::addDrive(QChar letter, const QString &target)
{
    const QByteArray link = linkPath(root(), letter);
    ::unlink(link.constData());
    return ::symlink(QFile::encodeName(target).constData(), link.constData()) == 0;
}

bool TempPrefix::removeDrive(QChar letter)
{
    return ::unlink(linkPath(root(), letter).constData()) == 0;
}

bool TempPrefix::makeFolder(const QString &windowsPath)
{
    const QString h = host(windowsPath);
    return !h.isEmpty() && QDir().mkpath(h);
}

bool TempPrefix::writeFile(const QString &windowsPath, const QByteArray &bytes)
{
    const QString h = host(windowsPath);
    QFile f(h);
    return !h.isEmpty() && QDir().mkpath(QFileInfo(h).absolutePath())
           && f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size() && f.flush();
}

bool TempPrefix::writeFileOfSize(const QString &windowsPath, qint64 size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (qint64 i = 0; i < size; ++i)
        bytes[i] = char('A' + i % 26);
    return writeFile(windowsPath, bytes);
}

QByteArray TempPrefix::readFile(const QString &windowsPath) const
{
    QFile f(host(windowsPath));
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    const QByteArray data = f.readAll();
    return data.isNull() ? QByteArray("") : data;
}

bool TempPrefix::exists(const QString &windowsPath) const
{
    const QString h = host(windowsPath);
    struct stat st;
    return !h.isEmpty() && ::lstat(QFile::encodeName(h).constData(), &st) == 0;
}

bool TempPrefix::setReadOnly(const QString &windowsPath, bool readOnly)
{
    const QByteArray h = QFile::encodeName(host(windowsPath));
    struct stat st;
    if (h.isEmpty() || ::stat(h.constData(), &st) != 0)
        return false;
    const mode_t mode = readOnly ? (st.st_mode & ~mode_t(S_IWUSR | S_IWGRP | S_IWOTH)) : (st.st_mode | S_IWUSR);
    return ::chmod(h.constData(), mode & 07777) == 0;
}

void passOverPermissions(bool on)
{
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct caps[2]{};
    if (::syscall(SYS_capget, &header, caps) != 0)
        return;
    const quint32 override = (1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH);
    caps[0].effective = on ? caps[0].effective | (caps[0].permitted & override) : caps[0].effective & ~override;
    ::syscall(SYS_capset, &header, caps);
}

} // namespace bg::test

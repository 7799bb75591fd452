#include "platform/Prefix.h"

#include "platform/VolumeLookup.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <functional>

#include <cerrno>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace bg {

namespace {

inline bool isSeparator(QChar c)
{
    return c == u'\\' || c == u'/';
}

QString joinHost(const QString &dir, const QString &name)
{
    return dir.endsWith(u'/') ? dir + name : dir + u'/' + name;
}

bool isDirectory(const QString &hostPath)
{
    struct stat st;
    return ::stat(QFile::encodeName(hostPath).constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool isRegularFile(const QString &hostPath)
{
    struct stat st;
    return ::stat(QFile::encodeName(hostPath).constData(), &st) == 0 && S_ISREG(st.st_mode);
}

// The name a directory holds for `name`: the name itself when an entry of exactly that spelling
// exists, else the first entry (in the order the directory yields them) equal to it ignoring
// case, Unicode case folding applied. Empty when there is none.
//
// Nothing is cached: other programs change folders under us, and a listing that answered
// correctly a moment ago may not any more. The scan only runs when the exact name misses.
QString findEntry(const QString &dir, const QString &name)
{
    const QByteArray exact = QFile::encodeName(joinHost(dir, name));
    struct stat st;
    if (::lstat(exact.constData(), &st) == 0)
        return name;
    if (errno != ENOENT)
        return QString(); // not a folder, or not searchable: nothing below it can be found

    DIR *d = ::opendir(QFile::encodeName(dir).constData());
    if (!d)
        return QString();
    const QString folded = name.toCaseFolded();
    QString found;
    while (const dirent *e = ::readdir(d)) {
        const char *n = e->d_name;
        if (n[0] == '.' && (n[1] == '\0' || (n[1] == '.' && n[2] == '\0')))
            continue;
        const QString entry = QFile::decodeName(n);
        if (entry.toCaseFolded() == folded) {
            found = entry;
            break;
        }
    }
    ::closedir(d);
    return found;
}

// Splits an absolute Windows path ("C:\a\..\b", "c:/a/b\", "C:") into its drive letter and its
// components with "." and ".." applied (never above the root). Empty for anything else: a
// relative, drive-relative, UNC or quoted path, or a component Windows cannot hold.
std::optional<std::pair<QChar, QStringList>> splitWindowsPath(const QString &path)
{
    if (path.size() < 2 || path.at(1) != u':')
        return std::nullopt;
    const QChar drive = path.at(0);
    if (!((drive >= u'A' && drive <= u'Z') || (drive >= u'a' && drive <= u'z')))
        return std::nullopt;
    if (path.size() > 2 && !isSeparator(path.at(2)))
        return std::nullopt;

    QStringList parts;
    qsizetype start = 2;
    while (start < path.size()) {
        qsizetype end = start;
        while (end < path.size() && !isSeparator(path.at(end)))
            ++end;
        const QStringView part = QStringView(path).mid(start, end - start);
        start = end + 1;
        if (part.isEmpty() || part == u".")
            continue;
        if (part == u"..") {
            if (!parts.isEmpty())
                parts.removeLast();
            continue;
        }
        for (QChar c : part) {
            if (Prefix::isInvalidNameChar(c))
                return std::nullopt;
        }
        parts.append(part.toString());
    }
    return std::make_pair(drive.toUpper(), parts);
}

// Creates the layout of a new prefix inside `dir`.
bool makeLayout(const QString &dir)
{
    const QString startup = dir + QStringLiteral("/drive_c/WINDOWS/Start Menu/Programs/StartUp");
    if (!QDir().mkpath(startup) || !QDir().mkdir(dir + QStringLiteral("/dosdevices")))
        return false;
    const QByteArray c = QFile::encodeName(dir + QStringLiteral("/dosdevices/c:"));
    const QByteArray z = QFile::encodeName(dir + QStringLiteral("/dosdevices/z:"));
    return ::symlink("../drive_c", c.constData()) == 0 && ::symlink("/", z.constData()) == 0;
}

// The layout of a prefix for one disk image: c: is the image, z: the host's root.
bool makeImageLayout(const QString &dir, const QString &image)
{
    if (!QDir().mkdir(dir + QStringLiteral("/dosdevices")))
        return false;
    const QByteArray c = QFile::encodeName(dir + QStringLiteral("/dosdevices/c:"));
    const QByteArray z = QFile::encodeName(dir + QStringLiteral("/dosdevices/z:"));
    return ::symlink(QFile::encodeName(image).constData(), c.constData()) == 0
           && ::symlink("/", z.constData()) == 0;
}

void removeLayout(const QString &dir)
{
    // The drive links go first so that nothing can ever walk into the drives they name.
    ::unlink(QFile::encodeName(dir + QStringLiteral("/dosdevices/c:")).constData());
    ::unlink(QFile::encodeName(dir + QStringLiteral("/dosdevices/z:")).constData());
    QDir(dir).removeRecursively();
}

} // namespace

Prefix::Prefix(QString rootDir) : m_root(QDir::cleanPath(std::move(rootDir))) {}

QString Prefix::defaultRoot()
{
    const QString own = qEnvironmentVariable("BOOTGALLERY_PREFIX");
    if (!own.isEmpty())
        return QDir::cleanPath(QDir::current().absoluteFilePath(own));
    QString data = qEnvironmentVariable("XDG_DATA_HOME");
    // XDG base directories must be absolute; a relative value is ignored.
    if (data.isEmpty() || !QDir::isAbsolutePath(data))
        data = QDir::homePath() + QStringLiteral("/.local/share");
    return QDir::cleanPath(data + QStringLiteral("/bootgallery"));
}

QString Prefix::imageRoot(const QString &imageFile)
{
    QString data = qEnvironmentVariable("XDG_DATA_HOME");
    if (data.isEmpty() || !QDir::isAbsolutePath(data))
        data = QDir::homePath() + QStringLiteral("/.local/share");
    const QFileInfo image(imageFile);
    const QString canonical = image.canonicalFilePath();
    const QByteArray key = QFile::encodeName(canonical.isEmpty() ? image.absoluteFilePath() : canonical);
    QString name = image.fileName();
    for (QChar &c : name) {
        if (!c.isLetterOrNumber() && c != u'.' && c != u'-' && c != u'_')
            c = u'_';
    }
    return QDir::cleanPath(data + QStringLiteral("/bootgallery-images/") + name + u'-'
                           + QString::number(qHashBits(key.constData(), size_t(key.size()), 0x5eed), 16));
}

bool Prefix::ensureCreated() const
{
    return ensureCreatedWith([](const QString &dir) { return makeLayout(dir); });
}

bool Prefix::ensureCreatedForImage(const QString &imageFile) const
{
    const QFileInfo info(imageFile);
    const QString image = info.canonicalFilePath().isEmpty() ? info.absoluteFilePath()
                                                             : info.canonicalFilePath();
    return ensureCreatedWith([&image](const QString &dir) { return makeImageLayout(dir, image); });
}

bool Prefix::ensureCreatedWith(const std::function<bool(const QString &)> &layout) const
{
    const QByteArray root = QFile::encodeName(m_root);
    struct stat st;
    if (::lstat(root.constData(), &st) == 0)
        return isDirectory(m_root);
    if (errno != ENOENT)
        return false;

    const QString parent = QFileInfo(m_root).absolutePath();
    if (!QDir().mkpath(parent))
        return false;

    // The layout is built under a temporary name beside the root and then renamed into place,
    // so an interrupted first start never leaves half a prefix that later starts would keep,
    // and two first starts racing each other end with one complete prefix.
    QString building;
    for (int attempt = 0; attempt < 100 && building.isEmpty(); ++attempt) {
        const QString candidate = parent + QStringLiteral("/.bootgallery-new-")
            + QString::number(QRandomGenerator::global()->generate(), 16);
        if (::mkdir(QFile::encodeName(candidate).constData(), 0777) == 0)
            building = candidate;
        else if (errno != EEXIST)
            return false;
    }
    if (building.isEmpty())
        return false;
    if (!layout(building)) {
        removeLayout(building);
        return false;
    }

    const QByteArray from = QFile::encodeName(building);
    int rc = ::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, root.constData(), RENAME_NOREPLACE);
    if (rc != 0 && (errno == EINVAL || errno == ENOSYS)) {
        // The file system cannot refuse to replace; a plain rename still refuses a non-empty
        // directory, which is all a concurrent start could have made.
        if (::lstat(root.constData(), &st) == 0)
            errno = EEXIST;
        else
            rc = ::rename(from.constData(), root.constData());
    }
    if (rc != 0) {
        const int err = errno;
        removeLayout(building);
        return (err == EEXIST || err == ENOTEMPTY) && isDirectory(m_root);
    }
    return true;
}

bool Prefix::isOnHostRootDrive(const QString &windowsPath) const
{
    if (windowsPath.size() < 2 || windowsPath.at(1) != u':' || !windowsPath.at(0).isLetter())
        return false;
    const QString target = driveTarget(windowsPath.at(0));
    return !target.isEmpty() && QFileInfo(m_root + QStringLiteral("/dosdevices"), target).canonicalFilePath() == u"/";
}

QString Prefix::driveTarget(QChar letter) const
{
    const QString dosdevices = m_root + QStringLiteral("/dosdevices");
    const QString link = dosdevices + u'/' + letter.toLower() + u':';
    const QByteArray encoded = QFile::encodeName(link);
    QByteArray target(256, Qt::Uninitialized);
    for (;;) {
        const ssize_t n = ::readlink(encoded.constData(), target.data(), size_t(target.size()));
        if (n < 0) {
            // A drive may also be a plain folder in dosdevices (a mount point, say).
            return errno == EINVAL && isDirectory(link) ? link : QString();
        }
        if (n < target.size()) {
            target.truncate(n);
            break;
        }
        target.resize(target.size() * 2);
    }
    const QString t = QFile::decodeName(target);
    if (t.isEmpty())
        return QString();
    return QDir::cleanPath(QDir::isAbsolutePath(t) ? t : dosdevices + u'/' + t);
}

QString Prefix::driveImage(QChar letter) const
{
    const QString target = driveTarget(letter);
    return !target.isEmpty() && isRegularFile(target) ? target : QString();
}

bool Prefix::isOnImageDrive(const QString &windowsPath) const
{
    const auto split = splitWindowsPath(windowsPath);
    return split && !driveImage(split->first).isEmpty();
}

std::optional<Prefix::Resolved> Prefix::resolve(const QString &windowsPath) const
{
    const auto split = splitWindowsPath(windowsPath);
    if (!split)
        return std::nullopt;
    Resolved r;
    r.drive = split->first;
    r.host = driveTarget(r.drive);
    if (r.host.isEmpty())
        return std::nullopt;
    if (isRegularFile(r.host)) {
        r.image = true;
        r.host.clear();
        if (m_volumes) {
            VolumeLookup::Found found = m_volumes->find(r.drive, split->second);
            r.names = std::move(found.names);
            r.imageFolder = found.exists && found.isFolder;
        } else {
            r.names = split->second;
        }
        return r;
    }
    r.names.reserve(split->second.size());
    bool searching = true; // below a missing component nothing can exist
    for (const QString &part : split->second) {
        QString name;
        if (searching) {
            name = findEntry(r.host, part);
            if (name.isEmpty()) {
                searching = false;
                name = part;
            }
        } else {
            name = part;
        }
        r.host = joinHost(r.host, name);
        r.names.append(name);
    }
    return r;
}

std::optional<QString> Prefix::toHost(const QString &windowsPath) const
{
    auto r = resolve(windowsPath);
    if (!r || r->image)
        return std::nullopt;
    return std::move(r->host);
}

std::optional<QString> Prefix::spelledAsOnDisk(const QString &windowsPath) const
{
    const auto r = resolve(windowsPath);
    if (!r)
        return std::nullopt;
    return QString(r->drive) + QStringLiteral(":\\") + r->names.join(u'\\');
}

std::optional<QString> Prefix::toWindows(const QString &hostPath) const
{
    if (hostPath.isEmpty())
        return std::nullopt;
    const QString absolute = QDir::cleanPath(QDir::current().absoluteFilePath(hostPath));

    // Canonical form of the deepest existing ancestor; the missing rest is kept as given.
    QString existing = absolute;
    QString rest;
    QString canonical;
    for (;;) {
        canonical = QFileInfo(existing).canonicalFilePath();
        if (!canonical.isEmpty() || existing == u'/')
            break;
        const qsizetype slash = existing.lastIndexOf(u'/');
        rest = existing.mid(slash) + rest;
        existing = slash > 0 ? existing.left(slash) : QStringLiteral("/");
    }
    if (canonical.isEmpty())
        canonical = QStringLiteral("/");
    const QString full = canonical == u'/' ? (rest.isEmpty() ? canonical : rest) : canonical + rest;

    // The drive whose target is the longest prefix of the path; on a tie the first letter.
    QChar best;
    qsizetype bestLength = -1;
    for (char16_t l = u'a'; l <= u'z'; ++l) {
        const QString target = driveTarget(QChar(l));
        if (target.isEmpty() || isRegularFile(target))
            continue; // no drive, or a disk image, whose files have no host path
        QString t = QFileInfo(target).canonicalFilePath();
        if (t.isEmpty())
            continue;
        if (t == u'/')
            t.clear(); // covers every path
        const bool covers = t.isEmpty() || full == t || full.startsWith(t + u'/');
        if (covers && t.size() > bestLength) {
            best = QChar(l).toUpper();
            bestLength = t.size();
        }
    }
    if (bestLength < 0)
        return std::nullopt;

    const QStringList names = full.mid(bestLength).split(u'/', Qt::SkipEmptyParts);
    for (const QString &name : names) {
        if (!isValidName(name))
            return std::nullopt;
    }
    return QString(best) + QStringLiteral(":\\") + names.join(u'\\');
}

QString Prefix::windowsDirectory() const
{
    return spelledAsOnDisk(QStringLiteral("C:\\WINDOWS")).value_or(QStringLiteral("C:\\WINDOWS"));
}

bool Prefix::isFolder(const QString &windowsPath) const
{
    const auto r = resolve(windowsPath);
    return r && (r->image ? r->imageFolder : isDirectory(r->host));
}

QStringList Prefix::subFolders(const QString &windowsFolder) const
{
    const auto r = resolve(windowsFolder);
    if (!r)
        return {};
    if (r->image)
        return m_volumes ? m_volumes->subFolders(r->drive, r->names) : QStringList();
    return QDir(r->host).entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
}

QString Prefix::startupFolder() const
{
    // Windows 95/98 with a single user.
    const QString classic = windowsDirectory() + QStringLiteral("\\Start Menu\\Programs\\StartUp");
    if (isFolder(classic))
        return spelledAsOnDisk(classic).value_or(classic);

    // Wine: the user's own profile, else the only profile other than Public.
    const QString users = QStringLiteral("C:\\users\\");
    QString profile;
    const QString user = qEnvironmentVariable("USER");
    if (!user.isEmpty() && isValidName(user) && isFolder(users + user)) {
        profile = users + user;
    } else {
        const QStringList dirs = subFolders(users);
        QStringList candidates;
        for (const QString &d : dirs) {
            if (d.compare(QLatin1String("Public"), Qt::CaseInsensitive) != 0 && isValidName(d))
                candidates.append(d);
        }
        if (candidates.size() == 1)
            profile = users + candidates.first();
    }
    if (profile.isEmpty())
        return QString();
    const QString wine = profile
        + QStringLiteral("\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\Startup");
    if (isFolder(wine))
        return spelledAsOnDisk(wine).value_or(wine);
    return QString();
}

QString Prefix::programsFolder() const
{
    const QString startup = startupFolder();
    if (startup.isEmpty())
        return QString();
    return startup.left(startup.lastIndexOf(u'\\'));
}

bool Prefix::isInvalidNameChar(QChar c)
{
    switch (c.unicode()) {
    case u'\\':
    case u'/':
    case u':':
    case u'*':
    case u'?':
    case u'"':
    case u'<':
    case u'>':
    case u'|':
        return true;
    default:
        return c.unicode() < 0x20;
    }
}

bool Prefix::isValidName(const QString &name)
{
    if (name.isEmpty())
        return false;
    for (QChar c : name) {
        if (isInvalidNameChar(c))
            return false;
    }
    return true;
}

} // namespace bg

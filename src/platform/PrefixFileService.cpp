#include "platform/PrefixFileService.h"

#include "platform/DosAttributes.h"
#include "platform/Prefix.h"
#include "platform/RuntimeError.h"

#include <QRegularExpression>

namespace bg {

namespace {

// The largest file copied between a folder drive and an image drive (it is held in memory).
constexpr qint64 MaxCopyBytes = qint64(256) << 20;

constexpr int CopiedAttributes = attr::ReadOnly | attr::Hidden | attr::System | attr::Archive;

} // namespace

PrefixFileService::PrefixFileService(Prefix &prefix)
    : m_prefix(prefix), m_host(prefix), m_images(prefix)
{
    m_prefix.setVolumeLookup(&m_images);
}

FileService &PrefixFileService::of(const QString &path)
{
    return m_prefix.isOnImageDrive(path) ? static_cast<FileService &>(m_images) : m_host;
}

void PrefixFileService::beginOperation()
{
    m_host.beginOperation();
    m_images.beginOperation();
}

void PrefixFileService::endOperation()
{
    m_images.endOperation();
    m_host.endOperation();
}

bool PrefixFileService::folderExists(const QString &path) { return of(path).folderExists(path); }
bool PrefixFileService::fileExists(const QString &path) { return of(path).fileExists(path); }
bool PrefixFileService::isLink(const QString &path) { return of(path).isLink(path); }

bool PrefixFileService::sameFile(const QString &a, const QString &b)
{
    FileService &first = of(a);
    return &first == &of(b) && first.sameFile(a, b);
}

int PrefixFileService::listFiles(const QString &folder, std::vector<FolderFile> &out)
{
    return of(folder).listFiles(folder, out);
}

int PrefixFileService::countSubFolders(const QString &folder, int &count)
{
    return of(folder).countSubFolders(folder, count);
}

int PrefixFileService::createFolder(const QString &path) { return of(path).createFolder(path); }

int PrefixFileService::copyAcross(const QString &source, const QString &target, bool overwrite,
                                  bool keepSource)
{
    // A destination that ends in a backslash is the folder to put the file in, under its name.
    const QString destination = target.endsWith(u'\\') || target.endsWith(u'/')
        ? target + source.section(QRegularExpression(QStringLiteral("[\\\\/]")), -1)
        : target;
    FileService &from = of(source);
    FileService &to = of(destination);
    QByteArray data;
    if (const int error = from.readFile(source, data, MaxCopyBytes))
        return error;
    int attributes = attr::Archive;
    from.getAttr(source, attributes);
    int error = rt::Ok;
    if (&to == &m_images) {
        error = m_images.writeFile(destination, data, overwrite);
    } else {
        int existing = 0;
        if (to.isLink(destination) || to.getAttr(destination, existing) == rt::Ok) {
            if (!overwrite)
                return rt::FileAlreadyExists;
            if (existing & attr::ReadOnly)
                return rt::PermissionDenied;
        }
        error = to.writeFileAtomic(destination, data);
    }
    if (error)
        return error;
    to.setAttr(destination, attributes & CopiedAttributes);
    if (keepSource)
        return rt::Ok;
    if (from.isLink(source) || (from.getAttr(source, attributes) == rt::Ok
                                && (attributes & attr::ReadOnly)))
        from.setAttr(source, attr::Normal);
    return from.deleteFile(source, true) == rt::Ok ? rt::Ok : rt::CopiedNotMoved;
}

int PrefixFileService::copyFile(const QString &source, const QString &destination, bool overwrite)
{
    FileService &from = of(source);
    if (&from == &of(destination))
        return from.copyFile(source, destination, overwrite);
    return copyAcross(source, destination, overwrite, true);
}

int PrefixFileService::moveFile(const QString &source, const QString &destination)
{
    FileService &from = of(source);
    if (&from == &of(destination))
        return from.moveFile(source, destination);
    return copyAcross(source, destination, false, false);
}

int PrefixFileService::replaceFile(const QString &source, const QString &destination)
{
    FileService &from = of(source);
    if (&from == &of(destination))
        return from.replaceFile(source, destination);
    int existing = 0;
    FileService &to = of(destination);
    if (!to.isLink(destination) && to.getAttr(destination, existing) == rt::Ok
        && (existing & attr::ReadOnly))
        to.setAttr(destination, existing & ~attr::ReadOnly);
    return copyAcross(source, destination, true, false);
}

int PrefixFileService::deleteFile(const QString &path, bool force)
{
    return of(path).deleteFile(path, force);
}

int PrefixFileService::deleteFolder(const QString &path, bool force)
{
    return of(path).deleteFolder(path, force);
}

int PrefixFileService::fileLen(const QString &path, qint64 &size)
{
    return of(path).fileLen(path, size);
}

int PrefixFileService::getAttr(const QString &path, int &attributes)
{
    return of(path).getAttr(path, attributes);
}

int PrefixFileService::setAttr(const QString &path, int attributes)
{
    return of(path).setAttr(path, attributes);
}

QString PrefixFileService::dir(const QString &path, int attributeMask)
{
    return of(path).dir(path, attributeMask);
}

int PrefixFileService::readFile(const QString &path, QByteArray &data, qint64 maxBytes)
{
    return of(path).readFile(path, data, maxBytes);
}

int PrefixFileService::writeFileAtomic(const QString &path, const QByteArray &data)
{
    return of(path).writeFileAtomic(path, data);
}

std::optional<QString> PrefixFileService::hostPath(const QString &path)
{
    return of(path).hostPath(path);
}

bool PrefixFileService::readListedFiles(const QString &folder, const std::vector<FolderFile> &files,
                                        qint64 maxBytes, const ListedFileVisitor &visit)
{
    return of(folder).readListedFiles(folder, files, maxBytes, visit);
}

int PrefixFileService::driveProblem(const QString &path, bool forWriting)
{
    return of(path).driveProblem(path, forWriting);
}

} // namespace bg

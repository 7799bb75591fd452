#include "platform/ImageDriveService.h"

#include "platform/DiskImage.h"
#include "platform/DiskImageLayout.h"
#include "platform/DosAttributes.h"
#include "platform/FatVolume.h"
#include "platform/FileDescriptor.h"
#include "platform/Prefix.h"
#include "platform/RawImageAccess.h"
#include "platform/RuntimeError.h"
#include "platform/ScratchFolders.h"
#include "platform/TempNames.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QMutex>
#include <QRegularExpression>

#include <functional>
#include <map>
#include <memory>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace bg {

using fat::VolumeEntry;

namespace {

// The largest file an operation keeps once read (settings files, shortcuts, a logo tested and
// then shown).
constexpr qint64 SmallFileBytes = 2 * 1024 * 1024;

// The largest file read whole for hostPath() or a copy between drives.
constexpr qint64 MaxFileBytes = qint64(256) << 20;

bool isSeparator(QChar c)
{
    return c == u'\\' || c == u'/';
}

// "C:\a\..\B" -> 'C' and {"B"}; nothing for a path that is no absolute Windows path.
std::optional<std::pair<QChar, QStringList>> splitPath(const QString &path)
{
    if (path.size() < 2 || path.at(1) != u':' || !path.at(0).isLetter() || path.at(0).unicode() > 0x7f)
        return std::nullopt;
    if (path.size() > 2 && !isSeparator(path.at(2)))
        return std::nullopt;
    QStringList parts;
    for (const QString &part : path.mid(2).split(QRegularExpression(QStringLiteral("[\\\\/]")),
                                                  Qt::SkipEmptyParts)) {
        if (part == u".")
            continue;
        if (part == u"..") {
            if (!parts.isEmpty())
                parts.removeLast();
            continue;
        }
        parts.append(part);
    }
    return std::make_pair(path.at(0).toUpper(), parts);
}

QString volumePath(const QStringList &components)
{
    return u'\\' + components.join(u'\\');
}

QString listingKey(const QStringList &components)
{
    return components.join(u'\\').toCaseFolded();
}

const VolumeEntry *findEntry(const QList<VolumeEntry> &entries, const QString &name)
{
    for (const VolumeEntry &e : entries) {
        if (e.name.compare(name, Qt::CaseInsensitive) == 0
            || e.shortName.compare(name, Qt::CaseInsensitive) == 0)
            return &e;
    }
    return nullptr;
}

bool isTemporary(const QString &name)
{
    return tempnames::isReservedName(reinterpret_cast<const char16_t *>(name.utf16()),
                                     size_t(name.size()));
}

int accessError(RawImageAccess::Error error)
{
    switch (error) {
    case RawImageAccess::Error::None: return rt::Ok;
    case RawImageAccess::Error::Unreadable: return rt::PathNotFound;
    case RawImageAccess::Error::NotWritable: return rt::PermissionDenied;
    case RawImageAccess::Error::Locked: return rt::ImageLocked;
    case RawImageAccess::Error::NotAnImage:
    case RawImageAccess::Error::NoFuse:
    case RawImageAccess::Error::ToolMissing:
    case RawImageAccess::Error::Failed: return rt::ImageUnusable;
    }
    return rt::ImageUnusable;
}

// Where the FAT volume of an image starts, by the image file's state (device, inode, size,
// times): an image that has not changed since it was last looked at is not read again for it.
QMutex locationsMutex;
QHash<QByteArray, fat::FatLocation> locations;

QByteArray imageState(int fd)
{
    struct stat st;
    if (::fstat(fd, &st) != 0)
        return QByteArray();
    QByteArray key;
    for (const qint64 part : {qint64(st.st_dev), qint64(st.st_ino), qint64(st.st_size),
                              qint64(st.st_mtim.tv_sec), qint64(st.st_mtim.tv_nsec),
                              qint64(st.st_ctim.tv_sec), qint64(st.st_ctim.tv_nsec)})
        key.append(reinterpret_cast<const char *>(&part), sizeof part);
    return key;
}

fat::FatLocation locate(int imageFd, const QString &rawPath)
{
    const QByteArray state = imageState(imageFd);
    {
        const QMutexLocker locker(&locationsMutex);
        const auto known = locations.constFind(state);
        if (!state.isEmpty() && known != locations.constEnd())
            return *known;
    }
    const fat::FatLocation found = fat::locateFatVolume(rawPath);
    if (!state.isEmpty() && found.status != fat::FatLocation::Unreadable) {
        const QMutexLocker locker(&locationsMutex);
        if (locations.size() > 64)
            locations.clear();
        locations.insert(state, found);
    }
    return found;
}

} // namespace

// One image drive as an operation holds it.
struct ImageDriveService::Drive
{
    hostfs::FileDescriptor image; // the image file, opened at the operation's first call
    QString imagePath;            // its descriptor's /proc path, naming exactly that file
    std::unique_ptr<RawImageAccess> access;
    std::unique_ptr<fat::FatVolume> volume;
    bool writable = false;
    int error = rt::Ok;       // why the drive cannot be used, for the mode it was last opened in
    bool failedWriting = false;
    QHash<QString, QList<VolumeEntry>> listings; // until the operation's next write
    QHash<QString, QByteArray> reads;            // small files read whole, as long

    // The entries of a folder, listed once per operation (and again after a write).
    int listing(const QStringList &components, const QList<VolumeEntry> *&entries)
    {
        const QString key = listingKey(components);
        auto it = listings.constFind(key);
        if (it == listings.constEnd()) {
            QList<VolumeEntry> listed;
            const QString folder = volumePath(components);
            if (const int error = volume->list(folder, listed))
                return error;
            // A temporary file left by a write cut short (the tool killed between its two
            // steps) goes when an operation that writes comes by.
            if (writable) {
                listed.removeIf([&](const VolumeEntry &e) {
                    return !e.isFolder() && isTemporary(e.name)
                           && volume->removeFile(folder + (components.isEmpty() ? "" : "\\") + e.shortName, true)
                                  == rt::Ok;
                });
            }
            it = listings.insert(key, std::move(listed));
        }
        entries = &*it;
        return rt::Ok;
    }
};

// A path of an image drive, as an operation found it.
struct ImageDriveService::Place
{
    Drive *drive = nullptr;
    QStringList components; // below the root, as given
    QString path;           // "\WINDOWS\LOGO.SYS", for the volume
    // Filled by lookUp():
    VolumeEntry entry;      // the entry (for the root: a folder without names)
    QStringList spelled;    // each component as the volume spells it
    QStringList shortNames; // each component's 8.3 name: the entry's identity in the volume
    bool isRoot() const { return components.isEmpty(); }
};

class ImageDriveService::Scope
{
public:
    explicit Scope(const ImageDriveService &service)
        : m_service(const_cast<ImageDriveService &>(service))
    {
        m_service.beginOperation();
    }
    ~Scope() { m_service.endOperation(); }
    Scope(const Scope &) = delete;
    Scope &operator=(const Scope &) = delete;

private:
    ImageDriveService &m_service;
};

namespace {

struct OpenOperation
{
    int depth = 0;
    std::map<char16_t, std::unique_ptr<ImageDriveService::Drive>> drives;
};

thread_local std::map<const void *, OpenOperation> openOperations;

} // namespace

ImageDriveService::ImageDriveService(const Prefix &prefix)
    : m_prefix(prefix), m_copies(scratch::folderTemplate(QDir::tempPath(), QStringLiteral("copies")))
{
}

ImageDriveService::~ImageDriveService() = default;

void ImageDriveService::beginOperation()
{
    ++openOperations[this].depth;
}

void ImageDriveService::endOperation()
{
    const auto it = openOperations.find(this);
    if (it != openOperations.end() && --it->second.depth <= 0)
        openOperations.erase(it); // closes the images and ends their exports
}

ImageDriveService::Drive *ImageDriveService::drive(QChar letter, bool forWriting) const
{
    OpenOperation &operation = openOperations[this];
    std::unique_ptr<Drive> &slot = operation.drives[letter.unicode()];
    if (!slot) {
        slot = std::make_unique<Drive>();
        const QString image = m_prefix.driveImage(letter);
        if (image.isEmpty()) {
            slot->error = rt::PathNotFound;
            return slot.get();
        }
        slot->image.reset(::open(QFile::encodeName(image).constData(), O_RDONLY | O_CLOEXEC));
        if (slot->image.get() < 0) {
            slot->error = errno == EACCES ? rt::PermissionDenied : rt::PathNotFound;
            return slot.get();
        }
        slot->imagePath = QStringLiteral("/proc/%1/fd/%2").arg(::getpid()).arg(slot->image.get());
    }
    Drive &d = *slot;
    if (d.image.get() < 0)
        return &d;
    if (d.volume && (d.writable || !forWriting))
        return &d;
    // A read after a refused write opens the image shared again; any other failure stands.
    if (!d.volume && d.error != rt::Ok && !(d.failedWriting && !forWriting))
        return &d;

    d.volume.reset();
    d.access.reset();
    d.listings.clear();
    d.access = std::make_unique<RawImageAccess>(
        d.imagePath, forWriting ? RawImageAccess::Mode::Writable : RawImageAccess::Mode::ReadOnly);
    d.writable = forWriting;
    d.failedWriting = false;
    if (!d.access->isOpen()) {
        d.error = accessError(d.access->error());
        d.failedWriting = forWriting;
        d.access.reset();
        return &d;
    }
    const fat::FatLocation where = bg::locate(d.image.get(), d.access->hostPath());
    if (where.status != fat::FatLocation::Found) {
        d.error = where.status == fat::FatLocation::NoFatVolume ? rt::NoFatVolume
                                                                 : rt::ImageUnusable;
        d.access.reset();
        return &d;
    }
    d.volume = std::make_unique<fat::FatVolume>(d.access->hostPath(), where.offset);
    d.error = rt::Ok;
    return &d;
}

int ImageDriveService::locate(const QString &path, bool forWriting, Place &place) const
{
    const auto split = splitPath(path);
    if (!split)
        return rt::PathNotFound;
    place.components = split->second;
    place.path = volumePath(place.components);
    place.drive = drive(split->first, forWriting);
    return place.drive->volume ? rt::Ok : place.drive->error;
}

// Finds the entry of a located place: 53 when its folder exists but it does not, 76 when its
// folder does not exist.
int ImageDriveService::lookUp(Place &place) const
{
    place.entry = VolumeEntry();
    place.entry.attributes = attr::Directory;
    place.spelled.clear();
    place.shortNames.clear();
    QStringList folder;
    for (qsizetype i = 0; i < place.components.size(); ++i) {
        const QList<VolumeEntry> *entries = nullptr;
        if (const int error = place.drive->listing(folder, entries))
            return error == rt::FileNotFound ? rt::PathNotFound : error;
        const VolumeEntry *found = findEntry(*entries, place.components.at(i));
        const bool last = i + 1 == place.components.size();
        if (!found || (!last && !found->isFolder()))
            return last ? rt::FileNotFound : rt::PathNotFound;
        place.entry = *found;
        place.spelled.append(found->name);
        place.shortNames.append(found->shortName);
        folder.append(found->shortName);
    }
    return rt::Ok;
}

// The entries of an existing folder, from the operation's listing; 76 when there is no folder.
int ImageDriveService::folderEntries(const QString &folder, const QList<VolumeEntry> *&entries) const
{
    Place place;
    if (const int error = findPlace(folder, false, place))
        return error == rt::FileNotFound ? rt::PathNotFound : error;
    if (!place.entry.isFolder())
        return rt::PathNotFound;
    return place.drive->listing(place.shortNames, entries);
}

int ImageDriveService::findPlace(const QString &path, bool forWriting, Place &place) const
{
    if (const int error = locate(path, forWriting, place))
        return error;
    return lookUp(place);
}

// A destination that ends in a backslash is the folder to put the file in, under its name.
QString ImageDriveService::into(const QString &destination, const Place &source) const
{
    if (destination.isEmpty() || !isSeparator(destination.back()))
        return destination;
    Place found = source;
    const QString name = lookUp(found) == rt::Ok && !found.isRoot() ? found.spelled.last()
                         : source.components.isEmpty()              ? QString()
                                                                    : source.components.last();
    return destination + name;
}

// A file that is replaced keeps the name it has ("SW.INI" written as "SW.ini" stays SW.INI), as
// a rename over it keeps it on Windows.
void ImageDriveService::keepSpelling(Place &place) const
{
    if (lookUp(place) == rt::Ok && !place.isRoot())
        place.path = volumePath(place.spelled);
}

void ImageDriveService::changed(Place &place) const
{
    place.drive->listings.clear();
    place.drive->reads.clear();
}

int ImageDriveService::change(const QString &path,
                              const std::function<int(const fat::FatVolume &, const Place &)> &step)
{
    const Scope scope(*this);
    Place place;
    if (const int error = locate(path, true, place))
        return error;
    const int error = step(*place.drive->volume, place);
    changed(place);
    return error;
}

// Copies a file's bytes to another place, within one image or from one image to another.
int ImageDriveService::copyBytes(const Place &from, const Place &to, bool replace) const
{
    if (from.drive == to.drive)
        return to.drive->volume->copyFile(from.path, to.path, replace);
    const fat::FileRead read = from.drive->volume->readFile(from.path, MaxFileBytes);
    if (read.error)
        return read.error;
    return read.truncated ? rt::PathFileAccess : to.drive->volume->writeFile(to.path, read.data, replace);
}

bool ImageDriveService::folderExists(const QString &path)
{
    const Scope scope(*this);
    Place place;
    return findPlace(path, false, place) == rt::Ok && place.entry.isFolder();
}

bool ImageDriveService::fileExists(const QString &path)
{
    const Scope scope(*this);
    Place place;
    return findPlace(path, false, place) == rt::Ok && !place.isRoot() && !place.entry.isFolder();
}

bool ImageDriveService::isLink(const QString &)
{
    return false;
}

bool ImageDriveService::sameFile(const QString &a, const QString &b)
{
    const Scope scope(*this);
    Place first, second;
    if (findPlace(a, false, first) != rt::Ok || findPlace(b, false, second) != rt::Ok)
        return false;
    struct stat one, two;
    if (::fstat(first.drive->image.get(), &one) != 0 || ::fstat(second.drive->image.get(), &two) != 0
        || one.st_dev != two.st_dev || one.st_ino != two.st_ino)
        return false;
    return first.shortNames.join(u'\\').compare(second.shortNames.join(u'\\'),
                                                Qt::CaseInsensitive) == 0;
}

int ImageDriveService::listFiles(const QString &folder, std::vector<FolderFile> &out)
{
    out.clear();
    const Scope scope(*this);
    const QList<VolumeEntry> *entries = nullptr;
    if (const int error = folderEntries(folder, entries))
        return error;
    QString windowsFolder = folder;
    if (windowsFolder.isEmpty() || !isSeparator(windowsFolder.back()))
        windowsFolder += u'\\';
    for (const VolumeEntry &e : *entries) {
        if (e.isFolder() || isTemporary(e.name))
            continue;
        out.push_back(FolderFile{e.name, windowsFolder + e.name, QString(), e.size});
    }
    return rt::Ok;
}

int ImageDriveService::countSubFolders(const QString &folder, int &count)
{
    count = 0;
    const Scope scope(*this);
    const QList<VolumeEntry> *entries = nullptr;
    if (const int error = folderEntries(folder, entries))
        return error;
    for (const VolumeEntry &e : *entries)
        count += e.isFolder() ? 1 : 0;
    return rt::Ok;
}

int ImageDriveService::createFolder(const QString &path)
{
    return change(path, [](const fat::FatVolume &volume, const Place &place) {
        if (!place.isRoot() && isTemporary(place.components.last()))
            return rt::BadFileName;
        return volume.createFolder(place.path);
    });
}

int ImageDriveService::copyFile(const QString &source, const QString &destination, bool overwrite)
{
    const Scope scope(*this);
    Place from, to;
    if (const int error = locate(source, true, from))
        return error;
    if (const int error = lookUp(from))
        return error;
    if (from.entry.isFolder())
        return rt::FileNotFound;
    if (const int error = locate(into(destination, from), true, to))
        return error;
    if (to.isRoot() || isTemporary(to.components.last()))
        return rt::BadFileName;
    keepSpelling(to);
    const int error = copyBytes(from, to, overwrite);
    changed(to);
    if (error == rt::Ok)
        to.drive->volume->setAttributes(to.path, from.entry.attributes & ~attr::Directory);
    return error;
}

int ImageDriveService::moveFile(const QString &source, const QString &destination)
{
    const Scope scope(*this);
    Place from, to;
    if (const int error = locate(source, true, from))
        return error;
    const QString target = into(destination, from);
    if (const int error = locate(target, true, to))
        return error;
    if (to.isRoot() || isTemporary(to.components.last()))
        return rt::BadFileName;
    if (from.drive != to.drive) {
        if (const int error = copyFile(source, target, false))
            return error;
        return deleteFile(source, true) == rt::Ok ? rt::Ok : rt::CopiedNotMoved;
    }
    const int error = from.drive->volume->move(from.path, to.path);
    changed(from);
    return error;
}

int ImageDriveService::replaceFile(const QString &source, const QString &destination)
{
    const Scope scope(*this);
    Place from, to;
    if (const int error = locate(source, true, from))
        return error;
    if (const int error = lookUp(from))
        return error;
    const QString target = into(destination, from);
    if (const int error = locate(target, true, to))
        return error;
    if (lookUp(to) == rt::Ok) {
        if (to.entry.isFolder())
            return rt::PathFileAccess;
        if (sameFile(source, target))
            return rt::PermissionDenied;
        // The destination goes as a whole, as a rename over it would take it on Windows.
        if (to.entry.attributes & attr::ReadOnly)
            to.drive->volume->setAttributes(to.path, to.entry.attributes & ~attr::ReadOnly);
        keepSpelling(to);
    }
    const int attributes = from.entry.attributes;
    const int error = copyBytes(from, to, true);
    changed(to);
    changed(from);
    if (error)
        return error;
    to.drive->volume->setAttributes(to.path, attributes & ~attr::Directory);
    return from.drive->volume->removeFile(from.path, true) == rt::Ok ? rt::Ok : rt::CopiedNotMoved;
}

int ImageDriveService::deleteFile(const QString &path, bool force)
{
    return change(path, [force](const fat::FatVolume &volume, const Place &place) {
        return volume.removeFile(place.path, force);
    });
}

int ImageDriveService::deleteFolder(const QString &path, bool force)
{
    const Scope scope(*this);
    Place place;
    if (const int error = findPlace(path, true, place))
        return error;
    if (!place.entry.isFolder() || place.isRoot())
        return rt::PathNotFound;
    if (place.entry.attributes & attr::ReadOnly) {
        if (!force)
            return rt::PermissionDenied;
        place.drive->volume->setAttributes(place.path, place.entry.attributes & ~attr::ReadOnly);
    }
    int error = place.drive->volume->removeFolder(place.path);
    if (error != rt::Ok && (place.entry.attributes & attr::ReadOnly))
        place.drive->volume->setAttributes(place.path, place.entry.attributes & ~attr::Directory);
    changed(place);
    return error == rt::FileAlreadyExists ? rt::PermissionDenied : error; // not empty
}

int ImageDriveService::fileLen(const QString &path, qint64 &size)
{
    const Scope scope(*this);
    Place place;
    if (const int error = findPlace(path, false, place))
        return error;
    size = place.entry.isFolder() ? 0 : place.entry.size;
    return rt::Ok;
}

int ImageDriveService::getAttr(const QString &path, int &attributes)
{
    const Scope scope(*this);
    Place place;
    if (const int error = findPlace(path, false, place))
        return error;
    attributes = place.entry.attributes;
    return rt::Ok;
}

int ImageDriveService::setAttr(const QString &path, int attributes)
{
    return change(path, [attributes](const fat::FatVolume &volume, const Place &place) {
        return volume.setAttributes(place.path, attributes);
    });
}

QString ImageDriveService::dir(const QString &path, int attributeMask)
{
    const Scope scope(*this);
    Place place;
    if (findPlace(path, false, place) != rt::Ok || place.isRoot())
        return QString();
    const int a = place.entry.attributes;
    if ((a & attr::Directory) && !(attributeMask & attr::Directory))
        return QString();
    if ((a & (attr::Hidden | attr::System)) & ~attributeMask)
        return QString();
    return place.entry.name;
}

int ImageDriveService::readFile(const QString &path, QByteArray &data, qint64 maxBytes)
{
    data.clear();
    const Scope scope(*this);
    Place place;
    if (const int error = locate(path, false, place))
        return error;
    // A file read again in one operation (a settings file, key by key) is read once.
    const QString key = listingKey(place.components);
    const auto known = place.drive->reads.constFind(key);
    if (known != place.drive->reads.constEnd() && known->size() <= maxBytes) {
        data = *known;
        return rt::Ok;
    }
    fat::FileRead read = place.drive->volume->readFile(place.path, maxBytes);
    if (read.error)
        return read.error;
    if (read.truncated)
        return rt::PathFileAccess;
    data = std::move(read.data);
    if (data.size() <= SmallFileBytes)
        place.drive->reads.insert(key, data);
    return rt::Ok;
}

int ImageDriveService::writeFile(const QString &path, const QByteArray &data, bool replace)
{
    return change(path, [this, &data, replace](const fat::FatVolume &volume, const Place &place) {
        if (place.isRoot() || isTemporary(place.components.last()))
            return rt::BadFileName;
        Place target = place;
        keepSpelling(target);
        return volume.writeFile(target.path, data, replace);
    });
}

int ImageDriveService::writeFileAtomic(const QString &path, const QByteArray &data)
{
    return writeFile(path, data, true);
}

std::optional<QString> ImageDriveService::hostPath(const QString &path)
{
    QByteArray data;
    if (!m_copies.isValid() || readFile(path, data, MaxFileBytes) != rt::Ok)
        return std::nullopt;
    const quint64 number = m_copiesMade.fetch_add(1);
    if (number >= quint64(KeptCopies))
        QFile::remove(m_copies.filePath(QString::number(number - KeptCopies)));
    const QString copy = m_copies.filePath(QString::number(number));
    QFile file(copy);
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size() || !file.flush())
        return std::nullopt;
    return copy;
}

bool ImageDriveService::readListedFiles(const QString &folder, const std::vector<FolderFile> &files,
                                        qint64 maxBytes, const ListedFileVisitor &visit)
{
    const Scope scope(*this);
    Place place;
    if (locate(folder, false, place) != rt::Ok)
        return true;
    QHash<QString, const FolderFile *> wanted;
    for (const FolderFile &f : files)
        wanted.insert(f.name.toCaseFolded(), &f);
    bool going = true;
    place.drive->volume->readFolder(place.path, maxBytes,
                                    [&](const QString &name, const fat::FileRead &read) {
        const FolderFile *file = wanted.value(name.toCaseFolded());
        if (going && file && read.error == rt::Ok && !read.truncated)
            going = visit(*file, read.data);
    });
    return true;
}

int ImageDriveService::driveProblem(const QString &path, bool forWriting)
{
    const Scope scope(*this);
    Place place;
    if (const int error = locate(path, false, place); error || !forWriting || place.drive->writable)
        return error;
    // Whether it could be written is asked without opening it for writing now: the operation's
    // first write does that.
    if (::faccessat(AT_FDCWD, QFile::encodeName(place.drive->imagePath).constData(), W_OK, 0) != 0)
        return rt::PermissionDenied;
    const DiskImage::Probe probe = DiskImage::probe(place.drive->imagePath, true);
    return probe.status != DiskImage::Status::Ok ? rt::ImageUnusable
           : probe.locked                         ? rt::ImageLocked
                                                  : rt::Ok;
}

VolumeLookup::Found ImageDriveService::find(QChar drive, const QStringList &components) const
{
    const Scope scope(*this);
    Found found;
    found.names = components;
    Place place;
    place.components = components;
    place.drive = this->drive(drive.toUpper(), false);
    if (!place.drive->volume)
        return found;
    const int error = lookUp(place);
    for (qsizetype i = 0; i < place.spelled.size(); ++i)
        found.names[i] = place.spelled.at(i);
    found.exists = error == rt::Ok;
    found.isFolder = found.exists && place.entry.isFolder();
    return found;
}

QStringList ImageDriveService::subFolders(QChar drive, const QStringList &components) const
{
    const Scope scope(*this);
    Place place;
    place.components = components;
    place.drive = this->drive(drive.toUpper(), false);
    const QList<VolumeEntry> *entries = nullptr;
    if (!place.drive->volume || lookUp(place) != rt::Ok || !place.entry.isFolder()
        || place.drive->listing(place.shortNames, entries) != rt::Ok)
        return {};
    QStringList names;
    for (const VolumeEntry &e : *entries) {
        if (e.isFolder() && e.name != u"." && e.name != u"..")
            names.append(e.name);
    }
    return names;
}

} // namespace bg

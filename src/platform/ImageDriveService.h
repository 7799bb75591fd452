#pragma once

#include "platform/FileService.h"
#include "platform/VolumeLookup.h"

#include <QTemporaryDir>

#include <atomic>
#include <functional>

namespace bg {

class Prefix;
namespace fat {
class FatVolume;
struct VolumeEntry;
} // namespace fat

// The files of the drives that are emulators' disk images (see Prefix::driveImage), with the
// file service's Windows semantics, read and written only through mtools (fat::FatVolume).
//
// An operation (FileOperation) resolves each image drive once: at its first call on a drive the
// drive's link is read and the image file opened, and every later call of the operation acts on
// that very file. Reading opens it shared with emulators (RawImageAccess, read-only); the first
// write of the operation opens it again for writing, which fails while an emulator holds it
// (ImageLocked). The image, QEMU's export of it and its lock are let go when the operation
// ends, so an emulator can start between operations. A call outside any operation is an
// operation of its own.
//
// Within an operation each folder is listed once, until the operation's next write.
//
// FAT keeps no links, so isLink is always false, and a file's identity (sameFile) is its image
// file (device and inode) and the chain of 8.3 names that leads to its directory entry.
//
// Safe to call from any thread, also from several at once: each thread's operation is its own.
class ImageDriveService final : public FileService, public VolumeLookup
{
public:
    explicit ImageDriveService(const Prefix &prefix);
    ~ImageDriveService() override;

    void beginOperation() override;
    void endOperation() override;
    bool folderExists(const QString &path) override;
    bool fileExists(const QString &path) override;
    bool isLink(const QString &path) override;
    bool sameFile(const QString &a, const QString &b) override;
    int listFiles(const QString &folder, std::vector<FolderFile> &out) override;
    int countSubFolders(const QString &folder, int &count) override;
    int createFolder(const QString &path) override;
    int copyFile(const QString &source, const QString &destination, bool overwrite) override;
    int moveFile(const QString &source, const QString &destination) override;
    int replaceFile(const QString &source, const QString &destination) override;
    int deleteFile(const QString &path, bool force) override;
    int deleteFolder(const QString &path, bool force) override;
    int fileLen(const QString &path, qint64 &size) override;
    int getAttr(const QString &path, int &attributes) override;
    int setAttr(const QString &path, int attributes) override;
    QString dir(const QString &path, int attributeMask) override;
    int readFile(const QString &path, QByteArray &data, qint64 maxBytes) override;
    int writeFileAtomic(const QString &path, const QByteArray &data) override;
    std::optional<QString> hostPath(const QString &path) override;
    bool readListedFiles(const QString &folder, const std::vector<FolderFile> &files,
                         qint64 maxBytes, const ListedFileVisitor &visit) override;
    int driveProblem(const QString &path, bool forWriting) override;

    // Writes a whole file; an existing one is replaced only with replace (58 otherwise) and
    // never when it is read-only (70). The file is replaced in one step, as by writeFileAtomic.
    int writeFile(const QString &path, const QByteArray &data, bool replace);

    Found find(QChar drive, const QStringList &components) const override;
    QStringList subFolders(QChar drive, const QStringList &components) const override;

    // Copies of files made for hostPath() are kept until this many newer ones exist.
    static constexpr int KeptCopies = 64;

    struct Drive; // one image drive as an operation holds it

private:
    class Scope;
    struct Place;

    Drive *drive(QChar letter, bool forWriting) const;
    int locate(const QString &path, bool forWriting, Place &place) const;
    int lookUp(Place &place) const;
    int findPlace(const QString &path, bool forWriting, Place &place) const;
    int folderEntries(const QString &folder, const QList<fat::VolumeEntry> *&entries) const;
    QString into(const QString &destination, const Place &source) const;
    void keepSpelling(Place &place) const;
    void changed(Place &place) const;
    // One write at a path, on the drive opened for writing; the operation's listings go after.
    int change(const QString &path,
               const std::function<int(const fat::FatVolume &, const Place &)> &step);
    int copyBytes(const Place &from, const Place &to, bool replace) const;

    const Prefix &m_prefix;
    QTemporaryDir m_copies;
    std::atomic<quint64> m_copiesMade{0};
};

} // namespace bg

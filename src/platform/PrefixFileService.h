#pragma once

#include "platform/FileService.h"
#include "platform/ImageDriveService.h"

namespace bg {

// The file service of a whole prefix: each path goes to the service of its drive, the host's
// (HostFileService) for a drive that is a folder and the image drives' (ImageDriveService) for
// one that is a disk image. A copy or move between the two kinds reads the file whole from one
// and writes it to the other, with the same rules for an existing destination. It makes the
// prefix look up names inside image drives through its image drives' service.
//
// Safe to call from any thread, as the two services are.
class PrefixFileService final : public FileService
{
public:
    explicit PrefixFileService(Prefix &prefix);

    ImageDriveService &imageDrives() { return m_images; }

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

private:
    FileService &of(const QString &path);
    // A copy between a folder drive and an image drive; the source goes afterwards unless
    // keepSource (CopiedNotMoved when it cannot).
    int copyAcross(const QString &source, const QString &destination, bool overwrite,
                   bool keepSource);

    Prefix &m_prefix;
    HostFileService m_host;
    ImageDriveService m_images;
};

} // namespace bg

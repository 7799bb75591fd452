#pragma once

#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace bg {

class Prefix;
namespace hostfs {
struct HostEntry;
}

// One regular file of a folder, as a folder listing gives it.
struct FolderFile
{
    QString name;      // name with extension, as the disk spells it
    QString path;      // Windows path: folder + name
    QString hostPath;  // where it lies on the host, for readers that must not resolve again
    qint64 size = 0;   // bytes
};

// Hands a file of a folder listing and its content (at most the bytes asked for) to a pass over
// many files; returning false ends the pass.
using ListedFileVisitor = std::function<bool(const FolderFile &file, const QByteArray &content)>;

// The file functions the logic calls, with Windows semantics. Paths are Windows paths.
// Every function that can fail returns 0 or a run-time error number (platform/RuntimeError.h).
class FileService
{
public:
    virtual ~FileService() = default;

    // While an operation is open on a thread (see FileOperation), each Windows path the service
    // is given is resolved to its folder and entry once, and every later call on that path acts
    // on what was resolved then.
    virtual void beginOperation() {}
    virtual void endOperation() {}

    virtual bool folderExists(const QString &path) = 0;
    // True for a regular file (hidden and system files included); false for folders and the rest.
    virtual bool fileExists(const QString &path) = 0;
    // True when the entry itself is a symbolic link (whatever it leads to).
    virtual bool isLink(const QString &path) = 0;
    // True when both paths name one existing file: the same device and inode, links followed.
    virtual bool sameFile(const QString &a, const QString &b) = 0;

    // The regular files directly inside a folder, in the order the disk yields them. FIFOs,
    // sockets, devices, dangling links and folders are not files of the folder.
    virtual int listFiles(const QString &folder, std::vector<FolderFile> &out) = 0;
    virtual int countSubFolders(const QString &folder, int &count) = 0;

    // Nothing is ever written through a symbolic link at the last component of a path: a link
    // there is replaced as an entry, never followed for writing. Names starting with the
    // temporary-file prefix are refused (52) for every new entry.
    //
    // Creates one folder; an existing one gives 58.
    virtual int createFolder(const QString &path) = 0;
    // Copies a file (a link's target's bytes) and its attributes. An existing destination gives 58
    // without overwrite and 70 when it is read-only or the source itself. The destination is
    // replaced as a whole, never left half written.
    virtual int copyFile(const QString &source, const QString &destination, bool overwrite) = 0;
    // Moves one file; refuses an existing destination (58).
    virtual int moveFile(const QString &source, const QString &destination) = 0;
    // Moves one file onto a destination that may exist, replacing it in one step: at every
    // instant the destination holds either its old or its new content. A source that is a link
    // gives its target's bytes and the link goes. The source as the destination is refused (70).
    // CopiedNotMoved: the destination holds the new content but the source could not be removed.
    virtual int replaceFile(const QString &source, const QString &destination) = 0;
    // Removes a file; a read-only file only with force (70 otherwise).
    virtual int deleteFile(const QString &path, bool force) = 0;
    // Removes an empty folder; a read-only folder only with force. A folder that is not empty
    // is kept (70).
    virtual int deleteFolder(const QString &path, bool force) = 0;

    virtual int fileLen(const QString &path, qint64 &size) = 0;
    virtual int getAttr(const QString &path, int &attributes) = 0;
    virtual int setAttr(const QString &path, int attributes) = 0;

    // The runtime's Dir(path, attributes) for a path without wildcards: the name of the entry
    // when it exists and matches the attribute mask, else the empty text. Normal and read-only
    // files always match; folders need Directory (16), hidden and system entries need their bit.
    virtual QString dir(const QString &path, int attributeMask) = 0;

    // Reads a regular file of at most maxBytes (more gives 75). Never blocks on a FIFO or device.
    virtual int readFile(const QString &path, QByteArray &data, qint64 maxBytes) = 0;
    // Writes a file beside the target, flushes it and renames it over the target.
    virtual int writeFileAtomic(const QString &path, const QByteArray &data) = 0;

    // The host path a Windows path names now, for readers outside this service (pictures).
    // For a file inside a disk image: a copy of it on the host, made now.
    virtual std::optional<QString> hostPath(const QString &path) = 0;

    // For a pass over many files of one folder listing (a scan): reads the given files of the
    // folder in as few disk calls as the drive allows, at most maxBytes of each, and hands each
    // one that could be read to visit, in no particular order. Returns false, having visited
    // nothing, when the drive is better read file by file through FolderFile::hostPath (a
    // host folder, where a reader looks at a header before it reads the rest).
    virtual bool readListedFiles(const QString &folder, const std::vector<FolderFile> &files,
                                 qint64 maxBytes, const ListedFileVisitor &visit)
    {
        Q_UNUSED(folder) Q_UNUSED(files) Q_UNUSED(maxBytes) Q_UNUSED(visit)
        return false;
    }

    // What stands in the way of using the drive that holds the path now, for reading or for
    // writing: 0, or ImageLocked, NoFatVolume, ImageUnusable, PermissionDenied (an image file
    // this user may not write) or PathNotFound (a drive without a link). Folder drives have no
    // such obstacle.
    virtual int driveProblem(const QString &path, bool forWriting)
    {
        Q_UNUSED(path) Q_UNUSED(forWriting)
        return 0;
    }
};

// One operation on the disk, from its first look to its last change: for its life the service
// resolves each path once (see FileService::beginOperation).
class FileOperation
{
public:
    explicit FileOperation(FileService &files) : m_files(files) { m_files.beginOperation(); }
    ~FileOperation() { m_files.endOperation(); }
    FileOperation(const FileOperation &) = delete;
    FileOperation &operator=(const FileOperation &) = delete;

private:
    FileService &m_files;
};

// The real file service on a prefix. Creating one makes the process ignore SIGXFSZ: a write
// past the file-size limit then fails (TooLarge) instead of killing the program.
//
// Safe to call from any thread, also while other threads call it: it keeps no state of its own
// beyond the prefix it reads and each thread's open operation, and every call works on
// descriptors and buffers of its own.
class HostFileService final : public FileService
{
public:
    explicit HostFileService(const Prefix &prefix);

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

private:
    using Entry = std::shared_ptr<const hostfs::HostEntry>;
    // The path resolved, from the open operation's memory when it has it; null when the path
    // names no place on the host.
    Entry entry(const QString &path);

    const Prefix &m_prefix;
};

} // namespace bg

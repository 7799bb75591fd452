#pragma once

#include "platform/FileDescriptor.h"

#include <QString>

namespace bg::hostfs {

// True for the name of a temporary file of the file service: ".~bg" + hex digits + ".tmp". One
// left behind by a program that died (on a file system without unnamed files) is no file of its
// folder.
bool isTempName(const char *name);

// A new file beside a target, linked or renamed into place at the end, or gone.
//
// Where the file system offers them (O_TMPFILE), the file has no name until it is linked into
// place: a program killed while it copies or writes leaves nothing behind. Elsewhere (FAT) it
// is a named file, removed again unless it was renamed into place.
//
// One object belongs to one thread at a time; separate objects may be used from any threads.
class TempFile
{
public:
    TempFile() = default;
    ~TempFile();
    TempFile(const TempFile &) = delete;
    TempFile &operator=(const TempFile &) = delete;

    // Creates the file in `dir`, readable and writable as the umask allows; 0 or errno.
    int create(const QString &dir);

    int fd() const { return m_fd.get(); }
    // A path naming the file until it is in place (for the attribute functions).
    const QString &path() const { return m_path; }
    // Flushes the content to the disk; a named file is closed. 0 or errno.
    int finish();
    // Puts the file in place as `target` (replacing it unless noReplace); 0 or errno.
    int renameTo(const QString &target, bool noReplace);

private:
    // A new named file in m_dir: its descriptor, or -errno.
    int createNamed(QString &path) const;
    int linkTo(const QString &target, bool noReplace);
    int linked();

    FileDescriptor m_fd;
    QString m_dir;
    QString m_path;
    bool m_unnamed = false;
};

// Removes the temporary files of this service from a folder that holds nothing else; false
// (and nothing removed) when it holds anything else.
bool removeLeftoverTemps(const QString &hostDir);

} // namespace bg::hostfs

#pragma once

#include "platform/FileDescriptor.h"

#include <QByteArray>

namespace bg::hostfs {

struct HostEntry;

// True for the name of a temporary file of this program (see TempNames.h). One left behind by a
// program that died (on a file system without unnamed files) is no file of its folder.
bool isTempName(const char *name);

// A new file in a folder, linked or renamed into place at the end, or gone.
//
// Where the file system offers them (O_TMPFILE), the file has no name until it is linked into
// place: a program killed while it copies or writes leaves nothing behind. Elsewhere (FAT) it
// is a named file of the temporary form, removed again unless it was renamed into place.
//
// One object belongs to one thread at a time; separate objects may be used from any threads.
class TempFile
{
public:
    TempFile() = default;
    ~TempFile();
    TempFile(const TempFile &) = delete;
    TempFile &operator=(const TempFile &) = delete;

    // Creates the file in the folder open as dirFd, readable and writable as the umask allows;
    // 0 or errno.
    int create(int dirFd);

    int fd() const { return m_fd.get(); }
    // Flushes the content to the disk; 0 or errno.
    int finish();
    // Puts the file in place as the entry (which must lie in the same folder), replacing it
    // unless noReplace; a link there is replaced, never followed. 0 or errno.
    int renameTo(const HostEntry &target, bool noReplace);

private:
    int linkTo(const HostEntry &target, bool noReplace);
    int placed();

    FileDescriptor m_fd;
    FileDescriptor m_dir;
    QByteArray m_name; // the named file's name while it has one
    bool m_unnamed = false;
};

// Removes the temporary files of this program from the folder open as dirFd when it holds
// nothing else; false (and nothing removed) when it holds anything else.
bool removeLeftoverTemps(int dirFd);

} // namespace bg::hostfs

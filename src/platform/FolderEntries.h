#pragma once

#include <QString>

#include <dirent.h>
#include <sys/stat.h>

// Reading a folder's entries on the host: which of them are files, folders or neither, and which
// a Windows path can name. Internal to the platform layer. Safe to call from any thread.
namespace bg::hostfs {

inline bool isDotOrDotDot(const char *n)
{
    return n[0] == '.' && (n[1] == '\0' || (n[1] == '.' && n[2] == '\0'));
}

// A name read from a folder that a Windows path can name again: it decodes and encodes back to
// the same bytes and holds no character Windows forbids in names.
bool isExpressible(const char *rawName, QString &name);

// How a directory entry turns out once links are followed.
enum class EntryKind { File, Folder, Other };

// The kind of an entry of the folder open as dirFd. A regular file's status lands in *st when
// st is given. FIFOs, sockets and devices are never opened nor stat'ed.
EntryKind entryKind(int dirFd, const dirent *e, struct stat *st);


} // namespace bg::hostfs

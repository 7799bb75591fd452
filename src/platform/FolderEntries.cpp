#include "platform/FolderEntries.h"

#include "platform/HostPath.h"
#include "platform/Prefix.h"
#include "platform/RuntimeError.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace bg::hostfs {

bool isExpressible(const char *rawName, QString &name)
{
    name = QFile::decodeName(rawName);
    return Prefix::isValidName(name) && enc(name) == rawName;
}

EntryKind entryKind(int dirFd, const dirent *e, struct stat *st)
{
    switch (e->d_type) {
    case DT_REG:
        if (st && ::fstatat(dirFd, e->d_name, st, 0) != 0)
            return EntryKind::Other; // gone since the listing was read
        return EntryKind::File;
    case DT_DIR:
        return EntryKind::Folder;
    case DT_LNK:
    case DT_UNKNOWN:
        break;
    default:
        return EntryKind::Other; // FIFO, socket, device: never opened, never stat'ed
    }
    struct stat local;
    struct stat &s = st ? *st : local;
    if (::fstatat(dirFd, e->d_name, &s, 0) != 0)
        return EntryKind::Other; // dangling link, loop, vanished
    if (S_ISREG(s.st_mode))
        return EntryKind::File;
    if (S_ISDIR(s.st_mode))
        return EntryKind::Folder;
    return EntryKind::Other;
}

} // namespace bg::hostfs

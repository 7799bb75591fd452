#include "platform/RuntimeError.h"

#include <cerrno>

namespace bg::rt {

int fromErrno(int err)
{
    switch (err) {
    case 0:
        return Ok;
    case ENOENT:
        return FileNotFound;
    case ENOTDIR:
        return PathNotFound;
    case EEXIST:
    case ENOTEMPTY:
        return FileAlreadyExists;
    case ENOSPC:
    case EDQUOT:
        return DiskFull;
    case EFBIG:
        return TooLarge;
    case EACCES:
    case EPERM:
    case EROFS:
    case ETXTBSY:
    case EBUSY:
        return PermissionDenied;
    default:
        return PathFileAccess;
    }
}

} // namespace bg::rt

#pragma once

#include "platform/FileService.h"

#include <QString>
#include <QStringList>

namespace bg {

class Desktop;
class Prefix;
struct Services;

// One change the window makes on the disk (an apply, a rename, a drop...), held as one file
// operation, so that each disk image it touches is opened once for it. The change may go ahead
// only when the drives of the given paths may be written: a disk image that another program (a
// running emulator) holds, or that the user may not write, is left untouched, and the user is
// told why under the change's usual failure title. Folder drives always may.
class DiskChange
{
public:
    DiskChange(Services &services, const QStringList &paths, const QString &failureTitle);
    // Without the prefix, the message does not name the image.
    DiskChange(FileService &files, Desktop &desktop, const QStringList &paths,
               const QString &failureTitle, const Prefix *prefix = nullptr);
    DiskChange(const DiskChange &) = delete;
    DiskChange &operator=(const DiskChange &) = delete;

    bool allowed() const { return m_allowed; }
    // One of the paths lies on a drive that is a disk image (known with the prefix only).
    bool touchesImage() const { return m_touchesImage; }

private:
    FileOperation m_operation;
    bool m_allowed = true;
    bool m_touchesImage = false;
};

} // namespace bg

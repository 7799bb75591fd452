#include "ui/DiskChange.h"

#include "platform/Prefix.h"
#include "platform/RuntimeError.h"
#include "platform/Services.h"
#include "ui/Messages.h"

#include <QFileInfo>

namespace bg {

DiskChange::DiskChange(Services &services, const QStringList &paths, const QString &failureTitle)
    : DiskChange(services.files, services.desktop, paths, failureTitle, &services.prefix)
{
}

DiskChange::DiskChange(FileService &files, Desktop &desktop, const QStringList &paths,
                       const QString &failureTitle, const Prefix *prefix)
    : m_operation(files)
{
    for (const QString &path : paths) {
        if (path.isEmpty())
            continue;
        m_touchesImage = m_touchesImage || (prefix && prefix->isOnImageDrive(path));
        const int problem = files.driveProblem(path, true);
        if (problem == rt::Ok)
            continue;
        const QString image =
            prefix ? QFileInfo(prefix->driveImage(path.at(0))).fileName() : QString();
        messages::imageNotWritten(desktop, image, problem, failureTitle);
        m_allowed = false;
        return;
    }
}

} // namespace bg

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
    QString asked; // each drive is asked once, whatever the number of its paths
    for (const QString &path : paths) {
        if (path.isEmpty() || asked.contains(path.at(0).toUpper()))
            continue;
        asked += path.at(0).toUpper();
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

#include "platform/ProgramFile.h"

#include <QFile>
#include <QFileInfo>

namespace bg {

QByteArray readProgramFile(const QString &hostPath, qint64 maxBytes)
{
    const QFileInfo info(hostPath);
    if (hostPath.isEmpty() || !info.isFile() || info.size() > maxBytes)
        return {};
    QFile file(hostPath);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.read(maxBytes + 1).left(maxBytes);
}

} // namespace bg

#include "platform/DiskImageLayout.h"

#include "platform/HelperProgram.h"

#include "platform/Mtools.h"
#include "platform/RuntimeError.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcessEnvironment>
#include <QStandardPaths>

namespace bg::fat {

namespace {

bool isFatType(int type)
{
    switch (type) {
    case 0x01: // FAT12
    case 0x04: // FAT16 below 32 MiB
    case 0x06: // FAT16
    case 0x0B: // FAT32
    case 0x0C: // FAT32, LBA
    case 0x0E: // FAT16, LBA
        return true;
    default:
        return false;
    }
}

} // namespace

FatLocation locateFatVolume(const QString &imagePath, int timeoutMs)
{
    FatLocation location;
    const QFileInfo info(imagePath);
    if (!info.isFile()) {
        location.error = info.exists() ? rt::PathFileAccess : rt::FileNotFound;
        return location;
    }
    // sfdisk lives in /usr/sbin, which a user's PATH often leaves out.
    const QString path = QProcessEnvironment::systemEnvironment().value(QStringLiteral("PATH"));
    const QString program = QStandardPaths::findExecutable(
        QStringLiteral("sfdisk"), path.split(QLatin1Char(':'), Qt::SkipEmptyParts)
                                      + QStringList{QStringLiteral("/usr/sbin"), QStringLiteral("/sbin")});
    HelperOptions options;
    options.environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    const HelperResult sfdisk =
        runHelper(program, {QStringLiteral("--json"), info.absoluteFilePath()}, timeoutMs, options);
    if (!sfdisk.started || sfdisk.timedOut) {
        location.error = rt::PathFileAccess;
        return location;
    }
    // Without a partition table sfdisk fails; a FAT boot sector may also read as an empty one.
    const QJsonObject table =
        QJsonDocument::fromJson(sfdisk.out).object()
            .value(QLatin1String("partitiontable")).toObject();
    if (table.value(QLatin1String("label")).toString() == QLatin1String("dos")) {
        const qint64 sectorSize = table.value(QLatin1String("sectorsize")).toInteger(512);
        const QString device = table.value(QLatin1String("device")).toString();
        for (const QJsonValue value : table.value(QLatin1String("partitions")).toArray()) {
            const QJsonObject partition = value.toObject();
            bool ok = false;
            const int type = partition.value(QLatin1String("type")).toString().toInt(&ok, 16);
            if (!ok || !isFatType(type))
                continue;
            location.status = FatLocation::Found;
            location.offset = partition.value(QLatin1String("start")).toInteger() * sectorSize;
            location.partition =
                partition.value(QLatin1String("node")).toString().mid(device.size()).toInt();
            return location;
        }
    }
    const MtoolsResult probe = Mtools(info.absoluteFilePath(), 0)
                                   .run("minfo", {QStringLiteral("::")}, timeoutMs);
    if (!probe.finished) {
        location.error = rt::PathFileAccess;
        return location;
    }
    location.status = probe.ok() ? FatLocation::Found : FatLocation::NoFatVolume;
    return location;
}

} // namespace bg::fat

// The building blocks of a drive that is an emulator's disk image, timed on a folder of 1,000
// logos: listing the folder and reading every logo through mtools, replacing one logo, and
// holding the image for one operation (the raw file itself, or a FUSE export of another format).
//
//   bootgallery_image_bench [--runs N]
//
// Needs mtools, fdisk (sfdisk), dosfstools (mkfs.fat), qemu-utils, qemu-system-common and fuse3
// (scripts/install-deps --bench). Prints one line per measure: the median and the range over
// the runs, in milliseconds.
#include "platform/DiskImageLayout.h"
#include "platform/FatVolume.h"
#include "platform/RawImageAccess.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr int Logos = 1000;
constexpr qint64 LogoBytes = 129078;

bool run(const QString &program, const QStringList &arguments, const QByteArray &input = {})
{
    QProcess process;
    process.start(program, arguments);
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(600000) || process.exitCode() != 0) {
        std::fprintf(stderr, "%s failed: %s\n", qPrintable(program),
                     process.readAllStandardError().constData());
        return false;
    }
    return true;
}

// A 300 MB disk with one FAT32 partition at 1 MiB holding \LOGOS with the logos.
bool makeDisk(const QString &dir, QString &image)
{
    image = dir + QStringLiteral("/disk.img");
    const QString logos = dir + QStringLiteral("/logos");
    QDir().mkpath(logos);
    QByteArray logo(LogoBytes, '\0');
    logo[0] = 'B', logo[1] = 'M';
    for (int i = 0; i < Logos; ++i) {
        QFile file(logos + QStringLiteral("/Logo %1.bmp").arg(i, 4, 10, QLatin1Char('0')));
        logo[100] = char(i);
        if (!file.open(QIODevice::WriteOnly) || file.write(logo) != logo.size())
            return false;
    }
    const QString sfdisk = QFile::exists(QStringLiteral("/usr/sbin/sfdisk"))
                               ? QStringLiteral("/usr/sbin/sfdisk") : QStringLiteral("sfdisk");
    const QString mkfs = QFile::exists(QStringLiteral("/usr/sbin/mkfs.fat"))
                             ? QStringLiteral("/usr/sbin/mkfs.fat") : QStringLiteral("mkfs.fat");
    const QString volume = image + QStringLiteral("@@1048576");
    QStringList files = QDir(logos).entryList(QDir::Files);
    for (QString &name : files)
        name = logos + QLatin1Char('/') + name;
    return run(QStringLiteral("truncate"), {QStringLiteral("-s"), QStringLiteral("300M"), image})
        && run(sfdisk, {QStringLiteral("-q"), image}, "start=2048, type=c\n")
        && run(mkfs, {QStringLiteral("-F32"), QStringLiteral("--offset"), QStringLiteral("2048"),
                      image, QStringLiteral("306176")})
        && run(QStringLiteral("mmd"), {QStringLiteral("-i"), volume, QStringLiteral("::/LOGOS")})
        && run(QStringLiteral("mcopy"),
               QStringList{QStringLiteral("-i"), volume} + files + QStringList{QStringLiteral("::/LOGOS/")});
}

void measure(const char *what, int runs, const std::function<bool()> &once)
{
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        if (!once()) {
            std::printf("%-44s failed\n", what);
            return;
        }
        ms.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    std::printf("%-44s %9.1f   (%.1f to %.1f)\n", what, ms[ms.size() / 2], ms.front(), ms.back());
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    const qsizetype runsAt = arguments.indexOf(QStringLiteral("--runs"));
    const int runs = std::max(1, runsAt > 0 && runsAt + 1 < arguments.size()
                                     ? arguments.at(runsAt + 1).toInt() : 5);
    QTemporaryDir dir;
    QString image;
    if (!dir.isValid() || !makeDisk(dir.path(), image))
        return 1;
    const bg::fat::FatLocation where = bg::fat::locateFatVolume(image);
    if (where.status != bg::fat::FatLocation::Found)
        return 1;
    const bg::fat::FatVolume volume(image, where.offset);
    const QString folder = QStringLiteral("\\LOGOS");

    std::printf("%d logos of %lld bytes in a FAT32 partition at %lld; %d runs\n", Logos,
                LogoBytes, where.offset, runs);
    std::printf("%-44s %9s   %s\n", "", "median ms", "range");
    measure("list the folder", runs, [&] {
        QList<bg::fat::VolumeEntry> entries;
        return volume.list(folder, entries) == 0 && entries.size() == Logos;
    });
    measure("read every logo (one pass)", runs, [&] {
        qint64 bytes = 0;
        const int error = volume.readFolder(folder, 1 << 20,
                                            [&](const QString &, const bg::fat::FileRead &read) {
                                                bytes += read.data.size();
                                            });
        return error == 0 && bytes == Logos * LogoBytes;
    });
    const QByteArray logo(LogoBytes, 'x');
    measure("replace one logo", runs,
            [&] { return volume.writeFile(folder + QStringLiteral("\\Logo 0001.bmp"), logo, true) == 0; });
    measure("find the FAT partition (sfdisk)", runs,
            [&] { return bg::fat::locateFatVolume(image).status == bg::fat::FatLocation::Found; });

    using Access = bg::RawImageAccess;
    for (const char *format : {"raw", "qcow2", "vpc", "vdi", "vmdk"}) {
        QString path = image;
        if (qstrcmp(format, "raw") != 0) {
            path = dir.path() + QStringLiteral("/disk.") + QLatin1String(format);
            if (!run(QStringLiteral("qemu-img"), {QStringLiteral("convert"), QStringLiteral("-O"),
                                                  QLatin1String(format), image, path}))
                return 1;
        }
        const QByteArray label = QByteArray("open and close a writable ") + format + " image";
        measure(label.constData(), runs, [&] { return Access(path, Access::Mode::Writable).isOpen(); });
    }
    return 0;
}

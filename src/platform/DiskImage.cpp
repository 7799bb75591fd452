#include "platform/DiskImage.h"

#include <QHash>
#include <QMutex>
#include <optional>
#include <sys/stat.h>

#include "platform/HelperProgram.h"

#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>

namespace bg {

namespace {

constexpr int probeTimeoutMs = 10000;
constexpr qint64 sectorSize = 512;

// One qemu-img info run. shareLocks reads an image another program holds; driver forces a
// format instead of QEMU's probe.
HelperResult runInfo(const QString &path, bool shareLocks, const QString &driver = {})
{
    QStringList args{QStringLiteral("info"), QStringLiteral("--output=json")};
    if (shareLocks)
        args << QStringLiteral("--force-share");
    if (!driver.isEmpty())
        args << QStringLiteral("-f") << driver;
    // An absolute path never reads as one of QEMU's protocol prefixes ("json:", "nbd:").
    args << path;
    return runHelper(QStringLiteral("qemu-img"), args, probeTimeoutMs);
}

DiskImage::Probe failure(DiskImage::Status status, const HelperResult &run)
{
    DiskImage::Probe probe;
    probe.status = status;
    probe.detail = QString::fromLocal8Bit(run.err).trimmed();
    return probe;
}

} // namespace

// QEMU refuses an open that conflicts with another program's lock in these words ("Failed to get
// shared "write" lock", "Is another process using the image?").
bool DiskImage::isLockConflict(const QByteArray &qemuMessage)
{
    return qemuMessage.contains("Failed to get") && qemuMessage.contains("lock");
}

QString DiskImage::qemuDriver(Format format)
{
    switch (format) {
    case Format::Raw: return QStringLiteral("raw");
    case Format::Vhd: return QStringLiteral("vpc");
    case Format::Vdi: return QStringLiteral("vdi");
    case Format::Qcow2: return QStringLiteral("qcow2");
    case Format::Vmdk: return QStringLiteral("vmdk");
    }
    return {};
}

namespace {

// What a file was when it was last probed: the same file, unchanged since, has the same format
// and size. (A lock comes and goes without a change to the file: it is never remembered.)
struct FileState
{
    quint64 device, inode;
    qint64 size, modifiedNs, changedNs;
    bool operator==(const FileState &) const = default;
};

size_t qHash(const FileState &s, size_t seed)
{
    return qHashMulti(seed, s.device, s.inode, s.size, s.modifiedNs, s.changedNs);
}

std::optional<FileState> stateOf(const QString &path)
{
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return std::nullopt;
    return FileState{quint64(st.st_dev), quint64(st.st_ino), qint64(st.st_size),
                     qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec,
                     qint64(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec};
}

QMutex probesMutex;
QHash<FileState, DiskImage::Probe> probes; // of unchanged files, without lock tests

} // namespace

DiskImage::Probe DiskImage::probe(const QString &hostPath, bool testLock)
{
    const QFileInfo file(hostPath);
    const QString path = file.absoluteFilePath();
    if (!file.isFile() || !file.isReadable()) {
        Probe probe;
        probe.status = Status::Unreadable;
        return probe;
    }
    // Reading needs no lock test: a file probed before and unchanged since is not asked again.
    const std::optional<FileState> state = testLock ? std::nullopt : stateOf(path);
    if (state) {
        const QMutexLocker locker(&probesMutex);
        const auto known = probes.constFind(*state);
        if (known != probes.constEnd())
            return *known;
    }
    Probe found = probeAnew(path, testLock);
    if (state && found.status == Status::Ok) {
        const QMutexLocker locker(&probesMutex);
        if (probes.size() > 64)
            probes.clear();
        probes.insert(*state, found);
    }
    return found;
}

DiskImage::Probe DiskImage::probeAnew(const QString &path, bool testLock)
{
    const QFileInfo file(path);

    // Without --force-share, qemu-img asks that nobody write meanwhile: a program that holds the
    // image for writing (a running emulator) makes it fail, and that is the lock test (of every
    // format but raw, whose reader shares the image with writers).
    bool locked = false;
    HelperResult run = runInfo(path, !testLock);
    if (testLock && run.started && !run.timedOut && run.exitCode != 0 && isLockConflict(run.err)) {
        locked = true;
        run = runInfo(path, true);
    }
    if (!run.started || run.timedOut)
        return failure(Status::ToolMissing, run);
    if (run.exitCode != 0)
        return failure(Status::NotAnImage, run);

    const QJsonObject info = QJsonDocument::fromJson(run.out).object();
    const QString driver = info.value(QStringLiteral("format")).toString();
    Probe probe;
    probe.status = Status::Ok;
    probe.locked = locked;
    probe.virtualSize = info.value(QStringLiteral("virtual-size")).toInteger();
    if (driver == qemuDriver(Format::Raw)) {
        // QEMU's probe cannot see a fixed VHD: its only header is a footer after the data. Read
        // as raw, it shares the image with writers; read as VHD, it meets their lock.
        HelperResult vhd = runInfo(path, locked || !testLock, qemuDriver(Format::Vhd));
        if (testLock && !locked && isLockConflict(vhd.err)) {
            probe.locked = locked = true;
            vhd = runInfo(path, true, qemuDriver(Format::Vhd));
        }
        if (vhd.succeeded()) {
            probe.format = Format::Vhd;
            probe.virtualSize = QJsonDocument::fromJson(vhd.out)
                                    .object()
                                    .value(QStringLiteral("virtual-size"))
                                    .toInteger();
        } else if (file.size() == 0 || file.size() % sectorSize != 0) {
            probe.status = Status::NotAnImage; // a disk holds whole sectors
            return probe;
        } else if (testLock && !locked && file.isWritable()) {
            // An emulator that only reads a raw disk still keeps writers off it: only an open for
            // writing meets that lock. qemu-io opens it so and writes nothing (flush only).
            const HelperResult write = runHelper(
                QStringLiteral("qemu-io"),
                {QStringLiteral("-f"), qemuDriver(Format::Raw), QStringLiteral("-c"),
                 QStringLiteral("flush"), path},
                probeTimeoutMs);
            probe.locked = !write.succeeded() && isLockConflict(write.err + write.out);
        }
    } else {
        const Format known[] = {Format::Vhd, Format::Vdi, Format::Qcow2, Format::Vmdk};
        const auto found = std::find_if(std::begin(known), std::end(known),
                                        [&](Format f) { return qemuDriver(f) == driver; });
        if (found == std::end(known)) {
            probe.status = Status::NotAnImage;
            probe.detail = driver;
            return probe;
        }
        probe.format = *found;
    }
    if (probe.virtualSize <= 0)
        probe.status = Status::NotAnImage;
    return probe;
}

} // namespace bg

#pragma once

#include <QByteArray>
#include <QString>

namespace bg {

// What QEMU says of a disk image file of an emulator: its format, its virtual size (the bytes
// the emulated disk holds) and whether another program, an emulator running on it, holds it
// locked. QEMU's tools answer (its format probes, its locks); nothing here parses an image
// format, and nothing is written.
class DiskImage
{
public:
    enum class Format { Raw, Vhd, Vdi, Qcow2, Vmdk };
    enum class Status {
        Ok,            // format and size known; see locked
        Unreadable,    // missing, no regular file, no permission to read it
        NotAnImage,    // no whole sectors, or a format of QEMU's that no emulator here uses
        ToolMissing,   // qemu-img is not installed, or it did not answer in time
    };

    struct Probe
    {
        Status status = Status::ToolMissing;
        Format format = Format::Raw;
        qint64 virtualSize = 0;
        // Another program holds QEMU's lock against writers: the image must not be written now.
        // Its format and size are still known (read with the lock shared). A raw image is tested
        // only when this user may write it.
        bool locked = false;
        QString detail; // qemu-img's own words when something is not Ok
    };

    // hostPath may be relative; it is made absolute first. Without testLock, locked stays false
    // and the probe is quicker (for reading, which shares the image).
    static Probe probe(const QString &hostPath, bool testLock = true);

    // Without testLock, a file that was probed before and has not changed since (the same
    // device, inode, size and times) is not probed again.

    // The name of the format as QEMU's block drivers call it ("raw", "vpc", "vdi", ...).
    static QString qemuDriver(Format format);
    // True when a QEMU program's error message says that another program's lock stood in the
    // way of its open.
    static bool isLockConflict(const QByteArray &qemuMessage);

private:
    static Probe probeAnew(const QString &path, bool testLock);
};

} // namespace bg

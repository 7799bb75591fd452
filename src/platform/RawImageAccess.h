#pragma once

#include "platform/DiskImage.h"
#include "platform/FileDescriptor.h"

#include <QString>

namespace bg {

// The raw bytes of an emulator's disk image, held for one operation (a scan, an apply), so that
// an emulator can start between operations.
//
// A raw image is its own file. Any other format is exported as a raw file over FUSE by
// qemu-storage-daemon, which takes QEMU's lock on the image for as long as this object lives: a
// writable access keeps emulators off the image and fails when one runs on it; a read-only
// access shares the image with them. When the object goes, the daemon stops, its file is
// unmounted and the lock is released. The daemon's folder (mountpoint and pid) lies in the
// tool's runtime folder, where cleanUpLeftovers() finds what a killed tool left behind.
//
// Opening and closing block the calling thread (seconds at worst): use them on a worker.
class RawImageAccess
{
public:
    enum class Mode { ReadOnly, Writable };
    enum class Error {
        None,
        Unreadable,  // missing, no regular file, not readable
        NotAnImage,  // no disk image of a known format
        NotWritable, // a writable access to a file this user may not write
        Locked,      // a writable access to an image another program (an emulator) holds
        NoFuse,      // /dev/fuse cannot be used, so no image but a raw one can be read
        ToolMissing, // qemu-img or qemu-storage-daemon is missing or did not answer in time
        Failed,      // QEMU could not export the image (a damaged image, no runtime folder)
    };

    RawImageAccess(const QString &imagePath, Mode mode);
    ~RawImageAccess();
    RawImageAccess(const RawImageAccess &) = delete;
    RawImageAccess &operator=(const RawImageAccess &) = delete;

    bool isOpen() const { return m_error == Error::None; }
    Error error() const { return m_error; }
    // QEMU's own words on a failure, for a log; empty when it said nothing.
    QString errorDetail() const { return m_detail; }

    // A host file holding the emulated disk's bytes: for a raw image, the image file as this
    // object opened it (a /proc path of its descriptor, valid while the object lives), else
    // the export. The virtual size of them, writable in Writable mode. Empty when not open.
    QString hostPath() const { return m_hostPath; }
    qint64 size() const { return m_size; }
    DiskImage::Format format() const { return m_format; }

    // Stops the daemons and unmounts the exports that a tool killed while it held an access left
    // behind, releasing their images. Accesses of running tools are left alone; doing nothing
    // when nothing is left is the usual case.
    static void cleanUpLeftovers();
    // Where the exports' folders lie: "bootgallery-images" in the tool's runtime folder.
    static QString exportsFolder();

private:
    void open(const QString &imagePath, Mode mode);
    void exportImage(const QString &imagePath, Mode mode, const DiskImage::Probe &probe);
    void fail(Error error, const QString &detail = {});

    Error m_error = Error::None;
    QString m_detail;
    QString m_hostPath;
    qint64 m_size = 0;
    DiskImage::Format m_format = DiskImage::Format::Raw;
    hostfs::FileDescriptor m_image; // the image file, opened once
    QString m_folder;               // the export's folder, empty for a raw image
    hostfs::FileDescriptor m_owner; // the folder's lock: the folder is in use while held
    hostfs::FileDescriptor m_daemon; // a pidfd of the daemon
};

} // namespace bg

#pragma once

// Run-time error numbers, as the Windows file functions report them to the logic.
// 0 means success everywhere a function returns one of these.
namespace bg::rt {

constexpr int Ok = 0;
constexpr int BadFileName = 52;
constexpr int FileNotFound = 53;
constexpr int FileAlreadyExists = 58;
constexpr int DiskFull = 61;
constexpr int PermissionDenied = 70;
constexpr int PathFileAccess = 75;
constexpr int PathNotFound = 76;
constexpr int InvalidPicture = 481; // a picture that no longer loads
// The tool's own numbers, beyond the runtime's.
// A file would grow past the size limit the system sets this process (ulimit -f).
constexpr int TooLarge = 1001;
// A move became a copy: the destination holds the file, but its old name could not be removed.
constexpr int CopiedNotMoved = 1002;
// The drive is a disk image that another program (a running emulator) holds: it is not written.
constexpr int ImageLocked = 1003;
// The drive is a disk image without a FAT partition or volume.
constexpr int NoFatVolume = 1004;
// The drive is a disk image that cannot be opened: not a disk image of a known format, or the
// programs that open it (QEMU's tools, FUSE, mtools) are missing or failed.
constexpr int ImageUnusable = 1005;

// Maps a POSIX errno value to the number the logic expects.
int fromErrno(int err);

} // namespace bg::rt

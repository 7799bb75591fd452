#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

namespace bg {

class VolumeLookup;

// The machine the tool works on: a directory laid out like a Wine prefix, whose dosdevices/
// folder holds one symbolic link per drive letter ("c:" -> ../drive_c, "z:" -> /). A link may
// also lead to an emulator's disk image file ("c:" -> /vm/win98.img): that drive is the image's
// FAT volume, which has no host path; its names are looked up through the VolumeLookup set here.
//
// Every path the rest of the program holds is a Windows path; this class converts one to a host
// path at the moment the disk is touched, and a host path to a Windows path where one enters the
// program (command line, dropped files, folder picker, the program's own folder).
//
// Safe to call from any thread: the root is fixed at construction and nothing is cached, so every
// lookup (toHost, the case-insensitive search of a folder, toWindows) reads the disk afresh.
class Prefix
{
public:
    explicit Prefix(QString rootDir);

    // $BOOTGALLERY_PREFIX when set, else $XDG_DATA_HOME/bootgallery (~/.local/share/bootgallery).
    static QString defaultRoot();

    // Creates the standard layout when the root does not exist yet. An existing root is left
    // exactly as it is. Returns false when the layout could not be made.
    bool ensureCreated() const;

    // Where the prefix of its own for an emulator's disk image lies:
    // $XDG_DATA_HOME/bootgallery-images/NAME-HASH, the hash of the image's canonical path.
    static QString imageRoot(const QString &imageFile);
    // Creates, when the root does not exist yet, a prefix whose drive C is the disk image (an
    // absolute link to it) and Z the host's root; an existing root is left exactly as it is.
    bool ensureCreatedForImage(const QString &imageFile) const;

    const QString &root() const { return m_root; }

    // Where names inside image drives are looked up; without one they are taken as given.
    // Set before the prefix is shared between threads.
    void setVolumeLookup(const VolumeLookup *lookup) { m_volumes = lookup; }

    // The disk image a drive's link leads to (a regular file), as an absolute host path; empty
    // when the drive is a folder or has no link. Read afresh at each call.
    QString driveImage(QChar letter) const;
    // True when the path's drive is a disk image.
    bool isOnImageDrive(const QString &windowsPath) const;

    // Windows -> host: drive letter through dosdevices, then each component resolved like Wine:
    // the exact name when it exists, else the first directory entry equal to it ignoring case,
    // else the spelling given. Empty when the drive has no link, when it is a disk image, or
    // the path is not a valid absolute Windows path (no drive, characters Windows cannot hold
    // in a name).
    std::optional<QString> toHost(const QString &windowsPath) const;

    // Host -> Windows: the drive whose target is the longest prefix of the canonical host path;
    // Z: covers the rest. Empty when a component holds a character a Windows name cannot hold,
    // or when no drive covers the path.
    std::optional<QString> toWindows(const QString &hostPath) const;

    // True when the path's drive maps the host's root directory (Z: in Wine's layout): no such
    // drive exists when Windows boots on its own.
    bool isOnHostRootDrive(const QString &windowsPath) const;

    // GetWindowsDirectoryA: "C:\WINDOWS" (no trailing backslash), spelled as the disk spells it.
    QString windowsDirectory() const;

    // CSIDL_STARTUP: the first existing of <Windows>\Start Menu\Programs\StartUp and Wine's
    // per-user ...\Start Menu\Programs\Startup; empty when neither exists. No trailing backslash.
    QString startupFolder() const;

    // The Start menu's Programs folder that holds startupFolder(); empty when there is none.
    QString programsFolder() const;

    // The same Windows path with every component that exists spelled as the disk spells it
    // ("c:\windows\win.ini" -> "C:\WINDOWS\WIN.INI" on a disk that holds WINDOWS\WIN.INI).
    // "." and ".." are resolved, separators become backslashes, no trailing backslash except
    // after the drive ("C:\"). Empty when toHost() is.
    std::optional<QString> spelledAsOnDisk(const QString &windowsPath) const;

    // True when the character cannot stand in a Windows file name.
    static bool isInvalidNameChar(QChar c);
    // True when the text is a possible Windows file name (no invalid character, not empty).
    static bool isValidName(const QString &name);

private:
    struct Resolved
    {
        QChar drive;       // upper case
        QString host;      // host path
        QStringList names; // components as found on disk (the caller's spelling when absent)
        bool image = false; // the drive is a disk image: host is empty
        bool imageFolder = false; // on an image drive: the path is an existing folder
    };

    bool ensureCreatedWith(const std::function<bool(const QString &dir)> &layout) const;
    QString driveTarget(QChar letter) const;
    std::optional<Resolved> resolve(const QString &windowsPath) const;
    bool isFolder(const QString &windowsPath) const;
    QStringList subFolders(const QString &windowsFolder) const;

    QString m_root;
    const VolumeLookup *m_volumes = nullptr;
};

} // namespace bg

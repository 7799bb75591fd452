#pragma once

#include "platform/Mtools.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

class QTemporaryDir;

namespace bg::fat {

// One entry of a folder of the volume.
struct VolumeEntry
{
    QString name;        // the long name, or the 8.3 name when the entry has none
    QString shortName;   // the 8.3 name as stored, upper case ("LONGNA~1.BMP", "LOGO.SYS")
    bool hasLongName = false;
    qint64 size = 0;
    int attributes = 0;  // bg::attr bits: ReadOnly, Hidden, System, Directory, Archive

    bool isFolder() const;
};

// What reading one file gave.
struct FileRead
{
    int error = 0;          // 0 or a run-time error number
    QByteArray data;        // at most the maximum asked for
    bool truncated = false; // the file is longer than that maximum
};

// One FAT volume (FAT12, FAT16 or FAT32) inside a raw disk image file, from a byte offset on
// (0 for a floppy image, the partition's start otherwise), read and written only through mtools.
//
// Paths are Windows paths inside the volume without a drive letter ("\WINDOWS\LOGOW.SYS", "\"
// for the root); they match entries ignoring case, by long or 8.3 name, as on Windows. A name
// that is already an upper-case 8.3 name (LOGO.SYS, SW.INI) is stored as exactly that 8.3 entry,
// without a long-name entry; other names get a long name and a generated 8.3 name.
//
// Every function returns 0 or a run-time error number (RuntimeError.h): 53 file not found,
// 76 path not found (also a missing image), 58 already exists (also a folder that is not empty),
// 70 read-only entry or image, 61 volume full, 52 a name no FAT entry can hold, 75 the rest
// (no FAT volume at the offset, an mtools call past its timeout).
//
// The image is open only during each mtools call; every call ends at the timeout. Nothing is
// cached: each call sees the image as it is then. One object may be used from one thread at a
// time; separate objects may be used from any threads.
class FatVolume
{
public:
    FatVolume(const QString &imagePath, qint64 offset, int timeoutMs = 60000);

    // Every entry of a folder but "." and "..", in the folder's order, leftover temporary files
    // included (for their clean-up). Two mtools calls for the whole folder: mtools has no
    // listing with both, so mattrib gives the attributes, mdir the sizes and 8.3 names.
    int list(const QString &folder, QList<VolumeEntry> &entries) const;
    // Reads the named files of one folder in one mtools call, at most maxBytes of each; one
    // result per name, in the order given. A missing name or a folder is 53 in its result.
    // Above 32 names the call reads the whole folder (see readFolder), and a second one the
    // names that matched no file there (an 8.3 alias of a long name).
    QList<FileRead> readFiles(const QString &folder, const QStringList &names,
                              qint64 maxBytes) const;
    FileRead readFile(const QString &path, qint64 maxBytes) const;
    // Reads every file of one folder in one mtools call (the pattern "*", which mtools matches
    // once in one pass over the folder, where each name given to readFiles is a pass of its
    // own), at most maxBytes of each, named as mtools names a copy (the long name, or the 8.3
    // name with its letter case), in no particular order. Leftover temporary files are left out.
    // Each file is handed to visit in turn, so that a caller keeps only what it needs: holding
    // all 1,000 logos of a folder at once costs more (fresh memory) than reading them.
    int readFolder(const QString &folder, qint64 maxBytes,
                   const std::function<void(const QString &name, const FileRead &read)> &visit)
        const;

    // Writes a file from bytes. An existing file is replaced only when replace is set and it is
    // not read-only (58 and 70 otherwise); the new file has the archive attribute only.
    //
    // The steps: (1) the bytes go into a new file of the temporary-name form (TempNames.h) in
    // the target's folder, by one mcopy call; (2) one mren call ("-D o") removes the old entry
    // and gives the temporary file the target's name. What the image holds at the path:
    // - until step 2 starts, the old file, untouched (or nothing); a failed step 1 or 2 removes
    //   the temporary file again, and readFolder never shows one left behind;
    // - once step 2 has ended, the new file, whole;
    // - step 2 writes directory entries and the FAT, no file data, a few sectors one after
    //   another: another program reading the image during those milliseconds may find the old
    //   entry, the new one, or (FAT has no transactions) a sector of each.
    // This program being killed (SIGKILL) at any moment cuts no call short: a started mtools
    // call runs to its end on its own, so afterwards the path holds the old file or the new one,
    // and at most one temporary file is left over (killed between the two steps). Not covered:
    // power loss or mtools itself being killed during step 2 (our timeout, a minute by default,
    // is far beyond its few milliseconds).
    int writeFile(const QString &path, const QByteArray &bytes, bool replace) const;
    // Copies a file within the volume, with the same replacement rules and steps as writeFile.
    int copyFile(const QString &from, const QString &to, bool replace) const;
    // Renames or moves a file or folder; an existing destination is refused (58), except the
    // same entry in another letter case, which is renamed.
    int move(const QString &from, const QString &to) const;
    // Deletes a file; a read-only one only with force (70 otherwise). A folder is 53.
    int removeFile(const QString &path, bool force) const;
    int createFolder(const QString &path) const;
    // Removes an empty folder (58 when it holds anything); a read-only one is 70.
    int removeFolder(const QString &path) const;
    int attributes(const QString &path, int &attributes) const;
    // Sets read-only, hidden, system and archive in the entry's attribute byte.
    int setAttributes(const QString &path, int attributes) const;

private:
    int stat(const VolumePath &path, int &attributes) const;
    MtoolsResult copyOut(QStringList arguments, qint64 maxBytes, QTemporaryDir &host) const;
    static FileRead readCopy(const QString &hostPath, qint64 maxBytes);
    QList<FileRead> readNamed(const QString &folder, const QStringList &names,
                              qint64 maxBytes) const;
    int failure(const MtoolsResult &result, const VolumePath &path) const;
    int prepareTarget(const VolumePath &target, bool replace) const;
    int placeFromTemp(const QString &source, const VolumePath &target, bool replace) const;
    VolumePath tempIn(const VolumePath &folder) const;

    Mtools m_mtools;
    int m_timeout;
};

} // namespace bg::fat

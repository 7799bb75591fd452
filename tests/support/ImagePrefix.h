#pragma once

#include "platform/Prefix.h"
#include "platform/PrefixFileService.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <memory>

namespace bg::test {

// A throw-away machine whose drive C is an emulator's disk image: a 40 MB disk with an MBR and
// one FAT16 partition (type 0x06 at sector 2048) holding Windows 9x's folders (WINDOWS and its
// StartUp folder), in one of the emulators' formats; a prefix whose c: links to the image and
// z: to /; the Prefix and the whole prefix's file service on it.
//
// What the image holds is checked with mtools and fsck.fat on a raw copy of the disk, made at
// each look (the other formats are converted back with qemu-img).
class ImagePrefix
{
public:
    enum Format { Raw, VhdFixed, VhdDynamic, Vdi, Qcow2, Vmdk };
    static QString formatName(Format format);
    // /dev/fuse can be used: the formats other than raw can be opened.
    static bool fuseUsable();

    // files: Windows paths below C:\ with their bytes ("LOGOS\A.BMP"), folders made on the way.
    explicit ImagePrefix(Format format, const QList<std::pair<QString, QByteArray>> &files = {});
    ImagePrefix(const ImagePrefix &) = delete;
    ImagePrefix &operator=(const ImagePrefix &) = delete;

    bool isValid() const { return m_valid; }
    QString image() const { return m_image; }
    QString dir() const { return m_dir.path(); }
    Prefix &prefix() { return *m_prefix; }
    PrefixFileService &files() { return *m_files; }

    // The 8.3 names of a folder's entries, upper case, as mdir lists them ("LOGO     SYS" ->
    // "LOGO.SYS"), with a '*' after a name that also has a long name.
    QStringList shortNames(const QString &folder) const;
    // The attribute letters mattrib shows for an entry ("AH", "A", ...); empty when missing.
    QString attributeLetters(const QString &path) const;
    // A file's bytes as mtools reads it; null when it cannot be read.
    QByteArray read(const QString &path) const;
    // fsck.fat -n finds the volume clean; its words are logged otherwise.
    bool fsckClean() const;
    // Runs a shell command in the test's folder with $RAW naming the raw copy of the disk and
    // $VOL its partition for mtools ("disk.raw@@1048576"); its standard output.
    QString shell(const QString &command, int *exitCode = nullptr) const;

    static constexpr qint64 PartitionOffset = 2048 * 512;

private:
    QTemporaryDir m_dir;
    QString m_image;
    Format m_format;
    std::unique_ptr<Prefix> m_prefix;
    std::unique_ptr<PrefixFileService> m_files;
    bool m_valid = false;
};

} // namespace bg::test

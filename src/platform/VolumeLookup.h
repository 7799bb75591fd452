#pragma once

#include <QChar>
#include <QStringList>

namespace bg {

// Names inside a drive that is a disk image, for the prefix's path spelling: the prefix cannot
// list such a drive's folders itself. Implemented by the image drives' file service.
class VolumeLookup
{
public:
    virtual ~VolumeLookup() = default;

    struct Found
    {
        QStringList names;    // each component as the volume spells it, as far as they exist,
                              // the rest as given
        bool exists = false;  // the whole path names an entry (the root always does)
        bool isFolder = false;
    };
    // components: the path below the drive's root, "." and ".." already applied.
    virtual Found find(QChar drive, const QStringList &components) const = 0;
    // The folders directly inside one; empty when there are none or it cannot be read.
    virtual QStringList subFolders(QChar drive, const QStringList &components) const = 0;
};

} // namespace bg

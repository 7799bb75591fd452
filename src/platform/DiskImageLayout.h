#pragma once

#include <QString>

namespace bg::fat {

// Where the FAT volume of a raw disk image starts.
struct FatLocation
{
    enum Status {
        Found,       // offset says where
        NoFatVolume, // readable, but neither a FAT partition nor a FAT volume of its own
        Unreadable,  // error says why: 53 no such image, 75 the rest
    };
    Status status = Unreadable;
    qint64 offset = 0;
    int partition = 0; // the MBR partition's number (1-4, 5 on for logical ones); 0 for none
    int error = 0;
};

// The first MBR partition of type 0x01, 0x04, 0x06, 0x0B, 0x0C or 0x0E, as sfdisk (util-linux)
// reads the table, in the table's order; else, as for a floppy image without a partition table,
// the whole image when mtools finds a FAT volume at its start.
FatLocation locateFatVolume(const QString &imagePath, int timeoutMs = 30000);

} // namespace bg::fat

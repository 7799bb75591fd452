// Icons and cursors: a directory of images, of which the loader takes the first. Each image is a
// DIB whose stored height counts the colour bits and the 1-bit AND mask below them. Images kept
// as PNG are a later Windows addition and do not load.

#include "platform/PictureFormats.h"

namespace bg::picture {

namespace {

constexpr qint64 DirHeader = 6;
constexpr qint64 DirEntry = 16;

struct IconImage
{
    PictureFormat format = PictureFormat::Unknown;
    qint64 offset = 0;
    qint64 length = 0;
};

// Reads the directory and the first entry; false when this is no icon or cursor directory.
bool readDirectory(Bytes head, IconImage &image)
{
    if (!head.has(0, DirHeader + DirEntry) || head.u16(0) != 0)
        return false;
    const quint16 type = head.u16(2);
    if ((type != 1 && type != 2) || head.u16(4) == 0)
        return false;
    image.format = type == 1 ? PictureFormat::Icon : PictureFormat::Cursor;
    image.length = head.u32(DirHeader + 8);
    image.offset = head.u32(DirHeader + 12);
    return image.length > 0 && image.offset >= DirHeader + DirEntry;
}

bool isPng(Bytes data)
{
    return data.startsWith("\x89PNG", 4);
}

// The AND mask's row length in bytes.
qint64 maskStride(const DibInfo &info)
{
    return ((qint64(info.width) + 31) / 32) * 4;
}

bool openIcon(Bytes file, DibInfo &info, Bytes &res)
{
    IconImage image;
    if (!readDirectory(file, image) || !file.has(image.offset, image.length))
        return false;
    res = file.mid(image.offset, image.length);
    if (isPng(res) || !parseDibHeader(res, info, true))
        return false;
    const qint64 end = info.colorTableEnd() + info.uncompressedSize() + maskStride(info) * info.height;
    return end <= res.size();
}

} // namespace

Probe probeIcon(Bytes head, qint64 fileSize)
{
    Probe result;
    IconImage image;
    if (!readDirectory(head, image))
        return result;
    if (image.offset + image.length > fileSize)
        return result; // the image lies past the end of the file
    const qint64 needed = image.offset + qMin<qint64>(image.length, 124 + 12);
    if (!head.has(0, needed)) {
        result.format = image.format;
        if (head.size() < fileSize)
            result.needBytes = needed;
        return result;
    }
    DibInfo info;
    const Bytes res = head.mid(image.offset, image.length);
    if (isPng(res) || !parseDibHeader(res, info, true))
        return result;
    result.format = image.format;
    result.size = QSize(info.width, info.height);
    return result;
}

bool verifyIcon(Bytes file, QSize &size)
{
    DibInfo info;
    Bytes res;
    if (!openIcon(file, info, res))
        return false;
    size = QSize(info.width, info.height);
    return true;
}

QImage decodeIcon(Bytes file)
{
    DibInfo info;
    Bytes res;
    if (!openIcon(file, info, res))
        return QImage();
    const Bytes bits = res.mid(info.colorTableEnd(), info.uncompressedSize());
    QImage image = dibToImage(info, res, bits);
    if (image.isNull())
        return QImage();
    image = image.convertToFormat(QImage::Format_ARGB32);
    if (image.isNull())
        return QImage();

    // A 32-bit image with any alpha uses it; everything else uses the AND mask.
    bool alpha = false;
    if (info.bitCount == 32) {
        for (qint64 i = 3; i < bits.size() && !alpha; i += 4)
            alpha = bits.u8(i) != 0;
    }
    const int h = info.height;
    if (alpha) {
        for (int row = 0; row < h; ++row) {
            QRgb *dst = reinterpret_cast<QRgb *>(image.scanLine(h - 1 - row));
            const qint64 src = row * info.stride;
            for (int x = 0; x < info.width; ++x)
                dst[x] = (dst[x] & 0x00FFFFFFu) | (quint32(bits.u8(src + 4 * x + 3)) << 24);
        }
        return image;
    }
    const Bytes mask = res.mid(info.colorTableEnd() + info.uncompressedSize());
    const qint64 stride = maskStride(info);
    for (int row = 0; row < h; ++row) {
        QRgb *dst = reinterpret_cast<QRgb *>(image.scanLine(h - 1 - row));
        const qint64 src = row * stride;
        for (int x = 0; x < info.width; ++x) {
            if ((mask.u8(src + (x >> 3)) >> (7 - (x & 7))) & 1)
                dst[x] = 0;
        }
    }
    return image;
}

} // namespace bg::picture

// Device-independent bitmaps: the header forms Windows 9x reads (BITMAPCOREHEADER,
// BITMAPINFOHEADER, and the V2 to V5 extensions), 1 to 32 bits per pixel, uncompressed, RLE8,
// RLE4 and BI_BITFIELDS, bottom-up and top-down; and the BMP file around them.

#include "platform/PictureFormats.h"

#include <bit>

namespace bg::picture {

bool parseDibHeader(Bytes dib, DibInfo &info, bool icon)
{
    info = DibInfo();
    if (!dib.has(0, 4))
        return false;
    const quint32 hs = dib.u32(0);
    qint64 width = 0;
    qint64 height = 0;
    int planes = 0;
    quint32 clrUsed = 0;

    if (hs == 12) {
        if (!dib.has(0, 12))
            return false;
        width = dib.u16(4);
        height = dib.u16(6);
        planes = dib.u16(8);
        info.bitCount = dib.u16(10);
        info.paletteEntrySize = 3;
        info.paletteOffset = 12;
        if (info.bitCount != 1 && info.bitCount != 4 && info.bitCount != 8 && info.bitCount != 24)
            return false;
    } else if (hs == 40 || hs == 52 || hs == 56 || hs == 108 || hs == 124) {
        if (!dib.has(0, hs))
            return false;
        width = dib.i32(4);
        height = dib.i32(8);
        planes = dib.u16(12);
        info.bitCount = dib.u16(14);
        info.compression = dib.u32(16);
        info.sizeImage = dib.u32(20);
        clrUsed = dib.u32(32);
        info.paletteOffset = hs;
        if (info.compression == BiBitfields) {
            if (hs == 40) {
                // The three masks follow the header, ahead of any colour table.
                if (!dib.has(40, 12))
                    return false;
                info.paletteOffset = 52;
            }
            info.masks[0] = dib.u32(40);
            info.masks[1] = dib.u32(44);
            info.masks[2] = dib.u32(48);
            if (hs >= 56)
                info.masks[3] = dib.u32(52);
        }
    } else {
        return false;
    }
    info.headerSize = hs;

    if (planes != 1)
        return false;
    if (height < 0) {
        if (hs == 12 || icon)
            return false;
        info.topDown = true;
        height = -height;
    }
    if (icon) {
        // The stored height covers the colour bits and the AND mask.
        if (height % 2 != 0)
            return false;
        height /= 2;
    }
    if (!validDimension(width) || !validDimension(height))
        return false;
    info.width = int(width);
    info.height = int(height);

    switch (info.compression) {
    case BiRgb:
        if (info.bitCount != 1 && info.bitCount != 4 && info.bitCount != 8 && info.bitCount != 16
            && info.bitCount != 24 && info.bitCount != 32)
            return false;
        if (info.bitCount == 16) {
            info.masks[0] = 0x7C00;
            info.masks[1] = 0x03E0;
            info.masks[2] = 0x001F;
        } else if (info.bitCount == 32) {
            info.masks[0] = 0x00FF0000;
            info.masks[1] = 0x0000FF00;
            info.masks[2] = 0x000000FF;
        }
        break;
    case BiRle8:
    case BiRle4:
        if (icon || info.topDown)
            return false;
        if (info.bitCount != (info.compression == BiRle8 ? 8 : 4))
            return false;
        break;
    case BiBitfields:
        if (icon && info.bitCount != 32 && info.bitCount != 16)
            return false;
        if (info.bitCount != 16 && info.bitCount != 32)
            return false;
        if (info.masks[0] == 0 && info.masks[1] == 0 && info.masks[2] == 0)
            return false;
        if (info.bitCount == 16) {
            for (quint32 &m : info.masks)
                m &= 0xFFFF;
        }
        break;
    default:
        return false; // BI_JPEG, BI_PNG and the rest are not for the screen
    }

    if (info.bitCount <= 8) {
        const quint32 maximum = 1u << info.bitCount;
        info.paletteEntries = int(clrUsed == 0 || clrUsed > maximum ? maximum : clrUsed);
    } else {
        // An optional table for palette devices; it still takes room ahead of the bits.
        if (clrUsed > 65536)
            return false;
        info.paletteEntries = int(clrUsed);
    }
    info.stride = ((qint64(info.width) * info.bitCount + 31) / 32) * 4;
    return true;
}

namespace {

// Walks an RLE stream. put(x, y, index) receives each pixel, y counted from the bottom row.
// Returns true when the stream ends the picture properly: an end-of-bitmap code, or the end of
// the data after the last row. Runs past a row's end, rows past the top and streams that stop
// in the middle are damage.
template <typename Put>
bool walkRle(Bytes s, int width, int height, bool rle4, Put &&put)
{
    const uchar *d = s.data();
    const qint64 n = s.size();
    qint64 p = 0;
    int x = 0;
    int y = 0;
    for (;;) {
        if (p + 2 > n)
            return y >= height || (y == height - 1 && x == width);
        const int a = d[p];
        const int b = d[p + 1];
        p += 2;
        if (a > 0) {
            if (y >= height || x + a > width)
                return false;
            for (int i = 0; i < a; ++i)
                put(x + i, y, rle4 ? ((i & 1) ? (b & 15) : (b >> 4)) : b);
            x += a;
        } else if (b == 0) {
            if (y >= height)
                return false;
            x = 0;
            ++y;
        } else if (b == 1) {
            return true;
        } else if (b == 2) {
            if (p + 2 > n)
                return false;
            x += d[p];
            y += d[p + 1];
            p += 2;
            if (x > width || y > height || (y == height && x > 0))
                return false;
        } else {
            const qint64 bytes = rle4 ? (b + 1) / 2 : b;
            const qint64 padded = (bytes + 1) & ~qint64(1);
            if (p + padded > n || y >= height || x + b > width)
                return false;
            for (int i = 0; i < b; ++i)
                put(x + i, y, rle4 ? ((i & 1) ? (d[p + i / 2] & 15) : (d[p + i / 2] >> 4)) : d[p + i]);
            x += b;
            p += padded;
        }
    }
}

// Extracts one channel through a bit mask and scales it to 0..255.
struct Channel
{
    quint32 mask = 0;
    int shift = 0;
    quint32 maximum = 0;

    explicit Channel(quint32 m) : mask(m)
    {
        if (m) {
            shift = std::countr_zero(m);
            maximum = m >> shift;
        }
    }
    uint operator()(quint32 v) const
    {
        if (!maximum)
            return 0;
        return uint((quint64((v & mask) >> shift) * 255 + maximum / 2) / maximum);
    }
};

void readPalette(const DibInfo &info, Bytes dib, QRgb (&table)[256])
{
    for (QRgb &c : table)
        c = qRgb(0, 0, 0);
    if (info.bitCount > 8)
        return;
    for (int i = 0; i < info.paletteEntries && i < 256; ++i) {
        const qint64 o = info.paletteOffset + qint64(i) * info.paletteEntrySize;
        if (!dib.has(o, info.paletteEntrySize))
            break;
        table[i] = qRgb(dib.u8(o + 2), dib.u8(o + 1), dib.u8(o));
    }
}

} // namespace

bool dibBitsComplete(const DibInfo &info, Bytes bits)
{
    if (info.compressed())
        return walkRle(bits, info.width, info.height, info.compression == BiRle4,
                       [](int, int, int) {});
    return bits.size() >= info.uncompressedSize();
}

QImage dibToImage(const DibInfo &info, Bytes dib, Bytes bits)
{
    if (qint64(info.width) * info.height > MaxDisplayPixels || !dibBitsComplete(info, bits))
        return QImage();
    QImage image(info.width, info.height, QImage::Format_RGB32);
    if (image.isNull())
        return QImage();
    QRgb palette[256];
    readPalette(info, dib, palette);

    if (info.compressed()) {
        image.fill(qRgb(0, 0, 0));
        const int h = info.height;
        walkRle(bits, info.width, h, info.compression == BiRle4, [&](int x, int y, int index) {
            reinterpret_cast<QRgb *>(image.scanLine(h - 1 - y))[x] = palette[index & 0xFF];
        });
        return image;
    }

    const Channel red(info.masks[0]);
    const Channel green(info.masks[1]);
    const Channel blue(info.masks[2]);
    const uchar *base = bits.data();
    for (int row = 0; row < info.height; ++row) {
        const uchar *src = base + row * info.stride;
        QRgb *dst = reinterpret_cast<QRgb *>(
            image.scanLine(info.topDown ? row : info.height - 1 - row));
        switch (info.bitCount) {
        case 1:
            for (int x = 0; x < info.width; ++x)
                dst[x] = palette[(src[x >> 3] >> (7 - (x & 7))) & 1];
            break;
        case 4:
            for (int x = 0; x < info.width; ++x)
                dst[x] = palette[(x & 1) ? (src[x >> 1] & 15) : (src[x >> 1] >> 4)];
            break;
        case 8:
            for (int x = 0; x < info.width; ++x)
                dst[x] = palette[src[x]];
            break;
        case 16:
            for (int x = 0; x < info.width; ++x) {
                const quint32 v = quint32(src[2 * x]) | (quint32(src[2 * x + 1]) << 8);
                dst[x] = qRgb(red(v), green(v), blue(v));
            }
            break;
        case 24:
            for (int x = 0; x < info.width; ++x)
                dst[x] = qRgb(src[3 * x + 2], src[3 * x + 1], src[3 * x]);
            break;
        case 32:
            for (int x = 0; x < info.width; ++x) {
                const uchar *p = src + 4 * x;
                const quint32 v = quint32(p[0]) | (quint32(p[1]) << 8) | (quint32(p[2]) << 16)
                                  | (quint32(p[3]) << 24);
                dst[x] = qRgb(red(v), green(v), blue(v));
            }
            break;
        default:
            return QImage();
        }
    }
    return image;
}

namespace {

constexpr qint64 BmpFileHeader = 14;

// Where the pixels of a BMP file start: bfOffBits, or right after the colour table when it is 0.
// Returns -1 when bfOffBits points into the headers.
qint64 bmpBitsOffset(Bytes file, const DibInfo &info)
{
    const quint32 off = file.u32(10);
    if (off == 0)
        return BmpFileHeader + info.colorTableEnd();
    if (off < BmpFileHeader + info.paletteOffset)
        return -1;
    return off;
}

} // namespace

Probe probeBmp(Bytes head, qint64 fileSize)
{
    Probe result;
    if (!head.startsWith("BM", 2))
        return result;
    result.format = PictureFormat::Bmp;
    // The header's size field, then the header itself with any BI_BITFIELDS masks.
    if (!head.has(0, BmpFileHeader + 4)) {
        if (head.size() < fileSize)
            result.needBytes = qMin(fileSize, BmpFileHeader + 124 + 12);
        return result;
    }
    const quint32 hs = head.u32(BmpFileHeader);
    if (hs > 124)
        return result;
    const qint64 needed = qMin(fileSize, BmpFileHeader + hs + 12);
    if (!head.has(0, needed) && head.size() < fileSize) {
        result.needBytes = needed;
        return result;
    }
    DibInfo info;
    if (!parseDibHeader(head.mid(BmpFileHeader), info))
        return result;
    const qint64 bits = bmpBitsOffset(head, info);
    if (bits < 0)
        return result;
    result.size = QSize(info.width, info.height);
    result.completeByLength = !info.compressed()
                              && BmpFileHeader + info.colorTableEnd() <= fileSize
                              && bits + info.uncompressedSize() <= fileSize;
    return result;
}

namespace {

bool openBmp(Bytes file, DibInfo &info, Bytes &bits)
{
    if (!file.startsWith("BM", 2) || !parseDibHeader(file.mid(BmpFileHeader), info))
        return false;
    const qint64 offset = bmpBitsOffset(file, info);
    if (offset < 0 || BmpFileHeader + info.colorTableEnd() > file.size() || offset > file.size())
        return false;
    // An RLE stream ends where biSizeImage says, or with the file.
    bits = file.mid(offset, info.compressed() && info.sizeImage ? qint64(info.sizeImage) : -1);
    return true;
}

} // namespace

bool verifyBmp(Bytes file, QSize &size)
{
    DibInfo info;
    Bytes bits;
    if (!openBmp(file, info, bits) || !dibBitsComplete(info, bits))
        return false;
    size = QSize(info.width, info.height);
    return true;
}

QImage decodeBmp(Bytes file)
{
    DibInfo info;
    Bytes bits;
    if (!openBmp(file, info, bits))
        return QImage();
    return dibToImage(info, file.mid(BmpFileHeader), bits);
}

} // namespace bg::picture

// GIF87a and GIF89a. The picture has the size of the logical screen and shows the first image.
// A file loads when every block up to the trailer is well formed and the first image's LZW data
// yields all of its pixels.

#include "platform/PictureFormats.h"

#include <array>

namespace bg::picture {

namespace {

constexpr qint64 ScreenDescriptorEnd = 13;

struct GifFrame
{
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool interlaced = false;
    qint64 paletteOffset = 0; // colour table in use (local, else global); 0 when none
    int paletteEntries = 0;
    int transparent = -1;
};

// Skips data sub-blocks up to and including their terminator. Returns the position after it,
// or -1 when the data ends first.
qint64 skipSubBlocks(Bytes d, qint64 pos)
{
    for (;;) {
        if (!d.has(pos, 1))
            return -1;
        const int n = d.u8(pos++);
        if (n == 0)
            return pos;
        pos += n;
    }
}

// Decodes the LZW data that starts with the minimum code size byte at pos, handing each of the
// first `pixels` indices to out. Returns the position after the data's terminator, or -1 when
// the data is damaged or ends before the last pixel.
template <typename Out>
qint64 decodeLzw(Bytes d, qint64 pos, quint64 pixels, Out &&out)
{
    if (!d.has(pos, 1))
        return -1;
    const int minCode = d.u8(pos++);
    if (minCode < 1 || minCode > 8)
        return -1;
    const int clear = 1 << minCode;
    const int endOfData = clear + 1;
    int codeSize = minCode + 1;
    int next = clear + 2;
    int prev = -1;
    int first = 0;

    std::array<quint16, 4096> prefix;
    std::array<uchar, 4096> suffix;
    std::array<uchar, 4097> stack;

    qint64 blockLeft = 0;
    quint32 bitBuffer = 0;
    int bitCount = 0;
    quint64 done = 0;
    const uchar *data = d.data();
    const qint64 size = d.size();

    while (done < pixels) {
        while (bitCount < codeSize) {
            while (blockLeft == 0) {
                if (pos >= size)
                    return -1;
                blockLeft = data[pos++];
                if (blockLeft == 0)
                    return -1; // the data ends before the picture does
            }
            if (pos >= size)
                return -1;
            bitBuffer |= quint32(data[pos++]) << bitCount;
            --blockLeft;
            bitCount += 8;
        }
        const int code = int(bitBuffer & ((1u << codeSize) - 1));
        bitBuffer >>= codeSize;
        bitCount -= codeSize;

        if (code == clear) {
            codeSize = minCode + 1;
            next = clear + 2;
            prev = -1;
            continue;
        }
        if (code == endOfData)
            return -1;

        int sp = 0;
        if (prev < 0) {
            if (code > clear)
                return -1;
            stack[sp++] = uchar(code);
            first = code;
        } else {
            int cur = code;
            if (code > next || code >= 4096)
                return -1;
            if (code == next) {
                if (next >= 4096)
                    return -1;
                stack[sp++] = uchar(first);
                cur = prev;
            }
            while (cur >= clear) {
                stack[sp++] = suffix[cur];
                cur = prefix[cur];
            }
            stack[sp++] = uchar(cur);
            first = cur;
            if (next < 4096) {
                prefix[next] = quint16(prev);
                suffix[next] = uchar(first);
                ++next;
                if (next == (1 << codeSize) && codeSize < 12)
                    ++codeSize;
            }
        }
        prev = code;
        while (sp > 0 && done < pixels) {
            out(stack[--sp]);
            ++done;
        }
    }
    return skipSubBlocks(d, pos + blockLeft);
}

// Walks the whole file. onImage(frame, lzwPos) decodes the first image and returns the position
// after it, or -1.
template <typename OnImage>
bool walkGif(Bytes d, OnImage &&onImage)
{
    if (!d.startsWith("GIF87a", 6) && !d.startsWith("GIF89a", 6))
        return false;
    if (!d.has(0, ScreenDescriptorEnd))
        return false;
    const int screenFlags = d.u8(10);
    qint64 pos = ScreenDescriptorEnd;
    qint64 globalPalette = 0;
    int globalEntries = 0;
    if (screenFlags & 0x80) {
        globalEntries = 2 << (screenFlags & 7);
        globalPalette = pos;
        pos += 3 * globalEntries;
    }
    bool imageSeen = false;
    int transparent = -1;
    for (;;) {
        if (!d.has(pos, 1))
            return false;
        const int introducer = d.u8(pos++);
        if (introducer == 0x3B)
            return imageSeen;
        if (introducer == 0x21) {
            if (!d.has(pos, 1))
                return false;
            const int label = d.u8(pos++);
            if (label == 0xF9 && !imageSeen && d.u8(pos) >= 4 && d.has(pos, 5)) {
                if (d.u8(pos + 1) & 1)
                    transparent = d.u8(pos + 4);
                else
                    transparent = -1;
            }
            pos = skipSubBlocks(d, pos);
        } else if (introducer == 0x2C) {
            if (!d.has(pos, 9))
                return false;
            GifFrame frame;
            frame.left = d.u16(pos);
            frame.top = d.u16(pos + 2);
            frame.width = d.u16(pos + 4);
            frame.height = d.u16(pos + 6);
            const int flags = d.u8(pos + 8);
            frame.interlaced = flags & 0x40;
            pos += 9;
            frame.paletteOffset = globalPalette;
            frame.paletteEntries = globalEntries;
            if (flags & 0x80) {
                frame.paletteEntries = 2 << (flags & 7);
                frame.paletteOffset = pos;
                pos += 3 * frame.paletteEntries;
            }
            frame.transparent = transparent;
            if (!d.has(pos, 1))
                return false;
            if (!imageSeen) {
                pos = onImage(frame, pos);
                imageSeen = true;
            } else {
                pos = skipSubBlocks(d, pos + 1);
            }
        } else {
            return false;
        }
        if (pos < 0)
            return false;
    }
}

} // namespace

Probe probeGif(Bytes head, qint64 fileSize)
{
    Probe result;
    if (!head.startsWith("GIF87a", 6) && !head.startsWith("GIF89a", 6))
        return result;
    result.format = PictureFormat::Gif;
    if (!head.has(0, ScreenDescriptorEnd)) {
        if (head.size() < fileSize)
            result.needBytes = qMin<qint64>(fileSize, ScreenDescriptorEnd);
        return result;
    }
    const int w = head.u16(6);
    const int h = head.u16(8);
    if (validDimension(w) && validDimension(h))
        result.size = QSize(w, h);
    return result;
}

bool verifyGif(Bytes file, QSize &size)
{
    const int w = file.u16(6);
    const int h = file.u16(8);
    if (!validDimension(w) || !validDimension(h))
        return false;
    const bool ok = walkGif(file, [&](const GifFrame &frame, qint64 pos) {
        return decodeLzw(file, pos, quint64(frame.width) * frame.height, [](int) {});
    });
    if (ok)
        size = QSize(w, h);
    return ok;
}

QImage decodeGif(Bytes file)
{
    const int w = file.u16(6);
    const int h = file.u16(8);
    if (!validDimension(w) || !validDimension(h) || qint64(w) * h > MaxDisplayPixels)
        return QImage();
    // Checked first, so that a damaged file costs no image.
    QSize size;
    if (!verifyGif(file, size))
        return QImage();
    QImage image(w, h, QImage::Format_ARGB32);
    if (image.isNull())
        return QImage();
    image.fill(Qt::transparent);

    const bool ok = walkGif(file, [&](const GifFrame &frame, qint64 pos) {
        QRgb palette[256];
        for (int i = 0; i < 256; ++i) {
            const qint64 o = frame.paletteOffset + 3 * i;
            if (frame.paletteOffset > 0 && i < frame.paletteEntries && file.has(o, 3))
                palette[i] = qRgb(file.u8(o), file.u8(o + 1), file.u8(o + 2));
            else if (frame.paletteOffset == 0 && i < 2)
                palette[i] = i ? qRgb(255, 255, 255) : qRgb(0, 0, 0);
            else
                palette[i] = qRgb(0, 0, 0);
        }
        if (frame.transparent >= 0)
            palette[frame.transparent] = 0;

        // Interlaced images send rows in four passes: every 8th from 0, every 8th from 4,
        // every 4th from 2, every 2nd from 1.
        static constexpr int passStart[4] = {0, 4, 2, 1};
        static constexpr int passStep[4] = {8, 8, 4, 2};
        int x = 0;
        int row = 0;
        int pass = 0;
        return decodeLzw(file, pos, quint64(frame.width) * frame.height, [&](int index) {
            const int sx = frame.left + x;
            const int sy = frame.top + row;
            if (sx < w && sy < h)
                reinterpret_cast<QRgb *>(image.scanLine(sy))[sx] = palette[index];
            if (++x < frame.width)
                return;
            x = 0;
            if (!frame.interlaced) {
                ++row;
                return;
            }
            row += passStep[pass];
            while (row >= frame.height && pass < 3) {
                ++pass;
                row = passStart[pass];
            }
        });
    });
    return ok ? image : QImage();
}

} // namespace bg::picture

#pragma once

// Internal pieces of the picture loader: a bounds-checked byte view and the per-format readers.
// Each format offers three levels of work:
//   probe   - what the first bytes say (format and size), without touching the rest;
//   verify  - whether the whole picture decodes, without building an image where that can be
//             avoided (lengths for uncompressed bitmaps, a full walk for everything else);
//   decode  - the image for display.
// Every reader treats its input as hostile: each read is bounds-checked and every size taken
// from a file is checked before anything is allocated for it.

#include "platform/PictureLoader.h"

#include <QImage>
#include <QSize>

#include <cstdint>
#include <cstring>

namespace bg::picture {

// Largest width or height a picture may have (the range of a 16-bit signed integer).
constexpr int MaxDimension = 32767;

// Largest picture load() builds an image for, in pixels. Headers within MaxDimension can still
// describe pictures far beyond memory (an RLE bitmap or a metafile costs a few bytes whatever its
// size); those are measured and verified but not painted.
constexpr qint64 MaxDisplayPixels = qint64(8192) * 8192;

inline bool validDimension(qint64 v) { return v > 0 && v <= MaxDimension; }

// A read-only view of bytes. Reads outside the view return 0; callers check has() first where
// a missing byte matters.
class Bytes
{
public:
    Bytes() = default;
    Bytes(const uchar *data, qint64 size) : m_data(data), m_size(data ? size : 0) {}
    explicit Bytes(const QByteArray &a)
        : m_data(reinterpret_cast<const uchar *>(a.constData())), m_size(a.size())
    {
    }

    const uchar *data() const { return m_data; }
    qint64 size() const { return m_size; }
    bool empty() const { return m_size == 0; }

    bool has(qint64 offset, qint64 length) const
    {
        return offset >= 0 && length >= 0 && offset <= m_size && length <= m_size - offset;
    }

    quint8 u8(qint64 o) const { return has(o, 1) ? m_data[o] : 0; }
    quint16 u16(qint64 o) const
    {
        return has(o, 2) ? quint16(m_data[o] | (m_data[o + 1] << 8)) : 0;
    }
    quint32 u32(qint64 o) const
    {
        return has(o, 4) ? quint32(m_data[o]) | (quint32(m_data[o + 1]) << 8)
                                   | (quint32(m_data[o + 2]) << 16) | (quint32(m_data[o + 3]) << 24)
                         : 0;
    }
    qint16 i16(qint64 o) const { return qint16(u16(o)); }
    qint32 i32(qint64 o) const { return qint32(u32(o)); }
    quint16 u16be(qint64 o) const
    {
        return has(o, 2) ? quint16((m_data[o] << 8) | m_data[o + 1]) : 0;
    }

    // The part from offset on, at most length bytes; clamped to the view.
    Bytes mid(qint64 offset, qint64 length = -1) const
    {
        if (offset < 0 || offset > m_size)
            return Bytes();
        const qint64 rest = m_size - offset;
        return Bytes(m_data + offset, length < 0 || length > rest ? rest : length);
    }

    bool startsWith(const char *magic, qint64 length) const
    {
        return has(0, length) && std::memcmp(m_data, magic, size_t(length)) == 0;
    }

private:
    const uchar *m_data = nullptr;
    qint64 m_size = 0;
};

// What a format's header says.
struct Probe
{
    PictureFormat format = PictureFormat::Unknown;
    QSize size;                 // pixels; empty when the header is unusable
    qint64 needBytes = 0;       // > 0: the header lies further in; probe again with this many
    bool completeByLength = false; // the header alone proves the picture complete (plain DIBs)
};

// Metafile frames are given in HIMETRIC; these convert to pixels the way the tool does:
// value * dpi / 2540 rounded to nearest, a half going to the even neighbour.
int himetricToPixels(qint64 himetric, double dpi);
// MulDiv: a * b / c rounded to nearest, halves away from zero; 0 when c is 0.
qint64 mulDiv(qint64 a, qint64 b, qint64 c);

// --- Device-independent bitmaps (shared by BMP, icons and metafile blits) -----------------------

enum DibCompression : quint32 { BiRgb = 0, BiRle8 = 1, BiRle4 = 2, BiBitfields = 3 };

struct DibInfo
{
    qint64 headerSize = 0;
    int width = 0;
    int height = 0;          // rows of the picture (for icons: half the stored height)
    bool topDown = false;
    int bitCount = 0;
    quint32 compression = BiRgb;
    quint32 masks[4] = {0, 0, 0, 0}; // red, green, blue, alpha
    int paletteEntries = 0;  // colour table entries the header announces (clamped)
    int paletteEntrySize = 4; // 3 for BITMAPCOREHEADER
    qint64 paletteOffset = 0; // from the start of the header
    qint64 stride = 0;       // bytes per row for uncompressed bits
    quint32 sizeImage = 0;

    qint64 colorTableEnd() const { return paletteOffset + qint64(paletteEntries) * paletteEntrySize; }
    qint64 uncompressedSize() const { return stride * height; }
    bool compressed() const { return compression == BiRle8 || compression == BiRle4; }
};

// Parses the header of a DIB at the start of dib. For icons the stored height counts the XOR
// and the AND masks and only uncompressed bits are allowed. Checks dimensions, depths and
// compressions; the colour table must lie within dib.
bool parseDibHeader(Bytes dib, DibInfo &info, bool icon = false);

// Whether bits hold the whole picture: every row of an uncompressed DIB, a complete RLE stream.
bool dibBitsComplete(const DibInfo &info, Bytes bits);

// Paints a DIB into an RGB32 image; null when the bits are incomplete or the picture too large.
// The colour table is read from dib at info.paletteOffset.
QImage dibToImage(const DibInfo &info, Bytes dib, Bytes bits);

// BMP files: "BM", file header, DIB.
Probe probeBmp(Bytes head, qint64 fileSize);
bool verifyBmp(Bytes file, QSize &size);
QImage decodeBmp(Bytes file);

// ICO and CUR: the first directory entry's DIB.
Probe probeIcon(Bytes head, qint64 fileSize);
bool verifyIcon(Bytes file, QSize &size);
QImage decodeIcon(Bytes file);

// GIF87a/89a: the logical screen; the first image decoded.
Probe probeGif(Bytes head, qint64 fileSize);
bool verifyGif(Bytes file, QSize &size);
QImage decodeGif(Bytes file);

// JPEG (baseline, extended sequential, progressive).
Probe probeJpeg(Bytes head, qint64 fileSize);
bool verifyJpeg(Bytes file, QSize &size);
QImage decodeJpeg(Bytes file);

// Placeable WMF and EMF.
Probe probeWmf(Bytes head, qint64 fileSize, double dpiX, double dpiY);
bool verifyWmf(Bytes file, QSize &size, double dpiX, double dpiY);
QImage decodeWmf(Bytes file, double dpiX, double dpiY);

Probe probeEmf(Bytes head, qint64 fileSize, double dpiX, double dpiY);
bool verifyEmf(Bytes file, QSize &size, double dpiX, double dpiY);
QImage decodeEmf(Bytes file, double dpiX, double dpiY);

} // namespace bg::picture

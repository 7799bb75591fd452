// JPEG: baseline, extended sequential and progressive Huffman-coded frames of 8-bit samples,
// the kinds the Windows 9x picture loader decodes. The size comes from the frame header. A file
// loads when its markers and entropy-coded segments run to a real end-of-image marker and the
// decoder then accepts it at the header's size; the decoder alone would return a grey-filled
// image for a truncated file.

#include "platform/PictureFormats.h"

#include <QBuffer>
#include <QImageReader>

#include <cstring>

namespace bg::picture {

namespace {

enum Marker : int {
    Sof0 = 0xC0,
    Sof1 = 0xC1,
    Sof2 = 0xC2,
    Rst0 = 0xD0,
    Rst7 = 0xD7,
    Soi = 0xD8,
    Eoi = 0xD9,
    Sos = 0xDA,
    Tem = 0x01,
};

bool isFrameHeader(int m)
{
    // SOF0..SOF15 without DHT (C4), JPG (C8) and DAC (CC).
    return m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC;
}

// Reads a frame header whose length field is at pos; false for kinds the loader cannot decode.
bool readFrameHeader(Bytes d, qint64 pos, int marker, QSize &size)
{
    if (marker != Sof0 && marker != Sof1 && marker != Sof2)
        return false; // lossless, hierarchical and arithmetic-coded frames
    const int length = d.u16be(pos);
    if (length < 8 || !d.has(pos, length) || d.u8(pos + 2) != 8)
        return false;
    const int h = d.u16be(pos + 3);
    const int w = d.u16be(pos + 5);
    const int components = d.u8(pos + 7);
    if (!validDimension(w) || !validDimension(h) || components < 1 || components > 4
        || length < 8 + 3 * components)
        return false;
    size = QSize(w, h);
    return true;
}

// Skips the entropy-coded data of a scan that starts at pos. Returns the position of the marker
// that ends it, or -1 when the file ends inside the scan.
qint64 skipEntropyData(Bytes d, qint64 pos)
{
    const uchar *data = d.data();
    const qint64 size = d.size();
    while (pos < size) {
        const void *ff = std::memchr(data + pos, 0xFF, size_t(size - pos));
        if (!ff)
            return -1;
        pos = static_cast<const uchar *>(ff) - data;
        if (pos + 1 >= size)
            return -1;
        const int next = data[pos + 1];
        if (next == 0x00 || (next >= Rst0 && next <= Rst7))
            pos += 2; // stuffed byte, restart marker
        else if (next == 0xFF)
            ++pos; // fill byte before a marker
        else
            return pos;
    }
    return -1;
}

// Walks every marker segment and scan to the end-of-image marker.
bool walkJpeg(Bytes d, QSize &size)
{
    if (!d.startsWith("\xFF\xD8\xFF", 3))
        return false;
    qint64 pos = 2;
    bool frame = false;
    bool scan = false;
    for (;;) {
        if (!d.has(pos, 2) || d.u8(pos) != 0xFF)
            return false;
        const int m = d.u8(pos + 1);
        if (m == 0xFF) {
            ++pos;
            continue;
        }
        pos += 2;
        if (m == Eoi)
            return frame && scan;
        if (m == Tem)
            continue;
        if (m == Soi || (m >= Rst0 && m <= Rst7) || m == 0x00)
            return false;
        const int length = d.u16be(pos);
        if (length < 2 || !d.has(pos, length))
            return false;
        if (isFrameHeader(m)) {
            if (frame || !readFrameHeader(d, pos, m, size))
                return false;
            frame = true;
        }
        pos += length;
        if (m == Sos) {
            if (!frame)
                return false;
            scan = true;
            pos = skipEntropyData(d, pos);
            if (pos < 0)
                return false;
        }
    }
}

QImage decodeChecked(Bytes file, QSize &size, bool display)
{
    if (!walkJpeg(file, size))
        return QImage();
    if (display && qint64(size.width()) * size.height() > MaxDisplayPixels)
        return QImage();
    const QByteArray raw = QByteArray::fromRawData(reinterpret_cast<const char *>(file.data()),
                                                   qsizetype(file.size()));
    QBuffer buffer;
    buffer.setData(raw);
    if (!buffer.open(QIODevice::ReadOnly))
        return QImage();
    QImageReader reader(&buffer, "jpeg");
    reader.setAutoTransform(false);
    if (reader.size() != size)
        return QImage();
    // A check needs no pixels: the decoder scales by 1/8 in the transform and still reads every
    // coefficient, at a fraction of the memory and time.
    const QSize wanted = display ? size : QSize((size.width() + 7) / 8, (size.height() + 7) / 8);
    if (!display)
        reader.setScaledSize(wanted);
    QImage image = reader.read();
    if (image.size() != wanted)
        return QImage();
    return image;
}

} // namespace

Probe probeJpeg(Bytes head, qint64 fileSize)
{
    Probe result;
    if (!head.startsWith("\xFF\xD8\xFF", 3))
        return result;
    result.format = PictureFormat::Jpeg;
    // Asks for the bytes up to end when the head stops short of them and the file does not.
    const auto needs = [&](qint64 end) {
        if (head.has(0, end))
            return false;
        if (head.size() < fileSize)
            result.needBytes = qMin(fileSize, end);
        return true;
    };
    qint64 pos = 2;
    for (;;) {
        if (needs(pos + 4))
            return result;
        if (head.u8(pos) != 0xFF)
            return result;
        const int m = head.u8(pos + 1);
        if (m == 0xFF) {
            ++pos;
            continue;
        }
        pos += 2;
        if (m == Tem)
            continue;
        if (m == Soi || m == Eoi || m == Sos || (m >= Rst0 && m <= Rst7) || m == 0x00)
            return result;
        const int length = head.u16be(pos);
        if (length < 2)
            return result;
        if (isFrameHeader(m)) {
            if (needs(pos + length))
                return result;
            QSize size;
            if (readFrameHeader(head, pos, m, size))
                result.size = size;
            return result;
        }
        pos += length;
    }
}

bool verifyJpeg(Bytes file, QSize &size)
{
    QSize header;
    if (decodeChecked(file, header, false).isNull())
        return false;
    size = header;
    return true;
}

QImage decodeJpeg(Bytes file)
{
    QSize size;
    return decodeChecked(file, size, true);
}

} // namespace bg::picture

// Metafiles: their headers, their size and the record walk that proves them complete. A
// placeable WMF gives its frame in logical units with the units per inch; an EMF gives it in
// hundredths of a millimetre. Both become HIMETRIC and then pixels at the loader's resolution.

#include "platform/PictureFormats.h"
#include "platform/PictureMetafilePlayer.h"

#include <cmath>
#include <limits>

namespace bg::picture {

qint64 mulDiv(qint64 a, qint64 b, qint64 c)
{
    if (c == 0)
        return 0;
    qint64 n = a * b;
    const bool negative = (n < 0) != (c < 0);
    n = n < 0 ? -n : n;
    const qint64 d = c < 0 ? -c : c;
    const qint64 q = (n + d / 2) / d;
    return negative ? -q : q;
}

int himetricToPixels(qint64 himetric, double dpi)
{
    const double v = std::nearbyint(double(himetric) * dpi / 2540.0); // ties to even
    if (!(v > std::numeric_limits<int>::min() && v < std::numeric_limits<int>::max()))
        return v > 0 ? std::numeric_limits<int>::max() : std::numeric_limits<int>::min();
    return int(v);
}

namespace {

constexpr quint32 PlaceableKey = 0x9AC6CDD7;
constexpr qint64 PlaceableSize = 22;
constexpr qint64 WmfHeaderEnd = PlaceableSize + 18;
constexpr quint32 EmfSignature = 0x464D4520; // " EMF"
constexpr qint64 EmfHeaderMin = 88;

QSize pixelsFromHimetric(qint64 w, qint64 h, double dpiX, double dpiY)
{
    if (w <= 0 || h <= 0)
        return QSize();
    const int pw = himetricToPixels(w, dpiX);
    const int ph = himetricToPixels(h, dpiY);
    if (!validDimension(pw) || !validDimension(ph))
        return QSize();
    return QSize(pw, ph);
}

// The placeable header and the metafile header after it; the frame in pixels, or an empty size.
QSize wmfSize(Bytes d, double dpiX, double dpiY)
{
    if (!d.has(0, WmfHeaderEnd) || d.u32(0) != PlaceableKey)
        return QSize();
    quint16 checksum = 0;
    for (int i = 0; i < 10; ++i)
        checksum ^= d.u16(2 * i);
    if (checksum != d.u16(20))
        return QSize();
    const quint16 type = d.u16(PlaceableSize);
    const quint16 version = d.u16(PlaceableSize + 4);
    if ((type != 1 && type != 2) || d.u16(PlaceableSize + 2) != 9
        || (version != 0x0100 && version != 0x0300))
        return QSize();
    const quint16 inch = d.u16(14);
    if (inch == 0)
        return QSize();
    const qint64 w = qint64(d.i16(10)) - d.i16(6);
    const qint64 h = qint64(d.i16(12)) - d.i16(8);
    if (w <= 0 || h <= 0)
        return QSize();
    return pixelsFromHimetric(mulDiv(w, 2540, inch), mulDiv(h, 2540, inch), dpiX, dpiY);
}

QSize emfSize(Bytes d, double dpiX, double dpiY)
{
    if (!d.has(0, EmfHeaderMin) || d.u32(0) != 1 || d.u32(40) != EmfSignature)
        return QSize();
    const quint32 size = d.u32(4);
    if (size < EmfHeaderMin || size % 4 != 0)
        return QSize();
    const qint64 w = qint64(d.i32(32)) - d.i32(24);
    const qint64 h = qint64(d.i32(36)) - d.i32(28);
    return pixelsFromHimetric(w, h, dpiX, dpiY);
}

} // namespace

bool walkWmf(Bytes d, const std::function<void(quint16, Bytes)> &record)
{
    qint64 pos = WmfHeaderEnd;
    for (;;) {
        if (!d.has(pos, 6))
            return false;
        const qint64 words = d.u32(pos);
        const quint16 function = d.u16(pos + 4);
        if (words < 3 || !d.has(pos, words * 2))
            return false;
        if (function == 0)
            return true;
        if (record)
            record(function, d.mid(pos, words * 2));
        pos += words * 2;
    }
}

bool walkEmf(Bytes d, const std::function<void(quint32, Bytes)> &record)
{
    qint64 pos = 0;
    for (;;) {
        if (!d.has(pos, 8))
            return false;
        const quint32 type = d.u32(pos);
        const qint64 size = d.u32(pos + 4);
        if (size < 8 || size % 4 != 0 || !d.has(pos, size) || (pos == 0) != (type == 1))
            return false;
        if (type == 14)
            return true;
        if (record)
            record(type, d.mid(pos, size));
        pos += size;
    }
}

Probe probeWmf(Bytes head, qint64 fileSize, double dpiX, double dpiY)
{
    Probe result;
    if (!head.has(0, 4) || head.u32(0) != PlaceableKey)
        return result;
    result.format = PictureFormat::Wmf;
    if (!head.has(0, WmfHeaderEnd)) {
        if (head.size() < fileSize)
            result.needBytes = qMin(fileSize, WmfHeaderEnd);
        return result;
    }
    result.size = wmfSize(head, dpiX, dpiY);
    return result;
}

bool verifyWmf(Bytes file, QSize &size, double dpiX, double dpiY)
{
    const QSize s = wmfSize(file, dpiX, dpiY);
    if (s.isEmpty() || !walkWmf(file, {}))
        return false;
    size = s;
    return true;
}

Probe probeEmf(Bytes head, qint64 fileSize, double dpiX, double dpiY)
{
    Probe result;
    if (!head.has(0, 8) || head.u32(0) != 1)
        return result;
    if (!head.has(0, EmfHeaderMin)) {
        if (head.size() < fileSize && fileSize >= EmfHeaderMin)
            result.needBytes = EmfHeaderMin;
        return result;
    }
    if (head.u32(40) != EmfSignature)
        return result;
    result.format = PictureFormat::Emf;
    result.size = emfSize(head, dpiX, dpiY);
    return result;
}

bool verifyEmf(Bytes file, QSize &size, double dpiX, double dpiY)
{
    const QSize s = emfSize(file, dpiX, dpiY);
    if (s.isEmpty() || !walkEmf(file, {}))
        return false;
    size = s;
    return true;
}

QImage decodeWmf(Bytes file, double dpiX, double dpiY)
{
    const QSize size = wmfSize(file, dpiX, dpiY);
    if (size.isEmpty() || qint64(size.width()) * size.height() > MaxDisplayPixels
        || !walkWmf(file, {}))
        return QImage();
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return QImage();
    image.fill(Qt::transparent);
    const QRectF frame(file.i16(6), file.i16(8), qreal(file.i16(10)) - file.i16(6),
                       qreal(file.i16(12)) - file.i16(8));
    playWmf(file, frame, image);
    return image;
}

QImage decodeEmf(Bytes file, double dpiX, double dpiY)
{
    const QSize size = emfSize(file, dpiX, dpiY);
    if (size.isEmpty() || qint64(size.width()) * size.height() > MaxDisplayPixels
        || !walkEmf(file, {}))
        return QImage();
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return QImage();
    image.fill(Qt::transparent);
    playEmf(file, image);
    return image;
}

} // namespace bg::picture

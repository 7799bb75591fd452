#include "PictureFactory.h"

#include <QBuffer>
#include <QImage>
#include <QImageWriter>
#include <QtEndian>

#include <initializer_list>
#include <unordered_map>
#include <vector>

namespace bg::test::pictures {

namespace {

// Little-endian writer; each call takes a list of fields of one width.
struct Out
{
    QByteArray b;
    Out &put(int width, std::initializer_list<qint64> values)
    {
        for (qint64 v : values)
            for (int i = 0; i < width; ++i)
                b.append(char((v >> (8 * i)) & 0xFF));
        return *this;
    }
    Out &u8(std::initializer_list<qint64> v) { return put(1, v); }
    Out &u16(std::initializer_list<qint64> v) { return put(2, v); }
    Out &u32(std::initializer_list<qint64> v) { return put(4, v); }
    Out &bytes(const QByteArray &a) { return b.append(a), *this; }
    Out &zeros(qint64 n) { return bytes(QByteArray(qsizetype(n), '\0')); }
};

quint32 colorRef(QColor c) { return quint32(c.red() | c.green() << 8 | c.blue() << 16); }

// Palette entries as blue-green-red (with a pad byte when `entry` is 4) or, for GIF, as RGB.
Out &palette(Out &o, int colours, int entry, bool rgb = false)
{
    for (int i = 0; i < colours; ++i) {
        const QRgb c = paletteColor(i); // 0xAARRGGBB: blue is the low byte
        o.put(3, {rgb ? qRgb(qBlue(c), qGreen(c), qRed(c)) : c}).zeros(entry - 3);
    }
    return o;
}

// GIF LZW: minimum code size 8 (256 clears the table, 257 ends the data); clear when it is full.
QByteArray lzwEncode(const std::vector<uchar> &pixels)
{
    QByteArray out;
    quint32 buffer = 0;
    int bits = 0, codeSize = 9, next = 258;
    const auto putCode = [&](int code) {
        buffer |= quint32(code) << bits;
        for (bits += codeSize; bits >= 8; bits -= 8, buffer >>= 8)
            out.append(char(buffer & 0xFF));
    };
    std::unordered_map<quint32, int> table;
    putCode(256);
    int prefix = pixels.empty() ? 0 : pixels[0];
    for (size_t i = 1; i < pixels.size(); ++i) {
        const auto [entry, added] = table.try_emplace((quint32(prefix) << 8) | pixels[i], next);
        if (!added) {
            prefix = entry->second;
            continue;
        }
        putCode(prefix);
        if (++next > (1 << codeSize) && codeSize < 12)
            ++codeSize;
        if (next >= 4095) {
            putCode(256);
            table.clear();
            next = 258, codeSize = 9;
        }
        prefix = pixels[i];
    }
    putCode(prefix);
    putCode(257);
    if (bits > 0)
        out.append(char(buffer & 0xFF));
    QByteArray blocks(1, char(8));
    for (qsizetype i = 0; i < out.size(); i += 255)
        blocks.append(char(out.mid(i, 255).size())).append(out.mid(i, 255));
    return blocks.append('\0');
}

// The pattern of the 24-bit bitmap in another format.
QByteArray encoded(QSize size, const char *format, int quality = -1, bool progressive = false)
{
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            image.setPixel(x, y, paletteColor(patternIndex(x, y, 256)));
    QByteArray data;
    QBuffer buffer(&data); // opened by the writer
    QImageWriter writer(&buffer, format);
    writer.setQuality(quality);
    writer.setProgressiveScanWrite(progressive);
    writer.write(image);
    return data;
}

} // namespace

QRgb paletteColor(int i) { return qRgb(i & 0xFF, 255 - (i & 0xFF), (i * 37) & 0xFF); }
int patternIndex(int x, int y, int colours) { return (x + 3 * y) % colours; }

int rlePatternIndex(int x, int y, int colours)
{
    return x % 32 < 24 ? (x / 8 + y / 4) % colours : (x * 7 + y) % colours;
}

QByteArray bmp(QSize size, int bitCount, BmpLayout layout)
{
    const int w = size.width(), h = size.height();
    const bool bitfields = layout == BmpLayout::Bitfields565, core = layout == BmpLayout::Core12;
    const bool topDown = layout == BmpLayout::TopDown;
    bitCount = bitfields ? 16 : bitCount;
    const int headerSize = core ? 12 : layout == BmpLayout::V4 ? 108
                                     : layout == BmpLayout::V5 ? 124 : 40;
    const int colours = bitCount <= 8 ? 1 << bitCount : 0;
    const int stride = (w * bitCount + 31) / 32 * 4;
    const int offBits = 14 + headerSize + (bitfields ? 12 : 0) + colours * (core ? 3 : 4);
    Out o;
    o.u8({'B', 'M'}).u32({offBits + stride * h, 0, offBits, headerSize});
    if (core)
        o.u16({w, h, 1, bitCount});
    else
        o.u32({w, topDown ? -h : h}).u16({1, bitCount})
            .u32({bitfields ? 3 : 0, stride * h, 2835, 2835, 0, 0});
    if (headerSize > 40) // masks, then a colour space and gamma left empty
        o.u32({0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000}).zeros(headerSize - 56);
    if (bitfields)
        o.u32({0xF800, 0x07E0, 0x001F});
    palette(o, colours, core ? 3 : 4);
    for (int fileRow = 0; fileRow < h; ++fileRow) {
        const int y = topDown ? fileRow : h - 1 - fileRow;
        QByteArray row(stride, '\0');
        Out px;
        for (int x = 0; x < w; ++x) {
            const int index = patternIndex(x, y, colours ? colours : 256);
            const QRgb c = paletteColor(index);
            const int r = qRed(c) >> 3, g = qGreen(c), b = qBlue(c) >> 3;
            if (bitCount < 8) // the leftmost pixel in the high bits
                row[x * bitCount / 8] |= char(index << (8 - bitCount - x * bitCount % 8));
            else // 16 bits: 5-6-5 with bit fields, 5-5-5 without; 24 and 32: blue, green, red
                px.put(bitCount / 8, {bitCount == 8 ? index
                                      : bitCount > 16 ? c & 0xFFFFFF
                                      : bitfields     ? r << 11 | (g >> 2) << 5 | b
                                                      : r << 10 | (g >> 3) << 5 | b});
        }
        o.bytes(row.replace(0, px.b.size(), px.b));
    }
    return o.b;
}

QByteArray bmpRle(QSize size, bool rle4)
{
    const int w = size.width(), colours = rle4 ? 16 : 256;
    const auto pair = [rle4](int a, int b) { return rle4 ? (a << 4) | b : a; };
    Out bits;
    for (int y = size.height() - 1; y >= 0; --y) {
        const auto at = [&](int x) { return rlePatternIndex(x, y, colours); };
        for (int x = 0; x < w;) {
            int run = 1, end = x;
            while (x + run < w && run < 255 && at(x + run) == at(x))
                ++run;
            while (end < w && end - x < 255 && !(end + 1 < w && at(end) == at(end + 1)))
                ++end;
            if (run == 1 && end - x >= 3) { // a literal stretch, padded to a whole word
                bits.u8({0, end - x});
                for (int i = x; i < end; i += rle4 ? 2 : 1)
                    bits.u8({pair(at(i), i + 1 < end ? at(i + 1) : 0)});
                bits.zeros((rle4 ? (end - x + 1) / 2 : end - x) % 2);
                x = end;
            } else { // a run of one index (RLE4: of one pair of indices), perhaps of one pixel
                bits.u8({run, pair(at(x), run > 1 ? at(x) : 0)});
                x += run;
            }
        }
        bits.u8({0, 0}); // end of line
    }
    bits.u8({0, 1}); // end of bitmap
    // The uncompressed bitmap's headers and palette, telling the compression and the size.
    QByteArray data = bmp(size, rle4 ? 4 : 8).left(14 + 40 + colours * 4) + bits.b;
    for (auto [at, value] : {std::pair{2, data.size()}, {30, rle4 ? 2 : 1}, {34, bits.b.size()}})
        qToLittleEndian(quint32(value), data.data() + at);
    return data;
}

QByteArray bmpHeaderOnly(QSize claimed)
{
    return Out().u8({'B', 'M'}).u32({0, 0, 14 + 40 + 1024, 40, claimed.width(), claimed.height()})
        .u16({1, 8}).zeros(24).b;
}

QByteArray icon(QSize size, bool cursor, int imageOffset)
{
    const int w = size.width(), h = size.height();
    const int maskStride = (w + 31) / 32 * 4;
    // The 8-bit bitmap's palette and rows under a header of twice the height, then the mask.
    const QByteArray pixels = bmp(size, 8).mid(14 + 40);
    Out dib;
    dib.u32({40, w, 2 * h}).u16({1, 8}).u32({0, pixels.size() - 1024 + maskStride * h}).zeros(16);
    dib.bytes(pixels).zeros(qint64(maskStride) * h);
    // The mask's top row is stored last: its last pixel is transparent.
    dib.b[dib.b.size() - maskStride + (w - 1) / 8] = char(1 << (7 - (w - 1) % 8));
    return Out().u16({0, cursor ? 2 : 1, 1}).u8({w >= 256 ? 0 : w, h >= 256 ? 0 : h, 0, 0})
        .u16({cursor ? w / 2 : 1, cursor ? h / 2 : 8}).u32({dib.b.size(), 22 + imageOffset})
        .zeros(imageOffset).bytes(dib.b).b;
}

QByteArray iconWithPng(QSize size)
{
    const QByteArray image = png(size);
    return Out().u16({0, 1, 1}).u8({0, 0, 0, 0}).u16({1, 32}).u32({image.size(), 22})
        .bytes(image).b;
}

QByteArray gif(QSize size, bool interlaced)
{
    const int w = size.width(), h = size.height();
    std::vector<uchar> pixels;
    using Passes = std::vector<std::pair<int, int>>; // first row and step
    const Passes passes = interlaced ? Passes{{0, 8}, {4, 8}, {2, 4}, {1, 2}} : Passes{{0, 1}};
    for (const auto &[start, step] : passes)
        for (int y = start; y < h; y += step)
            for (int x = 0; x < w; ++x)
                pixels.push_back(uchar(patternIndex(x, y, 256)));
    Out o;
    palette(o.bytes("GIF89a").u16({w, h}).u8({0xF7, 0, 0}), 256, 3, true)
        .u8({0x21, 0xFE, 5}).bytes("logo!").u8({0}) // a comment extension, then the image
        .u8({0x2C}).u16({0, 0, w, h}).u8({interlaced ? 0x40 : 0});
    return o.bytes(lzwEncode(pixels)).u8({0x3B}).b;
}

QByteArray jpeg(QSize size, bool progressive, int extraMetadataBytes)
{
    Out segments; // APP15 segments of zeros right after the start-of-image marker
    for (int left = extraMetadataBytes, n; left > 0; left -= n) {
        n = qMin(left, 65533);
        segments.u8({0xFF, 0xEF, (n + 2) >> 8, n + 2}).zeros(n);
    }
    return encoded(size, "jpeg", 90, progressive).insert(2, segments.b);
}

QByteArray png(QSize size) { return encoded(size, "png"); }

QByteArray wmf(QSize extent, int inch, QRect rect, QColor fill)
{
    const int w = extent.width(), h = extent.height();
    if (rect.isNull())
        rect = QRect(w / 4, h / 4, w / 2, h / 2);
    const auto words = [](std::initializer_list<qint64> v) { return Out().u16(v).b; };
    // A bold Arial of the Traditional Chinese character set (136).
    const QByteArray font = Out().u16({-(h / 20 + 1), 0, 0, 0, 700}).zeros(3).u8({136}).zeros(4)
                                .bytes(QByteArray("Arial").leftJustified(32, '\0')).b;
    const QByteArray text("\xb0\xca\xb5\x65 Logo"); // two code page 950 characters, then ASCII
    Out textOut;
    textOut.u16({text.size()}).bytes(text).zeros(text.size() % 2).u16({h * 19 / 20, w / 10});
    const std::pair<int, QByteArray> calls[] = {
        // SETMAPMODE anisotropic, SETWINDOWORG, SETWINDOWEXT
        {0x0103, words({8})}, {0x020B, words({0, 0})}, {0x020C, words({h, w})},
        // CREATEBRUSHINDIRECT solid, SELECTOBJECT, CREATEPENINDIRECT null, SELECTOBJECT, RECTANGLE
        {0x02FC, words({0, colorRef(fill) & 0xFFFF, colorRef(fill) >> 16, 0})},
        {0x012D, words({0})}, {0x02FA, words({5, 0, 0, 0, 0})}, {0x012D, words({1})},
        {0x041B, words({rect.bottom() + 1, rect.right() + 1, rect.top(), rect.left()})},
        // DELETEOBJECT the pen, CREATEPENINDIRECT black, SELECTOBJECT, MOVETO, LINETO
        {0x01F0, words({1})}, {0x02FA, words({0, 1, 0, 0, 0})}, {0x012D, words({1})},
        {0x0214, words({h * 9 / 10, w / 10})}, {0x0213, words({h * 9 / 10, w * 9 / 10})},
        // SETBKMODE transparent, SETTEXTCOLOR red, CREATEFONTINDIRECT, SELECTOBJECT, TEXTOUT
        {0x0102, words({1})}, {0x0209, words({0x00FF, 0})}, {0x02FB, font},
        {0x012D, words({2})}, {0x0521, textOut.b}};
    Out records;
    qint64 maxRecord = 3; // the end-of-file record
    for (const auto &[function, params] : calls) {
        maxRecord = qMax<qint64>(maxRecord, 3 + params.size() / 2);
        records.u32({3 + params.size() / 2}).u16({function}).bytes(params);
    }
    // The placeable header, its checksum (the XOR of the ten words before it), the metafile
    // header (nine words; three objects), the records and the end-of-file record.
    return Out().u32({0x9AC6CDD7}).u16({0, 0, 0, w, h, inch}).u32({0})
        .u16({0xCDD7 ^ 0x9AC6 ^ w ^ h ^ inch}).u16({1, 9, 0x0300})
        .u32({9 + records.b.size() / 2 + 3}).u16({3}).u32({maxRecord}).u16({0})
        .bytes(records.b).u32({3}).u16({0}).b;
}

QByteArray wmfBadChecksum(QSize extent, int inch)
{
    QByteArray data = wmf(extent, inch);
    data[20] = char(data[20] ^ 0x34); // the checksum word: 0x1234 flipped
    data[21] = char(data[21] ^ 0x12);
    return data;
}

QByteArray emf(QSize frame, QRect rect, QColor fill, QColor triangleFill)
{
    // Reference device: 96 dots per inch, so logical units are pixels at 96 dpi.
    const int w = int(qRound(frame.width() * 96.0 / 2540));
    const int h = int(qRound(frame.height() * 96.0 / 2540));
    if (rect.isNull())
        rect = QRect(w / 4, h / 4, w / 2, h / 2);
    Out r;
    const auto record = [&r](quint32 type, std::initializer_list<qint64> params) {
        r.u32({type, qint64(8 + 4 * params.size())}).u32(params);
    };
    const int x0 = w * 3 / 4, y0 = h * 3 / 4;
    record(39, {1, 0, colorRef(fill), 0});             // CREATEBRUSHINDIRECT
    record(37, {1});                                   // SELECTOBJECT
    record(37, {0x80000008u});                         // NULL_PEN
    record(43, {rect.left(), rect.top(), rect.right() + 1, rect.bottom() + 1}); // RECTANGLE
    record(39, {2, 0, colorRef(triangleFill), 0});
    record(37, {2});
    // POLYGON16: bounds, count, then 16-bit points: a triangle in the bottom-right corner.
    r.u32({86, 8 + 16 + 4 + 3 * 4, x0, y0, w - 1, h - 1, 3});
    r.u16({x0, h - 1, w - 1, h - 1, w - 1, y0});
    record(40, {2});                                   // DELETEOBJECT
    // The header (ten records in all, three handles), the records, the end-of-file record.
    return Out().u32({1, 88, 0, 0, w - 1, h - 1, 0, 0, frame.width(), frame.height()})
        .u32({0x464D4520, 0x10000, 88 + r.b.size() + 20, 10}).u16({3, 0})
        .u32({0, 0, 0, 960, 960, 254, 254}).bytes(r.b).u32({14, 20, 0, 16, 20}).b;
}

QByteArray truncated(const QByteArray &data, qint64 keep)
{
    return data.left(qsizetype(keep < 0 ? qMax<qint64>(0, data.size() + keep) : keep));
}

} // namespace bg::test::pictures

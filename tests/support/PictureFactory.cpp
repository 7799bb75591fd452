#include "PictureFactory.h"

#include <QBuffer>
#include <QImage>
#include <QImageWriter>

#include <unordered_map>
#include <vector>

namespace bg::test::pictures {

namespace {

// Little-endian writer.
struct Out
{
    QByteArray b;
    void u8(int v) { b.append(char(v & 0xFF)); }
    void u16(int v)
    {
        u8(v);
        u8(v >> 8);
    }
    void u32(quint32 v)
    {
        u16(int(v & 0xFFFF));
        u16(int(v >> 16));
    }
    void i32(qint32 v) { u32(quint32(v)); }
    void bytes(const QByteArray &a) { b.append(a); }
    void zeros(qint64 n) { b.append(QByteArray(qsizetype(n), '\0')); }
    void put32(qint64 at, quint32 v)
    {
        for (int i = 0; i < 4; ++i)
            b[qsizetype(at + i)] = char((v >> (8 * i)) & 0xFF);
    }
};

quint32 colorRef(QColor c)
{
    return quint32(c.red()) | (quint32(c.green()) << 8) | (quint32(c.blue()) << 16);
}

int rowStride(int width, int bitCount)
{
    return ((width * bitCount + 31) / 32) * 4;
}

// RLE encoder for one row of indices; pixels fit in 8 or 4 bits.
void encodeRleRow(Out &o, const std::vector<int> &row, bool rle4)
{
    const int w = int(row.size());
    int x = 0;
    while (x < w) {
        int run = 1;
        while (x + run < w && run < 255 && row[size_t(x + run)] == row[size_t(x)])
            ++run;
        if (run >= 2) {
            o.u8(run);
            o.u8(rle4 ? (row[size_t(x)] << 4) | row[size_t(x)] : row[size_t(x)]);
            x += run;
            continue;
        }
        int end = x;
        while (end < w && end - x < 255 && !(end + 1 < w && row[size_t(end)] == row[size_t(end + 1)]))
            ++end;
        const int n = end - x;
        if (n >= 3) {
            o.u8(0);
            o.u8(n);
            QByteArray lit;
            if (rle4) {
                for (int i = 0; i < n; i += 2) {
                    const int hi = row[size_t(x + i)];
                    const int lo = i + 1 < n ? row[size_t(x + i + 1)] : 0;
                    lit.append(char((hi << 4) | lo));
                }
            } else {
                for (int i = 0; i < n; ++i)
                    lit.append(char(row[size_t(x + i)]));
            }
            if (lit.size() % 2)
                lit.append('\0');
            o.bytes(lit);
        } else {
            for (int i = 0; i < n; ++i) {
                o.u8(1);
                o.u8(rle4 ? (row[size_t(x + i)] << 4) : row[size_t(x + i)]);
            }
        }
        x = end;
    }
    o.u8(0);
    o.u8(0); // end of line
}

// GIF LZW: minimum code size 8, clear when the table is full.
QByteArray lzwEncode(const std::vector<uchar> &pixels)
{
    const int minCode = 8;
    const int clear = 1 << minCode;
    const int endOfData = clear + 1;
    QByteArray out;
    quint32 buffer = 0;
    int bits = 0;
    int codeSize = minCode + 1;
    const auto putCode = [&](int code) {
        buffer |= quint32(code) << bits;
        bits += codeSize;
        while (bits >= 8) {
            out.append(char(buffer & 0xFF));
            buffer >>= 8;
            bits -= 8;
        }
    };
    std::unordered_map<quint32, int> table;
    int next = clear + 2;
    putCode(clear);
    int prefix = pixels.empty() ? 0 : pixels[0];
    for (size_t i = 1; i < pixels.size(); ++i) {
        const int c = pixels[i];
        const quint32 key = (quint32(prefix) << 8) | quint32(c);
        const auto found = table.find(key);
        if (found != table.end()) {
            prefix = found->second;
            continue;
        }
        putCode(prefix);
        table.emplace(key, next++);
        if (next > (1 << codeSize) && codeSize < 12)
            ++codeSize;
        if (next >= 4095) {
            putCode(clear);
            table.clear();
            next = clear + 2;
            codeSize = minCode + 1;
        }
        prefix = c;
    }
    putCode(prefix);
    putCode(endOfData);
    if (bits > 0)
        out.append(char(buffer & 0xFF));

    QByteArray blocks;
    blocks.append(char(minCode));
    for (qsizetype i = 0; i < out.size(); i += 255) {
        const QByteArray part = out.mid(i, 255);
        blocks.append(char(part.size()));
        blocks.append(part);
    }
    blocks.append('\0');
    return blocks;
}

QImage patternImage(QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            image.setPixel(x, y, patternColor(x, y));
    return image;
}

// Records of a WMF: function and parameter words.
struct WmfRecords
{
    Out o;
    int maxRecord = 0;
    void add(int function, std::initializer_list<int> words)
    {
        const int size = 3 + int(words.size());
        o.u32(quint32(size));
        o.u16(function);
        for (int w : words)
            o.u16(w);
        maxRecord = qMax(maxRecord, size);
    }
    void addBytes(int function, const QByteArray &params)
    {
        const int size = 3 + int(params.size() / 2);
        o.u32(quint32(size));
        o.u16(function);
        o.bytes(params);
        maxRecord = qMax(maxRecord, size);
    }
};

QByteArray placeable(QSize extent, int inch, const WmfRecords &records, int objects,
                     bool badChecksum)
{
    Out o;
    o.u32(0x9AC6CDD7);
    o.u16(0);
    o.u16(0);
    o.u16(0);
    o.u16(extent.width());
    o.u16(extent.height());
    o.u16(inch);
    o.u32(0);
    quint16 sum = 0;
    for (int i = 0; i < 10; ++i)
        sum ^= quint16(uchar(o.b[2 * i]) | (uchar(o.b[2 * i + 1]) << 8));
    o.u16(badChecksum ? sum ^ 0x1234 : sum);
    const int words = 9 + int(records.o.b.size() / 2) + 3;
    o.u16(1);
    o.u16(9);
    o.u16(0x0300);
    o.u32(quint32(words));
    o.u16(objects);
    o.u32(quint32(records.maxRecord));
    o.u16(0);
    o.bytes(records.o.b);
    o.u32(3);
    o.u16(0); // end of file
    return o.b;
}

WmfRecords wmfDrawing(QSize extent, QRect rect, QColor fill)
{
    if (rect.isNull())
        rect = QRect(extent.width() / 4, extent.height() / 4, extent.width() / 2, extent.height() / 2);
    const quint32 c = colorRef(fill);
    WmfRecords r;
    r.add(0x0103, {8});                                     // SETMAPMODE anisotropic
    r.add(0x020B, {0, 0});                                  // SETWINDOWORG
    r.add(0x020C, {extent.height(), extent.width()});       // SETWINDOWEXT
    r.add(0x02FC, {0, int(c & 0xFFFF), int(c >> 16), 0});   // CREATEBRUSHINDIRECT solid
    r.add(0x012D, {0});                                     // SELECTOBJECT brush
    r.add(0x02FA, {5, 0, 0, 0, 0});                         // CREATEPENINDIRECT null
    r.add(0x012D, {1});                                     // SELECTOBJECT pen
    r.add(0x041B, {rect.bottom() + 1, rect.right() + 1, rect.top(), rect.left()}); // RECTANGLE
    r.add(0x01F0, {1});                                     // DELETEOBJECT pen
    r.add(0x02FA, {0, 1, 0, 0, 0});                         // CREATEPENINDIRECT black
    r.add(0x012D, {1});
    const int y = extent.height() * 9 / 10;
    r.add(0x0214, {y, extent.width() / 10});                // MOVETO
    r.add(0x0213, {y, extent.width() * 9 / 10});            // LINETO
    r.add(0x0102, {1});                                     // SETBKMODE transparent
    r.add(0x0209, {0x00FF, 0});                             // SETTEXTCOLOR
    Out font;
    font.u16(-(extent.height() / 20 + 1));
    font.u16(0);
    font.u16(0);
    font.u16(0);
    font.u16(700);
    font.zeros(3);
    font.u8(136); // Traditional Chinese character set
    font.zeros(4);
    QByteArray face("Arial");
    face.append(QByteArray(32 - face.size(), '\0'));
    font.bytes(face);
    r.addBytes(0x02FB, font.b);                             // CREATEFONTINDIRECT
    r.add(0x012D, {2});
    Out text;
    const QByteArray words("\xb0\xca\xb5\x65 Logo"); // two code page 950 characters, then ASCII
    text.u16(int(words.size()));
    text.bytes(words);
    if (words.size() % 2)
        text.u8(0);
    text.u16(extent.height() * 19 / 20);
    text.u16(extent.width() / 10);
    r.addBytes(0x0521, text.b);                             // TEXTOUT
    return r;
}

} // namespace

QRgb paletteColor(int i)
{
    return qRgb(i & 0xFF, 255 - (i & 0xFF), (i * 37) & 0xFF);
}

int patternIndex(int x, int y, int colours)
{
    return (x + 3 * y) % colours;
}

int rlePatternIndex(int x, int y, int colours)
{
    return x % 32 < 24 ? (x / 8 + y / 4) % colours : (x * 7 + y) % colours;
}

QByteArray bmp(QSize size, int bitCount, BmpLayout layout)
{
    const int w = size.width();
    const int h = size.height();
    const bool bitfields = layout == BmpLayout::Bitfields565;
    if (bitfields)
        bitCount = 16;
    const bool core = layout == BmpLayout::Core12;
    const int headerSize = core ? 12 : layout == BmpLayout::V4 ? 108 : layout == BmpLayout::V5 ? 124 : 40;
    const int colours = bitCount <= 8 ? 1 << bitCount : 0;
    const int entry = core ? 3 : 4;
    const int stride = rowStride(w, bitCount);
    const int offBits = 14 + headerSize + (bitfields ? 12 : 0) + colours * entry;

    Out o;
    o.u8('B');
    o.u8('M');
    o.u32(quint32(offBits + stride * h));
    o.u32(0);
    o.u32(quint32(offBits));
    o.u32(quint32(headerSize));
    if (core) {
        o.u16(w);
        o.u16(h);
        o.u16(1);
        o.u16(bitCount);
    } else {
        o.i32(w);
        o.i32(layout == BmpLayout::TopDown ? -h : h);
        o.u16(1);
        o.u16(bitCount);
        o.u32(bitfields ? 3 : 0);
        o.u32(quint32(stride * h));
        o.i32(2835);
        o.i32(2835);
        o.u32(0);
        o.u32(0);
        if (headerSize > 40) {
            o.u32(0x00FF0000);
            o.u32(0x0000FF00);
            o.u32(0x000000FF);
            o.u32(0xFF000000);
            o.zeros(headerSize - 56);
        }
        if (bitfields) {
            o.u32(0xF800);
            o.u32(0x07E0);
            o.u32(0x001F);
        }
    }
    for (int i = 0; i < colours; ++i) {
        const QRgb c = paletteColor(i);
        o.u8(qBlue(c));
        o.u8(qGreen(c));
        o.u8(qRed(c));
        if (!core)
            o.u8(0);
    }
    for (int fileRow = 0; fileRow < h; ++fileRow) {
        const int y = layout == BmpLayout::TopDown ? fileRow : h - 1 - fileRow;
        QByteArray row(stride, '\0');
        for (int x = 0; x < w; ++x) {
            const int index = patternIndex(x, y, colours ? colours : 256);
            const QRgb c = paletteColor(index);
            switch (bitCount) {
            case 1:
                row[x / 8] = char(row[x / 8] | (index << (7 - x % 8)));
                break;
            case 4:
                row[x / 2] = char(row[x / 2] | (x % 2 ? index : index << 4));
                break;
            case 8:
                row[x] = char(index);
                break;
            case 16: {
                const int v = bitfields
                                  ? ((qRed(c) >> 3) << 11) | ((qGreen(c) >> 2) << 5) | (qBlue(c) >> 3)
                                  : ((qRed(c) >> 3) << 10) | ((qGreen(c) >> 3) << 5) | (qBlue(c) >> 3);
                row[2 * x] = char(v & 0xFF);
                row[2 * x + 1] = char(v >> 8);
                break;
            }
            case 24:
                row[3 * x] = char(qBlue(c));
                row[3 * x + 1] = char(qGreen(c));
                row[3 * x + 2] = char(qRed(c));
                break;
            case 32:
                row[4 * x] = char(qBlue(c));
                row[4 * x + 1] = char(qGreen(c));
                row[4 * x + 2] = char(qRed(c));
                break;
            default:
                break;
            }
        }
        o.bytes(row);
    }
    return o.b;
}

QByteArray bmpRle(QSize size, bool rle4)
{
    const int w = size.width();
    const int h = size.height();
    const int colours = rle4 ? 16 : 256;
    Out bits;
    for (int fileRow = 0; fileRow < h; ++fileRow) {
        const int y = h - 1 - fileRow;
        std::vector<int> row(static_cast<size_t>(w));
        for (int x = 0; x < w; ++x)
            row[size_t(x)] = rlePatternIndex(x, y, colours);
        encodeRleRow(bits, row, rle4);
    }
    bits.u8(0);
    bits.u8(1); // end of bitmap

    const int offBits = 14 + 40 + colours * 4;
    Out o;
    o.u8('B');
    o.u8('M');
    o.u32(quint32(offBits + bits.b.size()));
    o.u32(0);
    o.u32(quint32(offBits));
    o.u32(40);
    o.i32(w);
    o.i32(h);
    o.u16(1);
    o.u16(rle4 ? 4 : 8);
    o.u32(rle4 ? 2 : 1);
    o.u32(quint32(bits.b.size()));
    o.i32(2835);
    o.i32(2835);
    o.u32(0);
    o.u32(0);
    for (int i = 0; i < colours; ++i) {
        const QRgb c = paletteColor(i);
        o.u8(qBlue(c));
        o.u8(qGreen(c));
        o.u8(qRed(c));
        o.u8(0);
    }
    o.bytes(bits.b);
    return o.b;
}

QByteArray bmpHeaderOnly(QSize claimed)
{
    Out o;
    o.u8('B');
    o.u8('M');
    o.u32(0);
    o.u32(0);
    o.u32(14 + 40 + 1024);
    o.u32(40);
    o.i32(claimed.width());
    o.i32(claimed.height());
    o.u16(1);
    o.u16(8);
    o.u32(0);
    o.u32(0);
    o.zeros(16);
    return o.b;
}

QByteArray icon(QSize size, bool cursor, int imageOffset)
{
    const int w = size.width();
    const int h = size.height();
    const int stride = rowStride(w, 8);
    const int maskStride = rowStride(w, 1);
    Out dib;
    dib.u32(40);
    dib.i32(w);
    dib.i32(2 * h);
    dib.u16(1);
    dib.u16(8);
    dib.u32(0);
    dib.u32(quint32((stride + maskStride) * h));
    dib.zeros(16);
    for (int i = 0; i < 256; ++i) {
        const QRgb c = paletteColor(i);
        dib.u8(qBlue(c));
        dib.u8(qGreen(c));
        dib.u8(qRed(c));
        dib.u8(0);
    }
    for (int fileRow = 0; fileRow < h; ++fileRow) {
        QByteArray row(stride, '\0');
        for (int x = 0; x < w; ++x)
            row[x] = char(patternIndex(x, h - 1 - fileRow, 256));
        dib.bytes(row);
    }
    for (int fileRow = 0; fileRow < h; ++fileRow) {
        QByteArray row(maskStride, '\0');
        if (fileRow == h - 1) // the top row: its last pixel is transparent
            row[(w - 1) / 8] = char(1 << (7 - (w - 1) % 8));
        dib.bytes(row);
    }

    Out o;
    o.u16(0);
    o.u16(cursor ? 2 : 1);
    o.u16(1);
    o.u8(w >= 256 ? 0 : w);
    o.u8(h >= 256 ? 0 : h);
    o.u8(0);
    o.u8(0);
    o.u16(cursor ? w / 2 : 1);
    o.u16(cursor ? h / 2 : 8);
    o.u32(quint32(dib.b.size()));
    o.u32(quint32(22 + imageOffset));
    o.zeros(imageOffset);
    o.bytes(dib.b);
    return o.b;
}

QByteArray iconWithPng(QSize size)
{
    const QByteArray image = png(size);
    Out o;
    o.u16(0);
    o.u16(1);
    o.u16(1);
    o.u8(0);
    o.u8(0);
    o.u8(0);
    o.u8(0);
    o.u16(1);
    o.u16(32);
    o.u32(quint32(image.size()));
    o.u32(22);
    o.bytes(image);
    return o.b;
}

QByteArray gif(QSize size, bool interlaced)
{
    const int w = size.width();
    const int h = size.height();
    std::vector<int> order;
    if (interlaced) {
        for (const auto &[start, step] : {std::pair{0, 8}, {4, 8}, {2, 4}, {1, 2}})
            for (int y = start; y < h; y += step)
                order.push_back(y);
    } else {
        for (int y = 0; y < h; ++y)
            order.push_back(y);
    }
    std::vector<uchar> pixels;
    pixels.reserve(size_t(w) * size_t(h));
    for (int y : order)
        for (int x = 0; x < w; ++x)
            pixels.push_back(uchar(patternIndex(x, y, 256)));

    Out o;
    o.bytes("GIF89a");
    o.u16(w);
    o.u16(h);
    o.u8(0xF7);
    o.u8(0);
    o.u8(0);
    for (int i = 0; i < 256; ++i) {
        const QRgb c = paletteColor(i);
        o.u8(qRed(c));
        o.u8(qGreen(c));
        o.u8(qBlue(c));
    }
    // A comment extension, then the image.
    o.u8(0x21);
    o.u8(0xFE);
    o.u8(5);
    o.bytes("logo!");
    o.u8(0);
    o.u8(0x2C);
    o.u16(0);
    o.u16(0);
    o.u16(w);
    o.u16(h);
    o.u8(interlaced ? 0x40 : 0);
    o.bytes(lzwEncode(pixels));
    o.u8(0x3B);
    return o.b;
}

QByteArray jpeg(QSize size, bool progressive, int extraMetadataBytes)
{
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(90);
    writer.setProgressiveScanWrite(progressive);
    writer.write(patternImage(size));
    if (extraMetadataBytes > 0) {
        // APP15 segments of zeros right after the start-of-image marker.
        QByteArray segments;
        for (int left = extraMetadataBytes; left > 0;) {
            const int n = qMin(left, 65533);
            segments.append("\xFF\xEF", 2);
            segments.append(char((n + 2) >> 8));
            segments.append(char((n + 2) & 0xFF));
            segments.append(QByteArray(n, '\0'));
            left -= n;
        }
        data.insert(2, segments);
    }
    return data;
}

QByteArray png(QSize size)
{
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    patternImage(size).save(&buffer, "png");
    return data;
}

QByteArray wmf(QSize extent, int inch, QRect rect, QColor fill)
{
    return placeable(extent, inch, wmfDrawing(extent, rect, fill), 3, false);
}

QByteArray wmfBadChecksum(QSize extent, int inch)
{
    return placeable(extent, inch, wmfDrawing(extent, QRect(), Qt::red), 3, true);
}

QByteArray emf(QSize frameHimetric, QRect rect, QColor fill, QColor triangleFill)
{
    // Reference device: 96 dots per inch, so logical units are pixels at 96 dpi.
    const int w = int(qRound(frameHimetric.width() * 96.0 / 2540));
    const int h = int(qRound(frameHimetric.height() * 96.0 / 2540));
    if (rect.isNull())
        rect = QRect(w / 4, h / 4, w / 2, h / 2);
    Out r;
    int count = 0;
    const auto record = [&](quint32 type, std::initializer_list<qint32> params) {
        r.u32(type);
        r.u32(quint32(8 + 4 * params.size()));
        for (qint32 p : params)
            r.i32(p);
        ++count;
    };
    record(39, {1, 0, qint32(colorRef(fill)), 0});  // CREATEBRUSHINDIRECT
    record(37, {1});                                 // SELECTOBJECT
    record(37, {qint32(0x80000008u)});               // NULL_PEN
    record(43, {rect.left(), rect.top(), rect.right() + 1, rect.bottom() + 1}); // RECTANGLE
    record(39, {2, 0, qint32(colorRef(triangleFill)), 0});
    record(37, {2});
    // POLYGON16: bounds, count, then 16-bit points: a triangle in the bottom-right corner.
    const int x0 = w * 3 / 4;
    const int y0 = h * 3 / 4;
    r.u32(86);
    r.u32(8 + 16 + 4 + 3 * 4);
    r.i32(x0);
    r.i32(y0);
    r.i32(w - 1);
    r.i32(h - 1);
    r.u32(3);
    r.u16(x0);
    r.u16(h - 1);
    r.u16(w - 1);
    r.u16(h - 1);
    r.u16(w - 1);
    r.u16(y0);
    ++count;
    record(40, {2}); // DELETEOBJECT

    Out o;
    const quint32 total = quint32(88 + r.b.size() + 20);
    o.u32(1);
    o.u32(88);
    o.i32(0);
    o.i32(0);
    o.i32(w - 1);
    o.i32(h - 1);
    o.i32(0);
    o.i32(0);
    o.i32(frameHimetric.width());
    o.i32(frameHimetric.height());
    o.u32(0x464D4520);
    o.u32(0x10000);
    o.u32(total);
    o.u32(quint32(count + 2));
    o.u16(3);
    o.u16(0);
    o.u32(0);
    o.u32(0);
    o.u32(0);
    o.i32(960);
    o.i32(960);
    o.i32(254);
    o.i32(254);
    o.bytes(r.b);
    o.u32(14);
    o.u32(20);
    o.u32(0);
    o.u32(16);
    o.u32(20);
    return o.b;
}

QByteArray truncated(const QByteArray &data, qint64 keep)
{
    if (keep < 0)
        keep = qMax<qint64>(0, data.size() + keep);
    return data.left(qsizetype(keep));
}

} // namespace bg::test::pictures

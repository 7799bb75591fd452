#include "PictureFactory.h"

#include <QBuffer>
#include <QImage>
#include <QImageWriter>

#include <unordered_map>
#include <vector>

namespace bg::test::pictures {

namespace {

// Little-endian writer; each call takes a list of fields of one width.
struct Out
{
    QByteArray b;
    Out &u8(std::initializer_list<int> v)
    {
        for (int x : v)
            b.append(char(x & 0xFF));
        return *this;
    }
    Out &u16(std::initializer_list<int> v)
    {
        for (int x : v)
            u8({x, x >> 8});
        return *this;
    }
    Out &u32(std::initializer_list<qint64> v)
    {
        for (qint64 x : v)
            u16({int(x & 0xFFFF), int((x >> 16) & 0xFFFF)});
        return *this;
    }
    Out &bytes(const QByteArray &a)
    {
        b.append(a);
        return *this;
    }
    Out &zeros(qint64 n) { return bytes(QByteArray(qsizetype(n), '\0')); }
};

quint32 colorRef(QColor c)
{
    return quint32(c.red()) | (quint32(c.green()) << 8) | (quint32(c.blue()) << 16);
}

int rowStride(int width, int bitCount)
{
    return ((width * bitCount + 31) / 32) * 4;
}

// Palette entries as blue-green-red (with a pad byte when `entry` is 4) or, for GIF, red-green-blue.
void palette(Out &o, int colours, int entry, bool rgb = false)
{
    for (int i = 0; i < colours; ++i) {
        const QRgb c = paletteColor(i);
        rgb ? o.u8({qRed(c), qGreen(c), qBlue(c)}) : o.u8({qBlue(c), qGreen(c), qRed(c)});
        if (entry == 4)
            o.u8({0});
    }
}

// The file header and the first 40 bytes of the info header of a bitmap.
void bmpHeaders(Out &o, int headerSize, int w, int h, int bitCount, int compression, int offBits,
                qint64 bitsSize)
{
    o.u8({'B', 'M'}).u32({offBits + bitsSize, 0, offBits, headerSize, w, h}).u16({1, bitCount});
    o.u32({compression, bitsSize, 2835, 2835, 0, 0});
}

// RLE encoder for one row of indices; pixels fit in 8 or 4 bits.
void encodeRleRow(Out &o, const std::vector<int> &row, bool rle4)
{
    const int w = int(row.size());
    const auto at = [&](int x) { return row[size_t(x)]; };
    for (int x = 0; x < w;) {
        int run = 1;
        while (x + run < w && run < 255 && at(x + run) == at(x))
            ++run;
        if (run >= 2) {
            o.u8({run, rle4 ? (at(x) << 4) | at(x) : at(x)});
            x += run;
            continue;
        }
        int end = x;
        while (end < w && end - x < 255 && !(end + 1 < w && at(end) == at(end + 1)))
            ++end;
        const int n = end - x;
        if (n >= 3) {
            o.u8({0, n});
            QByteArray lit;
            for (int i = 0; i < n; i += rle4 ? 2 : 1)
                lit.append(char(rle4 ? (at(x + i) << 4) | (i + 1 < n ? at(x + i + 1) : 0) : at(x + i)));
            if (lit.size() % 2)
                lit.append('\0');
            o.bytes(lit);
        } else {
            for (int i = 0; i < n; ++i)
                o.u8({1, rle4 ? at(x + i) << 4 : at(x + i)});
        }
        x = end;
    }
    o.u8({0, 0}); // end of line
}

// GIF LZW: minimum code size 8, clear when the table is full.
QByteArray lzwEncode(const std::vector<uchar> &pixels)
{
    const int minCode = 8;
    const int clear = 1 << minCode;
    QByteArray out;
    quint32 buffer = 0;
    int bits = 0;
    int codeSize = minCode + 1;
    const auto putCode = [&](int code) {
        buffer |= quint32(code) << bits;
        for (bits += codeSize; bits >= 8; bits -= 8, buffer >>= 8)
            out.append(char(buffer & 0xFF));
    };
    std::unordered_map<quint32, int> table;
    int next = clear + 2;
    putCode(clear);
    int prefix = pixels.empty() ? 0 : pixels[0];
    for (size_t i = 1; i < pixels.size(); ++i) {
        const int c = pixels[i];
        const quint32 key = (quint32(prefix) << 8) | quint32(c);
        if (const auto found = table.find(key); found != table.end()) {
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
    putCode(clear + 1); // end of data
    if (bits > 0)
        out.append(char(buffer & 0xFF));

    QByteArray blocks(1, char(minCode));
    for (qsizetype i = 0; i < out.size(); i += 255) {
        const QByteArray part = out.mid(i, 255);
        blocks.append(char(part.size())).append(part);
    }
    return blocks.append('\0');
}

QImage patternImage(QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            image.setPixel(x, y, paletteColor(patternIndex(x, y, 256)));
    return image;
}

QByteArray encoded(QSize size, const char *format, int quality = -1, bool progressive = false)
{
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setQuality(quality);
    writer.setProgressiveScanWrite(progressive);
    writer.write(patternImage(size));
    return data;
}

// Records of a WMF: function and parameter words.
struct WmfRecords
{
    Out o;
    int maxRecord = 0;
    void add(int function, std::initializer_list<int> words)
    {
        Out params;
        params.u16(words);
        addBytes(function, params.b);
    }
    void addBytes(int function, const QByteArray &params)
    {
        const int size = 3 + int(params.size() / 2);
        o.u32({size}).u16({function}).bytes(params);
        maxRecord = qMax(maxRecord, size);
    }
};

QByteArray placeable(QSize extent, int inch, QRect rect, QColor fill, bool badChecksum)
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
    Out font; // 136: the Traditional Chinese character set
    font.u16({-(extent.height() / 20 + 1), 0, 0, 0, 700}).zeros(3).u8({136}).zeros(4);
    r.addBytes(0x02FB, font.bytes(QByteArray("Arial").leftJustified(32, '\0')).b); // CREATEFONTINDIRECT
    r.add(0x012D, {2});
    const QByteArray words("\xb0\xca\xb5\x65 Logo"); // two code page 950 characters, then ASCII
    Out text;
    text.u16({int(words.size())}).bytes(words).zeros(words.size() % 2);
    text.u16({extent.height() * 19 / 20, extent.width() / 10});
    r.addBytes(0x0521, text.b);                             // TEXTOUT

    Out o;
    o.u32({0x9AC6CDD7}).u16({0, 0, 0, extent.width(), extent.height(), inch}).u32({0});
    quint16 sum = 0;
    for (int i = 0; i < 10; ++i)
        sum ^= quint16(uchar(o.b[2 * i]) | (uchar(o.b[2 * i + 1]) << 8));
    o.u16({badChecksum ? sum ^ 0x1234 : sum});
    o.u16({1, 9, 0x0300}).u32({9 + r.o.b.size() / 2 + 3}).u16({3}).u32({r.maxRecord}).u16({0});
    return o.bytes(r.o.b).u32({3}).u16({0}).b; // end of file
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
    const bool topDown = layout == BmpLayout::TopDown;
    if (bitfields)
        bitCount = 16;
    const bool core = layout == BmpLayout::Core12;
    const int headerSize = core ? 12 : layout == BmpLayout::V4 ? 108 : layout == BmpLayout::V5 ? 124 : 40;
    const int colours = bitCount <= 8 ? 1 << bitCount : 0;
    const int stride = rowStride(w, bitCount);
    const int offBits = 14 + headerSize + (bitfields ? 12 : 0) + colours * (core ? 3 : 4);

    Out o;
    if (core) {
        o.u8({'B', 'M'}).u32({offBits + stride * h, 0, offBits, 12}).u16({w, h, 1, bitCount});
    } else {
        bmpHeaders(o, headerSize, w, topDown ? -h : h, bitCount, bitfields ? 3 : 0, offBits, stride * h);
        if (headerSize > 40)
            o.u32({0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000}).zeros(headerSize - 56);
        if (bitfields)
            o.u32({0xF800, 0x07E0, 0x001F});
    }
    palette(o, colours, core ? 3 : 4);
    for (int fileRow = 0; fileRow < h; ++fileRow) {
        const int y = topDown ? fileRow : h - 1 - fileRow;
        QByteArray row(stride, '\0');
        Out px;
        for (int x = 0; x < w; ++x) {
            const int index = patternIndex(x, y, colours ? colours : 256);
            const QRgb c = paletteColor(index);
            const int r = qRed(c), g = qGreen(c), b = qBlue(c);
            if (bitCount < 8)
                row[x * bitCount / 8] = char(row[x * bitCount / 8] | (index << (8 - bitCount - x * bitCount % 8)));
            else if (bitCount == 8)
                px.u8({index});
            else if (bitCount == 16)
                px.u16({bitfields ? ((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3)
                                  : ((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3)});
            else
                px.u8({b, g, r}).zeros(bitCount == 32 ? 1 : 0);
        }
        o.bytes(row.replace(0, px.b.size(), px.b));
    }
    return o.b;
}

QByteArray bmpRle(QSize size, bool rle4)
{
    const int w = size.width();
    const int h = size.height();
    const int colours = rle4 ? 16 : 256;
    Out bits;
    std::vector<int> row(static_cast<size_t>(w));
    for (int y = h - 1; y >= 0; --y) {
        for (int x = 0; x < w; ++x)
            row[size_t(x)] = rlePatternIndex(x, y, colours);
        encodeRleRow(bits, row, rle4);
    }
    bits.u8({0, 1}); // end of bitmap
    Out o;
    bmpHeaders(o, 40, w, h, rle4 ? 4 : 8, rle4 ? 2 : 1, 14 + 40 + colours * 4, bits.b.size());
    palette(o, colours, 4);
    return o.bytes(bits.b).b;
}

QByteArray bmpHeaderOnly(QSize claimed)
{
    Out o;
    o.u8({'B', 'M'}).u32({0, 0, 14 + 40 + 1024, 40, claimed.width(), claimed.height()});
    return o.u16({1, 8}).u32({0, 0}).zeros(16).b;
}

QByteArray icon(QSize size, bool cursor, int imageOffset)
{
    const int w = size.width();
    const int h = size.height();
    const int maskStride = rowStride(w, 1);
    // The 8-bit bitmap's palette and rows under a header of twice the height, then the mask.
    const QByteArray pixels = bmp(size, 8).mid(14 + 40);
    Out dib;
    dib.u32({40, w, 2 * h}).u16({1, 8}).u32({0, pixels.size() - 1024 + maskStride * h}).zeros(16);
    dib.bytes(pixels).zeros(qint64(maskStride) * (h - 1));
    QByteArray top(maskStride, '\0'); // the top row, stored last: its last pixel is transparent
    top[(w - 1) / 8] = char(1 << (7 - (w - 1) % 8));
    dib.bytes(top);

    Out o;
    o.u16({0, cursor ? 2 : 1, 1}).u8({w >= 256 ? 0 : w, h >= 256 ? 0 : h, 0, 0});
    o.u16({cursor ? w / 2 : 1, cursor ? h / 2 : 8}).u32({dib.b.size(), 22 + imageOffset});
    return o.zeros(imageOffset).bytes(dib.b).b;
}

QByteArray iconWithPng(QSize size)
{
    const QByteArray image = png(size);
    Out o;
    o.u16({0, 1, 1}).u8({0, 0, 0, 0}).u16({1, 32}).u32({image.size(), 22});
    return o.bytes(image).b;
}

QByteArray gif(QSize size, bool interlaced)
{
    const int w = size.width();
    const int h = size.height();
    std::vector<uchar> pixels;
    pixels.reserve(size_t(w) * size_t(h));
    const auto addRows = [&](int start, int step) {
        for (int y = start; y < h; y += step)
            for (int x = 0; x < w; ++x)
                pixels.push_back(uchar(patternIndex(x, y, 256)));
    };
    if (interlaced)
        for (const auto &[start, step] : {std::pair{0, 8}, {4, 8}, {2, 4}, {1, 2}})
            addRows(start, step);
    else
        addRows(0, 1);

    Out o;
    o.bytes("GIF89a").u16({w, h}).u8({0xF7, 0, 0});
    palette(o, 256, 3, true);
    o.u8({0x21, 0xFE, 5}).bytes("logo!").u8({0}); // a comment extension, then the image
    o.u8({0x2C}).u16({0, 0, w, h}).u8({interlaced ? 0x40 : 0});
    return o.bytes(lzwEncode(pixels)).u8({0x3B}).b;
}

QByteArray jpeg(QSize size, bool progressive, int extraMetadataBytes)
{
    QByteArray data = encoded(size, "jpeg", 90, progressive);
    // APP15 segments of zeros right after the start-of-image marker.
    Out segments;
    for (int left = extraMetadataBytes; left > 0;) {
        const int n = qMin(left, 65533);
        segments.u8({0xFF, 0xEF, (n + 2) >> 8, n + 2}).zeros(n);
        left -= n;
    }
    return data.insert(2, segments.b);
}

QByteArray png(QSize size)
{
    return encoded(size, "png");
}

QByteArray wmf(QSize extent, int inch, QRect rect, QColor fill)
{
    return placeable(extent, inch, rect, fill, false);
}

QByteArray wmfBadChecksum(QSize extent, int inch)
{
    return placeable(extent, inch, QRect(), Qt::red, true);
}

QByteArray emf(QSize frameHimetric, QRect rect, QColor fill, QColor triangleFill)
{
    // Reference device: 96 dots per inch, so logical units are pixels at 96 dpi.
    const int w = int(qRound(frameHimetric.width() * 96.0 / 2540));
    const int h = int(qRound(frameHimetric.height() * 96.0 / 2540));
    if (rect.isNull())
        rect = QRect(w / 4, h / 4, w / 2, h / 2);
    Out r;
    int records = 2; // the header and the end-of-file record
    const auto record = [&](quint32 type, std::initializer_list<qint64> params) {
        r.u32({type, qint64(8 + 4 * params.size())}).u32(params);
        ++records;
    };
    record(39, {1, 0, colorRef(fill), 0});             // CREATEBRUSHINDIRECT
    record(37, {1});                                   // SELECTOBJECT
    record(37, {0x80000008u});                         // NULL_PEN
    record(43, {rect.left(), rect.top(), rect.right() + 1, rect.bottom() + 1}); // RECTANGLE
    record(39, {2, 0, colorRef(triangleFill), 0});
    record(37, {2});
    // POLYGON16: bounds, count, then 16-bit points: a triangle in the bottom-right corner.
    const int x0 = w * 3 / 4;
    const int y0 = h * 3 / 4;
    r.u32({86, 8 + 16 + 4 + 3 * 4, x0, y0, w - 1, h - 1, 3}).u16({x0, h - 1, w - 1, h - 1, w - 1, y0});
    ++records;
    record(40, {2});                                   // DELETEOBJECT

    Out o;
    o.u32({1, 88, 0, 0, w - 1, h - 1, 0, 0, frameHimetric.width(), frameHimetric.height()});
    o.u32({0x464D4520, 0x10000, 88 + r.b.size() + 20, records}).u16({3, 0});
    o.u32({0, 0, 0, 960, 960, 254, 254}).bytes(r.b);
    return o.u32({14, 20, 0, 16, 20}).b;
}

QByteArray truncated(const QByteArray &data, qint64 keep)
{
    if (keep < 0)
        keep = qMax<qint64>(0, data.size() + keep);
    return data.left(qsizetype(keep));
}

} // namespace bg::test::pictures

#pragma once

// Builds picture files as bytes for tests: every format the picture loader reads, with a known
// pixel pattern, plus damaged and misleading variants.

#include <QByteArray>
#include <QColor>
#include <QRect>
#include <QSize>

#include <initializer_list>

namespace bg::test::pictures {

// The colour of palette entry i in every indexed picture made here.
QRgb paletteColor(int i);
// The palette index of pixel (x, y), counted from the top-left, for a palette of `colours`.
int patternIndex(int x, int y, int colours);

enum class BmpLayout { Info40, Core12, V4, V5, TopDown, Bitfields565 };

// An uncompressed BMP. 8 bits at 320 x 400 with a 40-byte header is the 129,078-byte bitmap.
QByteArray bmp(QSize size, int bitCount = 8, BmpLayout layout = BmpLayout::Info40);
// RLE8 and RLE4 bitmaps of a banded pattern (runs and literal stretches both occur).
QByteArray bmpRle(QSize size, bool rle4 = false);
// The index of pixel (x, y) in the RLE pictures.
int rlePatternIndex(int x, int y, int colours);
// Only the 54-byte headers of an 8-bit BMP claiming the given size (no palette, no pixels).
QByteArray bmpHeaderOnly(QSize claimed);

// An icon (or cursor) with one 8-bit image; the top-right pixel is transparent through the AND
// mask. imageOffset moves the image further into the file (0: right after the directory).
QByteArray icon(QSize size, bool cursor = false, int imageOffset = 0);
// An icon whose first image is stored as PNG.
QByteArray iconWithPng(QSize size);

QByteArray gif(QSize size, bool interlaced = false);
QByteArray jpeg(QSize size, bool progressive = false, int extraMetadataBytes = 0);
QByteArray png(QSize size);

// A placeable WMF whose bounding box is (0, 0, extent) in units of `inch` per inch, painting
// fill into rect (logical units) and drawing a line and a text.
QByteArray wmf(QSize extent, int inch, QRect rect = QRect(), QColor fill = Qt::red);
// A placeable WMF with a wrong checksum.
QByteArray wmfBadChecksum(QSize extent, int inch);
// An EMF whose frame is frameHimetric (hundredths of a millimetre) on a 96-dpi reference
// device, painting fill into rect and a POLYGON16 triangle in triangleFill.
QByteArray emf(QSize frameHimetric, QRect rect = QRect(), QColor fill = Qt::blue,
               QColor triangleFill = Qt::green);

// The first `keep` bytes; keep < 0 drops that many from the end.
QByteArray truncated(const QByteArray &data, qint64 keep);

} // namespace bg::test::pictures

#pragma once

// Picture files as bytes for tests: every format the picture loader reads, with a known pattern.

#include <QByteArray>
#include <QColor>
#include <QRect>
#include <QSize>

namespace bg::test::pictures {

// The colour of palette entry i, and the palette index of pixel (x, y) counted from the top-left
// for a palette of `colours`, in every picture made here (rlePatternIndex: in the RLE bitmaps).
QRgb paletteColor(int i);
int patternIndex(int x, int y, int colours);
int rlePatternIndex(int x, int y, int colours);

enum class BmpLayout { Info40, Core12, V4, V5, TopDown, Bitfields565 };
// An uncompressed BMP. 8 bits at 320 x 400 with a 40-byte header is the 129,078-byte bitmap.
QByteArray bmp(QSize size, int bitCount = 8, BmpLayout layout = BmpLayout::Info40);
// RLE8 and RLE4 bitmaps of a banded pattern (runs and literal stretches both occur).
QByteArray bmpRle(QSize size, bool rle4 = false);
// Only the 54-byte headers of an 8-bit BMP claiming the given size (no palette, no pixels).
QByteArray bmpHeaderOnly(QSize claimed);

// An icon (or cursor) with one 8-bit image; the top-right pixel is transparent through the AND
// mask. imageOffset moves the image further into the file (0: right after the directory).
QByteArray icon(QSize size, bool cursor = false, int imageOffset = 0);
QByteArray iconWithPng(QSize size); // an icon whose image is stored as PNG

QByteArray gif(QSize size, bool interlaced = false);
QByteArray jpeg(QSize size, bool progressive = false, int extraMetadataBytes = 0);
QByteArray png(QSize size);

// A placeable WMF whose bounding box is (0, 0, extent) in units of `inch` per inch, painting
// fill into rect (logical units; null: the middle quarter) and drawing a line and a text.
QByteArray wmf(QSize extent, int inch, QRect rect = QRect(), QColor fill = Qt::red);
QByteArray wmfBadChecksum(QSize extent, int inch); // the same with a wrong checksum
// An EMF whose frame is frameHimetric (hundredths of a millimetre) on a 96-dpi reference
// device, painting fill into rect and a POLYGON16 triangle in triangleFill.
QByteArray emf(QSize frameHimetric, QRect rect = QRect(), QColor fill = Qt::blue,
               QColor triangleFill = Qt::green);

// The first `keep` bytes; keep < 0 drops that many from the end.
QByteArray truncated(const QByteArray &data, qint64 keep);

} // namespace bg::test::pictures

#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

namespace bg {

enum class PictureFormat { Unknown, Bmp, Icon, Cursor, Gif, Jpeg, Wmf, Emf };

// What the first bytes of a file say about it.
struct PictureHeader
{
    PictureFormat format = PictureFormat::Unknown;
    QSize size;          // pixels; metafiles converted at the loader's resolution
    bool valid() const { return format != PictureFormat::Unknown && !size.isEmpty(); }
};

// The picture loader (LoadPicture): recognises BMP (RLE included), ICO/CUR, GIF, JPEG and
// placeable WMF and EMF by their content, never by their name. A picture loads only when it
// decodes completely; truncated or damaged files do not. Header dimensions above 32767 are
// rejected before anything is allocated for them.
//
// Safe to call from any thread, from several at once: the resolution is fixed at construction,
// decoding keeps no caches, and pictures are made as QImage (metafiles are played with a QPainter
// on a QImage, which Qt supports off the GUI thread). Turning the result into a QPixmap is the
// GUI thread's job.
class PictureLoader
{
public:
    // Metafile frames are converted to pixels at this resolution (dots per inch).
    explicit PictureLoader(double dpiX = 96.0, double dpiY = 96.0);

    // Bytes needed from the start of a file for probe() to decide.
    static constexpr int HeaderBytes = 4096;

    // Reads the header only. head holds the first bytes of the file (up to HeaderBytes or the
    // whole file when shorter); fileSize is the file's full length.
    PictureHeader probe(const QByteArray &head, qint64 fileSize) const;
    // The same for the file at hostPath, reading its header only.
    PictureHeader probeFile(const QString &hostPath) const;

    // True when the file at hostPath decodes completely into a picture of exactly the given
    // size. Reads the header first and decodes only when the header already says that size.
    bool hasExactSize(const QString &hostPath, QSize wanted) const;

    // Same test on bytes already in memory.
    bool hasExactSize(const QByteArray &data, QSize wanted) const;

    // The size of a complete picture, decoding it fully whatever its header says; an empty size
    // when it does not load.
    QSize measureFully(const QByteArray &data) const;

    // Loads a picture for display; a null image when it does not load completely.
    QImage load(const QString &hostPath) const;
    QImage load(const QByteArray &data) const;

private:
    double m_dpiX;
    double m_dpiY;
};

} // namespace bg

#pragma once

// Plays metafile records onto an image: a small GDI device context (objects, mapping, current
// position, clipping, paths) drawn with QPainter. It covers the drawing records pictures use;
// records it does not know are skipped, as a metafile player must.

#include "platform/PictureFormats.h"

#include <QColor>
#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QTransform>

#include <functional>
#include <vector>

namespace bg::picture {

// Walks the records of a placeable WMF (after its headers) up to the end-of-file record, handing
// each other record, size field included, to record. False when the file ends first or a record
// is damaged.
bool walkWmf(Bytes file, const std::function<void(quint16 function, Bytes record)> &record);
// The same for an EMF, header record included.
bool walkEmf(Bytes file, const std::function<void(quint32 type, Bytes record)> &record);

// Plays a placeable WMF whose bounding box (logical units) is frame onto target.
void playWmf(Bytes file, const QRectF &frame, QImage &target);
// Plays an EMF onto target, its frame filling the image.
void playEmf(Bytes file, QImage &target);

// Text in the ANSI code page a font's character set selects (code page 950 by default).
QString decodeAnsi(const QByteArray &bytes, int charset);

// A DIB held inside a record: header and colour table, then the bits. topDown tells where a
// source rectangle's y counts from for the DIB functions (the bottom row when false).
QImage imageFromDib(Bytes info, Bytes bits, bool *topDown = nullptr);
// A packed DIB: header, colour table and bits one after the other.
QImage imageFromPackedDib(Bytes dib, bool *topDown = nullptr);
// A rectangle of a DIB given as the DIB functions give it, in image rows from the top.
QRectF dibSourceRect(const QImage &image, bool topDown, qreal x, qreal y, qreal w, qreal h);

struct GdiPen
{
    int style = 0;  // PS_SOLID ... PS_INSIDEFRAME, with end cap and join bits for extended pens
    qreal width = 0; // logical units; 0 draws one device pixel
    QColor color = Qt::black;
    bool cosmetic = false;
};

struct GdiBrush
{
    int style = 0; // BS_SOLID, BS_NULL, BS_HATCHED, patterns
    QColor color = Qt::white;
    int hatch = 0;
    QImage pattern;
};

struct GdiFont
{
    int height = 0;
    int width = 0;
    int escapement = 0; // tenths of a degree, counter-clockwise
    int weight = 400;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    int charset = 1;
    QString face;
};

struct GdiObject
{
    enum Kind { Empty, Pen, Brush, Font, Other };
    Kind kind = Empty;
    GdiPen pen;
    GdiBrush brush;
    GdiFont font;
};

enum MapMode { MmText = 1, MmLoMetric, MmHiMetric, MmLoEnglish, MmHiEnglish, MmTwips, MmIsotropic, MmAnisotropic };

struct DcState
{
    GdiPen pen;
    GdiBrush brush;
    GdiFont font;
    QColor textColor = Qt::black;
    QColor bkColor = Qt::white;
    bool opaqueBackground = true;
    int textAlign = 0;
    Qt::FillRule fillRule = Qt::OddEvenFill;
    QPointF current;
    int mapMode = MmText;
    QPointF windowOrg;
    QSizeF windowExt = QSizeF(1, 1);
    QPointF viewportOrg;
    QSizeF viewportExt = QSizeF(1, 1);
    QTransform world;
    bool clipped = false;
    QPainterPath clip; // in image pixels
};

class GdiCanvas
{
public:
    // playback maps the reference device's pixels onto target; pixelsPerMm is the reference
    // device's resolution, for the metric mapping modes.
    GdiCanvas(QImage &target, const QTransform &playback, QSizeF pixelsPerMm);
    ~GdiCanvas();
    GdiCanvas(const GdiCanvas &) = delete;
    GdiCanvas &operator=(const GdiCanvas &) = delete;

    DcState &dc() { return m_dc; }
    QTransform toDevice() const;

    // Object table. WMF objects take the lowest free slot; EMF names its slot.
    void resetObjects(int count);
    int addObject(const GdiObject &object);
    void setObject(qint64 index, const GdiObject &object);
    void selectObject(qint64 index);
    void selectStockObject(int id);
    void deleteObject(qint64 index);

    void save();
    void restore(int which);

    void setWindowOrg(QPointF p) { m_dc.windowOrg = p; }
    void setWindowExt(QSizeF s);
    void setViewportOrg(QPointF p) { m_dc.viewportOrg = p; }
    void setViewportExt(QSizeF s);

    void moveTo(QPointF p);
    void lineTo(QPointF p);
    void polyline(const QPolygonF &points);
    void polylineTo(const QPolygonF &points);
    void polyBezier(const QPolygonF &points, bool fromCurrent);
    void polygons(const std::vector<QPolygonF> &polygons);
    void polylines(const std::vector<QPolygonF> &lines);
    void rectangle(const QRectF &box);
    void roundRect(const QRectF &box, QSizeF corner);
    void ellipse(const QRectF &box);
    enum ArcKind { Arc, Chord, Pie };
    void arc(const QRectF &box, QPointF start, QPointF end, ArcKind kind);
    void setPixel(QPointF p, const QColor &color);

    // ETO_OPAQUE 2, ETO_CLIPPED 4. dx: advances in logical units, one per character.
    void text(QPointF reference, const QString &text, int options, const QRectF &rect,
              const std::vector<qreal> &dx);

    void blit(const QRectF &dest, const QImage &source, QRectF sourceRect, quint32 rop);
    void patBlt(const QRectF &dest, quint32 rop);

    // Clips to a region given in the reference device's pixels (RGN_AND 1, RGN_OR 2,
    // RGN_XOR 3, RGN_DIFF 4, RGN_COPY 5).
    void selectClipRegion(const QPainterPath &region, int mode);
    void intersectClip(const QRectF &rect);
    void excludeClip(const QRectF &rect);
    void resetClip();

    void beginPath();
    void endPath();
    void abortPath();
    void closeFigure();
    void fillPath(bool fill, bool stroke);
    void selectClipPath();

    static QColor colorRef(quint32 v) { return QColor(v & 0xFF, (v >> 8) & 0xFF, (v >> 16) & 0xFF); }

private:
    void draw(const QPainterPath &path, bool fill, bool stroke);
    void applyClip();
    QPen qPen(const QTransform &device) const;
    QBrush qBrush(const QTransform &device) const;
    void setRasterOp(quint32 rop);

    QImage &m_target;
    QPainter m_painter;
    QTransform m_playback;
    QSizeF m_pixelsPerMm;
    DcState m_dc;
    std::vector<DcState> m_saved;
    std::vector<GdiObject> m_objects;
    bool m_inPath = false;
    QPainterPath m_path;      // the path being built or the last one closed, logical units
    QTransform m_pathDevice;  // the mapping in force when the path was built
};

} // namespace bg::picture

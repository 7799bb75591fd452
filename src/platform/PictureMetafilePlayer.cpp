#include "platform/PictureMetafilePlayer.h"

#include <QFontMetricsF>
#include <QStringDecoder>

#include <algorithm>
#include <cmath>

namespace bg::picture {

namespace {

// Nested SaveDC levels kept; a hostile file could otherwise pile up millions.
constexpr size_t MaxSavedStates = 256;
// Characters drawn from one text record.
constexpr int MaxTextLength = 4096;

enum PenStyle { PsSolid = 0, PsDash, PsDot, PsDashDot, PsDashDotDot, PsNull, PsInsideFrame };
enum BrushStyle { BsSolid = 0, BsNull = 1, BsHatched = 2 };

bool finite(const QTransform &t)
{
    return std::isfinite(t.m11()) && std::isfinite(t.m12()) && std::isfinite(t.m21())
           && std::isfinite(t.m22()) && std::isfinite(t.dx()) && std::isfinite(t.dy());
}

// How much a mapping scales lengths, on average over both axes.
qreal lengthScale(const QTransform &t)
{
    return std::sqrt(std::abs(t.m11() * t.m22() - t.m12() * t.m21()));
}

} // namespace

QString decodeAnsi(const QByteArray &bytes, int charset)
{
    const char *codec = "windows-950";
    switch (charset) {
    case 0: // ANSI_CHARSET
        codec = "windows-1252";
        break;
    case 2: // SYMBOL_CHARSET: symbol fonts map bytes one to one
        return QString::fromLatin1(bytes);
    case 128:
        codec = "Shift_JIS";
        break;
    case 129:
        codec = "windows-949";
        break;
    case 134:
        codec = "GBK";
        break;
    case 238:
        codec = "windows-1250";
        break;
    case 204:
        codec = "windows-1251";
        break;
    default: // DEFAULT_CHARSET, CHINESEBIG5_CHARSET and the rest: the system code page
        break;
    }
    QStringDecoder decoder(codec);
    if (!decoder.isValid())
        return QString::fromLatin1(bytes);
    return decoder.decode(bytes);
}

QImage imageFromDib(Bytes info, Bytes bits, bool *topDown)
{
    DibInfo dib;
    if (!parseDibHeader(info, dib) || dib.colorTableEnd() > info.size())
        return QImage();
    if (topDown)
        *topDown = dib.topDown;
    return dibToImage(dib, info, bits);
}

QImage imageFromPackedDib(Bytes dib, bool *topDown)
{
    DibInfo info;
    if (!parseDibHeader(dib, info) || info.colorTableEnd() > dib.size())
        return QImage();
    if (topDown)
        *topDown = info.topDown;
    return dibToImage(info, dib, dib.mid(info.colorTableEnd()));
}

QRectF dibSourceRect(const QImage &image, bool topDown, qreal x, qreal y, qreal w, qreal h)
{
    const QRectF r = QRectF(x, y, w, h).normalized();
    if (topDown)
        return r;
    return QRectF(r.x(), image.height() - r.y() - r.height(), r.width(), r.height());
}

GdiCanvas::GdiCanvas(QImage &target, const QTransform &playback, QSizeF pixelsPerMm)
    : m_target(target), m_painter(&target), m_playback(playback), m_pixelsPerMm(pixelsPerMm)
{
    m_painter.setRenderHint(QPainter::Antialiasing, false);
    resetObjects(0);
}

GdiCanvas::~GdiCanvas() = default;

QTransform GdiCanvas::toDevice() const
{
    const DcState &s = m_dc;
    qreal sx = 1;
    qreal sy = 1;
    switch (s.mapMode) {
    case MmLoMetric:
        sx = 0.1 * m_pixelsPerMm.width();
        sy = -0.1 * m_pixelsPerMm.height();
        break;
    case MmHiMetric:
        sx = 0.01 * m_pixelsPerMm.width();
        sy = -0.01 * m_pixelsPerMm.height();
        break;
    case MmLoEnglish:
        sx = 0.254 * m_pixelsPerMm.width();
        sy = -0.254 * m_pixelsPerMm.height();
        break;
    case MmHiEnglish:
        sx = 0.0254 * m_pixelsPerMm.width();
        sy = -0.0254 * m_pixelsPerMm.height();
        break;
    case MmTwips:
        sx = 25.4 / 1440 * m_pixelsPerMm.width();
        sy = -25.4 / 1440 * m_pixelsPerMm.height();
        break;
    case MmIsotropic:
    case MmAnisotropic:
        sx = s.viewportExt.width() / s.windowExt.width();
        sy = s.viewportExt.height() / s.windowExt.height();
        if (s.mapMode == MmIsotropic) {
            const qreal m = std::min(std::abs(sx), std::abs(sy));
            sx = std::copysign(m, sx);
            sy = std::copysign(m, sy);
        }
        break;
    default:
        break;
    }
    const QTransform page(sx, 0, 0, sy, s.viewportOrg.x() - s.windowOrg.x() * sx,
                          s.viewportOrg.y() - s.windowOrg.y() * sy);
    return s.world * page * m_playback;
}

void GdiCanvas::setWindowExt(QSizeF s)
{
    if (s.width() != 0 && s.height() != 0)
        m_dc.windowExt = s;
}

void GdiCanvas::setViewportExt(QSizeF s)
{
    if (s.width() != 0 && s.height() != 0)
        m_dc.viewportExt = s;
}

// --- objects --------------------------------------------------------------------------------

void GdiCanvas::resetObjects(int count)
{
    m_objects.assign(size_t(std::clamp(count, 0, 65536)), GdiObject());
}

int GdiCanvas::addObject(const GdiObject &object)
{
    for (size_t i = 0; i < m_objects.size(); ++i) {
        if (m_objects[i].kind == GdiObject::Empty) {
            m_objects[i] = object;
            return int(i);
        }
    }
    return -1;
}

void GdiCanvas::setObject(qint64 index, const GdiObject &object)
{
    if (index >= 0 && index < qint64(m_objects.size()))
        m_objects[size_t(index)] = object;
}

void GdiCanvas::selectObject(qint64 index)
{
    if (index < 0 || index >= qint64(m_objects.size()))
        return;
    const GdiObject &o = m_objects[size_t(index)];
    switch (o.kind) {
    case GdiObject::Pen:
        m_dc.pen = o.pen;
        break;
    case GdiObject::Brush:
        m_dc.brush = o.brush;
        break;
    case GdiObject::Font:
        m_dc.font = o.font;
        break;
    default:
        break;
    }
}

void GdiCanvas::selectStockObject(int id)
{
    static const int greys[] = {255, 192, 128, 64, 0};
    if (id >= 0 && id <= 4) {
        m_dc.brush = GdiBrush();
        m_dc.brush.color = QColor(greys[id], greys[id], greys[id]);
    } else if (id == 5) {
        m_dc.brush = GdiBrush();
        m_dc.brush.style = BsNull;
    } else if (id == 6 || id == 7) {
        m_dc.pen = GdiPen();
        m_dc.pen.color = id == 6 ? Qt::white : Qt::black;
    } else if (id == 8) {
        m_dc.pen = GdiPen();
        m_dc.pen.style = PsNull;
    } else if (id >= 10 && id <= 17 && id != 15) {
        m_dc.font = GdiFont();
        if (id == 10 || id == 11 || id == 16)
            m_dc.font.face = QStringLiteral("Courier New");
    }
}

void GdiCanvas::deleteObject(qint64 index)
{
    if (index >= 0 && index < qint64(m_objects.size()))
        m_objects[size_t(index)] = GdiObject();
}

// --- state ----------------------------------------------------------------------------------

void GdiCanvas::save()
{
    if (m_saved.size() < MaxSavedStates)
        m_saved.push_back(m_dc);
}

void GdiCanvas::restore(int which)
{
    // Negative: relative to the latest saved state; positive: the nth saved state.
    const qint64 count = qint64(m_saved.size());
    const qint64 index = which < 0 ? count + which : qint64(which) - 1;
    if (index < 0 || index >= count)
        return;
    m_dc = m_saved[size_t(index)];
    m_saved.resize(size_t(index));
}

void GdiCanvas::applyClip()
{
    if (m_dc.clipped)
        m_painter.setClipPath(m_dc.clip);
    else
        m_painter.setClipping(false);
}

void GdiCanvas::selectClipRegion(const QPainterPath &region, int mode)
{
    const QPainterPath p = m_playback.map(region);
    QPainterPath current = m_dc.clip;
    if (!m_dc.clipped) {
        current = QPainterPath();
        current.addRect(QRectF(m_target.rect()));
    }
    switch (mode) {
    case 1:
        m_dc.clip = current.intersected(p);
        break;
    case 2:
        m_dc.clip = m_dc.clipped ? current.united(p) : current;
        break;
    case 3:
        m_dc.clip = current.united(p).subtracted(current.intersected(p));
        break;
    case 4:
        m_dc.clip = current.subtracted(p);
        break;
    case 5:
        m_dc.clip = p;
        break;
    default:
        return;
    }
    m_dc.clipped = true;
}

void GdiCanvas::intersectClip(const QRectF &rect)
{
    QPainterPath p;
    p.addRect(rect.normalized());
    p = toDevice().map(p);
    m_dc.clip = m_dc.clipped ? m_dc.clip.intersected(p) : p;
    m_dc.clipped = true;
}

void GdiCanvas::excludeClip(const QRectF &rect)
{
    QPainterPath p;
    p.addRect(rect.normalized());
    p = toDevice().map(p);
    if (!m_dc.clipped) {
        m_dc.clip = QPainterPath();
        m_dc.clip.addRect(QRectF(m_target.rect()));
    }
    m_dc.clip = m_dc.clip.subtracted(p);
    m_dc.clipped = true;
}

void GdiCanvas::resetClip()
{
    m_dc.clipped = false;
    m_dc.clip = QPainterPath();
}

// --- pens and brushes -----------------------------------------------------------------------

QPen GdiCanvas::qPen(const QTransform &device) const
{
    const GdiPen &p = m_dc.pen;
    const int style = p.style & 0x0F;
    if (style == PsNull)
        return QPen(Qt::NoPen);
    QPen pen(p.color);
    qreal width = p.cosmetic ? 0 : p.width * lengthScale(device);
    // A pen wider than the picture paints nothing more.
    const qreal limit = 2.0 * (m_target.width() + m_target.height());
    if (!std::isfinite(width) || width < 1)
        width = 0;
    pen.setWidthF(std::min(width, limit));
    switch (style) {
    case PsDash:
        pen.setStyle(Qt::DashLine);
        break;
    case PsDot:
        pen.setStyle(Qt::DotLine);
        break;
    case PsDashDot:
        pen.setStyle(Qt::DashDotLine);
        break;
    case PsDashDotDot:
        pen.setStyle(Qt::DashDotDotLine);
        break;
    default:
        break;
    }
    switch (p.style & 0x0F00) {
    case 0x0100:
        pen.setCapStyle(Qt::SquareCap);
        break;
    case 0x0200:
        pen.setCapStyle(Qt::FlatCap);
        break;
    default:
        pen.setCapStyle(Qt::RoundCap);
        break;
    }
    switch (p.style & 0xF000) {
    case 0x1000:
        pen.setJoinStyle(Qt::BevelJoin);
        break;
    case 0x2000:
        pen.setJoinStyle(Qt::MiterJoin);
        break;
    default:
        pen.setJoinStyle(Qt::RoundJoin);
        break;
    }
    return pen;
}

QBrush GdiCanvas::qBrush(const QTransform &) const
{
    const GdiBrush &b = m_dc.brush;
    switch (b.style) {
    case BsSolid:
        return QBrush(b.color);
    case BsNull:
        return QBrush(Qt::NoBrush);
    case BsHatched: {
        static const Qt::BrushStyle hatches[] = {Qt::HorPattern, Qt::VerPattern, Qt::FDiagPattern,
                                                 Qt::BDiagPattern, Qt::CrossPattern,
                                                 Qt::DiagCrossPattern};
        return QBrush(b.color, b.hatch >= 0 && b.hatch < 6 ? hatches[b.hatch] : Qt::SolidPattern);
    }
    default:
        if (!b.pattern.isNull())
            return QBrush(b.pattern);
        return QBrush(b.color);
    }
}

void GdiCanvas::setRasterOp(quint32 rop)
{
    switch (rop) {
    case 0x008800C6: // SRCAND
        m_painter.setCompositionMode(QPainter::RasterOp_SourceAndDestination);
        break;
    case 0x00EE0086: // SRCPAINT
        m_painter.setCompositionMode(QPainter::RasterOp_SourceOrDestination);
        break;
    case 0x00660046: // SRCINVERT
    case 0x005A0049: // PATINVERT
        m_painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        break;
    case 0x00330008: // NOTSRCCOPY
        m_painter.setCompositionMode(QPainter::RasterOp_NotSource);
        break;
    default:
        m_painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        break;
    }
}

// --- drawing --------------------------------------------------------------------------------

void GdiCanvas::draw(const QPainterPath &path, bool fill, bool stroke)
{
    const QTransform device = toDevice();
    if (!finite(device))
        return;
    QPainterPath mapped = device.map(path);
    if (m_inPath) {
        m_path.addPath(mapped);
        return;
    }
    mapped.setFillRule(m_dc.fillRule);
    applyClip();
    m_painter.setBackgroundMode(m_dc.opaqueBackground ? Qt::OpaqueMode : Qt::TransparentMode);
    m_painter.setBackground(m_dc.bkColor);
    if (fill) {
        const QBrush brush = qBrush(device);
        if (brush.style() != Qt::NoBrush)
            m_painter.fillPath(mapped, brush);
    }
    if (stroke) {
        QPen pen = qPen(device);
        if (pen.style() == Qt::NoPen)
            return;
        // Dashes along a line far larger than the picture cost time for nothing visible.
        const QRectF bounds = mapped.controlPointRect();
        const qreal reach = 16.0 * (m_target.width() + m_target.height());
        if (pen.style() != Qt::SolidLine && (bounds.width() > reach || bounds.height() > reach))
            pen.setStyle(Qt::SolidLine);
        m_painter.strokePath(mapped, pen);
    }
}

void GdiCanvas::moveTo(QPointF p)
{
    m_dc.current = p;
    if (m_inPath) {
        const QTransform device = toDevice();
        m_path.moveTo(device.map(p));
    }
}

void GdiCanvas::lineTo(QPointF p)
{
    if (m_inPath) {
        const QTransform device = toDevice();
        if (m_path.elementCount() == 0)
            m_path.moveTo(device.map(m_dc.current));
        m_path.lineTo(device.map(p));
    } else {
        QPainterPath path(m_dc.current);
        path.lineTo(p);
        draw(path, false, true);
    }
    m_dc.current = p;
}

void GdiCanvas::polyline(const QPolygonF &points)
{
    if (points.size() < 2)
        return;
    QPainterPath path;
    path.addPolygon(points);
    draw(path, false, true);
}

void GdiCanvas::polylineTo(const QPolygonF &points)
{
    if (points.isEmpty())
        return;
    if (m_inPath) {
        const QTransform device = toDevice();
        if (m_path.elementCount() == 0)
            m_path.moveTo(device.map(m_dc.current));
        for (const QPointF &p : points)
            m_path.lineTo(device.map(p));
    } else {
        QPolygonF line;
        line.reserve(points.size() + 1);
        line << m_dc.current << points;
        polyline(line);
    }
    m_dc.current = points.last();
}

void GdiCanvas::polyBezier(const QPolygonF &points, bool fromCurrent)
{
    QPolygonF pts;
    if (fromCurrent)
        pts << m_dc.current;
    pts << points;
    if (pts.size() < 4)
        return;
    const QTransform device = toDevice();
    QPainterPath path;
    path.moveTo(pts[0]);
    qsizetype i = 1;
    for (; i + 2 < pts.size(); i += 3)
        path.cubicTo(pts[i], pts[i + 1], pts[i + 2]);
    if (fromCurrent)
        m_dc.current = pts[i - 1];
    if (m_inPath && fromCurrent) {
        if (m_path.elementCount() == 0)
            m_path.moveTo(device.map(pts[0]));
        m_path.connectPath(device.map(path));
        return;
    }
    draw(path, false, true);
}

void GdiCanvas::polygons(const std::vector<QPolygonF> &polygons)
{
    QPainterPath path;
    for (const QPolygonF &p : polygons) {
        if (p.size() < 2)
            continue;
        path.addPolygon(p);
        path.closeSubpath();
    }
    if (!path.isEmpty())
        draw(path, true, true);
}

void GdiCanvas::polylines(const std::vector<QPolygonF> &lines)
{
    QPainterPath path;
    for (const QPolygonF &p : lines) {
        if (p.size() >= 2)
            path.addPolygon(p);
    }
    if (!path.isEmpty())
        draw(path, false, true);
}

void GdiCanvas::rectangle(const QRectF &box)
{
    QPainterPath path;
    path.addRect(box.normalized());
    draw(path, true, true);
}

void GdiCanvas::roundRect(const QRectF &box, QSizeF corner)
{
    QPainterPath path;
    path.addRoundedRect(box.normalized(), std::abs(corner.width()) / 2,
                        std::abs(corner.height()) / 2);
    draw(path, true, true);
}

void GdiCanvas::ellipse(const QRectF &box)
{
    QPainterPath path;
    path.addEllipse(box.normalized());
    draw(path, true, true);
}

void GdiCanvas::arc(const QRectF &boxIn, QPointF start, QPointF end, ArcKind kind)
{
    const QRectF box = boxIn.normalized();
    if (box.isEmpty())
        return;
    const QPointF c = box.center();
    // Angles on the ellipse, counter-clockwise as GDI draws by default, with y pointing down.
    const qreal a0 = std::atan2(-(start.y() - c.y()) / box.height(), (start.x() - c.x()) / box.width());
    const qreal a1 = std::atan2(-(end.y() - c.y()) / box.height(), (end.x() - c.x()) / box.width());
    qreal sweep = (a1 - a0) * 180 / M_PI;
    if (sweep <= 0)
        sweep += 360;
    const qreal startDeg = a0 * 180 / M_PI;
    QPainterPath path;
    if (kind == Pie) {
        path.moveTo(c);
        path.arcTo(box, startDeg, sweep);
        path.closeSubpath();
    } else {
        path.arcMoveTo(box, startDeg);
        path.arcTo(box, startDeg, sweep);
        if (kind == Chord)
            path.closeSubpath();
    }
    draw(path, kind != Arc, true);
}

void GdiCanvas::setPixel(QPointF p, const QColor &color)
{
    if (m_inPath)
        return;
    const QTransform device = toDevice();
    if (!finite(device))
        return;
    const QPointF d = device.map(p);
    const int x = int(std::floor(d.x()));
    const int y = int(std::floor(d.y()));
    if (x < 0 || y < 0 || x >= m_target.width() || y >= m_target.height())
        return;
    if (m_dc.clipped && !m_dc.clip.contains(QPointF(x + 0.5, y + 0.5)))
        return;
    m_target.setPixelColor(x, y, color);
}

void GdiCanvas::text(QPointF reference, const QString &textIn, int options, const QRectF &rect,
                     const std::vector<qreal> &dx)
{
    if (m_inPath)
        return;
    const QTransform device = toDevice();
    if (!finite(device))
        return;
    const QString text = textIn.left(MaxTextLength);
    const bool updateCp = m_dc.textAlign & 1;
    const QPointF start = updateCp ? m_dc.current : reference;
    const QPointF origin = device.map(start);
    const qreal sx = std::hypot(device.m11(), device.m12());
    const qreal sy = std::hypot(device.m21(), device.m22());
    const qreal limit = 2.0 * std::max(m_target.width(), m_target.height()) + 16;

    const GdiFont &f = m_dc.font;
    QFont font(f.face.isEmpty() ? QStringLiteral("Sans Serif") : f.face);
    qreal pixels = f.height == 0 ? 12 : std::abs(f.height) * sy;
    if (!std::isfinite(pixels) || pixels < 1)
        pixels = 1;
    pixels = std::min(pixels, limit);
    font.setPixelSize(std::max(1, qRound(pixels)));
    if (f.height > 0) {
        // A positive height is the cell height, internal leading included.
        const qreal cell = QFontMetricsF(font).height();
        if (cell > 0)
            font.setPixelSize(std::max(1, qRound(pixels * pixels / cell)));
    }
    font.setWeight(QFont::Weight(std::clamp(f.weight == 0 ? 400 : f.weight, 100, 900)));
    font.setItalic(f.italic);
    font.setUnderline(f.underline);
    font.setStrikeOut(f.strikeOut);
    const QFontMetricsF metrics(font);

    // Positions of the characters along the baseline, in device pixels.
    std::vector<qreal> offsets(size_t(text.size()) + 1, 0);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const qreal advance = size_t(i) < dx.size() ? dx[size_t(i)] * sx
                                                    : metrics.horizontalAdvance(text.at(i));
        offsets[size_t(i) + 1] = offsets[size_t(i)] + (std::isfinite(advance) ? advance : 0);
    }
    const qreal width = offsets.back();

    qreal x = 0;
    switch (m_dc.textAlign & 6) {
    case 6: // TA_CENTER
        x = -width / 2;
        break;
    case 2: // TA_RIGHT
        x = -width;
        break;
    default:
        break;
    }
    qreal y = metrics.ascent(); // TA_TOP
    if ((m_dc.textAlign & 24) == 24)
        y = 0;
    else if (m_dc.textAlign & 8)
        y = -metrics.descent();

    m_painter.save();
    applyClip();
    m_painter.setBackgroundMode(Qt::TransparentMode); // the background box is painted below
    if ((options & 2) && !rect.normalized().isEmpty())
        m_painter.fillPath([&] {
            QPainterPath p;
            p.addRect(rect.normalized());
            return device.map(p);
        }(), m_dc.bkColor);
    if ((options & 4) && !rect.normalized().isEmpty()) {
        QPainterPath p;
        p.addRect(rect.normalized());
        m_painter.setClipPath(device.map(p), m_dc.clipped ? Qt::IntersectClip : Qt::ReplaceClip);
    }
    m_painter.translate(origin);
    m_painter.rotate(-f.escapement / 10.0);
    if (m_dc.opaqueBackground && !(options & 2))
        m_painter.fillRect(QRectF(x, y - metrics.ascent(), width, metrics.height()), m_dc.bkColor);
    m_painter.setFont(font);
    m_painter.setPen(m_dc.textColor);
    if (dx.empty()) {
        m_painter.drawText(QPointF(x, y), text);
    } else {
        for (qsizetype i = 0; i < text.size(); ++i)
            m_painter.drawText(QPointF(x + offsets[size_t(i)], y), QString(text.at(i)));
    }
    m_painter.restore();

    if (updateCp && sx > 0) {
        const QTransform inverse = device.inverted();
        m_dc.current = inverse.map(origin + QPointF(width, 0));
    }
}

void GdiCanvas::blit(const QRectF &dest, const QImage &source, QRectF sourceRect, quint32 rop)
{
    if (m_inPath || source.isNull())
        return;
    const QTransform device = toDevice();
    if (!finite(device))
        return;
    sourceRect = sourceRect.intersected(QRectF(source.rect()));
    if (sourceRect.isEmpty() || dest.width() == 0 || dest.height() == 0)
        return;
    // A negative extent mirrors the picture.
    QImage image = source;
    QRectF target = dest;
    if (dest.width() < 0 || dest.height() < 0) {
        image = source.copy(sourceRect.toAlignedRect())
                    .mirrored(dest.width() < 0, dest.height() < 0);
        sourceRect = QRectF(image.rect());
        target = dest.normalized();
    }
    applyClip();
    setRasterOp(rop);
    m_painter.save();
    m_painter.setTransform(device);
    m_painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    m_painter.drawImage(target, image, sourceRect);
    m_painter.restore();
    m_painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
}

void GdiCanvas::patBlt(const QRectF &dest, quint32 rop)
{
    if (m_inPath)
        return;
    const QTransform device = toDevice();
    if (!finite(device))
        return;
    QPainterPath p;
    p.addRect(dest.normalized());
    p = device.map(p);
    applyClip();
    switch (rop) {
    case 0x00000042: // BLACKNESS
        m_painter.fillPath(p, Qt::black);
        break;
    case 0x00FF0062: // WHITENESS
        m_painter.fillPath(p, Qt::white);
        break;
    case 0x00550009: // DSTINVERT
        m_painter.setCompositionMode(QPainter::RasterOp_NotDestination);
        m_painter.fillPath(p, Qt::black);
        break;
    case 0x00AA0029: // leaves the destination as it is
        break;
    default: {
        const QBrush brush = qBrush(device);
        if (brush.style() == Qt::NoBrush)
            break;
        setRasterOp(rop);
        m_painter.fillPath(p, brush);
        break;
    }
    }
    m_painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
}

// --- paths ----------------------------------------------------------------------------------

void GdiCanvas::beginPath()
{
    m_inPath = true;
    m_path = QPainterPath();
}

void GdiCanvas::endPath()
{
    m_inPath = false;
}

void GdiCanvas::abortPath()
{
    m_inPath = false;
    m_path = QPainterPath();
}

void GdiCanvas::closeFigure()
{
    if (m_inPath)
        m_path.closeSubpath();
}

void GdiCanvas::fillPath(bool fill, bool stroke)
{
    if (m_inPath)
        return;
    QPainterPath path = m_path;
    m_path = QPainterPath();
    if (path.isEmpty())
        return;
    path.setFillRule(m_dc.fillRule);
    // The path is already in image pixels; the mapping only scales the pen.
    const QTransform device = toDevice();
    applyClip();
    if (fill) {
        const QBrush brush = qBrush(device);
        if (brush.style() != Qt::NoBrush)
            m_painter.fillPath(path, brush);
    }
    if (stroke) {
        const QPen pen = qPen(device);
        if (pen.style() != Qt::NoPen)
            m_painter.strokePath(path, pen);
    }
}

void GdiCanvas::selectClipPath()
{
    if (m_inPath)
        return;
    QPainterPath path = m_path;
    m_path = QPainterPath();
    path.setFillRule(m_dc.fillRule);
    m_dc.clip = m_dc.clipped ? m_dc.clip.intersected(path) : path;
    m_dc.clipped = true;
}

} // namespace bg::picture

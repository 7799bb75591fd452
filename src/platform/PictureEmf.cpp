// Plays the records of an EMF. The frame, given in hundredths of a millimetre, is converted to
// the reference device's pixels with the header's device size and fills the image; the records'
// own world transform, mapping mode, window and viewport act within that.

#include "platform/PictureMetafilePlayer.h"

#include <bit>
#include <cmath>
#include <memory>

namespace bg::picture {

namespace {

enum EmfType : quint32 {
    Header = 1,
    PolyBezier = 2,
    Polygon = 3,
    Polyline = 4,
    PolyBezierTo = 5,
    PolylineTo = 6,
    PolyPolyline = 7,
    PolyPolygon = 8,
    SetWindowExtEx = 9,
    SetWindowOrgEx = 10,
    SetViewportExtEx = 11,
    SetViewportOrgEx = 12,
    SetMapMode = 17,
    SetBkMode = 18,
    SetPolyFillMode = 19,
    SetTextAlign = 22,
    SetTextColor = 24,
    SetBkColor = 25,
    MoveToEx = 27,
    ExcludeClipRect = 29,
    IntersectClipRect = 30,
    SaveDc = 33,
    RestoreDc = 34,
    SetWorldTransform = 35,
    ModifyWorldTransform = 36,
    SelectObject = 37,
    CreatePen = 38,
    CreateBrushIndirect = 39,
    DeleteObject = 40,
    Ellipse = 42,
    Rectangle = 43,
    RoundRect = 44,
    Arc = 45,
    Chord = 46,
    Pie = 47,
    CreatePalette = 49,
    LineTo = 54,
    BeginPath = 59,
    EndPath = 60,
    CloseFigure = 61,
    FillPath = 62,
    StrokeAndFillPath = 63,
    StrokePath = 64,
    SelectClipPath = 67,
    AbortPath = 68,
    ExtSelectClipRgn = 75,
    BitBlt = 76,
    StretchBlt = 77,
    SetDiBitsToDevice = 80,
    StretchDiBits = 81,
    ExtCreateFontIndirectW = 82,
    ExtTextOutA = 83,
    ExtTextOutW = 84,
    PolyBezier16 = 85,
    Polygon16 = 86,
    Polyline16 = 87,
    PolyBezierTo16 = 88,
    PolylineTo16 = 89,
    PolyPolyline16 = 90,
    PolyPolygon16 = 91,
    CreateMonoBrush = 93,
    CreateDibPatternBrushPt = 94,
    ExtCreatePen = 95,
};

class EmfPlayer
{
public:
    EmfPlayer(QImage &target, Bytes header);
    void play(quint32 type, Bytes r);

private:
    QRectF box(qint64 o) const
    {
        return QRectF(QPointF(m_r.i32(o), m_r.i32(o + 4)), QPointF(m_r.i32(o + 8), m_r.i32(o + 12)));
    }
    QPointF point(qint64 o) const { return QPointF(m_r.i32(o), m_r.i32(o + 4)); }
    // count points from offset, 32-bit or 16-bit pairs, fewer when the record ends first.
    QPolygonF points(qint64 offset, qint64 count, bool small) const;
    std::vector<QPolygonF> polyPoints(bool small) const;
    bool transform(qint64 o, QTransform &t) const;
    QImage recordDib(qint64 offInfo, qint64 sizeInfo, qint64 offBits, qint64 sizeBits,
                     bool *topDown = nullptr) const;
    void text(bool wide);

    std::unique_ptr<GdiCanvas> m_canvas;
    Bytes m_r;
};

QTransform playbackFor(const QImage &target, Bytes header, QSizeF &pixelsPerMm)
{
    const qint32 devX = header.i32(72);
    const qint32 devY = header.i32(76);
    const qint32 mmX = header.i32(80);
    const qint32 mmY = header.i32(84);
    pixelsPerMm = QSizeF(96 / 25.4, 96 / 25.4);
    if (devX > 0 && devY > 0 && mmX > 0 && mmY > 0)
        pixelsPerMm = QSizeF(qreal(devX) / mmX, qreal(devY) / mmY);
    // The frame in the reference device's pixels.
    const qreal left = header.i32(24) * pixelsPerMm.width() / 100;
    const qreal top = header.i32(28) * pixelsPerMm.height() / 100;
    const qreal width = (qreal(header.i32(32)) - header.i32(24)) * pixelsPerMm.width() / 100;
    const qreal height = (qreal(header.i32(36)) - header.i32(28)) * pixelsPerMm.height() / 100;
    if (width <= 0 || height <= 0)
        return QTransform();
    return QTransform::fromTranslate(-left, -top)
           * QTransform::fromScale(target.width() / width, target.height() / height);
}

EmfPlayer::EmfPlayer(QImage &target, Bytes header)
{
    QSizeF pixelsPerMm;
    const QTransform playback = playbackFor(target, header, pixelsPerMm);
    m_canvas = std::make_unique<GdiCanvas>(target, playback, pixelsPerMm);
    m_canvas->resetObjects(header.u16(56));
}

QPolygonF EmfPlayer::points(qint64 offset, qint64 count, bool small) const
{
    const int step = small ? 4 : 8;
    const qint64 available = (m_r.size() - offset) / step;
    count = qBound<qint64>(0, count, qMax<qint64>(available, 0));
    QPolygonF poly;
    poly.reserve(qsizetype(count));
    for (qint64 i = 0; i < count; ++i) {
        const qint64 o = offset + i * step;
        poly << (small ? QPointF(m_r.i16(o), m_r.i16(o + 2)) : QPointF(m_r.i32(o), m_r.i32(o + 4)));
    }
    return poly;
}

std::vector<QPolygonF> EmfPlayer::polyPoints(bool small) const
{
    const qint64 polys = m_r.u32(24);
    std::vector<QPolygonF> result;
    if (!m_r.has(32, polys * 4))
        return result;
    qint64 offset = 32 + polys * 4;
    const int step = small ? 4 : 8;
    for (qint64 i = 0; i < polys && m_r.has(offset, 0); ++i) {
        const qint64 n = m_r.u32(32 + 4 * i);
        result.push_back(points(offset, n, small));
        offset += n * step;
    }
    return result;
}

bool EmfPlayer::transform(qint64 o, QTransform &t) const
{
    float v[6];
    for (int i = 0; i < 6; ++i) {
        v[i] = std::bit_cast<float>(m_r.u32(o + 4 * i));
        if (!std::isfinite(v[i]))
            return false;
    }
    t = QTransform(v[0], v[1], v[2], v[3], v[4], v[5]);
    return m_r.has(o, 24);
}

QImage EmfPlayer::recordDib(qint64 offInfo, qint64 sizeInfo, qint64 offBits, qint64 sizeBits,
                            bool *topDown) const
{
    if (sizeInfo <= 0 || !m_r.has(offInfo, sizeInfo) || !m_r.has(offBits, sizeBits))
        return QImage();
    return imageFromDib(m_r.mid(offInfo, sizeInfo), m_r.mid(offBits, sizeBits), topDown);
}

void EmfPlayer::text(bool wide)
{
    const QPointF reference = point(36);
    const qint64 chars = m_r.u32(44);
    const qint64 offString = m_r.u32(48);
    const int options = int(m_r.u32(52));
    const QRectF rect = box(56);
    const qint64 offDx = m_r.u32(72);
    if (chars <= 0 || !m_r.has(offString, chars * (wide ? 2 : 1)))
        return;
    QString text;
    std::vector<qreal> dx;
    if (wide) {
        text.resize(qsizetype(chars));
        for (qint64 i = 0; i < chars; ++i)
            text[qsizetype(i)] = QChar(m_r.u16(offString + 2 * i));
        if (offDx > 0 && m_r.has(offDx, chars * 4)) {
            for (qint64 i = 0; i < chars; ++i)
                dx.push_back(m_r.i32(offDx + 4 * i));
        }
    } else {
        const Bytes bytes = m_r.mid(offString, chars);
        text = decodeAnsi(QByteArray(reinterpret_cast<const char *>(bytes.data()),
                                     qsizetype(bytes.size())),
                          m_canvas->dc().font.charset);
    }
    m_canvas->text(reference, text, options, rect, dx);
}

void EmfPlayer::play(quint32 type, Bytes r)
{
    m_r = r;
    GdiCanvas &c = *m_canvas;
    DcState &dc = c.dc();
    switch (type) {
    case PolyBezier:
    case PolyBezier16:
        c.polyBezier(points(28, r.u32(24), type == PolyBezier16), false);
        break;
    case PolyBezierTo:
    case PolyBezierTo16:
        c.polyBezier(points(28, r.u32(24), type == PolyBezierTo16), true);
        break;
    case Polygon:
    case Polygon16:
        c.polygons({points(28, r.u32(24), type == Polygon16)});
        break;
    case Polyline:
    case Polyline16:
        c.polyline(points(28, r.u32(24), type == Polyline16));
        break;
    case PolylineTo:
    case PolylineTo16:
        c.polylineTo(points(28, r.u32(24), type == PolylineTo16));
        break;
    case PolyPolyline:
    case PolyPolyline16:
        c.polylines(polyPoints(type == PolyPolyline16));
        break;
    case PolyPolygon:
    case PolyPolygon16:
        c.polygons(polyPoints(type == PolyPolygon16));
        break;
    case SetWindowExtEx:
        c.setWindowExt(QSizeF(r.i32(8), r.i32(12)));
        break;
    case SetWindowOrgEx:
        c.setWindowOrg(point(8));
        break;
    case SetViewportExtEx:
        c.setViewportExt(QSizeF(r.i32(8), r.i32(12)));
        break;
    case SetViewportOrgEx:
        c.setViewportOrg(point(8));
        break;
    case SetMapMode: {
        const quint32 mode = r.u32(8);
        if (mode >= MmText && mode <= MmAnisotropic)
            dc.mapMode = int(mode);
        break;
    }
    case SetBkMode:
        dc.opaqueBackground = r.u32(8) == 2;
        break;
    case SetPolyFillMode:
        dc.fillRule = r.u32(8) == 2 ? Qt::WindingFill : Qt::OddEvenFill;
        break;
    case SetTextAlign:
        dc.textAlign = int(r.u32(8));
        break;
    case SetTextColor:
        dc.textColor = GdiCanvas::colorRef(r.u32(8));
        break;
    case SetBkColor:
        dc.bkColor = GdiCanvas::colorRef(r.u32(8));
        break;
    case MoveToEx:
        c.moveTo(point(8));
        break;
    case LineTo:
        c.lineTo(point(8));
        break;
    case ExcludeClipRect:
        c.excludeClip(box(8));
        break;
    case IntersectClipRect:
        c.intersectClip(box(8));
        break;
    case SaveDc:
        c.save();
        break;
    case RestoreDc:
        c.restore(r.i32(8));
        break;
    case SetWorldTransform: {
        QTransform t;
        if (transform(8, t))
            dc.world = t;
        break;
    }
    case ModifyWorldTransform: {
        QTransform t;
        const quint32 mode = r.u32(32);
        if (mode == 1)
            dc.world = QTransform();
        else if (transform(8, t)) {
            if (mode == 2)
                dc.world = t * dc.world;
            else if (mode == 3)
                dc.world = dc.world * t;
            else if (mode == 4)
                dc.world = t;
        }
        break;
    }
    case SelectObject: {
        const quint32 index = r.u32(8);
        if (index & 0x80000000u)
            c.selectStockObject(int(index & 0x7FFFFFFFu));
        else
            c.selectObject(index);
        break;
    }
    case DeleteObject:
        c.deleteObject(r.u32(8));
        break;
    case CreatePen: {
        GdiObject o;
        o.kind = GdiObject::Pen;
        o.pen.style = int(r.u32(12) & 0xFFFF);
        o.pen.width = r.i32(16);
        o.pen.color = GdiCanvas::colorRef(r.u32(24));
        c.setObject(r.u32(8), o);
        break;
    }
    case ExtCreatePen: {
        GdiObject o;
        o.kind = GdiObject::Pen;
        const quint32 style = r.u32(28);
        o.pen.style = int(style & 0xFFFF);
        o.pen.cosmetic = (style & 0x000F0000u) == 0;
        o.pen.width = r.u32(32);
        if (r.u32(36) == 1) // a hollow brush draws nothing
            o.pen.style = 5;
        o.pen.color = GdiCanvas::colorRef(r.u32(40));
        c.setObject(r.u32(8), o);
        break;
    }
    case CreateBrushIndirect: {
        GdiObject o;
        o.kind = GdiObject::Brush;
        o.brush.style = int(r.u32(12));
        o.brush.color = GdiCanvas::colorRef(r.u32(16));
        o.brush.hatch = int(r.u32(20));
        c.setObject(r.u32(8), o);
        break;
    }
    case CreateMonoBrush:
    case CreateDibPatternBrushPt: {
        GdiObject o;
        o.kind = GdiObject::Brush;
        o.brush.style = 3;
        o.brush.color = Qt::gray;
        o.brush.pattern = recordDib(r.u32(16), r.u32(20), r.u32(24), r.u32(28));
        c.setObject(r.u32(8), o);
        break;
    }
    case CreatePalette: {
        GdiObject o;
        o.kind = GdiObject::Other;
        c.setObject(r.u32(8), o);
        break;
    }
    case ExtCreateFontIndirectW: {
        GdiObject o;
        o.kind = GdiObject::Font;
        o.font.height = r.i32(12);
        o.font.width = r.i32(16);
        o.font.escapement = r.i32(20);
        o.font.weight = r.i32(28);
        o.font.italic = r.u8(32);
        o.font.underline = r.u8(33);
        o.font.strikeOut = r.u8(34);
        o.font.charset = r.u8(35);
        QString face;
        for (int i = 0; i < 32 && r.has(40 + 2 * i, 2); ++i) {
            const quint16 ch = r.u16(40 + 2 * i);
            if (ch == 0)
                break;
            face += QChar(ch);
        }
        o.font.face = face;
        c.setObject(r.u32(8), o);
        break;
    }
    case Ellipse:
        c.ellipse(box(8));
        break;
    case Rectangle:
        c.rectangle(box(8));
        break;
    case RoundRect:
        c.roundRect(box(8), QSizeF(r.i32(24), r.i32(28)));
        break;
    case Arc:
    case Chord:
    case Pie:
        c.arc(box(8), point(24), point(32),
              type == Arc ? GdiCanvas::Arc : type == Pie ? GdiCanvas::Pie : GdiCanvas::Chord);
        break;
    case BeginPath:
        c.beginPath();
        break;
    case EndPath:
        c.endPath();
        break;
    case CloseFigure:
        c.closeFigure();
        break;
    case AbortPath:
        c.abortPath();
        break;
    case FillPath:
        c.fillPath(true, false);
        break;
    case StrokeAndFillPath:
        c.fillPath(true, true);
        break;
    case StrokePath:
        c.fillPath(false, true);
        break;
    case SelectClipPath:
        c.selectClipPath();
        break;
    case ExtSelectClipRgn: {
        const qint64 size = r.u32(8);
        const int mode = int(r.u32(12));
        if (size == 0) {
            if (mode == 5)
                c.resetClip();
            break;
        }
        // RGNDATA: a 32-byte header with the rectangle count, then the rectangles.
        const qint64 count = r.u32(16 + 8);
        if (!r.has(16, size) || size < 32 || !r.has(16 + 32, count * 16))
            break;
        QPainterPath region;
        for (qint64 i = 0; i < count; ++i)
            region.addRect(box(48 + 16 * i).normalized());
        c.selectClipRegion(region.simplified(), mode);
        break;
    }
    case BitBlt:
    case StretchBlt: {
        const QRectF dest(r.i32(24), r.i32(28), r.i32(32), r.i32(36));
        const quint32 rop = r.u32(40);
        if (r.u32(88) == 0) {
            c.patBlt(dest, rop);
            break;
        }
        const QImage image = recordDib(r.u32(84), r.u32(88), r.u32(92), r.u32(96));
        const QSizeF source = type == StretchBlt ? QSizeF(r.i32(100), r.i32(104)) : dest.size();
        c.blit(dest, image, QRectF(QPointF(r.i32(44), r.i32(48)), source), rop);
        break;
    }
    case StretchDiBits: {
        bool topDown = false;
        const QImage image = recordDib(r.u32(48), r.u32(52), r.u32(56), r.u32(60), &topDown);
        c.blit(QRectF(r.i32(24), r.i32(28), r.i32(72), r.i32(76)), image,
               dibSourceRect(image, topDown, r.i32(32), r.i32(36), r.i32(40), r.i32(44)),
               r.u32(68));
        break;
    }
    case SetDiBitsToDevice: {
        bool topDown = false;
        const QImage image = recordDib(r.u32(48), r.u32(52), r.u32(56), r.u32(60), &topDown);
        c.blit(QRectF(r.i32(24), r.i32(28), r.i32(40), r.i32(44)), image,
               dibSourceRect(image, topDown, r.i32(32), r.i32(36), r.i32(40), r.i32(44)),
               0x00CC0020);
        break;
    }
    case ExtTextOutA:
    case ExtTextOutW:
        text(type == ExtTextOutW);
        break;
    default:
        break;
    }
}

} // namespace

void playEmf(Bytes file, QImage &target)
{
    EmfPlayer player(target, file);
    walkEmf(file, [&](quint32 type, Bytes record) {
        if (type != Header)
            player.play(type, record);
    });
}

} // namespace bg::picture

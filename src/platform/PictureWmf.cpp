// Plays the records of a placeable WMF. The picture's bounding box is the initial window and the
// image is the viewport, as when a placeable metafile is drawn into a rectangle; the metafile's
// own window records then refine the window. Parameters are 16-bit words, most of them stored in
// reverse order.

#include "platform/PictureMetafilePlayer.h"

namespace bg::picture {

namespace {

enum WmfFunction : quint16 {
    SaveDc = 0x001E,
    CreatePalette = 0x00F7,
    SetBkMode = 0x0102,
    SetPolyFillMode = 0x0106,
    SelectClipRegion = 0x012C,
    SelectObject = 0x012D,
    SetTextAlign = 0x012E,
    RestoreDc = 0x0127,
    DibCreatePatternBrush = 0x0142,
    DeleteObject = 0x01F0,
    CreatePatternBrush = 0x01F9,
    SetBkColor = 0x0201,
    SetTextColor = 0x0209,
    SetWindowOrg = 0x020B,
    SetWindowExt = 0x020C,
    OffsetWindowOrg = 0x020F,
    LineTo = 0x0213,
    MoveTo = 0x0214,
    CreatePenIndirect = 0x02FA,
    CreateFontIndirect = 0x02FB,
    CreateBrushIndirect = 0x02FC,
    Polygon = 0x0324,
    Polyline = 0x0325,
    ScaleWindowExt = 0x0410,
    ExcludeClipRect = 0x0415,
    IntersectClipRect = 0x0416,
    Ellipse = 0x0418,
    Rectangle = 0x041B,
    SetPixel = 0x041F,
    TextOut = 0x0521,
    PolyPolygon = 0x0538,
    RoundRect = 0x061C,
    PatBlt = 0x061D,
    CreateRegion = 0x06FF,
    Arc = 0x0817,
    Pie = 0x081A,
    Chord = 0x0830,
    DibBitBlt = 0x0940,
    ExtTextOut = 0x0A32,
    DibStretchBlt = 0x0B41,
    StretchDib = 0x0F43,
};

class WmfPlayer
{
public:
    WmfPlayer(QImage &target, const QRectF &frame, int objects)
        : m_canvas(target, QTransform(), QSizeF(96 / 25.4, 96 / 25.4))
    {
        DcState &dc = m_canvas.dc();
        dc.mapMode = MmAnisotropic;
        dc.windowOrg = frame.topLeft();
        dc.windowExt = frame.size();
        dc.viewportExt = QSizeF(target.size());
        m_canvas.resetObjects(objects);
    }

    void play(quint16 function, Bytes r);

private:
    // The i-th parameter word.
    qint16 w(int i) const { return m_r.i16(6 + 2 * i); }
    quint16 uw(int i) const { return m_r.u16(6 + 2 * i); }
    // Count points stored as x, y pairs from byte offset on, fewer when the record ends first.
    QPolygonF points(qint64 offset, qint64 count) const;
    QRectF box(int first) const { return QRectF(QPointF(w(first + 3), w(first + 2)), QPointF(w(first + 1), w(first))); }
    void createObject(const GdiObject &object) { m_canvas.addObject(object); }
    void textOut(qint64 textOffset, int length, QPointF at, int options, const QRectF &rect,
                 qint64 dxOffset);

    GdiCanvas m_canvas;
    Bytes m_r;
};

QPolygonF WmfPlayer::points(qint64 offset, qint64 count) const
{
    const qint64 available = (m_r.size() - offset) / 4;
    count = qBound<qint64>(0, count, qMax<qint64>(available, 0));
    QPolygonF poly;
    poly.reserve(qsizetype(count));
    for (qint64 i = 0; i < count; ++i)
        poly << QPointF(m_r.i16(offset + 4 * i), m_r.i16(offset + 4 * i + 2));
    return poly;
}

void WmfPlayer::textOut(qint64 textOffset, int length, QPointF at, int options, const QRectF &rect,
                        qint64 dxOffset)
{
    const Bytes bytes = m_r.mid(textOffset, length);
    const QByteArray raw(reinterpret_cast<const char *>(bytes.data()), qsizetype(bytes.size()));
    // Advances are given per byte; a double-byte character takes the sum of its two.
    const int charset = m_canvas.dc().font.charset;
    const bool doubleByte = charset == 1 || charset == 128 || charset == 129 || charset == 134
                            || charset == 136;
    const QString text = decodeAnsi(raw, charset);
    std::vector<qreal> dx;
    if (dxOffset > 0 && m_r.has(dxOffset, 2 * qint64(length))) {
        qint64 byte = 0;
        for (qsizetype i = 0; i < text.size(); ++i) {
            const int units = doubleByte && text.at(i).unicode() >= 0x80 ? 2 : 1;
            qreal advance = 0;
            for (int k = 0; k < units && byte < length; ++k, ++byte)
                advance += m_r.i16(dxOffset + 2 * byte);
            dx.push_back(advance);
        }
    }
    m_canvas.text(at, text, options, rect, dx);
}

void WmfPlayer::play(quint16 function, Bytes r)
{
    m_r = r;
    DcState &dc = m_canvas.dc();
    switch (function) {
    case SaveDc:
        m_canvas.save();
        break;
    case RestoreDc:
        m_canvas.restore(w(0));
        break;
    case SetBkColor:
        dc.bkColor = GdiCanvas::colorRef(r.u32(6));
        break;
    case SetBkMode:
        dc.opaqueBackground = uw(0) == 2;
        break;
    case SetPolyFillMode:
        dc.fillRule = uw(0) == 2 ? Qt::WindingFill : Qt::OddEvenFill;
        break;
    case SetTextColor:
        dc.textColor = GdiCanvas::colorRef(r.u32(6));
        break;
    case SetTextAlign:
        dc.textAlign = uw(0);
        break;
    case SetWindowOrg:
        m_canvas.setWindowOrg(QPointF(w(1), w(0)));
        break;
    case SetWindowExt:
        m_canvas.setWindowExt(QSizeF(w(1), w(0)));
        break;
    case OffsetWindowOrg:
        m_canvas.setWindowOrg(dc.windowOrg + QPointF(w(1), w(0)));
        break;
    case ScaleWindowExt:
        if (w(0) != 0 && w(2) != 0)
            m_canvas.setWindowExt(QSizeF(dc.windowExt.width() * w(3) / w(2),
                                         dc.windowExt.height() * w(1) / w(0)));
        break;
    case MoveTo:
        m_canvas.moveTo(QPointF(w(1), w(0)));
        break;
    case LineTo:
        m_canvas.lineTo(QPointF(w(1), w(0)));
        break;
    case Rectangle:
        m_canvas.rectangle(box(0));
        break;
    case Ellipse:
        m_canvas.ellipse(box(0));
        break;
    case RoundRect:
        m_canvas.roundRect(box(2), QSizeF(w(1), w(0)));
        break;
    case Arc:
    case Pie:
    case Chord:
        m_canvas.arc(box(4), QPointF(w(3), w(2)), QPointF(w(1), w(0)),
                     function == Arc ? GdiCanvas::Arc
                                     : function == Pie ? GdiCanvas::Pie : GdiCanvas::Chord);
        break;
    case Polygon:
        m_canvas.polygons({points(8, uw(0))});
        break;
    case Polyline:
        m_canvas.polyline(points(8, uw(0)));
        break;
    case PolyPolygon: {
        const int count = uw(0);
        qint64 offset = 8 + 2 * qint64(count);
        std::vector<QPolygonF> polys;
        for (int i = 0; i < count && r.has(offset, 0); ++i) {
            const int n = uw(1 + i);
            polys.push_back(points(offset, n));
            offset += 4 * qint64(n);
        }
        m_canvas.polygons(polys);
        break;
    }
    case SetPixel:
        m_canvas.setPixel(QPointF(w(3), w(2)), GdiCanvas::colorRef(r.u32(6)));
        break;
    case TextOut: {
        const int length = uw(0);
        const qint64 after = 8 + ((qint64(length) + 1) & ~1);
        if (r.has(after, 4))
            textOut(8, length, QPointF(r.i16(after + 2), r.i16(after)), 0, QRectF(), 0);
        break;
    }
    case ExtTextOut: {
        const int length = uw(2);
        const int options = uw(3);
        qint64 offset = 14;
        QRectF rect;
        if (options & 6) {
            rect = QRectF(QPointF(r.i16(14), r.i16(16)), QPointF(r.i16(18), r.i16(20)));
            offset += 8;
        }
        const qint64 dx = offset + ((qint64(length) + 1) & ~1);
        textOut(offset, length, QPointF(w(1), w(0)), options, rect, dx);
        break;
    }
    case CreatePenIndirect: {
        GdiObject o;
        o.kind = GdiObject::Pen;
        o.pen.style = uw(0) & 0x0F;
        o.pen.width = w(1);
        o.pen.color = GdiCanvas::colorRef(r.u32(12));
        createObject(o);
        break;
    }
    case CreateBrushIndirect: {
        GdiObject o;
        o.kind = GdiObject::Brush;
        o.brush.style = uw(0);
        o.brush.color = GdiCanvas::colorRef(r.u32(8));
        o.brush.hatch = r.u16(12);
        createObject(o);
        break;
    }
    case DibCreatePatternBrush: {
        GdiObject o;
        o.kind = GdiObject::Brush;
        o.brush.style = 3;
        o.brush.color = Qt::gray;
        o.brush.pattern = imageFromPackedDib(r.mid(10));
        createObject(o);
        break;
    }
    case CreatePatternBrush: {
        GdiObject o;
        o.kind = GdiObject::Brush;
        o.brush.color = Qt::gray;
        createObject(o);
        break;
    }
    case CreateFontIndirect: {
        GdiObject o;
        o.kind = GdiObject::Font;
        o.font.height = w(0);
        o.font.width = w(1);
        o.font.escapement = w(2);
        o.font.weight = w(4);
        o.font.italic = r.u8(16);
        o.font.underline = r.u8(17);
        o.font.strikeOut = r.u8(18);
        o.font.charset = r.u8(19);
        const Bytes face = r.mid(24, 32);
        QByteArray name(reinterpret_cast<const char *>(face.data()), qsizetype(face.size()));
        const qsizetype nul = name.indexOf('\0');
        if (nul >= 0)
            name.truncate(nul);
        o.font.face = decodeAnsi(name, o.font.charset);
        createObject(o);
        break;
    }
    case CreatePalette:
    case CreateRegion: {
        GdiObject o;
        o.kind = GdiObject::Other;
        createObject(o);
        break;
    }
    case SelectObject:
        m_canvas.selectObject(uw(0));
        break;
    case DeleteObject:
        m_canvas.deleteObject(uw(0));
        break;
    case SelectClipRegion:
        m_canvas.resetClip();
        break;
    case IntersectClipRect:
        m_canvas.intersectClip(box(0));
        break;
    case ExcludeClipRect:
        m_canvas.excludeClip(box(0));
        break;
    case PatBlt:
        m_canvas.patBlt(QRectF(w(5), w(4), w(3), w(2)), r.u32(6));
        break;
    case DibBitBlt:
        if (r.size() == 2 * (9 + 3)) {
            m_canvas.patBlt(QRectF(w(8), w(7), w(6), w(5)), r.u32(6));
        } else {
            const QImage image = imageFromPackedDib(r.mid(22));
            m_canvas.blit(QRectF(w(7), w(6), w(5), w(4)), image, QRectF(w(3), w(2), w(5), w(4)),
                          r.u32(6));
        }
        break;
    case DibStretchBlt:
        if (r.size() == 2 * (11 + 3)) {
            m_canvas.patBlt(QRectF(w(10), w(9), w(8), w(7)), r.u32(6));
        } else {
            const QImage image = imageFromPackedDib(r.mid(26));
            m_canvas.blit(QRectF(w(9), w(8), w(7), w(6)), image, QRectF(w(5), w(4), w(3), w(2)),
                          r.u32(6));
        }
        break;
    case StretchDib: {
        bool topDown = false;
        const QImage image = imageFromPackedDib(r.mid(28), &topDown);
        m_canvas.blit(QRectF(w(10), w(9), w(8), w(7)), image,
                      dibSourceRect(image, topDown, w(6), w(5), w(4), w(3)), r.u32(6));
        break;
    }
    default:
        break; // mapping-mode and viewport records would undo the frame; the rest draws nothing
    }
}

} // namespace

void playWmf(Bytes file, const QRectF &frame, QImage &target)
{
    // The object table's size is in the metafile header after the placeable header.
    WmfPlayer player(target, frame, file.u16(22 + 10));
    walkWmf(file, [&](quint16 function, Bytes record) { player.play(function, record); });
}

} // namespace bg::picture

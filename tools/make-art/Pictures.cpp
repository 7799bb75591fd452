#include "Pictures.h"

#include "Palette.h"

#include <QFont>
#include <QFontInfo>
#include <QFontMetrics>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPainterPathStroker>
#include <QRadialGradient>

#include <cmath>
#include <map>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace art {

namespace {

constexpr QRgb Clear = 0u;

// Builds a picture from rows of letters, one letter a pixel; rows shorter than the width are
// padded with '.', which is always see-through.
QImage fromRows(int width, int height, const std::vector<std::string_view> &rows,
                const std::map<char, QRgb> &colours)
{
    if (static_cast<int>(rows.size()) > height)
        throw std::runtime_error("pixel art taller than its picture");
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(Clear);
    for (size_t y = 0; y < rows.size(); ++y) {
        const std::string_view row = rows[y];
        if (static_cast<int>(row.size()) > width)
            throw std::runtime_error("pixel art wider than its picture: " + std::string(row));
        for (size_t x = 0; x < row.size(); ++x) {
            if (row[x] == '.')
                continue;
            const auto it = colours.find(row[x]);
            if (it == colours.end())
                throw std::runtime_error(std::string("pixel art letter without colour: ") + row[x]);
            image.setPixel(static_cast<int>(x), static_cast<int>(y), it->second);
        }
    }
    return image;
}

QImage transparentCanvas(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

// A 24-bit picture with a one-bit mask, as an icon file holds it: pixels at least half covered
// become opaque in their own colour, the rest see-through.
QImage withBinaryMask(const QImage &image)
{
    QImage out = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < out.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x)
            line[x] = qAlpha(line[x]) >= 128 ? (line[x] | 0xFF000000u) : Clear;
    }
    return out;
}

// An anticlockwise arrow running round a circle: the arc leaves a gap at the upper right and
// ends in a head that points up into the gap.
QPainterPath circularArrow(QPointF centre, qreal radius, qreal thickness)
{
    constexpr qreal GapStart = 0.0; // degrees, anticlockwise from three o'clock
    constexpr qreal GapEnd = 95.0;
    const QRectF circle(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius);
    QPainterPath arc;
    arc.arcMoveTo(circle, GapEnd);
    arc.arcTo(circle, GapEnd, 360.0 - (GapEnd - GapStart));
    QPainterPathStroker stroker;
    stroker.setWidth(thickness);
    stroker.setCapStyle(Qt::FlatCap);
    QPainterPath shape = stroker.createStroke(arc);

    const qreal angle = GapStart * M_PI / 180.0;
    const QPointF outward(std::cos(angle), -std::sin(angle));
    const QPointF along(-std::sin(angle), -std::cos(angle)); // anticlockwise on screen
    const QPointF base = centre + outward * radius;
    const qreal halfWidth = thickness * 1.3;
    QPainterPath head;
    head.moveTo(base - outward * halfWidth);
    head.lineTo(base + outward * halfWidth);
    head.lineTo(base + along * (thickness * 1.9));
    head.closeSubpath();
    return shape.united(head).simplified();
}

enum class Moment { Startup, Wait, Shutdown };

// One of the three screens, drawn into r: a morning sky over green hills with the colour bar of
// a starting machine, a dusk sky with the sun going down, a night sky with the moon.
void paintScene(QPainter &p, const QRectF &r, Moment moment)
{
    p.save();
    p.setClipRect(r);
    p.setPen(Qt::NoPen);
    const qreal w = r.width(), h = r.height();
    auto at = [&](qreal fx, qreal fy) { return QPointF(r.x() + fx * w, r.y() + fy * h); };
    auto hill = [&](qreal fx, qreal fy, qreal frx, qreal fry, const QColor &top,
                    const QColor &bottom) {
        QLinearGradient g(at(0, fy - fry), at(0, 1));
        g.setColorAt(0, top);
        g.setColorAt(1, bottom);
        p.setBrush(g);
        p.drawEllipse(at(fx, fy), frx * w, fry * h);
    };

    QLinearGradient sky(r.topLeft(), r.bottomLeft());
    switch (moment) {
    case Moment::Startup: {
        sky.setColorAt(0.0, QColor(22, 66, 186));
        sky.setColorAt(0.55, QColor(92, 160, 238));
        sky.setColorAt(1.0, QColor(196, 228, 255));
        p.fillRect(r, sky);

        const QPointF sun = at(0.72, 0.36);
        const qreal sunRadius = 0.13 * h;
        QRadialGradient glow(sun, sunRadius * 2.6);
        glow.setColorAt(0, QColor(255, 250, 200, 170));
        glow.setColorAt(1, QColor(255, 250, 200, 0));
        p.setBrush(glow);
        p.drawEllipse(sun, sunRadius * 2.6, sunRadius * 2.6);
        QRadialGradient disc(sun - QPointF(sunRadius, sunRadius) * 0.3, sunRadius * 1.2);
        disc.setColorAt(0, QColor(255, 252, 190));
        disc.setColorAt(1, QColor(255, 196, 36));
        p.setBrush(disc);
        p.drawEllipse(sun, sunRadius, sunRadius);

        p.setBrush(QColor(255, 255, 255, 235));
        for (const auto &[fx, fy, fr] : std::vector<std::tuple<qreal, qreal, qreal>>{
                 {0.14, 0.30, 0.07}, {0.22, 0.25, 0.09}, {0.31, 0.29, 0.07}, {0.22, 0.32, 0.08},
                 {0.47, 0.15, 0.04}, {0.53, 0.13, 0.05}, {0.58, 0.16, 0.04}}) {
            p.drawEllipse(at(fx, fy), fr * w, fr * w * 0.8);
        }

        hill(0.78, 1.02, 0.55, 0.36, QColor(96, 178, 84), QColor(44, 118, 52));
        hill(0.18, 1.10, 0.62, 0.42, QColor(126, 200, 90), QColor(34, 104, 40));

        const qreal barHeight = std::max<qreal>(1.5, 0.06 * h);
        QLinearGradient bar(r.bottomLeft(), r.bottomRight());
        const QColor hues[] = {QColor(235, 40, 40), QColor(250, 210, 30), QColor(60, 200, 60),
                               QColor(40, 200, 230), QColor(50, 80, 230), QColor(200, 50, 200)};
        for (int i = 0; i < 6; ++i)
            bar.setColorAt(i / 5.0, hues[i]);
        p.fillRect(QRectF(r.left(), r.bottom() - barHeight, w, barHeight), bar);
        break;
    }
    case Moment::Wait: {
        sky.setColorAt(0.0, QColor(44, 32, 96));
        sky.setColorAt(0.45, QColor(168, 72, 124));
        sky.setColorAt(0.80, QColor(250, 158, 72));
        sky.setColorAt(1.0, QColor(255, 214, 120));
        p.fillRect(r, sky);

        const QPointF sun = at(0.5, 0.80);
        const qreal sunRadius = 0.17 * h;
        QRadialGradient disc(sun, sunRadius);
        disc.setColorAt(0, QColor(255, 236, 150));
        disc.setColorAt(1, QColor(255, 120, 40));
        p.setBrush(disc);
        p.drawEllipse(sun, sunRadius, sunRadius);

        p.setBrush(QColor(255, 200, 160, 150));
        p.drawEllipse(at(0.25, 0.30), 0.16 * w, 0.035 * h);
        p.drawEllipse(at(0.70, 0.40), 0.20 * w, 0.03 * h);

        hill(0.85, 1.02, 0.50, 0.30, QColor(92, 44, 88), QColor(60, 28, 62));
        hill(0.10, 1.08, 0.55, 0.34, QColor(70, 32, 72), QColor(40, 18, 46));
        break;
    }
    case Moment::Shutdown: {
        sky.setColorAt(0.0, QColor(6, 10, 38));
        sky.setColorAt(1.0, QColor(34, 46, 110));
        p.fillRect(r, sky);

        p.setBrush(QColor(255, 255, 240));
        for (const auto &[fx, fy] : std::vector<std::pair<qreal, qreal>>{
                 {0.10, 0.14}, {0.28, 0.32}, {0.40, 0.10}, {0.55, 0.42}, {0.86, 0.20},
                 {0.92, 0.52}, {0.18, 0.55}, {0.66, 0.08}, {0.47, 0.26}}) {
            const qreal size = std::max<qreal>(0.6, 0.018 * w);
            p.drawEllipse(at(fx, fy), size, size);
        }

        const QPointF moon = at(0.72, 0.30);
        const qreal moonRadius = 0.16 * h;
        QPainterPath full;
        full.addEllipse(moon, moonRadius, moonRadius);
        QPainterPath bite;
        bite.addEllipse(moon + QPointF(moonRadius * 0.55, -moonRadius * 0.25), moonRadius * 0.9,
                        moonRadius * 0.9);
        p.setBrush(QColor(255, 244, 190));
        p.drawPath(full.subtracted(bite));

        hill(0.80, 1.04, 0.52, 0.32, QColor(30, 44, 78), QColor(16, 24, 48));
        hill(0.15, 1.10, 0.60, 0.38, QColor(20, 30, 56), QColor(8, 12, 28));
        break;
    }
    }
    p.restore();
}

// A logo card: the scene inside a white mount with a thin grey edge.
void paintCard(QPainter &p, const QRectF &outer, Moment moment, qreal mount)
{
    p.save();
    p.setPen(QPen(QColor(96, 96, 104), 1.0));
    p.setBrush(QColor(252, 252, 248));
    p.drawRect(outer.adjusted(0.5, 0.5, -0.5, -0.5));
    paintScene(p, outer.adjusted(mount, mount, -mount, -mount), moment);
    p.restore();
}

} // namespace

QImage windowIcon()
{
    using namespace vga;
    QImage image(32, 32, QImage::Format_ARGB32);
    image.fill(Clear);
    QPainter p(&image); // no antialiasing: every pixel is one of the sixteen colours
    auto box = [&](int x, int y, int w, int h, QRgb c) { p.fillRect(x, y, w, h, QColor(c)); };

    // Cabinet: black outline, grey face lit from the upper left.
    box(0, 0, 32, 27, Black);
    box(1, 1, 30, 25, Silver);
    box(1, 1, 29, 1, White);
    box(1, 1, 1, 24, White);
    box(1, 25, 30, 1, Grey);
    box(30, 1, 1, 25, Grey);
    // Sunken frame round the glass.
    box(3, 3, 26, 1, Grey);
    box(3, 3, 1, 20, Grey);
    box(4, 22, 25, 1, White);
    box(28, 4, 1, 19, White);
    // Power lamp.
    box(25, 23, 2, 1, Lime);
    // Neck and foot.
    box(12, 27, 8, 2, Black);
    box(13, 27, 6, 2, Silver);
    box(18, 27, 1, 2, Grey);
    box(6, 29, 20, 3, Black);
    box(7, 30, 18, 1, Silver);

    // The screen, 24 x 18 from (4, 4): a start-up logo with the sky darkening upwards
    // (checkered at the seams), a cloud, the sun, two hills and the running colour bar.
    const QImage screen = fromRows(24, 18,
                                   {
                                       "nnnnnnnnnnnnnnnnnnnnnnnn",
                                       "nnnnnnnnnnnnnnnnnnnnnnnn",
                                       "bnbnbnbnbnbnbnbnbnbnbnbn",
                                       "nbnbnbnbnbnbnbnbnyyynbnb",
                                       "bbbbbbbbbbbbbbbbyyyyybbb",
                                       "bbbbwwbbwwbbbbbbyyyyybbb",
                                       "bbbwwwwwwwwbbbbbyyyyybbb",
                                       "bbwwwwwwwwwwbbbbbyyybbbb",
                                       "cbcwwwwwwwwbcbcbcbcbcbcb",
                                       "bcbcbcbcbcbcbcbcbcbcbcbc",
                                       "ccclllllllcccccccccccccc",
                                       "cllGGGGGGGllccGGGGGGcccc",
                                       "lGGGGGGGGGGGlGttttttGGcc",
                                       "GGGGGGGGGGGGGlttttttttGG",
                                       "GGGGGGGGGGGGGGlttttttttt",
                                       "GGGGGGGGGGGGGGGltttttttt",
                                       "rrrryyyyllllccccbbbbffff",
                                       "rrrryyyyllllccccbbbbffff",
                                   },
                                   {{'n', Navy},
                                    {'b', Blue},
                                    {'c', Aqua},
                                    {'w', White},
                                    {'y', Yellow},
                                    {'G', Green},
                                    {'l', Lime},
                                    {'t', Teal},
                                    {'r', Red},
                                    {'f', Fuchsia}});
    p.drawImage(4, 4, screen);
    p.end();
    return toVga16(image, true);
}

QImage folderButton()
{
    QImage image = transparentCanvas(25, 25);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor edge(112, 74, 0);

    // Back of the folder with its tab.
    QPainterPath back;
    back.moveTo(1.5, 4.5);
    back.lineTo(8.5, 4.5);
    back.lineTo(10.5, 6.5);
    back.lineTo(20.5, 6.5);
    back.lineTo(20.5, 19.5);
    back.lineTo(1.5, 19.5);
    back.closeSubpath();
    QLinearGradient backFill(0, 4, 0, 20);
    backFill.setColorAt(0, QColor(246, 196, 58));
    backFill.setColorAt(1, QColor(214, 150, 20));
    p.setPen(QPen(edge, 1.0));
    p.setBrush(backFill);
    p.drawPath(back);
    // A sheet of paper peeking out.
    p.setPen(QPen(QColor(150, 150, 150), 1.0));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(4.5, 8.5, 13, 5));

    // Front flap, opened towards the viewer.
    QPainterPath front;
    front.moveTo(4.5, 10.5);
    front.lineTo(23.5, 10.5);
    front.lineTo(20.5, 19.5);
    front.lineTo(1.5, 19.5);
    front.closeSubpath();
    QLinearGradient frontFill(0, 10, 0, 20);
    frontFill.setColorAt(0, QColor(255, 238, 128));
    frontFill.setColorAt(1, QColor(250, 202, 52));
    p.setPen(QPen(edge, 1.0));
    p.setBrush(frontFill);
    p.drawPath(front);

    // Magnifying glass over the lower right corner.
    const QPointF lens(14.5, 15.0);
    const qreal radius = 4.6;
    p.setPen(QPen(QColor(40, 40, 48), 3.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(lens + QPointF(3.6, 3.6), QPointF(22.6, 22.6));
    p.setPen(QPen(QColor(150, 96, 40), 1.6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(lens + QPointF(4.6, 4.6), QPointF(22.2, 22.2));
    QRadialGradient glass(lens - QPointF(1.5, 1.5), radius * 1.4);
    glass.setColorAt(0, QColor(236, 248, 255));
    glass.setColorAt(1, QColor(128, 188, 236));
    p.setPen(QPen(QColor(40, 40, 48), 1.6));
    p.setBrush(glass);
    p.drawEllipse(lens, radius, radius);
    p.setPen(QPen(Qt::white, 1.0, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(lens.x() - 2.8, lens.y() - 2.8, 5.6, 5.6), 100 * 16, 70 * 16);
    p.end();
    return withBinaryMask(image);
}

QImage restoreButton(int *pixelSize)
{
    constexpr int Width = 168, Height = 14, TextLeft = 15;
    const QString words = QString::fromUtf8("還原在此目錄更換過的LOGO");

    QImage image(Width, Height, QImage::Format_RGB32);
    image.fill(QColor(vga::Silver));

    // The arrow, anticlockwise from twelve o'clock round to three, where its head points up:
    // dark green rim, bright green core.
    const QImage arrow = fromRows(TextLeft, Height,
                                  {
                                      "..............",
                                      "....GGG.......",
                                      "..GGllG...G...",
                                      ".GllGG...GlG..",
                                      ".GlG....GlllG.",
                                      "GlG....GGGlGGG",
                                      "GlG......GlG..",
                                      "GlG......GlG..",
                                      "GlG......GlG..",
                                      ".GlG....GlG...",
                                      ".GllG..GllG...",
                                      "..GGllllGG....",
                                      "....GGGG......",
                                  },
                                  {{'G', vga::Green}, {'l', vga::Lime}});
    {
        QPainter p(&image);
        p.drawImage(0, 0, arrow);
    }

    // The words: the largest size whose hinted, unsmoothed letters fit in the space left.
    QFont font(QStringLiteral("Noto Sans CJK TC"));
    font.setStyleStrategy(QFont::StyleStrategy(QFont::NoAntialias | QFont::NoSubpixelAntialias));
    font.setHintingPreference(QFont::PreferFullHinting);
    if (!QFontInfo(font).family().startsWith(QStringLiteral("Noto Sans CJK")))
        throw std::runtime_error("the Noto Sans CJK TC font is not installed (fonts-noto-cjk)");
    for (const int size : {13, 12, 11}) {
        font.setPixelSize(size);
        QImage ink(Width * 2, Height * 3, QImage::Format_RGB32);
        ink.fill(Qt::white);
        {
            QPainter p(&ink);
            p.setFont(font);
            p.setPen(Qt::black);
            p.drawText(0, Height * 2, words);
        }
        QRect box;
        for (int y = 0; y < ink.height(); ++y)
            for (int x = 0; x < ink.width(); ++x)
                if (qRed(ink.pixel(x, y)) < 128)
                    box |= QRect(x, y, 1, 1);
        if (box.width() > Width - TextLeft || box.height() > Height)
            continue;
        const int top = (Height - box.height()) / 2;
        for (int y = 0; y < box.height(); ++y)
            for (int x = 0; x < box.width(); ++x)
                if (qRed(ink.pixel(box.left() + x, box.top() + y)) < 128)
                    image.setPixel(TextLeft + x, top + y, vga::Black);
        if (pixelSize)
            *pixelSize = size;
        return toVga16(image, false);
    }
    throw std::runtime_error("the restore button's words fit at no size");
}

QImage globe()
{
    using namespace vga;
    const std::map<char, QRgb> colours{{'n', Navy}, {'b', Blue}, {'c', Aqua}, {'w', White},
                                       {'g', Green}, {'l', Lime}};
    return toVga16(fromRows(13, 13,
                            {
                                "....nnnnn....",
                                "..nnbbbggnn..",
                                ".nbwcbglllbn.",
                                ".ncbbgllglbn.",
                                "nccbbbglgbbbn",
                                "nbbbbbbgbbggn",
                                "nbglgbbbbglgn",
                                "nbglllgbbbgbn",
                                "nbbgllgbbbbbn",
                                ".nbbglgbbbbn.",
                                ".nbbbgbbbbnn.",
                                "..nnbbbbnnn..",
                                "....nnnnn....",
                            },
                            colours),
                   true);
}

QImage dragIcon()
{
    QImage image = transparentCanvas(64, 64);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);

    // The logo being dragged, tilted as if lifted, with its shadow.
    p.save();
    p.translate(27, 27);
    p.rotate(-9);
    const QRectF card(-23, -17.5, 46, 35);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 60));
    p.drawRoundedRect(card.translated(2.5, 3), 2, 2);
    p.setBrush(QColor(0, 0, 0, 40));
    p.drawRoundedRect(card.translated(1.5, 1.5).adjusted(-0.5, -0.5, 0.5, 0.5), 2, 2);
    paintCard(p, card, Moment::Startup, 2.5);
    p.restore();

    // The mouse pointer carrying it.
    const QPointF tip(38, 33);
    const qreal s = 1.35;
    const QPointF shape[] = {{0, 0}, {0, 17}, {4, 13}, {7, 20}, {9.5, 19}, {6.5, 12}, {12, 12}};
    QPolygonF pointer;
    for (const QPointF &pt : shape)
        pointer << tip + pt * s;
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 70));
    p.drawPolygon(pointer.translated(1.5, 1.5));
    p.setPen(QPen(Qt::black, 1.2, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    p.setBrush(Qt::white);
    p.drawPolygon(pointer);
    p.end();
    return toIndexed(image, 256);
}

QImage aboutPicture()
{
    constexpr int Width = 84, Height = 145;
    QImage image(Width, Height, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);

    QLinearGradient background(0, 0, Width, Height);
    background.setColorAt(0, QColor(210, 226, 252));
    background.setColorAt(1, QColor(120, 136, 206));
    p.fillRect(image.rect(), background);

    // A strip of film running top to bottom.
    const QRectF strip(8, -1, 68, Height + 2);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 60));
    p.drawRect(strip.translated(2, 0));
    QLinearGradient film(strip.left(), 0, strip.right(), 0);
    film.setColorAt(0, QColor(20, 20, 26));
    film.setColorAt(0.5, QColor(48, 46, 54));
    film.setColorAt(1, QColor(20, 20, 26));
    p.setBrush(film);
    p.drawRect(strip);
    p.setBrush(QColor(232, 232, 236));
    for (qreal y = 2.5; y < Height; y += 9.0) {
        p.drawRoundedRect(QRectF(11, y, 5, 4.5), 1, 1);
        p.drawRoundedRect(QRectF(68, y, 5, 4.5), 1, 1);
    }

    // Its three frames: start-up, wait, shutdown.
    const Moment moments[] = {Moment::Startup, Moment::Wait, Moment::Shutdown};
    for (int i = 0; i < 3; ++i) {
        const QRectF frame(19, 10 + 45 * i, 46, 35);
        p.setPen(QPen(QColor(110, 110, 122), 1.0));
        p.setBrush(Qt::NoBrush);
        p.drawRect(frame.adjusted(-0.5, -0.5, 0.5, 0.5));
        paintScene(p, frame, moments[i]);
    }
    p.end();
    return image.convertToFormat(QImage::Format_RGB888);
}

QImage aboutIcon()
{
    QImage image = transparentCanvas(51, 64);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);

    auto card = [&](QPointF centre, qreal degrees, Moment moment) {
        p.save();
        p.translate(centre);
        p.rotate(degrees);
        paintCard(p, QRectF(-20, -15, 40, 30), moment, 2.0);
        p.restore();
    };
    card(QPointF(23, 18), -7, Moment::Shutdown);
    card(QPointF(27, 34), 5, Moment::Startup);

    // Badge: the change arrow in a green disc.
    const QPointF centre(37, 50.5);
    QRadialGradient disc(centre - QPointF(4, 4), 15);
    disc.setColorAt(0, QColor(120, 220, 110));
    disc.setColorAt(1, QColor(20, 124, 44));
    p.setPen(QPen(Qt::white, 1.5));
    p.setBrush(disc);
    p.drawEllipse(centre, 11.8, 11.8);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawPath(circularArrow(centre + QPointF(0, 0.5), 6.0, 2.6));
    p.end();
    return withBinaryMask(image).convertToFormat(QImage::Format_ARGB32);
}

QImage handCursor()
{
    const std::map<char, QRgb> colours{{'k', vga::Black}, {'w', vga::White}};
    return toVga16(fromRows(32, 32,
                            {
                                ".....kk",
                                "....kwwk",
                                "....kwwk",
                                "....kwwk",
                                "....kwwk",
                                "....kwwkkk",
                                "....kwwkwwkkk",
                                "....kwwkwwkwwkk",
                                "....kwwkwwkwwkwk",
                                "....kwwkwwkwwkwwk",
                                ".kkkkwwwwwwwwwwwk",
                                "kwwwkwwwwwwwwwwwk",
                                "kwwwwwwwwwwwwwwwk",
                                ".kwwwwwwwwwwwwwwk",
                                "..kwwwwwwwwwwwwwk",
                                "..kwwwwwwwwwwwwk",
                                "...kwwwwwwwwwwwk",
                                "...kwwwwwwwwwwk",
                                "....kwwwwwwwwwk",
                                "....kwwwwwwwwwk",
                                ".....kwwwwwwwwk",
                                ".....kkkkkkkkkk",
                            },
                            colours),
                   true);
}

} // namespace art

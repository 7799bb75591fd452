#pragma once

#include <QRect>
#include <QWidget>

namespace bg {

// A rectangle in twips (1/1440 inch), as the window's layout is given.
struct TwipRect
{
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

// Conversions with the screen's real twips-per-pixel factors (15 at 96 dpi, 12 at 120 dpi).
class Twips
{
public:
    // Factors of the screen the widget is on (the primary screen when it has none yet).
    static Twips forWidget(const QWidget *widget);
    Twips(double perPixelX, double perPixelY) : m_x(perPixelX), m_y(perPixelY) {}

    double perPixelX() const { return m_x; }
    double perPixelY() const { return m_y; }

    int toPixelsX(double twips) const;
    int toPixelsY(double twips) const;
    int toTwipsX(double pixels) const;
    int toTwipsY(double pixels) const;
    QRect toPixels(const TwipRect &r) const;

private:
    double m_x;
    double m_y;
};

// Rounds to the nearest whole number, a half going to the even neighbour.
long long roundHalfEven(double value);

} // namespace bg

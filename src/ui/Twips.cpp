#include "ui/Twips.h"

#include <QGuiApplication>
#include <QScreen>
#include <cmath>

namespace bg {

long long roundHalfEven(double value)
{
    return static_cast<long long>(std::nearbyint(value)); // default rounding mode: to nearest even
}

Twips Twips::forWidget(const QWidget *widget)
{
    const QScreen *screen = widget ? widget->screen() : nullptr;
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    double dpiX = screen ? screen->logicalDotsPerInchX() : 96.0;
    double dpiY = screen ? screen->logicalDotsPerInchY() : 96.0;
    if (dpiX <= 0)
        dpiX = 96.0;
    if (dpiY <= 0)
        dpiY = 96.0;
    return Twips(1440.0 / dpiX, 1440.0 / dpiY);
}

int Twips::toPixelsX(double twips) const { return int(std::lround(twips / m_x)); }
int Twips::toPixelsY(double twips) const { return int(std::lround(twips / m_y)); }
int Twips::toTwipsX(double pixels) const { return int(std::lround(pixels * m_x)); }
int Twips::toTwipsY(double pixels) const { return int(std::lround(pixels * m_y)); }

QRect Twips::toPixels(const TwipRect &r) const
{
    const int x = toPixelsX(r.left);
    const int y = toPixelsY(r.top);
    // Right and bottom edges are converted too, so neighbouring controls meet without gaps.
    const int right = toPixelsX(r.left + r.width);
    const int bottom = toPixelsY(r.top + r.height);
    return QRect(x, y, right - x, bottom - y);
}

} // namespace bg

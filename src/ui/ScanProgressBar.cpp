#include "ui/ScanProgressBar.h"

#include "ui/TabLabel.h"

#include <QDeadlineTimer>
#include <algorithm>
#include <cmath>

namespace bg {

namespace {
constexpr int TopTwips = 5640;
constexpr int HeightTwips = 100;
constexpr int DesignWidthTwips = 5295;
constexpr qint64 RepaintMilliseconds = 15;
} // namespace

ScanProgressBar::ScanProgressBar(const Twips &twips, int clientWidthTwips, QWidget *client)
    : QObject(client),
      m_twips(twips),
      m_clientWidthTwips(clientWidthTwips),
      m_track(new TabLabel(client)),
      m_fill(new TabLabel(client)),
      m_fillTwips(DesignWidthTwips)
{
    // The two labels live on the client area, so that the window's stacking order places them.
    m_track->setObjectName(QStringLiteral("lblUnderBar"));
    m_track->setGeometry(m_twips.toPixels({0, TopTwips, DesignWidthTwips, 105}));
    QPalette trackPalette = m_track->palette();
    trackPalette.setColor(QPalette::Window, client->palette().color(QPalette::Button));
    m_track->setPalette(trackPalette);
    m_track->setBorderStyle(1);

    m_fill->setObjectName(QStringLiteral("lblUpBar"));
    m_fill->setGeometry(m_twips.toPixels({0, TopTwips, DesignWidthTwips, 105}));
    m_fill->setBackColor(0x00C00000); // (0, 0, 192)
    QPalette fillPalette = m_fill->palette();
    fillPalette.setColor(QPalette::WindowText, QColor(0, 0, 192));
    m_fill->setPalette(fillPalette);
    m_fill->setBorderStyle(1);
    m_fill->setToolTip(QStringLiteral("檔案篩選處理進度"));
}

void ScanProgressBar::raiseFill()
{
    m_fill->raise();
}

void ScanProgressBar::setPercent(double percent)
{
    if (!std::isfinite(percent))
        percent = 0;
    // round(width * percent) \ 100, halves to even; no clamping above 100.
    const double product = std::clamp(double(m_clientWidthTwips) * percent, -1e12, 1e12);
    m_fillTwips =
        int(std::clamp<long long>(roundHalfEven(product) / 100, -100000000LL, 100000000LL));
    applyWidth(percent >= 100.0);
}

void ScanProgressBar::finish()
{
    applyWidth(true);
}

void ScanProgressBar::applyWidth(bool force)
{
    // The steady clock keeps the pace when someone sets the wall clock back during a scan.
    const qint64 now = QDeadlineTimer::current().deadline();
    const int widthPx = m_twips.toPixelsX(m_fillTwips);
    if (widthPx == m_paintedWidth)
        return;
    if (!force && m_paintedAt >= 0 && now - m_paintedAt < RepaintMilliseconds)
        return;
    m_paintedAt = now;
    m_paintedWidth = widthPx;
    const QRect track = m_twips.toPixels({0, TopTwips, m_clientWidthTwips, HeightTwips});
    m_track->setGeometry(track);
    m_fill->setGeometry(QRect(track.left(), track.top(), std::max(0, widthPx), track.height()));
}

} // namespace bg

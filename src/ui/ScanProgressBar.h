#pragma once

#include "ui/Twips.h"

#include <QObject>

class QWidget;

namespace bg {

class TabLabel;

// The thin progress bar along the bottom of the main window: a track (lblUnderBar) with a dark
// blue fill (lblUpBar) laid over it, both with a single-line border. The fill's width is the
// client width times the share done, in twips, rounded as the window's layout rounds; it is
// not clamped, and a bar keeps its last width until it is set again.
class ScanProgressBar : public QObject
{
    Q_OBJECT
public:
    ScanProgressBar(const Twips &twips, int clientWidthTwips, QWidget *client);

    // percent: 0 to 100. Redraws at most every few milliseconds; the last value of a scan
    // always lands through finish().
    void setPercent(double percent);
    void finish();
    int fillWidthTwips() const { return m_fillTwips; }

    // Puts the fill in its place in the client's stacking order.
    void raiseFill();

private:
    void applyWidth(bool force);

    Twips m_twips;
    int m_clientWidthTwips;
    TabLabel *m_track;
    TabLabel *m_fill;
    int m_fillTwips;
    qint64 m_paintedAt = -1;
    int m_paintedWidth = -1;
};

} // namespace bg

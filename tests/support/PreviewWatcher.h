#pragma once

#include <QObject>
#include <QImage>
#include <QTimer>

namespace bg::test {

// From its construction on, watches for the full-size preview while code under test waits in its
// modal loop: records the first one and clicks it. One the click does not close is closed by force,
// so a test reports the fault instead of hanging.
class PreviewWatcher : public QObject
{
    Q_OBJECT
public:
    PreviewWatcher();

    bool opened = false;
    Qt::WindowFlags flags;
    bool modal = false;
    QImage shot;
    bool closedByClick = false;

private:
    QTimer m_timer;
};

} // namespace bg::test

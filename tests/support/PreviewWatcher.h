#pragma once

#include <QImage>
#include <QObject>
#include <QSize>
#include <QString>
#include <QTimer>

namespace bg::test {

// Watches for the full-size preview while code under test waits in its modal loop: once the
// preview is open it records what it looks like and clicks it. A preview that does not close
// on the click is closed by force, so a test reports the fault instead of hanging.
class PreviewWatcher : public QObject
{
    Q_OBJECT
public:
    // Starts watching at once; stops after the first preview or when destroyed.
    PreviewWatcher();

    bool opened = false;
    QSize size;
    Qt::WindowFlags flags;
    QString title;
    bool modal = false;
    QImage shot;
    bool closedByClick = false;

private:
    void poll();
    QTimer m_timer;
};

} // namespace bg::test

#pragma once

#include <QFutureWatcher>
#include <QObject>
#include <QPointer>

#include <functional>

class QWidget;

namespace bg {

// Runs one change of the window on the disk (an apply, a delete, ...). A change that writes a
// disk image takes a fraction of a second to seconds (QEMU and mtools), so it runs on a worker
// while a small window covers the main window and keeps the user from starting anything else
// meanwhile; the rest of the change (its messages, the re-scan) then runs on the GUI thread. A
// change on folder drives takes milliseconds and runs at once, as before.
class DiskWork : public QObject
{
    Q_OBJECT
public:
    explicit DiskWork(QWidget *window);
    ~DiskWork() override;

    bool isRunning() const { return m_running; }
    // work runs on a worker when onImage, else here and now; then follows on this thread.
    void run(bool onImage, std::function<void()> work, std::function<void()> then);

signals:
    void finished();

private:
    QWidget *m_window;
    QFutureWatcher<void> m_watcher;
    QPointer<QWidget> m_busy;
    std::function<void()> m_then;
    bool m_running = false;
};

} // namespace bg

#include "ui/DiskWork.h"

#include <QDialog>
#include <QLabel>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>

namespace bg {

namespace {

// The small window shown while a disk image is written. It cannot be closed by the user.
class BusyWindow : public QDialog
{
public:
    explicit BusyWindow(QWidget *parent)
        : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
    {
        setObjectName(QStringLiteral("frmWriting"));
        setWindowTitle(QStringLiteral("磁碟映像檔"));
        setWindowModality(Qt::WindowModal);
        auto *lines = new QVBoxLayout(this);
        lines->addWidget(new QLabel(QStringLiteral("正在寫入磁碟映像檔…"), this));
        setMinimumWidth(260);
    }

protected:
    void reject() override {} // Escape and the close button do not stop the work
};

} // namespace

DiskWork::DiskWork(QWidget *window) : QObject(window), m_window(window)
{
    connect(&m_watcher, &QFutureWatcherBase::finished, this, [this] {
        if (m_busy) {
            m_busy->hide();
            m_busy->deleteLater();
            m_window->activateWindow(); // the keys go to the main window again
        }
        m_running = false;
        if (const auto then = std::exchange(m_then, {}))
            then();
        emit finished();
    });
}

DiskWork::~DiskWork()
{
    // The work writes through services that may go with the window.
    m_watcher.waitForFinished();
}

void DiskWork::run(bool onImage, std::function<void()> work, std::function<void()> then)
{
    if (!onImage) {
        work();
        then();
        return;
    }
    m_running = true;
    m_then = std::move(then);
    auto *busy = new BusyWindow(m_window);
    busy->show();
    m_busy = busy;
    m_watcher.setFuture(QtConcurrent::run(std::move(work)));
}

} // namespace bg

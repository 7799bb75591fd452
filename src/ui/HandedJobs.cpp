#include "ui/HandedJobs.h"

#include "core/MainWindowState.h"
#include "platform/Services.h"
#include "ui/CommandLineModes.h"
#include "ui/SlotBrowser.h"

#include <QApplication>

namespace bg {

namespace {
// How often a job waiting for a modal window or a menu looks again.
constexpr int RetryIntervalMs = 200;
} // namespace

HandedJobs::HandedJobs(QWidget &window, MainWindowState &state, Services &services,
                       const LogoTester &tester, SlotBrowser &browser, QObject *parent)
    : QObject(parent),
      m_window(window),
      m_state(state),
      m_services(services),
      m_tester(tester),
      m_browser(browser)
{
    m_retry.setSingleShot(true);
    m_retry.setInterval(RetryIntervalMs);
    connect(&m_retry, &QTimer::timeout, this, &HandedJobs::runWaitingJobs);
    // Queued: the scan has ended completely before a job starts another one.
    connect(&m_browser, &SlotBrowser::scanFinished, this, &HandedJobs::runWaitingJobs,
            Qt::QueuedConnection);
}

void HandedJobs::add(const HandedJob &job)
{
    m_waiting.push_back(job);
    runWaitingJobs();
}

bool HandedJobs::windowIsBusy() const
{
    return m_browser.isScanning() || QApplication::activeModalWidget() != nullptr ||
           QApplication::activePopupWidget() != nullptr;
}

void HandedJobs::runWaitingJobs()
{
    // A job that arrives while one runs (inside its message box) waits for this loop.
    if (m_running)
        return;
    while (!m_waiting.empty()) {
        if (windowIsBusy()) {
            // The end of a scan calls again at once; the timer covers a scan that is
            // cancelled and a modal window or menu, which say nothing when they close.
            m_retry.start();
            return;
        }
        const HandedJob job = m_waiting.front();
        m_waiting.pop_front();
        if (!job.senderWaits())
            continue; // the start that sent it has ended: nobody asks for it any more
        m_running = true;
        const int exitStatus = run(job.commandText());
        m_running = false;
        job.reply(exitStatus);
    }
}

int HandedJobs::run(const QString &commandText)
{
    const int exitStatus =
        cmdline::run(m_services.files, m_services.desktop, m_tester, m_services.pictures,
                     commandText, m_state.folder(LogoSlot::Startup), &m_window);
    // The shown Startup folder may hold a new file.
    if (cmdline::isAddCommand(commandText) && exitStatus == cmdline::ExitDone &&
        m_state.currentSlot == LogoSlot::Startup)
        m_browser.rescan(m_state.currentFolder());
    return exitStatus;
}

} // namespace bg

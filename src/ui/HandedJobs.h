#pragma once

#include "platform/JobChannel.h"

#include <QObject>
#include <QTimer>

#include <deque>

class QWidget;

namespace bg {

class LogoTester;
class SlotBrowser;
struct MainWindowState;
struct Services;

// The command-line jobs that later starts of the tool hand to the open window: "/c <path>" (the
// desktop entry's "add to the start-up logos") and a picture to preview. Each runs as that start
// would run it alone, with the same messages, but into the Startup folder the window holds (a
// changed folder not yet saved included); when the window shows that folder, it is listed anew.
// A job waits while a modal window (a message box, the preview) or a menu is open, or a scan
// runs, and the jobs run one at a time, in the order they came. Each start gets its job's exit
// status back.
class HandedJobs : public QObject
{
    Q_OBJECT
public:
    HandedJobs(QWidget &window, MainWindowState &state, Services &services,
               const LogoTester &tester, SlotBrowser &browser, QObject *parent = nullptr);

    void add(const HandedJob &job);

private:
    void runWaitingJobs();
    bool windowIsBusy() const;
    int run(const QString &commandText);

    QWidget &m_window;
    MainWindowState &m_state;
    Services &m_services;
    const LogoTester &m_tester;
    SlotBrowser &m_browser;
    std::deque<HandedJob> m_waiting;
    QTimer m_retry;
    bool m_running = false;
};

} // namespace bg

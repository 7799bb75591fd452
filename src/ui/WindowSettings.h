#pragma once

#include <QObject>

#include "ui/DiskWork.h"

namespace bg {

struct MainWindowState;
struct MainWindowUi;
struct Services;

// The settings file's options in the window's controls: read into the check boxes, the pop-up
// option and the order menu when the window opens, written back when it closes, after the
// questions about changed folders. Also the start-at-boot menu, which shows whether the
// Startup folder holds the companion's shortcut.
class WindowSettings : public QObject
{
    Q_OBJECT
public:
    // window: the main window, over which a change on a disk image keeps the user waiting.
    WindowSettings(MainWindowUi &ui, MainWindowState &state, Services &services, QWidget *window);

    // The change-at-boot flags, the pop-up option, the order and the start-at-boot marks.
    void load();
    // Asks about each changed folder and writes the settings file. False when the window must
    // stay open (the user cancelled, or a folder cannot be saved as it is).
    bool save();
    // Switching the change at boot on or off is being written to a disk image on a worker.
    bool isWorking() const { return m_diskWork->isRunning(); }

public slots:
    void switchStartAtBootOn();
    void switchStartAtBootOff();

signals:
    // A folder could not be saved: the path box is where the user fixes it.
    void folderNeedsAttention();

private:
    void showStartAtBoot(bool registered);
    // Each slot changed at boot whose folder lies where Windows cannot see it when it boots.
    void warnFoldersOffWindows();

    MainWindowUi &m_ui;
    MainWindowState &m_state;
    Services &m_services;
    DiskWork *m_diskWork;
};

} // namespace bg

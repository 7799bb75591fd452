#pragma once

#include "core/MainWindowState.h"

#include <memory>

namespace bg {

class MainWindow;
struct Services;

// What a start comes to before any window shows: the main window with the facts it needs, or
// the end of the program with an exit status (a command-line job is done).
struct StartDecision
{
    bool openWindow = false;
    int exitCode = 0;
    MainWindowState state; // for the window: program and Windows folders, the slot folders
};

// The program's and the Windows folders are found (a second copy never gets here: main() hands
// its job to the first); the slot folders are read
// from the settings file; a command line is one job (add a picture to the Startup slot's
// folder, or preview a picture) after which the program ends.
StartDecision decideStart(Services &services);

// When drive C is an emulator's disk image: says so when it cannot be read (no FAT partition,
// no disk image the tool can open), or when it can only be read now (an emulator holds it, or
// the user may not write it), in which case the window works read-only.
void tellImageDrive(Services &services);

// The start as the program makes it: decideStart, then, for a window, tellImageDrive and the
// window made and opened (not yet shown). The start's many small reads are one file operation,
// so a disk image is opened once for all of them, and let go before the window waits for the
// user. window is set once made, before it opens (what it shows while it opens may look at it);
// it stays empty when the start ended with a job done, whose exit status is returned.
int openMainWindow(Services &services, std::unique_ptr<MainWindow> &window);

} // namespace bg

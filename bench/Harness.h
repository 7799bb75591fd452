#pragma once

#include "platform/Services.h"
#include "platform/Desktop.h"
#include "platform/FileService.h"
#include "platform/PictureLoader.h"
#include "platform/Prefix.h"

#include <QSize>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

namespace bg {
class MainWindow;
}

namespace bgbench {

// A desktop that answers every box at once without showing anything, and counts the boxes.
class QuietDesktop : public bg::Desktop
{
public:
    int messageBox(const QString &prompt, int style, const QString &title) override;
    QString browseForFolder(QWidget *owner, const QString &prompt) override;
    void shellOpen(QWidget *owner, const QString &target, int showCommand) override;
    std::optional<bg::ConversionChoice> offerConversion(QWidget *,
                                                        const bg::ConversionOffer &) override
    {
        return std::nullopt;
    }

    int boxes = 0;
};

// A prefix for the bench: the standard layout, with drive D: linked to the data directory.
class BenchPrefix
{
public:
    BenchPrefix(const QString &root, const QString &dataDir);

    bool isValid() const { return m_valid; }
    bg::Prefix &prefix() { return m_prefix; }
    bg::HostFileService &files() { return m_files; }
    // The Windows path (ending in a backslash) of a folder inside the data directory.
    QString windowsFolder(const QString &hostDir) const;
    // Writes SW.ini in the Windows folder with the start-up slot's folder.
    bool writeStartupSetting(const QString &windowsFolder);

private:
    bg::Prefix m_prefix;
    bg::HostFileService m_files;
    QString m_dataDir;
    bool m_valid = false;
};

// The main window on a bench prefix, as the program builds it.
class WindowRig
{
public:
    explicit WindowRig(BenchPrefix &prefix) : WindowRig(prefix.prefix(), prefix.files()) {}
    // The window on any prefix and file service (a prefix whose drives are disk images).
    WindowRig(bg::Prefix &prefix, bg::FileService &files);
    ~WindowRig();

    bg::MainWindow &window() { return *m_window; }
    QuietDesktop &desktop() { return m_desktop; }
    // The program's start-up, show, and wait until the window is exposed, painted once and
    // done with the Startup folder's scan. False when it did not come up within timeoutMs.
    // When shownNs is given, it gets the nanoseconds from the call until the window was first
    // exposed and painted (the list may still be filling).
    bool loadAndShow(int timeoutMs = 10000, qint64 *shownNs = nullptr);

    // The window's scan of a folder, as a folder typed into the path box and Enter start it,
    // until the scan has ended (the event loop runs meanwhile). Returns nanoseconds.
    qint64 scan(const QString &windowsFolder);
    // The list's entries, in order.
    QStringList entries();

private:
    QuietDesktop m_desktop;
    bg::PictureLoader m_pictures;
    bg::Services m_services;
    std::unique_ptr<bg::MainWindow> m_window;
};

// Timestamps the event loop's turns while a piece of work runs: a 0 ms timer fires on every
// pass through pending events.
struct GapResult
{
    double longestMs = 0;
    double totalMs = 0;
    int turns = 0;
    // Where the longest gap lies: the turns before it and the time since the work began.
    int turnsBefore = 0;
    double startsAtMs = 0;
};
GapResult measureGaps(const std::function<void()> &work);

// Fills a list like the window's with the names in the order given, one event-loop turn per name
// as a scan gives, then takes the entries' widths as the end of a scan does. Nanoseconds.
qint64 fillList(const QStringList &names, QSize listSize);

// The floor: what any scan of the folder has to pay, with plain POSIX calls. Lists the folder
// with each file's size, opens every file and reads its first 4 KiB, and reads the rest of
// every file whose header says 320 x 400.
struct FloorResult
{
    int files = 0;
    int kept = 0;
    qint64 bytesRead = 0;
};
FloorResult floorScan(const QString &hostDir, const bg::PictureLoader &header);

// The naive scan: every file decoded in full with QImageReader; a logo is a 320 x 400 picture
// whose length begins with 129. Events are let through once per file, like the tool.
int naiveScan(const QString &hostDir);

// Reads every file of the folder once, so that the measurements start with warm caches.
qint64 warmFolder(const QString &hostDir);

// Resident memory of this process in KiB, from /proc/self/status: VmRSS now, VmHWM its peak.
long residentKiB();
long peakResidentKiB();
// Starts a new peak: VmHWM falls back to the current VmRSS. A process started with fork and exec
// inherits its parent's peak (ru_maxrss survives execve), so a fresh process must reset it
// before its peak says anything about itself. False when the kernel refuses.
bool resetPeakResident();
// The load average over the last minute.
double loadAverage();

} // namespace bgbench

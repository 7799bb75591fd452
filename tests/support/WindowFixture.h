#pragma once

#include "platform/Services.h"
#include "core/LogoSlot.h"
#include "platform/PictureLoader.h"
#include "support/FaultInjectingFileService.h"
#include "support/ScriptedDesktop.h"
#include "support/TempPrefix.h"
#include "ui/MainWindow.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QSemaphore>
#include <memory>

class QAbstractItemView;
class QMenu;

namespace bg::test {

// The main window on a throw-away prefix with a scripted desktop, driven as a user drives it:
// controls are found by their names and used with real mouse, key and drop events. Files are
// written first; start() then runs the program's start-up and shows the window.
class WindowFixture
{
public:
    // The program folder is C:\Program Files\Bootgallery\ unless given.
    explicit WindowFixture(const QString &commandText = QString(),
                           const QString &programFolder = QStringLiteral("C:\\Program Files\\Bootgallery\\"));
    ~WindowFixture();

    TempPrefix tmp;
    ScriptedDesktop desktop;
    PictureLoader pictures{96.0, 96.0};
    std::unique_ptr<FaultInjectingFileService> faults; // set by injectFaults(); outlives services
    std::unique_ptr<Services> services;
    std::unique_ptr<MainWindow> window;
    std::shared_ptr<QSemaphore> scanGate;

    // Sends every file call of the program through a fault-injecting service (before start()).
    FaultInjectingFileService &injectFaults();
    // Runs the start-up. With a window to open: shows it and waits for the Startup folder's
    // scan. Returns the exit status when the start ended the program, -1 when a window opened.
    int start();
    MainWindow &w() { return *window; }

    // A control of the window by its name.
    template <typename T = QWidget>
    T *find(const char *name) const
    {
        return window ? window->findChild<T *>(QLatin1String(name)) : nullptr;
    }
    QAbstractItemView *list() const;
    QWidget *listViewport() const;

    // Waits until no scan runs (false after five seconds).
    bool waitForScan();
    // Holds every scan after it has listed its folder, until releaseScans(): lets a test act
    // while a scan runs. Needs injectFaults().
    void holdScans();
    void releaseScans();

    // --- real input ------------------------------------------------------------------------
    void clickTab(LogoSlot slot);
    // Scrolls the row into view and clicks (or double-clicks) its middle.
    void clickRow(int row, Qt::MouseButton button = Qt::LeftButton);
    void doubleClickRow(int row);
    // Types a folder into the path box and presses Enter.
    void typePath(const QString &text);
    // Opens a top-level menu with Alt + its access key and picks an item by its access key.
    void chooseMenu(QChar menuKey, QChar itemKey);
    // Drops host files on the logo list (drag enter, move and drop, as a file manager sends
    // them). Returns whether the list accepted the drop.
    bool dropOnList(const QStringList &hostPaths);
    // Drags the large preview onto a slot preview: the drag's data and a drop on the target.
    bool dragPreviewTo(LogoSlot slot);

    // SW.ini in C:\WINDOWS\, written as the given text in code page 950 with CR LF line ends.
    void writeSettings(const QString &text);
    QByteArray settingsBytes() const;
    QString windowsFolder() const { return QStringLiteral("C:\\WINDOWS\\"); }

    // An 8-bit 320 x 400 BMP of 129,078 bytes at the path (a logo by both tests).
    bool writeLogo(const QString &windowsPath, int shade = 0);
    // Writes names as logos into a folder (which ends in a backslash).
    bool writeLogos(const QString &folder, const QStringList &names);

    // The list's entries, in order, and the selected one.
    QStringList entries() const;
    QString selectedEntry() const;
    // The titles of the message boxes shown so far, then forgets them.
    QStringList takeBoxTitles();
};

} // namespace bg::test

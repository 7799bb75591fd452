#pragma once

#include "platform/Services.h"
#include "core/LogoSlot.h"
#include "platform/PictureLoader.h"
#include "support/FaultInjectingFileService.h"
#include "support/ImagePrefix.h"
#include "support/ScriptedDesktop.h"
#include "support/TempPrefix.h"
#include "ui/MainWindow.h"

#include <QSemaphore>

class QAbstractItemView;

namespace bg::test {

// The companion program every fixture brings along (beside its prefix).
inline const QByteArray Companion = QByteArrayLiteral("MZ Onboot.exe for the tests");

// The main window on a throw-away prefix with a scripted desktop, driven as a user drives it:
// controls are found by their names and used with real mouse, key and drop events. Files are
// written first; start() then runs the program's start-up and shows the window.
class WindowFixture
{
public:
    explicit WindowFixture(const QString &commandText = QString(),
                           const QString &programFolder = QStringLiteral("C:\\Program Files\\Bootgallery\\"));
    ~WindowFixture();

    TempPrefix tmp;
    ScriptedDesktop desktop;
    PictureLoader pictures{96.0, 96.0};
    std::unique_ptr<ImagePrefix> image; // set by useImage(); outlives services
    std::unique_ptr<FaultInjectingFileService> faults; // set by injectFaults(); outlives services
    std::unique_ptr<Services> services;
    std::unique_ptr<MainWindow> window;
    std::shared_ptr<QSemaphore> scanGate;

    // Sends every file call of the program through a fault-injecting service (before start()).
    FaultInjectingFileService &injectFaults();
    // Makes drive C a disk image of the format holding the files written below C:\ so far: the
    // program then sees the image's prefix through its file service (before start()).
    bool useImage(ImagePrefix::Format format);
    // Runs the start-up: the exit status, or -1 when the window opened (shown, Startup folder scanned).
    int start();
    MainWindow &w() { return *window; }

    template <typename T = QWidget>
    T *find(const char *name) const { return window ? window->findChild<T *>(QLatin1String(name)) : nullptr; }
    QAbstractItemView *list() const;
    QWidget *listViewport() const;

    // Until no scan, conversion or disk image change runs; false after 30 seconds.
    bool waitForScan();
    // Holds every scan after it has listed its folder, until releaseScans(). Needs injectFaults().
    void holdScans();
    void releaseScans();

    void clickTab(LogoSlot slot);
    void clickRow(int row, Qt::MouseButton button = Qt::LeftButton); // scrolled into view, in its middle
    void doubleClickRow(int row);
    void typePath(const QString &text); // into the path box, then Enter
    void chooseMenu(QChar menuKey, QChar itemKey); // Alt + the menu's access key, then the item's
    // Drops host files on the list as a file manager does; whether the list accepted them.
    bool dropOnList(const QStringList &hostPaths);
    bool dragPreviewTo(LogoSlot slot); // the large preview onto a slot's

    // SW.ini in C:\WINDOWS\, written in code page 950 with CR LF line ends.
    void writeSettings(const QString &text);
    QByteArray settingsBytes() const { return tmp.readFile(windowsFolder() + QStringLiteral("SW.ini")); }
    QString windowsFolder() const { return QStringLiteral("C:\\WINDOWS\\"); }

    // An 8-bit 320 x 400 BMP of 129,078 bytes (a logo by both tests); shade makes it differ.
    bool writeLogo(const QString &windowsPath, int shade = 0);
    bool writeLogos(const QString &folder, const QStringList &names); // folder ends in a backslash

    QStringList entries() const;
    QString selectedEntry() const;
    QStringList takeBoxTitles(); // of the boxes shown so far, which it then forgets
};

} // namespace bg::test

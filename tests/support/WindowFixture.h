#pragma once

#include "app/Services.h"
#include "platform/PictureLoader.h"
#include "support/FaultInjectingFileService.h"
#include "support/ScriptedDesktop.h"
#include "support/TempPrefix.h"
#include "ui/FrmLogo.h"

#include <QByteArray>
#include <QString>
#include <memory>

namespace bg::test {

// A main window on a throw-away prefix with a scripted desktop: what every window test starts
// from. Files are written first, then load() runs Form_Load as the program's start does.
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
    std::unique_ptr<FrmLogo> window;

    // Sends every file call of the window through a fault-injecting service (before create()).
    FaultInjectingFileService &injectFaults();
    // Creates the window (not yet loaded).
    FrmLogo &create();
    // Creates the window if needed and runs Form_Load.
    LoadOutcome load();
    FrmLogo &w() { return *window; }

    // SW.ini in C:\WINDOWS\, written as the given text in code page 950 with CR LF line ends.
    void writeSettings(const QString &text);
    QByteArray settingsBytes() const;
    QString windowsFolder() const { return QStringLiteral("C:\\WINDOWS\\"); }

    // An 8-bit 320 x 400 BMP of 129,078 bytes at the path (a logo by both tests).
    bool writeLogo(const QString &windowsPath, int shade = 0);
    // Writes names as logos into a folder (which ends in a backslash).
    bool writeLogos(const QString &folder, const QStringList &names);

    // The list's entries, in order.
    QStringList entries() const;
};

} // namespace bg::test

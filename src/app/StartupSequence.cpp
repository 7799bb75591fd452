#include "app/StartupSequence.h"

#include "ui/CommandLineModes.h"
#include "platform/Services.h"
#include "core/LogoSettings.h"
#include "core/LogoTests.h"
#include "platform/FileService.h"
#include "platform/Prefix.h"
#include "platform/PrivateProfile.h"
#include "ui/MainWindow.h"
#include "ui/Messages.h"

#include <QFileInfo>

namespace bg {

StartDecision decideStart(Services &services)
{
    StartDecision decision;
    MainWindowState &state = decision.state;
    state.programFolder = services.programFolder;
    if (!state.programFolder.endsWith(QLatin1Char('\\')))
        state.programFolder += QLatin1Char('\\');
    // The Windows directory, as GetWindowsDirectoryA gives it in a 260-character buffer.
    state.windowsFolder = services.prefix.windowsDirectory().left(259) + QLatin1Char('\\');

    PrivateProfile profile(services.files);
    state.slotFolders = SettingsFile(profile, state.windowsFolder).readFolders();

    const QString &command = services.commandText;
    if (!command.isEmpty()) {
        const LogoTester tester(services.files, services.pictures);
        // No main window: a preview is centred on the screen.
        decision.exitCode = cmdline::run(services.files, services.desktop, tester,
                                         services.pictures, command,
                                         state.folder(LogoSlot::Startup), nullptr);
        return decision;
    }
    decision.openWindow = true;
    return decision;
}

void tellImageDrive(Services &services)
{
    const QString drive = QStringLiteral("C:\\");
    const QString image = services.prefix.driveImage(u'C');
    if (image.isEmpty())
        return;
    const int readProblem = services.files.driveProblem(drive, false);
    const int writeProblem = readProblem ? readProblem : services.files.driveProblem(drive, true);
    messages::tellImageDriveAtStart(services.desktop, QFileInfo(image).fileName(), readProblem,
                                    writeProblem);
}

int openMainWindow(Services &services, std::unique_ptr<MainWindow> &window)
{
    const FileOperation starting(services.files);
    const StartDecision decision = decideStart(services);
    if (!decision.openWindow)
        return decision.exitCode;
    tellImageDrive(services);
    window = std::make_unique<MainWindow>(services, decision.state);
    window->open();
    return 0;
}

} // namespace bg

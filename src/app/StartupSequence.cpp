#include "app/StartupSequence.h"

#include "ui/CommandLineModes.h"
#include "platform/Services.h"
#include "core/LogoSettings.h"
#include "core/LogoTests.h"
#include "platform/Prefix.h"
#include "platform/PrivateProfile.h"

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

} // namespace bg

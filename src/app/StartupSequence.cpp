#include "app/StartupSequence.h"

#include "app/CommandLineModes.h"
#include "platform/Services.h"
#include "core/LogoSettings.h"
#include "core/LogoTests.h"
#include "platform/Prefix.h"
#include "platform/PrivateProfile.h"
#include "ui/FrmLogoPreview.h"

namespace bg {

namespace {

int runPreview(Services &services, const LogoTester &tester)
{
    const QImage picture = cmdline::previewPicture(services.files, services.desktop, tester,
                                                   services.pictures, services.commandText);
    if (picture.isNull())
        return cmdline::ExitRefused;
    // No main window: the preview is centred on the screen.
    FrmLogoPreview::showModal(picture, services.commandText, nullptr);
    return cmdline::ExitDone;
}

} // namespace

StartDecision decideStart(Services &services)
{
    StartDecision decision;
    // A second start ends before it looks at anything.
    if (services.previousInstance)
        return decision;

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
        decision.exitCode = command.startsWith(QLatin1String("/c"))
                                ? cmdline::addToStartup(services.files, services.desktop, tester,
                                                        command,
                                                        state.folder(LogoSlot::Startup))
                                : runPreview(services, tester);
        return decision;
    }
    decision.openWindow = true;
    return decision;
}

} // namespace bg

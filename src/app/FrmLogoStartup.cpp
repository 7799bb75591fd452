// Start-up of the main window: everything between the program's start and the first show.
#include "core/LogoSettings.h"
#include "core/LogoTests.h"
#include "platform/DosAttributes.h"
#include "platform/FileService.h"
#include "platform/Prefix.h"
#include "platform/PrivateProfile.h"
#include "ui/FrmLogo.h"

#include <QAction>
#include <QCheckBox>
#include <QRadioButton>

namespace bg {

LoadOutcome FrmLogo::Form_Load()
{
    // 1. Only one copy runs; a second start ends before it looks at anything.
    if (m_services.previousInstance)
        return {false, 0};

    // 2.
    state.scanIdle = true;
    state.currentSlot = LogoSlot::Wait;

    // 3. The program's own folder.
    state.programFolder = m_services.programFolder;
    if (!state.programFolder.endsWith(QLatin1Char('\\')))
        state.programFolder += QLatin1Char('\\');

    // 4. The Windows directory, as GetWindowsDirectoryA gives it in a 260-character buffer.
    state.windowsFolder = m_services.prefix.windowsDirectory().left(259) + QLatin1Char('\\');

    // 5. The three folders.
    PrivateProfile profile(m_services.files);
    SettingsFile settingsFile(profile, state.windowsFolder);
    state.slotFolders = settingsFile.readFolders();

    // 6. A command line means one job and the end of the program.
    const QString &command = m_services.commandText;
    if (!command.isEmpty()) {
        const int code = command.startsWith(QLatin1String("/c")) ? runAddMode(command)
                                                                 : runPreviewMode(command);
        return {false, code};
    }

    // 7. The other settings into the controls.
    LogoSettings settings;
    settingsFile.readOptions(settings);
    for (LogoSlot slot : AllSlots)
        if (settings.changeAtBoot[size_t(index(slot))])
            slotCheck(slot)->setChecked(true);
    if (settings.popUp)
        optYes->setChecked(true);
    else
        optNo->setChecked(true);
    switch (settings.method) {
    case ChangeMethod::Little:
        mnuLittle->setChecked(true);
        break;
    case ChangeMethod::Big:
        mnuBig->setChecked(true);
        break;
    case ChangeMethod::Random:
        mnuRandom->setChecked(true);
        break;
    }

    // 8. Start-at-boot state from the shortcut in the Startup folder.
    state.startupMenuFolder = GetSpecialFolderPath(m_services.prefix);
    const QString link = state.startupMenuFolder + QStringLiteral("\\Splashwheel.lnk");
    if (!m_services.files.dir(link, attr::Normal).isEmpty())
        mnuRun->setChecked(true);
    else
        mnuUnrun->setChecked(true);

    // 9. Menu pictures.
    setMenuBitmaps();

    // 10. The Startup tab and its folder.
    lblStartup_Click();

    // 11. The three current system logos, after both tests; failures leave a preview empty.
    loadSystemLogos();
    return {true, 0};
}

} // namespace bg

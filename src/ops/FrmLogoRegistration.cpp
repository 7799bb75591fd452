// The start-at-boot menu (the Startup-folder shortcut) and the order menu of the change at boot.
#include "core/LogoTests.h"
#include "ops/StartupRegistration.h"
#include "platform/Prefix.h"
#include "ui/FrmLogo.h"
#include "ui/Messages.h"

#include <QAction>

namespace bg {

namespace {

// One of the three order items was clicked: the marks are set in the order Little, Big,
// Random so that only the clicked one is checked. A click on the checked item changes nothing.
void chooseMethod(QAction *clicked, std::initializer_list<QAction *> items)
{
    if (clicked->isChecked())
        return;
    for (QAction *item : items)
        item->setChecked(item == clicked);
}

} // namespace

void FrmLogo::mnuRun_Click()
{
    if (mnuRun->isChecked())
        return;
    state.startupMenuFolder = GetSpecialFolderPath(m_services.prefix);
    const StartupRegistration registration(m_services.files);
    const int error = registration.create(state.startupMenuFolder,
                                          m_services.prefix.programsFolder(), state.programFolder);
    if (error != 0) {
        // Without a shortcut nothing starts at boot; the menu keeps saying so.
        messages::registrationFailed(m_services.desktop);
        return;
    }
    mnuRun->setChecked(true);
    mnuUnrun->setChecked(false);
}

void FrmLogo::mnuUnrun_Click()
{
    if (mnuUnrun->isChecked())
        return;
    state.startupMenuFolder = GetSpecialFolderPath(m_services.prefix);
    const StartupRegistration registration(m_services.files);
    registration.remove(state.startupMenuFolder);
    // A shortcut that could not be deleted keeps the change registered.
    if (registration.isRegistered(state.startupMenuFolder))
        return;
    mnuRun->setChecked(false);
    mnuUnrun->setChecked(true);
}

void FrmLogo::mnuLittle_Click() { chooseMethod(mnuLittle, {mnuLittle, mnuBig, mnuRandom}); }
void FrmLogo::mnuBig_Click() { chooseMethod(mnuBig, {mnuLittle, mnuBig, mnuRandom}); }
void FrmLogo::mnuRandom_Click() { chooseMethod(mnuRandom, {mnuLittle, mnuBig, mnuRandom}); }

} // namespace bg

// The slot tabs and the slot check boxes of the main window.
#include "ui/FrmLogo.h"
#include "ui/TabLabel.h"

#include <QCheckBox>
#include <QLineEdit>

namespace bg {

void FrmLogo::lblStartup_Click() { selectTab(LogoSlot::Startup); }
void FrmLogo::lblWait_Click() { selectTab(LogoSlot::Wait); }
void FrmLogo::lblShutdown_Click() { selectTab(LogoSlot::Shutdown); }

void FrmLogo::selectTab(LogoSlot slot)
{
    if (!state.scanIdle || state.currentSlot == slot)
        return;
    auto color = [slot](LogoSlot s) { return s == slot ? SelectedTabColor : UnselectedTabColor; };
    auto border = [slot](LogoSlot s) { return s == slot ? 0 : 1; };
    SetTabColors(color(LogoSlot::Startup), color(LogoSlot::Wait), color(LogoSlot::Shutdown));
    SetTabBorders(border(LogoSlot::Startup), border(LogoSlot::Wait), border(LogoSlot::Shutdown));
    state.currentSlot = slot;
    txtPath->setText(state.folder(slot));
    int key = 13;
    txtPath_KeyPress(key);
}

void FrmLogo::SetTabColors(quint32 startup, quint32 wait, quint32 shutdown)
{
    lblStartup->setBackColor(startup);
    lblWait->setBackColor(wait);
    lblShutdown->setBackColor(shutdown);
}

void FrmLogo::SetTabBorders(int startup, int wait, int shutdown)
{
    lblStartup->setBorderStyle(startup);
    lblWait->setBorderStyle(wait);
    lblShutdown->setBorderStyle(shutdown);
}

namespace {
void refreshCheckTooltip(QCheckBox *check, LogoSlot slot)
{
    const LogoSlotInfo &info = slotInfo(slot);
    check->setToolTip(check->checkState() == Qt::Checked ? info.checkedTooltip
                                                         : info.uncheckedTooltip);
}
} // namespace

void FrmLogo::chkStartup_MouseMove() { refreshCheckTooltip(chkStartup, LogoSlot::Startup); }
void FrmLogo::chkWait_MouseMove() { refreshCheckTooltip(chkWait, LogoSlot::Wait); }
void FrmLogo::chkShutdown_MouseMove() { refreshCheckTooltip(chkShutdown, LogoSlot::Shutdown); }

} // namespace bg

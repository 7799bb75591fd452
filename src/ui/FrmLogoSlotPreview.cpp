// A left press on a slot preview shows that slot's logo full size.
#include "ui/FrmLogo.h"
#include "ui/FrmLogoPreview.h"
#include "ui/ImageBox.h"

namespace bg {

void FrmLogo::ShowSlotPreview(ImageBox *preview)
{
    if (!preview || !preview->hasPicture())
        return;
    FrmLogoPreview::showModal(preview->picture(), m_services.commandText, this);
}

namespace {
bool leftAlone(Qt::MouseButton button, Qt::MouseButtons buttons)
{
    return button == Qt::LeftButton && buttons == Qt::LeftButton;
}
} // namespace

void FrmLogo::imgStartup_MouseDown(Qt::MouseButton button, Qt::MouseButtons buttons)
{
    if (leftAlone(button, buttons))
        ShowSlotPreview(imgStartup);
}

void FrmLogo::imgWait_MouseDown(Qt::MouseButton button, Qt::MouseButtons buttons)
{
    if (leftAlone(button, buttons))
        ShowSlotPreview(imgWait);
}

void FrmLogo::imgShutdown_MouseDown(Qt::MouseButton button, Qt::MouseButtons buttons)
{
    if (leftAlone(button, buttons))
        ShowSlotPreview(imgShutdown);
}

} // namespace bg

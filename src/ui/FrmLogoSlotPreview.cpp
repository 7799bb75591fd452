#include "ui/FrmLogo.h"

namespace bg {

void FrmLogo::ShowSlotPreview(ImageBox *) {}
void FrmLogo::imgStartup_MouseDown(Qt::MouseButton, Qt::MouseButtons) {}
void FrmLogo::imgWait_MouseDown(Qt::MouseButton, Qt::MouseButtons) {}
void FrmLogo::imgShutdown_MouseDown(Qt::MouseButton, Qt::MouseButtons) {}

} // namespace bg

#include "ui/FrmLogo.h"

namespace bg {

void FrmLogo::ApplyLogoToSlot(ImageBox *, const QString &, const QString &, const QString &) {}
void FrmLogo::lstSys_DblClick() {}
void FrmLogo::imgStartup_DragDrop() {}
void FrmLogo::imgWait_DragDrop() {}
void FrmLogo::imgShutdown_DragDrop() {}
void FrmLogo::imgOutput_MouseMove() {}
void FrmLogo::applyToSlot(LogoSlot) {}

} // namespace bg

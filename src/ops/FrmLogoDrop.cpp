#include "ui/FrmLogo.h"

namespace bg {

bool FrmLogo::lstSys_OLEDragOver(const QMimeData *) { return false; }
void FrmLogo::lstSys_OLEDragDrop(const QMimeData *) {}

} // namespace bg

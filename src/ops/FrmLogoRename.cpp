#include "ui/FrmLogo.h"

namespace bg {

void FrmLogo::mnuRename_Click() {}
void FrmLogo::txtRename_KeyPress(int &) {}
void FrmLogo::txtRename_KeyDown(int) {}
void FrmLogo::txtRename_LostFocus() {}

} // namespace bg

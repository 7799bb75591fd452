#include "ui/FrmLogo.h"

namespace bg {

void FrmLogo::mnuRun_Click() {}
void FrmLogo::mnuUnrun_Click() {}
void FrmLogo::mnuLittle_Click() {}
void FrmLogo::mnuBig_Click() {}
void FrmLogo::mnuRandom_Click() {}

} // namespace bg

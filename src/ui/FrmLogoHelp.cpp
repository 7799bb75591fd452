#include "ui/FrmLogo.h"

namespace bg {

void FrmLogo::mnuReadme_Click() {}
void FrmLogo::mnuHarborview_Click() {}
void FrmLogo::mnuPixelbarn_Click() {}
void FrmLogo::mnuInkmeadow_Click() {}
void FrmLogo::mnuAbout_Click() {}
QString FrmLogo::harborviewAddress() { return {}; }
QString FrmLogo::pixelbarnAddress() { return {}; }
QString FrmLogo::inkmeadowAddress() { return {}; }
QString FrmLogo::contactAddress() { return {}; }

} // namespace bg

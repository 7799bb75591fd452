#include "ui/FrmLogo.h"

namespace bg {

void FrmLogo::cmdBrowser_Click() {}

} // namespace bg

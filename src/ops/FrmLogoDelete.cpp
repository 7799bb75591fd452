#include "ui/FrmLogo.h"

namespace bg {

void FrmLogo::mnuDelete_Click() {}

} // namespace bg

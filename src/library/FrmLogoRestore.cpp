#include "ui/FrmLogo.h"

namespace bg {

void FrmLogo::cmdRestore_Click() {}

} // namespace bg

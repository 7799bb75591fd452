#include "ui/FrmLogo.h"

namespace bg {

int FrmLogo::runAddMode(const QString &) { return 1; }
int FrmLogo::runPreviewMode(const QString &) { return 1; }

} // namespace bg

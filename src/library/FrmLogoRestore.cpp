// The Restore button: the used logos of the shown folder go back into it.
#include "library/LogoRestorer.h"
#include "ui/FrmLogo.h"

namespace bg {

void FrmLogo::cmdRestore_Click()
{
    const QString folder = state.currentFolder();
    LogoRestorer(m_services.files).restore(folder);
    rescan(folder, false);
}

} // namespace bg

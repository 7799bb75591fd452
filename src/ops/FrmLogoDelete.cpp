// Deleting the selected logo file from the slot's folder.
#include "platform/FileService.h"
#include "ui/FrmLogo.h"
#include "ui/LogoList.h"
#include "ui/Messages.h"

namespace bg {

void FrmLogo::mnuDelete_Click()
{
    const QString name = lstSys->currentText();
    const QString folder = state.currentFolder();
    const QString path = folder + name;

    if (!messages::confirmDelete(m_services.desktop, name))
        return;

    // A file that is already gone needs no deleting; the re-scan drops its entry.
    if (m_services.files.fileExists(path)) {
        if (m_services.files.deleteFile(path, true) != 0) {
            // Whatever went wrong, the same words; the name is read again from the list.
            messages::deleteFailed(m_services.desktop, lstSys->currentText());
            return;
        }
    }
    rescan(folder, true);
}

} // namespace bg

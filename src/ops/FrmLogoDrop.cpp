// Pictures dropped on the logo list from other programs.
#include "ops/LogoDropAdder.h"
#include "ui/FrmLogo.h"
#include "ui/Messages.h"

namespace bg {

bool FrmLogo::lstSys_OLEDragOver(const QMimeData *data)
{
    return holdsFileList(data);
}

void FrmLogo::lstSys_OLEDragDrop(const QMimeData *data)
{
    if (!holdsFileList(data))
        return;
    const QString folder = state.currentFolder();
    const LogoDropAdder adder(m_services.files, m_tester);
    Desktop &desktop = m_services.desktop;
    const DropOutcome result = adder.add(
        droppedFiles(data, m_services.prefix), folder,
        [&desktop](const QString &fileName) { return messages::askReplace(desktop, fileName); });
    messages::tellDrop(desktop, result);
    // An error ends the drop without a re-scan, even after files were copied.
    if (result.error == 0 && result.copied > 0)
        rescan(folder, true);
}

} // namespace bg

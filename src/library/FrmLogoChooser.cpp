// The folder button beside the path box.
#include "library/FolderChooser.h"
#include "ui/FrmLogo.h"

#include <QLineEdit>

namespace bg {

void FrmLogo::cmdBrowser_Click()
{
    const QString path =
        BrowseForFolder(m_services.desktop, this, QStringLiteral("請選擇放置LOGO的資料夾"));
    if (path.isEmpty())
        return;
    // Scanned exactly as a typed folder: the scan adds the backslash and re-points the slot.
    txtPath->setText(path);
    int key = 13;
    txtPath_KeyPress(key);
}

} // namespace bg

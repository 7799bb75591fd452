// Deleting the selected logo file from the slot's folder.
#include "platform/Desktop.h"
#include "platform/FileService.h"
#include "ui/FrmLogo.h"
#include "ui/LogoList.h"

namespace bg {

void FrmLogo::mnuDelete_Click()
{
    const QString name = lstSys->currentText();
    const QString folder = state.currentFolder();
    const QString path = folder + name;

    const int answer = m_services.desktop.messageBox(
        QStringLiteral("確定要將 '") + name + QStringLiteral("' 刪除嗎？"), mb::InfoYesNo,
        QStringLiteral("確認刪除檔案"));
    if (answer != mb::AnswerYes)
        return;

    // A file that is already gone needs no deleting; the re-scan drops its entry.
    if (m_services.files.fileExists(path)) {
        if (m_services.files.deleteFile(path, true) != 0) {
            // Whatever went wrong, the same words; the name is read again from the list.
            m_services.desktop.messageBox(
                QStringLiteral("無法刪除 ") + lstSys->currentText() +
                    QStringLiteral(": 存取被拒絕。\r\n\r\n請確定磁碟仍有可用空間且不是寫入保護，"
                                   "\r\n以及該檔案目前不是使用中。"),
                mb::Critical, QStringLiteral("刪除檔案發生錯誤"));
            return;
        }
    }
    rescan(folder, true);
}

} // namespace bg

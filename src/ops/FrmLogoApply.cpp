// Applying a logo to a slot: double-click on the list, or the large preview dropped on a slot
// preview.
#include "ops/LogoApplier.h"
#include "platform/Desktop.h"
#include "platform/FileService.h"
#include "platform/PictureLoader.h"
#include "ui/FrmLogo.h"
#include "ui/ImageBox.h"
#include "ui/LogoList.h"

#include <QLineEdit>

namespace bg {

void FrmLogo::ApplyLogoToSlot(ImageBox *preview, const QString &targetPath,
                              const QString &targetName, const QString &phrase)
{
    const QString name = lstSys->currentText();
    const QString folder = state.currentFolder();
    Desktop &desktop = m_services.desktop;
    const QString failed = QStringLiteral("更換失敗");

    const ApplyOutcome outcome =
        LogoApplier(m_services.files).apply(state.selectedLogoPath, folder, name, targetPath);
    switch (outcome.result) {
    case ApplyResult::NoEntry:
        desktop.messageBox(QStringLiteral("請先在清單中點選要更換的LOGO!!"), mb::Information,
                           failed);
        return;
    case ApplyResult::SameFile:
        desktop.messageBox(targetName + QStringLiteral(" 不需要再更換成本身!!"), mb::Information,
                           failed);
        return;
    case ApplyResult::SourceMissing:
        desktop.messageBox(QStringLiteral("在目前的目錄中找不到 ") + name +
                               QStringLiteral("，請重新整理清單後再試!!"),
                           mb::Critical, failed);
        return;
    case ApplyResult::CopyFailed:
        desktop.messageBox(QStringLiteral("無法將 ") + name +
                               QStringLiteral(" 備份到 Showed 目錄，原本的畫面沒有改變。"),
                           mb::Critical, failed);
        return;
    case ApplyResult::ReplaceFailed:
        desktop.messageBox(QStringLiteral("無法更換 ") + targetName +
                               QStringLiteral("，原本的畫面沒有改變。"),
                           mb::Critical, failed);
        return;
    case ApplyResult::Applied:
        break;
    }

    txtRename->hide();
    lstSys->removeEntry(lstSys->listIndex());
    RefreshListStatus();
    UpdateRestoreButton();

    // The slot preview shows the new system file; one that does not load shows nothing rather
    // than the logo it replaced.
    const auto host = m_services.files.hostPath(targetPath);
    const QImage picture = host ? m_services.pictures.load(*host) : QImage();
    if (picture.isNull())
        preview->clearPicture();
    else
        preview->setPicture(picture);

    desktop.messageBox(phrase + QStringLiteral("的畫面為==>") + name, mb::Information,
                       QStringLiteral("更換成功"));
}

void FrmLogo::applyToSlot(LogoSlot slot)
{
    const LogoSlotInfo &info = slotInfo(slot);
    ApplyLogoToSlot(slotPreview(slot), systemFilePath(slot, state.windowsFolder), info.targetName,
                    info.applyPhrase);
}

void FrmLogo::lstSys_DblClick()
{
    if (isSlotIndex(index(state.currentSlot)))
        applyToSlot(state.currentSlot);
}

// A drop on a slot preview applies the selected entry of the shown folder to that slot,
// whichever slot is shown.
void FrmLogo::imgStartup_DragDrop() { applyToSlot(LogoSlot::Startup); }
void FrmLogo::imgWait_DragDrop() { applyToSlot(LogoSlot::Wait); }
void FrmLogo::imgShutdown_DragDrop() { applyToSlot(LogoSlot::Shutdown); }

// The large preview can be dragged exactly while it shows a picture.
void FrmLogo::imgOutput_MouseMove()
{
    imgOutput->setAutoDrag(imgOutput->hasPicture());
}

} // namespace bg

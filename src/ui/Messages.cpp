#include "ui/Messages.h"

#include "core/LogoSettings.h"
#include "ops/LogoApplier.h"
#include "ops/LogoDropAdder.h"
#include "ops/PictureConversion.h"
#include "ops/RenameRules.h"
#include "platform/Desktop.h"
#include "platform/RuntimeError.h"

namespace bg::messages {

namespace {

const QString SettingsErrorTitle = QStringLiteral("設定錯誤");
const QString AddFailedTitle = QStringLiteral("加入失敗");
const QString NotFoundText = QStringLiteral("找不到來源檔案。");
const QString DeniedText = QStringLiteral("沒有檔案的使用權限。");
const QString UsedFolderIsLinkText =
    QStringLiteral("Showed 目錄是指向別處的連結，為了不更動別處的檔案，程式不會寫入或搬動其中的檔案。");

void critical(Desktop &desktop, const QString &prompt, const QString &title)
{
    desktop.messageBox(prompt, mb::Critical, title);
}

// Why a write failed, when the disk or the system's limit is the reason.
QString limitReason(int error)
{
    if (error == rt::DiskFull)
        return QStringLiteral("\n\n原因：磁碟已滿。");
    if (error == rt::TooLarge)
        return QStringLiteral("\n\n原因：檔案超過系統允許的檔案大小上限。");
    return QString();
}

} // namespace

namespace {

// Why a disk image cannot be read or written, in a sentence of its own.
QString imageReason(const QString &imageName, int problem)
{
    const QString quoted =
        imageName.isEmpty() ? QString() : QStringLiteral("「") + imageName + QStringLiteral("」");
    switch (problem) {
    case rt::ImageLocked:
        return QStringLiteral("磁碟映像檔") + quoted +
               QStringLiteral("正由另一個程式使用中（例如正在執行的模擬器）。");
    case rt::PermissionDenied:
        return QStringLiteral("您沒有寫入磁碟映像檔") + quoted + QStringLiteral("的權限。");
    case rt::NoFatVolume:
        return QStringLiteral("磁碟映像檔") + quoted +
               QStringLiteral("中沒有 FAT 分割區，它本身也不是 FAT 磁碟，程式無法讀取其中的 Windows。");
    default:
        return QStringLiteral("無法開啟磁碟映像檔") + quoted +
               QStringLiteral("：它不是程式認得的磁碟映像檔（raw、VHD、VDI、qcow2、VMDK），"
                              "或開啟它所需的程式（qemu-img、qemu-storage-daemon、FUSE、mtools）無法使用。");
    }
}

} // namespace

void tellImageDriveAtStart(Desktop &desktop, const QString &imageName, int readProblem,
                           int writeProblem)
{
    if (readProblem != rt::Ok) {
        critical(desktop, imageReason(imageName, readProblem), QStringLiteral("磁碟映像檔"));
        return;
    }
    if (writeProblem == rt::ImageLocked || writeProblem == rt::PermissionDenied)
        desktop.messageBox(imageReason(imageName, writeProblem) +
                               QStringLiteral("\n\n程式以唯讀方式使用它：可以瀏覽與預覽 LOGO，"
                                              "但不會寫入映像檔；需要寫入的動作會說明無法執行的原因。"),
                           mb::Information, QStringLiteral("唯讀模式"));
}

void imageNotWritten(Desktop &desktop, const QString &imageName, int problem, const QString &title)
{
    critical(desktop,
             imageReason(imageName, problem) +
                 QStringLiteral("\n\n程式只能讀取它，這項變更沒有寫入。"),
             title);
}

void folderNotFound(Desktop &desktop)
{
    critical(desktop, QStringLiteral("找不到您所設定的路徑，請重新指定更換LOGO的檔案路徑!!"),
             QStringLiteral("路徑錯誤"));
}

void notAPicture(Desktop &desktop, const QString &entryName)
{
    critical(desktop, QStringLiteral("此檔 '") + entryName + QStringLiteral("' 不為所支援的圖形格式！"),
             entryName);
}

void tellApply(Desktop &desktop, const ApplyOutcome &outcome, LogoSlot slot,
               const QString &entryName)
{
    const LogoSlotInfo &info = slotInfo(slot);
    const QString failed = QStringLiteral("更換失敗");
    switch (outcome.result) {
    case ApplyResult::Applied:
        if (outcome.logoKept) {
            desktop.messageBox(info.applyPhrase + QStringLiteral("的畫面為==>") + entryName +
                                   QStringLiteral("\n\n但無法將 ") + entryName +
                                   QStringLiteral(" 移出目前的目錄，它仍留在原處；Showed 目錄中也有一份備份。"),
                               mb::Exclamation, QStringLiteral("更換成功"));
            return;
        }
        desktop.messageBox(info.applyPhrase + QStringLiteral("的畫面為==>") + entryName,
                           mb::Information, QStringLiteral("更換成功"));
        return;
    case ApplyResult::OriginalNotKept:
        critical(desktop,
                 QStringLiteral("無法保留 ") + info.targetName +
                     QStringLiteral(" 的原始畫面，所以沒有更換，原本的畫面沒有改變。") +
                     limitReason(outcome.error),
                 failed);
        return;
    case ApplyResult::UsedFolderIsLink:
        critical(desktop,
                 UsedFolderIsLinkText + QStringLiteral("\n原本的畫面沒有改變。"), failed);
        return;
    case ApplyResult::NoEntry:
        desktop.messageBox(QStringLiteral("請先在清單中點選要更換的LOGO!!"), mb::Information,
                           failed);
        return;
    case ApplyResult::SameFile:
        desktop.messageBox(info.targetName + QStringLiteral(" 不需要再更換成本身!!"),
                           mb::Information, failed);
        return;
    case ApplyResult::SourceMissing:
        critical(desktop,
                 QStringLiteral("在目前的目錄中找不到 ") + entryName +
                     QStringLiteral("，請重新整理清單後再試!!"),
                 failed);
        return;
    case ApplyResult::CopyFailed:
        critical(desktop,
                 QStringLiteral("無法將 ") + entryName +
                     QStringLiteral(" 備份到 Showed 目錄，原本的畫面沒有改變。") +
                     limitReason(outcome.error),
                 failed);
        return;
    case ApplyResult::ReplaceFailed:
        critical(desktop,
                 QStringLiteral("無法更換 ") + info.targetName +
                     QStringLiteral("，原本的畫面沒有改變。") + limitReason(outcome.error),
                 failed);
        return;
    }
}

bool confirmDelete(Desktop &desktop, const QString &name)
{
    return desktop.messageBox(QStringLiteral("確定要將 '") + name + QStringLiteral("' 刪除嗎？"),
                              mb::InfoYesNo, QStringLiteral("確認刪除檔案"))
           == mb::AnswerYes;
}

void deleteFailed(Desktop &desktop, const QString &name)
{
    critical(desktop,
             QStringLiteral("無法刪除 ") + name +
                 QStringLiteral(": 存取被拒絕。\r\n\r\n請確定磁碟仍有可用空間且不是寫入保護，"
                                "\r\n以及該檔案目前不是使用中。"),
             QStringLiteral("刪除檔案發生錯誤"));
}

void tellRename(Desktop &desktop, const RenameOutcome &outcome)
{
    const QString title = QStringLiteral("更換檔名發生錯誤");
    const QString cannot = QStringLiteral("無法重新命名 ") + outcome.oldName;
    switch (outcome.result) {
    case RenameResult::Unchanged:
    case RenameResult::Moved:
        return;
    case RenameResult::EmptyName:
        critical(desktop, QStringLiteral("您必須輸入檔名!!"), QStringLiteral("重新命名"));
        return;
    case RenameResult::Exists:
        critical(desktop,
                 cannot + QStringLiteral(": 您指定名稱的檔案已經存在。請指定其它檔案。"), title);
        return;
    case RenameResult::ReservedName:
        critical(desktop,
                 cannot + QStringLiteral(": 以「.~bg」開頭的名稱保留給程式的暫存檔，請改用其它名稱。"),
                 title);
        return;
    case RenameResult::BadName:
    case RenameResult::MoveFailed:
        critical(desktop,
                 cannot +
                     QStringLiteral(": 磁碟為寫入保護。\r\n\r\n請移除寫入保護的狀態或改用其它磁碟。"),
                 title);
        return;
    }
}

bool askReplace(Desktop &desktop, const QString &fileName)
{
    return desktop.messageBox(QStringLiteral("'") + fileName +
                                  QStringLiteral("' 檔案已經存在，是否要覆蓋此檔？"),
                              mb::QuestionYesNo, QStringLiteral("確認取代檔案"))
           == mb::AnswerYes;
}

void tellDrop(Desktop &desktop, const DropOutcome &outcome)
{
    if (outcome.error != rt::Ok)
        addFailed(desktop, outcome.error);
}

void tellRestoreOriginal(Desktop &desktop, const OriginalLogos::RestoreOutcome &outcome,
                         LogoSlot slot)
{
    const QString title = QStringLiteral("還原原始畫面");
    const QString target = slotInfo(slot).targetName;
    switch (outcome.result) {
    case OriginalLogos::Restore::Restored:
        desktop.messageBox(QStringLiteral("已還原 ") + target + QStringLiteral(" 的原始畫面。"),
                           mb::Information, title);
        return;
    case OriginalLogos::Restore::NothingKept:
        desktop.messageBox(QStringLiteral("沒有保留 ") + target +
                               QStringLiteral(" 的原始畫面。"),
                           mb::Information, title);
        return;
    case OriginalLogos::Restore::Failed:
        critical(desktop,
                 QStringLiteral("無法還原 ") + target +
                     QStringLiteral(" 的原始畫面，目前的畫面沒有改變。") + limitReason(outcome.error),
                 title);
        return;
    }
}

void usedFolderIsLink(Desktop &desktop)
{
    critical(desktop, UsedFolderIsLinkText, QStringLiteral("還原失敗"));
}

void addFailed(Desktop &desktop, int error)
{
    switch (error) {
    case rt::DiskFull:
        critical(desktop, QStringLiteral("磁碟已滿，無法複製圖片。資料夾中沒有留下不完整的檔案。"),
                 AddFailedTitle);
        return;
    case rt::TooLarge:
        critical(desktop,
                 QStringLiteral("檔案太大，超過系統允許這個程式寫入的檔案大小上限，無法複製圖片。"
                                "資料夾中沒有留下不完整的檔案。"),
                 AddFailedTitle);
        return;
    case rt::BadFileName:
        critical(desktop, QStringLiteral("檔名以「.~bg」開頭的檔案是程式的暫存檔名稱，無法加入。"),
                 AddFailedTitle);
        return;
    case rt::FileNotFound:
        critical(desktop, NotFoundText, AddFailedTitle);
        return;
    case rt::InvalidPicture:
        critical(desktop,
                 QStringLiteral("有一張圖片已經無法讀取（可能在轉換前被移走或改寫），"
                                "它和之後的圖片都沒有轉換。"),
                 AddFailedTitle);
        return;
    case rt::PermissionDenied:
        critical(desktop, DeniedText, AddFailedTitle);
        return;
    case rt::ImageLocked:
        critical(desktop,
                 QStringLiteral("磁碟映像檔正由另一個程式使用中（例如正在執行的模擬器），"
                                "圖片沒有加入。"),
                 AddFailedTitle);
        return;
    default:
        critical(desktop, QStringLiteral("程式出現不可預期的錯誤，請告知程式設計師錯誤的資訊！"),
                 QStringLiteral("錯誤編號") + QString::number(error));
        return;
    }
}

ConversionOffer addConversionOffer(const QStringList &pictureNames, const QString &folder)
{
    ConversionOffer offer;
    offer.title = QStringLiteral("轉換成開機畫面");
    offer.pictureNames = pictureNames;
    offer.prompt = pictureNames.size() == 1
        ? QStringLiteral("'") + pictureNames.first() +
              QStringLiteral("' 不是一個 LOGO。要把它轉換成開機畫面（320 × 400、256 色的點陣圖），"
                             "以 '") + convertedLogoName(pictureNames.first()) +
              QStringLiteral("' 加入至 ") + folder + QStringLiteral(" 嗎？")
        : QStringLiteral("有 ") + QString::number(pictureNames.size()) +
              QStringLiteral(" 張圖片不是 LOGO。要把它們轉換成開機畫面（320 × 400、256 色的點陣圖），"
                             "各以原檔名加上 .bmp 加入至 ") + folder +
              QStringLiteral(" 嗎？以下的設定適用於全部的圖片。");
    return offer;
}

ConversionOffer applyConversionOffer(const QString &entryName, LogoSlot slot)
{
    ConversionOffer offer;
    offer.title = QStringLiteral("轉換成開機畫面");
    offer.pictureNames = QStringList{entryName};
    offer.prompt = QStringLiteral("'") + entryName +
        QStringLiteral("' 不是 Windows 開機時能顯示的點陣圖，直接更換的話 ") +
        slotInfo(slot).targetName +
        QStringLiteral(" 將無法顯示。要把它轉換成開機畫面再更換嗎？原本的圖片會移到 Showed 資料夾。");
    return offer;
}

void conversionFailed(Desktop &desktop, const QString &entryName)
{
    critical(desktop,
             QStringLiteral("無法讀取 '") + entryName +
                 QStringLiteral("'（可能在轉換前被移走或改寫），所以沒有轉換，原本的畫面沒有改變。"),
             QStringLiteral("轉換成開機畫面"));
}

void registrationFailed(Desktop &desktop, bool oldShortcutStays)
{
    critical(desktop,
             oldShortcutStays
                 ? QStringLiteral("無法更新「啟動」資料夾中的捷徑；原有的捷徑仍在，開機時仍會執行它。")
                 : QStringLiteral("無法在「啟動」資料夾中建立捷徑，開機時不會自動更換 LOGO。"),
             QStringLiteral("開機啟動"));
}

void companionMissing(Desktop &desktop, const QString &hostPath)
{
    critical(desktop,
             QStringLiteral("找不到開機時更換 LOGO 的程式 Onboot.exe（") + hostPath +
                 QStringLiteral("），無法設定開機時自動更換 LOGO。"),
             QStringLiteral("開機啟動"));
}

void companionNotPlaced(Desktop &desktop, const QString &folder)
{
    critical(desktop,
             QStringLiteral("無法將 Onboot.exe 放到 ") + folder +
                 QStringLiteral(" 資料夾，開機時不會自動更換 LOGO。"),
             QStringLiteral("開機啟動"));
}

void folderOffWindows(Desktop &desktop, LogoSlot slot, const QString &folder)
{
    desktop.messageBox(QStringLiteral("「") + folder +
                           QStringLiteral("」位於對應 Linux 根目錄的磁碟機上，Windows 自己開機時看不到這個資料夾，") +
                           slotInfo(slot).tabCaption + QStringLiteral("無法在開機時自動更換。"),
                       mb::Exclamation, QStringLiteral("開機啟動"));
}

void unregistrationFailed(Desktop &desktop)
{
    critical(desktop,
             QStringLiteral("無法刪除「啟動」資料夾中的捷徑，開機時仍會自動更換 LOGO。"),
             QStringLiteral("開機啟動"));
}

void readmeNotFound(Desktop &desktop)
{
    critical(desktop, QStringLiteral("Readme.htm 檔案找不到，請自行尋找檔案!!"),
             QStringLiteral("檔案找不到"));
}

int askSaveFolder(Desktop &desktop, LogoSlot slot)
{
    return desktop.messageBox(slotInfo(slot).slotWord +
                                  QStringLiteral("路徑已改變，儲存剛剛的設定？"),
                              mb::ExclamationYesNoCancel, QStringLiteral("Bootgallery"));
}

void folderWithoutLogos(Desktop &desktop)
{
    critical(desktop, QStringLiteral("您所設定的目錄並沒有任何LOGO可供更換，請重新設定!!"),
             SettingsErrorTitle);
}

void folderIsDriveRoot(Desktop &desktop)
{
    critical(desktop, QStringLiteral("此目錄沒有足夠的LOGO可供更換，請重新指定目錄!!"),
             SettingsErrorTitle);
}

void folderNotSaved(Desktop &desktop, LogoSlot slot, SettingsWrite reason)
{
    const QString &slotWord = slotInfo(slot).slotWord;
    switch (reason) {
    case SettingsWrite::Written:
        return;
    case SettingsWrite::NotEncodable:
        critical(desktop, slotWord + QStringLiteral("路徑無法儲存到設定檔，請改用其它目錄名稱!!"),
                 SettingsErrorTitle);
        return;
    case SettingsWrite::Refused:
        critical(desktop,
                 slotWord + QStringLiteral("路徑無法寫入設定檔，請確定設定檔沒有被設為唯讀且"
                                           "磁碟不是寫入保護!!"),
                 SettingsErrorTitle);
        return;
    }
}

void optionsNotSaved(Desktop &desktop)
{
    critical(desktop, QStringLiteral("部分設定無法寫入設定檔，這些設定沒有儲存!!"),
             SettingsErrorTitle);
}

void startupFolderNotFound(Desktop &desktop)
{
    critical(desktop,
             QStringLiteral("找不到您所設定的開機畫面路徑，請重新指定更換LOGO的檔案路徑!!"),
             QStringLiteral("路徑錯誤"));
}

void sourceUnreadable(Desktop &desktop, int error)
{
    critical(desktop, error == rt::PermissionDenied ? DeniedText : NotFoundText, AddFailedTitle);
}

void notALogoToAdd(Desktop &desktop, const QString &fileName, const QString &folder)
{
    critical(desktop,
             QStringLiteral("'") + fileName + QStringLiteral("' 不是一個 LOGO，所以無法加入至 ") +
                 folder,
             AddFailedTitle);
}

void added(Desktop &desktop, const QString &fileName, const QString &folder)
{
    desktop.messageBox(QStringLiteral("已成功的將 '") + fileName + QStringLiteral("' 加入 ") +
                           folder,
                       mb::Information, QStringLiteral("加入完成"));
}

void notALogoToPreview(Desktop &desktop, const QString &fileName)
{
    critical(desktop, QStringLiteral("'") + fileName + QStringLiteral("' 不是一個 LOGO，所以無法預覽。"),
             QStringLiteral("預覽錯誤"));
}

} // namespace bg::messages

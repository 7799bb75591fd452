// Closing the main window: the questions about changed folders and the settings save.
#include "core/LogoSettings.h"
#include "platform/Desktop.h"
#include "platform/PrivateProfile.h"
#include "ui/FrmLogo.h"

#include <QAction>
#include <QCheckBox>
#include <QRadioButton>

namespace bg {

void FrmLogo::Form_Unload(bool &cancel)
{
    PrivateProfile profile(m_services.files);
    SettingsFile settings(profile, state.windowsFolder);
    Desktop &desktop = m_services.desktop;

    // Options the settings file did not take are told once, after the walk; the window still
    // closes (a disk that refuses every write must not keep it open for ever).
    bool optionLost = false;
    auto writeOption = [&](const QString &key, const QString &value) {
        if (!settings.write(key, value))
            optionLost = true;
    };

    for (LogoSlot slot : AllSlots) {
        const size_t i = size_t(index(slot));
        const LogoSlotInfo &info = slotInfo(slot);
        const bool checked = slotCheck(slot)->isChecked();
        if (!state.folderChanged[i]) {
            writeOption(info.checkedKey,
                        SettingsFile::flagWord(!state.slotFolders[i].isEmpty() && checked));
            continue;
        }
        const int answer = desktop.messageBox(
            info.slotWord + QStringLiteral("路徑已改變，儲存剛剛的設定？"),
            mb::ExclamationYesNoCancel, QStringLiteral("Bootgallery"));
        if (answer == mb::AnswerCancel) {
            cancel = true;
            return;
        }
        if (answer != mb::AnswerYes)
            continue;
        if (!state.slotHasLogos[i]) {
            desktop.messageBox(
                QStringLiteral("您所設定的目錄並沒有任何LOGO可供更換，請重新設定!!"),
                mb::Critical, QStringLiteral("設定錯誤"));
            cancel = true;
            txtPath_GotFocus();
            continue;
        }
        if (state.slotFolders[i].toUpper() == QLatin1String("C:\\")) {
            desktop.messageBox(QStringLiteral("此目錄沒有足夠的LOGO可供更換，請重新指定目錄!!"),
                               mb::Critical, QStringLiteral("設定錯誤"));
            cancel = true;
            txtPath_GotFocus();
            continue;
        }
        // A folder that did not reach the file (a name the settings file's code page cannot
        // hold, a disk that refuses the write) is not saved: the user is told, the slot stays
        // changed with its old values in the file, and the window stays open so the choice is
        // not lost silently (the next close asks again; No lets the window go).
        if (!settings.write(info.folderKey, state.slotFolders[i])) {
            desktop.messageBox(info.slotWord +
                                   QStringLiteral("路徑無法儲存到設定檔，請改用其它目錄名稱!!"),
                               mb::Critical, QStringLiteral("設定錯誤"));
            cancel = true;
            txtPath_GotFocus();
            continue;
        }
        writeOption(info.checkedKey, SettingsFile::flagWord(checked));
        state.folderChanged[i] = false;
    }

    writeOption(QStringLiteral("PopUp"), SettingsFile::flagWord(optYes->isChecked()));
    writeOption(QStringLiteral("Method"), mnuLittle->isChecked() ? QStringLiteral("Little")
                                          : mnuBig->isChecked()  ? QStringLiteral("Big")
                                                                 : QStringLiteral("Random"));
    if (optionLost)
        desktop.messageBox(QStringLiteral("部分設定無法寫入設定檔，這些設定沒有儲存!!"),
                           mb::Critical, QStringLiteral("設定錯誤"));
}

} // namespace bg

// Closing the main window: the questions about changed folders and the settings save.
#include "core/LogoSettings.h"
#include "platform/Desktop.h"
#include "platform/PrivateProfile.h"
#include "ui/FrmLogo.h"
#include "ui/Messages.h"

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
        if (settings.write(key, value) != SettingsWrite::Written)
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
        const int answer = messages::askSaveFolder(desktop, slot);
        if (answer == mb::AnswerCancel) {
            cancel = true;
            return;
        }
        if (answer != mb::AnswerYes)
            continue;
        if (!state.slotHasLogos[i]) {
            messages::folderWithoutLogos(desktop);
            cancel = true;
            txtPath_GotFocus();
            continue;
        }
        if (state.slotFolders[i].toUpper() == QLatin1String("C:\\")) {
            messages::folderIsDriveRoot(desktop);
            cancel = true;
            txtPath_GotFocus();
            continue;
        }
        // A folder that did not reach the file (a name the settings file's code page cannot
        // hold, a disk that refuses the write) is not saved: the user is told, the slot stays
        // changed with its old values in the file, and the window stays open so the choice is
        // not lost silently (the next close asks again; No lets the window go).
        const SettingsWrite written = settings.write(info.folderKey, state.slotFolders[i]);
        if (written != SettingsWrite::Written) {
            messages::folderNotSaved(desktop, slot, written);
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
        messages::optionsNotSaved(desktop);
}

} // namespace bg

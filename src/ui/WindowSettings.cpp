#include "ui/WindowSettings.h"

#include "platform/Services.h"
#include "core/LogoSettings.h"
#include "core/LogoTests.h"
#include "core/MainWindowState.h"
#include "ops/StartupRegistration.h"
#include "platform/Desktop.h"
#include "platform/DosAttributes.h"
#include "platform/FileService.h"
#include "platform/Prefix.h"
#include "platform/PrivateProfile.h"
#include "platform/ProgramFile.h"
#include "ui/MainWindowUi.h"
#include "ui/DiskChange.h"
#include "ui/Messages.h"

#include <QAction>
#include <memory>
#include <QFileInfo>
#include <algorithm>
#include <QCheckBox>
#include <QRadioButton>

namespace bg {

WindowSettings::WindowSettings(MainWindowUi &ui, MainWindowState &state, Services &services,
                               QWidget *window)
    : QObject(window), m_ui(ui), m_state(state), m_services(services),
      m_diskWork(new DiskWork(window))
{
}

void WindowSettings::load()
{
    PrivateProfile profile(m_services.files);
    const SettingsFile settingsFile(profile, m_state.windowsFolder);
    LogoSettings settings;
    settingsFile.readOptions(settings);
    for (LogoSlot slot : AllSlots)
        if (settings.changeAtBoot[size_t(index(slot))])
            m_ui.slotCheck(slot)->setChecked(true);
    (settings.popUp ? m_ui.popUpOn : m_ui.popUpOff)->setChecked(true);
    switch (settings.method) {
    case ChangeMethod::Little:
        m_ui.ascendingAction->setChecked(true);
        break;
    case ChangeMethod::Big:
        m_ui.descendingAction->setChecked(true);
        break;
    case ChangeMethod::Random:
        m_ui.randomAction->setChecked(true);
        break;
    }

    m_state.startupMenuFolder = GetSpecialFolderPath(m_services.prefix);
    const StartupRegistration registration(m_services.files);
    showStartAtBoot(registration.isRegistered(m_state.startupMenuFolder));
    // A registration that cannot work (a companion outside drive C, missing or out of date) is
    // mended without a word; only a failed mend is told.
    if (registration.repair(m_state.startupMenuFolder, m_services.prefix.programsFolder(),
                            readProgramFile(m_services.companionFile))
        == StartupRegistration::Repair::Failed) {
        showStartAtBoot(registration.isRegistered(m_state.startupMenuFolder));
        messages::registrationFailed(m_services.desktop, true);
    }
}

void WindowSettings::warnFoldersOffWindows()
{
    for (LogoSlot slot : AllSlots) {
        const QString &folder = m_state.folder(slot);
        if (m_ui.slotCheck(slot)->isChecked() && !folder.isEmpty()
            && m_services.prefix.isOnHostRootDrive(folder))
            messages::folderOffWindows(m_services.desktop, slot, folder);
    }
}

void WindowSettings::showStartAtBoot(bool registered)
{
    m_ui.startAtBootOnAction->setChecked(registered);
    m_ui.startAtBootOffAction->setChecked(!registered);
}

void WindowSettings::switchStartAtBootOn()
{
    // The click toggled the mark; the Startup folder decides it.
    const bool wasOn = !m_ui.startAtBootOnAction->isChecked();
    showStartAtBoot(wasOn);
    if (wasOn)
        return;
    m_state.startupMenuFolder = GetSpecialFolderPath(m_services.prefix);
    const DiskChange change(m_services, {m_state.startupMenuFolder, m_state.windowsFolder},
                            messages::titles::startAtBoot());
    if (!change.allowed())
        return;
    struct Result
    {
        StartupRegistration::Outcome outcome;
        bool registered = false;
    };
    auto result = std::make_shared<Result>();
    FileService &files = m_services.files;
    m_diskWork->run(
        change.touchesImage(),
        [&files, result, startup = m_state.startupMenuFolder,
         programs = m_services.prefix.programsFolder(), companion = m_services.companionFile] {
            const StartupRegistration registration(files);
            result->outcome = registration.create(startup, programs, readProgramFile(companion));
            result->registered = registration.isRegistered(startup);
        },
        [this, result] {
            // The menu tells whether a shortcut is there, and the message what that means.
            showStartAtBoot(result->registered);
            switch (result->outcome.result) {
            case StartupRegistration::Result::Done:
                warnFoldersOffWindows();
                return;
            case StartupRegistration::Result::CompanionMissing:
                messages::companionMissing(m_services.desktop, m_services.companionFile);
                return;
            case StartupRegistration::Result::CompanionNotPlaced:
                messages::companionNotPlaced(m_services.desktop, StartupRegistration::companionFolder());
                return;
            case StartupRegistration::Result::LinkFailed:
                messages::registrationFailed(m_services.desktop, result->registered);
                return;
            }
        });
}

void WindowSettings::switchStartAtBootOff()
{
    const bool wasOff = !m_ui.startAtBootOffAction->isChecked();
    showStartAtBoot(!wasOff);
    if (wasOff)
        return;
    m_state.startupMenuFolder = GetSpecialFolderPath(m_services.prefix);
    const DiskChange change(m_services, {m_state.startupMenuFolder, m_state.windowsFolder},
                            messages::titles::startAtBoot());
    if (!change.allowed())
        return;
    auto result = std::make_shared<std::pair<int, bool>>(); // error, still registered
    FileService &files = m_services.files;
    m_diskWork->run(
        change.touchesImage(),
        [&files, result, startup = m_state.startupMenuFolder] {
            const StartupRegistration registration(files);
            result->first = registration.remove(startup);
            result->second = registration.isRegistered(startup);
        },
        [this, result] {
            // A shortcut that could not be deleted keeps the change registered.
            showStartAtBoot(result->second);
            if (result->first)
                messages::unregistrationFailed(m_services.desktop);
        });
}

bool WindowSettings::save()
{
    // A disk image that cannot be written now keeps its settings: a changed folder is told of
    // (the start told that the image is only read), and the window closes.
    if (const int problem = m_services.files.driveProblem(m_state.windowsFolder, true)) {
        if (std::find(m_state.folderChanged.begin(), m_state.folderChanged.end(), true)
            != m_state.folderChanged.end())
            messages::imageNotWritten(
                m_services.desktop,
                QFileInfo(m_services.prefix.driveImage(m_state.windowsFolder.at(0))).fileName(),
                problem, messages::titles::settings());
        return true;
    }
    PrivateProfile profile(m_services.files);
    SettingsFile settings(profile, m_state.windowsFolder);
    Desktop &desktop = m_services.desktop;
    bool keepOpen = false;

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
        const bool checked = m_ui.slotCheck(slot)->isChecked();
        if (!m_state.folderChanged[i]) {
            writeOption(info.checkedKey,
                        SettingsFile::flagWord(!m_state.slotFolders[i].isEmpty() && checked));
            continue;
        }
        const int answer = messages::askSaveFolder(desktop, slot);
        if (answer == mb::AnswerCancel)
            return false;
        if (answer != mb::AnswerYes)
            continue;
        if (!m_state.slotHasLogos[i]) {
            messages::folderWithoutLogos(desktop);
            keepOpen = true;
            continue;
        }
        if (m_state.slotFolders[i].toUpper() == QLatin1String("C:\\")) {
            messages::folderIsDriveRoot(desktop);
            keepOpen = true;
            continue;
        }
        // A folder that did not reach the file is not saved: the user is told why, the slot
        // stays changed with its old value in the file, and the window stays open so the choice
        // is not lost silently (the next close asks again; No lets the window go).
        const SettingsWrite written = settings.write(info.folderKey, m_state.slotFolders[i]);
        if (written != SettingsWrite::Written) {
            messages::folderNotSaved(desktop, slot, written);
            keepOpen = true;
            continue;
        }
        writeOption(info.checkedKey, SettingsFile::flagWord(checked));
        m_state.folderChanged[i] = false;
    }

    writeOption(QStringLiteral("PopUp"), SettingsFile::flagWord(m_ui.popUpOn->isChecked()));
    writeOption(QStringLiteral("Method"), m_ui.ascendingAction->isChecked() ? QStringLiteral("Little")
                                          : m_ui.descendingAction->isChecked()
                                              ? QStringLiteral("Big")
                                              : QStringLiteral("Random"));
    if (optionLost)
        messages::optionsNotSaved(desktop);
    warnFoldersOffWindows();
    if (keepOpen)
        emit folderNeedsAttention();
    return !keepOpen;
}

} // namespace bg

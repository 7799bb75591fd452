#include "ui/LogoActions.h"

#include "platform/Services.h"
#include "core/LogoTests.h"
#include "core/MainWindowState.h"
#include "ui/ConversionProgress.h"
#include "ui/FolderChooser.h"
#include "ops/LogoRestorer.h"
#include "ops/LogoApplier.h"
#include "ops/OriginalLogos.h"
#include "ops/RenameRules.h"
#include "platform/FileService.h"
#include "platform/PictureLoader.h"
#include "ui/ImageBox.h"
#include "ui/LogoList.h"
#include "ui/MainWindowUi.h"
#include "ui/DiskChange.h"
#include "ui/Messages.h"
#include "ui/RenameDelegate.h"
#include "ui/SlotBrowser.h"

#include <QLineEdit>

namespace bg {

LogoActions::LogoActions(MainWindowUi &ui, MainWindowState &state, Services &services,
                         const LogoTester &tester, SlotBrowser &browser, RenameDelegate &renamer,
                         QWidget *window)
    : QObject(window),
      m_ui(ui),
      m_state(state),
      m_services(services),
      m_tester(tester),
      m_browser(browser),
      m_renamer(renamer),
      m_window(window),
      m_diskWork(new DiskWork(window))
{
    // Drops made while a change was written go now.
    connect(m_diskWork, &DiskWork::finished, this, &LogoActions::addQueuedDrops,
            Qt::QueuedConnection);
    connect(&m_renamer, &RenameDelegate::renameConfirmed, this, &LogoActions::renameFile);
    connect(&m_browser, &SlotBrowser::scanStarting, this, &LogoActions::finishRenameBeforeScan);
    connect(&m_browser, &SlotBrowser::scanFinished, this, &LogoActions::addQueuedDrops,
            Qt::QueuedConnection);
    connect(&m_conversion, &ConversionJob::progressed, this, [this](int done) {
        if (auto *progress = qobject_cast<ConversionProgress *>(m_conversionProgress.data()))
            progress->setDone(done);
    });
    connect(&m_conversion, &ConversionJob::finished, this, &LogoActions::conversionFinished);
}

void LogoActions::applyChosenLogoToShownSlot()
{
    applyChosenLogo(m_state.currentSlot);
}

void LogoActions::applyChosenLogo(LogoSlot slot)
{
    const DiskChange change(m_services,
                            {m_state.currentFolder(), m_state.windowsFolder, QStringLiteral("C:\\")},
                            messages::titles::apply());
    if (!change.allowed() || offerToConvertChosen(slot))
        return;
    const QString name = m_ui.logoList->currentText();
    auto outcome = std::make_shared<ApplyOutcome>();
    FileService &files = m_services.files;
    m_diskWork->run(
        change.touchesImage(),
        [&files, outcome, name, slot, source = m_state.selectedLogoPath,
         folder = m_state.currentFolder(), windowsFolder = m_state.windowsFolder] {
            *outcome = LogoApplier(files).apply(source, folder, name, slot, windowsFolder);
        },
        [this, slot, name, outcome] { finishApply(slot, name, *outcome); });
}

bool LogoActions::offerToConvertChosen(LogoSlot slot)
{
    const QString name = m_ui.logoList->currentText();
    const QString source = m_state.selectedLogoPath;
    const QString folder = m_state.currentFolder();
    FileService &files = m_services.files;
    // What the apply refuses anyway (no entry, one left over, the system file itself) is refused
    // there, with its message, before any offer.
    const QString systemFile = systemFilePath(slot, m_state.windowsFolder);
    if (name.isEmpty() || source.compare(folder + name, Qt::CaseInsensitive) != 0
        || source.compare(systemFile, Qt::CaseInsensitive) == 0 || files.sameFile(source, systemFile)
        || isBootBitmap(files, source) || !canConvert(files, m_services.pictures, source))
        return false;

    auto conversions =
        std::make_shared<LogoConversions>(files, m_services.pictures, QStringList{source});
    ConversionOffer offer = messages::applyConversionOffer(name, slot);
    offer.preview = LogoConversions::previewOf(conversions);
    const auto choice = m_services.desktop.offerConversion(m_window, offer);
    if (!choice)
        return true;
    auto logo = std::make_shared<QByteArray>();
    const QString windowsFolder = m_state.windowsFolder;
    convert(conversions, {0}, *choice,
            [logo](int, const QByteArray &bytes) {
                *logo = bytes;
                return 0;
            },
            [=, this](const ConversionOutcome &outcome) {
                if (outcome.error != 0) {
                    messages::conversionFailed(m_services.desktop, name);
                    return;
                }
                const DiskChange change(m_services, {folder, windowsFolder, QStringLiteral("C:\\")},
                                        messages::titles::apply());
                if (!change.allowed())
                    return;
                finishApply(slot, name,
                            LogoApplier(m_services.files)
                                .applyConverted(source, folder, name, slot, windowsFolder, *logo));
            });
    return true;
}

void LogoActions::finishApply(LogoSlot slot, const QString &name, const ApplyOutcome &outcome)
{
    if (outcome.result != ApplyResult::Applied) {
        messages::tellApply(m_services.desktop, outcome, slot, name);
        return;
    }

    cancelRename();
    if (!outcome.logoKept)
        m_ui.logoList->removeEntry(m_ui.logoList->selectedRow());
    m_browser.refreshListStatus();
    m_browser.updateRestoreButton();

    showSystemLogo(slot);
    messages::tellApply(m_services.desktop, outcome, slot, name);
}

void LogoActions::showSystemLogo(LogoSlot slot)
{
    // The slot preview shows the system file as it is now; one that does not load (or none)
    // shows nothing rather than the logo it replaced.
    const auto host = m_services.files.hostPath(systemFilePath(slot, m_state.windowsFolder));
    const QImage picture = host ? m_services.pictures.load(*host) : QImage();
    if (picture.isNull())
        m_ui.slotPreview(slot)->clearPicture();
    else
        m_ui.slotPreview(slot)->setPicture(picture);
}

void LogoActions::restoreOriginalLogo(LogoSlot slot)
{
    const DiskChange change(m_services, {m_state.windowsFolder, QStringLiteral("C:\\")},
                            messages::titles::restoreOriginal());
    if (!change.allowed())
        return;
    auto outcome = std::make_shared<OriginalLogos::RestoreOutcome>();
    FileService &files = m_services.files;
    m_diskWork->run(
        change.touchesImage(),
        [&files, outcome, slot, windowsFolder = m_state.windowsFolder] {
            *outcome = OriginalLogos(files, windowsFolder).restore(slot);
        },
        [this, slot, outcome] {
            if (outcome->result == OriginalLogos::Restore::Restored)
                showSystemLogo(slot);
            messages::tellRestoreOriginal(m_services.desktop, *outcome, slot);
        });
}

void LogoActions::deleteChosenLogo()
{
    const QString name = m_ui.logoList->currentText();
    const QString folder = m_state.currentFolder();
    if (!messages::confirmDelete(m_services.desktop, name))
        return;
    const DiskChange change(m_services, {folder}, messages::titles::remove());
    if (!change.allowed())
        return;
    auto failed = std::make_shared<bool>(false);
    FileService &files = m_services.files;
    m_diskWork->run(
        change.touchesImage(),
        [&files, failed, path = folder + name] {
            // A file that is already gone needs no deleting; the re-scan drops its entry.
            *failed = files.fileExists(path) && files.deleteFile(path, true) != 0;
        },
        [this, failed, folder, name] {
            if (*failed) {
                messages::deleteFailed(m_services.desktop, name);
                return;
            }
            m_ui.logoList->setFocus();
            m_browser.rescan(folder);
        });
}

void LogoActions::startRename()
{
    LogoList *list = m_ui.logoList;
    const int row = list->selectedRow();
    if (row < 0 || m_browser.isScanning())
        return;
    const QModelIndex entry = list->model()->index(row, 0);
    // The entry goes to the top row as far as the list can scroll.
    list->scrollTo(entry, QAbstractItemView::PositionAtTop);
    const Twips twips = Twips::forWidget(list);
    const int widthTwips =
        renameBoxWidth(twips.toTwipsX(list->width()), m_browser.listTag(), list->entryCount());
    m_renamer.setBoxSize(QSize(twips.toPixelsX(widthTwips), twips.toPixelsY(270)));
    m_renameFolder = m_state.currentFolder();
    list->edit(entry);
}

void LogoActions::finishRename()
{
    m_renamer.commitEditing();
}

void LogoActions::finishRenameBeforeScan()
{
    if (!m_renamer.isEditing())
        return;
    m_scanFollowsRename = true;
    m_renamer.commitEditing();
    m_scanFollowsRename = false;
}

void LogoActions::cancelRename()
{
    m_renamer.cancelEditing();
}

void LogoActions::renameFile(const QString &oldName, const QString &newName)
{
    const QString folder = m_renameFolder;
    RenameOutcome outcome;
    {
        const DiskChange change(m_services, {folder}, messages::titles::rename());
        if (!change.allowed())
            return;
        outcome = LogoRenamer(m_services.files).rename(folder, oldName, newName);
    }
    messages::tellRename(m_services.desktop, outcome);
    if (outcome.end() == RenameEnd::Moved && !m_scanFollowsRename) {
        m_ui.logoList->setFocus();
        m_browser.rescan(folder);
    }
}

void LogoActions::addDroppedFiles(const QMimeData *data)
{
    if (!holdsFileList(data))
        return;
    std::vector<DroppedFile> files = droppedFiles(data, m_services.prefix);
    if (m_browser.isScanning() || isWorking()) {
        // The list is being filled: the drop is added once the scan is done.
        m_queuedDrops.push_back(std::move(files));
        return;
    }
    addFiles(files);
}

void LogoActions::addQueuedDrops()
{
    if (m_queuedDrops.empty() || m_browser.isScanning() || isWorking())
        return;
    const std::vector<DroppedFile> files = std::move(m_queuedDrops.front());
    m_queuedDrops.erase(m_queuedDrops.begin());
    addFiles(files);
    // A drop that started no scan lets the next one go now.
    if (!m_browser.isScanning() && !isWorking())
        addQueuedDrops();
}

void LogoActions::addFiles(const std::vector<DroppedFile> &files)
{
    const QString folder = m_state.currentFolder();
    const LogoDropAdder adder(m_services.files, m_tester);
    Desktop &desktop = m_services.desktop;
    DropOutcome outcome;
    {
        const DiskChange change(m_services, {folder}, messages::titles::add());
        if (!change.allowed())
            return;
        outcome = adder.add(files, folder, [&desktop](const QString &fileName) {
            return messages::askReplace(desktop, fileName);
        });
    }
    if (outcome.error == 0 && offerToConvertDropped(outcome.notLogos, folder, outcome.copied))
        return;
    messages::tellDrop(desktop, outcome);
    // An error ends the drop without a re-scan, even after files were copied.
    if (outcome.error == 0 && outcome.copied > 0) {
        m_ui.logoList->setFocus();
        m_browser.rescan(folder);
    }
}

bool LogoActions::offerToConvertDropped(const std::vector<QString> &notLogos,
                                        const QString &folder, int copied)
{
    FileService &files = m_services.files;
    QStringList pictures;
    for (const QString &path : notLogos) {
        if (canConvert(files, m_services.pictures, path))
            pictures.append(path);
    }
    if (pictures.isEmpty())
        return false;

    auto conversions = std::make_shared<LogoConversions>(files, m_services.pictures, pictures);
    ConversionOffer offer = messages::addConversionOffer(conversions->names(), folder);
    offer.preview = LogoConversions::previewOf(conversions);
    Desktop &desktop = m_services.desktop;
    const auto choice = desktop.offerConversion(m_window, offer);
    if (!choice)
        return false;

    // Each logo takes the picture's name with ".bmp"; an existing file gives way only when the
    // user says so, and a picture never gives way to its own logo.
    std::vector<int> indices;
    QStringList destinations;
    for (int i = 0; i < pictures.size(); ++i) {
        const QString name = convertedLogoName(ExtractFileName(pictures.at(i)));
        const QString destination = folder + name;
        destinations.append(destination);
        if (pictures.at(i).compare(destination, Qt::CaseInsensitive) == 0
            || files.sameFile(pictures.at(i), destination))
            continue;
        if (files.fileExists(destination) && !messages::askReplace(desktop, name))
            continue;
        indices.push_back(i);
    }
    if (indices.empty())
        return false;

    convert(conversions, indices, *choice,
            [&files, destinations](int index, const QByteArray &logo) {
                return files.writeFileAtomic(destinations.at(index), logo);
            },
            [this, folder, copied](const ConversionOutcome &outcome) {
                const DropOutcome drop{copied + outcome.converted, outcome.error, {}};
                messages::tellDrop(m_services.desktop, drop);
                if (drop.error == 0 && drop.copied > 0) {
                    m_ui.logoList->setFocus();
                    m_browser.rescan(folder);
                }
            });
    return true;
}

void LogoActions::convert(std::shared_ptr<LogoConversions> conversions, std::vector<int> indices,
                          ConversionChoice choice, ConversionJob::Writer writer,
                          std::function<void(const ConversionOutcome &)> then)
{
    auto *progress = new ConversionProgress(int(indices.size()), m_window);
    progress->show();
    m_conversionProgress = progress;
    m_afterConversion = std::move(then);
    m_conversion.start(std::move(conversions), std::move(indices), choice, std::move(writer));
}

void LogoActions::conversionFinished(const ConversionOutcome &outcome)
{
    if (m_conversionProgress) {
        m_conversionProgress->hide(); // it refuses to close while it counts
        m_conversionProgress->deleteLater();
    }
    const auto then = std::exchange(m_afterConversion, {});
    if (then)
        then(outcome);
    // Drops made meanwhile go now, unless a re-scan just started: its end lets them go.
    addQueuedDrops();
}

void LogoActions::restoreUsedLogos()
{
    const QString folder = m_state.currentFolder();
    const DiskChange change(m_services, {folder}, messages::titles::restoreUsed());
    if (!change.allowed())
        return;
    auto usedFolderIsLink = std::make_shared<bool>(false);
    FileService &files = m_services.files;
    m_diskWork->run(
        change.touchesImage(),
        [&files, usedFolderIsLink, folder] {
            *usedFolderIsLink = LogoRestorer(files).restore(folder).usedFolderIsLink;
        },
        [this, usedFolderIsLink, folder] {
            if (*usedFolderIsLink)
                messages::usedFolderIsLink(m_services.desktop);
            m_browser.rescan(folder);
        });
}

void LogoActions::chooseFolder()
{
    const QString path =
        BrowseForFolder(m_services.desktop, m_window, QStringLiteral("請選擇放置LOGO的資料夾"));
    if (path.isEmpty())
        return;
    // Scanned exactly as a typed folder: the scan adds the backslash and re-points the slot.
    m_ui.pathEdit->setText(path);
    m_browser.scanTypedFolder();
}

} // namespace bg

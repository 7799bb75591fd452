#include "ui/SlotBrowser.h"

#include "platform/Services.h"
#include "core/LogoTests.h"
#include "core/MainWindowState.h"
#include "ops/FolderScan.h"
#include "ops/FolderScanJob.h"
#include "platform/DosAttributes.h"
#include "platform/FileService.h"
#include "platform/PictureLoader.h"
#include "platform/Prefix.h"
#include "ui/ImageBox.h"
#include "ui/LogoList.h"
#include "ui/MainWindowUi.h"
#include "ui/Messages.h"
#include "ui/ScanProgressBar.h"
#include "ui/TabLabel.h"

#include <QAction>
#include <QFutureWatcher>
#include <QtConcurrent/QtConcurrentRun>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>

namespace bg {

namespace {
constexpr quint32 SelectedTabColor = 16761024;   // light blue
constexpr quint32 UnselectedTabColor = 12632319; // light pink
} // namespace

SlotBrowser::SlotBrowser(MainWindowUi &ui, MainWindowState &state, Services &services,
                         const LogoTester &tester, QObject *parent)
    : QObject(parent),
      m_ui(ui),
      m_state(state),
      m_services(services),
      m_tester(tester),
      m_scan(new FolderScanJob(services.files, tester, this))
{
    connect(m_scan, &FolderScanJob::logosFound, this, [this](const QStringList &names) {
        for (const QString &name : names)
            m_ui.logoList->addEntry(name);
    });
    connect(m_scan, &FolderScanJob::progressed, this,
            [this](double percent) { m_ui.progressBar->setPercent(percent); });
    connect(m_scan, &FolderScanJob::finished, this,
            [this](int, bool usedFolderExists) { endScan(usedFolderExists); });
}

SlotBrowser::~SlotBrowser()
{
    // The worker reads through services that may go with the window.
    m_previewLoad.waitForFinished();
}

bool SlotBrowser::isScanning() const
{
    return m_scan->isRunning();
}

void SlotBrowser::selectSlot(LogoSlot slot)
{
    if (isScanning() || m_state.currentSlot == slot)
        return;
    for (LogoSlot s : AllSlots) {
        m_ui.slotTab(s)->setBackColor(s == slot ? SelectedTabColor : UnselectedTabColor);
        m_ui.slotTab(s)->setBorderStyle(s == slot ? 0 : 1);
    }
    // Whatever the scan then finds, the tab shows the new slot as chosen.
    m_state.currentSlot = slot;
    m_ui.pathEdit->setText(m_state.folder(slot));
    scanTypedFolder();
}

void SlotBrowser::scanTypedFolder()
{
    emit scanStarting();
    const QString typed = m_ui.pathEdit->text();
    if (typed.isEmpty()) {
        cancelScan();
        m_ui.logoList->clearEntries();
        refreshListStatus();
        updateRestoreButton();
        return;
    }
    if (!m_services.files.folderExists(typed)) {
        messages::folderNotFound(m_services.desktop);
        m_ui.pathEdit->selectAll();
        return;
    }
    const FolderChoice choice = confirmFolder(typed, m_state.currentFolder());
    m_state.currentFolder() = choice.folder;
    if (choice.changed)
        m_state.folderChanged[size_t(index(m_state.currentSlot))] = true;
    beginScan(choice.folder);
}

void SlotBrowser::rescan(const QString &folder)
{
    m_ui.pathEdit->setText(folder);
    scanTypedFolder();
}

void SlotBrowser::refresh()
{
    m_ui.refreshAction->setEnabled(false);
    for (LogoSlot slot : AllSlots)
        m_ui.slotPreview(slot)->clearPicture();
    loadSystemLogos();
    m_ui.logoList->setFocus();
    rescan(m_state.currentFolder());
    // The scan that now runs enables Refresh again when it ends; one that did not start
    // leaves it as it was before.
    if (!isScanning())
        m_ui.refreshAction->setEnabled(true);
}

void SlotBrowser::beginScan(const QString &folder)
{
    m_scan->cancel();
    m_ui.logoList->clearEntries();
    setScanControlsEnabled(false);
    m_ui.restoreButton->setEnabled(false);
    m_ui.editMenu->menuAction()->setEnabled(false);
    m_ui.renameAction->setEnabled(false);
    m_ui.deleteAction->setEnabled(false);
    m_ui.bootPreviewAction->setEnabled(false);
    m_scan->start(folder);
}

void SlotBrowser::cancelScan()
{
    if (!isScanning())
        return;
    m_scan->cancel();
    // What was found so far is what the folder is known to hold.
    m_ui.logoList->flush();
    setScanControlsEnabled(true);
    m_ui.progressBar->finish();
    refreshListStatus();
    fitListWidth();
}

void SlotBrowser::endScan(bool usedFolderExists)
{
    m_ui.logoList->flush();
    m_ui.progressBar->finish();
    setScanControlsEnabled(true);
    refreshListStatus();
    fitListWidth();
    // The worker already looked for the used-logo folder: the window need not read a large
    // folder again.
    m_ui.restoreButton->setEnabled(usedFolderExists);
    emit scanFinished();
}

void SlotBrowser::setScanControlsEnabled(bool enabled)
{
    m_ui.browseButton->setEnabled(enabled);
    m_ui.pathEdit->setEnabled(enabled);
    m_ui.refreshAction->setEnabled(enabled);
}

void SlotBrowser::refreshListStatus()
{
    LogoList *list = m_ui.logoList;
    const int count = list->entryCount();
    const size_t slot = size_t(index(m_state.currentSlot));
    // While a scan runs the Edit menu stays off; the scan's end settles it.
    const bool editable = count > 0 && !isScanning();
    m_ui.editMenu->menuAction()->setEnabled(editable);
    m_ui.renameAction->setEnabled(editable);
    m_ui.deleteAction->setEnabled(editable);
    m_ui.bootPreviewAction->setEnabled(editable);
    if (count > 0) {
        list->selectRow(0);
        list->setToolTip(listTooltip(slotInfo(m_state.currentSlot).listPhrase, count));
        m_state.slotHasLogos[slot] = true;
    } else {
        list->setToolTip(QString());
        m_ui.largePreview->setBorderStyle(0);
        m_ui.largePreview->setToolTip(QString());
        m_ui.largePreview->clearPicture();
        m_state.slotHasLogos[slot] = false;
    }
}

void SlotBrowser::fitListWidth()
{
    // The list measured each entry in its own font when the entry came in.
    const ListWidth width = bg::fitListWidth(m_ui.logoList->entryWidths());
    m_listTag = width.tag;
    m_ui.logoList->setHorizontalExtent(width.extent);
}

void SlotBrowser::updateRestoreButton()
{
    if (isScanning())
        return; // the scan's end decides
    const QString showed = m_state.currentFolder() + QStringLiteral("Showed");
    m_ui.restoreButton->setEnabled(!m_services.files.dir(showed, attr::Directory).isEmpty());
}

void SlotBrowser::showChosenEntry()
{
    const QString name = m_ui.logoList->currentText();
    const QString path = m_state.currentFolder() + name;
    m_state.selectedLogoPath = path;
    const quint64 request = ++m_previewRequest;
    FileService &files = m_services.files;
    const PictureLoader &pictures = m_services.pictures;
    const auto load = [&files, &pictures, path] {
        const auto host = files.hostPath(path);
        return host ? pictures.load(*host) : QImage();
    };
    if (!m_services.prefix.isOnImageDrive(path)) {
        showPreview(name, load());
        return;
    }
    auto *watcher = new QFutureWatcher<QImage>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, name, request] {
        watcher->deleteLater();
        if (request == m_previewRequest)
            showPreview(name, watcher->result());
    });
    m_previewLoad = QtConcurrent::run(load);
    watcher->setFuture(m_previewLoad);
}

void SlotBrowser::showPreview(const QString &name, const QImage &picture)
{
    ImageBox *preview = m_ui.largePreview;
    if (picture.isNull()) {
        preview->clearPicture();
        messages::notAPicture(m_services.desktop, name);
        return;
    }
    preview->setPicture(picture);
    preview->setBorderStyle(1);
    preview->setToolTip(name);
}

void SlotBrowser::loadSystemLogos()
{
    for (LogoSlot slot : AllSlots) {
        const QString path = systemFilePath(slot, m_state.windowsFolder);
        qint64 size = 0;
        const bool sizeOk = m_services.files.fileLen(path, size) == 0 && HasLogoFileSize(size);
        const bool pictureOk = m_tester.IsLogoFile(path);
        if (!sizeOk || !pictureOk)
            continue;
        const auto host = m_services.files.hostPath(path);
        const QImage picture = host ? m_services.pictures.load(*host) : QImage();
        if (!picture.isNull())
            m_ui.slotPreview(slot)->setPicture(picture);
    }
}

} // namespace bg

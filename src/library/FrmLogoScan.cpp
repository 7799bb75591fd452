// The folder scan and the logo list of the main window.
#include "library/FolderScan.h"
#include "platform/DosAttributes.h"
#include "platform/FileService.h"
#include "platform/PictureLoader.h"
#include "ui/FrmLogo.h"
#include "ui/ImageBox.h"
#include "ui/LogoList.h"
#include "ui/Messages.h"

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>

namespace bg {

void FrmLogo::txtPath_KeyPress(int &keyAscii)
{
    if (keyAscii != 13)
        return;
    keyAscii = 0;
    txtRename->hide();

    const QString typed = txtPath->text();
    if (typed.isEmpty()) {
        lstSys->clearEntries();
        RefreshListStatus();
        UpdateRestoreButton();
        return;
    }
    if (!m_services.files.folderExists(typed)) {
        messages::folderNotFound(m_services.desktop);
        txtPath_GotFocus();
        return;
    }

    const FolderChoice choice = confirmFolder(typed, state.currentFolder());
    state.currentFolder() = choice.folder;
    if (choice.changed)
        state.folderChanged[size_t(index(state.currentSlot))] = true;

    lstSys->clearEntries();
    cmdRestore->setEnabled(false);
    cmdBrowser->setEnabled(false);
    txtPath->setEnabled(false);
    mnuRefresh->setEnabled(false);
    mnuEdit->menuAction()->setEnabled(false);
    mnuRename->setEnabled(false);
    mnuDelete->setEnabled(false);
    state.scanIdle = false;

    const FolderScanner scanner(m_services.files, m_tester);
    scanner.run(
        choice.folder, [this](const QString &name) { lstSys->addEntry(name); },
        [this](double percent) { SetProgressBar(percent); });
    applyProgressWidth(true);
    lstSys->flush();

    state.scanIdle = true;
    cmdBrowser->setEnabled(true);
    mnuRefresh->setEnabled(true);
    txtPath->setEnabled(true);

    RefreshListStatus();
    FitListWidth();
    UpdateRestoreButton();

    if (m_closeWhenScanEnds) {
        m_closeWhenScanEnds = false;
        QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
    }
}

void FrmLogo::txtPath_GotFocus()
{
    txtPath->setSelection(0, int(txtPath->text().size()));
}

void FrmLogo::RefreshListStatus()
{
    const int count = lstSys->entryCount();
    const size_t slot = size_t(index(state.currentSlot));
    if (count > 0) {
        mnuEdit->menuAction()->setEnabled(true);
        mnuRename->setEnabled(true);
        mnuDelete->setEnabled(true);
        lstSys->setListIndex(0);
        lstSys->setToolTip(listTooltip(slotInfo(state.currentSlot).listPhrase, count));
        state.slotHasLogos[slot] = true;
    } else {
        mnuEdit->menuAction()->setEnabled(false);
        mnuRename->setEnabled(false);
        mnuDelete->setEnabled(false);
        lstSys->setToolTip(QString());
        imgOutput->setBorderStyle(0);
        imgOutput->setToolTip(QString());
        imgOutput->clearPicture();
        state.slotHasLogos[slot] = false;
    }
}

void FrmLogo::FitListWidth()
{
    // The list measured each entry in its own font when the entry came in.
    const ListWidth width = fitListWidth(lstSys->entryWidths());
    tag = width.tag;
    lstSys->setHorizontalExtent(width.extent);
}

void FrmLogo::UpdateRestoreButton()
{
    const QString showed = state.currentFolder() + QStringLiteral("Showed");
    cmdRestore->setEnabled(!m_services.files.dir(showed, attr::Directory).isEmpty());
}

void FrmLogo::lstSys_Click()
{
    const QString name = lstSys->currentText();
    state.selectedLogoPath = state.currentFolder() + name;
    const auto host = m_services.files.hostPath(state.selectedLogoPath);
    const QImage picture = host ? m_services.pictures.load(*host) : QImage();
    if (picture.isNull()) {
        imgOutput->clearPicture();
        messages::notAPicture(m_services.desktop, name);
        return;
    }
    imgOutput->setPicture(picture);
    imgOutput->repaint();
    imgOutput->setBorderStyle(1);
    imgOutput->setToolTip(name);
}

void FrmLogo::lstSys_Scroll()
{
    txtRename->hide();
}

void FrmLogo::mnuRefresh_Click()
{
    mnuRefresh->setEnabled(false);
    for (LogoSlot slot : AllSlots)
        slotPreview(slot)->clearPicture();
    loadSystemLogos();
    rescan(state.currentFolder(), true);
    mnuRefresh->setEnabled(true);
}

void FrmLogo::loadSystemLogos()
{
    for (LogoSlot slot : AllSlots) {
        const QString path = systemFilePath(slot, state.windowsFolder);
        qint64 size = 0;
        const bool sizeOk = m_services.files.fileLen(path, size) == 0 && HasLogoFileSize(size);
        const bool pictureOk = m_tester.IsLogoFile(path);
        if (!sizeOk || !pictureOk)
            continue;
        const auto host = m_services.files.hostPath(path);
        const QImage picture = host ? m_services.pictures.load(*host) : QImage();
        if (!picture.isNull())
            slotPreview(slot)->setPicture(picture);
    }
}

void FrmLogo::rescan(const QString &folder, bool focusList)
{
    txtPath->setText(folder);
    if (focusList)
        lstSys->setFocus();
    int key = 13;
    txtPath_KeyPress(key);
}

} // namespace bg

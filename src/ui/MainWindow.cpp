#include "ui/MainWindow.h"

#include "ops/OriginalLogos.h"

#include "platform/Services.h"
#include "platform/Desktop.h"
#include "platform/DosAttributes.h"
#include "platform/FileService.h"
#include "core/BootScreen.h"
#include "ui/Fonts.h"
#include "ui/FrmBootPreview.h"
#include "ui/FrmAbout.h"
#include "ui/FrmLogoPreview.h"
#include "ui/HandedJobs.h"
#include "ui/ImageBox.h"
#include "ui/LogoActions.h"
#include "ui/LogoList.h"
#include "ui/Messages.h"
#include "ui/RenameDelegate.h"
#include "ui/Resources.h"
#include "ui/SlotBrowser.h"
#include "ui/TabLabel.h"
#include "ui/WindowSettings.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScreen>

namespace bg {

MainWindow::MainWindow(Services &services, const MainWindowState &state, QWidget *parent)
    : QMainWindow(parent),
      m_services(services),
      m_state(state),
      m_tester(services.files, services.pictures)
{
    initResources();
    installFontSubstitutes();
    setObjectName(QStringLiteral("frmLogo"));
    setWindowTitle(QStringLiteral("Bootgallery v4.0"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/bootgallery.png")));
    setFont(uiFont());
    // Fixed single border: a minimise button, no maximise button, not resizable.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                   Qt::CustomizeWindowHint | Qt::MSWindowsFixedSizeDialogHint);

    m_ui.setupUi(this, Twips::forWidget(nullptr));
    m_renameDelegate = new RenameDelegate(m_ui.logoList);
    m_ui.logoList->setItemDelegate(m_renameDelegate);
    m_browser = new SlotBrowser(m_ui, m_state, m_services, m_tester, this);
    m_actions = new LogoActions(m_ui, m_state, m_services, m_tester, *m_browser,
                                *m_renameDelegate, this);
    m_settings = new WindowSettings(m_ui, m_state, m_services, this);
    m_handedJobs = new HandedJobs(*this, m_state, m_services, m_tester, *m_browser, this);
    connectControls();

    adjustSize();
    setFixedSize(sizeHint());
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }
}

MainWindow::~MainWindow() = default;

void MainWindow::connectControls()
{
    LogoList *list = m_ui.logoList;
    connect(m_ui.pathEdit, &QLineEdit::returnPressed, m_browser, &SlotBrowser::scanTypedFolder);
    connect(m_ui.browseButton, &QPushButton::clicked, m_actions, &LogoActions::chooseFolder);
    connect(m_ui.restoreButton, &QPushButton::clicked, m_actions,
            &LogoActions::restoreUsedLogos);
    connect(m_ui.refreshAction, &QAction::triggered, m_browser, &SlotBrowser::refresh);
    connect(m_ui.closeAction, &QAction::triggered, this, &QWidget::close);
    connect(m_ui.renameAction, &QAction::triggered, m_actions, &LogoActions::startRename);
    connect(m_ui.deleteAction, &QAction::triggered, m_actions, &LogoActions::deleteChosenLogo);
    connect(m_ui.bootPreviewAction, &QAction::triggered, this,
            [this] { showBootPreview(m_state.selectedLogoPath); });
    connect(m_ui.startAtBootOnAction, &QAction::triggered, m_settings,
            &WindowSettings::switchStartAtBootOn);
    connect(m_ui.startAtBootOffAction, &QAction::triggered, m_settings,
            &WindowSettings::switchStartAtBootOff);
    connect(m_ui.readmeAction, &QAction::triggered, this, &MainWindow::openReadme);
    for (int site = 0; site < int(m_ui.downloadActions.size()); ++site)
        connect(m_ui.downloadActions[size_t(site)], &QAction::triggered, this,
                [this, site] { openDownloadSite(site); });
    connect(m_ui.aboutAction, &QAction::triggered, this, &MainWindow::showAbout);

    connect(list, &LogoList::entryChosen, m_browser, &SlotBrowser::showChosenEntry);
    connect(list, &LogoList::entryDoubleClicked, m_actions,
            &LogoActions::applyChosenLogoToShownSlot);
    // A rename box never stays over an entry that has scrolled away.
    connect(list, &LogoList::scrolled, m_actions, &LogoActions::finishRename);
    connect(list, &LogoList::mouseUp, this, &MainWindow::showEntryMenu);
    connect(list, &LogoList::filesDropped, m_actions, &LogoActions::addDroppedFiles);
    connect(m_ui.largePreview, &ImageBox::mouseMoved, this,
            [this] { m_ui.largePreview->setAutoDrag(m_ui.largePreview->hasPicture()); });

    for (LogoSlot slot : AllSlots) {
        connect(m_ui.slotTab(slot), &TabLabel::clicked, m_browser,
                [this, slot] { m_browser->selectSlot(slot); });
        connect(m_ui.slotPreview(slot), &ImageBox::logoDropped, m_actions,
                [this, slot] { m_actions->applyChosenLogo(slot); });
        connect(m_ui.slotPreview(slot), &ImageBox::mousePressed, this,
                [this, slot](Qt::MouseButton button, Qt::MouseButtons buttons, QPoint at) {
                    if (button == Qt::LeftButton && buttons == Qt::LeftButton)
                        showSlotLogoFullSize(slot);
                    else if (button == Qt::RightButton && buttons == Qt::RightButton)
                        slotMenu(slot)->popup(at);
                });
        m_ui.slotCheck(slot)->installEventFilter(this);
    }
    connect(m_browser, &SlotBrowser::scanFinished, this, &MainWindow::scanFinished);
    connect(m_settings, &WindowSettings::folderNeedsAttention, this, &MainWindow::selectPathText);
    m_ui.pathEdit->installEventFilter(this);
}

void MainWindow::open()
{
    m_settings->load();
    // The Startup tab is chosen as if clicked; the slot starts elsewhere so the click counts.
    m_state.currentSlot = LogoSlot::Wait;
    m_browser->selectSlot(LogoSlot::Startup);
    m_browser->loadSystemLogos();
}

bool MainWindow::isBusy() const
{
    return isScanning() || m_actions->isWorking() || m_settings->isWorking();
}

bool MainWindow::isScanning() const
{
    return m_browser->isScanning();
}

void MainWindow::runHandedJob(const HandedJob &job)
{
    m_handedJobs->add(job);
}

const std::array<QString, 3> &MainWindow::downloadSites()
{
    static const std::array<QString, 3> sites{
        QStringLiteral("https://harborview.example.com/logos/"),
        QStringLiteral("https://pixelbarn.example.net/"),
        QStringLiteral("https://inkmeadow.example.org/boot-logos/")};
    return sites;
}

QString MainWindow::contactAddress()
{
    return QStringLiteral("wheel@example.com");
}

void MainWindow::showEntryMenu(Qt::MouseButton button, QPoint position)
{
    if (button != Qt::RightButton)
        return;
    LogoList *list = m_ui.logoList;
    const int row = list->rowAt(position);
    if (row < 0)
        return; // below the last entry or beside the entries
    list->selectRow(row);
    m_ui.editMenu->popup(list->viewport()->mapToGlobal(position));
}

void MainWindow::showSlotLogoFullSize(LogoSlot slot)
{
    const ImageBox *preview = m_ui.slotPreview(slot);
    if (preview->hasPicture())
        FrmLogoPreview::showModal(preview->picture(), m_services.commandText, this);
}

QMenu *MainWindow::slotMenu(LogoSlot slot)
{
    if (!m_slotMenu) {
        m_slotMenu = new QMenu(this);
        m_slotMenu->setObjectName(QStringLiteral("mnuSlot"));
    }
    m_slotMenu->clear();
    const auto item = [this](const char *name, const QString &caption, bool enabled, auto run) {
        QAction *action = m_slotMenu->addAction(caption, this, run);
        action->setObjectName(QLatin1String(name));
        action->setEnabled(enabled);
    };
    const QString systemFile = systemFilePath(slot, m_state.windowsFolder);
    item("mnuSlotBootPreview", QStringLiteral("開機預覽(&B)"), m_ui.slotPreview(slot)->hasPicture(),
         [this, systemFile] { showBootPreview(systemFile); });
    item("mnuSlotRestoreOriginal", QStringLiteral("還原原始畫面(&O)"),
         OriginalLogos(m_services.files, m_state.windowsFolder).isKept(slot),
         [this, slot] { m_actions->restoreOriginalLogo(slot); });
    return m_slotMenu;
}

void MainWindow::showBootPreview(const QString &path)
{
    const BootScreen screen = BootScreen::load(m_services.files, m_services.pictures, path);
    if (screen.isNull()) {
        messages::notALogoToPreview(m_services.desktop, ExtractFileName(path));
        return;
    }
    FrmBootPreview::showModal(screen, this);
}

void MainWindow::openReadme()
{
    const QString path = m_state.programFolder + QStringLiteral("Readme.htm");
    if (m_services.files.dir(path, attr::Normal).isEmpty()) {
        messages::readmeNotFound(m_services.desktop);
        return;
    }
    m_services.desktop.shellOpen(this, path, sw::Maximized);
}

void MainWindow::openDownloadSite(int site)
{
    m_services.desktop.shellOpen(this, downloadSites()[size_t(site)], sw::Normal);
}

void MainWindow::showAbout()
{
    // Modal, with no owner: the whole program waits until it is closed.
    FrmAbout about(m_services.desktop, contactAddress());
    about.exec();
}

void MainWindow::selectPathText()
{
    m_ui.pathEdit->selectAll();
}

void MainWindow::updateCheckTooltip(LogoSlot slot)
{
    QCheckBox *check = m_ui.slotCheck(slot);
    const LogoSlotInfo &info = slotInfo(slot);
    check->setToolTip(check->checkState() == Qt::Checked ? info.checkedTooltip
                                                         : info.uncheckedTooltip);
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_ui.pathEdit) {
        if (event->type() == QEvent::FocusIn)
            selectPathText();
        // The window's Ctrl+X (close) wins over the box's cut.
        if (event->type() == QEvent::ShortcutOverride &&
            static_cast<QKeyEvent *>(event)->matches(QKeySequence::Cut))
            return true;
    }
    if (event->type() == QEvent::MouseMove) {
        for (LogoSlot slot : AllSlots)
            if (watched == m_ui.slotCheck(slot))
                updateCheckTooltip(slot);
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    if (m_closed) {
        event->accept();
        return;
    }
    // Closing ends an edit in the list without renaming, and a running scan where it is.
    m_actions->cancelRename();
    const bool wasScanning = isScanning();
    m_browser->cancelScan();
    if (!m_settings->save()) {
        event->ignore();
        // The window stays: the folder it shows is listed in full again.
        if (wasScanning)
            m_browser->rescan(m_state.currentFolder());
        return;
    }
    m_closed = true;
    event->accept();
}

} // namespace bg

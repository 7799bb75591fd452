#include "ui/FrmLogo.h"

#include "ui/Fonts.h"
#include "ui/ImageBox.h"
#include "ui/LogoList.h"
#include "ui/Resources.h"
#include "ui/SmallCheckBox.h"
#include "ui/TabLabel.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <chrono>
#include <cmath>

namespace bg {

namespace {

constexpr int ClientWidthTwips = 5340;
constexpr int ClientHeightTwips = 5745;
const QColor ListGreen(192, 255, 192);

void setBackground(QWidget *widget, const QColor &color)
{
    QPalette pal = widget->palette();
    pal.setColor(QPalette::Base, color);
    pal.setColor(QPalette::Window, color);
    pal.setColor(QPalette::Text, Qt::black);
    widget->setPalette(pal);
}

} // namespace

FrmLogo::FrmLogo(Services &services, QWidget *parent)
    : QMainWindow(parent),
      m_services(services),
      m_tester(services.files, services.pictures),
      m_twips(Twips::forWidget(nullptr))
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

    m_tester.setEventPump([] { QCoreApplication::processEvents(); });

    buildControls();
    buildMenus();
    connectHandlers();

    // The client area is fixed; the menu bar sits above it.
    centralWidget()->setFixedSize(m_twips.toPixelsX(ClientWidthTwips),
                                  m_twips.toPixelsY(ClientHeightTwips));
    adjustSize();
    setFixedSize(sizeHint());
    // Start-up position: the centre of the screen.
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }
}

FrmLogo::~FrmLogo()
{
    qApp->removeEventFilter(this);
}

void FrmLogo::place(QWidget *widget, const QString &name, const TwipRect &rect)
{
    widget->setObjectName(name);
    widget->setGeometry(m_twips.toPixels(rect));
    m_design.insert(name, rect);
}

void FrmLogo::placeInFrame(QWidget *widget, const QString &name, const TwipRect &rect)
{
    place(widget, name, rect);
}

TwipRect FrmLogo::designRect(const QString &controlName) const
{
    return m_design.value(controlName);
}

void FrmLogo::buildControls()
{
    auto *client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    setCentralWidget(client);

    // Created from back to front, so that a control listed earlier covers a later one.
    lblUnderBar = new TabLabel(client);
    place(lblUnderBar, QStringLiteral("lblUnderBar"), {0, 5640, 5295, 105});
    lblUnderBar->setBackColor(0x00000000); // replaced by the button face below
    {
        QPalette pal = lblUnderBar->palette();
        pal.setColor(QPalette::Window, client->palette().color(QPalette::Button));
        lblUnderBar->setPalette(pal);
    }
    lblUnderBar->setBorderStyle(1);
    underBarTwips = 5295;

    imgOutput = new ImageBox(client);
    place(imgOutput, QStringLiteral("imgOutput"), {1830, 0, 3465, 2580});
    imgOutput->setDragIcon(QPixmap(QStringLiteral(":/pictures/drag.png")));

    lblPath = new QLabel(QStringLiteral("路徑"), client);
    place(lblPath, QStringLiteral("lblPath"), {90, 4245, 360, 180});
    lblPath->adjustSize(); // sizes itself to its caption

    imgStartup = new ImageBox(client);
    place(imgStartup, QStringLiteral("imgStartup"), {45, 2880, 1695, 1245});
    imgWait = new ImageBox(client);
    place(imgWait, QStringLiteral("imgWait"), {1830, 2880, 1695, 1245});
    imgShutdown = new ImageBox(client);
    place(imgShutdown, QStringLiteral("imgShutdown"), {3615, 2880, 1695, 1245});
    for (LogoSlot slot : AllSlots) {
        ImageBox *box = slotPreview(slot);
        box->setBorderStyle(1);
        box->setToolTip(slotInfo(slot).systemFileName);
        box->setAcceptsLogoDrops(true);
    }

    lblStartup = new TabLabel(client);
    place(lblStartup, QStringLiteral("lblStartup"), {45, 2640, 1695, 240});
    lblWait = new TabLabel(client);
    place(lblWait, QStringLiteral("lblWait"), {1830, 2640, 1695, 240});
    lblShutdown = new TabLabel(client);
    place(lblShutdown, QStringLiteral("lblShutdown"), {3615, 2640, 1695, 240});
    for (LogoSlot slot : AllSlots) {
        TabLabel *tab = slotTab(slot);
        tab->setText(slotInfo(slot).tabCaption);
        tab->setToolTip(slotInfo(slot).tabTooltip);
        tab->setAlignment(Qt::AlignCenter);
        tab->setBackColor(UnselectedTabColor);
        tab->setBorderStyle(1);
    }

    imgMenubmp = new QLabel(client);
    place(imgMenubmp, QStringLiteral("imgMenubmp"), {4500, 4440, 195, 195});
    imgMenubmp->setPixmap(QPixmap(QStringLiteral(":/pictures/globe.png")));
    imgMenubmp->hide();

    lblUpBar = new TabLabel(client);
    place(lblUpBar, QStringLiteral("lblUpBar"), {0, 5640, 5295, 105});
    lblUpBar->setBackColor(0x00C00000); // (0, 0, 192)
    {
        QPalette pal = lblUpBar->palette();
        pal.setColor(QPalette::WindowText, QColor(0, 0, 192));
        lblUpBar->setPalette(pal);
    }
    lblUpBar->setBorderStyle(1);
    lblUpBar->setToolTip(QStringLiteral("檔案篩選處理進度"));
    upBarTwips = 5295;

    txtPath = new QLineEdit(client);
    place(txtPath, QStringLiteral("txtPath"), {510, 4200, 4370, 270});
    txtPath->setToolTip(QStringLiteral("可自行設定LOGO所放置的目錄"));
    setBackground(txtPath, ListGreen);
    {
        QFont f = mingFont(9.0);
        f.setBold(true);
        txtPath->setFont(f);
    }
    txtPath->setFrame(true);

    fraSetup = new QGroupBox(QStringLiteral("設定"), client);
    place(fraSetup, QStringLiteral("fraSetup"), {60, 4530, 5250, 615});
    optNo = new QRadioButton(QStringLiteral("不要提示LOGO訊息視窗"), fraSetup);
    placeInFrame(optNo, QStringLiteral("optNo"), {2620, 240, 2205, 255});
    optNo->setToolTip(QStringLiteral("更換圖片後不提示任何訊息"));
    optYes = new QRadioButton(QStringLiteral("提示LOGO訊息視窗"), fraSetup);
    placeInFrame(optYes, QStringLiteral("optYes"), {320, 240, 1935, 255});
    optYes->setToolTip(QStringLiteral("每次更換圖片後告知下一次開關機的畫面"));

    cmdRestore = new QPushButton(client);
    place(cmdRestore, QStringLiteral("cmdRestore"), {120, 5250, 5130, 300});
    cmdRestore->setToolTip(QStringLiteral("按下此鈕可還原在此目錄更換過的LOGO"));
    m_restorePicture = QPixmap(QStringLiteral(":/pictures/restore.png"));
    cmdRestore->setIconSize(m_restorePicture.size());
    Form_Paint(); // draws the picture with its mask colour

    lstSys = new LogoList(client);
    place(lstSys, QStringLiteral("lstSys"), {45, 0, 1695, 2580});
    setBackground(lstSys, ListGreen);

    txtRename = new QLineEdit(client);
    place(txtRename, QStringLiteral("txtRename"), {4800, 4500, 495, 270});
    setBackground(txtRename, ListGreen);
    txtRename->hide();

    cmdBrowser = new QPushButton(client);
    place(cmdBrowser, QStringLiteral("cmdBrowser"), {4900, 4200, 390, 270});
    cmdBrowser->setToolTip(QStringLiteral("瀏覽資料夾"));
    cmdBrowser->setIcon(QIcon(QStringLiteral(":/pictures/folder.png")));
    cmdBrowser->setIconSize(QSize(m_twips.toPixelsX(390) - 4, m_twips.toPixelsY(270) - 4)
                                .boundedTo(QSize(25, 25)));

    chkStartup = new SmallCheckBox(client);
    place(chkStartup, QStringLiteral("chkStartup"), {60, 2670, 180, 180});
    chkWait = new SmallCheckBox(client);
    place(chkWait, QStringLiteral("chkWait"), {1850, 2670, 180, 180});
    chkShutdown = new SmallCheckBox(client);
    place(chkShutdown, QStringLiteral("chkShutdown"), {3635, 2670, 180, 180});
    for (LogoSlot slot : AllSlots) {
        QCheckBox *check = slotCheck(slot);
        check->setMouseTracking(true);
        check->setAutoFillBackground(true);
        QPalette pal = check->palette();
        pal.setColor(QPalette::Window, pal.color(QPalette::Base));
        pal.setColor(QPalette::WindowText, pal.color(QPalette::Text));
        check->setPalette(pal);
        check->installEventFilter(this);
    }

    // Tab order: the keyboard cycle skips labels, frames and hidden controls.
    QWidget::setTabOrder(txtPath, optNo);
    QWidget::setTabOrder(optNo, optYes);
    QWidget::setTabOrder(optYes, cmdRestore);
    QWidget::setTabOrder(cmdRestore, lstSys);
    QWidget::setTabOrder(lstSys, txtRename);
    QWidget::setTabOrder(txtRename, cmdBrowser);
    QWidget::setTabOrder(cmdBrowser, chkStartup);
    QWidget::setTabOrder(chkStartup, chkWait);
    QWidget::setTabOrder(chkWait, chkShutdown);
    for (QWidget *w : {static_cast<QWidget *>(lblPath), static_cast<QWidget *>(fraSetup),
                       static_cast<QWidget *>(lblStartup), static_cast<QWidget *>(lblWait),
                       static_cast<QWidget *>(lblShutdown), static_cast<QWidget *>(lblUpBar),
                       static_cast<QWidget *>(lblUnderBar), static_cast<QWidget *>(imgOutput),
                       static_cast<QWidget *>(imgStartup), static_cast<QWidget *>(imgWait),
                       static_cast<QWidget *>(imgShutdown)})
        w->setFocusPolicy(Qt::NoFocus);

    txtPath->installEventFilter(this);
    txtRename->installEventFilter(this);
    // Key preview: every key of the window passes the window's own handler first.
    qApp->installEventFilter(this);
}

void FrmLogo::buildMenus()
{
    QMenuBar *bar = menuBar();
    auto item = [](QMenu *menu, const QString &name, const QString &caption,
                       const QKeySequence &shortcut = QKeySequence()) {
        QAction *action = menu->addAction(caption);
        action->setObjectName(name);
        if (!shortcut.isEmpty()) {
            action->setShortcut(shortcut);
            action->setShortcutContext(Qt::WindowShortcut);
        }
        return action;
    };
    auto separator = [](QMenu *menu, const QString &name) {
        QAction *action = menu->addSeparator();
        action->setObjectName(name);
        return action;
    };

    mnuFile = bar->addMenu(QStringLiteral("檔案(&F)"));
    mnuFile->setObjectName(QStringLiteral("mnuFile"));
    mnuRefresh = item(mnuFile, QStringLiteral("mnuRefresh"), QStringLiteral("重新整理(&R)"),
                      QKeySequence(Qt::Key_F5));
    mnuSeparate1 = separator(mnuFile, QStringLiteral("mnuSeparate1"));
    mnuClose = item(mnuFile, QStringLiteral("mnuClose"), QStringLiteral("關閉(&C)"),
                    QKeySequence(Qt::CTRL | Qt::Key_X));

    mnuEdit = bar->addMenu(QStringLiteral("編輯(&E)"));
    mnuEdit->setObjectName(QStringLiteral("mnuEdit"));
    mnuRename = item(mnuEdit, QStringLiteral("mnuRename"), QStringLiteral("重新命名(&M)"),
                     QKeySequence(Qt::Key_F2));
    mnuDelete = item(mnuEdit, QStringLiteral("mnuDelete"), QStringLiteral("刪除(&D)"));

    mnuStartup = bar->addMenu(QStringLiteral("開機啟動(&S)"));
    mnuStartup->setObjectName(QStringLiteral("mnuStartup"));
    mnuRun = item(mnuStartup, QStringLiteral("mnuRun"), QStringLiteral("開啟(&Y)"));
    mnuUnrun = item(mnuStartup, QStringLiteral("mnuUnrun"), QStringLiteral("關閉(&N)"));

    mnuStyle = bar->addMenu(QStringLiteral("更換方式(&M)"));
    mnuStyle->setObjectName(QStringLiteral("mnuStyle"));
    mnuLittle = item(mnuStyle, QStringLiteral("mnuLittle"), QStringLiteral("字母小到大(&L)"));
    mnuBig = item(mnuStyle, QStringLiteral("mnuBig"), QStringLiteral("字母大到小(&B)"));
    mnuRandom = item(mnuStyle, QStringLiteral("mnuRandom"), QStringLiteral("隨機(&R)"));

    mnuHelp = bar->addMenu(QStringLiteral("說明(&H)"));
    mnuHelp->setObjectName(QStringLiteral("mnuHelp"));
    mnuReadme = item(mnuHelp, QStringLiteral("mnuReadme"), QStringLiteral("讀我檔案(&R)"),
                     QKeySequence(Qt::Key_F1));
    mnuSeparate2 = separator(mnuHelp, QStringLiteral("mnuSeparate2"));
    mnuWWW = mnuHelp->addMenu(QStringLiteral("下載開關機 LOGO(&W)"));
    mnuWWW->setObjectName(QStringLiteral("mnuWWW"));
    mnuHarborview = item(mnuWWW, QStringLiteral("mnuHarborview"), QStringLiteral("Harborview(&K)"));
    mnuPixelbarn = item(mnuWWW, QStringLiteral("mnuPixelbarn"), QStringLiteral("Pixelbarn(&S)"));
    mnuInkmeadow = item(mnuWWW, QStringLiteral("mnuInkmeadow"), QStringLiteral("&Inkmeadow"));
    mnuSeparate3 = separator(mnuHelp, QStringLiteral("mnuSeparate3"));
    mnuAbout = item(mnuHelp, QStringLiteral("mnuAbout"), QStringLiteral("關於 Splashwheel(&A)"));

    // Check marks are set by the handlers alone: a click never toggles an item by itself.
    for (QAction *a : {mnuRun, mnuUnrun, mnuLittle, mnuBig, mnuRandom})
        a->setCheckable(true);
}

void FrmLogo::connectHandlers()
{
    // Checkable items toggle themselves before triggered() arrives; undo that, the handler
    // decides the marks.
    auto checkItem = [this](QAction *action, void (FrmLogo::*handler)()) {
        connect(action, &QAction::triggered, this, [this, action, handler](bool nowChecked) {
            action->setChecked(!nowChecked);
            (this->*handler)();
        });
    };
    auto plain = [this](QAction *action, void (FrmLogo::*handler)()) {
        connect(action, &QAction::triggered, this, [this, handler] { (this->*handler)(); });
    };
    plain(mnuRefresh, &FrmLogo::mnuRefresh_Click);
    plain(mnuClose, &FrmLogo::mnuClose_Click);
    plain(mnuRename, &FrmLogo::mnuRename_Click);
    plain(mnuDelete, &FrmLogo::mnuDelete_Click);
    checkItem(mnuRun, &FrmLogo::mnuRun_Click);
    checkItem(mnuUnrun, &FrmLogo::mnuUnrun_Click);
    checkItem(mnuLittle, &FrmLogo::mnuLittle_Click);
    checkItem(mnuBig, &FrmLogo::mnuBig_Click);
    checkItem(mnuRandom, &FrmLogo::mnuRandom_Click);
    plain(mnuReadme, &FrmLogo::mnuReadme_Click);
    plain(mnuHarborview, &FrmLogo::mnuHarborview_Click);
    plain(mnuPixelbarn, &FrmLogo::mnuPixelbarn_Click);
    plain(mnuInkmeadow, &FrmLogo::mnuInkmeadow_Click);
    plain(mnuAbout, &FrmLogo::mnuAbout_Click);

    connect(lblStartup, &TabLabel::clicked, this, &FrmLogo::lblStartup_Click);
    connect(lblWait, &TabLabel::clicked, this, &FrmLogo::lblWait_Click);
    connect(lblShutdown, &TabLabel::clicked, this, &FrmLogo::lblShutdown_Click);
    connect(cmdRestore, &QPushButton::clicked, this, &FrmLogo::cmdRestore_Click);
    connect(cmdBrowser, &QPushButton::clicked, this, &FrmLogo::cmdBrowser_Click);

    connect(lstSys, &LogoList::entryChosen, this, &FrmLogo::lstSys_Click);
    connect(lstSys, &LogoList::entryDoubleClicked, this, &FrmLogo::lstSys_DblClick);
    connect(lstSys, &LogoList::scrolled, this, &FrmLogo::lstSys_Scroll);
    connect(lstSys, &LogoList::mouseUp, this, &FrmLogo::lstSys_MouseUp);
    connect(lstSys, &LogoList::filesDragEnter, this, [this](QDragEnterEvent *event) {
        if (lstSys_OLEDragOver(event->mimeData()))
            event->acceptProposedAction();
        else
            event->ignore();
    });
    connect(lstSys, &LogoList::filesDragMove, this, [this](QDragMoveEvent *event) {
        if (lstSys_OLEDragOver(event->mimeData()))
            event->acceptProposedAction();
        else
            event->ignore();
    });
    connect(lstSys, &LogoList::filesDropped, this, [this](QDropEvent *event) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
        lstSys_OLEDragDrop(event->mimeData());
    });

    connect(imgOutput, &ImageBox::mouseMoved, this, &FrmLogo::imgOutput_MouseMove);
    connect(imgStartup, &ImageBox::logoDropped, this, &FrmLogo::imgStartup_DragDrop);
    connect(imgWait, &ImageBox::logoDropped, this, &FrmLogo::imgWait_DragDrop);
    connect(imgShutdown, &ImageBox::logoDropped, this, &FrmLogo::imgShutdown_DragDrop);
    connect(imgStartup, &ImageBox::mousePressed, this, &FrmLogo::imgStartup_MouseDown);
    connect(imgWait, &ImageBox::mousePressed, this, &FrmLogo::imgWait_MouseDown);
    connect(imgShutdown, &ImageBox::mousePressed, this, &FrmLogo::imgShutdown_MouseDown);
}

ImageBox *FrmLogo::slotPreview(LogoSlot slot) const
{
    switch (slot) {
    case LogoSlot::Startup:
        return imgStartup;
    case LogoSlot::Wait:
        return imgWait;
    case LogoSlot::Shutdown:
        break;
    }
    return imgShutdown;
}

TabLabel *FrmLogo::slotTab(LogoSlot slot) const
{
    switch (slot) {
    case LogoSlot::Startup:
        return lblStartup;
    case LogoSlot::Wait:
        return lblWait;
    case LogoSlot::Shutdown:
        break;
    }
    return lblShutdown;
}

QCheckBox *FrmLogo::slotCheck(LogoSlot slot) const
{
    switch (slot) {
    case LogoSlot::Startup:
        return chkStartup;
    case LogoSlot::Wait:
        return chkWait;
    case LogoSlot::Shutdown:
        break;
    }
    return chkShutdown;
}

bool FrmLogo::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (type == QEvent::KeyPress && watched->isWidgetType() &&
        static_cast<QWidget *>(watched)->window() == this) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (watched == txtRename) {
            // The box's own key handling comes first for Enter and Escape, so the edited mark
            // is settled before the box is hidden and the edit ends.
            const QString text = key->text();
            int ascii = 0;
            if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
                ascii = 13;
            else if (key->key() == Qt::Key_Escape)
                ascii = 27;
            else if (key->key() == Qt::Key_Backspace)
                ascii = 8;
            else if (!text.isEmpty() && text.at(0).isPrint())
                ascii = text.at(0).unicode();
            if (ascii != 0) {
                txtRename_KeyPress(ascii);
                if (ascii == 0) {
                    if (key->key() == Qt::Key_Escape)
                        Form_KeyDown(27);
                    else
                        txtRename_KeyDown(13);
                    return true;
                }
            }
        }
        if (key->key() == Qt::Key_Escape)
            Form_KeyDown(27);
        if (watched == txtPath && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
            int ascii = 13;
            txtPath_KeyPress(ascii);
            return ascii == 0;
        }
        return false;
    }
    if (type == QEvent::ShortcutOverride && watched == txtPath) {
        // The window's Ctrl+X (Close) wins over the box's cut.
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->matches(QKeySequence::Cut))
            return true;
    }
    if (type == QEvent::FocusIn && watched == txtPath)
        txtPath_GotFocus();
    if (type == QEvent::FocusOut && watched == txtRename)
        txtRename_LostFocus();
    if (type == QEvent::MouseMove) {
        if (watched == chkStartup)
            chkStartup_MouseMove();
        else if (watched == chkWait)
            chkWait_MouseMove();
        else if (watched == chkShutdown)
            chkShutdown_MouseMove();
    }
    return QMainWindow::eventFilter(watched, event);
}

void FrmLogo::closeEvent(QCloseEvent *event)
{
    if (!state.scanIdle) {
        // The scan is still on the stack; close as soon as it is done.
        m_closeWhenScanEnds = true;
        event->ignore();
        return;
    }
    if (m_unloaded) {
        event->accept();
        return;
    }
    bool cancel = false;
    Form_Unload(cancel);
    if (cancel) {
        event->ignore();
        return;
    }
    m_unloaded = true;
    event->accept();
}

void FrmLogo::paintEvent(QPaintEvent *event)
{
    Form_Paint();
    QMainWindow::paintEvent(event);
}

// --- window-level behaviour ------------------------------------------------------------

void FrmLogo::Form_Paint()
{
    // The restore picture's light grey is its mask colour: it takes the button face.
    constexpr quint32 mask = 0x00C0C0C0;
    if (m_restoreMaskColor == mask || m_restorePicture.isNull())
        return;
    m_restoreMaskColor = mask;
    QPixmap masked = m_restorePicture;
    masked.setMask(m_restorePicture.createMaskFromColor(QColor(192, 192, 192), Qt::MaskInColor));
    cmdRestore->setIcon(QIcon(masked));
}

void FrmLogo::Form_KeyDown(int keyCode)
{
    if (keyCode == 27)
        txtRename->hide();
}

void FrmLogo::mnuClose_Click()
{
    close();
}

void FrmLogo::lstSys_MouseUp(Qt::MouseButton button, QPoint clientPos)
{
    if (button != Qt::RightButton)
        return;
    const quint32 result = lstSys->itemFromPoint(clientPos);
    if (result >= 65536u)
        return;
    lstSys->setListIndex(int(result));
    mnuEdit->popup(lstSys->viewport()->mapToGlobal(clientPos));
}

void FrmLogo::SetProgressBar(double percent)
{
    const int scaleWidth = ClientWidthTwips;
    underBarTwips = scaleWidth;
    if (!std::isfinite(percent))
        percent = 0;
    // round(ScaleWidth * percent) \ 100, halves to even; no clamping above 100.
    const double product = std::clamp(double(scaleWidth) * percent, -1e12, 1e12);
    upBarTwips = int(std::clamp<long long>(roundHalfEven(product) / 100, -100000000LL,
                                           100000000LL));
    applyProgressWidth(percent >= 100.0);
}

void FrmLogo::applyProgressWidth(bool force)
{
    // The fill is redrawn at most every few milliseconds; the last value always lands. The
    // steady clock keeps the pace when someone sets the wall clock back during a scan.
    const qint64 now = std::chrono::duration_cast<std::chrono::milliseconds>(
                           std::chrono::steady_clock::now().time_since_epoch())
                           .count();
    const int widthPx = m_twips.toPixelsX(upBarTwips);
    if (widthPx == m_progressPaintedWidth)
        return;
    if (!force && m_progressPaintedAt >= 0 && now - m_progressPaintedAt < 15)
        return;
    m_progressPaintedAt = now;
    m_progressPaintedWidth = widthPx;
    const QRect under = m_twips.toPixels({0, 5640, underBarTwips, 100});
    lblUnderBar->setGeometry(under);
    lblUpBar->setGeometry(QRect(under.left(), under.top(), std::max(0, widthPx), under.height()));
}

void FrmLogo::setMenuBitmaps()
{
    const QPixmap *globe = nullptr;
    const QPixmap pixmap = imgMenubmp->pixmap();
    globe = &pixmap;
    if (globe->isNull())
        return;
    // The third item of the fifth top-level menu is the download submenu.
    const QList<QAction *> top = menuBar()->actions();
    if (top.size() <= 4)
        return;
    QMenu *help = top.at(4)->menu();
    if (!help)
        return;
    const QList<QAction *> helpItems = help->actions();
    if (helpItems.size() <= 2 || !helpItems.at(2)->menu())
        return;
    const QList<QAction *> downloads = helpItems.at(2)->menu()->actions();
    for (int i = 0; i < 3 && i < downloads.size(); ++i) {
        downloads.at(i)->setIcon(QIcon(*globe));
        downloads.at(i)->setIconVisibleInMenu(true);
    }
}

} // namespace bg

#include "ui/MainWindowUi.h"

#include "ui/Fonts.h"
#include "ui/ImageBox.h"
#include "ui/LogoList.h"
#include "ui/ScanProgressBar.h"
#include "ui/SmallCheckBox.h"
#include "ui/TabLabel.h"

#include <QAction>
#include <QActionGroup>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>

namespace bg {

namespace {

const QColor ListGreen(192, 255, 192);

constexpr quint32 UnselectedTabColor = 12632319; // light pink

void setBackground(QWidget *widget, const QColor &color)
{
    QPalette pal = widget->palette();
    pal.setColor(QPalette::Base, color);
    pal.setColor(QPalette::Window, color);
    pal.setColor(QPalette::Text, Qt::black);
    widget->setPalette(pal);
}

template <typename W>
W *placed(W *widget, const char *name, const Twips &twips, const TwipRect &rect)
{
    widget->setObjectName(QLatin1String(name));
    widget->setGeometry(twips.toPixels(rect));
    return widget;
}

} // namespace

void MainWindowUi::setupUi(QMainWindow *window, const Twips &twips)
{
    auto *client = new QWidget(window);
    client->setObjectName(QStringLiteral("client"));
    window->setCentralWidget(client);
    setupControls(client, twips);
    setupMenus(window);
    // The client area is fixed; the menu bar sits above it.
    client->setFixedSize(twips.toPixelsX(ClientWidthTwips), twips.toPixelsY(ClientHeightTwips));
}

void MainWindowUi::setupControls(QWidget *client, const Twips &twips)
{
    // Created from back to front, so that a control made later covers an earlier one.
    progressBar = new ScanProgressBar(twips, ClientWidthTwips, client);

    largePreview = placed(new ImageBox(client), "imgOutput", twips, {1830, 0, 3465, 2580});
    largePreview->setDragIcon(QPixmap(QStringLiteral(":/pictures/drag.png")));

    pathLabel = placed(new QLabel(QStringLiteral("路徑"), client), "lblPath", twips,
                       {90, 4245, 360, 180});
    pathLabel->adjustSize(); // sizes itself to its caption

    const std::array<const char *, SlotCount> previewNames{"imgStartup", "imgWait", "imgShutdown"};
    const std::array<const char *, SlotCount> tabNames{"lblStartup", "lblWait", "lblShutdown"};
    const std::array<const char *, SlotCount> checkNames{"chkStartup", "chkWait", "chkShutdown"};
    const std::array<int, SlotCount> lefts{45, 1830, 3615};
    const std::array<int, SlotCount> checkLefts{60, 1850, 3635};
    for (LogoSlot slot : AllSlots) {
        const size_t i = size_t(index(slot));
        ImageBox *box = placed(new ImageBox(client), previewNames[i], twips,
                               {lefts[i], 2880, 1695, 1245});
        box->setBorderStyle(1);
        box->setToolTip(slotInfo(slot).systemFileName);
        box->setAcceptsLogoDrops(true);
        slotPreviews[i] = box;
    }
    for (LogoSlot slot : AllSlots) {
        const size_t i = size_t(index(slot));
        TabLabel *tab = placed(new TabLabel(client), tabNames[i], twips, {lefts[i], 2640, 1695, 240});
        tab->setText(slotInfo(slot).tabCaption);
        tab->setToolTip(slotInfo(slot).tabTooltip);
        tab->setAlignment(Qt::AlignCenter);
        tab->setBackColor(UnselectedTabColor);
        tab->setBorderStyle(1);
        slotTabs[i] = tab;
    }

    menuGlobe = placed(new QLabel(client), "imgMenubmp", twips, {4500, 4440, 195, 195});
    menuGlobe->setPixmap(QPixmap(QStringLiteral(":/pictures/globe.png")));
    menuGlobe->hide();

    progressBar->raiseFill();

    pathEdit = placed(new QLineEdit(client), "txtPath", twips, {510, 4200, 4370, 270});
    pathEdit->setToolTip(QStringLiteral("可自行設定LOGO所放置的目錄"));
    setBackground(pathEdit, ListGreen);
    QFont pathFont = mingFont(9.0);
    pathFont.setBold(true);
    pathEdit->setFont(pathFont);

    popUpGroup = placed(new QGroupBox(QStringLiteral("設定"), client), "fraSetup", twips,
                        {60, 4530, 5250, 615});
    popUpOff = placed(new QRadioButton(QStringLiteral("不要提示LOGO訊息視窗"), popUpGroup), "optNo",
                      twips, {2620, 240, 2205, 255});
    popUpOff->setToolTip(QStringLiteral("更換圖片後不提示任何訊息"));
    popUpOn = placed(new QRadioButton(QStringLiteral("提示LOGO訊息視窗"), popUpGroup), "optYes",
                     twips, {320, 240, 1935, 255});
    popUpOn->setToolTip(QStringLiteral("每次更換圖片後告知下一次開關機的畫面"));

    restoreButton = placed(new QPushButton(client), "cmdRestore", twips, {120, 5250, 5130, 300});
    restoreButton->setToolTip(QStringLiteral("按下此鈕可還原在此目錄更換過的LOGO"));
    // The picture's light grey is its mask colour: it takes the button face.
    const QPixmap restorePicture(QStringLiteral(":/pictures/restore.png"));
    if (!restorePicture.isNull()) {
        QPixmap masked = restorePicture;
        masked.setMask(
            restorePicture.createMaskFromColor(QColor(192, 192, 192), Qt::MaskInColor));
        restoreButton->setIcon(QIcon(masked));
        restoreButton->setIconSize(restorePicture.size());
    }

    logoList = placed(new LogoList(client), "lstSys", twips, {45, 0, 1695, 2580});
    setBackground(logoList, ListGreen);

    browseButton = placed(new QPushButton(client), "cmdBrowser", twips, {4900, 4200, 390, 270});
    browseButton->setToolTip(QStringLiteral("瀏覽資料夾"));
    browseButton->setIcon(QIcon(QStringLiteral(":/pictures/folder.png")));
    browseButton->setIconSize(
        QSize(twips.toPixelsX(390) - 4, twips.toPixelsY(270) - 4).boundedTo(QSize(25, 25)));

    for (LogoSlot slot : AllSlots) {
        const size_t i = size_t(index(slot));
        QCheckBox *check = placed(new SmallCheckBox(client), checkNames[i], twips,
                                  {checkLefts[i], 2670, 180, 180});
        check->setMouseTracking(true);
        check->setAutoFillBackground(true);
        QPalette pal = check->palette();
        pal.setColor(QPalette::Window, pal.color(QPalette::Base));
        pal.setColor(QPalette::WindowText, pal.color(QPalette::Text));
        check->setPalette(pal);
        slotChecks[i] = check;
    }

    // The keyboard cycle skips labels, frames and pictures.
    QWidget::setTabOrder(pathEdit, popUpOff);
    QWidget::setTabOrder(popUpOff, popUpOn);
    QWidget::setTabOrder(popUpOn, restoreButton);
    QWidget::setTabOrder(restoreButton, logoList);
    QWidget::setTabOrder(logoList, browseButton);
    QWidget::setTabOrder(browseButton, slotChecks[0]);
    QWidget::setTabOrder(slotChecks[0], slotChecks[1]);
    QWidget::setTabOrder(slotChecks[1], slotChecks[2]);
    for (QWidget *w : {static_cast<QWidget *>(pathLabel), static_cast<QWidget *>(popUpGroup),
                       static_cast<QWidget *>(largePreview)})
        w->setFocusPolicy(Qt::NoFocus);
    for (LogoSlot slot : AllSlots) {
        slotTab(slot)->setFocusPolicy(Qt::NoFocus);
        slotPreview(slot)->setFocusPolicy(Qt::NoFocus);
    }
}

void MainWindowUi::setupMenus(QMainWindow *window)
{
    QMenuBar *bar = window->menuBar();
    auto menu = [](QMenu *m, const char *name) {
        m->setObjectName(QLatin1String(name));
        return m;
    };
    auto item = [](QMenu *m, const char *name, const QString &caption,
                         const QKeySequence &shortcut = QKeySequence()) {
        QAction *action = m->addAction(caption);
        action->setObjectName(QLatin1String(name));
        if (!shortcut.isEmpty()) {
            action->setShortcut(shortcut);
            action->setShortcutContext(Qt::WindowShortcut);
        }
        return action;
    };
    auto separator = [](QMenu *m, const char *name) {
        m->addSeparator()->setObjectName(QLatin1String(name));
    };

    fileMenu = menu(bar->addMenu(QStringLiteral("檔案(&F)")), "mnuFile");
    refreshAction = item(fileMenu, "mnuRefresh", QStringLiteral("重新整理(&R)"), Qt::Key_F5);
    separator(fileMenu, "mnuSeparate1");
    closeAction = item(fileMenu, "mnuClose", QStringLiteral("關閉(&C)"), Qt::CTRL | Qt::Key_X);

    editMenu = menu(bar->addMenu(QStringLiteral("編輯(&E)")), "mnuEdit");
    renameAction = item(editMenu, "mnuRename", QStringLiteral("重新命名(&M)"), Qt::Key_F2);
    deleteAction = item(editMenu, "mnuDelete", QStringLiteral("刪除(&D)"));
    bootPreviewAction = item(editMenu, "mnuBootPreview", QStringLiteral("開機預覽(&B)"));

    startAtBootMenu = menu(bar->addMenu(QStringLiteral("開機啟動(&S)")), "mnuStartup");
    startAtBootOnAction = item(startAtBootMenu, "mnuRun", QStringLiteral("開啟(&Y)"));
    startAtBootOffAction = item(startAtBootMenu, "mnuUnrun", QStringLiteral("關閉(&N)"));

    orderMenu = menu(bar->addMenu(QStringLiteral("更換方式(&M)")), "mnuStyle");
    ascendingAction = item(orderMenu, "mnuLittle", QStringLiteral("字母小到大(&L)"));
    descendingAction = item(orderMenu, "mnuBig", QStringLiteral("字母大到小(&B)"));
    randomAction = item(orderMenu, "mnuRandom", QStringLiteral("隨機(&R)"));

    helpMenu = menu(bar->addMenu(QStringLiteral("說明(&H)")), "mnuHelp");
    readmeAction = item(helpMenu, "mnuReadme", QStringLiteral("讀我檔案(&R)"), Qt::Key_F1);
    separator(helpMenu, "mnuSeparate2");
    downloadMenu = menu(helpMenu->addMenu(QStringLiteral("下載開關機 LOGO(&W)")), "mnuWWW");
    downloadActions = {item(downloadMenu, "mnuHarborview", QStringLiteral("Harborview(&K)")),
                       item(downloadMenu, "mnuPixelbarn", QStringLiteral("Pixelbarn(&S)")),
                       item(downloadMenu, "mnuInkmeadow", QStringLiteral("&Inkmeadow"))};
    separator(helpMenu, "mnuSeparate3");
    aboutAction = item(helpMenu, "mnuAbout", QStringLiteral("關於 Splashwheel(&A)"));

    // The order items are one choice; start at boot is on or off. Nothing is checked until
    // the settings and the Startup folder have been read.
    orderGroup = new QActionGroup(window);
    startAtBootGroup = new QActionGroup(window);
    for (QAction *a : {ascendingAction, descendingAction, randomAction}) {
        a->setCheckable(true);
        orderGroup->addAction(a);
    }
    // Start at boot is checked by what the Startup folder holds, never by the click itself.
    for (QAction *a : {startAtBootOnAction, startAtBootOffAction}) {
        a->setCheckable(true);
        startAtBootGroup->addAction(a);
    }
    startAtBootGroup->setExclusionPolicy(QActionGroup::ExclusionPolicy::None);

    // The download items show the globe beside their captions.
    const QPixmap globe = menuGlobe->pixmap();
    if (!globe.isNull())
        for (QAction *a : downloadActions) {
            a->setIcon(QIcon(globe));
            a->setIconVisibleInMenu(true);
        }
}

} // namespace bg

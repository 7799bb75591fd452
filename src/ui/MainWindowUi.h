#pragma once

#include "core/LogoSlot.h"
#include "ui/Twips.h"

#include <array>

class QAction;
class QActionGroup;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMainWindow;
class QMenu;
class QPushButton;
class QRadioButton;

namespace bg {

class ImageBox;
class LogoList;
class ScanProgressBar;
class TabLabel;

// The widgets and menus of the main window, laid out in twips on a fixed client area, as a
// Designer form would make them. Each control carries its classic control name as objectName.
struct MainWindowUi
{
    static constexpr int ClientWidthTwips = 5340;
    static constexpr int ClientHeightTwips = 5745;

    LogoList *logoList = nullptr;         // lstSys
    ImageBox *largePreview = nullptr;     // imgOutput
    QLineEdit *pathEdit = nullptr;        // txtPath
    QLabel *pathLabel = nullptr;          // lblPath
    QPushButton *browseButton = nullptr;  // cmdBrowser
    QPushButton *restoreButton = nullptr; // cmdRestore
    QGroupBox *popUpGroup = nullptr;      // fraSetup
    QRadioButton *popUpOn = nullptr;      // optYes
    QRadioButton *popUpOff = nullptr;     // optNo
    QLabel *menuGlobe = nullptr;          // imgMenubmp: only a store for the menu picture
    ScanProgressBar *progressBar = nullptr; // lblUnderBar with lblUpBar
    std::array<TabLabel *, SlotCount> slotTabs{};      // lblStartup, lblWait, lblShutdown
    std::array<ImageBox *, SlotCount> slotPreviews{};  // imgStartup, imgWait, imgShutdown
    std::array<QCheckBox *, SlotCount> slotChecks{};   // chkStartup, chkWait, chkShutdown

    QMenu *fileMenu = nullptr;
    QAction *refreshAction = nullptr;
    QAction *closeAction = nullptr;
    QMenu *editMenu = nullptr; // also the list's right-click menu
    QAction *renameAction = nullptr;
    QAction *deleteAction = nullptr;
    QAction *bootPreviewAction = nullptr;
    QMenu *startAtBootMenu = nullptr;
    QAction *startAtBootOnAction = nullptr;
    QAction *startAtBootOffAction = nullptr;
    QActionGroup *startAtBootGroup = nullptr;
    QMenu *orderMenu = nullptr;
    QAction *ascendingAction = nullptr;
    QAction *descendingAction = nullptr;
    QAction *randomAction = nullptr;
    QActionGroup *orderGroup = nullptr;
    QMenu *helpMenu = nullptr;
    QAction *readmeAction = nullptr;
    QMenu *downloadMenu = nullptr;
    std::array<QAction *, 3> downloadActions{};
    QAction *aboutAction = nullptr;

    ImageBox *slotPreview(LogoSlot slot) const { return slotPreviews[size_t(index(slot))]; }
    TabLabel *slotTab(LogoSlot slot) const { return slotTabs[size_t(index(slot))]; }
    QCheckBox *slotCheck(LogoSlot slot) const { return slotChecks[size_t(index(slot))]; }

    void setupUi(QMainWindow *window, const Twips &twips);

private:
    void setupControls(QWidget *client, const Twips &twips);
    void setupMenus(QMainWindow *window);
};

} // namespace bg

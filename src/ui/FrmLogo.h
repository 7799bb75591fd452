#pragma once

#include "app/Services.h"
#include "core/LogoSlot.h"
#include "core/LogoTests.h"
#include "core/MainWindowState.h"
#include "ui/Twips.h"

#include <QMainWindow>
#include <QPointer>
#include <array>

class QAction;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QMimeData;
class QPushButton;
class QRadioButton;

namespace bg {

class ImageBox;
class LogoList;
class TabLabel;

// What Form_Load decided: show the window, or end the program with an exit status.
struct LoadOutcome
{
    bool showWindow = true;
    int exitCode = 0;
};

// The main window. Its event handlers carry the names of the events they answer
// (control_event); they are public so tests can raise them as the platform would.
// Handlers are implemented beside the subsystem they belong to: start-up and exit in app/,
// folder browsing in library/, logo operations in ops/, windows and menus in ui/.
class FrmLogo : public QMainWindow
{
    Q_OBJECT
public:
    explicit FrmLogo(Services &services, QWidget *parent = nullptr);
    ~FrmLogo() override;

    // --- start-up and exit (app/) -------------------------------------------------------
    LoadOutcome Form_Load();
    void Form_Unload(bool &cancel);
    int runAddMode(const QString &commandText);
    int runPreviewMode(const QString &commandText);

    // --- folder scan and list (library/) ------------------------------------------------
    void txtPath_KeyPress(int &keyAscii);
    void txtPath_GotFocus();
    void RefreshListStatus();
    void FitListWidth();
    void UpdateRestoreButton();
    void lstSys_Click();
    void lstSys_Scroll();
    void mnuRefresh_Click();
    // Puts a folder into the path box and scans it, as every re-scan does.
    void rescan(const QString &folder, bool focusList);

    void lblStartup_Click();
    void lblWait_Click();
    void lblShutdown_Click();
    void selectTab(LogoSlot slot);
    void SetTabColors(quint32 startup, quint32 wait, quint32 shutdown);
    void SetTabBorders(int startup, int wait, int shutdown);
    void chkStartup_MouseMove();
    void chkWait_MouseMove();
    void chkShutdown_MouseMove();

    void cmdRestore_Click();
    void cmdBrowser_Click();

    // --- logo operations (ops/) ---------------------------------------------------------
    void ApplyLogoToSlot(ImageBox *preview, const QString &targetPath, const QString &targetName,
                         const QString &phrase);
    void lstSys_DblClick();
    void imgStartup_DragDrop();
    void imgWait_DragDrop();
    void imgShutdown_DragDrop();
    void imgOutput_MouseMove();

    void mnuRun_Click();
    void mnuUnrun_Click();
    void mnuLittle_Click();
    void mnuBig_Click();
    void mnuRandom_Click();

    // Whether data dragged over the list may be dropped (it holds a list of local files).
    bool lstSys_OLEDragOver(const QMimeData *data);
    void lstSys_OLEDragDrop(const QMimeData *data);
    void mnuDelete_Click();
    void mnuRename_Click();
    void txtRename_KeyPress(int &keyAscii);
    void txtRename_KeyDown(int keyCode);
    void txtRename_LostFocus();

    // --- windows and menus (ui/) --------------------------------------------------------
    void lstSys_MouseUp(Qt::MouseButton button, QPoint clientPos);
    void Form_KeyDown(int keyCode);
    void Form_Paint();
    void mnuClose_Click();
    void SetProgressBar(double percent);
    void ShowSlotPreview(ImageBox *preview);
    void imgStartup_MouseDown(Qt::MouseButton button, Qt::MouseButtons buttons);
    void imgWait_MouseDown(Qt::MouseButton button, Qt::MouseButtons buttons);
    void imgShutdown_MouseDown(Qt::MouseButton button, Qt::MouseButtons buttons);
    void mnuReadme_Click();
    void mnuHarborview_Click();
    void mnuPixelbarn_Click();
    void mnuInkmeadow_Click();
    void mnuAbout_Click();
    void setMenuBitmaps();

    // --- state and controls, open to the tests --------------------------------------------
    MainWindowState state;
    QString tag;        // "over" / "noover", set by FitListWidth
    QString renameMark = QStringLiteral("0"); // txtRename's edited mark
    int upBarTwips = 0; // the progress fill's width in twips
    int underBarTwips = 0;

    ImageBox *imgOutput = nullptr;
    ImageBox *imgStartup = nullptr;
    ImageBox *imgWait = nullptr;
    ImageBox *imgShutdown = nullptr;
    TabLabel *lblStartup = nullptr;
    TabLabel *lblWait = nullptr;
    TabLabel *lblShutdown = nullptr;
    TabLabel *lblUpBar = nullptr;
    TabLabel *lblUnderBar = nullptr;
    QCheckBox *chkStartup = nullptr;
    QCheckBox *chkWait = nullptr;
    QCheckBox *chkShutdown = nullptr;
    QPushButton *cmdBrowser = nullptr;
    QPushButton *cmdRestore = nullptr;
    QLineEdit *txtPath = nullptr;
    QLineEdit *txtRename = nullptr;
    LogoList *lstSys = nullptr;
    QGroupBox *fraSetup = nullptr;
    QRadioButton *optYes = nullptr;
    QRadioButton *optNo = nullptr;
    QLabel *lblPath = nullptr;
    QLabel *imgMenubmp = nullptr;

    QMenu *mnuFile = nullptr;
    QMenu *mnuEdit = nullptr;
    QMenu *mnuStartup = nullptr;
    QMenu *mnuStyle = nullptr;
    QMenu *mnuHelp = nullptr;
    QMenu *mnuWWW = nullptr;
    QAction *mnuRefresh = nullptr;
    QAction *mnuSeparate1 = nullptr;
    QAction *mnuClose = nullptr;
    QAction *mnuRename = nullptr;
    QAction *mnuDelete = nullptr;
    QAction *mnuRun = nullptr;
    QAction *mnuUnrun = nullptr;
    QAction *mnuLittle = nullptr;
    QAction *mnuBig = nullptr;
    QAction *mnuRandom = nullptr;
    QAction *mnuReadme = nullptr;
    QAction *mnuSeparate2 = nullptr;
    QAction *mnuHarborview = nullptr;
    QAction *mnuPixelbarn = nullptr;
    QAction *mnuInkmeadow = nullptr;
    QAction *mnuSeparate3 = nullptr;
    QAction *mnuAbout = nullptr;

    ImageBox *slotPreview(LogoSlot slot) const;
    TabLabel *slotTab(LogoSlot slot) const;
    QCheckBox *slotCheck(LogoSlot slot) const;
    const Twips &twips() const { return m_twips; }
    Services &services() { return m_services; }
    const LogoTester &logoTester() const { return m_tester; }
    // The twips rectangle each control was placed at, by control name.
    TwipRect designRect(const QString &controlName) const;

    // The web addresses of the download-site items and the contact address.
    static QString harborviewAddress();
    static QString pixelbarnAddress();
    static QString inkmeadowAddress();
    static QString contactAddress();

    // The colours of the slot tabs.
    static constexpr quint32 SelectedTabColor = 16761024;   // light blue
    static constexpr quint32 UnselectedTabColor = 12632319; // light pink

protected:
    void closeEvent(QCloseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildControls();
    void buildMenus();
    void connectHandlers();
    void place(QWidget *widget, const QString &name, const TwipRect &rect);
    void placeInFrame(QWidget *widget, const QString &name, const TwipRect &rect);
    void loadSystemLogos();
    void applyToSlot(LogoSlot slot);
    void applyProgressWidth(bool force);

    Services &m_services;
    LogoTester m_tester;
    Twips m_twips;
    QHash<QString, TwipRect> m_design;
    QPixmap m_restorePicture;
    quint32 m_restoreMaskColor = 0;
    bool m_closeWhenScanEnds = false;
    bool m_unloaded = false;
    qint64 m_progressPaintedAt = -1;
    int m_progressPaintedWidth = -1;

    // --- renaming in place (ops/FrmLogoRename.cpp) ----------------------------------------
    void endRename();
    bool m_renameActive = false; // an edit was started and has not ended yet
};

} // namespace bg

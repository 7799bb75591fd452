#pragma once

#include "core/LogoSlot.h"
#include "core/LogoTests.h"
#include "core/MainWindowState.h"
#include "ui/MainWindowUi.h"

#include <QMainWindow>

class QMenu;
#include <memory>

namespace bg {

class HandedJob;
class HandedJobs;
class LogoActions;
class RenameDelegate;
class SlotBrowser;
class WindowSettings;
struct Services;

// The tool's main window: the logo list of one slot's folder with its preview, the three slot
// tabs with their previews and check boxes, the path row, the pop-up option and the restore
// button, and the menus. The window wires its controls to three controllers: the slot browser
// (the shown slot and its folder scan), the logo actions (what is done to the logo files) and
// the window settings (the settings file and the start-at-boot shortcut).
class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    // state: what start-up read (the program's and Windows' folders, the three slot folders).
    MainWindow(Services &services, const MainWindowState &state, QWidget *parent = nullptr);
    ~MainWindow() override;

    // Fills the controls from the settings file and the Startup folder, opens the Startup tab
    // (its folder is scanned) and shows the three current system logos.
    void open();

    const MainWindowState &state() const { return m_state; }
    bool isScanning() const;
    // A scan, a conversion or a change writing a disk image is running on a worker.
    bool isBusy() const;

    // The download sites of the Help menu and the author's mail address.
    static const std::array<QString, 3> &downloadSites();
    static QString contactAddress();

public slots:
    // A job a later start of the tool handed over; it runs as soon as the window is free.
    void runHandedJob(const bg::HandedJob &job);

signals:
    void scanFinished();

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private slots:
    void showEntryMenu(Qt::MouseButton button, QPoint position);
    void showSlotLogoFullSize(LogoSlot slot);
    // The boot preview of the file a Windows path names; a file it cannot show is told.
    void showBootPreview(const QString &path);
    void openReadme();
    void openDownloadSite(int site);
    void showAbout();
    void selectPathText();

private:
    void connectControls();
    void updateCheckTooltip(LogoSlot slot);
    // The right-click menu of a slot preview, made for that slot each time it opens.
    QMenu *slotMenu(LogoSlot slot);

    Services &m_services;
    MainWindowState m_state;
    LogoTester m_tester;
    MainWindowUi m_ui;
    RenameDelegate *m_renameDelegate = nullptr;
    SlotBrowser *m_browser = nullptr;
    LogoActions *m_actions = nullptr;
    WindowSettings *m_settings = nullptr;
    HandedJobs *m_handedJobs = nullptr;
    QMenu *m_slotMenu = nullptr;
    bool m_closed = false;
};

} // namespace bg

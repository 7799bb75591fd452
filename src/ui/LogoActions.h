#pragma once

#include "core/LogoSlot.h"
#include "ops/LogoDropAdder.h"

#include <QObject>
#include <QString>

#include <vector>

class QMimeData;
class QWidget;

namespace bg {

class LogoTester;
class RenameDelegate;
class SlotBrowser;
struct MainWindowState;
struct MainWindowUi;
struct Services;

// What the user does to the logo files of the shown folder: applying the chosen logo to a slot,
// deleting and renaming it, adding dropped pictures, restoring the used logos and choosing
// another folder. Each runs an operation, tells the user its outcome and re-scans the folder
// when the operation changed it.
class LogoActions : public QObject
{
    Q_OBJECT
public:
    LogoActions(MainWindowUi &ui, MainWindowState &state, Services &services,
                const LogoTester &tester, SlotBrowser &browser, RenameDelegate &renamer,
                QWidget *window);

public slots:
    void applyChosenLogo(LogoSlot slot);
    void applyChosenLogoToShownSlot();
    void deleteChosenLogo();
    void startRename();
    // Ends a running rename as the focus moving away would: a changed name is given to the file.
    void finishRename();
    // Ends a running rename before the list is emptied: a changed name is still given to the
    // file, in the folder the edit started in; no re-scan, since one follows.
    void finishRenameBeforeScan();
    void cancelRename();
    void addDroppedFiles(const QMimeData *data);
    void restoreUsedLogos();
    // Puts Windows' own logo of the slot back (the one kept at its first replacement).
    void restoreOriginalLogo(LogoSlot slot);
    void chooseFolder();

private:
    void showSystemLogo(LogoSlot slot);
    void renameFile(const QString &oldName, const QString &newName);
    void addFiles(const std::vector<DroppedFile> &files);
    void addQueuedDrops();

    MainWindowUi &m_ui;
    MainWindowState &m_state;
    Services &m_services;
    const LogoTester &m_tester;
    SlotBrowser &m_browser;
    RenameDelegate &m_renamer;
    QWidget *m_window;
    QString m_renameFolder;          // the folder the running edit belongs to
    bool m_scanFollowsRename = false;
    // Drops that arrived during a scan, handled when it ends.
    std::vector<std::vector<DroppedFile>> m_queuedDrops;
};

} // namespace bg

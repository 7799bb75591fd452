#pragma once

#include "core/LogoSlot.h"
#include "ops/LogoApplier.h"
#include "ops/LogoDropAdder.h"
#include "ops/PictureConversion.h"
#include "ui/DiskWork.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>
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
// when the operation changed it. Dropped pictures that are no logos, and a chosen logo the boot
// screen cannot show, are offered for conversion; the conversion runs on a worker while a small
// modal window counts the pictures.
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

public:
    bool isConverting() const { return m_conversion.isRunning(); }
    // A conversion, or a change writing a disk image, is running on a worker.
    bool isWorking() const { return isConverting() || m_diskWork->isRunning(); }

private:
    void finishApply(LogoSlot slot, const QString &name, const ApplyOutcome &outcome);
    // Offers the chosen entry for conversion when the boot screen cannot show it; true when the
    // offer was made (the apply then goes on, or not, on its own).
    bool offerToConvertChosen(LogoSlot slot);
    // Offers the dropped pictures that are no logos for conversion into the folder; true when a
    // conversion started (it ends the drop).
    bool offerToConvertDropped(const std::vector<QString> &notLogos, const QString &folder,
                               int copied);
    void convert(std::shared_ptr<LogoConversions> conversions, std::vector<int> indices,
                 ConversionChoice choice, ConversionJob::Writer writer,
                 std::function<void(const ConversionOutcome &)> then);
    void conversionFinished(const ConversionOutcome &outcome);
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
    ConversionJob m_conversion;
    QPointer<QWidget> m_conversionProgress;
    std::function<void(const ConversionOutcome &)> m_afterConversion;
    DiskWork *m_diskWork;
};

} // namespace bg

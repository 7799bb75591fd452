#pragma once

#include "core/LogoSlot.h"

#include <QFuture>
#include <QImage>
#include <QObject>
#include <QString>

namespace bg {

class FolderScanJob;
class LogoTester;
struct MainWindowState;
struct MainWindowUi;
struct Services;

// The shown slot and its folder: the slot tabs, the path box, the folder scan into the logo
// list, the list's status (tooltip, Edit menu, restore button, horizontal extent), the large
// preview of the chosen entry and the three slot previews.
//
// A scan runs on a worker; meanwhile the controls that would start another one are disabled
// and tab clicks are ignored. The tool's own re-scans replace a running scan. The chosen entry's
// picture is read on a worker when it lies in a disk image (mtools, and QEMU for most formats,
// take a tenth of a second); a later choice makes an earlier one's picture go unshown.
class SlotBrowser : public QObject
{
    Q_OBJECT
public:
    SlotBrowser(MainWindowUi &ui, MainWindowState &state, Services &services,
                const LogoTester &tester, QObject *parent = nullptr);
    ~SlotBrowser() override;

    bool isScanning() const;
    // "over" when the widest entry reaches 110 pixels, else "noover" (the rename box's width
    // depends on it).
    const QString &listTag() const { return m_listTag; }

public slots:
    // A click on a slot's tab. Ignored while a scan runs and for the slot already shown.
    void selectSlot(LogoSlot slot);
    // Enter in the path box: scans the folder typed there for the shown slot.
    void scanTypedFolder();
    // Puts a folder into the path box and scans it, as every operation that changed the
    // shown folder does.
    void rescan(const QString &folder);
    // File menu Refresh: the three slot previews, then the shown folder.
    void refresh();
    // Ends a running scan; what it found stays listed, and the list's status is settled.
    void cancelScan();

    void loadSystemLogos();
    void showChosenEntry();
    void refreshListStatus();
    void updateRestoreButton();

signals:
    // A scan is about to empty the list: an edit in the list must end first.
    void scanStarting();
    void scanFinished();

private:
    void beginScan(const QString &folder);
    void endScan(bool usedFolderExists);
    void setScanControlsEnabled(bool enabled);
    void fitListWidth();
    void showPreview(const QString &name, const QImage &picture);

    MainWindowUi &m_ui;
    MainWindowState &m_state;
    Services &m_services;
    const LogoTester &m_tester;
    FolderScanJob *m_scan;
    QString m_listTag = QStringLiteral("noover");
    // The chosen entry's picture being read from a disk image, and which choice it is for.
    QFuture<QImage> m_previewLoad;
    quint64 m_previewRequest = 0;
};

} // namespace bg

#pragma once

#include <QDialog>
#include <QFutureWatcher>
#include <QIcon>
#include <QList>
#include <QPersistentModelIndex>
#include <QStringList>

#include <functional>
#include <optional>

class QPushButton;
class QStandardItem;
class QStandardItemModel;
class QTreeView;

namespace bg {

// The names of the sub-folders of a Windows folder ("C:\", "C:\WINDOWS"), or nothing when the
// folder cannot be read. It may take seconds (a disk image read through mtools), so the picker
// calls it on a worker thread.
using SubFolderLister = std::function<std::optional<QStringList>(const QString &windowsFolder)>;

// A Windows folder as a folder picker returns it: without a trailing backslash, except a drive
// root ("C:\").
QString pickedFolder(QString windowsFolder);

// The folder picker for drives the host cannot browse, such as a drive that is a disk image: a
// tree of the given drive roots ("C:\") whose folders are read when they are first expanded,
// one folder at a time on a worker thread (two reads never hold the same image at once). A
// folder being read shows "正在讀取…" under it, one that cannot be read says so and is read
// again when expanded again. OK (Enter) is enabled only while a folder is selected; Cancel
// and Escape end without a choice. The window waits for a running read before it goes, so the
// lister is not called after the window is gone.
class VolumeFolderDialog : public QDialog
{
    Q_OBJECT
public:
    VolumeFolderDialog(const QString &prompt, const QStringList &driveRoots,
                       SubFolderLister subFolders, QWidget *parent = nullptr);
    ~VolumeFolderDialog() override;

    // The selected folder's Windows path without a trailing backslash, except a drive root
    // ("C:\"); empty when nothing is selected or the path is longer than MaxPathLength.
    QString chosenFolder() const;

    static constexpr int MaxPathLength = 259; // MAX_PATH less its terminating NUL

private:
    enum State { Unread, Reading, Read, Failed };

    QStandardItem *folderItem(const QString &name, const QString &windowsPath) const;
    void folderExpanded(const QModelIndex &index);
    void readNext();
    void folderRead();

    SubFolderLister m_subFolders;
    QIcon m_folderIcon;
    QStandardItemModel *m_model = nullptr;
    QTreeView *m_tree = nullptr;
    QPushButton *m_ok = nullptr;
    QFutureWatcher<std::optional<QStringList>> m_reading;
    QPersistentModelIndex m_read;          // the folder being read (or last read)
    QList<QPersistentModelIndex> m_queued; // expanded folders waiting for their read
    bool m_busy = false;                   // a read runs
};

} // namespace bg

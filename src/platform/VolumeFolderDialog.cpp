#include "platform/VolumeFolderDialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QStandardItemModel>
#include <QStyle>
#include <QTreeView>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>

namespace bg {
namespace {

constexpr int PathRole = Qt::UserRole + 1;  // a folder's Windows path
constexpr int StateRole = Qt::UserRole + 2; // how far its sub-folders are read

const QString ReadingText = QStringLiteral("正在讀取…");
const QString FailedText = QStringLiteral("無法讀取這個資料夾。");

// The line under a folder that stands for its sub-folders until they are read; it cannot be
// chosen, and the keyboard passes over it.
QStandardItem *noteItem()
{
    auto *note = new QStandardItem(ReadingText);
    note->setFlags(Qt::NoItemFlags);
    return note;
}

bool lessIgnoringCase(const QString &a, const QString &b)
{
    const int order = a.compare(b, Qt::CaseInsensitive);
    return order != 0 ? order < 0 : a < b;
}

} // namespace

QString pickedFolder(QString windowsFolder)
{
    while (windowsFolder.size() > 3 && windowsFolder.endsWith(QLatin1Char('\\')))
        windowsFolder.chop(1);
    if (windowsFolder.size() == 2 && windowsFolder.at(1) == QLatin1Char(':'))
        windowsFolder += QLatin1Char('\\');
    return windowsFolder;
}

VolumeFolderDialog::VolumeFolderDialog(const QString &prompt, const QStringList &driveRoots,
                                       SubFolderLister subFolders, QWidget *parent)
    : QDialog(parent), m_subFolders(std::move(subFolders)),
      m_folderIcon(style()->standardIcon(QStyle::SP_DirIcon))
{
    setObjectName(QStringLiteral("frmVolumeFolders"));
    setWindowTitle(prompt);
    setModal(true);

    auto *promptLabel = new QLabel(prompt, this);
    promptLabel->setWordWrap(true);

    m_model = new QStandardItemModel(this);
    for (const QString &root : driveRoots)
        m_model->appendRow(folderItem(root, root));

    m_tree = new QTreeView(this);
    m_tree->setObjectName(QStringLiteral("tvwFolders"));
    m_tree->setHeaderHidden(true);
    m_tree->setUniformRowHeights(true);
    m_tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_tree->setSelectionMode(QAbstractItemView::SingleSelection);
    m_tree->setModel(m_model);
    promptLabel->setBuddy(m_tree);

    auto *buttons = new QDialogButtonBox(this);
    m_ok = buttons->addButton(QStringLiteral("確定"), QDialogButtonBox::AcceptRole);
    m_ok->setObjectName(QStringLiteral("cmdOK"));
    m_ok->setDefault(true);
    m_ok->setEnabled(false);
    QPushButton *cancel = buttons->addButton(QStringLiteral("取消"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("cmdCancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *lines = new QVBoxLayout(this);
    lines->addWidget(promptLabel);
    lines->addWidget(m_tree, 1);
    lines->addWidget(buttons);
    resize(420, 480);

    connect(m_tree, &QTreeView::expanded, this, &VolumeFolderDialog::folderExpanded);
    connect(m_tree->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { m_ok->setEnabled(m_tree->selectionModel()->hasSelection()); });
    connect(&m_reading, &QFutureWatcher<std::optional<QStringList>>::finished, this,
            &VolumeFolderDialog::folderRead);
    m_tree->setFocus();
}

VolumeFolderDialog::~VolumeFolderDialog()
{
    // The lister may use what its caller holds only while the window is open.
    m_reading.waitForFinished();
}

QString VolumeFolderDialog::chosenFolder() const
{
    const QModelIndexList selected = m_tree->selectionModel()->selectedIndexes();
    if (selected.isEmpty())
        return QString();
    const QString path = pickedFolder(selected.first().data(PathRole).toString());
    return path.size() > MaxPathLength ? QString() : path;
}

QStandardItem *VolumeFolderDialog::folderItem(const QString &name, const QString &windowsPath) const
{
    auto *item = new QStandardItem(m_folderIcon, name);
    item->setData(windowsPath, PathRole);
    item->setData(Unread, StateRole);
    item->appendRow(noteItem()); // the tree offers to expand it
    return item;
}

void VolumeFolderDialog::folderExpanded(const QModelIndex &index)
{
    QStandardItem *folder = m_model->itemFromIndex(index);
    const int state = folder ? folder->data(StateRole).toInt() : Read;
    if (state != Unread && state != Failed)
        return;
    folder->setData(Reading, StateRole);
    folder->child(0)->setText(ReadingText);
    m_queued.append(QPersistentModelIndex(index));
    readNext();
}

void VolumeFolderDialog::readNext()
{
    if (m_busy || m_queued.isEmpty())
        return; // folderRead() starts the next one
    m_read = m_queued.takeFirst();
    m_busy = true;
    m_reading.setFuture(QtConcurrent::run(
        [list = m_subFolders, folder = m_read.data(PathRole).toString()] { return list(folder); }));
}

void VolumeFolderDialog::folderRead()
{
    m_busy = false;
    std::optional<QStringList> names = m_reading.result();
    if (QStandardItem *folder = m_model->itemFromIndex(m_read)) {
        if (names) {
            std::sort(names->begin(), names->end(), lessIgnoringCase);
            QString parentPath = folder->data(PathRole).toString();
            if (!parentPath.endsWith(QLatin1Char('\\')))
                parentPath += QLatin1Char('\\');
            QList<QStandardItem *> children;
            for (const QString &name : std::as_const(*names))
                children.append(folderItem(name, parentPath + name));
            folder->appendRows(children);
            folder->removeRow(0); // the note; a folder without sub-folders has nothing to expand
            folder->setData(Read, StateRole);
        } else {
            folder->child(0)->setText(FailedText);
            folder->setData(Failed, StateRole);
        }
    }
    readNext();
}

} // namespace bg

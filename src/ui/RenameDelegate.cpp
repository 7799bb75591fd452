#include "ui/RenameDelegate.h"

#include <QAbstractItemView>
#include <QKeyEvent>
#include <QLineEdit>

namespace bg {

namespace {
const char *const EditedProperty = "bootgalleryEdited";
const char *const OldNameProperty = "bootgalleryOldName";
const char *const ConfirmedProperty = "bootgalleryConfirmed";
} // namespace

QWidget *RenameDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &,
                                      const QModelIndex &) const
{
    auto *editor = new QLineEdit(parent);
    editor->setObjectName(QStringLiteral("txtRename"));
    QPalette pal = editor->palette();
    pal.setColor(QPalette::Base, QColor(192, 255, 192));
    pal.setColor(QPalette::Text, Qt::black);
    editor->setPalette(pal);
    editor->setAutoFillBackground(true);
    // Any change the user makes counts, typed, pasted or composed by an input method; the
    // text set by the program does not.
    connect(editor, &QLineEdit::textEdited, editor,
            [editor] { editor->setProperty(EditedProperty, true); });
    m_editor = editor;
    return editor;
}

void RenameDelegate::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    auto *box = static_cast<QLineEdit *>(editor);
    if (box->property(OldNameProperty).isValid())
        return; // the name is set once, when the edit starts
    const QString name = index.data(Qt::DisplayRole).toString();
    box->setProperty(OldNameProperty, name);
    box->setText(name);
    box->selectAll();
}

void RenameDelegate::setModelData(QWidget *editor, QAbstractItemModel *,
                                  const QModelIndex &) const
{
    auto *box = static_cast<QLineEdit *>(editor);
    if (!box->property(EditedProperty).toBool())
        return;
    box->setProperty(EditedProperty, false); // confirmed once, however the edit then closes
    // Reported when the view has let go of the box: the re-scan a rename starts empties the
    // list, which must not close the box a second time.
    box->setProperty(ConfirmedProperty, true);
}

void RenameDelegate::updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option,
                                          const QModelIndex &) const
{
    // From the list's left edge (two pixels in), over the row the entry occupies.
    const QWidget *viewport = editor->parentWidget();
    const int left = viewport ? 2 - viewport->x() : 0;
    editor->setGeometry(left, option.rect.top(), m_boxSize.width(), m_boxSize.height());
}

void RenameDelegate::destroyEditor(QWidget *editor, const QModelIndex &index) const
{
    if (editor == m_editor)
        m_editor.clear();
    QStyledItemDelegate::destroyEditor(editor, index); // deleted later: still readable here
    if (editor->property(ConfirmedProperty).toBool())
        emit renameConfirmed(editor->property(OldNameProperty).toString(),
                             static_cast<QLineEdit *>(editor)->text());
}

void RenameDelegate::commitEditing()
{
    if (QLineEdit *editor = m_editor) {
        emit commitData(editor);
        emit closeEditor(editor, NoHint);
    }
}

void RenameDelegate::cancelEditing()
{
    if (QLineEdit *editor = m_editor) {
        editor->setProperty(EditedProperty, false);
        emit closeEditor(editor, RevertModelCache);
    }
}

bool RenameDelegate::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::ShortcutOverride && watched == m_editor) {
        // The window's Ctrl+X (close) wins over the box's cut; the close ends the edit.
        if (static_cast<QKeyEvent *>(event)->matches(QKeySequence::Cut))
            return true;
    }
    if (event->type() == QEvent::KeyPress && watched == m_editor) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Escape) {
            cancelEditing();
            return true;
        }
    }
    return QStyledItemDelegate::eventFilter(watched, event);
}

} // namespace bg

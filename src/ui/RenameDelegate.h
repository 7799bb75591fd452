#pragma once

#include <QPointer>
#include <QStyledItemDelegate>

class QLineEdit;

namespace bg {

// Edits a logo's file name in place: a green one-line box (txtRename) laid over the entry's
// row, from the list's left edge and as wide as the window asks. The model is never written:
// a confirmed edit (Enter, or the focus moving elsewhere) is reported through renameConfirmed(),
// once the box has closed, when the user changed the text by any means (typing, pasting, an
// input method); Escape ends the edit without one. Ctrl+X is left to the window, whose
// shortcut closes it.
class RenameDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    // The box's size in pixels for the next edit.
    void setBoxSize(QSize size) { m_boxSize = size; }

    bool isEditing() const { return !m_editor.isNull(); }
    // Ends a running edit as the focus moving away would: a changed name is confirmed.
    void commitEditing();
    // Ends a running edit without renaming.
    void cancelEditing();

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    void setModelData(QWidget *editor, QAbstractItemModel *model,
                      const QModelIndex &index) const override;
    void updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option,
                              const QModelIndex &index) const override;
    void destroyEditor(QWidget *editor, const QModelIndex &index) const override;

signals:
    void renameConfirmed(const QString &oldName, const QString &newName) const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QSize m_boxSize{33, 18};
    mutable QPointer<QLineEdit> m_editor;
};

} // namespace bg

#include "ui/LogoList.h"

#include "ui/LogoListModel.h"

#include "ops/LogoDropAdder.h"

#include <QDragEnterEvent>
#include <QMouseEvent>
#include <QScrollBar>

#include <algorithm>

namespace bg {

LogoList::LogoList(QWidget *parent) : QListView(parent), m_model(new LogoListModel(this))
{
    setModel(m_model);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setUniformItemSizes(true);
    setTextElideMode(Qt::ElideNone);
    setWordWrap(false);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DropOnly);
    setDropIndicatorShown(false);

    m_flushTimer.setSingleShot(true);
    connect(&m_flushTimer, &QTimer::timeout, this, &LogoList::flush);
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, &LogoList::scrolled);
    connect(horizontalScrollBar(), &QScrollBar::valueChanged, this, &LogoList::scrolled);
    updateRowSize();
}

void LogoList::updateRowSize()
{
    m_model->setMeasureFont(font());
    m_rowHeight = fontMetrics().height();
    m_model->setRowSize(QSize(m_extent, m_rowHeight));
}

void LogoList::changeEvent(QEvent *event)
{
    QListView::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        updateRowSize();
}

void LogoList::clearEntries()
{
    m_flushTimer.stop();
    m_model->clear();
}

void LogoList::addEntry(const QString &name)
{
    m_model->add(name);
    if (!m_flushTimer.isActive()) {
        // Each merge makes the view lay out every row again, so merges come further apart as
        // the list grows: one frame for short lists, up to a quarter second for huge ones. The
        // work of merging then stays a small share of a scan, whatever the folder holds.
        const int rows = m_model->count();
        m_flushTimer.start(std::min(16 + rows / 500, 250));
    }
}

void LogoList::flush()
{
    m_flushTimer.stop();
    if (!m_model->hasPending())
        return;
    // A merge resets the model; the selected entry and the scroll position stay where they were.
    const int current = currentIndex().isValid() ? currentIndex().row() : -1;
    const QString currentName = current >= 0 ? m_model->text(current) : QString();
    const QModelIndex topEntry = indexAt(QPoint(1, 1));
    const QString topName = topEntry.isValid() ? m_model->text(topEntry.row()) : QString();
    m_settingIndex = true;
    m_model->flush();
    if (!currentName.isNull()) {
        const int row = m_model->rowOf(currentName);
        if (row >= 0)
            setCurrentIndex(m_model->index(row));
    }
    m_settingIndex = false;
    if (!topName.isNull()) {
        const int top = m_model->rowOf(topName);
        if (top >= 0)
            verticalScrollBar()->setValue(top); // scrolling is by item
    }
}

int LogoList::entryCount()
{
    flush();
    return m_model->count();
}

QString LogoList::entryText(int row)
{
    flush();
    return row >= 0 && row < m_model->count() ? m_model->text(row) : QString();
}

std::vector<double> LogoList::entryWidths()
{
    flush();
    std::vector<double> widths(size_t(m_model->count()));
    for (int row = 0; row < m_model->count(); ++row)
        widths[size_t(row)] = m_model->width(row);
    return widths;
}

QString LogoList::currentText()
{
    return entryText(selectedRow());
}

int LogoList::selectedRow()
{
    flush();
    const QModelIndex idx = currentIndex();
    return idx.isValid() && selectionModel()->isSelected(idx) ? idx.row() : -1;
}

void LogoList::selectRow(int row)
{
    flush();
    m_settingIndex = true;
    if (row >= 0 && row < m_model->count()) {
        const QModelIndex idx = m_model->index(row);
        selectionModel()->setCurrentIndex(idx, QItemSelectionModel::ClearAndSelect);
        scrollTo(idx);
    } else {
        selectionModel()->clear();
    }
    m_settingIndex = false;
    emit entryChosen();
}

void LogoList::removeEntry(int row)
{
    flush();
    m_model->removeAt(row);
}

int LogoList::rowAt(QPoint viewportPoint)
{
    flush();
    const QModelIndex idx = indexAt(viewportPoint);
    return idx.isValid() ? idx.row() : -1;
}

void LogoList::setHorizontalExtent(int pixels)
{
    m_extent = pixels;
    m_model->setRowSize(QSize(pixels, m_rowHeight));
    doItemsLayout();
}

void LogoList::mousePressEvent(QMouseEvent *event)
{
    // Only the left button chooses an entry; the right button's selection is the window's
    // business when the button comes up.
    if (event->button() != Qt::LeftButton) {
        event->accept();
        return;
    }
    QListView::mousePressEvent(event);
}

void LogoList::mouseDoubleClickEvent(QMouseEvent *event)
{
    QListView::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton)
        emit entryDoubleClicked();
}

void LogoList::mouseReleaseEvent(QMouseEvent *event)
{
    QListView::mouseReleaseEvent(event);
    emit mouseUp(event->button(), event->position().toPoint());
}

void LogoList::selectionChanged(const QItemSelection &selected, const QItemSelection &deselected)
{
    QListView::selectionChanged(selected, deselected);
    // The selection, not the current index, says which entry is chosen: a mouse press moves
    // the current index before it selects.
    if (!m_settingIndex && !selected.isEmpty())
        emit entryChosen();
}

void LogoList::dragEnterEvent(QDragEnterEvent *event)
{
    if (holdsFileList(event->mimeData()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void LogoList::dragMoveEvent(QDragMoveEvent *event)
{
    if (holdsFileList(event->mimeData()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void LogoList::dropEvent(QDropEvent *event)
{
    if (!holdsFileList(event->mimeData())) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    emit filesDropped(event->mimeData());
}

} // namespace bg

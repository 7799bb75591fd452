#pragma once

#include <QListView>
#include <QTimer>

#include <QMimeData>

#include <vector>

namespace bg {

class LogoListModel;


// The logo list: a sorted, single-selection list box with the list-box operations the window
// uses (current index, top index, item from point, horizontal extent). Names added during a
// scan are merged in batches, a frame apart for short lists and further apart for long ones.
// entryChosen() is raised whenever another entry becomes the selected one, by the mouse, the
// keyboard or the program; it accepts drops of local files and reports them.
class LogoList : public QListView
{
    Q_OBJECT
public:
    explicit LogoList(QWidget *parent = nullptr);

    void clearEntries();
    void addEntry(const QString &name);
    // Makes queued entries visible now.
    void flush();

    int entryCount();
    QString entryText(int row);
    // The width of each entry's text in the list's font, in pixels, in list order.
    std::vector<double> entryWidths();
    // The selected entry's text, or empty when nothing is selected.
    QString currentText();
    int listIndex();
    // Selects a row (-1 clears the selection) and raises entryChosen, as setting the list
    // index of a list box raises its click.
    void setListIndex(int row);
    void removeEntry(int row);

    int topIndex() const;
    void setTopIndex(int row);
    QRect entryRect(int row);
    // LB_ITEMFROMPOINT: the index of the item at a point in the list's client area, with 1 in
    // the high word when the point is below the last item or outside the items.
    quint32 itemFromPoint(QPoint clientPoint);

    // LB_SETHORIZONTALEXTENT in pixels.
    void setHorizontalExtent(int pixels);
    int horizontalExtent() const { return m_extent; }
    int rowHeight() const { return m_rowHeight; }

    LogoListModel *logoModel() const { return m_model; }

signals:
    void entryChosen();
    void entryDoubleClicked();
    void mouseUp(Qt::MouseButton button, QPoint clientPos);
    void scrolled();
    // Files dropped from another program: data holds a list of local files.
    void filesDropped(const QMimeData *data);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void selectionChanged(const QItemSelection &selected,
                          const QItemSelection &deselected) override;
    void changeEvent(QEvent *event) override;

private:
    void updateRowSize();

    LogoListModel *m_model;
    QTimer m_flushTimer;
    int m_extent = 0;
    int m_rowHeight = 16;
    bool m_settingIndex = false;
};

} // namespace bg

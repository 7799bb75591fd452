#pragma once

#include <QListView>
#include <QTimer>

#include <QMimeData>

#include <vector>

namespace bg {

class LogoListModel;


// The logo list: a sorted, single-selection list box with the list-box operations the window
// uses (selected row, row at a point, horizontal extent). Names added during a
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
    // The selected row, or -1.
    int selectedRow();
    // Selects a row (-1 clears the selection) and raises entryChosen, as a click would.
    void selectRow(int row);
    void removeEntry(int row);

    // The row under a point of the list's viewport; -1 below the last row or beside the rows.
    int rowAt(QPoint viewportPoint);

    // How far the list scrolls sideways, in pixels.
    void setHorizontalExtent(int pixels);
    int horizontalExtent() const { return m_extent; }

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

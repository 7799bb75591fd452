#pragma once

#include <QAbstractListModel>
#include <QCollator>
#include <QCollatorSortKey>
#include <QFontMetricsF>
#include <QSize>
#include <memory>
#include <optional>
#include <vector>

namespace bg {

// The entries of the logo list, kept in ascending, case-insensitive alphabetical order: Latin
// names first, as a Windows list box sorts them, then Chinese names in a fixed order.
// Names added while a folder is scanned wait in a batch and are merged in one step: the batch is
// sorted, each of its names finds its place by binary search and the rows between are moved
// without comparing them, so a merge costs O(k log n) comparisons for k new names.
// Each name's width in the list's font is measured once, when it is added.
class LogoListModel : public QAbstractListModel
{
    Q_OBJECT
public:
    explicit LogoListModel(QObject *parent = nullptr);

    // Queues a name; it becomes a row at the next flush().
    void add(const QString &name);
    // Merges the queued names into the rows.
    void flush();
    bool hasPending() const { return !m_pending.empty(); }

    void clear();
    int count() const { return int(m_rows.size()); }
    const QString &text(int row) const { return m_rows[size_t(row)]->name; }
    // The row holding exactly this name, or -1.
    int rowOf(const QString &name) const;
    void removeAt(int row);

    // The font names are measured in; changing it measures every name again when next asked.
    void setMeasureFont(const QFont &font);
    // The width of a row's text in that font, in pixels (unrounded).
    double width(int row) const;

    // The size every row reports: the list's horizontal extent and the row height.
    void setRowSize(QSize size);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    // Entries can be edited in place (renaming); the model itself is never written.
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    // True when a sorts before b in the list's order.
    bool lessThan(const QString &a, const QString &b) const;

private:
    struct Entry
    {
        QString name;
        QCollatorSortKey key;
        double width; // < 0: not measured in the current font yet
    };
    // Rows are held by pointer: sorting and merging move pointers, never the names and keys
    // (a sort key has no cheap move).
    using EntryPtr = std::unique_ptr<Entry>;
    EntryPtr makeEntry(const QString &name) const;
    static bool entryLess(const Entry &a, const Entry &b);
    static bool ptrLess(const EntryPtr &a, const EntryPtr &b) { return entryLess(*a, *b); }

    QCollator m_collator;
    std::optional<QFontMetricsF> m_metrics;
    std::vector<EntryPtr> m_rows;
    std::vector<EntryPtr> m_pending;
    QSize m_rowSize{0, 16};
};

} // namespace bg

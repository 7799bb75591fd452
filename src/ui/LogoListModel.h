#pragma once

#include <QAbstractListModel>
#include <QCollator>
#include <QCollatorSortKey>
#include <QSize>
#include <vector>

namespace bg {

// The entries of the logo list, kept in ascending, case-insensitive alphabetical order: Latin
// names first, as a Windows list box sorts them, then Chinese names in a fixed order.
// Names added while a folder is scanned wait in a batch and are merged in one step (sorted
// batch + linear merge), so filling the list stays O(n log n) however many files a folder has.
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
    const QString &text(int row) const { return m_rows[size_t(row)].name; }
    void removeAt(int row);

    // The size every row reports: the list's horizontal extent and the row height.
    void setRowSize(QSize size);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;

    // True when a sorts before b in the list's order.
    bool lessThan(const QString &a, const QString &b) const;

private:
    struct Entry
    {
        QString name;
        QCollatorSortKey key;
    };
    Entry makeEntry(const QString &name) const;
    static bool entryLess(const Entry &a, const Entry &b);

    QCollator m_collator;
    std::vector<Entry> m_rows;
    std::vector<Entry> m_pending;
    QSize m_rowSize{0, 16};
};

} // namespace bg

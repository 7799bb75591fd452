#include "ui/LogoListModel.h"

#include <algorithm>
#include <iterator>

namespace bg {

LogoListModel::LogoListModel(QObject *parent)
    : QAbstractListModel(parent), m_collator(QLocale(QLocale::English, QLocale::UnitedStates))
{
    m_collator.setCaseSensitivity(Qt::CaseInsensitive);
    m_collator.setNumericMode(false);
}

LogoListModel::EntryPtr LogoListModel::makeEntry(const QString &name) const
{
    return std::make_unique<Entry>(Entry{name, m_collator.sortKey(name), -1.0});
}

bool LogoListModel::entryLess(const Entry &a, const Entry &b)
{
    const int c = a.key.compare(b.key);
    if (c != 0)
        return c < 0;
    // Names equal to the collation (e.g. "A.bmp" and "a.bmp" side by side on a Linux disk)
    // keep one fixed order.
    return a.name < b.name;
}

bool LogoListModel::lessThan(const QString &a, const QString &b) const
{
    return entryLess(*makeEntry(a), *makeEntry(b));
}

void LogoListModel::add(const QString &name)
{
    // Measured now, spread over the scan that adds the names, rather than all at its end.
    EntryPtr entry = makeEntry(name);
    if (m_metrics)
        entry->width = m_metrics->horizontalAdvance(name);
    m_pending.push_back(std::move(entry));
}

void LogoListModel::flush()
{
    if (m_pending.empty())
        return;
    std::stable_sort(m_pending.begin(), m_pending.end(), ptrLess);
    if (m_rows.empty()) {
        beginInsertRows(QModelIndex(), 0, int(m_pending.size()) - 1);
        m_rows.swap(m_pending);
        endInsertRows();
        m_pending.clear();
        return;
    }
    // A batch is small next to the rows: each new name looks for its place by binary search from
    // the previous one's, and the rows in between are moved over without being compared. Rows
    // come before new names that compare equal, as in a stable merge. The view keeps its current
    // entry by name across the reset (LogoList::flush).
    beginResetModel();
    std::vector<EntryPtr> merged;
    merged.reserve(m_rows.size() + m_pending.size());
    auto from = m_rows.begin();
    for (EntryPtr &entry : m_pending) {
        const auto to = std::upper_bound(from, m_rows.end(), entry, ptrLess);
        merged.insert(merged.end(), std::make_move_iterator(from), std::make_move_iterator(to));
        merged.push_back(std::move(entry));
        from = to;
    }
    merged.insert(merged.end(), std::make_move_iterator(from), std::make_move_iterator(m_rows.end()));
    m_pending.clear();
    m_rows.swap(merged);
    endResetModel();
}

void LogoListModel::clear()
{
    m_pending.clear();
    if (m_rows.empty())
        return;
    beginResetModel();
    m_rows.clear();
    endResetModel();
}

int LogoListModel::rowOf(const QString &name) const
{
    if (m_rows.empty())
        return -1;
    const EntryPtr probe = makeEntry(name);
    const auto first = std::lower_bound(m_rows.begin(), m_rows.end(), probe, ptrLess);
    if (first != m_rows.end() && (*first)->name == name)
        return int(first - m_rows.begin());
    return -1;
}

void LogoListModel::setMeasureFont(const QFont &font)
{
    m_metrics.emplace(font);
    for (const EntryPtr &entry : m_rows)
        entry->width = -1;
    for (const EntryPtr &entry : m_pending)
        entry->width = -1;
}

double LogoListModel::width(int row) const
{
    Entry &entry = *m_rows[size_t(row)];
    if (entry.width < 0)
        entry.width = m_metrics ? m_metrics->horizontalAdvance(entry.name) : 0.0;
    return entry.width;
}

void LogoListModel::removeAt(int row)
{
    if (row < 0 || row >= count())
        return;
    beginRemoveRows(QModelIndex(), row, row);
    m_rows.erase(m_rows.begin() + row);
    endRemoveRows();
}

void LogoListModel::setRowSize(QSize size)
{
    if (size == m_rowSize)
        return;
    m_rowSize = size;
    if (!m_rows.empty())
        emit dataChanged(index(0), index(count() - 1), {Qt::SizeHintRole});
    emit layoutChanged();
}

int LogoListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : count();
}

QVariant LogoListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= count())
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return m_rows[size_t(index.row())]->name;
    case Qt::SizeHintRole:
        return m_rowSize;
    default:
        return {};
    }
}

Qt::ItemFlags LogoListModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable |
           Qt::ItemNeverHasChildren;
}

} // namespace bg

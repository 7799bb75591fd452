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

LogoListModel::Entry LogoListModel::makeEntry(const QString &name) const
{
    return Entry{name, m_collator.sortKey(name)};
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
    return entryLess(makeEntry(a), makeEntry(b));
}

void LogoListModel::add(const QString &name)
{
    m_pending.push_back(makeEntry(name));
}

void LogoListModel::flush()
{
    if (m_pending.empty())
        return;
    std::stable_sort(m_pending.begin(), m_pending.end(), entryLess);
    if (m_rows.empty()) {
        beginInsertRows(QModelIndex(), 0, int(m_pending.size()) - 1);
        m_rows.swap(m_pending);
        endInsertRows();
        m_pending.clear();
        return;
    }
    std::vector<Entry> merged;
    merged.reserve(m_rows.size() + m_pending.size());
    std::merge(std::make_move_iterator(m_rows.begin()), std::make_move_iterator(m_rows.end()),
               std::make_move_iterator(m_pending.begin()),
               std::make_move_iterator(m_pending.end()), std::back_inserter(merged), entryLess);
    m_pending.clear();
    // The view keeps its current entry by name across this reset (LogoList::flush).
    beginResetModel();
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
        return m_rows[size_t(index.row())].name;
    case Qt::SizeHintRole:
        return m_rowSize;
    default:
        return {};
    }
}

} // namespace bg

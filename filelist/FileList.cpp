#include "FileList.h"

#include "Platform.h"

#include <stdexcept>

int FileList::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : count();
}

QVariant FileList::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= count() || role != Qt::DisplayRole)
        return {};
    return m_rows[index.row()];
}

QVariant FileList::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (section == 0 && orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return m_header;
    return {};
}

bool FileList::removeRows(int row, int count, const QModelIndex& parent)
{
    if (parent.isValid() || row < 0 || count < 1 || row + count > this->count())
        return false;
    beginRemoveRows({}, row, row + count - 1);
    m_rows.remove(row, count);
    endRemoveRows();
    return true;
}

void FileList::setHeaderText(const QString& text)
{
    m_header = text;
    emit headerDataChanged(Qt::Horizontal, 0, 0);
}

void FileList::appendRow(const QString& path)
{
    beginInsertRows({}, count(), count());
    m_rows << path;
    endInsertRows();
}

QString FileList::rowText(int row) const
{
    if (row < 0 || row >= count())
        throw std::out_of_range("Index out of bounds");
    return m_rows[row];
}

void FileList::clear()
{
    beginResetModel();
    m_rows.clear();
    endResetModel();
}

void FileList::exchange(int a, int b)
{
    m_rows.swapItemsAt(a, b);
    emit dataChanged(index(a), index(a));
    emit dataChanged(index(b), index(b));
}

bool FileList::HasBadFileName(const QString& path)
{
    return Platform::fileAttributes(path) < 0;
}

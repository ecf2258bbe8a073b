#include "FileList.h"

#include "Platform.h"

#include <QTreeWidget>

#include <stdexcept>

namespace FileList {

void AppendRow(QTreeWidget* list, const QString& path)
{
    list->addTopLevelItem(new QTreeWidgetItem(QStringList{path}));
}

int RowCount(const QTreeWidget* list)
{
    return list->topLevelItemCount();
}

QString RowText(const QTreeWidget* list, int row)
{
    const QTreeWidgetItem* item = list->topLevelItem(row);
    if (!item)
        throw std::out_of_range("Index out of bounds");
    return item->text(0);
}

QStringList Rows(const QTreeWidget* list)
{
    QStringList rows;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        rows << list->topLevelItem(i)->text(0);
    return rows;
}

void RemoveSelectedRow(QTreeWidget* list)
{
    const QList<QTreeWidgetItem*> selected = list->selectedItems();
    if (!selected.isEmpty())
        delete selected.first();
}

void Clear(QTreeWidget* list)
{
    list->clear();
}

bool HasBadFileName(const QString& path)
{
    return Platform::fileAttributes(path) < 0;
}

bool IsInList(const QTreeWidget* list, const QString& text)
{
    bool found = false;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        if (list->topLevelItem(i)->text(0) == text)
            found = true;
    return found;
}

} // namespace FileList

#pragma once
// The file list: rows of full file paths in the list view, in the order added.

#include <QString>
#include <QStringList>

class QTreeWidget;

namespace FileList {

/// Appends one row; no test of any kind.
void AppendRow(QTreeWidget* list, const QString& path);

int RowCount(const QTreeWidget* list);
/// The text of the 0-based row; throws std::out_of_range when there is none.
QString RowText(const QTreeWidget* list, int row);
QStringList Rows(const QTreeWidget* list);

/// Removes the selected row, if any.
void RemoveSelectedRow(QTreeWidget* list);
void Clear(QTreeWidget* list);

/// True when the system cannot give the path's attributes: it names nothing,
/// or nothing this system can read.
bool HasBadFileName(const QString& path);

/// True when a row's text equals text exactly.
bool IsInList(const QTreeWidget* list, const QString& text);

} // namespace FileList

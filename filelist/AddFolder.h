#pragma once
// Turns a folder into the files of its whole tree, breadth first, leaving out
// system folders, unreadable folders and the files the list never takes.

#include <QString>
#include <QStringList>

#include <functional>

namespace AddFolder {

using AppendRow = std::function<void(const QString& path)>;

/// Shows the folder browser at startFolder (its default when that is empty or
/// gone); the chosen folder, or empty when the user cancels.
QString BrowseForFolder(const QString& title, const QString& startFolder);

/// Appends every admitted file of folder's tree whose name matches pattern:
/// the chosen folder's files first, then each level's folders in order.
void AddFolderFiles(const QString& folder, const QString& pattern, const AppendRow& appendRow);

/// Appends to folders (each ending in a separator) all their admitted
/// sub-folders of every depth, level by level. A folder reached through a
/// link comes under that path too; only a link back up to an ancestor is cut.
void GetSubDirectories2016(QStringList& folders, bool recurse);

/// Names of the files in that one folder that match pattern (Windows rules:
/// case-insensitive, "*.*" matches every name) and open as existing files.
QStringList ListFilesInFolder(QString folder, const QString& pattern);

/// True when the path is an existing file (links followed); a folder is not.
bool IsExistingFile(const QString& path);

/// True when the name holds a control character (below 32, or 127 to 159) or "?".
bool HasBadNameChars(const QString& name);

} // namespace AddFolder

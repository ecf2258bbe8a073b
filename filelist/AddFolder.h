#pragma once
// Turns a folder into the files of its whole tree, breadth first, leaving out
// system folders, unreadable folders and the files the list never takes.

#include "Host.h"
#include "Platform.h"

#include <QString>
#include <QStringList>

#include <functional>

namespace AddFolder {

using AppendRow = std::function<void(const QString& path)>;
/// The sub-folders' names of one folder; throws Platform::FolderError as the
/// system's listing fails. Tests give one that fails where they choose.
using SubFolderLister = std::function<QStringList(const QString& folder)>;

/// Shows the folder browser at startFolder (its default when that is empty or
/// gone); the chosen folder, or empty when the user cancels.
QString BrowseForFolder(Host& host, const QString& title, const QString& startFolder);

/// Appends every admitted file of folder's tree whose name matches pattern:
/// the chosen folder's files first, then each level's folders in order. The
/// host hears of names that could not be read and lets events in meanwhile.
void AddFolderFiles(const QString& folder, const QString& pattern, const AppendRow& appendRow, Host& host,
                    const SubFolderLister& subFolders = Platform::subFolderNames);

/// Appends to folders (each ending in a separator) all their admitted
/// sub-folders of every depth, level by level. A folder reached through a
/// link comes under that path too; only a link back up to an ancestor is cut.
void GetSubDirectories2016(QStringList& folders, bool recurse, Host& host,
                           const SubFolderLister& subFolders = Platform::subFolderNames);

/// Names of the files in that one folder that match pattern (Windows rules:
/// case-insensitive, "*.*" matches every name) and open as existing files.
QStringList ListFilesInFolder(QString folder, const QString& pattern);

/// True when the path is an existing file (links followed); a folder is not.
bool IsExistingFile(const QString& path);

/// True when the name holds a control character (below 32, or 127 to 159) or "?".
bool HasBadNameChars(const QString& name);

} // namespace AddFolder

#pragma once
// An input and a results folder, empty at the start of every test.

#include <QDir>
#include <QTemporaryDir>

/// Empties dir's "in" and "out" and gives their paths; false when they cannot be made.
inline bool freshFolders(const QTemporaryDir& dir, QString& in, QString& out)
{
    in = dir.filePath("in");
    out = dir.filePath("out");
    QDir(in).removeRecursively();
    QDir(out).removeRecursively();
    return QDir().mkpath(in) && QDir().mkpath(out);
}

#include "BatchFiles.h"

#include "AddFolder.h"
#include "BatchOptions.h"
#include "Paths.h"

#include <QFileInfo>
#include <QHash>

namespace Batch {

namespace {

void addPath(QString path, const QString& extension, QStringList& files, Host& host)
{
    const QFileInfo info(path);
    if (info.isFile()) {
        files << path;
        return;
    }
    if (!info.isDir()) {
        if (info.exists() || info.isSymLink())
            throw UsageError(QString("not a file or folder: %1").arg(path).toStdString());
        throw UsageError(QString("no such file or folder: %1").arg(path).toStdString());
    }
    // The folder browser gives a folder without its final separator.
    while (path.size() > 1 && path.endsWith(Paths::separator()))
        path.chop(1);
    AddFolder::AddFolderFiles(
        path, "*." + extension, [&files](const QString& file) { files << file; }, host);
}

} // namespace

QStringList gatherFiles(const QStringList& paths, const QString& extension, const std::function<QString()>& readLine,
                        Host& host)
{
    QStringList files;
    bool stdinRead = false;
    for (const QString& path : paths) {
        if (path != "-") {
            addPath(path, extension, files, host);
            continue;
        }
        if (std::exchange(stdinRead, true))
            continue; // standard input holds one list
        for (QString line = readLine(); !line.isNull(); line = readLine())
            if (!line.isEmpty())
                addPath(line, extension, files, host);
    }
    return files;
}

QStringList shareOf(const QStringList& files, int shard, int shards)
{
    const qint64 n = files.size();
    const qint64 from = n * (shard - 1) / shards, to = n * shard / shards;
    return files.mid(from, to - from);
}

QString resultName(const QString& path)
{
    return Paths::ReplaceExtension(Paths::GetFileName(path), "ods");
}

bool doneBefore(const QString& path, const QString& resultsFolder)
{
    const QFileInfo result(resultsFolder + Paths::separator() + resultName(path));
    return result.isFile() && result.lastModified() > QFileInfo(path).lastModified();
}

QList<QStringList> sameResultNames(const QStringList& files)
{
    QHash<QString, QStringList> byName;
    QStringList order;
    for (const QString& file : files) {
        QStringList& group = byName[resultName(file)];
        if (group.size() == 1)
            order << resultName(file);
        group << file;
    }
    QList<QStringList> groups;
    for (const QString& name : std::as_const(order))
        groups << byName.value(name);
    return groups;
}

} // namespace Batch

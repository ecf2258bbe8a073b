#include "BatchFiles.h"

#include "AddFolder.h"
#include "BatchOptions.h"
#include "Paths.h"

#include <QFileInfo>
#include <QHash>

namespace Batch {

namespace {

void addPath(QString path, const QStringList& extensions, QStringList& files, Host& host)
{
    const QFileInfo info(path);
    if (info.isFile()) {
        files << path;
        return;
    }
    if (!info.isDir()) {
        if (info.exists() || info.isSymLink())
            throw UsageError(QString("not a file or folder: %1").arg(path));
        throw UsageError(QString("no such file or folder: %1").arg(path));
    }
    // The folder browser gives a folder without its final separator.
    path = Paths::WithoutTrailingSeparators(path);
    const bool all = extensions.contains("*");
    AddFolder::AddFolderFiles(
        path, "*.*",
        [&](const QString& file) {
            if (all || extensions.contains(QFileInfo(file).suffix(), Qt::CaseInsensitive))
                files << file;
        },
        host);
}

} // namespace

QStringList gatherFiles(const QStringList& paths, const QStringList& extensions,
                        const std::function<QString()>& readLine, Host& host)
{
    QStringList files;
    bool stdinRead = false;
    for (const QString& path : paths) {
        if (path != "-") {
            addPath(path, extensions, files, host);
            continue;
        }
        if (std::exchange(stdinRead, true))
            continue; // standard input holds one list
        for (QString line = readLine(); !line.isNull(); line = readLine())
            if (!line.isEmpty())
                addPath(line, extensions, files, host);
    }
    return files;
}

QStringList shareOf(const QStringList& files, int shard, int shards)
{
    const qint64 n = files.size();
    const qint64 from = n * (shard - 1) / shards, to = n * shard / shards;
    return files.mid(from, to - from);
}

Calc1::ResultFormat formatOf(const QString& path, const QString& format)
{
    return Calc1::resultFormat(format == "same" ? QFileInfo(path).suffix() : format).value_or(Calc1::ResultFormat{});
}

QStringList unwritable(const QStringList& files, const QString& format)
{
    QStringList extensions;
    if (format == "same")
        for (const QString& file : files)
            if (const QString suffix = QFileInfo(file).suffix().toLower();
                !Calc1::resultFormat(suffix) && !extensions.contains(suffix))
                extensions << suffix;
    return extensions;
}

QString resultName(const QString& path, const QString& format)
{
    return Calc1::resultName(path, formatOf(path, format).extension);
}

bool doneBefore(const QString& path, const QString& resultsFolder, const QString& format)
{
    const QFileInfo result(resultsFolder + Paths::separator() + resultName(path, format));
    return result.isFile() && result.lastModified() > QFileInfo(path).lastModified();
}

QList<QStringList> sameResultNames(const QStringList& files, const QString& format)
{
    QHash<QString, QStringList> byName;
    QStringList order;
    for (const QString& file : files) {
        QStringList& group = byName[resultName(file, format)];
        if (group.size() == 1)
            order << resultName(file, format);
        group << file;
    }
    QList<QStringList> groups;
    for (const QString& name : std::as_const(order))
        groups << byName.value(name);
    return groups;
}

} // namespace Batch

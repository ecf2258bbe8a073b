#pragma once
// The list of files a run processes, in order, and where each result goes.

#include "BatchOptions.h"
#include "Calc1.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace Batch {

/// A file of the run.
struct File {
    QString path; ///< as named, or as the walk found it
    QString real; ///< its path with every link resolved
    /// Its result's folder below the results folder: the folder the walk
    /// found it in, relative to the folder named; empty for a file named.
    QString below;
    /// Why it is not processed (its result would replace an input or another
    /// file's result); empty: it is.
    QString refused;
    /// With a format that holds one sheet: why a document of several may not
    /// be stored as .ods instead; empty: it may.
    QString noFallback;
};

/// What the walk left out, and why.
struct LeftOut {
    QString path, why;
};

struct Gathered {
    QList<File> files;
    QList<LeftOut> leftOut;
};

/// Files as given, folders walked (their files with one of the extensions,
/// "*" all, each folder's own sorted by name before its sub-folders'), "-"
/// replaced by the paths that readLine gives (one a line, until it gives a
/// null string). A folder is walked once however many links reach it, a file
/// taken once, hidden names and the results folder left out; anything else
/// left out is told. Throws UsageError for a path that is neither a file nor
/// a folder.
Gathered gatherFiles(const QStringList& paths, const QStringList& extensions, const std::function<QString()>& readLine,
                     const QString& resultsFolder);

/// Throws UsageError when the report would replace a file of the list or a
/// result; refuses each file whose result would replace a file of the list
/// or the result of a file before it.
void checkClashes(QList<File>& files, const Options& options);

/// The shard-th (1-based) of shards nearly equal, consecutive shares.
QList<File> shareOf(const QList<File>& files, int shard, int shards);

/// The format of a file's result: the one asked for, or with "same" the
/// file's own where the office writes it, else .ods.
Calc1::ResultFormat formatOf(const QString& path, const QString& format);

/// The extensions of files whose results cannot be stored in their own
/// format ("same"), which are stored as .ods.
QStringList unwritable(const QList<File>& files, const QString& format);

/// The folder of a file's result; empty without a results folder.
QString resultFolder(const File& file, const Options& options);
/// Where a file's result goes, with the extension it was stored with or, by
/// default, the one its format gives; empty without a results folder.
QString resultPath(const File& file, const Options& options, const QString& extension = {});

/// Whether the file's result was made from the file as it is now: a run
/// that stopped can be taken up again without doing anything twice.
bool doneBefore(const File& file, const Options& options);

/// A file's time of last change, in nanoseconds; nothing when it cannot be told.
std::optional<qint64> modifiedNs(const QString& path);
/// A result is given the time its file had when it was read, which
/// doneBefore compares; false when the system refused.
bool setModifiedNs(const QString& path, qint64 ns);

} // namespace Batch

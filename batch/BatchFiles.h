#pragma once
// The list of files a run processes, in order.

#include "Calc1.h"
#include "Host.h"

#include <QString>
#include <QStringList>

#include <functional>

namespace Batch {

/// Files as given, folders walked as "Add All Calc Files In Folder" walks
/// them (their files with one of the extensions, "*" all), "-" replaced by
/// the paths that readLine gives (one a line, until it gives a null string).
/// Throws UsageError for a path that is neither a file nor a folder. The
/// walk's reports go to host.
QStringList gatherFiles(const QStringList& paths, const QStringList& extensions,
                        const std::function<QString()>& readLine, Host& host);

/// The shard-th (1-based) of shards nearly equal, consecutive shares.
QStringList shareOf(const QStringList& files, int shard, int shards);

/// Groups of files whose results take the same name: the later replaces the
/// earlier.
QList<QStringList> sameResultNames(const QStringList& files, const QString& format);

/// The format of a file's result: the one asked for, or with "same" the
/// file's own where the office writes it, else .ods.
Calc1::ResultFormat formatOf(const QString& path, const QString& format);

/// The extensions of files whose results cannot be stored in their own
/// format ("same"), which are stored as .ods.
QStringList unwritable(const QStringList& files, const QString& format);

/// The name of a file's result in the results folder.
QString resultName(const QString& path, const QString& format);

/// Whether the file's result in the results folder is newer than the file:
/// a run that stopped can be taken up again without doing it twice.
bool doneBefore(const QString& path, const QString& resultsFolder, const QString& format);

} // namespace Batch

#pragma once
// The two ends of a worker: a child process with an office of its own that
// processes the files its parent sends, one at a time, and answers with what
// it did. One office per process keeps each office's UNO runtime apart.

#include "BatchOptions.h"
#include "Calc1.h"

#include <QByteArray>
#include <QJsonObject>

namespace Batch {

/// What a worker did to one file.
struct FileResult {
    int index = -1; ///< in the run's list
    QStringList errors; ///< failures, as the error report gives them
    bool stored = false;
    /// Given up because the run was stopped: neither done nor failed.
    bool interrupted = false;
    /// Why the office is started anew before the next file; empty: it is not.
    QString restart;
    Calc1::FileResult outcome;

    bool failed(bool dryRun) const { return !interrupted && (!errors.isEmpty() || (!dryRun && !stored)); }
};

QByteArray encodeTask(int index, const QString& path);
QByteArray encodeResult(const FileResult& result);
/// False for a line that is no result.
bool decodeResult(const QByteArray& line, FileResult& result);

/// The child's main loop: reads tasks from standard input until it ends.
int runWorker(const Options& options);

} // namespace Batch

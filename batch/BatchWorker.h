#pragma once
// The two ends of a worker: a child process with an office of its own that
// processes the files its parent sends, one at a time, and answers with what
// it did. One office per process keeps each office's UNO runtime apart.

#include "BatchOptions.h"
#include "RunService.h"

#include <QByteArray>

namespace Batch {

/// What a worker did to one file of the run's list.
struct FileResult {
    int index = -1;
    Run::Outcome outcome;
    double seconds = 0; ///< from its hand-over to its outcome
};

/// A file to process, and where its result goes.
struct Task {
    int index = -1;
    QString path, folder, noFallback;
};
QByteArray encodeTask(const Task& task);
QByteArray encodeResult(const FileResult& result);
/// False for a line that is no result: a worker that says what cannot be
/// read has failed its file.
bool decodeResult(const QByteArray& line, FileResult& result);

/// The child's main loop: reads tasks from standard input until it ends.
int runWorker(const Options& options);

} // namespace Batch

#pragma once
// The worker processes of a run, each with an office of its own: they are
// handed the files in list order, and tell what they did.

#include "BatchOptions.h"
#include "BatchProgress.h"
#include "BatchWorker.h"

#include <functional>

namespace Batch {

/// A file for the workers, and what it writes: two files of one key (a
/// result's path) never run at once.
struct Job {
    Task task;
    QString key;
};

/// Until the last worker has ended: every file handed out, or the run stopped.
/// done hears of each file done or failed as it ends; one given up is not
/// told of. Returns the signal that stopped the run, 0 if none did.
int runPool(const Options& options, const QList<Job>& jobs, Progress& progress,
            const std::function<void(FileResult&& result)>& done);

} // namespace Batch

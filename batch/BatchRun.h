#pragma once
// The parent of a run: the pool of workers, the progress, the report and the
// JSON lines, tied together; and the exit status.

#include "BatchOptions.h"

namespace Batch {

enum ExitStatus { Done = 0, Failed = 1, Usage = 2 };

/// The files are already gathered and shared out; the skipped ones (their
/// results are newer) are only told of.
int run(const Options& options, const QStringList& files, const QStringList& skipped = {});

} // namespace Batch

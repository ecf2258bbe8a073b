#pragma once
// The parent of a run: hands the files to a pool of workers, shows progress,
// writes the report in list order and gives the exit status.

#include "BatchOptions.h"

namespace Batch {

enum ExitStatus { Done = 0, Failed = 1, Usage = 2 };

/// The files are already gathered and shared out; the skipped ones (their
/// results are newer) are only told of.
int run(const Options& options, const QStringList& files, const QStringList& skipped = {});

} // namespace Batch

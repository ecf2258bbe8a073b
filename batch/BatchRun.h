#pragma once
// The parent of a run: the pool of workers, the progress, the report and the
// JSON lines, tied together; and the exit status.

#include "BatchFiles.h"

namespace Batch {

enum ExitStatus { Done = 0, Failed = 1, Usage = 2 };

/// The files are already gathered and shared out; the skipped ones (their
/// results were made from them as they are) and what the walk left out are
/// only told of.
int run(const Options& options, const QList<File>& files, const QList<File>& skipped = {},
        const QList<LeftOut>& leftOut = {});

} // namespace Batch

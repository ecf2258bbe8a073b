#pragma once
// Results for scripts (--json): a JSON object a line on standard output, one
// per file as it finishes, and a summary at the end.

#include "Calc1.h"

#include <QByteArray>
#include <QMap>
#include <QString>

namespace Batch {

enum class Status { Done, Failed, Skipped, NotDone, LeftOut };

/// "done", "failed", "skipped", "not done", "left out" (by the walk).
QString statusName(Status status);

/// One file: where its result went (empty: none), what was done to it.
QByteArray jsonFile(const QString& input, const QString& result, Status status, const Calc1::FileResult& did,
                    double seconds);

/// The run: files by status, the cells emptied, the run's seconds.
QByteArray jsonSummary(const QMap<Status, qsizetype>& files, qint64 emptied, double seconds);

} // namespace Batch

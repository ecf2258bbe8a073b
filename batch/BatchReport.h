#pragma once
// The report (--report): a CSV row for each emptied cell and for each thing
// to know of a file, in the list's order whatever order the files end in.

#include "BatchOptions.h"
#include "BatchWorker.h"

#include <QFile>
#include <QHash>
#include <QTemporaryFile>

namespace Batch {

/// Why a file failed: its error reports, or the command's own word on it.
QString whyFailed(const Calc1::FileResult& result);

class Report {
public:
    /// Writes the header row; without a file nothing is written at all.
    Report(QFile* file, const Options& options, const QStringList& files);

    /// A file's rows are written once those of the files before it are, so
    /// that a run killed outright leaves a report whole up to its last row.
    /// Until then they wait in a file of the report's own, not in memory:
    /// behind one slow file, thousands may end.
    void add(FileResult&& result);
    /// The rows still held back, and a row for each file not processed.
    void finish();

private:
    /// Rows of a file that ended before an earlier one: where they wait.
    struct Held {
        qint64 offset = 0;
        qint64 size = 0;
        QByteArray rows; ///< here instead when the waiting file would not take them
    };

    QByteArray rows(const QString& path, const FileResult& result) const;
    void hold(qsizetype index, const QByteArray& rows);
    void writeHeld(const Held& held);

    QFile* m_file;
    const Options& m_options;
    const QStringList& m_files;
    QTemporaryFile m_waiting;
    QHash<qsizetype, Held> m_held;
    qsizetype m_written = 0;
};

} // namespace Batch

#pragma once
// The report (--report): a CSV row for each emptied cell and for each thing
// to know of a file, in the list's order whatever order the files end in.

#include "BatchOptions.h"
#include "BatchWorker.h"

#include <QFile>
#include <QHash>

namespace Batch {

/// Why a file failed: its error reports, or the command's own word on it.
QString whyFailed(const Calc1::FileResult& result);

class Report {
public:
    /// Writes the header row; without a file nothing is written at all.
    Report(QFile* file, const Options& options, const QStringList& files);

    /// A file's rows are written once those of the files before it are, so
    /// that a run killed outright leaves a report whole up to its last row.
    void add(FileResult&& result);
    /// The rows still held back, and a row for each file not processed.
    void finish();

private:
    void write(const QString& path, const FileResult& result);
    void write(const QStringList& fields);

    QFile* m_file;
    const Options& m_options;
    const QStringList& m_files;
    QHash<qsizetype, FileResult> m_waiting;
    qsizetype m_written = 0;
};

} // namespace Batch

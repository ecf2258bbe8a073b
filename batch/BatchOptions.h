#pragma once
// The command line of cellwinnow-batch, checked before anything is done.

#include "Calc1.h"
#include "JobSettings.h"
#include "TextMatch.h"

#include <QString>
#include <QStringList>

#include <stdexcept>

namespace Batch {

/// A command line that cannot be run: exit status 2, with this message.
struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
    explicit UsageError(const QString& what) : std::runtime_error(what.toStdString()) { }
};

struct Options {
    QStringList paths; ///< as given; "-" reads more from standard input
    /// Of the files folders give; "*" every file.
    QStringList extensions{"ods", "fods", "ots", "xlsx", "xlsm", "xltx", "xls", "xlt", "xlsb"};
    QString format = "ods"; ///< of the results: ods, xlsx, xls, or same as each file
    Scope scope = Scope::EntireSheet;
    QString row = "1", column = "A"; ///< the first of those given
    QString rowsText, columnsText; ///< as given: "3,7:9", "B,D:F"
    QList<Calc1::Span> rows, columns; ///< 0-based; empty: the one row or column
    int skipRows = 0; ///< the first rows of every sheet are out of the scope
    Match match = Match::Exact;
    QString matchText = "exact";
    /// A review run: nothing emptied; the result marks what a real run empties.
    bool mark = false;
    QString markColourText = "#FFC7CE";
    quint32 markColour = 0xFFC7CE; ///< a light red
    bool json = false; ///< a JSON object per file on standard output
    QString results; ///< empty with --list or --dry-run only
    int jobs = 1;
    int recycle = 50; ///< files per office; 0: never restarted
    /// An office holding more than this after a file is restarted; 0: never.
    int recycleMemoryMb = 1024;
    /// An office holding more than this during a call is ended, and its file
    /// fails; 0: no cap. By default derived from the machine's memory.
    int officeMemoryMb = 0;
    bool skipDone = false; ///< files whose result is newer are not processed
    int timeoutSeconds = 300; ///< one office call; then the office is replaced
    QString report; ///< empty: none; "-": standard output
    bool dryRun = false;
    bool list = false;
    bool quiet = false;
    /// Paths on standard input, and the files --list writes, end with a NUL
    /// character rather than a line end.
    bool null = false;
    int shard = 1, shards = 1;
    bool help = false, version = false;
    bool worker = false; ///< a child that processes what its parent sends
};

/// Throws UsageError.
Options parse(const QStringList& arguments);

QString helpText();

/// The job settings that the options give the engine for a file whose
/// result goes to the folder.
class Settings : public JobSettings {
public:
    Settings(const Options& options, const QString& folder) : m_options(options), m_folder(folder) { }
    bool isSelected(Scope scope) const override { return scope == m_options.scope; }
    QString rowText() const override { return m_options.row; }
    QString columnText() const override { return m_options.column; }
    QString resultsFolder() const override { return m_folder; }

private:
    const Options& m_options;
    QString m_folder;
};

/// The arguments that give a worker the same job.
QStringList workerArguments(const Options& options);

} // namespace Batch

#include "BatchOptions.h"

#include "Calc1.h"
#include "FileUtils.h"
#include "Paths.h"

#include <QCommandLineParser>
#include <QRegularExpression>
#include <QThread>

#include <cmath>

namespace Batch {

namespace {

QList<QCommandLineOption> optionList()
{
    QCommandLineOption worker("worker");
    worker.setFlags(QCommandLineOption::HiddenFromHelp);
    return {
        {"extension", "Files of folders: those ending in .EXT (default ods; * for all).", "EXT"},
        {"list", "Print the files in processing order and end."},
        {"row", "Look only in row N of each sheet.", "N"},
        {"column", "Look only in column LETTERS of each sheet.", "LETTERS"},
        {"results", "Store the results in DIR (required unless --dry-run or --list).", "DIR"},
        {"jobs", "Process N files at a time, each in an office of its own (default: processors).", "N"},
        {"recycle", "Restart an office after N files (default 50; 0: never).", "N"},
        {"timeout", "Give up a file whose office does not answer a call within SECONDS (default 300).", "SECONDS"},
        {"report", "Write a CSV report of every emptied cell to FILE (- for standard output).", "FILE"},
        {"dry-run", "Write nothing but the report: what a real run would empty."},
        {"shard", "Process only the K-th of N equal shares of the file list.", "K/N"},
        {"quiet", "No progress on standard error."},
        {{"h", "help"}, "Show this help."},
        {{"v", "version"}, "Show the version."},
        worker,
    };
}

int count(const QCommandLineParser& parser, const QString& name, int least, int most)
{
    bool ok = false;
    const QString text = parser.value(name);
    const int value = text.trimmed().toInt(&ok);
    if (!ok || value < least || value > most)
        throw UsageError(QString("--%1 must be a whole number from %2 to %3, not \"%4\"")
                             .arg(name)
                             .arg(least)
                             .arg(most)
                             .arg(text)
                             .toStdString());
    return value;
}

// The window's boxes take the same texts; a value that names no row or column
// would empty nothing, which on a command line is a mistake.
void checkRow(const QString& row)
{
    const double number = Paths::LeadingNumber(row);
    if (!Paths::IsNumeric(row) || number < 1 || number != std::floor(number) || number > double(1 << 30))
        throw UsageError(
            QString("--row must be a row number from 1 (Must be numeric entry), not \"%1\"").arg(row).toStdString());
}

void checkColumn(const QString& column)
{
    if (column.isEmpty() || Paths::IsNumeric(column) || Calc1::getColumnNumber(column) < 1)
        throw UsageError(QString("--column must be column letters such as A or BC (Must be a character column), "
                                 "not \"%1\"")
                             .arg(column)
                             .toStdString());
}

} // namespace

Options parse(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addOptions(optionList());
    if (!parser.parse(arguments))
        throw UsageError(parser.errorText().toStdString());
    Options options;
    options.help = parser.isSet("help");
    options.version = parser.isSet("version");
    if (options.help || options.version)
        return options;
    options.worker = parser.isSet("worker");
    options.paths = parser.positionalArguments();
    options.list = parser.isSet("list");
    options.dryRun = parser.isSet("dry-run");
    options.quiet = parser.isSet("quiet");
    if (parser.isSet("extension")) {
        options.extension = parser.value("extension");
        if (options.extension.isEmpty())
            throw UsageError("--extension needs an extension such as ods, or * for all files");
    }
    if (parser.isSet("row") && parser.isSet("column"))
        throw UsageError("give --row or --column, not both");
    if (parser.isSet("row")) {
        options.scope = Scope::SingleRow;
        options.row = parser.value("row");
        checkRow(options.row);
    } else if (parser.isSet("column")) {
        options.scope = Scope::SingleColumn;
        options.column = parser.value("column");
        checkColumn(options.column);
    }
    options.jobs = parser.isSet("jobs") ? count(parser, "jobs", 1, 256) : qMax(1, QThread::idealThreadCount());
    if (parser.isSet("recycle"))
        options.recycle = count(parser, "recycle", 0, 1000000);
    if (parser.isSet("timeout"))
        options.timeoutSeconds = count(parser, "timeout", 1, 24 * 3600);
    options.report = parser.value("report");
    if (parser.isSet("report") && options.report.isEmpty())
        throw UsageError("--report needs a file name, or - for standard output");
    if (parser.isSet("shard")) {
        const QRegularExpressionMatch m = QRegularExpression("^(\\d{1,6})/(\\d{1,6})$").match(parser.value("shard"));
        options.shard = m.hasMatch() ? m.captured(1).toInt() : 0;
        options.shards = m.hasMatch() ? m.captured(2).toInt() : 0;
        if (options.shard < 1 || options.shard > options.shards)
            throw UsageError(QString("--shard must be K/N with 1 <= K <= N, such as 2/4, not \"%1\"")
                                 .arg(parser.value("shard"))
                                 .toStdString());
    }
    options.results = parser.value("results");
    if (parser.isSet("results") && options.results.isEmpty())
        throw UsageError("--results needs a folder");
    if (!options.list && !options.worker) {
        if (options.results.isEmpty() && !options.dryRun)
            throw UsageError("no results folder: give --results DIR (or --dry-run)");
        if (!options.results.isEmpty() && !FileUtils::IsFolder(options.results))
            throw UsageError(QString("the results folder does not exist: %1").arg(options.results).toStdString());
    }
    if (options.paths.isEmpty() && !options.worker)
        throw UsageError("no files or folders given");
    return options;
}

QString helpText()
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Empties every cell whose text repeats a text met earlier in the same spreadsheet, keeping the first\n"
        "instance, in each file given; a folder gives its files and those of its sub-folders.\n"
        "PATH - reads more paths from standard input, one a line.\n"
        "Exit status: 0 every file done, 1 a file failed, 2 a usage error.");
    parser.addOptions(optionList());
    parser.addPositionalArgument("PATH", "Spreadsheet files and folders.", "PATH...");
    return parser.helpText();
}

QStringList workerArguments(const Options& options)
{
    QStringList arguments{"--worker", "--recycle", QString::number(options.recycle), "--timeout",
                          QString::number(options.timeoutSeconds)};
    if (options.scope == Scope::SingleRow)
        arguments << "--row" << options.row;
    else if (options.scope == Scope::SingleColumn)
        arguments << "--column" << options.column;
    if (!options.results.isEmpty())
        arguments << "--results" << options.results;
    if (options.dryRun)
        arguments << "--dry-run";
    // The parent writes the report; a worker only lists the cells for it.
    if (!options.report.isEmpty())
        arguments << "--report" << "-";
    return arguments;
}

} // namespace Batch

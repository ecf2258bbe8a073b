#include "BatchOptions.h"

#include "Calc1.h"
#include "Paths.h"
#include "RunService.h"

#include <QColor>
#include <QFileInfo>
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
        {"extension",
         "Files of folders: those ending in one of the extensions EXT,... (default every spreadsheet type the "
         "office opens, but .csv; * for all).",
         "EXT"},
        {"format",
         "Store the results as FORMAT: ods (default), xlsx, xls, or same (each file's own where the office writes "
         "it, else ods).",
         "FORMAT"},
        {"list", "Print the files in processing order and end."},
        {"row", "Look only in rows N of each sheet: a row, or rows and ranges such as 3,7:9.", "N"},
        {"column", "Look only in columns LETTERS of each sheet: a column, or columns and ranges such as B,D:F.",
         "LETTERS"},
        {"skip-rows", "Leave the first N rows of every sheet alone (a header): neither emptied nor remembered.", "N"},
        {"match",
         "Compare texts by MODE: exact (default), case (regardless of letter case), space (blanks at the ends left "
         "out, each run of white space inside one blank, no-break spaces too), or loose (both, after Unicode "
         "compatibility normalisation).",
         "MODE"},
        {"mark", "A review run: empty nothing; the results show each cell a real run would empty in a colour."},
        {"mark-colour", "The colour of --mark: a name such as yellow, or #RRGGBB (default #FFC7CE, a light red).",
         "COLOUR"},
        {"json", "Print a JSON object per file on standard output as it finishes, and a summary at the end."},
        {"results",
         "Store the results in DIR (required unless --dry-run or --list): a file found below a folder named in "
         "DIR/<its folder below that one>/, a file named in DIR. A result never replaces a file of the run or "
         "another result of it: such a file fails.",
         "DIR"},
        {"jobs", "Process N files at a time, each in an office of its own (default: processors).", "N"},
        {"recycle", "Restart an office after N files (default 50; 0: never).", "N"},
        {"recycle-memory",
         "Restart an office after a file when it holds more than MB megabytes of memory (default 1024; 0: never).",
         "MB"},
        {"office-memory",
         "End an office that holds more than MB megabytes while it works on a file, which then fails (default: half "
         "the machine's memory shared by the jobs, at least 2048; 0: no limit).",
         "MB"},
        {"skip-done", "Leave out files whose result was made from the file as it is now."},
        {"timeout", "Give up a file whose office does not answer a call within SECONDS (default 300).", "SECONDS"},
        {"report", "Write a CSV report of every emptied cell to FILE (- for standard output).", "FILE"},
        {"dry-run", "Write nothing but the report: what a real run would empty."},
        {"shard", "Process only the K-th of N equal shares of the file list.", "K/N"},
        {"quiet", "No progress on standard error."},
        {{"0", "null"},
         "Paths on standard input end with a NUL character, as find -print0 writes them; --list writes them so."},
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
                             .arg(name, QString::number(least), QString::number(most), text));
    return value;
}

// The window's boxes take the same texts; a value that names no row or column
// would empty nothing, which on a command line is a mistake.
void checkRow(const QString& row)
{
    const double number = Paths::LeadingNumber(row);
    if (!Paths::IsNumeric(row) || number < 1 || number != std::floor(number) || number > double(1 << 30))
        throw UsageError(QString("--row must be a row number from 1 (Must be numeric entry), not \"%1\"").arg(row));
}

void checkColumn(const QString& column)
{
    if (column.isEmpty() || Paths::IsNumeric(column) || Calc1::getColumnNumber(column) < 1)
        throw UsageError(QString("--column must be column letters such as A or BC (Must be a character column), "
                                 "not \"%1\"")
                             .arg(column));
}

// A name the web knows (yellow, lightpink) or #RRGGBB, fully opaque.
std::optional<quint32> colourValue(const QString& text)
{
    const QColor colour = QColor::fromString(text.trimmed());
    if (!colour.isValid() || colour.alpha() != 255)
        return std::nullopt;
    return colour.rgb() & 0xFFFFFFu;
}

// "3,7:9" or "B,D:F": each item one row (column) or a range of them, 0-based.
QList<Calc1::Span> lines(const QString& text, bool rows)
{
    QList<Calc1::Span> spans;
    const auto number = [&](const QString& item) {
        if (rows) {
            checkRow(item);
            return int(Paths::LeadingNumber(item)) - 1;
        }
        checkColumn(item);
        return Calc1::getColumnNumber(item) - 1;
    };
    for (const QString& item : text.split(',')) {
        const QStringList ends = item.trimmed().split(':');
        if (ends.size() > 2)
            throw UsageError(QString("--%1: \"%2\" is not a %3 or a range such as %4")
                                 .arg(rows ? "row" : "column", item, rows ? "row" : "column", rows ? "7:9" : "D:F"));
        const Calc1::Span span{number(ends.first().trimmed()), number(ends.last().trimmed())};
        if (span.first > span.last)
            throw UsageError(
                QString("--%1: the range \"%2\" ends before it begins").arg(rows ? "row" : "column", item));
        spans << span;
    }
    return spans;
}

// An "option" that is a file's name: the file was meant.
QString existingFileHint(const QCommandLineParser& parser, const QStringList& arguments)
{
    for (const QString& name : parser.unknownOptionNames())
        for (const QString& argument : arguments.mid(1))
            if ((argument == '-' + name || argument == "--" + name) && QFileInfo::exists(argument))
                return QString(" To name the file %1, put -- before it: cellwinnow-batch [options] -- %1").arg(argument);
    return {};
}

// Which files of folders, and the results' format.
void readFiles(const QCommandLineParser& parser, Options& options)
{
    if (parser.isSet("extension")) {
        options.extensions.clear();
        for (QString extension : parser.value("extension").split(',', Qt::SkipEmptyParts)) {
            extension = extension.trimmed();
            if (extension.startsWith('.'))
                extension.remove(0, 1);
            if (!extension.isEmpty())
                options.extensions << extension;
        }
        if (options.extensions.isEmpty())
            throw UsageError("--extension needs extensions such as xlsx,xls, or * for all files");
    }
    if (parser.isSet("format")) {
        options.format = parser.value("format").toLower();
        if (!QStringList{"ods", "xlsx", "xls", "same"}.contains(options.format))
            throw UsageError(
                QString("--format must be ods, xlsx, xls or same, not \"%1\"").arg(parser.value("format")));
    }
}

// Where in each sheet, how texts compare, and whether to mark instead.
void readScope(const QCommandLineParser& parser, Options& options)
{
    if (parser.isSet("row") && parser.isSet("column"))
        throw UsageError("give --row or --column, not both");
    if (parser.isSet("row")) {
        options.scope = Scope::SingleRow;
        options.rowsText = parser.value("row");
        options.rows = lines(options.rowsText, true);
        options.row = QString::number(options.rows.first().first + 1);
    } else if (parser.isSet("column")) {
        options.scope = Scope::SingleColumn;
        options.columnsText = parser.value("column");
        options.columns = lines(options.columnsText, false);
        options.column = Calc1::getColumnLetters(options.columns.first().first + 1);
    }
    if (parser.isSet("skip-rows"))
        options.skipRows = count(parser, "skip-rows", 0, 1 << 30);
    if (parser.isSet("match")) {
        options.matchText = parser.value("match");
        const std::optional<Match> match = matchMode(options.matchText);
        if (!match)
            throw UsageError(
                QString("--match must be exact, case, space or loose, not \"%1\"").arg(options.matchText));
        options.match = *match;
    }
    options.mark = parser.isSet("mark");
    if (parser.isSet("mark-colour")) {
        if (!options.mark)
            throw UsageError("--mark-colour is the colour of --mark: give --mark too");
        options.markColourText = parser.value("mark-colour");
        const std::optional<quint32> colour = colourValue(options.markColourText);
        if (!colour)
            throw UsageError(QString("--mark-colour must be a colour name such as yellow or #RRGGBB, not \"%1\"")
                                 .arg(options.markColourText));
        options.markColour = *colour;
    }
    if (options.mark && options.dryRun)
        throw UsageError("give --mark or --dry-run, not both: a review run stores marked copies");
}

// The report, the JSON, the share of the list and the results folder.
void readOutputs(const QCommandLineParser& parser, Options& options)
{
    options.report = parser.value("report");
    if (parser.isSet("report") && options.report.isEmpty())
        throw UsageError("--report needs a file name, or - for standard output");
    if (options.json && options.report == "-")
        throw UsageError("--json and --report - both write to standard output: give the report a file");
    if (options.json && options.list)
        throw UsageError("--list prints the files on standard output, --json the results: give one");
    if (parser.isSet("shard")) {
        const QRegularExpressionMatch m = QRegularExpression("^(\\d{1,6})/(\\d{1,6})$").match(parser.value("shard"));
        options.shard = m.hasMatch() ? m.captured(1).toInt() : 0;
        options.shards = m.hasMatch() ? m.captured(2).toInt() : 0;
        if (options.shard < 1 || options.shard > options.shards)
            throw UsageError(QString("--shard must be K/N with 1 <= K <= N, such as 2/4, not \"%1\"")
                                 .arg(parser.value("shard")));
    }
    options.results = parser.value("results");
    if (parser.isSet("results") && options.results.isEmpty())
        throw UsageError("--results needs a folder");
    if (options.skipDone && options.results.isEmpty())
        throw UsageError("--skip-done needs the results folder: give --results DIR");
    if ((!options.list || options.skipDone) && !options.worker) {
        if (options.results.isEmpty() && !options.dryRun)
            throw UsageError("no results folder: give --results DIR (or --dry-run)");
        if (!options.results.isEmpty() && !QFileInfo::exists(options.results))
            throw UsageError(QString("the results folder does not exist: %1").arg(options.results));
        // Found before the first file is loaded rather than after each.
        if (const QString why = options.results.isEmpty() || options.dryRun || options.list
                ? QString()
                : Calc1::whyNotStorable(options.results);
            !why.isEmpty())
            throw UsageError(why);
    }
    if (options.paths.isEmpty() && !options.worker)
        throw UsageError("no files or folders given");
}

} // namespace

Options parse(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addOptions(optionList());
    if (!parser.parse(arguments))
        throw UsageError(parser.errorText() + existingFileHint(parser, arguments));
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
    options.null = parser.isSet("null");
    readFiles(parser, options);
    readScope(parser, options);
    options.json = parser.isSet("json");
    options.jobs = parser.isSet("jobs") ? count(parser, "jobs", 1, 256) : qMax(1, QThread::idealThreadCount());
    if (parser.isSet("recycle"))
        options.recycle = count(parser, "recycle", 0, 1000000);
    if (parser.isSet("recycle-memory"))
        options.recycleMemoryMb = count(parser, "recycle-memory", 0, 1 << 24);
    options.officeMemoryMb = parser.isSet("office-memory") ? count(parser, "office-memory", 0, 1 << 24)
                                                           : Run::defaultOfficeMemoryMb(options.jobs);
    options.skipDone = parser.isSet("skip-done");
    if (parser.isSet("timeout"))
        options.timeoutSeconds = count(parser, "timeout", 1, 24 * 3600);
    readOutputs(parser, options);
    return options;
}

QString helpText()
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Empties every cell whose text repeats a text met earlier in the same spreadsheet, keeping the first\n"
        "instance, in each file given; a folder gives its files and those of its sub-folders (sorted, hidden\n"
        "names and the results folder left out; anything else left out is named, and the exit status is 1).\n"
        "PATH - reads more paths from standard input, one a line.\n"
        "Exit status: 0 every file done, 1 a file failed or was left out, 2 a usage error, 130 (143) stopped by\n"
        "an interrupt (a termination request).\n"
        "\n"
        "Examples:\n"
        "  cellwinnow-batch --results out --report emptied.csv in/\n"
        "  cellwinnow-batch --match loose --column B,D:F --skip-rows 1 --results out in/\n"
        "  cellwinnow-batch --mark --mark-colour yellow --results review in/   (nothing emptied: marked copies)\n"
        "  cellwinnow-batch --row 3,7:9 --json --results out in/ > results.jsonl");
    parser.addOptions(optionList());
    parser.addPositionalArgument("PATH", "Spreadsheet files and folders.", "PATH...");
    return parser.helpText();
}

QStringList workerArguments(const Options& options)
{
    QStringList arguments{"--worker"};
    arguments << "--recycle" << QString::number(options.recycle);
    arguments << "--recycle-memory" << QString::number(options.recycleMemoryMb);
    arguments << "--office-memory" << QString::number(options.officeMemoryMb);
    arguments << "--timeout" << QString::number(options.timeoutSeconds);
    if (options.scope == Scope::SingleRow)
        arguments << "--row" << options.rowsText;
    else if (options.scope == Scope::SingleColumn)
        arguments << "--column" << options.columnsText;
    arguments << "--skip-rows" << QString::number(options.skipRows) << "--match" << options.matchText;
    if (options.mark)
        arguments << "--mark" << "--mark-colour" << options.markColourText;
    if (!options.results.isEmpty())
        arguments << "--results" << options.results;
    arguments << "--format" << options.format;
    if (options.dryRun)
        arguments << "--dry-run";
    // The parent writes the report; a worker only lists the cells for it.
    if (!options.report.isEmpty())
        arguments << "--report" << "-";
    return arguments;
}

} // namespace Batch

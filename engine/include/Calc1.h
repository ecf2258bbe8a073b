#pragma once
// The duplicate-cell engine: processes one spreadsheet file at a time.

#include "Host.h"
#include "JobSettings.h"
#include "Office.h"
#include "TextMatch.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace Calc1 {

/// A cell of the document; all 0-based.
struct CellPlace {
    int sheet = 0;
    int column = 0;
    int row = 0;
    bool operator==(const CellPlace&) const = default;
};

/// A cell emptied as a repeat, with the text it showed and where that text
/// was first met (the cell that kept it).
struct EmptiedCell {
    CellPlace cell;
    QString text;
    CellPlace first;
    bool operator==(const EmptiedCell&) const = default;
};

/// How a sheet's texts were had: "in bulk" (as first read), "rounds" (formulas
/// read again in bulk after each round of emptying), "one by one" (each
/// formula that may have changed read on its own), or "rounds, then one by one".
struct SheetReading {
    int sheet = 0;
    QString way;
    int rounds = 0;
    /// Readings of many cells in one call, and the cells they read.
    int bulkReads = 0;
    qint64 cellsReadAgain = 0;
    /// Cells read on their own.
    qint64 singleReads = 0;
    /// Guesses emptied for a reading in bulk and taken back after it.
    int checks = 0;
};

/// What was done to one file.
struct FileResult {
    /// True when the result was stored under its final name.
    bool done = false;
    /// The extension it was stored with: the format's, or "ods" for a
    /// document of several sheets whose format holds one.
    QString storedAs;
    /// The cells emptied, in the order they were emptied (only when asked for).
    QList<EmptiedCell> emptied;
    /// How many cells were emptied, listed or not.
    qint64 emptiedCount = 0;
    /// The names of the document's sheets, by index (only when cells are listed).
    QStringList sheetNames;
    /// Repeats the office refused to empty (protection, arrays), and the first
    /// of them in sheet, row, column order.
    qint64 kept = 0;
    std::optional<CellPlace> firstKept;
    /// Formulas that showed what the office may not fetch, left as they are,
    /// and the first of them.
    qint64 unserved = 0;
    std::optional<CellPlace> firstUnserved;
    /// How each sheet scanned was read, by index.
    QList<SheetReading> readings;
    /// The failures reported, in order: the window showed a box for each.
    QList<Host::Failure> failures;
};

} // namespace Calc1

/// Every cell text met so far in the document being processed, with where
/// it was first met; texts are compared by their key (exactly, unless the
/// match says otherwise).
class SeenTexts {
public:
    explicit SeenTexts(Match match = Match::Exact) : m_match(match) { }
    /// What the text is compared by.
    QString key(const QString& text) const { return m_match == Match::Exact ? text : matchKey(text, m_match); }
    /// Where the text was first met; nothing when this is the first time, and
    /// from now on it has been met here.
    std::optional<Calc1::CellPlace> firstOrAdd(const QString& text, const Calc1::CellPlace& here);
    /// Where the text was first met, if it was.
    std::optional<Calc1::CellPlace> find(const QString& text) const;
    qsizetype size() const { return m_first.size(); }
    void clear() { m_first.clear(); }

private:
    // Each text keeps its hash, so that looking one up compares hashes
    // before it reads any characters: tens of thousands of texts of the same
    // length would otherwise be read on every probe.
    struct Key {
        QString text;
        size_t hash;
        bool operator==(const Key& other) const { return hash == other.hash && text == other.text; }
    };
    friend size_t qHash(const Key& key, size_t) { return key.hash; }
    Match m_match;
    QHash<Key, Calc1::CellPlace> m_first;
};

namespace Calc1 {

/// Rows or columns from the first to the last; 0-based.
struct Span {
    int first = 0, last = 0;
    bool operator==(const Span&) const = default;
};

/// A format the office stores a result in.
struct ResultFormat {
    QString extension = "ods"; ///< of the result's name
    QString filter; ///< the office's; empty: its own, .ods
    QString filterOptions;
    /// Holds one sheet (text): a document of more sheets is stored as .ods.
    bool oneSheet = false;
    bool operator==(const ResultFormat&) const = default;
};
/// How a result's temporary file is named.
enum class Temporary {
    /// "<name>.sxw" beside the result, numbered when that is taken; a failed
    /// rename leaves it there.
    Named,
    /// A hidden name of this process's own, removed on any failure, and by a
    /// later run once the process is gone.
    Private,
};

/// What processing a file needs beyond the job settings.
struct FileOptions {
    /// The pause after loading, during which the window keeps handling events.
    double loadWaitSeconds = 2.0;
    /// Whether the result lists each emptied cell (a report needs them; the
    /// window does not, and a sheet may hold millions). A listing caller also
    /// takes the repeats the office kept from the result, not as a report.
    bool listEmptied = false;
    /// False: everything is done as usual but the result is not stored.
    bool store = true;
    /// With listEmptied, false counts the emptied cells without listing them.
    bool listCells = true;
    ResultFormat format{};
    /// How texts are compared.
    Match match = Match::Exact;
    /// With a single row (column) scope, these rows (columns) instead of the
    /// one the settings name, visited in the usual order.
    QList<Span> rows{}, columns{};
    /// The first rows of every sheet are out of the scope.
    int skipRows = 0;
    /// A review run: the result is the input with every cell a real run
    /// empties given this background colour (0xRRGGBB); nothing is emptied.
    std::optional<quint32> mark{};
    Temporary temporary = Temporary::Named;
    /// A results folder below this one (which must be there) is made when it
    /// is not there yet; empty: none is made.
    QString resultsRoot{};
    /// With a format that holds one sheet: why a document of several may not
    /// be stored as .ods instead; empty: it may.
    QString noFallback{};
};

struct Context {
    office::Office& office;
    const JobSettings& settings;
    /// Where failures are reported and events let in.
    Host& host;
    FileOptions options;
};

/// Opens the file hidden, empties every cell whose text was met earlier in the
/// document (within the chosen scope), stores the result as .ods in the results
/// folder and closes the file. Reports its own failures and always returns,
/// with what it did.
FileResult DoItByFile(const QString& path, SeenTexts& seenTexts, const Context& context);

/// Column letters of a 1-based column number: 1 A, 26 Z, 27 AA, 702 ZZ, 703 AAA.
/// Empty for numbers below 1.
QString getColumnLetters(int columnNumber);

/// 1-based column number of column letters, read case-insensitively. Gives 0
/// (no column) for an empty text, any character but a letter, or a value past
/// any sheet's columns.
int getColumnNumber(QString letters);

office::PropertyValue MakePropertyValue(const QString& name, const QVariant& value);

/// A cell's name, "B3", from its 0-based column and row.
QString cellName(int column, int row);
/// What names a sheet whose name the office cannot tell.
QString unnamedSheet(int index);
/// The name on the sheet's tab, or unnamedSheet() when the office cannot
/// tell; office::Gone when the office is lost.
QString sheetName(office::Document& document, int index);
/// What is said of repeats the office kept (a protected cell, part of an
/// array), before where the first one is.
QString keptRepeats(qint64 count);
/// What is said of formulas that show what the office may not fetch, before
/// where the first one is.
QString unservedFormulas(qint64 count);

/// A proper file URL for a local path (blanks, "#", "%" and non-ASCII escaped).
QString FileUrl(const QString& path);

/// The format of results with this extension (ods, fods, xlsx, xlsm, xls,
/// csv; any case); nothing for one the office cannot write.
std::optional<ResultFormat> resultFormat(const QString& extension);

/// The name of an input's result: its name with the result's extension.
QString resultName(const QString& inputPath, const QString& extension = "ods");

struct ResultPaths {
    QString temporary; ///< where the office stores the result first
    QString final; ///< the name it then takes, replacing any earlier result
};
/// The result of an input: the results folder, the input's name with the
/// result's extension.
QString resultPath(const QString& resultsFolder, const QString& inputPath, const QString& extension = "ods");
/// The result's paths, its temporary name claimed: created empty in the
/// results folder, exclusively, so that no other process, file or file of
/// the user's ever shares it. Throws std::runtime_error when none can be made.
ResultPaths ClaimResultPaths(const QString& resultsFolder, const QString& inputPath, const QString& extension,
                             Temporary kind);
/// Why the file cannot be opened, as far as the file system tells before the
/// office is asked, in words that name it; empty when nothing is against it.
QString whyUnopenable(const QString& path);
/// Why the office refused to open the file, in words that name it.
QString whyRefused(office::Refusal refusal, const QString& path);
/// Why no result can be stored in the results folder (or, given a name and
/// a size, no result of that name and size), in words that name the folder;
/// empty when nothing is known against it.
QString whyNotStorable(const QString& folder, const QString& name = {}, qint64 bytes = 0);
/// Removes from the folder the private temporary files of processes that
/// have ended (the user's own only). Returns how many.
int removeDeadTemporaries(const QString& folder);

} // namespace Calc1

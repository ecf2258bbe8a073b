#pragma once
// The office as the engine sees it: what processing a spreadsheet asks of it
// (open, read cells, shown text, formulas, empty ranges, store, close) and
// the office's life (start, restart, shutdown). Clients need none of the
// office's headers. Implementations: the UNO one (engine/uno) and an
// in-memory one that the engine's tests use.
//
// Every call may throw office::Error, whose what() is the office's own
// description of the failure; office::Gone means the office itself is lost.

#include <QList>
#include <QString>
#include <QVariant>

#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>

namespace office {

/// What the office tells of why it could not open a document.
enum class Refusal { Unknown, Password, Locked, NoAccess, Missing, NotSpreadsheet };

class Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
    Error(const std::string& what, Refusal refusal) : std::runtime_error(what), m_refusal(refusal) { }
    Refusal refusal() const { return m_refusal; }

private:
    Refusal m_refusal = Refusal::Unknown;
};

/// The office process died or stopped answering; its objects are all invalid.
class Gone : public Error {
public:
    using Error::Error;
};

struct PropertyValue {
    QString name;
    QVariant value;
    bool operator==(const PropertyValue&) const = default;
};
using PropertyValues = QList<PropertyValue>;

/// Wider and longer than any sheet an office makes.
constexpr int AnyColumn = 1 << 24, AnyRow = 1 << 30;

/// 0-based, inclusive.
struct RangeAddress {
    int sheet = 0;
    int startColumn = 0;
    int startRow = 0;
    int endColumn = 0;
    int endRow = 0;
    bool operator==(const RangeAddress&) const = default;
};

/// A cell with content, as read from the whole document in one go.
struct ShownCell {
    int column = 0;
    int row = 0;
    QString text; ///< what it showed when the document was read
    /// False when the office could not tell in bulk what the cell shows (a
    /// cell hidden by its protection, a format that breaks the bulk reading):
    /// ask shownText().
    bool known = true;
    /// A formula's text changes when cells it refers to are emptied.
    bool formula = false;
    bool operator==(const ShownCell&) const = default;
};

struct FormulaText {
    int column = 0;
    int row = 0;
    QString text;
};

/// A cell of a sheet.
struct CellAt {
    int column = 0;
    int row = 0;
    bool operator==(const CellAt&) const = default;
};

class Document {
public:
    virtual ~Document() = default;
    virtual int sheetCount() = 0;
    /// The sheet's name, as the user sees it on its tab.
    virtual QString sheetName(int index) = 0;

    /// Hands each cell of the area (on the given sheet) that has content to
    /// cell(), row by row from the top and left to right within a row. The
    /// texts are those of the document as first read: a formula's may be
    /// stale once cells were emptied. Once cell() gives false, no more are
    /// wanted: the reading ends without another call of the office.
    virtual void readCells(int sheetIndex, const RangeAddress& area, const std::function<bool(const ShownCell&)>& cell)
        = 0;
    /// What the cell shows now.
    virtual QString shownText(int sheetIndex, int column, int row) = 0;
    /// What the cells of the sheet show now, in the order given: in one go
    /// when there are many, so that many formulas are read again in few calls.
    virtual QStringList shownTexts(int sheetIndex, const QList<CellAt>& cells) = 0;
    /// The sheet's formulas as written ("=SUM(A1:B2)", "{=A1:B2}" for an
    /// array), or nothing when there are too many to list.
    virtual std::optional<QList<FormulaText>> formulas(int sheetIndex) = 0;

    /// Empties every cell of the ranges (each range names its sheet) as
    /// ".uno:Delete" with the flags "A" empties one cell: contents, formats and
    /// notes go, no cell moves, drawings stay. The ranges of `alone` are
    /// emptied each on its own. Gives back the cells the office refused to
    /// empty (a locked cell of a protected sheet, part of an array).
    virtual QList<RangeAddress> emptyRanges(const QList<RangeAddress>& ranges, const QList<RangeAddress>& alone) = 0;
    /// While kept, each emptyRanges() can be taken back, at a cost in time
    /// and memory (and its notes may stay until then); turning it off
    /// forgets what could be taken back.
    virtual void keepUndo(bool keep) = 0;
    /// Takes back the last emptyRanges() calls made while undo was kept,
    /// the newest first; asking for more than were made is an error.
    virtual void takeBack(int emptyings) = 0;
    /// While held, emptyings leave the rows' heights as they are (fitting
    /// them costs a third of an emptying, and a take-back does not fit them
    /// again); the rows of what stays emptied are fitted by a later emptying
    /// of the same rows, or before the document is stored.
    virtual void holdRows(bool hold) = 0;

    /// Gives every cell of the ranges this background colour (0xRRGGBB);
    /// nothing else of them changes.
    virtual void markRanges(const QList<RangeAddress>& ranges, quint32 colour) = 0;

    /// Stores a copy; with no properties, in the office's default format.
    virtual void store(const QString& url, const PropertyValues& properties) = 0;
    virtual void close() = 0;
};

class Office {
public:
    virtual ~Office() = default;
    /// Makes sure an office runs and can open documents: starts one when none
    /// runs, or the last one died or stopped answering. Throws Error when none
    /// can be started, Gone once it was shut down.
    virtual void start() = 0;
    /// Opens the document hidden, as one nobody vouches for: no macro runs
    /// and no link is updated. Only a spreadsheet opens.
    virtual std::shared_ptr<Document> open(const QString& url) = 0;

    /// Ends the office and starts another: a long run bounds what an office
    /// holds. Throws as start() does.
    virtual void restart() = 0;
    /// Ends the office for good.
    virtual void shutdown() = 0;
    /// Ends it at once and for good, from any thread (the program is asked to
    /// end): a call or a start waiting on it fails at once.
    virtual void abort() = 0;
    /// The memory the office holds, in bytes; -1 when none runs.
    virtual qint64 residentBytes() const = 0;
    /// How many offices were started so far.
    virtual int starts() const = 0;
};

} // namespace office

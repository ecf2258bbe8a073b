#pragma once
// The office as the engine sees it: the few objects and calls that processing a
// spreadsheet needs, shaped after the office's own automation API. Clients need
// none of the office's headers. Implementations: the UNO one (engine/uno) and an
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

class Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
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

/// Where dispatched commands go.
class Frame {
public:
    virtual ~Frame() = default;
};

class Controller {
public:
    virtual ~Controller() = default;
    virtual std::shared_ptr<Frame> frame() = 0;
};

class Document {
public:
    virtual ~Document() = default;
    virtual std::shared_ptr<Controller> currentController() = 0;
    virtual int sheetCount() = 0;
    /// Stores a copy; with no properties, in the office's default format.
    virtual void storeToUrl(const QString& url, const PropertyValues& properties) = 0;
    virtual void close(bool deliverOwnership) = 0;

    /// The sheet's name, as the user sees it on its tab.
    virtual QString sheetName(int index) = 0;

    // Whole-document work in few calls, for speed.

    /// Hands each cell of the area (on the given sheet) that has content to
    /// cell(), row by row from the top and left to right within a row. The
    /// texts are those of the document as first read: a formula's may be
    /// stale once cells were emptied.
    virtual void readCells(int sheetIndex, const RangeAddress& area, const std::function<void(const ShownCell&)>& cell)
        = 0;
    /// What the cell shows now.
    virtual QString shownText(int sheetIndex, int column, int row) = 0;
    /// The sheet's formulas as written ("=SUM(A1:B2)", "{=A1:B2}" for an
    /// array), or nothing when there are too many to list.
    virtual std::optional<QList<FormulaText>> formulas(int sheetIndex) = 0;
    /// What the cells of the sheet show now, in the order given: in one go
    /// when there are many, so that many formulas are read again in few calls.
    virtual QStringList shownTexts(int sheetIndex, const QList<CellAt>& cells) = 0;
    /// Empties every cell of the ranges (each range names its sheet) as
    /// ".uno:Delete" with the flags "A" empties one cell: contents, formats and
    /// notes go, no cell moves, drawings stay. The ranges of `alone` are
    /// emptied each on its own. Gives back the cells the office refused to
    /// empty (a locked cell of a protected sheet, part of an array).
    virtual QList<RangeAddress> emptyRanges(const QList<RangeAddress>& ranges, const QList<RangeAddress>& alone) = 0;
    /// While kept, each emptyRanges() can be taken back, at a cost in time
    /// and memory; turning it off forgets what could be taken back.
    virtual void keepUndo(bool keep) = 0;
    /// Takes back the last emptyRanges() calls made while undo was kept,
    /// the newest first.
    virtual void takeBack(int emptyings) = 0;
};

class DispatchHelper {
public:
    virtual ~DispatchHelper() = default;
    virtual void executeDispatch(Frame& frame, const QString& command, const QString& targetFrameName, int searchFlags,
                                 const PropertyValues& arguments)
        = 0;
};

class Desktop {
public:
    virtual ~Desktop() = default;
    virtual std::shared_ptr<Document> loadComponentFromUrl(const QString& url, const QString& targetFrameName,
                                                           int searchFlags, const PropertyValues& arguments)
        = 0;
};

class ServiceManager {
public:
    virtual ~ServiceManager() = default;
    virtual std::shared_ptr<Desktop> desktop() = 0;
    virtual std::shared_ptr<DispatchHelper> dispatchHelper() = 0;
};

/// Hands out the service manager of a live office, starting one when there is none.
class Provider {
public:
    virtual ~Provider() = default;
    virtual std::shared_ptr<ServiceManager> serviceManager() = 0;
};

} // namespace office

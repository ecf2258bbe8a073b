#pragma once
// The office as the engine sees it: the few objects and calls that processing a
// spreadsheet needs, shaped after the office's own automation API. Clients need
// none of the office's headers. Implementations: the UNO one (engine/uno) and an
// in-memory one that the engine's tests use.
//
// Every call may throw office::Error, whose what() is the office's own
// description of the failure; office::Gone means the office itself is lost.

#include "ErrorReport.h"

#include <QList>
#include <QString>
#include <QVariant>

#include <memory>
#include <stdexcept>

namespace office {

class Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/// The office process died or stopped answering; its objects are all invalid.
class Gone : public Error, public Abandon {
public:
    using Error::Error;
};

struct PropertyValue {
    QString name;
    QVariant value;
    bool operator==(const PropertyValue&) const = default;
};
using PropertyValues = QList<PropertyValue>;

/// 0-based, inclusive.
struct RangeAddress {
    int sheet = 0;
    int startColumn = 0;
    int startRow = 0;
    int endColumn = 0;
    int endRow = 0;
};

struct ShownCell {
    int column = 0;
    int row = 0;
    QString text;
    bool operator==(const ShownCell&) const = default;
};

class Cell {
public:
    virtual ~Cell() = default;
    /// The text the cell shows; empty for an empty cell.
    virtual QString string() = 0;
};

class CellCursor {
public:
    virtual ~CellCursor() = default;
    virtual void gotoEndOfUsedArea(bool expand) = 0;
    virtual RangeAddress rangeAddress() = 0;
};

class Sheet {
public:
    virtual ~Sheet() = default;
    virtual std::unique_ptr<Cell> cellByPosition(int column, int row) = 0;
    virtual std::unique_ptr<CellCursor> createCursorByRange(Cell& cell) = 0;
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
    virtual std::unique_ptr<Sheet> sheetByIndex(int index) = 0;
    /// Stores a copy; with no properties, in the office's default format.
    virtual void storeToUrl(const QString& url, const PropertyValues& properties) = 0;
    virtual void close(bool deliverOwnership) = 0;

    // Whole-sheet work in one call each, for speed.

    /// The cells of the sheet that show something, with what they show (their
    /// String), row by row from the top and left to right within a row.
    virtual QList<ShownCell> shownTexts(int sheetIndex) = 0;
    /// Empties the ranges' cells of that sheet as ".uno:Delete" with the flags
    /// "A" does: contents, formats and notes go; no cell moves.
    virtual void clearRanges(int sheetIndex, const QList<RangeAddress>& ranges) = 0;
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

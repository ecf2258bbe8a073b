#include "Calc1.h"

#include "BusyCursor.h"
#include "ErrorReport.h"
#include "FileUtils.h"
#include "Paths.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <cmath>
#include <limits>
#include <optional>

namespace Calc1 {

namespace {

// Step numbers of visiting one cell, counted from the scope's first.
enum VisitStep {
    GetCell = 0,
    ReadString = 2,
    SheetArgument = 10,
    JumpToTable = 12,
    CellArgument = 14,
    GoToCell = 16,
    FlagsArgument = 18,
    Delete = 20,
};
constexpr int EntireSheetVisit = 136, SingleRowVisit = 170, SingleColumnVisit = 204;

// An empty text is never counted; the first of each text stays.
bool isRepeat(SeenTexts& seen, const QString& text)
{
    if (text.isEmpty())
        return false;
    if (seen.contains(text))
        return true;
    seen.insert(text);
    return false;
}

class SheetScan {
public:
    SheetScan(StepGuard& step, SeenTexts& seen, office::Sheet& sheet, office::DispatchHelper& dispatcher,
              office::Frame& frame, int sheetIndex)
        : step(step), seen(seen), sheet(sheet), dispatcher(dispatcher), frame(frame), sheetIndex(sheetIndex)
    {
    }

    // Empties the cell when its text was met before; otherwise remembers the text.
    void visit(int column, int row, int base)
    {
        std::unique_ptr<office::Cell> cell;
        QString text;
        // Without the cell's own text there is nothing sound to compare.
        if (!step(base + GetCell, [&] { cell = sheet.cellByPosition(column, row); })
            || !step(base + ReadString, [&] { text = cell->string(); }))
            return;
        if (!isRepeat(seen, text))
            return;
        // The delete acts on the current cell, so it is sent only when both
        // moves to this cell went through.
        office::PropertyValues argument;
        const QVariant sheetNumber = QVariant::fromValue(short(sheetIndex + 1)); // the office takes 16 bits
        step(base + SheetArgument, [&] { argument = {MakePropertyValue("Nr", sheetNumber)}; })
            && step(base + JumpToTable, [&] { dispatch(".uno:JumpToTable", argument); })
            && step(base + CellArgument,
                    [&] {
                        const QString point = '$' + getColumnLetters(column + 1) + '$' + QString::number(row + 1);
                        argument = {MakePropertyValue("ToPoint", point)};
                    })
            && step(base + GoToCell, [&] { dispatch(".uno:GoToCell", argument); })
            && step(base + FlagsArgument, [&] { argument = {MakePropertyValue("Flags", "A")}; })
            && step(base + Delete, [&] { dispatch(".uno:Delete", argument); });
    }

private:
    void dispatch(const QString& command, const office::PropertyValues& argument)
    {
        dispatcher.executeDispatch(frame, command, QString(), 0, argument);
    }

    StepGuard& step;
    SeenTexts& seen;
    office::Sheet& sheet;
    office::DispatchHelper& dispatcher;
    office::Frame& frame;
    const int sheetIndex;
};

// The row the row text names, 0-based, when it names one within 0..lastRow.
std::optional<int> chosenRow(const QString& rowText, int lastRow)
{
    const double number = Paths::LeadingNumber(rowText);
    if (number < 1 || number > double(lastRow) + 1 || number != std::floor(number))
        return std::nullopt;
    return int(number) - 1;
}

std::optional<int> chosenColumn(const QString& columnText, int lastColumn)
{
    const int number = getColumnNumber(columnText);
    if (number < 1 || number > lastColumn + 1)
        return std::nullopt;
    return number - 1;
}

void scanCellByCell(StepGuard& step, office::Document& document, office::DispatchHelper& dispatcher,
                    office::Frame& frame, int sheetCount, const JobSettings& settings, SeenTexts& seenTexts)
{
    int lastRow = 0;
    for (int i = 0; i < sheetCount && !step.stopped(); ++i) {
        std::unique_ptr<office::Sheet> sheet;
        if (!step(116, [&] { sheet = document.sheetByIndex(i); }))
            continue; // scanning whatever sheet came before would empty the wrong cells
        // A failure here keeps the previous sheet's row bound.
        step(118, [&] { lastRow = getLastUsedRow(*sheet); });
        StepGuard columnStep(ErrorReport::location("Calc1", "getLastUsedColumn"));
        const int lastColumn = getLastUsedColumn(*sheet, columnStep);
        if (columnStep.stopped())
            step.stop();

        SheetScan scan(step, seenTexts, *sheet, dispatcher, frame, i);
        // The scope and the texts are read once per sheet: nothing runs between
        // the cells of one sheet that could change them.
        bool entireSheet = false, singleRow = false, singleColumn = false;
        step(130, [&] { entireSheet = settings.isSelected(Scope::EntireSheet); });
        if (entireSheet) {
            for (int r = 0; r <= lastRow && !step.stopped(); ++r)
                for (int c = 0; c <= lastColumn && !step.stopped(); ++c)
                    scan.visit(c, r, EntireSheetVisit);
            continue;
        }
        step(162, [&] { singleRow = settings.isSelected(Scope::SingleRow); });
        if (singleRow) {
            std::optional<int> row;
            step(166, [&] { row = chosenRow(settings.rowText(), lastRow); });
            for (int c = 0; row && c <= lastColumn && !step.stopped(); ++c)
                scan.visit(c, *row, SingleRowVisit);
            continue;
        }
        step(196, [&] { singleColumn = settings.isSelected(Scope::SingleColumn); });
        if (singleColumn) {
            std::optional<int> column;
            step(202, [&] { column = chosenColumn(settings.columnText(), lastColumn); });
            for (int r = 0; column && r <= lastRow && !step.stopped(); ++r)
                scan.visit(*column, r, SingleColumnVisit);
        }
    }
}

// One run of consecutive cells of a row (or, for a column, of a column) is one range.
QList<office::RangeAddress> toRanges(QList<std::pair<int, int>> cells, bool alongColumn)
{
    QList<office::RangeAddress> ranges;
    for (const auto& [column, row] : cells) {
        if (!ranges.isEmpty()) {
            office::RangeAddress& last = ranges.last();
            if (!alongColumn && last.endRow == row && last.endColumn + 1 == column) {
                last.endColumn = column;
                continue;
            }
            if (alongColumn && last.endColumn == column && last.endRow + 1 == row) {
                last.endRow = row;
                continue;
            }
        }
        ranges << office::RangeAddress{0, column, row, column, row};
    }
    return ranges;
}

// The sheet's texts come in one call and its repeats go in one call. The
// cells come in the order they are visited one by one, so the same ones stay,
// and only cells that show something cost anything.
void scanInBulk(StepGuard& step, office::Document& document, int sheetIndex, const JobSettings& settings,
                SeenTexts& seenTexts)
{
    QList<office::ShownCell> cells;
    if (!step(EntireSheetVisit + ReadString, [&] { cells = document.shownTexts(sheetIndex); }))
        return; // without the texts nothing here can be judged
    constexpr int anyRow = std::numeric_limits<int>::max() - 1;

    QList<std::pair<int, int>> repeats;
    auto visit = [&](const office::ShownCell& cell) {
        if (isRepeat(seenTexts, cell.text))
            repeats << std::pair{cell.column, cell.row};
    };
    bool entireSheet = false, singleRow = false, singleColumn = false;
    int base = EntireSheetVisit;
    step(130, [&] { entireSheet = settings.isSelected(Scope::EntireSheet); });
    if (entireSheet) {
        for (const office::ShownCell& cell : std::as_const(cells))
            visit(cell);
    } else if (step(162, [&] { singleRow = settings.isSelected(Scope::SingleRow); }) && singleRow) {
        base = SingleRowVisit;
        std::optional<int> row;
        step(166, [&] { row = chosenRow(settings.rowText(), anyRow); });
        for (const office::ShownCell& cell : std::as_const(cells))
            if (row && cell.row == *row)
                visit(cell);
    } else if (step(196, [&] { singleColumn = settings.isSelected(Scope::SingleColumn); }) && singleColumn) {
        base = SingleColumnVisit;
        std::optional<int> column;
        step(202, [&] { column = chosenColumn(settings.columnText(), anyRow); });
        for (const office::ShownCell& cell : std::as_const(cells))
            if (column && cell.column == *column)
                visit(cell);
    }
    if (!repeats.isEmpty())
        step(base + Delete, [&] { document.clearRanges(sheetIndex, toRanges(repeats, singleColumn)); });
}

} // namespace

void DoItByFile(const QString& path, SeenTexts& seenTexts, const Context& context)
{
    StepGuard step(ErrorReport::location("Calc1", "DoItByFile"));
    const JobSettings& settings = context.settings;
    std::optional<ApplicationBusy> busy;
    std::shared_ptr<office::ServiceManager> serviceManager;
    std::shared_ptr<office::Desktop> desktop;
    std::shared_ptr<office::Document> document;
    std::shared_ptr<office::DispatchHelper> dispatcher;
    std::shared_ptr<office::Controller> controller;
    std::shared_ptr<office::Frame> frame;

    step(100, [&] { busy.emplace(); });
    const bool loaded = step(102,
                             [&] {
                                 serviceManager = context.office.serviceManager();
                                 if (!serviceManager)
                                     throw office::Error("No office");
                             })
        && step(104, [&] { desktop = serviceManager->desktop(); }) && step(106, [&] {
                            // The office would take an empty file for a new, empty spreadsheet.
                            if (QFileInfo(path).isFile() && QFileInfo(path).size() == 0)
                                throw office::Error("The file is empty: " + path.toStdString());
                            document = desktop->loadComponentFromUrl(FileUrl(path), "_blank", 0,
                                                                     {MakePropertyValue("Hidden", true)});
                        });
    // A document that cannot be edited is closed without a result: storing it
    // unchanged would pass off the input as cleaned.
    const bool editable = loaded && step(108, [&] { dispatcher = serviceManager->dispatchHelper(); })
        && step(110, [&] { controller = document->currentController(); })
        && step(112, [&] { frame = controller->frame(); });
    if (editable)
        step(112, [&] { FileUtils::Wait(context.loadWaitSeconds); });

    int sheetCount = 0;
    const bool counted = editable && step(114, [&] { sheetCount = document->sheetCount(); });
    if (counted && context.method == Method::Bulk)
        for (int i = 0; i < sheetCount && !step.stopped(); ++i)
            scanInBulk(step, *document, i, settings, seenTexts);
    else if (counted)
        scanCellByCell(step, *document, *dispatcher, *frame, sheetCount, settings, seenTexts);

    ResultPaths result;
    const bool stored
        = counted && step(236, [&] { result = ResultPathsFor(settings.resultsFolder(), path); }) && step(242, [&] {
              // The office would make a vanished folder anew, somewhere the user never chose.
              const QString folder = QFileInfo(result.temporary).path();
              if (!FileUtils::IsFolder(folder))
                  throw office::Error("The results folder is not there any more: " + folder.toStdString());
              try {
                  document->storeToUrl(FileUrl(result.temporary), {});
              } catch (...) {
                  QFile::remove(result.temporary); // ours: the name was free before the store
                  throw;
              }
          });
    if (loaded)
        step(244, [&] {
            try {
                document->close(true);
            } catch (const office::Gone& e) {
                // A lost office at this point takes nothing from a stored result.
                throw office::Error(e.what());
            }
        });
    if (stored)
        step(245, [&] {
            QCoreApplication::processEvents();
            FileUtils::ReplaceFile(result.temporary, result.final);
        });
    step(250, [&] {
        frame.reset();
        controller.reset();
        document.reset();
    });
    step(252, [&] { busy.reset(); });
}

} // namespace Calc1

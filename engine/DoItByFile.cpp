#include "Calc1.h"

#include "Dependencies.h"

#include "ErrorReport.h"
#include "FileUtils.h"
#include "Paths.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>

#include <algorithm>
#include <cmath>
#include <optional>
#include <tuple>
#include <utility>

namespace Calc1 {

namespace {

// Step numbers within the visit of a cell, counted from the scope's first.
constexpr int ReadString = 2, Delete = 20;
constexpr int EntireSheetVisit = 136, SingleRowVisit = 170, SingleColumnVisit = 204;

// The window closed while a file was being processed: the file is left as it is.
class Quitting : public Abandon { };

// Where the text was first met when the cell repeats it; an empty text is
// never counted, and the first of each text stays.
std::optional<CellPlace> repeatOf(SeenTexts& seen, const QString& text, const CellPlace& here)
{
    if (text.isEmpty())
        return std::nullopt;
    return seen.firstOrAdd(text, here);
}

// The row the row text names, 0-based.
std::optional<int> chosenRow(const QString& rowText)
{
    const double number = Paths::LeadingNumber(rowText);
    if (number < 1 || number > double(office::AnyRow) || number != std::floor(number))
        return std::nullopt;
    return int(number) - 1;
}

std::optional<int> chosenColumn(const QString& columnText)
{
    const int number = getColumnNumber(columnText);
    if (number < 1)
        return std::nullopt;
    return number - 1;
}

QString cellName(int column, int row)
{
    return getColumnLetters(column + 1) + QString::number(row + 1);
}

// The name on the sheet's tab, or its number when the office cannot tell.
QString sheetName(office::Document& document, int sheet)
{
    try {
        return document.sheetName(sheet);
    } catch (const office::Error&) {
        return QString("sheet %1").arg(sheet + 1);
    }
}

// Repeats are emptied in batches, which is what makes the engine fast. A cell
// is judged by what it shows at its turn, so before a formula that may show
// something else once earlier repeats are gone is read, they are emptied.
class Emptier {
public:
    // Kept repeats go into `result` when it is given, and emptied cells too
    // when they are to be listed; the count always does.
    Emptier(StepGuard& step, office::Document& document, FileResult& result, bool keptInResult, bool listCells)
        : step(step), document(document), m_result(result), m_listed(keptInResult ? &result : nullptr),
          m_list(keptInResult && listCells ? &result.emptied : nullptr)
    {
    }

    void add(int sheet, int column, int row, bool alone, int deleteStep, const QString& text, const CellPlace& first)
    {
        m_deleteStep = deleteStep;
        emptiedAny = true;
        if (m_list)
            m_pending << EmptiedCell{{sheet, column, row}, text, first};
        const office::RangeAddress cell{sheet, column, row, column, row};
        if (alone) {
            m_alone << cell;
        } else if (!m_ranges.isEmpty() && m_ranges.last().sheet == sheet && m_ranges.last().startRow == row
                   && m_ranges.last().endRow == row && m_ranges.last().endColumn + 1 == column) {
            m_ranges.last().endColumn = column;
        } else if (!m_ranges.isEmpty() && m_ranges.last().sheet == sheet && m_ranges.last().startColumn == column
                   && m_ranges.last().endColumn == column && m_ranges.last().endRow + 1 == row) {
            m_ranges.last().endRow = row;
        } else {
            m_ranges << cell;
        }
        // Bounds the memory a sheet of millions of repeats takes.
        if (m_ranges.size() + m_alone.size() >= 50000)
            flush();
    }

    void flush()
    {
        if (m_ranges.isEmpty() && m_alone.isEmpty())
            return;
        QList<office::RangeAddress> refused;
        const QList<office::RangeAddress> ranges = stacked(std::exchange(m_ranges, {}));
        const QList<office::RangeAddress> alone = std::exchange(m_alone, {});
        const bool emptied = step(m_deleteStep, [&] { refused = document.emptyRanges(ranges, alone); });
        if (emptied)
            for (const office::RangeAddress& r : ranges + alone)
                m_result.emptiedCount += cellsOf(r);
        for (const office::RangeAddress& r : std::as_const(refused)) {
            kept += cellsOf(r);
            m_result.emptiedCount -= cellsOf(r);
            if (!firstKept
                || std::tuple(r.sheet, r.startRow, r.startColumn)
                    < std::tuple(firstKept->sheet, firstKept->startRow, firstKept->startColumn))
                firstKept = r;
        }
        if (m_list && emptied)
            listEmptied(refused);
        m_pending.clear();
    }

    // One report for the whole file, never one per cell.
    void reportKept()
    {
        if (kept == 0)
            return;
        if (m_listed) {
            m_listed->kept = kept;
            m_listed->firstKept = CellPlace{firstKept->sheet, firstKept->startColumn, firstKept->startRow};
            return;
        }
        step.report(
            m_deleteStep,
            QString("%1 repeated cell(s) could not be emptied and were kept (a protected cell, or part of an "
                    "array formula); the first is %2.%3")
                .arg(kept)
                .arg(sheetName(document, firstKept->sheet), cellName(firstKept->startColumn, firstKept->startRow)));
    }

    bool hasPending() const { return !m_ranges.isEmpty() || !m_alone.isEmpty(); }

    bool emptiedAny = false;
    qint64 kept = 0;
    std::optional<office::RangeAddress> firstKept;

private:
    static qint64 cellsOf(const office::RangeAddress& r)
    {
        return qint64(r.endColumn - r.startColumn + 1) * (r.endRow - r.startRow + 1);
    }

    // Runs of the same columns on consecutive rows make one rectangle.
    static QList<office::RangeAddress> stacked(QList<office::RangeAddress> runs)
    {
        QList<office::RangeAddress> out;
        QHash<quint64, qsizetype> open; // (sheet, first, last column) -> its rectangle
        for (const office::RangeAddress& r : std::as_const(runs)) {
            if (r.startRow == r.endRow) {
                const quint64 key = quint64(r.sheet) << 48 | quint64(r.startColumn) << 24 | quint64(r.endColumn);
                const auto it = open.constFind(key);
                if (it != open.cend() && out[*it].endRow + 1 == r.startRow) {
                    out[*it].endRow = r.endRow;
                    continue;
                }
                open.insert(key, out.size());
            }
            out << r;
        }
        return out;
    }

    // The cells given to the office that it did not refuse. The refused lie
    // within those given, so there are never more of them to look up.
    void listEmptied(const QList<office::RangeAddress>& refused)
    {
        QSet<std::pair<int, quint64>> stayed;
        for (const office::RangeAddress& r : refused)
            for (int row = r.startRow; row <= r.endRow; ++row)
                for (int column = r.startColumn; column <= r.endColumn; ++column)
                    stayed.insert({r.sheet, Dependencies::cellKey(column, row)});
        for (EmptiedCell& cell : m_pending)
            if (!stayed.contains({cell.cell.sheet, Dependencies::cellKey(cell.cell.column, cell.cell.row)}))
                *m_list << std::move(cell);
    }

    StepGuard& step;
    office::Document& document;
    FileResult& m_result;
    FileResult* m_listed;
    QList<EmptiedCell>* m_list;
    QList<EmptiedCell> m_pending;
    QList<office::RangeAddress> m_ranges, m_alone;
    int m_deleteStep = EntireSheetVisit + Delete;
};

// Visits the chosen cells of one sheet in order, judging each by what it shows
// at its turn.
void scanSheet(StepGuard& step, office::Document& document, int sheetIndex, const JobSettings& settings,
               SeenTexts& seenTexts, Emptier& emptier)
{
    bool entireSheet = false, singleRow = false, singleColumn = false;
    std::optional<int> row, column;
    step(130, [&] { entireSheet = settings.isSelected(Scope::EntireSheet); });
    const bool rowScope
        = !entireSheet && step(162, [&] { singleRow = settings.isSelected(Scope::SingleRow); }) && singleRow;
    const bool columnScope = !entireSheet && !rowScope
        && step(196, [&] { singleColumn = settings.isSelected(Scope::SingleColumn); }) && singleColumn;
    office::RangeAddress area{sheetIndex, 0, 0, office::AnyColumn, office::AnyRow};
    int base = EntireSheetVisit;
    if (rowScope) {
        base = SingleRowVisit;
        if (!step(166, [&] { row = chosenRow(settings.rowText()); }) || !row)
            return;
        area.startRow = area.endRow = *row;
    } else if (columnScope) {
        base = SingleColumnVisit;
        if (!step(202, [&] { column = chosenColumn(settings.columnText()); }) || !column)
            return;
        area.startColumn = area.endColumn = *column;
    } else if (!entireSheet) {
        return;
    }

    Dependencies dependencies;
    bool formulasRead = false;
    // Whether the formula may show something else than when it was read.
    auto readFormulas = [&] {
        if (formulasRead)
            return;
        formulasRead = true;
        QHash<quint64, QString> texts;
        step(base + ReadString, [&] {
            for (const office::FormulaText& f : document.formulas(sheetIndex))
                texts.insert(Dependencies::cellKey(f.column, f.row), f.text);
        });
        dependencies.setFormulas(std::move(texts));
    };
    auto mayHaveChanged = [&](const office::ShownCell& cell) {
        if (!emptier.emptiedAny)
            return false;
        readFormulas();
        return dependencies.mayHaveChanged(cell.column, cell.row);
    };
    // A cell of an array formula can be emptied only with the whole array, so
    // it goes on its own, as it would at its turn.
    auto inArray = [&](const office::ShownCell& cell) {
        if (!cell.formula)
            return false;
        readFormulas();
        const QString formula = dependencies.formula(cell.column, cell.row);
        return formula.isEmpty() || formula.startsWith('{');
    };
    // Emptying is put off until a formula to be read may depend on it.
    auto flushFor = [&](const office::ShownCell& cell) {
        if (emptier.hasPending() && (!cell.formula || dependencies.mayHaveChanged(cell.column, cell.row, true))) {
            emptier.flush();
            dependencies.flushed();
        }
    };
    qint64 visited = 0;
    QElapsedTimer sinceEvents;
    sinceEvents.start();
    auto visit = [&](const office::ShownCell& cell) {
        // The window stays alive on a sheet of millions of cells.
        if (++visited % 64 == 0 && sinceEvents.elapsed() >= 50) {
            step.host().letEventsIn();
            sinceEvents.restart();
        }
        if (step.host().quitting())
            throw Quitting();
        QString text = cell.text;
        // A formula may show something else once cells before it are emptied.
        if (!cell.known || (cell.formula && mayHaveChanged(cell))) {
            flushFor(cell);
            if (step.stopped()
                || !step(base + ReadString, [&] { text = document.shownText(sheetIndex, cell.column, cell.row); }))
                return; // without the cell's own text there is nothing sound to compare
        }
        if (const std::optional<CellPlace> first = repeatOf(seenTexts, text, {sheetIndex, cell.column, cell.row})) {
            emptier.add(sheetIndex, cell.column, cell.row, inArray(cell), base + Delete, text, *first);
            dependencies.emptied(cell.column, cell.row);
        }
    };
    step(base + ReadString, [&] { document.readCells(sheetIndex, area, visit); });
}

} // namespace

} // namespace Calc1

std::optional<Calc1::CellPlace> SeenTexts::firstOrAdd(const QString& text, const Calc1::CellPlace& here)
{
    // The seed is the process's own, so a document cannot be made of texts
    // that all fall into one bucket.
    const qsizetype before = m_first.size();
    Calc1::CellPlace& first = m_first[Key{text, qHash(text, QHashSeed::globalSeed())}];
    if (m_first.size() == before)
        return first;
    first = here;
    return std::nullopt;
}

namespace Calc1 {

FileResult DoItByFile(const QString& path, SeenTexts& seenTexts, const Context& context)
{
    FileResult did;
    Host& host = context.host;
    StepGuard step(host, ErrorReport::location("Calc1", "DoItByFile"));
    step.stopOn<office::Gone>(); // the office's objects are all lost with it
    const JobSettings& settings = context.settings;
    std::optional<BusyWhile> busy;
    std::shared_ptr<office::ServiceManager> serviceManager;
    std::shared_ptr<office::Desktop> desktop;
    std::shared_ptr<office::Document> document;
    std::shared_ptr<office::DispatchHelper> dispatcher;
    std::shared_ptr<office::Controller> controller;
    std::shared_ptr<office::Frame> frame;

    step(100, [&] { busy.emplace(host); });
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
        step(112, [&] { FileUtils::Wait(context.loadWaitSeconds, host); });

    int sheetCount = 0;
    const bool counted = editable && step(114, [&] { sheetCount = document->sheetCount(); });
    if (counted) {
        Emptier emptier(step, *document, did, context.listEmptied, context.listCells);
        for (int i = 0; i < sheetCount && !step.stopped(); ++i) {
            if (context.listEmptied)
                did.sheetNames << sheetName(*document, i);
            scanSheet(step, *document, i, settings, seenTexts, emptier);
            host.letEventsIn();
            if (host.quitting())
                step.stop(); // nothing more of this file is done or stored
        }
        emptier.flush();
        if (!step.stopped())
            emptier.reportKept();
    }

    ResultPaths result;
    const bool stored
        = counted && context.store && step(236, [&] { result = ResultPathsFor(settings.resultsFolder(), path); })
        && step(242, [&] {
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
                document->close(false);
            } catch (const office::Gone& e) {
                // A lost office at this point takes nothing from a stored result.
                throw office::Error(e.what());
            }
        });
    if (stored)
        did.done = step(245, [&] {
            host.letEventsIn();
            FileUtils::ReplaceFile(result.temporary, result.final);
        });
    step(250, [&] {
        frame.reset();
        controller.reset();
        document.reset();
    });
    step(252, [&] { busy.reset(); });
    return did;
}

} // namespace Calc1

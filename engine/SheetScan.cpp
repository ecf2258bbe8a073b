#include "SheetScan.h"

#include "ChangeTracker.h"
#include "FormulaGraph.h"
#include "GuessAndCheck.h"
#include "Paths.h"

#include <QElapsedTimer>

#include <algorithm>
#include <cmath>

namespace Calc1 {

namespace {

// Step numbers within the visit of a cell, counted from the scope's first.
constexpr int ReadString = 2, Delete = 20;
constexpr int EntireSheetVisit = 136, SingleRowVisit = 170, SingleColumnVisit = 204;

// A sheet's cells from its first formula on are held for the rounds up to
// this many; a sheet of more goes the exact way, its memory bounded.
constexpr qsizetype MaxHeldCells = 500'000;
// The cells before the first formula (a table's headings) are held with it
// when it comes within this many: emptied in the rounds' first emptying, the
// formulas reading them need no reading of their own.
constexpr qsizetype MaxHeldBefore = 1'000;

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

// Where the text was first met when the cell repeats it; an empty text is
// never counted, and the first of each text stays.
std::optional<CellPlace> repeatOf(SeenTexts& seen, const QString& text, const CellPlace& here)
{
    if (text.isEmpty())
        return std::nullopt;
    return seen.firstOrAdd(text, here);
}

// The exact way: each cell judged at its turn; a formula that may show
// something else once cells before it were emptied is read on its own,
// after those cells are.
class OneByOne {
public:
    OneByOne(StepGuard& step, office::Document& document, int sheet, int base, SeenTexts& seen, Emptier& emptier,
             SheetReading& reading)
        : step(step), document(document), sheet(sheet), base(base), seen(seen), emptier(emptier), reading(reading),
          m_emptiedSinceRead(emptier.emptiedAny)
    {
    }

    void visit(const office::ShownCell& cell)
    {
        QString text = cell.text;
        if (wouldReadAgain(cell)) {
            flushFor(cell);
            if (step.stopped()
                || !step(base + ReadString, [&] { text = document.shownText(sheet, cell.column, cell.row); }))
                return; // without the cell's own text there is nothing sound to compare
            ++reading.singleReads;
        }
        if (cell.formula && showsUnserved(text)) {
            emptier.unserved({sheet, cell.column, cell.row}, base + ReadString);
            return;
        }
        if (const std::optional<CellPlace> first = repeatOf(seen, text, {sheet, cell.column, cell.row}))
            leave(cell.column, cell.row, inArray(cell.column, cell.row, cell.formula), text, *first);
    }

    // Whether the exact way would read the cell again, were it at its turn
    // now: a formula may show something else once cells before it are emptied.
    bool wouldReadAgain(const office::ShownCell& cell) { return !cell.known || (cell.formula && mayHaveChanged(cell)); }

    // A cell emptied, or left to the emptier, by other means.
    void emptiedElsewhere(int column, int row)
    {
        m_emptiedSinceRead = true;
        m_changes.emptied(column, row);
    }

    // The sheet's formulas as written, by cell key; nothing when there are too many.
    const std::optional<QHash<formulas::CellKey, QString>>& formulas()
    {
        if (!m_formulasRead) {
            m_formulasRead = true;
            step(base + ReadString, [&] {
                if (const auto listed = document.formulas(sheet)) {
                    QHash<formulas::CellKey, QString> texts;
                    for (const office::FormulaText& f : *listed)
                        texts.insert(formulas::key(f.column, f.row), f.text);
                    m_formulas = std::move(texts);
                }
            });
            m_changes.setFormulas(m_formulas.value_or(QHash<formulas::CellKey, QString>()));
        }
        return m_formulas;
    }

    // A cell of an array formula can be emptied only with the whole array, so
    // it goes on its own, as it would at its turn.
    bool inArray(int column, int row, bool formula)
    {
        if (!formula)
            return false;
        formulas();
        const QString f = m_changes.formula(column, row);
        return f.isEmpty() || f.startsWith('{');
    }

private:
    void leave(int column, int row, bool alone, const QString& text, const CellPlace& first)
    {
        emptier.add(sheet, column, row, alone, base + Delete, text, first);
        m_emptiedSinceRead = true;
        m_changes.emptied(column, row);
    }

    // Whether the formula may show something else than when it was read.
    bool mayHaveChanged(const office::ShownCell& cell)
    {
        if (!m_emptiedSinceRead)
            return false;
        formulas();
        return m_changes.mayHaveChanged(cell.column, cell.row);
    }

    // Emptying is put off until a formula to be read may depend on it.
    void flushFor(const office::ShownCell& cell)
    {
        if (emptier.hasPending() && (!cell.formula || m_changes.mayHaveChanged(cell.column, cell.row, true))) {
            emptier.flush();
            m_changes.flushed();
        }
    }

    StepGuard& step;
    office::Document& document;
    const int sheet, base;
    SeenTexts& seen;
    Emptier& emptier;
    SheetReading& reading;
    bool m_emptiedSinceRead;
    formulas::ChangeTracker m_changes;
    bool m_formulasRead = false;
    std::optional<QHash<formulas::CellKey, QString>> m_formulas;
};

} // namespace

QString Workbook::name(int sheet)
{
    if (!m_names) {
        QStringList names;
        try {
            for (int i = 0, count = m_document.sheetCount(); i < count; ++i)
                names << m_document.sheetName(i);
        } catch (const office::Gone&) {
            throw; // the office's death ends the file, it is no unsure answer
        } catch (const office::Error&) {
            names.clear();
        }
        m_names = names;
    }
    return m_names->value(sheet);
}

int Workbook::rangeKind(int from, const QString& sheet, const formulas::Range& range)
{
    name(0);
    const int index = int(m_names->indexOf(sheet));
    if (index < 0 || sheet.isEmpty())
        return -1;
    if (index == from)
        return 0;
    auto it = m_formulaRows.find(index);
    if (it == m_formulaRows.end()) {
        std::optional<QHash<int, QList<int>>> rows;
        try {
            if (const auto listed = m_document.formulas(index)) {
                rows.emplace();
                for (const office::FormulaText& f : *listed)
                    (*rows)[f.column] << f.row;
            }
        } catch (const office::Gone&) {
            throw;
        } catch (const office::Error&) {
        }
        it = m_formulaRows.insert(index, rows);
    }
    if (!*it)
        return -1;
    for (auto c = (*it)->cbegin(); c != (*it)->cend(); ++c)
        if (c.key() >= range.startColumn && c.key() <= range.endColumn)
            for (int row : *c)
                if (row >= range.startRow && row <= range.endRow)
                    return -1;
    return 1;
}

namespace {

// Where a sheet's visit looks, as the settings and the options choose.
struct SheetScope {
    office::RangeAddress area;
    int base = EntireSheetVisit;
    bool byRow = false;
    QList<Span> lines; ///< several rows (columns): the area is the box around them

    bool has(const office::ShownCell& cell) const
    {
        const int at = byRow ? cell.row : cell.column;
        return lines.size() < 2
            || std::any_of(lines.cbegin(), lines.cend(), [&](Span s) { return at >= s.first && at <= s.last; });
    }
};

std::optional<SheetScope> scopeOf(StepGuard& step, int sheetIndex, const JobSettings& settings, const FileOptions& options)
{
    bool entireSheet = false, singleRow = false, singleColumn = false;
    std::optional<int> row, column;
    step(130, [&] { entireSheet = settings.isSelected(Scope::EntireSheet); });
    const bool rowScope
        = !entireSheet && step(162, [&] { singleRow = settings.isSelected(Scope::SingleRow); }) && singleRow;
    const bool columnScope = !entireSheet && !rowScope
        && step(196, [&] { singleColumn = settings.isSelected(Scope::SingleColumn); }) && singleColumn;
    SheetScope scope{.area = {sheetIndex, 0, 0, office::AnyColumn, office::AnyRow}, .byRow = rowScope, .lines = {}};
    if (rowScope) {
        scope.base = SingleRowVisit;
        if (!step(166, [&] { row = chosenRow(settings.rowText()); }) || !row)
            return std::nullopt;
        scope.area.startRow = scope.area.endRow = *row;
        scope.lines = options.rows;
    } else if (columnScope) {
        scope.base = SingleColumnVisit;
        if (!step(202, [&] { column = chosenColumn(settings.columnText()); }) || !column)
            return std::nullopt;
        scope.area.startColumn = scope.area.endColumn = *column;
        scope.lines = options.columns;
    } else if (!entireSheet) {
        return std::nullopt;
    }
    if (!scope.lines.isEmpty()) {
        int& first = rowScope ? scope.area.startRow : scope.area.startColumn;
        int& last = rowScope ? scope.area.endRow : scope.area.endColumn;
        const auto& l = scope.lines;
        first = std::min_element(l.cbegin(), l.cend(), [](Span a, Span b) { return a.first < b.first; })->first;
        last = std::max_element(l.cbegin(), l.cend(), [](Span a, Span b) { return a.last < b.last; })->last;
    }
    scope.area.startRow = std::max(scope.area.startRow, options.skipRows);
    if (scope.area.startRow > scope.area.endRow)
        return std::nullopt;
    return scope;
}

// The cells as the office hands them out: from the first formula on they are
// held for the rounds; before it, each is judged as it comes, unless it comes
// soon. A sheet of too many goes the exact way, its memory bounded.
class Visit {
public:
    Visit(StepGuard& step, const SheetScope& scope, OneByOne& exact) : m_step(step), m_scope(scope), m_exact(exact)
    {
        m_sinceEvents.start();
    }

    // False once the window closed: no more cells are wanted.
    bool take(const office::ShownCell& cell)
    {
        if (!alive())
            return false;
        if (!m_scope.has(cell))
            return true;
        if (!held && m_mayHold && cell.formula)
            held.emplace(std::exchange(m_before, {}));
        if (held && held->size() >= MaxHeldCells) {
            for (const office::ShownCell& h : std::as_const(*held))
                m_exact.visit(h);
            held.reset();
            m_mayHold = false;
        }
        if (held)
            held->append(cell);
        else if (m_mayHold && m_holdBefore)
            holdBefore(cell);
        else
            m_exact.visit(cell);
        return true;
    }

    // The cells held before a formula that never came.
    void finish()
    {
        for (qsizetype i = 0; i < m_before.size() && !m_step.stopped() && alive(); ++i)
            m_exact.visit(m_before[i]);
        m_before.clear();
    }

    // The window stays alive on a sheet of millions of cells.
    bool alive()
    {
        if (++m_visited % 64 == 0 && m_sinceEvents.elapsed() >= 50) {
            m_step.host().letEventsIn();
            m_sinceEvents.restart();
        }
        return !m_step.host().quitting();
    }

    std::optional<QList<office::ShownCell>> held;

private:
    void holdBefore(const office::ShownCell& cell)
    {
        m_before << cell;
        if (m_before.size() < MaxHeldBefore)
            return;
        finish();
        m_holdBefore = false;
    }

    StepGuard& m_step;
    const SheetScope& m_scope;
    OneByOne& m_exact;
    QList<office::ShownCell> m_before;
    bool m_holdBefore = true, m_mayHold = true;
    qint64 m_visited = 0;
    QElapsedTimer m_sinceEvents;
};

// Everything decided so far is emptied, so that what the held cells show now
// is what they show at their turn as far as the cells before them go. Cells
// the bulk reading could not tell are read now; formulas whose cells may have
// been emptied since the sheet was read are marked stale, for the rounds.
bool readHeld(StepGuard& step, office::Document& document, int sheetIndex, int readStep, OneByOne& exact,
              Emptier& emptier, SheetReading& reading, QList<office::ShownCell>& cells, QList<bool>& stale)
{
    QList<qsizetype> which;
    QList<office::CellAt> at;
    stale = QList<bool>(cells.size(), false);
    for (qsizetype i = 0; i < cells.size(); ++i) {
        stale[i] = exact.wouldReadAgain(cells[i]);
        if (!cells[i].known) {
            which << i;
            at << office::CellAt{cells[i].column, cells[i].row};
        }
    }
    emptier.flush();
    if (at.isEmpty())
        return true;
    QStringList texts;
    if (!step(readStep, [&] { texts = document.shownTexts(sheetIndex, at); }) || texts.size() != at.size())
        return false;
    for (qsizetype k = 0; k < which.size(); ++k) {
        cells[which[k]].text = texts[k];
        cells[which[k]].known = true;
        stale[which[k]] = false;
    }
    ++reading.bulkReads;
    reading.cellsReadAgain += at.size();
    return true;
}

} // namespace

void scanSheet(StepGuard& step, office::Document& document, int sheetIndex, const JobSettings& settings,
               const FileOptions& options, SeenTexts& seenTexts, Emptier& emptier, Workbook& book,
               SheetReading& reading)
{
    reading.sheet = sheetIndex;
    const std::optional<SheetScope> scope = scopeOf(step, sheetIndex, settings, options);
    if (!scope)
        return;
    const int base = scope->base;
    OneByOne exact(step, document, sheetIndex, base, seenTexts, emptier, reading);
    Visit visit(step, *scope, exact);
    step(base + ReadString,
         [&] { document.readCells(sheetIndex, scope->area, [&](const office::ShownCell& c) { return visit.take(c); }); });
    if (step.host().quitting()) {
        step.stop(); // the window closed: the file is left as it is
        return;
    }
    visit.finish();
    reading.way = reading.singleReads > 0 ? "one by one" : "in bulk";
    if (!visit.held || visit.held->isEmpty() || step.stopped())
        return;

    QList<office::ShownCell> cells = std::move(*visit.held);
    const std::optional<QHash<formulas::CellKey, QString>>& formulas = exact.formulas();
    QList<bool> stale;
    const bool read = readHeld(step, document, sheetIndex, base + ReadString, exact, emptier, reading, cells, stale);
    qsizetype done = 0;
    std::optional<FormulaGraph> graph;
    // What the formulas read of other sheets is asked of the office.
    const auto makeGraph = [&] {
        QHash<formulas::CellKey, int> positions;
        positions.reserve(cells.size());
        for (qsizetype i = 0; i < cells.size(); ++i)
            positions.insert(formulas::key(cells[i].column, cells[i].row), int(i));
        graph.emplace(*formulas, positions, [&](const QString& sheet, const formulas::Range& range) {
            return book.rangeKind(sheetIndex, sheet, range);
        });
    };
    if (formulas && read && step(base + ReadString, makeGraph)) {
        GuessAndCheck rounds({step, document, sheetIndex, base + ReadString, base + Delete, seenTexts, emptier, reading,
                              [&](int c, int r) { return exact.inArray(c, r, true); }},
                             cells, stale, *graph);
        done = rounds.run([&](int c, int r) { exact.emptiedElsewhere(c, r); });
    } else {
        reading.way = "one by one";
    }
    for (qsizetype i = done; i < cells.size() && !step.stopped() && visit.alive(); ++i)
        exact.visit(cells[i]);
}

} // namespace Calc1

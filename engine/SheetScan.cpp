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

// The window closed while a file was being processed: the file is left as it is.
class Quitting : public Abandon { };

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
        // A formula may show something else once cells before it are emptied.
        if (!cell.known || (cell.formula && mayHaveChanged(cell))) {
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

    // Whether the exact way would read the cell again, were it at its turn now.
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

bool showsUnserved(const QString& text)
{
    // The office's own error for content it was told not to fetch.
    return text == QLatin1String("Err:540");
}

std::optional<CellPlace> repeatOf(SeenTexts& seen, const QString& text, const CellPlace& here)
{
    if (text.isEmpty())
        return std::nullopt;
    return seen.firstOrAdd(text, here);
}

QString Workbook::name(int sheet)
{
    if (!m_names) {
        QStringList names;
        try {
            for (int i = 0, count = m_document.sheetCount(); i < count; ++i)
                names << m_document.sheetName(i);
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

void scanSheet(StepGuard& step, office::Document& document, int sheetIndex, const JobSettings& settings,
               const FileOptions& options, SeenTexts& seenTexts, Emptier& emptier, Workbook& book,
               SheetReading& reading)
{
    reading.sheet = sheetIndex;
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
    // Several rows or columns: the box around them, less what lies between.
    const QList<Span>& lines = rowScope ? options.rows : columnScope ? options.columns : QList<Span>();
    if (!lines.isEmpty()) {
        int& first = rowScope ? area.startRow : area.startColumn;
        int& last = rowScope ? area.endRow : area.endColumn;
        first = std::min_element(lines.cbegin(), lines.cend(), [](Span a, Span b) { return a.first < b.first; })->first;
        last = std::max_element(lines.cbegin(), lines.cend(), [](Span a, Span b) { return a.last < b.last; })->last;
    }
    area.startRow = std::max(area.startRow, options.skipRows);
    if (area.startRow > area.endRow)
        return;
    auto inScope = [&](const office::ShownCell& cell) {
        const int at = rowScope ? cell.row : cell.column;
        return lines.size() < 2
            || std::any_of(lines.cbegin(), lines.cend(), [&](Span s) { return at >= s.first && at <= s.last; });
    };

    OneByOne exact(step, document, sheetIndex, base, seenTexts, emptier, reading);
    // From the first formula on, cells are held for the rounds; before it,
    // each is judged as it comes, unless it comes soon.
    std::optional<QList<office::ShownCell>> held;
    QList<office::ShownCell> before;
    bool holdBefore = true;
    bool mayHold = true;
    qint64 visited = 0;
    QElapsedTimer sinceEvents;
    sinceEvents.start();
    // The window stays alive on a sheet of millions of cells.
    auto keepAlive = [&] {
        if (++visited % 64 == 0 && sinceEvents.elapsed() >= 50) {
            step.host().letEventsIn();
            sinceEvents.restart();
        }
        return !step.host().quitting();
    };
    auto visit = [&](const office::ShownCell& cell) {
        if (!keepAlive())
            throw Quitting();
        if (!inScope(cell))
            return;
        if (!held && mayHold && cell.formula)
            held.emplace(std::exchange(before, {}));
        if (!held && mayHold && holdBefore) {
            before << cell;
            if (before.size() < MaxHeldBefore)
                return;
            for (const office::ShownCell& b : std::as_const(before))
                exact.visit(b);
            before.clear();
            holdBefore = false;
            return;
        }
        if (held) {
            if (held->size() < MaxHeldCells) {
                held->append(cell);
                return;
            }
            // Too many to hold: what is held goes the exact way, and the rest.
            for (const office::ShownCell& h : std::as_const(*held))
                exact.visit(h);
            held.reset();
            mayHold = false;
        }
        exact.visit(cell);
    };
    step(base + ReadString, [&] { document.readCells(sheetIndex, area, visit); });
    for (qsizetype i = 0; i < before.size() && !step.stopped() && keepAlive(); ++i)
        exact.visit(before[i]);
    reading.way = reading.singleReads > 0 ? "one by one" : "in bulk";
    if (!held || held->isEmpty() || step.stopped())
        return;

    QList<office::ShownCell> cells = std::move(*held);
    const std::optional<QHash<formulas::CellKey, QString>>& formulas = exact.formulas();
    // Everything decided so far is emptied, so that what the cells show now
    // is what they show at their turn as far as the cells before them go.
    // Cells the bulk reading could not tell are read now; formulas whose
    // cells may have been emptied since the sheet was read, in the rounds.
    QList<qsizetype> which;
    QList<office::CellAt> at;
    QList<bool> stale(cells.size(), false);
    for (qsizetype i = 0; i < cells.size(); ++i) {
        stale[i] = exact.wouldReadAgain(cells[i]);
        if (!cells[i].known) {
            which << i;
            at << office::CellAt{cells[i].column, cells[i].row};
        }
    }
    emptier.flush();
    QStringList texts;
    const bool read = at.isEmpty()
        || (step(base + ReadString, [&] { texts = document.shownTexts(sheetIndex, at); }) && texts.size() == at.size());
    if (read) {
        for (qsizetype k = 0; k < which.size(); ++k) {
            cells[which[k]].text = texts[k];
            cells[which[k]].known = true;
            stale[which[k]] = false;
        }
        if (!at.isEmpty()) {
            ++reading.bulkReads;
            reading.cellsReadAgain += at.size();
        }
    }
    qsizetype done = 0;
    if (formulas && read && !step.stopped()) {
        QHash<quint64, int> positions;
        positions.reserve(cells.size());
        for (qsizetype i = 0; i < cells.size(); ++i)
            positions.insert(formulas::key(cells[i].column, cells[i].row), int(i));
        FormulaGraph graph(*formulas, positions, [&](const QString& sheet, const formulas::Range& range) {
            return book.rangeKind(sheetIndex, sheet, range);
        });
        GuessAndCheck rounds({step, document, sheetIndex, base + ReadString, base + Delete, seenTexts, emptier, reading,
                              [&](int c, int r) { return exact.inArray(c, r, true); }},
                             cells, stale, graph);
        done = rounds.run([&](int c, int r) { exact.emptiedElsewhere(c, r); });
    } else {
        reading.way = "one by one";
    }
    for (qsizetype i = done; i < cells.size() && !step.stopped() && keepAlive(); ++i)
        exact.visit(cells[i]);
}

} // namespace Calc1

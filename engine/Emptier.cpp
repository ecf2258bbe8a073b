#include "Emptier.h"

#include "ChangeTracker.h"

#include <QHash>
#include <QSet>

#include <tuple>
#include <utility>

namespace Calc1 {

namespace {

qint64 cellsOf(const office::RangeAddress& r)
{
    return qint64(r.endColumn - r.startColumn + 1) * (r.endRow - r.startRow + 1);
}

// Bounds the memory a sheet of millions of repeats takes.
constexpr qsizetype MaxPendingRanges = 50000;

} // namespace

void Ranges::add(int sheet, int column, int row)
{
    if (!m_runs.isEmpty() && m_runs.last().sheet == sheet && m_runs.last().startRow == row
        && m_runs.last().endRow == row && m_runs.last().endColumn + 1 == column)
        m_runs.last().endColumn = column;
    else if (!m_runs.isEmpty() && m_runs.last().sheet == sheet && m_runs.last().startColumn == column
             && m_runs.last().endColumn == column && m_runs.last().endRow + 1 == row)
        m_runs.last().endRow = row;
    else
        m_runs << office::RangeAddress{sheet, column, row, column, row};
}

QList<office::RangeAddress> Ranges::take()
{
    QList<office::RangeAddress> out;
    QHash<quint64, qsizetype> open; // (sheet, first, last column) -> its rectangle
    for (const office::RangeAddress& r : std::exchange(m_runs, {})) {
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

Emptier::Emptier(StepGuard& step, office::Document& document, FileResult& result, bool keptInResult, bool listCells)
    : step(step), document(document), m_result(result), m_listed(keptInResult ? &result : nullptr),
      m_list(keptInResult && listCells ? &result.emptied : nullptr)
{
}

void Emptier::add(int sheet, int column, int row, bool alone, int deleteStep, const QString& text,
                  const CellPlace& first)
{
    m_deleteStep = deleteStep;
    emptiedAny = true;
    if (m_list)
        m_pending << EmptiedCell{{sheet, column, row}, text, first};
    if (alone)
        m_alone << office::RangeAddress{sheet, column, row, column, row};
    else
        m_ranges.add(sheet, column, row);
    if (m_ranges.size() + m_alone.size() >= MaxPendingRanges)
        flush();
}

void Emptier::flush()
{
    if (m_ranges.isEmpty() && m_alone.isEmpty())
        return;
    QList<office::RangeAddress> refused;
    const QList<office::RangeAddress> ranges = m_ranges.take();
    const QList<office::RangeAddress> alone = std::exchange(m_alone, {});
    const bool emptied = step(m_deleteStep, [&] { refused = document.emptyRanges(ranges, alone); });
    if (emptied)
        for (const office::RangeAddress& r : ranges + alone)
            m_result.emptiedCount += cellsOf(r);
    for (const office::RangeAddress& r : std::as_const(refused)) {
        kept(r);
        m_result.emptiedCount -= cellsOf(r);
    }
    if (m_list && emptied)
        listEmptied(refused);
    m_pending.clear();
}

void Emptier::emptiedElsewhere(int sheet, int column, int row, const QString& text, const CellPlace& first)
{
    emptiedAny = true;
    ++m_result.emptiedCount;
    if (m_list)
        *m_list << EmptiedCell{{sheet, column, row}, text, first};
}

void Emptier::keptElsewhere(const office::RangeAddress& cell, int deleteStep)
{
    m_deleteStep = deleteStep;
    kept(cell);
}

void Emptier::kept(const office::RangeAddress& r)
{
    m_kept += cellsOf(r);
    if (!m_firstKept
        || std::tuple(r.sheet, r.startRow, r.startColumn)
            < std::tuple(m_firstKept->sheet, m_firstKept->startRow, m_firstKept->startColumn))
        m_firstKept = r;
}

void Emptier::unserved(const CellPlace& cell, int readStep)
{
    if (m_unserved++ == 0) {
        m_firstUnserved = cell;
        m_readStep = readStep;
    }
}

void Emptier::reportLeft()
{
    if (m_unserved > 0) {
        if (m_listed) {
            m_listed->unserved = m_unserved;
            m_listed->firstUnserved = m_firstUnserved;
        } else {
            QString sheet;
            if (!step(m_readStep, [&] { sheet = sheetName(document, m_firstUnserved->sheet); }))
                return;
            step.report(m_readStep, unservedFormulas(m_unserved) + "; the first is " + sheet + '.'
                                        + cellName(m_firstUnserved->column, m_firstUnserved->row));
        }
    }
    if (m_kept == 0)
        return;
    if (m_listed) {
        m_listed->kept = m_kept;
        m_listed->firstKept = CellPlace{m_firstKept->sheet, m_firstKept->startColumn, m_firstKept->startRow};
        return;
    }
    QString sheet;
    if (step(m_deleteStep, [&] { sheet = sheetName(document, m_firstKept->sheet); }))
        step.report(m_deleteStep, keptRepeats(m_kept) + "; the first is " + sheet + '.'
                        + cellName(m_firstKept->startColumn, m_firstKept->startRow));
}

// The cells given to the office that it did not refuse. The refused lie
// within those given, so there are never more of them to look up.
void Emptier::listEmptied(const QList<office::RangeAddress>& refused)
{
    QSet<std::pair<int, quint64>> stayed;
    for (const office::RangeAddress& r : refused)
        for (int row = r.startRow; row <= r.endRow; ++row)
            for (int column = r.startColumn; column <= r.endColumn; ++column)
                stayed.insert({r.sheet, formulas::key(column, row)});
    for (EmptiedCell& cell : m_pending)
        if (!stayed.contains({cell.cell.sheet, formulas::key(cell.cell.column, cell.cell.row)}))
            *m_list << std::move(cell);
}

} // namespace Calc1

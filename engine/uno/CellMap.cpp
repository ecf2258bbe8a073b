#include "CellMap.h"

#include "CsvText.h"


#include <algorithm>

CellMap::CellMap(QList<office::RangeAddress> ranges) : m_ranges(std::move(ranges))
{
    std::sort(m_ranges.begin(), m_ranges.end(), [](const office::RangeAddress& a, const office::RangeAddress& b) {
        return std::pair(a.startRow, a.startColumn) < std::pair(b.startRow, b.startColumn);
    });
    for (const office::RangeAddress& r : std::as_const(m_ranges)) {
        m_firstRow = std::min(m_firstRow, r.startRow);
        m_firstColumn = std::min(m_firstColumn, r.startColumn);
        m_lastRow = std::max(m_lastRow, r.endRow);
        m_lastColumn = std::max(m_lastColumn, r.endColumn);
    }
}

qint64 CellMap::cellsIn(const office::RangeAddress& area) const
{
    qint64 cells = 0;
    for (const office::RangeAddress& r : m_ranges) {
        const qint64 columns = std::min(r.endColumn, area.endColumn) - std::max(r.startColumn, area.startColumn) + 1;
        const qint64 rows = std::min(r.endRow, area.endRow) - std::max(r.startRow, area.startRow) + 1;
        if (columns > 0 && rows > 0)
            cells += columns * rows;
    }
    return cells;
}

const QList<std::pair<int, int>>& CellMap::Rows::at(int row)
{
    m_cursor = 0;
    if (row == m_row)
        return m_intervals;
    m_row = row;
    bool changed = false;
    changed |= m_active.removeIf([&](const office::RangeAddress& r) { return r.endRow < row; }) > 0;
    for (; m_next < m_map.m_ranges.size() && m_map.m_ranges[m_next].startRow <= row; ++m_next)
        if (m_map.m_ranges[m_next].endRow >= row) {
            m_active << m_map.m_ranges[m_next];
            changed = true;
        }
    if (changed) {
        std::sort(m_active.begin(), m_active.end(), [](const office::RangeAddress& a, const office::RangeAddress& b) {
            return a.startColumn < b.startColumn;
        });
        m_intervals.clear();
        for (const office::RangeAddress& r : std::as_const(m_active))
            m_intervals << std::pair(r.startColumn, r.endColumn);
    }
    return m_intervals;
}

bool CellMap::Rows::has(int column)
{
    while (m_cursor < m_intervals.size() && m_intervals[m_cursor].second < column)
        ++m_cursor;
    return m_cursor < m_intervals.size() && m_intervals[m_cursor].first <= column;
}

int CellMap::Rows::nextRow(int row) const
{
    for (const office::RangeAddress& r : m_active)
        if (r.endRow >= row)
            return row;
    return m_next < m_map.m_ranges.size() ? std::max(row, m_map.m_ranges[m_next].startRow) : -1;
}

void CellMap::each(const office::RangeAddress& area, const CellMap& formulas,
                   const std::function<void(int column, int row, bool formula)>& cell) const
{
    Rows rows(*this), formulaRows(formulas);
    for (int row = rows.nextRow(area.startRow); row >= 0 && row <= area.endRow; row = rows.nextRow(row + 1)) {
        formulaRows.at(row);
        for (const auto& [first, last] : rows.at(row))
            for (int column = std::max(first, area.startColumn); column <= std::min(last, area.endColumn); ++column)
                cell(column, row, formulaRows.has(column));
    }
}

// The cells of a sheet of a usual size are held until the text's shape is
// known, so it is read once; a huge sheet's text is read twice rather than held.
static constexpr qsizetype HeldCells = 100000;

bool CellMap::eachInText(const QString& path, const office::RangeAddress& area, const CellMap& formulas,
                         bool hidesCells, const std::function<void(const office::ShownCell&)>& cell) const
{
    QList<office::ShownCell> held;
    bool tooMany = false;
    if (!readText(path, area, formulas, hidesCells, [&](office::ShownCell&& shown) {
            if (held.size() < HeldCells)
                held << std::move(shown);
            else
                tooMany = true;
        }))
        return false;
    if (tooMany)
        return readText(path, area, formulas, hidesCells, [&](office::ShownCell&& shown) { cell(shown); });
    for (const office::ShownCell& shown : std::as_const(held))
        cell(shown);
    return true;
}

// The sheet's text read against its cells: whether it has their shape and
// shows nothing where they are not.
bool CellMap::readText(const QString& path, const office::RangeAddress& area, const CellMap& formulas,
                       bool hidesCells, const std::function<void(office::ShownCell&&)>& cell) const
{
    Rows rows(*this), formulaRows(formulas);
    bool fits = true;
    int current = -1;
    const bool shaped = CsvText::readShaped(path, {m_lastRow + 1, m_lastColumn + 1},
                                        [&](int column, int row, QString&& text, bool quoted) {
                                            if (row != current) {
                                                rows.at(row);
                                                formulaRows.at(row);
                                                current = row;
                                            }
                                            const bool shows = quoted || !text.isEmpty();
                                            const bool known = shownInText(hidesCells, text, quoted);
                                            if (!rows.has(column))
                                                fits = fits && !shows;
                                            else if (fits && row >= area.startRow && row <= area.endRow && column >= area.startColumn
                                                     && column <= area.endColumn)
                                                cell(office::ShownCell{column, row, std::move(text), known,
                                                                       formulaRows.has(column)});
                                        });
    return shaped && fits;
}


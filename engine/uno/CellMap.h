#pragma once
// Where a sheet's cells with content are, as the office reports them (a set of
// rectangles), walked row by row from the top and left to right, as the
// engine visits them.

#include "Office.h"

#include <QList>
#include <QString>

#include <functional>
#include <utility>

class CellMap {
public:
    explicit CellMap(QList<office::RangeAddress> ranges);

    bool isEmpty() const { return m_ranges.isEmpty(); }
    /// The box around its cells; of an empty map, one that ends before it begins.
    office::RangeAddress box(int sheet) const { return {sheet, m_firstColumn, m_firstRow, m_lastColumn, m_lastRow}; }
    /// The cells from the first row and column to its last ones; 0 when empty.
    qint64 boxCells() const { return qint64(m_lastRow + 1) * (m_lastColumn + 1); }
    /// How many of its cells lie in the area.
    qint64 cellsIn(const office::RangeAddress& area) const;

    /// Calls cell(column, row, formula) for each of its cells in the area, in order;
    /// formula tells whether the cell is also one of the formulas'.
    void each(const office::RangeAddress& area, const CellMap& formulas,
              const std::function<void(int column, int row, bool formula)>& cell) const;

    /// Hands each of its cells in the area to cell() with the text the file
    /// (the office's comma-separated text) shows for it; on a sheet that hides
    /// cells, a cell the file shows as nothing at all is not known. False,
    /// with no cell handed out, when the file cannot be read or has not
    /// exactly the shape of these cells: a record for every row and a field
    /// for every column up to the last, and nothing shown outside them.
    bool eachInText(const QString& path, const office::RangeAddress& area, const CellMap& formulas, bool hidesCells,
                    const std::function<void(const office::ShownCell&)>& cell) const;

    /// Whether the sheet's text tells what a cell with content shows. It comes
    /// out as nothing at all when it shows nothing (an empty result, a format
    /// that shows nothing) and also, on a protected sheet, when its protection
    /// hides it: there only the cell read on its own tells.
    static bool shownInText(bool hidesCells, const QString& text, bool quoted)
    {
        return !hidesCells || quoted || !text.isEmpty();
    }

    /// Walks the rows in order: the column intervals of the cells in each.
    class Rows {
    public:
        explicit Rows(const CellMap& map) : m_map(map) { }
        /// The intervals of row r, left to right; r must never go back.
        const QList<std::pair<int, int>>& at(int row);
        /// Whether column c of the row last asked for is one of the cells; c
        /// must never go back within a row.
        bool has(int column);
        /// The first row from r on that holds any cell, or -1.
        int nextRow(int row) const;

    private:
        const CellMap& m_map;
        qsizetype m_next = 0;
        QList<office::RangeAddress> m_active;
        QList<std::pair<int, int>> m_intervals;
        qsizetype m_cursor = 0;
        int m_row = -1;
    };

private:
    bool readText(const QString& path, const office::RangeAddress& area, const CellMap& formulas, bool hidesCells,
                  const std::function<void(office::ShownCell&&)>& cell) const;

    QList<office::RangeAddress> m_ranges; // sorted by first row
    int m_firstRow = office::AnyRow, m_firstColumn = office::AnyColumn;
    int m_lastRow = -1, m_lastColumn = -1;
};

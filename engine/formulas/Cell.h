#pragma once
// Where a cell of a sheet is, and a box of them; 0-based. A cell also packs
// into one number (its key), ordered by row and then column, for hashing and
// sorting many of them.

#include <QtGlobal>

namespace formulas {

struct Cell {
    int column = 0, row = 0;
    bool operator==(const Cell&) const = default;
};

using CellKey = quint64;

constexpr CellKey key(int column, int row)
{
    return CellKey(quint32(row)) << 32 | quint32(column);
}
constexpr CellKey key(Cell cell)
{
    return key(cell.column, cell.row);
}
constexpr Cell cellOf(CellKey key)
{
    return {int(key & 0xffffffffu), int(key >> 32)};
}

/// From the first cell to the last, inclusive.
struct Range {
    int startColumn = 0, startRow = 0, endColumn = 0, endRow = 0;
    bool operator==(const Range&) const = default;
    bool contains(Cell c) const
    {
        return c.column >= startColumn && c.column <= endColumn && c.row >= startRow && c.row <= endRow;
    }
};

} // namespace formulas

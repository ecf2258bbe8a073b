#pragma once
// Reads a sheet's cells with content and the text each shows, in the engine's
// order, in few calls: the office tells in one call which cells have content
// and writes a sheet (or, in a document of many sheets, all of them) as text
// in milliseconds, where reading cell by cell costs round trips each. Where
// that text cannot be trusted the cells are read one by one: a cell of a
// protected sheet that has content but comes out as nothing at all (its
// protection may hide it) is left for the engine to ask, and a sheet whose
// text does not have the shape of its cells is read cell by cell.

#include "CellMap.h"
#include "CsvText.h"
#include "Office.h"
#include "SheetCells.h"
#include "SheetText.h"

#include <QByteArray>
#include <QList>
#include <QStringList>

#include <functional>
#include <optional>

class SheetReader {
public:
    SheetReader(sheet_cells::DocumentSheets& sheets, SheetText& text, uno_errors::Link link);

    void readCells(int sheetIndex, const office::RangeAddress& area,
                   const std::function<bool(const office::ShownCell&)>& take);

    /// Where the sheet's formulas are, as the last readCells() of it found
    /// them when nothing was emptied since (asking again costs the office a
    /// millisecond a thousand formulas); otherwise asked now.
    QList<office::RangeAddress> formulaCells(int sheetIndex);
    /// Cells were emptied or put back.
    void changed() { m_formulaCells.reset(); }

    /// Past this many sheets, calls that each cost the office something for
    /// every sheet it has are made once for all sheets where that is sound.
    static constexpr int ManySheets = 8;

private:
    bool readWritten(int sheetIndex, const office::RangeAddress& area,
                     const std::function<void(const office::ShownCell&)>& cell);
    void writeWhole();

    sheet_cells::DocumentSheets& m_sheets;
    SheetText& m_text;
    uno_errors::Link m_link;
    // The document written whole: for each sheet (by index), a byte a cell
    // row by row: 1 content, 2 formula.
    struct Written {
        QStringList names;
        QString folder;
        struct Sheet {
            QByteArray kinds;
            CsvText::Shape shape;
        };
        QList<std::optional<Sheet>> sheets; // none: the text has not the sheet's shape
    };
    std::optional<Written> m_written;
    std::optional<std::pair<int, QList<office::RangeAddress>>> m_formulaCells;
};

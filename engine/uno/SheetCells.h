#pragma once
// A sheet's cells as the office reports them: where the cells of a kind are,
// what one cell shows, and what many cells show now.

#include "Office.h"
#include "SheetText.h"
#include "UnoErrors.h"

#include <com/sun/star/sheet/CellFlags.hpp>
#include <com/sun/star/sheet/XSpreadsheet.hpp>
#include <com/sun/star/uno/Reference.hxx>

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

namespace sheet_cells {

constexpr sal_Int32 ContentFlags = css::sheet::CellFlags::VALUE | css::sheet::CellFlags::DATETIME
    | css::sheet::CellFlags::STRING | css::sheet::CellFlags::FORMULA;

/// The cells of the kinds the flags name, as rectangles; one call.
QList<office::RangeAddress> query(const css::uno::Reference<css::sheet::XSpreadsheet>& sheet, sal_Int32 flags);

/// What the cell shows (its String).
QString shownAt(const css::uno::Reference<css::sheet::XSpreadsheet>& sheet, int column, int row);

/// What cells show now, in the order given: from the sheet written as text
/// when that costs less than a round trip a cell, else one by one.
class ShownNow {
public:
    QStringList read(const css::uno::Reference<css::sheet::XSpreadsheet>& sheet, int sheetIndex,
                     const QList<office::CellAt>& cells, SheetText& text, const uno_errors::Link& link);

private:
    // How many fields each sheet's text had when last written: the
    // emptyings between readings only shrink it.
    QHash<int, qint64> m_written;
};

} // namespace sheet_cells

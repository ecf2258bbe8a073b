#pragma once
// A document's sheets and their cells as the office reports them: each sheet
// asked for once, where the cells of a kind are, what one cell shows, and
// what many cells show now.

#include "Office.h"
#include "SheetText.h"
#include "UnoErrors.h"

#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/lang/XComponent.hpp>
#include <com/sun/star/sheet/CellFlags.hpp>
#include <com/sun/star/sheet/XSpreadsheet.hpp>
#include <com/sun/star/uno/Reference.hxx>

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

namespace sheet_cells {

/// The document's sheets, each asked for once: every remote call counts in a
/// document of many sheets.
class DocumentSheets {
public:
    DocumentSheets(css::uno::Reference<css::lang::XComponent> document, uno_errors::Link link);
    int count();
    css::uno::Reference<css::sheet::XSpreadsheet> at(int index);
    /// The names on the tabs, by index.
    QStringList names();
    bool isProtected(int index);
    /// Neither protected nor with notes, as first asked.
    bool isPlain(int index);

private:
    css::uno::Reference<css::container::XIndexAccess> sheets();

    css::uno::Reference<css::lang::XComponent> m_document;
    uno_errors::Link m_link;
    css::uno::Reference<css::container::XIndexAccess> m_sheets;
    int m_count = -1;
    QHash<int, css::uno::Reference<css::sheet::XSpreadsheet>> m_sheet;
    QHash<int, bool> m_protected, m_plain;
};

constexpr sal_Int32 ContentFlags = css::sheet::CellFlags::VALUE | css::sheet::CellFlags::DATETIME
    | css::sheet::CellFlags::STRING | css::sheet::CellFlags::FORMULA;

/// The cells of the kinds the flags name, as rectangles, of a sheet or of a
/// set of ranges; one call.
QList<office::RangeAddress> query(const css::uno::BaseReference& cells, sal_Int32 flags);

/// What the cell shows (its String).
QString shownAt(const css::uno::Reference<css::sheet::XSpreadsheet>& sheet, int column, int row);

/// What cells show now, in the order given: from the sheet written as text
/// when that costs less than a round trip a cell, else one by one.
class ShownNow {
public:
    QStringList read(const css::uno::Reference<css::sheet::XSpreadsheet>& sheet, int sheetIndex, bool hidesCells,
                     const QList<office::CellAt>& cells, SheetText& text, const uno_errors::Link& link);

private:
    // How many fields each sheet's text had when last written: the
    // emptyings between readings only shrink it.
    QHash<int, qint64> m_written;
};

} // namespace sheet_cells

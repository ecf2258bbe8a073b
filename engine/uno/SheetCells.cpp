#include "SheetCells.h"

#include "Cell.h"
#include "CellMap.h"
#include "CsvText.h"
#include "UnoValues.h"

#include <com/sun/star/container/XNameAccess.hpp>
#include <com/sun/star/sheet/XCellRangesQuery.hpp>
#include <com/sun/star/sheet/XSheetAnnotations.hpp>
#include <com/sun/star/sheet/XSheetAnnotationsSupplier.hpp>
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>
#include <com/sun/star/util/XProtectable.hpp>
#include <com/sun/star/sheet/XSheetCellRanges.hpp>
#include <com/sun/star/table/XCell.hpp>
#include <com/sun/star/text/XTextRange.hpp>

#include <QDir>
#include <QFileInfo>
#include <QHash>

using namespace css;
using css::uno::Reference;
using css::uno::UNO_QUERY_THROW;

namespace sheet_cells {

namespace {

// What reading costs, measured on sheets of 20,000 cells: a cell read on its
// own takes three round trips (about 400 us); the sheet written as text costs
// about 0.4 us for each field of its area, reading the text included, and
// some milliseconds whatever its size.
constexpr qint64 CellReadNanos = 400'000, WrittenFieldNanos = 400, WrittenSheetNanos = 3'000'000;

} // namespace

QList<office::RangeAddress> query(const uno::BaseReference& cells, sal_Int32 flags)
{
    QList<office::RangeAddress> ranges;
    for (const table::CellRangeAddress& a :
         Reference<sheet::XCellRangesQuery>(cells, UNO_QUERY_THROW)->queryContentCells(sal_Int16(flags))->getRangeAddresses())
        ranges << office::RangeAddress{a.Sheet, a.StartColumn, a.StartRow, a.EndColumn, a.EndRow};
    return ranges;
}

QString shownAt(const Reference<sheet::XSpreadsheet>& sheet, int column, int row)
{
    return uno_office::toQString(
        Reference<text::XTextRange>(sheet->getCellByPosition(column, row), UNO_QUERY_THROW)->getString());
}

QStringList ShownNow::read(const Reference<sheet::XSpreadsheet>& sheet, int sheetIndex, bool hidesCells,
                           const QList<office::CellAt>& cells, SheetText& text, const uno_errors::Link& link)
{
    QStringList texts(cells.size());
    auto one = [&](qsizetype i) {
        texts[i] = uno_errors::guarded(link, [&] { return shownAt(sheet, cells[i].column, cells[i].row); });
    };
    const qint64 asked = cells.size();
    if (asked * CellReadNanos > WrittenSheetNanos) {
        if (!m_written.contains(sheetIndex)) {
            const CellMap content(uno_errors::guarded(link, [&] { return query(sheet, ContentFlags); }));
            m_written.insert(sheetIndex, content.boxCells());
        }
        if (asked * CellReadNanos > m_written.value(sheetIndex) * WrittenFieldNanos + WrittenSheetNanos) {
            QHash<formulas::CellKey, qsizetype> wanted;
            wanted.reserve(cells.size());
            for (qsizetype i = 0; i < cells.size(); ++i)
                wanted.insert(formulas::key(cells[i].column, cells[i].row), i);
            // A text of one column does not show a record split by a number
            // format holding a line break.
            int width = 0;
            qint64 fields = 0;
            const QString file = text.sheetAsShown(sheetIndex);
            QList<bool> got(cells.size(), false);
            const bool read = CsvText::readShaped(file, {}, [&](int column, int row, QString&& shown, bool quoted) {
                width = std::max(width, column + 1);
                ++fields;
                const auto it = wanted.constFind(formulas::key(column, row));
                if (it != wanted.cend() && CellMap::shownInText(hidesCells, shown, quoted)) {
                    texts[*it] = std::move(shown);
                    got[*it] = true;
                }
            });
            QDir(QFileInfo(file).path()).removeRecursively();
            if (read && width > 1) {
                m_written.insert(sheetIndex, fields);
                for (qsizetype i = 0; i < cells.size(); ++i)
                    if (!got[i])
                        one(i);
                return texts;
            }
        }
    }
    for (qsizetype i = 0; i < cells.size(); ++i)
        one(i);
    return texts;
}

DocumentSheets::DocumentSheets(Reference<lang::XComponent> document, uno_errors::Link link)
    : m_document(std::move(document)), m_link(std::move(link))
{
}

Reference<container::XIndexAccess> DocumentSheets::sheets()
{
    if (!m_sheets.is())
        m_sheets.set(uno_errors::guarded(m_link,
                                         [&] {
                                             return Reference<sheet::XSpreadsheetDocument>(m_document, UNO_QUERY_THROW)
                                                 ->getSheets();
                                         }),
                     UNO_QUERY_THROW);
    return m_sheets;
}

int DocumentSheets::count()
{
    if (m_count < 0)
        m_count = uno_errors::guarded(m_link, [&] { return int(sheets()->getCount()); });
    return m_count;
}

Reference<sheet::XSpreadsheet> DocumentSheets::at(int index)
{
    Reference<sheet::XSpreadsheet>& sheet = m_sheet[index];
    if (!sheet.is())
        sheet = uno_errors::guarded(m_link, [&] {
            return Reference<sheet::XSpreadsheet>(sheets()->getByIndex(index), UNO_QUERY_THROW);
        });
    return sheet;
}

QStringList DocumentSheets::names()
{
    return uno_errors::guarded(m_link, [&] {
        QStringList names;
        for (const rtl::OUString& name : Reference<container::XNameAccess>(sheets(), UNO_QUERY_THROW)->getElementNames())
            names << uno_office::toQString(name);
        return names;
    });
}

bool DocumentSheets::isProtected(int index)
{
    if (!m_protected.contains(index)) {
        const Reference<sheet::XSpreadsheet> sheet = at(index);
        m_protected.insert(index, uno_errors::guarded(m_link, [&] {
                               return Reference<util::XProtectable>(sheet, UNO_QUERY_THROW)->isProtected();
                           }));
    }
    return m_protected.value(index);
}

bool DocumentSheets::isPlain(int index)
{
    if (!m_plain.contains(index)) {
        const Reference<sheet::XSpreadsheet> sheet = at(index);
        m_plain.insert(index, !isProtected(index) && uno_errors::guarded(m_link, [&] {
                                  return Reference<sheet::XSheetAnnotationsSupplier>(sheet, UNO_QUERY_THROW)
                                             ->getAnnotations()
                                             ->getCount()
                                      == 0;
                              }));
    }
    return m_plain.value(index);
}

} // namespace sheet_cells

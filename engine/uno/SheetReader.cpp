#include "SheetReader.h"

#include "CsvText.h"

#include <com/sun/star/sheet/CellFlags.hpp>

#include <QDir>
#include <QFileInfo>

using namespace css;

namespace {

// A sheet's text costs the office about its area; a sheet of a few cells far
// apart is read cell by cell rather than written as a text of millions of
// fields: from 64 cells on, while the text has at most 4,000 fields a cell.
constexpr qint64 TextFromCells = 64, FieldsPerCell = 4000;
// The document is written whole only while its text stays near the size of
// its cells, else each sheet takes its own way, which guards itself.
constexpr qint64 WholeFieldsPerCell = 64, WholeFieldsBeyond = 4'000'000;

bool inArea(const office::RangeAddress& area, int column, int row)
{
    return row >= area.startRow && row <= area.endRow && column >= area.startColumn && column <= area.endColumn;
}

} // namespace

SheetReader::SheetReader(sheet_cells::DocumentSheets& sheets, SheetText& text, uno_errors::Link link)
    : m_sheets(sheets), m_text(text), m_link(std::move(link))
{
}

void SheetReader::readCells(int sheetIndex, const office::RangeAddress& area,
                            const std::function<bool(const office::ShownCell&)>& take)
{
    // Once no more cells are wanted, the rest of a text already written is
    // passed over and no cell is asked of the office.
    bool more = true;
    const auto cell = [&](const office::ShownCell& shown) { more = more && take(shown); };
    // A cell hidden by its protection comes out of a whole-document text as
    // nothing, like an empty one: only the sheet's own query tells them apart.
    if (m_sheets.count() > ManySheets && !m_sheets.isProtected(sheetIndex) && readWritten(sheetIndex, area, cell))
        return;
    const auto sheet = m_sheets.at(sheetIndex);
    const CellMap content(uno_errors::guarded(m_link, [&] { return sheet_cells::query(sheet, sheet_cells::ContentFlags); }));
    if (content.isEmpty())
        return;
    const QList<office::RangeAddress> formulaRanges
        = uno_errors::guarded(m_link, [&] { return sheet_cells::query(sheet, sheet::CellFlags::FORMULA); });
    m_formulaCells.emplace(sheetIndex, formulaRanges);
    const CellMap formulas(formulaRanges);
    const qint64 wanted = content.cellsIn(area);
    const qint64 written = content.boxCells();
    if (wanted > TextFromCells && written <= FieldsPerCell * wanted) {
        // Asked before the text is written: a call right after it waits for
        // the office to finish with the text, which otherwise goes on while
        // the text is read.
        const bool hidesCells = m_sheets.isProtected(sheetIndex);
        const QString file = m_text.sheetAsShown(sheetIndex);
        const bool read = content.eachInText(file, area, formulas, hidesCells, cell);
        QDir(QFileInfo(file).path()).removeRecursively();
        if (read)
            return;
    }
    content.each(area, formulas, [&](int column, int row, bool formula) {
        if (!more)
            return;
        const QString text = uno_errors::guarded(m_link, [&] { return sheet_cells::shownAt(sheet, column, row); });
        cell(office::ShownCell{column, row, text, true, formula});
    });
}

QList<office::RangeAddress> SheetReader::formulaCells(int sheetIndex)
{
    if (m_formulaCells && m_formulaCells->first == sheetIndex)
        return m_formulaCells->second;
    const auto sheet = m_sheets.at(sheetIndex);
    return uno_errors::guarded(m_link, [&] { return sheet_cells::query(sheet, sheet::CellFlags::FORMULA); });
}

// The document written as text once for all sheets, shown and as formulas: a
// cell has content when either shows something, and a formula (or a text
// that looks like one) starts with "=". The formulas come first and what each
// cell holds is kept, so that the text as shown overwrites the same files:
// making thousands of files costs the file system more than writing them.
bool SheetReader::readWritten(int sheetIndex, const office::RangeAddress& area,
                              const std::function<void(const office::ShownCell&)>& cell)
{
    if (!m_written)
        writeWhole();
    if (m_written->sheets.size() <= sheetIndex || !m_written->sheets[sheetIndex])
        return false;
    const Written::Sheet& kept = *m_written->sheets[sheetIndex];
    const QString file = m_written->folder + "/text-" + m_written->names.value(sheetIndex) + ".csv";
    if (!CsvText::readShaped(file, kept.shape, [](int, int, QString&&, bool) {}))
        return false;
    return CsvText::readShaped(file, kept.shape, [&](int column, int row, QString&& text, bool quoted) {
        if (!inArea(area, column, row))
            return;
        const char kind = kept.kinds.at(qsizetype(row) * kept.shape.columns + column);
        // Only sheets that hide no cell are read from the whole text.
        if ((kind & 1) || quoted || !text.isEmpty())
            cell(office::ShownCell{column, row, std::move(text), true, (kind & 2) != 0});
    });
}

void SheetReader::writeWhole()
{
    m_written.emplace();
    qint64 cells = 0, fields = 0;
    for (int i = 0; i < m_sheets.count(); ++i) {
        const auto sheet = m_sheets.at(i);
        const CellMap content(uno_errors::guarded(m_link, [&] { return sheet_cells::query(sheet, sheet_cells::ContentFlags); }));
        cells += content.cellsIn({i, 0, 0, office::AnyColumn, office::AnyRow});
        fields += content.boxCells();
    }
    if (fields > WholeFieldsPerCell * cells + WholeFieldsBeyond)
        return;
    m_written->names = m_sheets.names();
    m_written->folder = m_text.write("whole", SheetText::AsFormulas, 0);
    // A file a sheet, or the names did not map one to one.
    auto mapped = [&] { return QDir(m_written->folder).entryList(QDir::Files).size() == m_written->names.size(); };
    if (!mapped())
        return;
    for (const QString& name : std::as_const(m_written->names)) {
        Written::Sheet sheet;
        int columns = 0, rows = 0;
        const bool read = CsvText::readShaped(m_written->folder + "/text-" + name + ".csv", {},
                                          [&](int column, int row, QString&& text, bool quoted) {
                                              sheet.kinds += char((quoted || !text.isEmpty() ? 1 : 0)
                                                                  | (text.startsWith('=') || text.startsWith('{') ? 2 : 0));
                                              columns = std::max(columns, column + 1);
                                              rows = row + 1;
                                          });
        sheet.shape = {rows, columns};
        m_written->sheets << (read ? std::optional(std::move(sheet)) : std::nullopt);
    }
    m_text.write("whole", SheetText::AsShown, 0, false);
    if (!mapped())
        m_written->sheets.clear();
}

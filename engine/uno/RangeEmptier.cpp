#include "RangeEmptier.h"

#include "SheetReader.h"

#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/sheet/XSheetCellRanges.hpp>
#include <com/sun/star/sheet/XSheetOperation.hpp>

#include <QMap>

#include <algorithm>
#include <cmath>
#include <tuple>

using namespace css;
using css::uno::Reference;
using css::uno::UNO_QUERY_THROW;

namespace {

// One clearing costs the office about the square of the pieces it marks (a
// range is a piece in each column whose marks differ from its neighbour's),
// and each call something for the size of the sheet: 700 ranges a call did
// best on a sheet (measured from 300 to 3000 on 60,000 cells), 2000 across
// sheets.
constexpr qsizetype SheetBatch = 700, AcrossSheetsBatch = 2000;

// Everything ".uno:Delete" with "A" takes from a cell, but the drawings over it.
constexpr sal_Int32 EmptyFlags = sheet_cells::ContentFlags | sheet::CellFlags::ANNOTATION
    | sheet::CellFlags::HARDATTR | sheet::CellFlags::STYLES | sheet::CellFlags::EDITATTR
    | sheet::CellFlags::FORMATTED;

// A clearing costs the office something for every sheet of the document, and
// for every sheet it touches something for every other sheet it touches: so
// many sheets a call that the two weigh the same (measured on 2,000 sheets:
// 25 to 50 a call took a third of the time of 200, and a twentieth of all at
// once).
int sheetsPerClearing(int sheetCount)
{
    return std::max(1, int(std::sqrt(double(sheetCount))));
}

// The ranges a sheet at a time, in batches of at most `size`.
void eachSheetBatch(const QList<office::RangeAddress>& ranges, qsizetype size,
                    const std::function<void(const QList<office::RangeAddress>&)>& batch)
{
    QMap<int, QList<office::RangeAddress>> bySheet;
    for (const office::RangeAddress& r : ranges)
        bySheet[r.sheet] << r;
    for (const QList<office::RangeAddress>& list : std::as_const(bySheet))
        for (qsizetype first = 0; first < list.size(); first += size)
            batch(list.mid(first, size));
}

} // namespace

RangeEmptier::RangeEmptier(Reference<lang::XComponent> document, sheet_cells::DocumentSheets& sheets,
                           UndoSteps& undo, uno_errors::Link link)
    : m_document(std::move(document)), m_sheets(sheets), m_undo(undo), m_link(std::move(link))
{
}

QList<office::RangeAddress> RangeEmptier::empty(const QList<office::RangeAddress>& ranges,
                                                const QList<office::RangeAddress>& alone)
{
    if (m_holding)
        m_held << Held{m_undo.kept(), ranges + alone};
    if (m_undo.kept())
        m_notesLeft << QList<office::RangeAddress>();
    QList<office::RangeAddress> refused, guarded, plain;
    for (const office::RangeAddress& r : ranges)
        (m_sheets.isPlain(r.sheet) ? plain : guarded) << r;
    m_undo.step([&] {
        emptyAcrossSheets(plain);
        eachSheetBatch(guarded, SheetBatch, [&](const QList<office::RangeAddress>& batch) {
            for (const office::RangeAddress& left : emptyTogether(batch))
                emptyOnItsOwn(left, refused);
        });
        for (const office::RangeAddress& r : alone)
            emptyOnItsOwn(r, refused);
    });
    return refused;
}

void RangeEmptier::holdRows(bool hold)
{
    if (m_holding == hold)
        return;
    uno_errors::guarded(m_link, [&] {
        Reference<beans::XPropertySet>(m_document, UNO_QUERY_THROW)
            ->setPropertyValue("IsAdjustHeightEnabled", uno::Any(!hold));
    });
    m_holding = hold;
    for (const Held& step : std::as_const(m_held))
        for (const office::RangeAddress& r : step.ranges)
            m_unfitted[r.sheet] << r;
    m_held.clear();
}

void RangeEmptier::fitRows()
{
    holdRows(false);
    const QMap<int, QList<office::RangeAddress>> unfitted = std::exchange(m_unfitted, {});
    for (const QList<office::RangeAddress>& ranges : unfitted) {
        // Clearing nothing fits the rows of the ranges, as an emptying does.
        clear({*std::ranges::min_element(ranges, {}, &office::RangeAddress::startRow),
               *std::ranges::max_element(ranges, {}, &office::RangeAddress::endRow)},
              0);
    }
}

// An emptying fits the rows from its first range's to its last's, on its
// sheet, unless the office refused it.
void RangeEmptier::fitted(const QList<office::RangeAddress>& ranges)
{
    if (m_holding || ranges.isEmpty() || m_unfitted.isEmpty())
        return;
    const int sheet = ranges.first().sheet;
    int first = ranges.first().startRow, last = ranges.first().endRow;
    for (const office::RangeAddress& r : ranges) {
        if (r.sheet != sheet)
            return;
        first = std::min(first, r.startRow);
        last = std::max(last, r.endRow);
    }
    const auto it = m_unfitted.find(sheet);
    if (it == m_unfitted.end() || !m_sheets.isPlain(sheet))
        return;
    it->removeIf([&](const office::RangeAddress& r) { return r.startRow >= first && r.endRow <= last; });
    if (it->isEmpty())
        m_unfitted.erase(it);
}

void RangeEmptier::takenBack(int steps)
{
    m_notesLeft.resize(std::max<qsizetype>(0, m_notesLeft.size() - steps));
    for (; steps > 0 && !m_held.isEmpty() && m_held.last().undoable; --steps)
        m_held.removeLast();
}

// Nothing can be taken back now, so a clearing of several ranges may take
// their notes.
void RangeEmptier::undoForgotten()
{
    QList<office::RangeAddress> ranges;
    for (const QList<office::RangeAddress>& step : std::exchange(m_notesLeft, {}))
        ranges << step;
    eachSheetBatch(ranges, SheetBatch, [&](const QList<office::RangeAddress>& batch) {
        const Reference<sheet::XSheetCellRangeContainer> cells = together(batch);
        const QList<office::RangeAddress> refused
            = uno_errors::guarded(m_link, [&] { return sheet_cells::query(cells, sheet_cells::ContentFlags); });
        if (refused.isEmpty()) {
            uno_errors::guarded(m_link, [&] {
                Reference<sheet::XSheetOperation>(cells, UNO_QUERY_THROW)->clearContents(sheet::CellFlags::ANNOTATION);
            });
            return;
        }
        for (const office::RangeAddress& noted :
             uno_errors::guarded(m_link, [&] { return sheet_cells::query(cells, sheet::CellFlags::ANNOTATION); }))
            emptyNotes(noted, refused);
    });
}

// Ranges of sheets neither protected nor with notes (emptying notes on
// several sheets at once fails in the first row), where nothing but a part of
// an array (never among these) makes the office refuse. The office empties
// every range of a call on every sheet of the call, so one call takes the
// same ranges on a set of sheets: as many calls as different sets, not one
// per sheet.
void RangeEmptier::emptyAcrossSheets(const QList<office::RangeAddress>& ranges)
{
    // With few sheets a call a sheet is cheaper than mixing sheets.
    if (m_sheets.count() <= SheetReader::ManySheets) {
        eachSheetBatch(ranges, SheetBatch, [&](const QList<office::RangeAddress>& batch) { clear(batch, EmptyFlags); });
        return;
    }
    QMap<std::tuple<int, int, int, int>, QList<int>> sheetsOf;
    QList<std::tuple<int, int, int, int>> places;
    for (const office::RangeAddress& r : ranges) {
        const auto place = std::tuple(r.startColumn, r.startRow, r.endColumn, r.endRow);
        QList<int>& list = sheetsOf[place];
        if (list.isEmpty())
            places << place;
        list << r.sheet;
    }
    QMap<QList<int>, QList<std::tuple<int, int, int, int>>> placesOf;
    for (const auto& place : std::as_const(places))
        placesOf[sheetsOf.value(place)] << place;
    const int sheetsPerCall = sheetsPerClearing(m_sheets.count());
    for (auto it = placesOf.cbegin(); it != placesOf.cend(); ++it) {
        QList<office::RangeAddress> together;
        auto flush = [&] {
            clear(together, EmptyFlags & ~sheet::CellFlags::ANNOTATION);
            together.clear();
        };
        for (qsizetype first = 0; first < it.key().size(); first += sheetsPerCall) {
            const QList<int> sheets = it.key().mid(first, sheetsPerCall);
            for (const auto& [c1, r1, c2, r2] : it.value()) {
                for (int sheet : sheets)
                    together << office::RangeAddress{sheet, c1, r1, c2, r2};
                if (together.size() >= AcrossSheetsBatch)
                    flush();
            }
            if (!together.isEmpty())
                flush();
        }
    }
}

// Empties the ranges in one call; gives the ranges, to ask what still has
// content.
Reference<sheet::XSheetCellRangeContainer> RangeEmptier::clear(const QList<office::RangeAddress>& ranges,
                                                               sal_Int32 flags)
{
    return uno_errors::guarded(m_link, [&] {
        Reference<sheet::XSheetCellRangeContainer> container = together(ranges);
        Reference<sheet::XSheetOperation>(container, UNO_QUERY_THROW)->clearContents(flags);
        if (flags != 0)
            fitted(ranges);
        return container;
    });
}

// The ranges as one object of the office's; within a call.
Reference<sheet::XSheetCellRangeContainer> RangeEmptier::together(const QList<office::RangeAddress>& ranges)
{
    if (!m_factory.is())
        m_factory.set(m_document, UNO_QUERY_THROW);
    Reference<sheet::XSheetCellRangeContainer> container(
        m_factory->createInstance("com.sun.star.sheet.SheetCellRanges"), UNO_QUERY_THROW);
    uno::Sequence<table::CellRangeAddress> addresses(sal_Int32(ranges.size()));
    auto* out = addresses.getArray();
    for (const office::RangeAddress& r : ranges)
        *out++ = table::CellRangeAddress(sal_Int16(r.sheet), r.startColumn, r.startRow, r.endColumn, r.endRow);
    container->addRangeAddresses(addresses, false);
    return container;
}

void RangeEmptier::mark(const QList<office::RangeAddress>& ranges, quint32 colour)
{
    // A call a sheet: the office would give the ranges of each sheet to every
    // sheet of the call.
    eachSheetBatch(ranges, AcrossSheetsBatch, [&](const QList<office::RangeAddress>& batch) {
        uno_errors::guarded(m_link, [&] {
            Reference<beans::XPropertySet>(together(batch), UNO_QUERY_THROW)
                ->setPropertyValue("CellBackColor", uno::Any(sal_Int32(colour)));
        });
    });
}

// Empties the ranges of one sheet in one call; gives what still has content:
// the office refuses without a word. Taking back a clearing of several ranges
// blanks the text of every note in the box around them that the ranges left
// alone: while undo is kept, their notes are left for later.
QList<office::RangeAddress> RangeEmptier::emptyTogether(const QList<office::RangeAddress>& ranges)
{
    const bool notesLeft = m_undo.kept() && ranges.size() > 1;
    if (notesLeft && !m_notesLeft.isEmpty())
        m_notesLeft.last() << ranges;
    const Reference<sheet::XSheetCellRangeContainer> emptied
        = clear(ranges, notesLeft ? EmptyFlags & ~sheet::CellFlags::ANNOTATION : EmptyFlags);
    return uno_errors::guarded(m_link, [&] { return sheet_cells::query(emptied, sheet_cells::ContentFlags); });
}

// A refused cell keeps its note.
void RangeEmptier::emptyNotes(const office::RangeAddress& r, const QList<office::RangeAddress>& refused)
{
    const auto meets = [](const office::RangeAddress& a, const office::RangeAddress& b) {
        return a.startColumn <= b.endColumn && b.startColumn <= a.endColumn && a.startRow <= b.endRow
            && b.startRow <= a.endRow;
    };
    if (std::ranges::none_of(refused, [&](const office::RangeAddress& x) { return meets(x, r); })) {
        clear({r}, sheet::CellFlags::ANNOTATION);
        return;
    }
    if (r.startColumn == r.endColumn && r.startRow == r.endRow)
        return;
    for (int row = r.startRow; row <= r.endRow; ++row)
        for (int column = r.startColumn; column <= r.endColumn; ++column)
            emptyNotes({r.sheet, column, row, column, row}, refused);
}

void RangeEmptier::emptyOnItsOwn(const office::RangeAddress& r, QList<office::RangeAddress>& refused)
{
    if (emptyTogether({r}).isEmpty())
        return;
    if (r.startColumn == r.endColumn && r.startRow == r.endRow) {
        refused << r;
        return;
    }
    for (int row = r.startRow; row <= r.endRow; ++row)
        for (int column = r.startColumn; column <= r.endColumn; ++column)
            emptyOnItsOwn({r.sheet, column, row, column, row}, refused);
}

#pragma once
// Empties ranges of cells in few calls, as ".uno:Delete" with the flags "A"
// empties one cell (contents, formats and notes; drawings stay). A call that
// touches a cell the office will not empty (a locked cell of a protected
// sheet, part of an array) is refused whole, without an error, so on such
// sheets what still has content afterwards is emptied range by range, and a
// refused range cell by cell.

#include "Office.h"
#include "SheetCells.h"
#include "UndoSteps.h"

#include <com/sun/star/lang/XMultiServiceFactory.hpp>
#include <com/sun/star/sheet/XSheetCellRangeContainer.hpp>

#include <QList>
#include <QMap>

#include <functional>

class RangeEmptier {
public:
    RangeEmptier(css::uno::Reference<css::lang::XComponent> document, sheet_cells::DocumentSheets& sheets,
                 UndoSteps& undo, uno_errors::Link link);

    /// As office::Document::emptyRanges(); one step of undo.
    QList<office::RangeAddress> empty(const QList<office::RangeAddress>& ranges,
                                      const QList<office::RangeAddress>& alone);

    /// As office::Document::markRanges().
    void mark(const QList<office::RangeAddress>& ranges, quint32 colour);

    /// As office::Document::holdRows().
    void holdRows(bool hold);
    /// The last `steps` emptyings made while undo was kept were taken back.
    void takenBack(int steps);
    /// Undo is off: the notes of what was emptied while it was kept go now.
    void undoForgotten();
    /// Fits the rows still to be fitted (on each sheet, from the first such
    /// row to the last, as an emptying does); before the document is stored.
    void fitRows();

private:
    void emptyAcrossSheets(const QList<office::RangeAddress>& ranges);
    QList<office::RangeAddress> emptyTogether(const QList<office::RangeAddress>& ranges);
    void emptyNotes(const office::RangeAddress& r, const QList<office::RangeAddress>& refused);
    void emptyOnItsOwn(const office::RangeAddress& range, QList<office::RangeAddress>& refused);
    void fitted(const QList<office::RangeAddress>& ranges);
    css::uno::Reference<css::sheet::XSheetCellRangeContainer> clear(const QList<office::RangeAddress>& ranges,
                                                                    sal_Int32 flags);
    css::uno::Reference<css::sheet::XSheetCellRangeContainer> together(const QList<office::RangeAddress>& ranges);

    css::uno::Reference<css::lang::XComponent> m_document;
    css::uno::Reference<css::lang::XMultiServiceFactory> m_factory;
    sheet_cells::DocumentSheets& m_sheets;
    UndoSteps& m_undo;
    uno_errors::Link m_link;
    bool m_holding = false;
    // Of each emptying while undo is kept, the ranges whose notes are left.
    QList<QList<office::RangeAddress>> m_notesLeft;
    struct Held {
        bool undoable;
        QList<office::RangeAddress> ranges;
    };
    QList<Held> m_held; // what each emptying made while rows were held emptied
    QMap<int, QList<office::RangeAddress>> m_unfitted; // by sheet: emptied, with rows not yet fitted
};

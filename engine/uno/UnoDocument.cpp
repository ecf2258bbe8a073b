#include "UnoDocument.h"

#include "CellMap.h"
#include "OfficeRuns.h"
#include "RangeEmptier.h"
#include "RefusalHandler.h"
#include "SheetCells.h"
#include "SheetReader.h"
#include "SheetText.h"
#include "UndoSteps.h"
#include "UnoValues.h"

#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/container/XNamed.hpp>
#include <com/sun/star/frame/XStorable.hpp>
#include <com/sun/star/sheet/XCellRangeFormula.hpp>
#include <com/sun/star/sheet/XSheetAnnotationShapeSupplier.hpp>
#include <com/sun/star/sheet/XSheetAnnotations.hpp>
#include <com/sun/star/sheet/XSheetAnnotationsSupplier.hpp>
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>
#include <com/sun/star/util/CloseVetoException.hpp>
#include <com/sun/star/util/XCloseable.hpp>

#include <rtl/ref.hxx>

#include <QFileInfo>
#include <QUrl>

using namespace css;
using css::uno::Reference;
using css::uno::UNO_QUERY_THROW;

namespace uno_office {

namespace {

// More formulas than this, or spread over a box much larger than them, are
// not listed: their texts come in one call over the box around them.
constexpr qint64 MostFormulas = 200000, BoxPerFormula = 4, BoxBeyond = 100000;

class UnoDocument : public office::Document {
public:
    UnoDocument(Reference<lang::XComponent> component, uno_errors::Link link)
        : m_component(std::move(component)), m_link(std::move(link)), m_sheets(m_component, m_link),
          m_text(m_component, m_link), m_undo(m_component, m_link), m_reader(m_sheets, m_text, m_link),
          m_emptier(m_component, m_sheets, m_undo, m_link)
    {
    }

    int sheetCount() override { return m_sheets.count(); }

    QString sheetName(int index) override
    {
        const auto sheet = m_sheets.at(index);
        return call([&] { return toQString(Reference<container::XNamed>(sheet, UNO_QUERY_THROW)->getName()); });
    }

    void readCells(int sheetIndex, const office::RangeAddress& area,
                   const std::function<bool(const office::ShownCell&)>& cell) override
    {
        m_reader.readCells(sheetIndex, area, cell);
    }

    QString shownText(int sheetIndex, int column, int row) override
    {
        const auto sheet = m_sheets.at(sheetIndex);
        return call([&] { return sheet_cells::shownAt(sheet, column, row); });
    }

    QStringList shownTexts(int sheetIndex, const QList<office::CellAt>& cells) override
    {
        return m_shownNow.read(m_sheets.at(sheetIndex), sheetIndex, m_sheets.isProtected(sheetIndex), cells, m_text,
                               m_link);
    }

    std::optional<QList<office::FormulaText>> formulas(int sheetIndex) override
    {
        QList<office::FormulaText> texts;
        const auto sheet = m_sheets.at(sheetIndex);
        const CellMap formulas(m_reader.formulaCells(sheetIndex));
        if (formulas.isEmpty())
            return texts;
        // Only the box around the formulas: a row of sums under a table
        // would otherwise bring the whole table along.
        const office::RangeAddress all = formulas.box(sheetIndex);
        const qint64 count = formulas.cellsIn(all);
        const qint64 box = qint64(all.endRow - all.startRow + 1) * (all.endColumn - all.startColumn + 1);
        if (count > MostFormulas || box > BoxPerFormula * count + BoxBeyond)
            return std::nullopt;
        const uno::Sequence<uno::Sequence<rtl::OUString>> written = call([&] {
            return Reference<sheet::XCellRangeFormula>(
                       sheet->getCellRangeByPosition(all.startColumn, all.startRow, all.endColumn, all.endRow),
                       UNO_QUERY_THROW)
                ->getFormulaArray();
        });
        texts.reserve(count);
        formulas.each(all, formulas, [&](int column, int row, bool) {
            texts << office::FormulaText{column, row,
                                         toQString(written[row - all.startRow][column - all.startColumn])};
        });
        return texts;
    }

    QList<office::RangeAddress> emptyRanges(const QList<office::RangeAddress>& ranges,
                                            const QList<office::RangeAddress>& alone) override
    {
        m_reader.changed();
        return m_emptier.empty(ranges, alone);
    }
    void markRanges(const QList<office::RangeAddress>& ranges, quint32 colour) override
    {
        m_emptier.mark(ranges, colour);
    }
    void keepUndo(bool keep) override
    {
        // What was emptied while undo was kept can no longer be taken back.
        if (m_undo.kept()) {
            m_undo.keep(false);
            m_emptier.undoForgotten();
            if (!keep)
                return;
        }
        m_undo.keep(keep);
    }
    void holdRows(bool hold) override { m_emptier.holdRows(hold); }
    void takeBack(int emptyings) override
    {
        m_reader.changed();
        m_undo.takeBack(emptyings);
        m_emptier.takenBack(emptyings);
    }

    void store(const QString& url, const office::PropertyValues& properties) override
    {
        try {
            if (m_undo.kept())
                keepUndo(false);
            m_emptier.fitRows();
            if (properties.contains(office::PropertyValue{"FilterName", "OpenDocument Spreadsheet Flat XML"}))
                makeNoteDrawings();
            call([&] {
                Reference<frame::XStorable>(m_component, UNO_QUERY_THROW)
                    ->storeToURL(toOUString(url), toSequence(properties));
            });
        } catch (const office::Gone&) {
            if (m_link.watch && m_link.watch->pid() > 0)
                office_runs::removeStoreScratch(QFileInfo(QUrl(url).toLocalFile()).path(), m_link.watch->pid());
            throw;
        }
    }

    // Whatever happened before (a close refused, a file given up halfway),
    // the document does not stay open in the office: closed, and disposed
    // should anything veto that. One whose office has gone went with it.
    ~UnoDocument() override
    {
        if (m_closed || !m_link.alive())
            return;
        try {
            call([&] {
                try {
                    Reference<util::XCloseable>(m_component, UNO_QUERY_THROW)->close(true);
                } catch (const util::CloseVetoException&) {
                    m_component->dispose();
                }
            });
        } catch (const office::Error&) {
        }
    }

    void close() override
    {
        call([&] { Reference<util::XCloseable>(m_component, UNO_QUERY_THROW)->close(false); });
        m_closed = true;
    }

private:
    template <typename F> auto call(F&& f) const -> decltype(f()) { return uno_errors::guarded(m_link, std::forward<F>(f)); }

    // The flat format writes only the notes whose drawing the office has
    // made, and in a loaded document it has made none until one is shown.
    void makeNoteDrawings()
    {
        for (int i = 0; i < m_sheets.count(); ++i) {
            const auto sheet = m_sheets.at(i);
            call([&] {
                const Reference<container::XIndexAccess> notes(
                    Reference<sheet::XSheetAnnotationsSupplier>(sheet, UNO_QUERY_THROW)->getAnnotations(),
                    UNO_QUERY_THROW);
                for (sal_Int32 n = 0; n < notes->getCount(); ++n)
                    Reference<sheet::XSheetAnnotationShapeSupplier>(notes->getByIndex(n), UNO_QUERY_THROW)
                        ->getAnnotationShape();
            });
        }
    }

    Reference<lang::XComponent> m_component;
    uno_errors::Link m_link;
    sheet_cells::DocumentSheets m_sheets;
    SheetText m_text;
    UndoSteps m_undo;
    SheetReader m_reader;
    RangeEmptier m_emptier;
    sheet_cells::ShownNow m_shownNow;
    bool m_closed = false;
};

} // namespace

std::shared_ptr<office::Document> open(const Reference<frame::XComponentLoader>& loader, const QString& url,
                                       const uno_errors::Link& link)
{
    return uno_errors::guarded(link, [&] {
        // Every document is opened as one nobody vouches for: no macro runs and
        // no link is updated.
        constexpr sal_Int16 NeverExecute = 0, NoUpdate = 0;
        office::PropertyValues arguments{{"Hidden", true},
                                         {"MacroExecutionMode", QVariant::fromValue(NeverExecute)},
                                         {"UpdateDocMode", QVariant::fromValue(NoUpdate)}};
        const auto load = [&](const uno::Sequence<beans::PropertyValue>& properties) {
            return loader->loadComponentFromURL(toOUString(url), "_blank", 0, properties);
        };
        const Reference<lang::XComponent> component = load(toSequence(arguments));
        if (!component.is()) {
            // Asked again with someone to answer its questions, the office
            // tells why: a password, a damaged file. The first time it had
            // nobody to ask, which leaves every file it can open as it is.
            const rtl::Reference<RefusalHandler> handler(new RefusalHandler);
            uno::Sequence<beans::PropertyValue> properties = toSequence(arguments);
            properties.realloc(properties.getLength() + 1);
            properties.getArray()[properties.getLength() - 1]
                = beans::PropertyValue("InteractionHandler", -1,
                                       uno::Any(Reference<task::XInteractionHandler>(handler.get())),
                                       beans::PropertyState_DIRECT_VALUE);
            if (const Reference<lang::XComponent> opened = load(properties); opened.is())
                Reference<util::XCloseable>(opened, UNO_QUERY_THROW)->close(true);
            throw office::Error("The office could not open " + url.toStdString(), handler->refusal());
        }
        if (!Reference<sheet::XSpreadsheetDocument>(component, css::uno::UNO_QUERY).is()) {
            // Opened, but not as a spreadsheet (a text file becomes a text document).
            try {
                Reference<util::XCloseable>(component, UNO_QUERY_THROW)->close(true);
            } catch (...) {
            }
            throw office::Error("Not a spreadsheet: " + url.toStdString());
        }
        // Nothing is undone but what the engine asks to take back: recording
        // what each emptying took would only cost time and memory.
        Reference<beans::XPropertySet>(component, UNO_QUERY_THROW)->setPropertyValue("IsUndoEnabled", uno::Any(false));
        return std::shared_ptr<office::Document>(std::make_shared<UnoDocument>(component, link));
    });
}

} // namespace uno_office

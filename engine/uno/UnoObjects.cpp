#include "UnoObjects.h"

#include "UnoErrors.h"

#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/container/XNameAccess.hpp>
#include <com/sun/star/container/XNamed.hpp>
#include <com/sun/star/frame/XComponentLoader.hpp>
#include <com/sun/star/frame/XController.hpp>
#include <com/sun/star/frame/XDispatchHelper.hpp>
#include <com/sun/star/frame/XDispatchProvider.hpp>
#include <com/sun/star/frame/XFrame.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/frame/XStorable.hpp>
#include <com/sun/star/lang/XMultiComponentFactory.hpp>
#include <com/sun/star/lang/XMultiServiceFactory.hpp>
#include <com/sun/star/sheet/CellFlags.hpp>
#include <com/sun/star/sheet/XCellRangeFormula.hpp>
#include <com/sun/star/sheet/XCellRangesQuery.hpp>
#include <com/sun/star/sheet/XSheetAnnotationShapeSupplier.hpp>
#include <com/sun/star/sheet/XSheetAnnotations.hpp>
#include <com/sun/star/sheet/XSheetAnnotationsSupplier.hpp>
#include <com/sun/star/sheet/XSheetCellRangeContainer.hpp>
#include <com/sun/star/sheet/XSheetCellRanges.hpp>
#include <com/sun/star/sheet/XSheetOperation.hpp>
#include <com/sun/star/sheet/XSpreadsheet.hpp>
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>
#include <com/sun/star/sheet/XSpreadsheets.hpp>
#include <com/sun/star/table/XCell.hpp>
#include <com/sun/star/text/XTextRange.hpp>
#include <com/sun/star/util/XCloseable.hpp>
#include <com/sun/star/util/XProtectable.hpp>

#include "CellMap.h"
#include "SheetCells.h"
#include "SheetText.h"
#include "UndoSteps.h"
#include "CsvText.h"
#include "OfficeRuns.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMap>

#include <QTemporaryDir>
#include <QUrl>
#include <cmath>
#include <optional>
#include <tuple>

using namespace css;
using css::uno::Reference;
using css::uno::UNO_QUERY_THROW;
using rtl::OUString;

namespace uno_office {

OUString toOUString(const QString& s)
{
    return OUString(reinterpret_cast<const sal_Unicode*>(s.utf16()), sal_Int32(s.size()));
}

QString toQString(const OUString& s)
{
    return QString(reinterpret_cast<const QChar*>(s.getStr()), s.getLength());
}

uno::Any toAny(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::Bool: return uno::Any(value.toBool());
    case QMetaType::Short: return uno::Any(sal_Int16(value.value<short>()));
    case QMetaType::Int: return uno::Any(sal_Int32(value.toInt()));
    case QMetaType::Double: return uno::Any(value.toDouble());
    case QMetaType::QString: return uno::Any(toOUString(value.toString()));
    default: throw office::Error("Unsupported argument type " + std::string(value.typeName()));
    }
}

uno::Sequence<beans::PropertyValue> toSequence(const office::PropertyValues& values)
{
    uno::Sequence<beans::PropertyValue> sequence(sal_Int32(values.size()));
    auto* out = sequence.getArray();
    for (qsizetype i = 0; i < values.size(); ++i) {
        out[i].Name = toOUString(values[i].name);
        out[i].Value = toAny(values[i].value);
    }
    return sequence;
}

namespace {

// Every object keeps the liveness test, so a broken bridge shows as office::Gone.
class Object {
public:
    explicit Object(Alive alive) : m_alive(std::move(alive)) { }

protected:
    template <typename F> auto call(F&& f) const { return uno_errors::guarded(m_alive, std::forward<F>(f)); }
    Alive m_alive;
};

class UnoFrame : public office::Frame {
public:
    explicit UnoFrame(Reference<frame::XFrame> frame) : frame(std::move(frame)) { }
    Reference<frame::XFrame> frame;
};

class UnoController : public office::Controller, Object {
public:
    UnoController(Reference<frame::XController> controller, Alive alive)
        : Object(std::move(alive)), controller(std::move(controller))
    {
    }
    std::shared_ptr<office::Frame> frame() override
    {
        return call([&] {
            Reference<frame::XFrame> frame = controller->getFrame();
            if (!frame.is())
                throw office::Error("The document has no frame");
            return std::make_shared<UnoFrame>(frame);
        });
    }
    Reference<frame::XController> controller;
};

class UnoDocument : public office::Document, Object {
public:
    UnoDocument(Reference<lang::XComponent> component, Alive alive)
        : Object(std::move(alive)), component(std::move(component)), m_text(this->component, m_alive),
          m_undo(this->component, m_alive)
    {
    }
    std::shared_ptr<office::Controller> currentController() override
    {
        return call([&] {
            Reference<frame::XController> controller
                = Reference<frame::XModel>(component, UNO_QUERY_THROW)->getCurrentController();
            if (!controller.is())
                throw office::Error("The document has no controller");
            return std::make_shared<UnoController>(controller, m_alive);
        });
    }
    int sheetCount() override
    {
        return call([&] { return int(sheets()->getCount()); });
    }
    void storeToUrl(const QString& url, const office::PropertyValues& properties) override
    {
        try {
            call([&] {
                if (properties.contains(office::PropertyValue{"FilterName", "OpenDocument Spreadsheet Flat XML"}))
                    makeNoteDrawings();
                Reference<frame::XStorable>(component, UNO_QUERY_THROW)
                    ->storeToURL(toOUString(url), toSequence(properties));
            });
        } catch (const office::Gone&) {
            if (m_alive.watch && m_alive.watch->pid() > 0)
                office_runs::removeStoreScratch(QFileInfo(QUrl(url).toLocalFile()).path(), m_alive.watch->pid());
            throw;
        }
    }
    void close(bool deliverOwnership) override
    {
        call([&] { Reference<util::XCloseable>(component, UNO_QUERY_THROW)->close(deliverOwnership); });
    }

    QString sheetName(int index) override
    {
        return call(
            [&] { return toQString(Reference<container::XNamed>(spreadsheet(index), UNO_QUERY_THROW)->getName()); });
    }

    // The office tells in one call which cells have content, and writes a
    // whole sheet as text "as shown" (each cell's String) in milliseconds,
    // where reading cell by cell takes round trips each. Where that text
    // cannot be trusted the cells are read one by one: a cell that has
    // content but comes out as nothing at all (hidden by its protection, or a
    // format that shows nothing) is left for the engine to ask, and a sheet
    // whose text does not have the shape of its cells (a number format
    // holding a line break splits a row) is read cell by cell.
    void readCells(int sheetIndex, const office::RangeAddress& area,
                   const std::function<void(const office::ShownCell&)>& cell) override
    {
        const Reference<sheet::XSpreadsheet> sheet = call([&] { return spreadsheet(sheetIndex); });
        const bool locked = call([&] { return Reference<util::XProtectable>(sheet, UNO_QUERY_THROW)->isProtected(); });
        m_plain[sheetIndex] = !locked && call([&] {
            return Reference<sheet::XSheetAnnotationsSupplier>(sheet, UNO_QUERY_THROW)->getAnnotations()->getCount()
                == 0;
        });
        // A cell hidden by its protection comes out of a whole-document text as
        // nothing, like an empty one: only the sheet's own query tells them apart.
        if (!locked && call([&] { return countSheets(); }) > ManySheets && readWritten(sheetIndex, area, cell))
            return;
        const CellMap content(call([&] { return sheet_cells::query(sheet, sheet_cells::ContentFlags); }));
        if (content.isEmpty())
            return;
        const CellMap formulas(call([&] { return sheet_cells::query(sheet, sheet::CellFlags::FORMULA); }));
        const qint64 wanted = content.cellsIn(area);
        const qint64 written = qint64(content.lastRow() + 1) * (content.lastColumn() + 1);
        if (wanted > 64 && written <= 4000 * wanted) {
            const QString text = m_text.sheetAsShown(sheetIndex);
            const bool read = content.eachInText(text, area, formulas, cell);
            QDir(QFileInfo(text).path()).removeRecursively();
            if (read)
                return;
        }
        content.each(area, formulas, [&](int column, int row, bool formula) {
            const QString text = call([&] { return sheet_cells::shownAt(sheet, column, row); });
            cell(office::ShownCell{column, row, text, true, formula});
        });
    }

    QString shownText(int sheetIndex, int column, int row) override
    {
        return call([&] {
            if (m_sheetIndex != sheetIndex) {
                m_sheet = spreadsheet(sheetIndex);
                m_sheetIndex = sheetIndex;
            }
            return sheet_cells::shownAt(m_sheet, column, row);
        });
    }

    std::optional<QList<office::FormulaText>> formulas(int sheetIndex) override
    {
        QList<office::FormulaText> texts;
        const Reference<sheet::XSpreadsheet> sheet = call([&] { return spreadsheet(sheetIndex); });
        const CellMap formulas(call([&] { return sheet_cells::query(sheet, sheet::CellFlags::FORMULA); }));
        const office::RangeAddress all{sheetIndex, 0, 0, formulas.lastColumn(), formulas.lastRow()};
        const qint64 count = formulas.cellsIn(all);
        // The texts of the box around them come in one call; too many to hold are not listed.
        const qint64 box = qint64(formulas.lastRow() + 1) * (formulas.lastColumn() + 1);
        if (formulas.isEmpty())
            return texts;
        if (count > 200000 || box > 4 * count + 100000)
            return std::nullopt;
        const uno::Sequence<uno::Sequence<OUString>> written = call([&] {
            return Reference<sheet::XCellRangeFormula>(
                       sheet->getCellRangeByPosition(0, 0, formulas.lastColumn(), formulas.lastRow()), UNO_QUERY_THROW)
                ->getFormulaArray();
        });
        texts.reserve(count);
        formulas.each(all, formulas, [&](int column, int row, bool) {
            texts << office::FormulaText{column, row, toQString(written[row][column])};
        });
        return texts;
    }

    QStringList shownTexts(int sheetIndex, const QList<office::CellAt>& cells) override
    {
        const Reference<sheet::XSpreadsheet> sheet = call([&] { return spreadsheet(sheetIndex); });
        return m_shownNow.read(sheet, sheetIndex, cells, m_text, m_alive);
    }

    void keepUndo(bool keep) override { m_undo.keep(keep); }
    void takeBack(int emptyings) override { m_undo.takeBack(emptyings); }

    // A batch that touches a cell the office will not empty is refused whole,
    // without an error, so what still has content afterwards is emptied range
    // by range, and a refused range cell by cell.
    QList<office::RangeAddress> emptyRanges(const QList<office::RangeAddress>& ranges,
                                            const QList<office::RangeAddress>& alone) override
    {
        QList<office::RangeAddress> refused, guarded, free;
        for (const office::RangeAddress& r : ranges)
            (m_plain.value(r.sheet) ? free : guarded) << r;
        m_undo.step([&] {
            emptyAcrossSheets(free);
            eachSheetBatch(guarded, [&](const QList<office::RangeAddress>& batch) {
                for (const office::RangeAddress& left : call([&] { return emptyTogether(batch); }))
                    emptyOnItsOwn(left, refused);
            });
            for (const office::RangeAddress& r : alone)
                emptyOnItsOwn(r, refused);
        });
        return refused;
    }

private:
    // One clearing costs the office about the square of the pieces it marks
    // (a range is a piece in each column whose marks differ from its
    // neighbour's), and each call something for the size of the sheet: 700
    // ranges a call did best on a sheet (measured from 300 to 3000 on 60,000
    // cells), 2000 across sheets.
    static constexpr qsizetype SheetBatch = 700, Batch = 2000;

    // The ranges a sheet at a time, in batches.
    static void eachSheetBatch(const QList<office::RangeAddress>& ranges,
                               const std::function<void(const QList<office::RangeAddress>&)>& batch)
    {
        QMap<int, QList<office::RangeAddress>> bySheet;
        for (const office::RangeAddress& r : ranges)
            bySheet[r.sheet] << r;
        for (const QList<office::RangeAddress>& list : std::as_const(bySheet))
            for (qsizetype first = 0; first < list.size(); first += SheetBatch)
                batch(list.mid(first, SheetBatch));
    }

    // Past this many sheets, calls that each cost the office something for
    // every sheet it has are made once for all sheets where that is sound.
    static constexpr int ManySheets = 8;

    // Ranges of sheets that are not protected, where nothing but a part of an
    // array (never among these) makes the office refuse, and that have no
    // notes (emptying notes on several sheets at once fails in the first row).
    // The office empties every range of a call on every sheet of the call, so
    // one call takes the same ranges on a set of sheets: as many calls as
    // different sets, not one per sheet.
    void emptyAcrossSheets(const QList<office::RangeAddress>& ranges)
    {
        // With few sheets a call a sheet is cheaper than mixing sheets.
        if (countSheets() <= ManySheets) {
            eachSheetBatch(ranges, [&](const QList<office::RangeAddress>& batch) {
                call([&] { clearTogether(batch, EmptyFlags); });
            });
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
        const int sheetsPerCall = sheetsPerClearing(countSheets());
        for (auto it = placesOf.cbegin(); it != placesOf.cend(); ++it) {
            QList<office::RangeAddress> together;
            auto flush = [&] {
                call([&] { clearTogether(together, EmptyFlags & ~sheet::CellFlags::ANNOTATION); });
                together.clear();
            };
            for (qsizetype first = 0; first < it.key().size(); first += sheetsPerCall) {
                const QList<int> sheets = it.key().mid(first, sheetsPerCall);
                for (const auto& [c1, r1, c2, r2] : it.value()) {
                    for (int sheet : sheets)
                        together << office::RangeAddress{sheet, c1, r1, c2, r2};
                    if (together.size() >= Batch)
                        flush();
                }
                if (!together.isEmpty())
                    flush();
            }
        }
    }

    // A clearing costs the office something for every sheet of the document,
    // and for every sheet it touches something for every other sheet it
    // touches: so many sheets a call that the two weigh the same (measured
    // on 2,000 sheets: 25 to 50 a call took a third of the time of 200, and a
    // twentieth of all at once).
    static int sheetsPerClearing(int sheetCount) { return std::max(1, int(std::sqrt(double(sheetCount)))); }

    // The document written as text once for all sheets, shown and as
    // formulas: a cell has content when either shows something, and a
    // formula (or a text that looks like one) starts with "=". The formulas
    // come first and what each cell holds is kept, so that the text as shown
    // overwrites the same files: making thousands of files costs the file
    // system more than writing them.
    bool readWritten(int sheetIndex, const office::RangeAddress& area,
                     const std::function<void(const office::ShownCell&)>& cell)
    {
        if (!m_written)
            writeWhole();
        const Written::Sheet* kept = m_written->sheets.size() > sheetIndex ? &m_written->sheets[sheetIndex] : nullptr;
        if (!kept || !kept->even)
            return false;
        const QString file = m_written->folder + "/text-" + m_written->names.value(sheetIndex) + ".csv";
        bool even = true;
        int rows = 0;
        CsvText::Reader shape([](int, int, QString&&, bool) {},
                              [&](int, int fields) {
                                  even = even && fields == kept->width;
                                  ++rows;
                              });
        if (!CsvText::readFile(file, shape) || !even || rows != kept->rows)
            return false; // a number format holding a line break
        CsvText::Reader shown(
            [&](int column, int row, QString&& text, bool quoted) {
                if (row < area.startRow || row > area.endRow || column < area.startColumn || column > area.endColumn)
                    return;
                const char kind = kept->kinds.at(qsizetype(row) * kept->width + column);
                const bool known = quoted || !text.isEmpty();
                if ((kind & 1) || known)
                    cell(office::ShownCell{column, row, std::move(text), known, (kind & 2) != 0});
            },
            [](int, int) {});
        return CsvText::readFile(file, shown);
    }

    void writeWhole()
    {
        m_written.emplace();
        // A sheet of a few cells far apart is written as the text of its
        // whole area: gigabytes from a file of kilobytes. The document is
        // written whole only while its text stays near the size of its cells;
        // else each sheet takes its own way, which guards itself.
        qint64 cells = 0, fields = 0;
        for (int i = 0; i < countSheets(); ++i) {
            const CellMap content(call([&] { return sheet_cells::query(spreadsheet(i), sheet_cells::ContentFlags); }));
            cells += content.cellsIn({i, 0, 0, office::AnyColumn, office::AnyRow});
            if (!content.isEmpty())
                fields += qint64(content.lastRow() + 1) * (content.lastColumn() + 1);
        }
        if (fields > 64 * cells + 4000000)
            return;
        m_written->names = call([&] {
            QStringList names;
            for (const OUString& name : Reference<container::XNameAccess>(sheets(), UNO_QUERY_THROW)->getElementNames())
                names << toQString(name);
            return names;
        });
        m_written->folder = m_text.write("whole", true, 0);
        // A file a sheet, or the names did not map one to one.
        auto mapped = [&] { return QDir(m_written->folder).entryList(QDir::Files).size() == m_written->names.size(); };
        if (!mapped())
            return;
        for (const QString& name : std::as_const(m_written->names)) {
            // 1: content, 2: formula, a byte a cell row by row.
            Written::Sheet& sheet = m_written->sheets.emplace_back();
            CsvText::Reader formulas(
                [&](int, int, QString&& text, bool quoted) {
                    sheet.kinds += char((quoted || !text.isEmpty() ? 1 : 0)
                                        | (text.startsWith('=') || text.startsWith('{') ? 2 : 0));
                },
                [&](int, int fields) {
                    sheet.even = sheet.even && (sheet.width < 0 || fields == sheet.width);
                    sheet.width = fields;
                    ++sheet.rows;
                });
            if (!CsvText::readFile(m_written->folder + "/text-" + name + ".csv", formulas))
                sheet.even = false;
        }
        m_text.write("whole", false, 0, false);
        if (!mapped())
            m_written->sheets.clear();
    }

    // Empties the ranges in one call; gives the ranges, to ask what still has
    // content. Every remote call counts when repeats are emptied a few at a
    // time before each formula is read.
    Reference<sheet::XSheetCellRangeContainer> clearTogether(const QList<office::RangeAddress>& ranges, sal_Int32 flags)
    {
        if (!m_factory.is())
            m_factory.set(component, UNO_QUERY_THROW);
        Reference<sheet::XSheetCellRangeContainer> container(
            m_factory->createInstance("com.sun.star.sheet.SheetCellRanges"), UNO_QUERY_THROW);
        uno::Sequence<table::CellRangeAddress> addresses(sal_Int32(ranges.size()));
        auto* out = addresses.getArray();
        for (const office::RangeAddress& r : ranges)
            *out++ = table::CellRangeAddress(sal_Int16(r.sheet), r.startColumn, r.startRow, r.endColumn, r.endRow);
        container->addRangeAddresses(addresses, false);
        Reference<sheet::XSheetOperation>(container, UNO_QUERY_THROW)->clearContents(flags);
        return container;
    }

    // Everything ".uno:Delete" with "A" takes from a cell, but the drawings over it.
    static constexpr sal_Int32 EmptyFlags = sheet_cells::ContentFlags | sheet::CellFlags::ANNOTATION | sheet::CellFlags::HARDATTR
        | sheet::CellFlags::STYLES | sheet::CellFlags::EDITATTR | sheet::CellFlags::FORMATTED;

    // Empties the ranges of one sheet in one call; gives what still has content.
    QList<office::RangeAddress> emptyTogether(const QList<office::RangeAddress>& ranges)
    {
        QList<office::RangeAddress> left; // the office refuses without a word
        const Reference<sheet::XCellRangesQuery> emptied(clearTogether(ranges, EmptyFlags), UNO_QUERY_THROW);
        for (const table::CellRangeAddress& a :
             emptied->queryContentCells(sal_Int16(sheet_cells::ContentFlags))->getRangeAddresses())
            left << office::RangeAddress{a.Sheet, a.StartColumn, a.StartRow, a.EndColumn, a.EndRow};
        return left;
    }

    void emptyOnItsOwn(const office::RangeAddress& r, QList<office::RangeAddress>& refused)
    {
        if (call([&] { return emptyTogether({r}); }).isEmpty())
            return;
        if (r.startColumn == r.endColumn && r.startRow == r.endRow) {
            refused << r;
            return;
        }
        for (int row = r.startRow; row <= r.endRow; ++row)
            for (int column = r.startColumn; column <= r.endColumn; ++column)
                emptyOnItsOwn({r.sheet, column, row, column, row}, refused);
    }

    Reference<sheet::XSpreadsheet> spreadsheet(int index)
    {
        return Reference<sheet::XSpreadsheet>(sheets()->getByIndex(index), UNO_QUERY_THROW);
    }

    // The flat format writes only the notes whose drawing the office has
    // made, and in a loaded document it has made none until one is shown.
    void makeNoteDrawings()
    {
        for (int i = 0; i < countSheets(); ++i) {
            const Reference<container::XIndexAccess> notes(
                Reference<sheet::XSheetAnnotationsSupplier>(spreadsheet(i), UNO_QUERY_THROW)->getAnnotations(),
                UNO_QUERY_THROW);
            for (sal_Int32 n = 0; n < notes->getCount(); ++n)
                Reference<sheet::XSheetAnnotationShapeSupplier>(notes->getByIndex(n), UNO_QUERY_THROW)
                    ->getAnnotationShape();
        }
    }

    // Asked once: every remote call counts in a document of many sheets.
    Reference<container::XIndexAccess> sheets()
    {
        if (!m_sheets.is())
            m_sheets.set(Reference<sheet::XSpreadsheetDocument>(component, UNO_QUERY_THROW)->getSheets(),
                         UNO_QUERY_THROW);
        return m_sheets;
    }
    int countSheets()
    {
        if (m_sheetCount < 0)
            m_sheetCount = sheets()->getCount();
        return m_sheetCount;
    }
    Reference<container::XIndexAccess> m_sheets;
    Reference<lang::XMultiServiceFactory> m_factory;
    int m_sheetCount = -1;
    Reference<lang::XComponent> component;
    SheetText m_text;
    UndoSteps m_undo;
    sheet_cells::ShownNow m_shownNow;
    QHash<int, bool> m_plain; // of each sheet read: neither protected nor with notes
    struct Written {
        QStringList names;
        QString folder;
        struct Sheet {
            QByteArray kinds;
            int width = -1, rows = 0;
            bool even = true;
        };
        QList<Sheet> sheets; // by index
    };
    std::optional<Written> m_written;
    Reference<sheet::XSpreadsheet> m_sheet; // the sheet of the last shownText()
    int m_sheetIndex = -1;
};

class UnoDispatchHelper : public office::DispatchHelper, Object {
public:
    UnoDispatchHelper(Reference<frame::XDispatchHelper> helper, Alive alive)
        : Object(std::move(alive)), helper(std::move(helper))
    {
    }
    void executeDispatch(office::Frame& frame, const QString& command, const QString& targetFrameName, int searchFlags,
                         const office::PropertyValues& arguments) override
    {
        call([&] {
            Reference<frame::XDispatchProvider> provider(dynamic_cast<UnoFrame&>(frame).frame, UNO_QUERY_THROW);
            helper->executeDispatch(provider, toOUString(command), toOUString(targetFrameName), searchFlags,
                                    toSequence(arguments));
        });
    }
    Reference<frame::XDispatchHelper> helper;
};

// Every document is opened as one nobody vouches for: no macro runs and no
// link is updated, whatever the caller asked.
office::PropertyValues untrusted(office::PropertyValues arguments)
{
    const office::PropertyValues safe = {{"MacroExecutionMode", QVariant::fromValue(short(0))}, // NEVER_EXECUTE
                                         {"UpdateDocMode", QVariant::fromValue(short(0))}}; // NO_UPDATE
    for (const office::PropertyValue& value : safe) {
        arguments.removeIf([&](const office::PropertyValue& given) { return given.name == value.name; });
        arguments << value;
    }
    return arguments;
}

class UnoDesktop : public office::Desktop, Object {
public:
    UnoDesktop(Reference<frame::XComponentLoader> loader, Alive alive)
        : Object(std::move(alive)), loader(std::move(loader))
    {
    }
    std::shared_ptr<office::Document> loadComponentFromUrl(const QString& url, const QString& targetFrameName,
                                                           int searchFlags,
                                                           const office::PropertyValues& arguments) override
    {
        return call([&] {
            Reference<lang::XComponent> component = loader->loadComponentFromURL(
                toOUString(url), toOUString(targetFrameName), searchFlags, toSequence(untrusted(arguments)));
            if (!component.is())
                throw office::Error("The office could not open " + url.toStdString());
            if (!Reference<sheet::XSpreadsheetDocument>(component, css::uno::UNO_QUERY).is()) {
                // Opened, but not as a spreadsheet (a text file becomes a text document).
                try {
                    Reference<util::XCloseable>(component, UNO_QUERY_THROW)->close(true);
                } catch (...) {
                }
                throw office::Error("Not a spreadsheet: " + url.toStdString());
            }
            // Nothing is ever undone: recording what each emptying took would
            // only cost time and memory.
            Reference<beans::XPropertySet>(component, UNO_QUERY_THROW)
                ->setPropertyValue("IsUndoEnabled", uno::Any(false));
            return std::make_shared<UnoDocument>(component, m_alive);
        });
    }
    Reference<frame::XComponentLoader> loader;
};

class UnoServiceManager : public office::ServiceManager, Object {
public:
    UnoServiceManager(Reference<uno::XComponentContext> context, Alive alive)
        : Object(std::move(alive)), context(std::move(context))
    {
    }
    std::shared_ptr<office::Desktop> desktop() override
    {
        return call([&] {
            Reference<frame::XComponentLoader> loader(create("com.sun.star.frame.Desktop"), UNO_QUERY_THROW);
            return std::make_shared<UnoDesktop>(loader, m_alive);
        });
    }
    std::shared_ptr<office::DispatchHelper> dispatchHelper() override
    {
        return call([&] {
            Reference<frame::XDispatchHelper> helper(create("com.sun.star.frame.DispatchHelper"), UNO_QUERY_THROW);
            return std::make_shared<UnoDispatchHelper>(helper, m_alive);
        });
    }

private:
    Reference<uno::XInterface> create(const char* service)
    {
        return context->getServiceManager()->createInstanceWithContext(OUString::createFromAscii(service), context);
    }
    Reference<uno::XComponentContext> context;
};

} // namespace

std::shared_ptr<office::ServiceManager> makeServiceManager(const Reference<uno::XComponentContext>& context,
                                                           Alive alive)
{
    return std::make_shared<UnoServiceManager>(context, std::move(alive));
}

} // namespace uno_office

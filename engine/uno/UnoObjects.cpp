#include "UnoObjects.h"

#include "UnoErrors.h"

#include <com/sun/star/container/XIndexAccess.hpp>
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
#include <com/sun/star/sheet/XCellRangeAddressable.hpp>
#include <com/sun/star/sheet/XCellRangesQuery.hpp>
#include <com/sun/star/sheet/XSheetCellCursor.hpp>
#include <com/sun/star/sheet/XSheetCellRange.hpp>
#include <com/sun/star/sheet/XSheetCellRangeContainer.hpp>
#include <com/sun/star/sheet/XSheetCellRanges.hpp>
#include <com/sun/star/sheet/XSheetOperation.hpp>
#include <com/sun/star/sheet/XSpreadsheet.hpp>
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>
#include <com/sun/star/sheet/XSpreadsheets.hpp>
#include <com/sun/star/sheet/XUsedAreaCursor.hpp>
#include <com/sun/star/table/XCell.hpp>
#include <com/sun/star/text/XTextRange.hpp>
#include <com/sun/star/util/XCloseable.hpp>

#include "CsvText.h"
#include "OfficeRuns.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QUrl>

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

class UnoCell : public office::Cell, Object {
public:
    UnoCell(Reference<table::XCell> cell, Alive alive) : Object(std::move(alive)), cell(std::move(cell)) { }
    QString string() override
    {
        return call([&] { return toQString(Reference<text::XTextRange>(cell, UNO_QUERY_THROW)->getString()); });
    }
    Reference<table::XCell> cell;
};

class UnoCursor : public office::CellCursor, Object {
public:
    UnoCursor(Reference<sheet::XSheetCellCursor> cursor, Alive alive)
        : Object(std::move(alive)), cursor(std::move(cursor))
    {
    }
    void gotoEndOfUsedArea(bool expand) override
    {
        call([&] { Reference<sheet::XUsedAreaCursor>(cursor, UNO_QUERY_THROW)->gotoEndOfUsedArea(expand); });
    }
    office::RangeAddress rangeAddress() override
    {
        return call([&] {
            const table::CellRangeAddress a
                = Reference<sheet::XCellRangeAddressable>(cursor, UNO_QUERY_THROW)->getRangeAddress();
            return office::RangeAddress{a.Sheet, a.StartColumn, a.StartRow, a.EndColumn, a.EndRow};
        });
    }
    Reference<sheet::XSheetCellCursor> cursor;
};

class UnoSheet : public office::Sheet, Object {
public:
    UnoSheet(Reference<sheet::XSpreadsheet> sheet, Alive alive) : Object(std::move(alive)), sheet(std::move(sheet)) { }
    std::unique_ptr<office::Cell> cellByPosition(int column, int row) override
    {
        return call([&] { return std::make_unique<UnoCell>(sheet->getCellByPosition(column, row), m_alive); });
    }
    std::unique_ptr<office::CellCursor> createCursorByRange(office::Cell& cell) override
    {
        return call([&] {
            Reference<sheet::XSheetCellRange> range(dynamic_cast<UnoCell&>(cell).cell, UNO_QUERY_THROW);
            return std::make_unique<UnoCursor>(sheet->createCursorByRange(range), m_alive);
        });
    }
    Reference<sheet::XSpreadsheet> sheet;
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
        : Object(std::move(alive)), component(std::move(component))
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
    std::unique_ptr<office::Sheet> sheetByIndex(int index) override
    {
        return call([&] {
            Reference<sheet::XSpreadsheet> sheet(sheets()->getByIndex(index), UNO_QUERY_THROW);
            return std::make_unique<UnoSheet>(sheet, m_alive);
        });
    }
    void storeToUrl(const QString& url, const office::PropertyValues& properties) override
    {
        call([&] {
            Reference<frame::XStorable>(component, UNO_QUERY_THROW)
                ->storeToURL(toOUString(url), toSequence(properties));
        });
    }
    void close(bool deliverOwnership) override
    {
        call([&] { Reference<util::XCloseable>(component, UNO_QUERY_THROW)->close(deliverOwnership); });
    }

    // Only the cells with content can show anything; the office tells which in
    // one call. A few cells far apart are read one by one; otherwise the office
    // writes the sheet as text "as shown", which is each cell's String, in
    // milliseconds, where reading cell by cell takes a round trip each.
    QList<office::ShownCell> shownTexts(int sheetIndex) override
    {
        QList<office::ShownCell> cells;
        const Reference<sheet::XSpreadsheet> sheet = call([&] { return spreadsheet(sheetIndex); });
        const uno::Sequence<table::CellRangeAddress> ranges = call([&] {
            using namespace sheet::CellFlags;
            return Reference<sheet::XCellRangesQuery>(sheet, UNO_QUERY_THROW)
                ->queryContentCells(VALUE | DATETIME | STRING | FORMULA)
                ->getRangeAddresses();
        });
        qint64 filled = 0, lastRow = 0, lastColumn = 0;
        for (const table::CellRangeAddress& a : ranges) {
            filled += qint64(a.EndColumn - a.StartColumn + 1) * (a.EndRow - a.StartRow + 1);
            lastRow = std::max<qint64>(lastRow, a.EndRow);
            lastColumn = std::max<qint64>(lastColumn, a.EndColumn);
        }
        if (filled == 0)
            return cells;
        if (filled <= 64 + (lastRow + 1) * (lastColumn + 1) / 4000) {
            for (const table::CellRangeAddress& a : ranges)
                for (sal_Int32 r = a.StartRow; r <= a.EndRow; ++r)
                    for (sal_Int32 c = a.StartColumn; c <= a.EndColumn; ++c) {
                        QString text = call([&] {
                            return toQString(
                                Reference<text::XTextRange>(sheet->getCellByPosition(c, r), UNO_QUERY_THROW)
                                    ->getString());
                        });
                        if (!text.isEmpty())
                            cells << office::ShownCell{c, r, std::move(text)};
                    }
            std::sort(cells.begin(), cells.end(), [](const office::ShownCell& x, const office::ShownCell& y) {
                return std::pair(x.row, x.column) < std::pair(y.row, y.column);
            });
            return cells;
        }
        const QString text = exportAsShown(sheetIndex);
        cells.reserve(filled);
        CsvText::parse(text, [&](int column, int row, QString&& field) {
            cells << office::ShownCell{column, row, std::move(field)};
        });
        return cells;
    }

    // One clearing costs the office about the square of its ranges, and each
    // call something for the size of the sheet: batches of 2000 ranges did best
    // (measured from 100 to 30000 on 60,000 and 600,000 cells).
    void clearRanges(int sheetIndex, const QList<office::RangeAddress>& ranges) override
    {
        constexpr qsizetype batch = 2000;
        for (qsizetype first = 0; first < ranges.size(); first += batch)
            call([&] {
                Reference<sheet::XSheetCellRangeContainer> container(
                    Reference<lang::XMultiServiceFactory>(component, UNO_QUERY_THROW)
                        ->createInstance("com.sun.star.sheet.SheetCellRanges"),
                    UNO_QUERY_THROW);
                const qsizetype count = std::min(batch, ranges.size() - first);
                uno::Sequence<table::CellRangeAddress> addresses;
                addresses.realloc(sal_Int32(count));
                auto* out = addresses.getArray();
                for (qsizetype i = first; i < first + count; ++i) {
                    const office::RangeAddress& r = ranges[i];
                    *out++ = table::CellRangeAddress(sal_Int16(sheetIndex), r.startColumn, r.startRow, r.endColumn,
                                                     r.endRow);
                }
                container->addRangeAddresses(addresses, false);
                using namespace sheet::CellFlags;
                Reference<sheet::XSheetOperation>(container, UNO_QUERY_THROW)
                    ->clearContents(VALUE | DATETIME | STRING | ANNOTATION | FORMULA | HARDATTR | STYLES | OBJECTS
                                    | EDITATTR | FORMATTED);
            });
    }

private:
    Reference<sheet::XSpreadsheet> spreadsheet(int index)
    {
        return Reference<sheet::XSpreadsheet>(sheets()->getByIndex(index), UNO_QUERY_THROW);
    }

    // The sheet as the office's comma-separated text, every cell as shown.
    QString exportAsShown(int sheetIndex)
    {
        if (!m_scratch)
            m_scratch = std::make_unique<QTemporaryDir>(office_runs::folderTemplate("scratch"));
        if (!m_scratch->isValid())
            throw office::Error("No folder for the sheet's text: " + m_scratch->errorString().toStdString());
        // The office names the file after the sheet too; a folder per sheet finds it.
        const QString folder = m_scratch->filePath(QString::number(sheetIndex + 1));
        QDir(folder).removeRecursively();
        QDir().mkpath(folder);
        call([&] {
            // Comma, double quote, UTF-8, ..., contents as shown, no formulas, no trimming, this sheet.
            const QString options = QString("44,34,76,1,,0,false,true,true,false,false,%1").arg(sheetIndex + 1);
            Reference<frame::XStorable>(component, UNO_QUERY_THROW)
                ->storeToURL(
                    toOUString(QUrl::fromLocalFile(folder + "/sheet.csv").toString(QUrl::FullyEncoded)),
                    toSequence({{"FilterName", QString("Text - txt - csv (StarCalc)")}, {"FilterOptions", options}}));
        });
        const QStringList written = QDir(folder).entryList(QDir::Files);
        QFile file(written.size() == 1 ? folder + '/' + written[0] : folder + "/sheet.csv");
        if (!file.open(QIODevice::ReadOnly))
            throw office::Error("The sheet's text could not be read: " + file.errorString().toStdString());
        const QString text = QString::fromUtf8(file.readAll());
        file.close();
        QDir(folder).removeRecursively();
        return text;
    }

    Reference<container::XIndexAccess> sheets()
    {
        return Reference<container::XIndexAccess>(
            Reference<sheet::XSpreadsheetDocument>(component, UNO_QUERY_THROW)->getSheets(), UNO_QUERY_THROW);
    }
    Reference<lang::XComponent> component;
    std::unique_ptr<QTemporaryDir> m_scratch;
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

#include "SheetFixture.h"

#include "OfficeConnectionAccess.h"
#include "UnoErrors.h"
#include "UnoValues.h"

#include <com/sun/star/awt/Point.hpp>
#include <com/sun/star/awt/Size.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/container/XNameContainer.hpp>
#include <com/sun/star/drawing/XDrawPage.hpp>
#include <com/sun/star/drawing/XDrawPages.hpp>
#include <com/sun/star/drawing/XDrawPagesSupplier.hpp>
#include <com/sun/star/drawing/XShape.hpp>
#include <com/sun/star/drawing/XShapes.hpp>
#include <com/sun/star/frame/XComponentLoader.hpp>
#include <com/sun/star/frame/XStorable.hpp>
#include <com/sun/star/io/XInputStream.hpp>
#include <com/sun/star/lang/Locale.hpp>
#include <com/sun/star/lang/XMultiComponentFactory.hpp>
#include <com/sun/star/lang/XMultiServiceFactory.hpp>
#include <com/sun/star/script/XLibraryContainer.hpp>
#include <com/sun/star/script/ModuleType.hpp>
#include <com/sun/star/script/vba/XVBACompatibility.hpp>
#include <com/sun/star/script/vba/XVBAModuleInfo.hpp>
#include <com/sun/star/sheet/CellFlags.hpp>
#include <com/sun/star/sheet/XArrayFormulaRange.hpp>
#include <com/sun/star/sheet/XCellRangeAddressable.hpp>
#include <com/sun/star/sheet/XCellRangeData.hpp>
#include <com/sun/star/sheet/XCellRangeFormula.hpp>
#include <com/sun/star/sheet/XSheetAnnotation.hpp>
#include <com/sun/star/sheet/XSheetAnnotationAnchor.hpp>
#include <com/sun/star/sheet/XSheetAnnotations.hpp>
#include <com/sun/star/sheet/XSheetAnnotationsSupplier.hpp>
#include <com/sun/star/sheet/XSheetCellCursor.hpp>
#include <com/sun/star/sheet/XSheetOperation.hpp>
#include <com/sun/star/sheet/XSpreadsheet.hpp>
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>
#include <com/sun/star/sheet/XSpreadsheets.hpp>
#include <com/sun/star/sheet/XUsedAreaCursor.hpp>
#include <com/sun/star/table/CellContentType.hpp>
#include <com/sun/star/table/XCell.hpp>
#include <com/sun/star/table/XCellRange.hpp>
#include <com/sun/star/table/XColumnRowRange.hpp>
#include <com/sun/star/table/XTableColumns.hpp>
#include <com/sun/star/table/XTableRows.hpp>
#include <com/sun/star/text/XTextRange.hpp>
#include <com/sun/star/util/CellProtection.hpp>
#include <com/sun/star/util/XCloseable.hpp>
#include <com/sun/star/util/XMergeable.hpp>
#include <com/sun/star/util/XNumberFormats.hpp>
#include <com/sun/star/util/XNumberFormatsSupplier.hpp>
#include <com/sun/star/util/XProtectable.hpp>

#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QTest>
#include <QUrl>

using namespace css;
using css::uno::Reference;
using css::uno::UNO_QUERY_THROW;
using rtl::OUString;
using uno_office::toOUString;
using uno_office::toQString;

namespace {

// Within a test function a failure of the office (one that could not start
// on a busy machine, say) fails that test, as the test's own checks do,
// instead of ending the whole test program; elsewhere (a benchmark) it is
// thrown.
// The office is reached first, here: its process belongs to this thread,
// while the call may run on the connection's call thread.
template <typename F>
auto failsTheTest(OfficeConnection& office, F&& f) -> decltype(f(Reference<uno::XComponentContext>()))
{
    try {
        const Reference<uno::XComponentContext> context = OfficeConnectionAccess::remoteContext(office);
        return uno_errors::guarded(OfficeConnectionAccess::link(office), [&] { return f(context); });
    } catch (const office::Error& e) {
        if (!QTest::currentTestFunction())
            throw;
        QTest::qFail(e.what(), __FILE__, __LINE__);
        if constexpr (!std::is_void_v<decltype(f(Reference<uno::XComponentContext>()))>)
            return {};
    }
}

OUString url(const QString& path)
{
    return toOUString(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toString(QUrl::FullyEncoded));
}

uno::Sequence<beans::PropertyValue> properties(std::initializer_list<std::pair<const char*, uno::Any>> list)
{
    uno::Sequence<beans::PropertyValue> sequence(sal_Int32(list.size()));
    auto* out = sequence.getArray();
    for (const auto& [name, value] : list) {
        out->Name = OUString::createFromAscii(name);
        out->Value = value;
        ++out;
    }
    return sequence;
}

QString filterFor(const QString& path)
{
    static const QHash<QString, QString> filters{{"xls", "MS Excel 97"},
                                                 {"xlsx", "Calc MS Excel 2007 XML"},
                                                 {"xlsm", "Calc MS Excel 2007 VBA XML"},
                                                 {"fods", "OpenDocument Spreadsheet Flat XML"},
                                                 {"ots", "calc8_template"},
                                                 {"csv", "Text - txt - csv (StarCalc)"}};
    return filters.value(QFileInfo(path).suffix().toLower(), "calc8");
}

// A document loaded or created hidden, closed when the holder goes.
class Doc {
public:
    Doc(const Reference<uno::XComponentContext>& context, const QString& fromUrl)
    {
        Reference<frame::XComponentLoader> loader(
            context->getServiceManager()->createInstanceWithContext("com.sun.star.frame.Desktop", context),
            UNO_QUERY_THROW);
        component
            = loader->loadComponentFromURL(toOUString(fromUrl), "_blank", 0, properties({{"Hidden", uno::Any(true)}}));
        if (!component.is())
            throw office::Error("Could not open " + fromUrl.toStdString());
        spreadsheet.set(component, UNO_QUERY_THROW);
    }
    ~Doc()
    {
        try {
            Reference<util::XCloseable>(component, UNO_QUERY_THROW)->close(true);
        } catch (...) {
        }
    }
    Reference<sheet::XSpreadsheet> sheet(int index, bool create)
    {
        Reference<sheet::XSpreadsheets> sheets = spreadsheet->getSheets();
        Reference<container::XIndexAccess> access(sheets, UNO_QUERY_THROW);
        while (create && access->getCount() <= index)
            sheets->insertNewByName(toOUString(QString("Sheet%1").arg(access->getCount() + 1)),
                                    sal_Int16(access->getCount()));
        return Reference<sheet::XSpreadsheet>(access->getByIndex(index), UNO_QUERY_THROW);
    }
    int sheetCount()
    {
        return Reference<container::XIndexAccess>(spreadsheet->getSheets(), UNO_QUERY_THROW)->getCount();
    }
    void storeTo(const QString& path, const QString& password = {})
    {
        uno::Sequence<beans::PropertyValue> props
            = properties({{"FilterName", uno::Any(toOUString(filterFor(path)))}, {"Overwrite", uno::Any(true)}});
        if (!password.isEmpty()) {
            props.realloc(3);
            props.getArray()[2].Name = "Password";
            props.getArray()[2].Value <<= toOUString(password);
        }
        Reference<frame::XStorable>(component, UNO_QUERY_THROW)->storeToURL(url(path), props);
    }
    sal_Int32 formatKey(const QString& code)
    {
        Reference<util::XNumberFormats> formats
            = Reference<util::XNumberFormatsSupplier>(component, UNO_QUERY_THROW)->getNumberFormats();
        const lang::Locale locale;
        sal_Int32 key = formats->queryKey(toOUString(code), locale, false);
        return key >= 0 ? key : formats->addNew(toOUString(code), locale);
    }

    Reference<lang::XComponent> component;
    Reference<sheet::XSpreadsheetDocument> spreadsheet;
};

// From A1 to the end of the sheet's used area.
table::CellRangeAddress usedArea(const Reference<sheet::XSpreadsheet>& sheet)
{
    Reference<sheet::XSheetCellCursor> cursor = sheet->createCursorByRange(
        Reference<sheet::XSheetCellRange>(sheet->getCellByPosition(0, 0), UNO_QUERY_THROW));
    Reference<sheet::XUsedAreaCursor>(cursor, UNO_QUERY_THROW)->gotoEndOfUsedArea(true);
    return Reference<sheet::XCellRangeAddressable>(cursor, UNO_QUERY_THROW)->getRangeAddress();
}

// The drawings of one sheet.
Reference<drawing::XDrawPage> drawPage(const Doc& doc, int sheet)
{
    return Reference<drawing::XDrawPage>(
        Reference<drawing::XDrawPagesSupplier>(doc.component, UNO_QUERY_THROW)->getDrawPages()->getByIndex(sheet),
        UNO_QUERY_THROW);
}

} // namespace

void SheetFixture::write(const QString& path, const FixtureBook& book, const QList<FixtureLook>& looks,
                         const QString& macro)
{
    failsTheTest(m_office, [&](const Reference<uno::XComponentContext>& context) {
        Doc doc(context, "private:factory/scalc");
        for (int s = 0; s < std::max(book.size(), looks.size()); ++s)
            doc.sheet(s, true);
        for (int s = 0; s < book.size(); ++s) {
            Reference<sheet::XSpreadsheet> sheet = doc.sheet(s, true);
            for (int r = 0; r < book[s].size(); ++r) {
                for (int c = 0; c < book[s][r].size(); ++c) {
                    const FixtureCell& in = book[s][r][c];
                    if (in.kind == FixtureCell::Empty)
                        continue;
                    Reference<table::XCell> cell = sheet->getCellByPosition(c, r);
                    if (in.kind == FixtureCell::Text)
                        Reference<text::XTextRange>(cell, UNO_QUERY_THROW)->setString(toOUString(in.text));
                    else if (in.kind == FixtureCell::Number)
                        cell->setValue(in.number);
                    else if (in.arrayColumns > 0)
                        Reference<sheet::XArrayFormulaRange>(
                            sheet->getCellRangeByPosition(c, r, c + in.arrayColumns - 1, r + in.arrayRows - 1),
                            UNO_QUERY_THROW)
                            ->setArrayFormula(toOUString(in.text));
                    else
                        cell->setFormula(toOUString(in.text));
                    if (!in.locked || in.hidden) {
                        util::CellProtection protection;
                        protection.IsLocked = in.locked;
                        protection.IsHidden = in.hidden;
                        Reference<beans::XPropertySet>(cell, UNO_QUERY_THROW)
                            ->setPropertyValue("CellProtection", uno::Any(protection));
                    }
                    if (!in.format.isEmpty())
                        Reference<beans::XPropertySet>(cell, UNO_QUERY_THROW)
                            ->setPropertyValue("NumberFormat", uno::Any(doc.formatKey(in.format)));
                    if (in.mergeColumns > 1 || in.mergeRows > 1)
                        Reference<util::XMergeable>(
                            sheet->getCellRangeByPosition(c, r, c + in.mergeColumns - 1, r + in.mergeRows - 1),
                            UNO_QUERY_THROW)
                            ->merge(true);
                    if (!in.note.isEmpty())
                        Reference<sheet::XSheetAnnotationsSupplier>(sheet, UNO_QUERY_THROW)
                            ->getAnnotations()
                            ->insertNew(table::CellAddress(sal_Int16(s), c, r), toOUString(in.note));
                }
            }
        }
        for (int s = 0; s < looks.size(); ++s) {
            const FixtureLook& look = looks[s];
            Reference<sheet::XSpreadsheet> sheet = doc.sheet(s, true);
            Reference<table::XColumnRowRange> lines(sheet, UNO_QUERY_THROW);
            for (int r : look.hiddenRows)
                Reference<beans::XPropertySet>(lines->getRows()->getByIndex(r), UNO_QUERY_THROW)
                    ->setPropertyValue("IsVisible", uno::Any(false));
            for (int c : look.hiddenColumns)
                Reference<beans::XPropertySet>(lines->getColumns()->getByIndex(c), UNO_QUERY_THROW)
                    ->setPropertyValue("IsVisible", uno::Any(false));
            Reference<drawing::XShapes> page(drawPage(doc, s), UNO_QUERY_THROW);
            for (const QList<int>& at : look.drawings) {
                // Placed over the cells by their positions on the page.
                Reference<drawing::XShape> shape(Reference<lang::XMultiServiceFactory>(doc.component, UNO_QUERY_THROW)
                                                     ->createInstance("com.sun.star.drawing.RectangleShape"),
                                                 UNO_QUERY_THROW);
                const awt::Point topLeft
                    = Reference<beans::XPropertySet>(sheet->getCellByPosition(at[0], at[1]), UNO_QUERY_THROW)
                          ->getPropertyValue("Position")
                          .get<awt::Point>();
                const awt::Point bottomRight
                    = Reference<beans::XPropertySet>(sheet->getCellByPosition(at[0] + at[2], at[1] + at[3]),
                                                     UNO_QUERY_THROW)
                          ->getPropertyValue("Position")
                          .get<awt::Point>();
                page->add(shape);
                shape->setPosition(awt::Point(topLeft.X + 50, topLeft.Y + 50));
                shape->setSize(awt::Size(bottomRight.X - topLeft.X - 100, bottomRight.Y - topLeft.Y - 100));
            }
            if (look.hiddenSheet)
                Reference<beans::XPropertySet>(sheet, UNO_QUERY_THROW)->setPropertyValue("IsVisible", uno::Any(false));
            if (look.protectedSheet)
                Reference<util::XProtectable>(sheet, UNO_QUERY_THROW)->protect("");
        }
        if (!macro.isEmpty()) {
            // The office writes a VBA project from the library named after it.
            Reference<script::XLibraryContainer> libraries(
                Reference<beans::XPropertySet>(doc.component, UNO_QUERY_THROW)->getPropertyValue("BasicLibraries"),
                UNO_QUERY_THROW);
            Reference<script::vba::XVBACompatibility> vba(libraries, UNO_QUERY_THROW);
            vba->setVBACompatibilityMode(true);
            vba->setProjectName("VBAProject");
            Reference<container::XNameContainer> library(libraries->createLibrary("VBAProject"), UNO_QUERY_THROW);
            script::ModuleInfo info;
            info.ModuleType = script::ModuleType::NORMAL;
            Reference<script::vba::XVBAModuleInfo>(library, UNO_QUERY_THROW)->insertModuleInfo("Module1", info);
            library->insertByName("Module1", uno::Any(toOUString("Option VBASupport 1\n" + macro)));
        }
        doc.storeTo(path);
    });
}

void SheetFixture::writeTexts(const QString& path, const QList<QList<QStringList>>& sheets, const QString& password,
                              bool asFormulas)
{
    failsTheTest(m_office, [&](const Reference<uno::XComponentContext>& context) {
        Doc doc(context, "private:factory/scalc");
        for (int s = 0; s < sheets.size(); ++s) {
            Reference<sheet::XSpreadsheet> sheet = doc.sheet(s, true);
            const QList<QStringList>& rows = sheets[s];
            int width = 0;
            for (const QStringList& row : rows)
                width = std::max(width, int(row.size()));
            if (rows.isEmpty() || width == 0)
                continue;
            uno::Sequence<uno::Sequence<uno::Any>> data(sal_Int32(rows.size()));
            auto* outRows = data.getArray();
            for (int r = 0; r < rows.size(); ++r) {
                outRows[r].realloc(width);
                auto* out = outRows[r].getArray();
                for (int c = 0; c < width; ++c)
                    out[c] = uno::Any(toOUString(c < rows[r].size() ? rows[r][c] : QString()));
            }
            Reference<table::XCellRange> range
                = sheet->getCellRangeByPosition(0, 0, width - 1, sal_Int32(rows.size()) - 1);
            if (asFormulas) {
                uno::Sequence<uno::Sequence<OUString>> typed(data.getLength());
                for (sal_Int32 r = 0; r < data.getLength(); ++r) {
                    typed.getArray()[r].realloc(width);
                    for (int c = 0; c < width; ++c)
                        typed.getArray()[r].getArray()[c] = data[r][c].get<OUString>();
                }
                Reference<sheet::XCellRangeFormula>(range, UNO_QUERY_THROW)->setFormulaArray(typed);
            } else {
                Reference<sheet::XCellRangeData>(range, UNO_QUERY_THROW)->setDataArray(data);
            }
        }
        doc.storeTo(path, password);
    });
}

void SheetFixture::writePlaced(const QString& path, const QList<Placed>& cells)
{
    failsTheTest(m_office, [&](const Reference<uno::XComponentContext>& context) {
        Doc doc(context, "private:factory/scalc");
        for (const Placed& p : cells)
            Reference<text::XTextRange>(doc.sheet(p.sheet, true)->getCellByPosition(p.column, p.row), UNO_QUERY_THROW)
                ->setString(toOUString(p.text));
        doc.storeTo(path);
    });
}

namespace {

template <typename Describe>
QList<ShownSheet> eachCell(OfficeConnection& office, const QString& path, Describe describe, bool drawings = false)
{
    return failsTheTest(office, [&](const Reference<uno::XComponentContext>& context) {
        Doc doc(context,
                QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toString(QUrl::FullyEncoded));
        QList<ShownSheet> result;
        for (int s = 0; s < doc.sheetCount(); ++s) {
            Reference<sheet::XSpreadsheet> sheet = doc.sheet(s, false);
            const table::CellRangeAddress end = usedArea(sheet);
            ShownSheet shown;
            for (int r = 0; r <= end.EndRow; ++r) {
                QStringList row;
                for (int c = 0; c <= end.EndColumn; ++c)
                    row << describe(doc, sheet, sheet->getCellByPosition(c, r));
                shown << row;
            }
            if (drawings)
                shown << QStringList{QString("drawings: %1").arg(drawPage(doc, s)->getCount())};
            result << shown;
        }
        return result;
    });
}

} // namespace

QList<ShownSheet> SheetFixture::read(const QString& path)
{
    return eachCell(m_office, path,
                    [](Doc&, const Reference<sheet::XSpreadsheet>&, const Reference<table::XCell>& cell) {
                        return toQString(Reference<text::XTextRange>(cell, UNO_QUERY_THROW)->getString());
                    });
}

QList<ShownSheet> SheetFixture::describe(const QString& path)
{
    return eachCell(
        m_office, path,
        [](Doc& doc, const Reference<sheet::XSpreadsheet>&, const Reference<table::XCell>& cell) {
            sal_Int32 key = 0;
            Reference<beans::XPropertySet>(cell, UNO_QUERY_THROW)->getPropertyValue("NumberFormat") >>= key;
            const Reference<beans::XPropertySet> format(
                Reference<util::XNumberFormatsSupplier>(doc.component, UNO_QUERY_THROW)
                    ->getNumberFormats()
                    ->getByKey(key));
            OUString code;
            format->getPropertyValue("FormatString") >>= code;
            const OUString note
                = Reference<text::XTextRange>(
                      Reference<sheet::XSheetAnnotationAnchor>(cell, UNO_QUERY_THROW)->getAnnotation(), UNO_QUERY_THROW)
                      ->getString();
            const bool merged = Reference<util::XMergeable>(cell, UNO_QUERY_THROW)->getIsMerged();
            return QStringList{toQString(Reference<text::XTextRange>(cell, UNO_QUERY_THROW)->getString()),
                               toQString(cell->getFormula()), toQString(code), toQString(note), merged ? "merged" : ""}
                .join(" | ");
        },
        true);
}

QList<ShownSheet> SheetFixture::marks(const QString& path, quint32 colour)
{
    return eachCell(m_office, path, [&](Doc&, const Reference<sheet::XSpreadsheet>&, const Reference<table::XCell>& cell) {
        sal_Int32 back = -1;
        Reference<beans::XPropertySet>(cell, UNO_QUERY_THROW)->getPropertyValue("CellBackColor") >>= back;
        QStringList flags;
        if (cell->getType() != table::CellContentType_EMPTY)
            flags << "filled";
        if (back == sal_Int32(colour))
            flags << "marked";
        return flags.join(", ");
    });
}

SheetFixture::Literal SheetFixture::emptyRepeatsOneByOne(const QString& from, const QString& to,
                                                         const std::function<bool(int, int)>& inScope, Match match)
{
    return failsTheTest(m_office, [&](const Reference<uno::XComponentContext>& context) {
        Doc doc(context,
                QUrl::fromLocalFile(QFileInfo(from).absoluteFilePath()).toString(QUrl::FullyEncoded));
        using namespace sheet::CellFlags;
        const sal_Int16 everythingButDrawings
            = VALUE | DATETIME | STRING | ANNOTATION | FORMULA | HARDATTR | STYLES | EDITATTR | FORMATTED;
        QSet<QString> seen;
        Literal did;
        for (int s = 0; s < doc.sheetCount(); ++s) {
            Reference<sheet::XSpreadsheet> sheet = doc.sheet(s, false);
            const table::CellRangeAddress end = usedArea(sheet);
            for (int r = 0; r <= end.EndRow; ++r)
                for (int c = 0; c <= end.EndColumn; ++c) {
                    if (inScope && !inScope(r, c))
                        continue;
                    Reference<table::XCell> cell = sheet->getCellByPosition(c, r);
                    const QString text = toQString(Reference<text::XTextRange>(cell, UNO_QUERY_THROW)->getString());
                    if (text.isEmpty())
                        continue;
                    if (text == "Err:540" && cell->getType() == table::CellContentType_FORMULA) {
                        ++did.unserved;
                        continue;
                    }
                    if (const QString key = matchKey(text, match); !seen.contains(key)) {
                        seen.insert(key);
                        continue;
                    }
                    Reference<sheet::XSheetOperation>(sheet->getCellRangeByPosition(c, r, c, r), UNO_QUERY_THROW)
                        ->clearContents(everythingButDrawings);
                    if (cell->getType() != table::CellContentType_EMPTY)
                        ++did.kept;
                }
        }
        Reference<frame::XStorable>(doc.component, UNO_QUERY_THROW)->storeToURL(url(to), {});
        return did;
    });
}

void SheetFixture::loadAndStore(const QString& from, const QString& to)
{
    failsTheTest(m_office, [&](const Reference<uno::XComponentContext>& context) {
        Doc doc(context,
                QUrl::fromLocalFile(QFileInfo(from).absoluteFilePath()).toString(QUrl::FullyEncoded));
        doc.storeTo(to);
    });
}

QByteArray SheetFixture::packagePart(const QString& path, const QString& part)
{
    const Reference<uno::XComponentContext> context = OfficeConnectionAccess::remoteContext(m_office);
    return uno_errors::guarded(OfficeConnectionAccess::link(m_office), [&] {
        uno::Sequence<uno::Any> arguments(1);
        arguments.getArray()[0] <<= url(path);
        Reference<container::XNameAccess> zip(
            context->getServiceManager()->createInstanceWithArgumentsAndContext(
                "com.sun.star.packages.zip.ZipFileAccess", arguments, context),
            UNO_QUERY_THROW);
        Reference<io::XInputStream> in(zip->getByName(toOUString(part)), UNO_QUERY_THROW);
        QByteArray bytes;
        uno::Sequence<sal_Int8> chunk;
        while (in->readBytes(chunk, 1 << 16) > 0)
            bytes.append(reinterpret_cast<const char*>(chunk.getConstArray()), chunk.getLength());
        in->closeInput();
        return bytes;
    });
}

#include "Calc1.h"

#include "Emptier.h"
#include "SheetScan.h"

#include "ErrorReport.h"
#include "FileUtils.h"
#include "Paths.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <algorithm>
#include <cmath>
#include <optional>
#include <tuple>
#include <utility>

std::optional<Calc1::CellPlace> SeenTexts::firstOrAdd(const QString& text, const Calc1::CellPlace& here)
{
    // The seed is the process's own, so a document cannot be made of texts
    // that all fall into one bucket.
    const qsizetype before = m_first.size();
    const QString k = key(text);
    Calc1::CellPlace& first = m_first[Key{k, qHash(k, QHashSeed::globalSeed())}];
    if (m_first.size() == before)
        return first;
    first = here;
    return std::nullopt;
}

std::optional<Calc1::CellPlace> SeenTexts::find(const QString& text) const
{
    const QString k = key(text);
    const auto it = m_first.constFind(Key{k, qHash(k, QHashSeed::globalSeed())});
    if (it == m_first.cend())
        return std::nullopt;
    return *it;
}

namespace Calc1 {

namespace {

// The file opened again, the cells a real run emptied marked, stored.
void storeMarked(const Context& context, const QString& path, QList<EmptiedCell> cells, const QString& url,
                 const office::PropertyValues& storeAs)
{
    std::sort(cells.begin(), cells.end(), [](const EmptiedCell& a, const EmptiedCell& b) {
        return std::tie(a.cell.sheet, a.cell.row, a.cell.column) < std::tie(b.cell.sheet, b.cell.row, b.cell.column);
    });
    QList<office::RangeAddress> ranges;
    for (qsizetype i = 0; i < cells.size();) {
        Ranges sheet;
        const int index = cells[i].cell.sheet;
        for (; i < cells.size() && cells[i].cell.sheet == index; ++i)
            sheet.add(index, cells[i].cell.column, cells[i].cell.row);
        ranges << sheet.take();
    }
    const std::shared_ptr<office::Document> original = context.office.open(FileUrl(path));
    try {
        if (!ranges.isEmpty())
            original->markRanges(ranges, *context.options.mark);
        original->store(FileUrl(url), storeAs);
    } catch (...) {
        try {
            original->close();
        } catch (const office::Error&) {
        }
        throw;
    }
    original->close();
}

// Every sheet visited in order, the repeats emptied.
void scanDocument(StepGuard& step, office::Document& document, int sheetCount, SeenTexts& seenTexts,
                  const Context& context, FileResult& did)
{
    // A review run marks what was emptied, so it lists it.
    const bool review = context.options.mark.has_value();
    Emptier emptier(step, document, did, context.options.listEmptied || review, context.options.listCells || review);
    Workbook book(document);
    for (int i = 0; i < sheetCount && !step.stopped(); ++i) {
        if (context.options.listEmptied && !step(114, [&] { did.sheetNames << sheetName(document, i); }))
            break;
        scanSheet(step, document, i, context.settings, context.options, seenTexts, emptier, book,
                  did.readings.emplace_back());
        context.host.letEventsIn();
        if (context.host.quitting())
            step.stop(); // nothing more of this file is done or stored
    }
    emptier.flush();
    if (!step.stopped())
        emptier.reportLeft();
}

// The result stored under the free temporary name `temporary`.
void storeResult(office::Document& document, const Context& context, const QString& path, const FileResult& did,
                 const ResultFormat& format, const QString& temporary)
{
    office::PropertyValues storeAs;
    if (!format.filter.isEmpty())
        storeAs << MakePropertyValue("FilterName", format.filter);
    if (!format.filterOptions.isEmpty())
        storeAs << MakePropertyValue("FilterOptions", format.filterOptions);
    // The office would make a vanished folder anew, somewhere the user never chose.
    const QString folder = QFileInfo(temporary).path();
    if (!FileUtils::IsFolder(folder))
        throw office::Error("The results folder is not there any more: " + folder.toStdString());
    try {
        if (context.options.mark)
            storeMarked(context, path, did.emptied, temporary, storeAs);
        else
            document.store(FileUrl(temporary), storeAs);
    } catch (...) {
        QFile::remove(temporary); // ours: the name was free before the store
        throw;
    }
}

} // namespace

FileResult DoItByFile(const QString& path, SeenTexts& seenTexts, const Context& context)
{
    FileResult did;
    Host& host = context.host;
    StepGuard step(host, ErrorReport::location("Calc1", "DoItByFile"));
    step.stopOn<office::Gone>(); // the office's objects are all lost with it
    const JobSettings& settings = context.settings;
    std::optional<BusyWhile> busy;
    std::shared_ptr<office::Document> document;

    step(100, [&] { busy.emplace(host); });
    const bool loaded = step(102, [&] { context.office.start(); }) && step(106, [&] {
                            // The office would take an empty file for a new, empty spreadsheet.
                            if (QFileInfo(path).isFile() && QFileInfo(path).size() == 0)
                                throw office::Error("The file is empty: " + path.toStdString());
                            document = context.office.open(FileUrl(path));
                        });
    if (loaded)
        step(112, [&] { FileUtils::Wait(context.options.loadWaitSeconds, host); });

    int sheetCount = 0;
    const bool counted = loaded && step(114, [&] { sheetCount = document->sheetCount(); });
    if (counted)
        scanDocument(step, *document, sheetCount, seenTexts, context, did);

    ResultPaths result;
    // A format of one sheet cannot hold a document of several.
    const ResultFormat format = context.options.format.oneSheet && sheetCount != 1 ? ResultFormat{} : context.options.format;
    // A review run's result is the file itself with what was emptied marked:
    // the worked copy goes first.
    const bool marking = context.options.mark.has_value();
    const auto close = [&] {
        try {
            document->close();
        } catch (const office::Gone& e) {
            // A lost office at this point takes nothing from a stored result.
            throw office::Error(e.what());
        }
    };
    if (loaded && marking)
        step(244, close);
    const bool stored = counted && context.options.store
        && step(236, [&] { result = ResultPathsFor(settings.resultsFolder(), path, format.extension); })
        && step(242, [&] { storeResult(*document, context, path, did, format, result.temporary); });
    if (loaded && !marking)
        step(244, close);
    if (stored)
        did.done = step(245, [&] {
            host.letEventsIn();
            FileUtils::ReplaceFile(result.temporary, result.final);
        });
    if (marking && !(context.options.listEmptied && context.options.listCells))
        did.emptied.clear(); // listed for the marks only
    did.storedAs = format.extension;
    step(250, [&] { document.reset(); });
    step(252, [&] { busy.reset(); });
    did.failures = step.failures();
    return did;
}

} // namespace Calc1

#include "Calc1.h"

#include "Emptier.h"
#include "SheetScan.h"

#include "ErrorReport.h"
#include "FileUtils.h"
#include "Paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <algorithm>
#include <cmath>
#include <functional>
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

// The result's folder, made when it may be; its temporary name claimed.
ResultPaths claimResult(const Context& context, const QString& path, const ResultFormat& format)
{
    const FileOptions& options = context.options;
    const QString folder = context.settings.resultsFolder();
    // The office would make a vanished folder anew, somewhere the user never chose.
    const QString root = options.resultsRoot;
    if (!FileUtils::IsFolder(folder)) {
        if (root.isEmpty() || !FileUtils::IsFolder(root)
            || !folder.startsWith(Paths::WithoutTrailingSeparators(root) + '/'))
            throw std::runtime_error("The results folder is not there any more: "
                                     + (root.isEmpty() ? folder : root).toStdString());
        if (!QDir().mkpath(folder))
            throw std::runtime_error("Could not make the folder " + folder.toStdString());
    }
    return ClaimResultPaths(folder, path, format.extension, options.temporary);
}

// A step's failure said in words when they can be found; the office's own
// text goes beside them. The office's loss passes as it is.
template <typename F> void explained(F&& f, const std::function<QString()>& words)
{
    try {
        f();
    } catch (const office::Gone&) {
        throw;
    } catch (const Explained&) {
        throw;
    } catch (const std::exception& e) {
        const QString said = words();
        if (said.isEmpty())
            throw;
        throw Explained(said, QString::fromUtf8(e.what()));
    }
}

// Why nothing could be stored or named in the result's folder, or in the
// folder the user chose when that one could not be made.
QString whyNotStored(const Context& context, const QString& name, qint64 bytes)
{
    const QString folder = context.settings.resultsFolder(), root = context.options.resultsRoot;
    return whyNotStorable(FileUtils::IsFolder(folder) || root.isEmpty() ? folder : root, name, bytes);
}

// Opened hidden, or why not in words.
std::shared_ptr<office::Document> openFile(const Context& context, const QString& path)
{
    if (const QString why = whyUnopenable(path); !why.isEmpty())
        throw Explained(why, {});
    try {
        return context.office.open(FileUrl(path));
    } catch (const office::Gone&) {
        throw;
    } catch (const office::Error& e) {
        throw Explained(whyRefused(e.refusal(), path), QString::fromUtf8(e.what()));
    }
}

// Stored under a temporary name claimed for it.
ResultPaths store(office::Document& document, const Context& context, const QString& path, const FileResult& did,
                  const ResultFormat& format)
{
    ResultPaths result;
    explained(
        [&] {
            result = claimResult(context, path, format);
            storeResult(document, context, path, did, format, result.temporary);
        },
        [&] {
            // A result about the size of its file no longer fits: the disk is full.
            const QString why
                = whyNotStored(context, resultName(path, format.extension), qMax<qint64>(1, QFileInfo(path).size()));
            return why.isEmpty() ? QString("The office could not store the result of %1 in %2")
                                       .arg(path, context.settings.resultsFolder())
                                 : why;
        });
    return result;
}

// The stored result takes its name, replacing an earlier result.
void giveName(const Context& context, const ResultPaths& result)
{
    explained(
        [&] {
            try {
                FileUtils::ReplaceFile(result.temporary, result.final);
            } catch (...) {
                if (context.options.temporary == Temporary::Private)
                    QFile::remove(result.temporary);
                throw;
            }
        },
        [&] {
            const QString why = whyNotStored(context, QFileInfo(result.final).fileName(), 0);
            return why.isEmpty() ? QString("Could not give the result its name %1").arg(result.final) : why;
        });
}

} // namespace

FileResult DoItByFile(const QString& path, SeenTexts& seenTexts, const Context& context)
{
    FileResult did;
    Host& host = context.host;
    StepGuard step(host, ErrorReport::location("Calc1", "DoItByFile"));
    step.stopOn<office::Gone>(); // the office's objects are all lost with it
    std::optional<BusyWhile> busy;
    std::shared_ptr<office::Document> document;

    step(100, [&] { busy.emplace(host); });
    const bool loaded
        = step(102, [&] { context.office.start(); }) && step(106, [&] { document = openFile(context, path); });
    if (loaded)
        step(112, [&] { FileUtils::Wait(context.options.loadWaitSeconds, host); });

    int sheetCount = 0;
    const bool counted = loaded && step(114, [&] { sheetCount = document->sheetCount(); });
    if (counted)
        scanDocument(step, *document, sheetCount, seenTexts, context, did);

    ResultPaths result;
    // A format of one sheet cannot hold a document of several.
    const bool severalSheets = context.options.format.oneSheet && sheetCount != 1;
    const ResultFormat format = severalSheets ? ResultFormat{} : context.options.format;
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
        && step(236,
                [&] {
                    if (severalSheets && !context.options.noFallback.isEmpty())
                        throw std::runtime_error(QString("A .%1 file holds one sheet, and this has several; %2")
                                                     .arg(context.options.format.extension, context.options.noFallback)
                                                     .toStdString());
                })
        && step(242, [&] { result = store(*document, context, path, did, format); });
    if (loaded && !marking)
        step(244, close);
    if (stored)
        did.done = step(245, [&] {
            host.letEventsIn();
            giveName(context, result);
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

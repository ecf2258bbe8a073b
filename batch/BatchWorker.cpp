#include "BatchWorker.h"

#include "BatchFiles.h"
#include "OfficeConnection.h"
#include "Platform.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>

namespace Batch {

namespace {

QJsonArray position(const Calc1::CellPlace& p)
{
    return {p.sheet, p.column, p.row};
}

Calc1::CellPlace position(const QJsonValue& value)
{
    const QJsonArray a = value.toArray();
    return {.sheet = a.at(0).toInt(), .column = a.at(1).toInt(), .row = a.at(2).toInt()};
}

} // namespace

QByteArray encodeTask(const Task& task)
{
    return QJsonDocument(QJsonObject{{"index", task.index},
                                     {"path", task.path},
                                     {"folder", task.folder},
                                     {"noFallback", task.noFallback}})
               .toJson(QJsonDocument::Compact)
        + '\n';
}

QByteArray encodeResult(const FileResult& result)
{
    const Calc1::FileResult& o = result.outcome.result;
    QJsonArray cells, failures;
    for (const Calc1::EmptiedCell& e : o.emptied)
        cells.append(QJsonArray{position(e.cell), e.text, position(e.first)});
    for (const Host::Failure& f : o.failures)
        failures.append(QJsonArray{f.description, f.location, f.step, f.detail});
    QJsonObject object{{"index", result.index},
                       {"failures", failures},
                       {"done", o.done},
                       {"interrupted", result.outcome.interrupted},
                       {"restart", result.outcome.restart},
                       {"storedAs", o.storedAs},
                       {"sheets", QJsonArray::fromStringList(o.sheetNames)},
                       {"cells", cells},
                       {"kept", o.kept},
                       {"count", o.emptiedCount}};
    if (o.firstKept)
        object.insert("firstKept", position(*o.firstKept));
    if (o.firstUnserved) {
        object.insert("unserved", o.unserved);
        object.insert("firstUnserved", position(*o.firstUnserved));
    }
    return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
}

bool decodeResult(const QByteArray& line, FileResult& result)
{
    const QJsonObject object = QJsonDocument::fromJson(line).object();
    if (!object.value("index").isDouble() || !object.value("failures").isArray() || !object.value("done").isBool())
        return false;
    result.index = object.value("index").toInt();
    Calc1::FileResult& o = result.outcome.result;
    for (const QJsonValue& f : object.value("failures").toArray()) {
        const QJsonArray failure = f.toArray();
        o.failures.append({.description = failure.at(0).toString(),
                           .location = failure.at(1).toString(),
                           .step = failure.at(2).toInt(),
                           .detail = failure.at(3).toString()});
    }
    o.done = object.value("done").toBool();
    result.outcome.interrupted = object.value("interrupted").toBool();
    result.outcome.restart = object.value("restart").toString();
    o.storedAs = object.value("storedAs").toString();
    for (const QJsonValue& s : object.value("sheets").toArray())
        o.sheetNames << s.toString();
    for (const QJsonValue& c : object.value("cells").toArray()) {
        const QJsonArray cell = c.toArray();
        o.emptied.append({.cell = position(cell.at(0)), .text = cell.at(1).toString(), .first = position(cell.at(2))});
    }
    o.kept = object.value("kept").toInteger();
    o.emptiedCount = object.value("count").toInteger();
    if (object.contains("firstKept"))
        o.firstKept = position(object.value("firstKept"));
    if (object.contains("firstUnserved")) {
        o.unserved = object.value("unserved").toInteger();
        o.firstUnserved = position(object.value("firstUnserved"));
    }
    return true;
}

int runWorker(const Options& options)
{
    QFile in, out;
    if (!in.open(stdin, QIODevice::ReadOnly) || !out.open(stdout, QIODevice::WriteOnly))
        return 1;
    // The failures travel in each file's outcome; no one is there to ask.
    struct : ConsoleHost {
        void reportError(const Failure&) override { }
    } host;
    OfficeConnection office(
        {.soffice = {}, .callTimeoutMs = options.timeoutSeconds * 1000, .memoryCapMb = options.officeMemoryMb});
    Run::Service run(office, {.files = options.recycle, .memoryMb = options.recycleMemoryMb});
    // Stopped: the file at hand is given up at once, a call the office keeps
    // waiting on included; the parent closes our input.
    const std::unique_ptr<QObject> termination = Platform::onTerminationRequest([](int) { }, [&](int) {
        host.requestQuit();
        run.abort();
    });
    for (QByteArray line = in.readLine(); !line.isEmpty() && !host.quitting(); line = in.readLine()) {
        const QJsonObject task = QJsonDocument::fromJson(line).object();
        FileResult result;
        result.index = task.value("index").toInt(-1);
        const QString path = task.value("path").toString();
        if (result.index < 0 || path.isEmpty())
            return 1; // not from a parent of ours
        const QString folder = task.value("folder").toString();
        const Settings settings(options, folder);
        // The result will carry the file's time as it is read now.
        const std::optional<qint64> read = modifiedNs(path);
        // Cells are listed only for a report: a file may empty millions.
        result.outcome = run.process(path, settings, host,
                                     {.loadWaitSeconds = 0.0,
                                      .listEmptied = true,
                                      .store = !options.dryRun,
                                      .listCells = !options.report.isEmpty(),
                                      .format = formatOf(path, options.format),
                                      .match = options.match,
                                      .rows = options.rows,
                                      .columns = options.columns,
                                      .skipRows = options.skipRows,
                                      .mark = options.mark ? std::optional(options.markColour) : std::nullopt,
                                      .temporary = Calc1::Temporary::Private,
                                      .resultsRoot = options.results,
                                      .noFallback = task.value("noFallback").toString()});
        const Calc1::FileResult& did = result.outcome.result;
        if (did.done && read)
            setModifiedNs(Calc1::resultPath(folder, path, did.storedAs), *read);
        out.write(encodeResult(result));
        out.flush();
    }
    return 0;
}

} // namespace Batch

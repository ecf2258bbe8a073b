#include "BatchWorker.h"

#include "BatchFiles.h"
#include "BatchHost.h"
#include "OfficeConnection.h"
#include "Platform.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>

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
    return {a.at(0).toInt(), a.at(1).toInt(), a.at(2).toInt()};
}

} // namespace

QByteArray encodeTask(int index, const QString& path)
{
    return QJsonDocument(QJsonObject{{"index", index}, {"path", path}}).toJson(QJsonDocument::Compact) + '\n';
}

QByteArray encodeResult(const FileResult& result)
{
    const Calc1::FileResult& o = result.outcome;
    QJsonArray cells;
    for (const Calc1::EmptiedCell& e : o.emptied)
        cells.append(QJsonArray{position(e.cell), e.text, position(e.first)});
    QJsonObject object{{"index", result.index},
                       {"errors", QJsonArray::fromStringList(result.errors)},
                       {"stored", result.stored},
                       {"interrupted", result.interrupted},
                       {"restart", result.restart},
                       {"storedAs", o.storedAs},
                       {"sheets", QJsonArray::fromStringList(o.sheetNames)},
                       {"cells", cells},
                       {"kept", o.kept},
                       {"count", o.emptiedCount}};
    if (o.firstKept)
        object.insert("firstKept", position(*o.firstKept));
    return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
}

bool decodeResult(const QByteArray& line, FileResult& result)
{
    const QJsonObject object = QJsonDocument::fromJson(line).object();
    if (!object.contains("index"))
        return false;
    result.index = object.value("index").toInt();
    for (const QJsonValue& e : object.value("errors").toArray())
        result.errors << e.toString();
    result.stored = object.value("stored").toBool();
    result.interrupted = object.value("interrupted").toBool();
    result.restart = object.value("restart").toString();
    result.outcome.storedAs = object.value("storedAs").toString();
    for (const QJsonValue& s : object.value("sheets").toArray())
        result.outcome.sheetNames << s.toString();
    for (const QJsonValue& c : object.value("cells").toArray()) {
        const QJsonArray cell = c.toArray();
        result.outcome.emptied.append({position(cell.at(0)), cell.at(1).toString(), position(cell.at(2))});
    }
    result.outcome.kept = object.value("kept").toInteger();
    result.outcome.emptiedCount = object.value("count").toInteger();
    if (object.contains("firstKept"))
        result.outcome.firstKept = position(object.value("firstKept"));
    return true;
}

int runWorker(const Options& options)
{
    QFile in, out;
    if (!in.open(stdin, QIODevice::ReadOnly) || !out.open(stdout, QIODevice::WriteOnly))
        return 1;
    BatchHost host(BatchHost::Collect);
    OfficeConnection::Options officeOptions;
    officeOptions.callTimeoutMs = options.timeoutSeconds * 1000;
    OfficeConnection office(officeOptions);
    // Stopped: the file at hand is given up at once, a call the office keeps
    // waiting on included; the parent closes our input.
    const std::unique_ptr<QObject> termination = Platform::onTerminationRequest([](int) { }, [&](int) {
        host.requestQuit();
        office.abort();
    });
    const Settings settings(options);
    int sinceStart = 0, starts = 0;
    bool restartDue = false;
    for (QByteArray line = in.readLine(); !line.isEmpty() && !host.quitting(); line = in.readLine()) {
        const QJsonObject task = QJsonDocument::fromJson(line).object();
        FileResult result;
        result.index = task.value("index").toInt(-1);
        const QString path = task.value("path").toString();
        if (result.index < 0 || path.isEmpty())
            return 1; // not from a parent of ours
        if (std::exchange(restartDue, false)) {
            try {
                office.restart();
            } catch (const office::Error&) {
                // The file's own start of an office says why none runs.
            }
        }
        SeenTexts seenTexts;
        // Cells are listed only for a report: a file may empty millions.
        result.outcome = Calc1::DoItByFile(path, seenTexts,
                                           {office, settings, host, 0.0, true, !options.dryRun,
                                            !options.report.isEmpty(), formatOf(path, options.format)});
        result.errors = host.takeMessages();
        result.stored = result.outcome.done;
        result.interrupted = host.quitting();
        // An office started anew (after it was lost) counts from there.
        if (office.starts() != starts) {
            starts = office.starts();
            sinceStart = 0;
        }
        const qint64 memoryMb = Platform::residentBytes(office.processId()) >> 20;
        if (options.recycle > 0 && ++sinceStart >= options.recycle) {
            restartDue = true;
        } else if (options.recycleMemoryMb > 0 && memoryMb > options.recycleMemoryMb) {
            restartDue = true;
            result.restart = QString("its office held %1 MB, more than %2 MB").arg(memoryMb).arg(options.recycleMemoryMb);
        }
        out.write(encodeResult(result));
        out.flush();
    }
    return 0;
}

} // namespace Batch

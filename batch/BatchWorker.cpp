#include "BatchWorker.h"

#include "BatchHost.h"
#include "OfficeConnection.h"

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
    QJsonObject object{{"index", result.index},   {"errors", QJsonArray::fromStringList(result.errors)},
                       {"stored", result.stored}, {"sheets", QJsonArray::fromStringList(o.sheetNames)},
                       {"cells", cells},          {"kept", o.kept},
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
    const Settings settings(options);
    int sinceStart = 0;
    qint64 officePid = 0;
    for (QByteArray line = in.readLine(); !line.isEmpty(); line = in.readLine()) {
        const QJsonObject task = QJsonDocument::fromJson(line).object();
        FileResult result;
        result.index = task.value("index").toInt(-1);
        const QString path = task.value("path").toString();
        if (result.index < 0 || path.isEmpty())
            return 1; // not from a parent of ours
        SeenTexts seenTexts;
        // Cells are listed only for a report: a file may empty millions.
        result.outcome = Calc1::DoItByFile(path, seenTexts,
                                           {office, settings, host, 0.0, true, !options.dryRun, !options.report.isEmpty()});
        result.errors = host.takeMessages();
        result.stored = result.outcome.done;
        out.write(encodeResult(result));
        out.flush();
        // An office started anew (after it died) counts from there.
        if (const qint64 pid = office.processId(); pid != officePid) {
            officePid = pid;
            sinceStart = 0;
        }
        if (options.recycle > 0 && ++sinceStart >= options.recycle) {
            office.shutdown(); // bounds the office's memory; the next file starts another
            sinceStart = 0;
        }
    }
    return 0;
}

} // namespace Batch

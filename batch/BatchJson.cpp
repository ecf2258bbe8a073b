#include "BatchJson.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace Batch {

namespace {

QByteArray line(const QJsonObject& object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
}

// Seconds to the millisecond: what a script compares.
double rounded(double seconds)
{
    return qRound64(seconds * 1000) / 1000.0;
}

} // namespace

QString statusName(Status status)
{
    switch (status) {
    case Status::Done: return "done";
    case Status::Failed: return "failed";
    case Status::Skipped: return "skipped";
    case Status::NotDone: return "not done";
    case Status::LeftOut: return "left out";
    }
    return {};
}

QByteArray jsonFile(const QString& input, const QString& result, Status status, const Calc1::FileResult& did,
                    double seconds)
{
    QJsonArray errors;
    for (const Host::Failure& f : did.failures)
        errors.append(QJsonObject{{"step", f.step},
                                  // "PROJECT.MODULE.PROCEDURE": the project is the same in every report.
                                  {"procedure", f.location.section('.', 1, -1)},
                                  {"description", f.description},
                                  {"detail", f.detail.isEmpty() ? QJsonValue() : QJsonValue(f.detail)}});
    return line({{"file", input},
                 {"result", result.isEmpty() ? QJsonValue() : QJsonValue(result)},
                 {"status", statusName(status)},
                 {"emptied", did.emptiedCount},
                 {"kept", did.kept},
                 {"unserved", did.unserved},
                 {"errors", errors},
                 {"seconds", rounded(seconds)}});
}

QByteArray jsonSummary(const QMap<Status, qsizetype>& files, qint64 emptied, double seconds)
{
    QJsonObject byStatus;
    for (Status s : {Status::Done, Status::Failed, Status::Skipped, Status::NotDone, Status::LeftOut})
        byStatus.insert(statusName(s), files.value(s));
    return line({{"summary", true}, {"files", byStatus}, {"emptied", emptied}, {"seconds", rounded(seconds)}});
}

} // namespace Batch

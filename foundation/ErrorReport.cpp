#include "ErrorReport.h"

#include <stdexcept>

namespace ErrorReport {

QString text(const Host::Failure& failure)
{
    return failure.description + "\r\n" + "in " + failure.location + ' ' + "at line "
        + QString::number(failure.step) + "\r\r" + "Please email screenshot of this message to " + SupportEmail;
}

QString oneLine(const Host::Failure& failure)
{
    QString line = failure.description + (failure.detail.isEmpty() ? QString() : " (" + failure.detail + ")") + " in "
        + failure.location + " at line " + QString::number(failure.step);
    return line.replace('\r', ' ').replace('\n', ' ').simplified();
}

void show(Host& host, const QString& description, const QString& location, int step)
{
    host.reportError({description, location, step});
}

QString location(const QString& module, const QString& procedure, const char* project)
{
    return QString::fromLatin1(project) + '.' + module + '.' + procedure;
}

QString describeCurrentException()
{
    try {
        throw;
    } catch (const std::exception& e) {
        const QString what = QString::fromUtf8(e.what());
        return what.isEmpty() ? QStringLiteral("Unexpected error") : what;
    } catch (...) {
        return QStringLiteral("Unexpected error");
    }
}

} // namespace ErrorReport

void StepGuard::report(int step, const QString& description, const QString& detail)
{
    m_failures.append({description, m_location, step, detail});
    ErrorReport::show(m_host, description, m_location, step);
}

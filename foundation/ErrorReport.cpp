#include "ErrorReport.h"

#include <stdexcept>

namespace ErrorReport {

QString text(const QString& description, const QString& location, int step)
{
    return description + "\r\n" + "in " + location + ' ' + "at line " + QString::number(step) + "\r\r"
        + "Please email screenshot of this message to " + SupportEmail;
}

void show(Host& host, const QString& description, const QString& location, int step)
{
    host.reportError(text(description, location, step));
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

void StepGuard::report(int step, const QString& description) const
{
    ErrorReport::show(m_host, description, m_location, step);
}

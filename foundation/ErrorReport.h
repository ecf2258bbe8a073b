#pragma once
// The numbered-step error report: a procedure runs its steps through a
// StepGuard; a failing step is reported in one box and the procedure goes on.

#include "Host.h"

#include <QString>

#include <exception>
#include <stdexcept>

namespace ErrorReport {

inline constexpr const char* Project = "Sievekit2021/08/31";
inline constexpr const char* WalkProject = "BrindleTitle2021/08/31";
inline constexpr const char* SupportEmail = "support@tamberlin.example";

/// The report's text, exactly as the user sees it (CRs included).
QString text(const Host::Failure& failure);
/// The report as one line, without the request for a screenshot, with the
/// office's or the system's own text after the description.
QString oneLine(const Host::Failure& failure);

/// Hands the report to the host (the window shows a box with an exclamation icon).
void show(Host& host, const QString& description, const QString& location, int step);

/// "PROJECT.MODULE.PROCEDURE"
QString location(const QString& module, const QString& procedure, const char* project = Project);

/// The description of the exception being handled.
QString describeCurrentException();

} // namespace ErrorReport

/// A failure said in a person's words, naming what it concerns; the office's
/// or the system's own text goes beside them.
class Explained : public std::runtime_error {
public:
    Explained(const QString& words, const QString& detail) : std::runtime_error(words.toStdString()), m_detail(detail)
    {
    }
    const QString& detail() const { return m_detail; }

private:
    QString m_detail;
};

/// A failure after which nothing more can be done in the procedure: the guard
/// reports it and skips every later step.
class Abandon {
public:
    virtual ~Abandon() = default;
};

class StepGuard {
public:
    StepGuard(Host& host, QString location) : m_host(host), m_location(std::move(location)) { }

    /// Runs one numbered step. A failure is reported and false returned.
    template <typename F> bool operator()(int step, F&& f)
    {
        if (m_stopped)
            return false;
        try {
            f();
            return true;
        } catch (const Abandon&) {
            m_stopped = true;
            report(step, ErrorReport::describeCurrentException());
        } catch (const Explained& e) {
            report(step, QString::fromStdString(e.what()), e.detail());
        } catch (...) {
            if (m_stopsOn && m_stopsOn())
                m_stopped = true;
            report(step, ErrorReport::describeCurrentException());
        }
        return false;
    }

    /// Failures of type E end the procedure too, as an Abandon does.
    template <typename E> void stopOn()
    {
        m_stopsOn = [] {
            try {
                throw;
            } catch (const E&) {
                return true;
            } catch (...) {
                return false;
            }
        };
    }

    void report(int step, const QString& description, const QString& detail = {});
    /// Every failure reported so far, in order.
    const QList<Host::Failure>& failures() const { return m_failures; }
    const QString& location() const { return m_location; }
    Host& host() const { return m_host; }

    /// Once stopped, every later step is skipped.
    bool stopped() const { return m_stopped; }
    void stop() { m_stopped = true; }

private:
    Host& m_host;
    QString m_location;
    bool m_stopped = false;
    bool (*m_stopsOn)() = nullptr;
    QList<Host::Failure> m_failures;
};

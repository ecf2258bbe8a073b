#include "RunService.h"

#include "Platform.h"

#include <algorithm>
#include <utility>

namespace Run {

int defaultOfficeMemoryMb(int offices)
{
    constexpr qint64 LeastMb = 2048, UnknownMb = 8192;
    const qint64 machineMb = Platform::physicalMemory() >> 20;
    if (machineMb <= 0)
        return int(UnknownMb);
    return int(std::max(machineMb / 2 / std::max(1, offices), std::min(LeastMb, machineMb / 2)));
}

Service::Service(office::Office& office, Recycling recycling) : m_office(office), m_recycling(recycling) { }

Outcome Service::process(const QString& path, const JobSettings& settings, Host& host,
                         const Calc1::FileOptions& options)
{
    Outcome outcome;
    if (std::exchange(m_restartDue, false)) {
        try {
            m_office.restart();
        } catch (const office::Error&) {
            // The file's own start of an office says why none runs.
        }
    }
    SeenTexts seenTexts(options.match);
    outcome.result = Calc1::DoItByFile(path, seenTexts, {m_office, settings, host, options});
    outcome.interrupted = host.quitting();
    // An office started anew (after it was lost) counts from there.
    if (m_office.starts() != m_starts) {
        m_starts = m_office.starts();
        m_sinceStart = 0;
    }
    if (m_recycling.files > 0 && ++m_sinceStart >= m_recycling.files) {
        m_restartDue = true;
    } else if (m_recycling.memoryMb > 0) {
        if (const qint64 memoryMb = m_office.residentBytes() >> 20; memoryMb > m_recycling.memoryMb) {
            m_restartDue = true;
            outcome.restart = QString("its office held %1 MB, more than %2 MB").arg(memoryMb).arg(m_recycling.memoryMb);
        }
    }
    return outcome;
}

} // namespace Run

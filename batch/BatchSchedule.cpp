#include "BatchSchedule.h"

#include <QSet>

namespace Batch {

Schedule::Schedule(const QStringList& keys, int workers)
    : m_keys(keys), m_waiting(keys.size(), true), m_workers(qMax(1, workers))
{
}

bool Schedule::busy(const QString& key) const
{
    if (key.isEmpty())
        return false;
    for (const Worker& w : m_workers)
        if (w.state == State::Busy && m_keys[w.file] == key)
            return true;
    return false;
}

// The first waiting file that may run beside those running.
std::optional<int> Schedule::runnable() const
{
    for (qsizetype i = m_first; i < m_keys.size(); ++i)
        if (m_waiting[i] && !busy(m_keys[i]))
            return int(i);
    return std::nullopt;
}

// How many waiting files could run at once, counted up to the workers: a
// worker is started only for one of them.
int Schedule::runnableKeys() const
{
    QSet<QString> keys;
    int count = 0;
    for (qsizetype i = m_first; i < m_keys.size() && count < m_workers.size(); ++i) {
        const QString& key = m_keys[i];
        if (!m_waiting[i] || busy(key) || (!key.isEmpty() && keys.contains(key)))
            continue;
        keys.insert(key);
        ++count;
    }
    return count;
}

QList<Schedule::Step> Schedule::next()
{
    QList<Step> steps;
    for (int w = 0; w < m_workers.size() && !m_stopping; ++w) {
        if (m_workers[w].state != State::Idle)
            continue;
        const std::optional<int> file = runnable();
        if (!file)
            break;
        m_waiting[*file] = false;
        while (m_first < m_keys.size() && !m_waiting[m_first])
            ++m_first;
        m_workers[w] = {State::Busy, *file};
        steps << Step{Step::Hand, w, *file};
    }
    if (!m_stopping) {
        int starting = 0;
        for (const Worker& w : m_workers)
            starting += w.state == State::Starting ? 1 : 0;
        const int wanted = runnableKeys();
        for (int w = 0; w < m_workers.size() && starting < wanted; ++w)
            if (m_workers[w].state == State::Off) {
                m_workers[w].state = State::Starting;
                ++starting;
                steps << Step{Step::Start, w};
            }
    }
    // A worker that waits for a file whose namesake runs is not closed.
    const bool left = m_first < m_keys.size();
    for (int w = 0; w < m_workers.size(); ++w)
        if (m_workers[w].state == State::Idle && (m_stopping || !left)) {
            m_workers[w].state = State::Closed;
            steps << Step{Step::Close, w};
        }
    return steps;
}

void Schedule::started(int worker)
{
    if (m_workers[worker].state == State::Starting)
        m_workers[worker].state = State::Idle;
}

void Schedule::notStarted(int worker)
{
    m_workers[worker] = {};
    m_stopping = true;
}

void Schedule::answered(int worker)
{
    if (m_workers[worker].state == State::Busy)
        m_workers[worker] = {State::Idle, -1};
}

std::optional<int> Schedule::ended(int worker)
{
    const Worker was = std::exchange(m_workers[worker], {});
    return was.state == State::Busy ? std::optional(was.file) : std::nullopt;
}

void Schedule::stop()
{
    m_stopping = true;
}

bool Schedule::finished() const
{
    for (const Worker& w : m_workers)
        if (w.state != State::Off)
            return false;
    return m_stopping || m_first >= m_keys.size();
}

std::optional<int> Schedule::fileOf(int worker) const
{
    const Worker& w = m_workers[worker];
    return w.state == State::Busy ? std::optional(w.file) : std::nullopt;
}

} // namespace Batch

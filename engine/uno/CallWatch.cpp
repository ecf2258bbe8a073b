#include "CallWatch.h"

#include "Platform.h"

namespace {

// How often the office's memory is looked at during a call: an office that
// grows a gigabyte a second passes its cap by tens of megabytes at most.
constexpr std::chrono::milliseconds MemoryEvery(25);

} // namespace

CallWatch::CallWatch(std::chrono::milliseconds limit, qint64 memoryCap)
    : m_limit(limit), m_memoryCap(memoryCap), m_thread([this] { run(); })
{
}

CallWatch::~CallWatch()
{
    {
        std::lock_guard lock(m_mutex);
        m_quit = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

void CallWatch::watch(std::shared_ptr<const Platform::ChildProcess> office)
{
    {
        std::lock_guard lock(m_mutex);
        m_pid = office ? office->id() : 0;
        m_office = std::move(office);
        m_fired = Fired::No;
    }
    m_changed.notify_all();
}

void CallWatch::forget()
{
    std::lock_guard lock(m_mutex);
    m_office.reset();
}

CallWatch::Fired CallWatch::fired() const
{
    std::lock_guard lock(m_mutex);
    return m_fired;
}

qint64 CallWatch::pid() const
{
    std::lock_guard lock(m_mutex);
    return m_pid;
}

bool CallWatch::busy() const
{
    std::lock_guard lock(m_mutex);
    return m_depth > 0;
}

void CallWatch::abort()
{
    std::lock_guard lock(m_mutex);
    if (m_fired == Fired::No)
        endOffice(Fired::Aborted);
}

void CallWatch::begin(std::chrono::milliseconds limit)
{
    bool first = false;
    {
        std::lock_guard lock(m_mutex);
        m_calls.fetch_add(1, std::memory_order_relaxed);
        if (m_depth++ == 0) {
            m_deadline = std::chrono::steady_clock::now() + (limit.count() > 0 ? limit : m_limit);
            first = true;
        }
    }
    // The watch waits for the first call's start; later ones it finds itself.
    if (first)
        m_changed.notify_all();
    m_begun.notify_all();
}

bool CallWatch::waitForCall(quint64 before, std::chrono::milliseconds limit) const
{
    std::unique_lock lock(m_mutex);
    return m_begun.wait_for(lock, limit, [&] { return calls() > before; });
}

void CallWatch::end()
{
    std::lock_guard lock(m_mutex);
    --m_depth;
}

// With the lock held. An office that ended is sent nothing, and forgotten.
void CallWatch::endOffice(Fired why)
{
    if (m_office && m_office->kill())
        m_fired = why;
    else
        m_office.reset();
}

void CallWatch::run()
{
    std::unique_lock lock(m_mutex);
    while (!m_quit) {
        // Nothing to time: no call, or no office left to end.
        if (m_depth == 0 || !m_office || m_fired != Fired::No) {
            m_changed.wait(lock);
            continue;
        }
        const auto deadline = m_deadline;
        const auto wake = m_memoryCap > 0 ? std::min(deadline, std::chrono::steady_clock::now() + MemoryEvery) : deadline;
        if (m_changed.wait_until(lock, wake) != std::cv_status::timeout || m_depth == 0 || !m_office
            || m_fired != Fired::No)
            continue;
        if (wake == deadline && m_deadline == deadline) {
            endOffice(Fired::Overran);
            continue;
        }
        if (m_memoryCap <= 0)
            continue;
        const std::shared_ptr<const Platform::ChildProcess> office = m_office;
        lock.unlock();
        // Read by id: should the office have ended meanwhile, the kill below sends nothing.
        const qint64 resident = Platform::residentBytes(office->id());
        lock.lock();
        if (resident > m_memoryCap && m_office == office && m_depth > 0 && m_fired == Fired::No)
            endOffice(Fired::OverMemory);
    }
}

CallWatch::Scope::Scope(CallWatch* watch, std::chrono::milliseconds limit) : m_watch(watch)
{
    if (m_watch)
        m_watch->begin(limit);
}

CallWatch::Scope::~Scope()
{
    if (m_watch)
        m_watch->end();
}

#include "CallWatch.h"

#include "Platform.h"

CallWatch::CallWatch(std::chrono::milliseconds limit) : m_limit(limit), m_thread([this] { run(); }) { }

CallWatch::~CallWatch()
{
    {
        std::lock_guard lock(m_mutex);
        m_quit = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

void CallWatch::watch(qint64 pid)
{
    std::lock_guard lock(m_mutex);
    m_pid = pid;
    m_fired = false;
}

bool CallWatch::fired() const
{
    std::lock_guard lock(m_mutex);
    return m_fired;
}

qint64 CallWatch::pid() const
{
    std::lock_guard lock(m_mutex);
    return m_pid;
}

void CallWatch::abort()
{
    std::lock_guard lock(m_mutex);
    if (m_pid > 0 && !m_fired) {
        m_fired = true;
        Platform::killProcess(m_pid);
    }
}

void CallWatch::begin(std::chrono::milliseconds limit)
{
    m_calls.fetch_add(1, std::memory_order_relaxed);
    {
        std::lock_guard lock(m_mutex);
        if (m_depth++ == 0)
            m_deadline = std::chrono::steady_clock::now() + (limit.count() > 0 ? limit : m_limit);
    }
    m_changed.notify_all();
}

void CallWatch::end()
{
    std::lock_guard lock(m_mutex);
    --m_depth;
}

void CallWatch::run()
{
    std::unique_lock lock(m_mutex);
    while (!m_quit) {
        if (m_depth == 0) {
            m_changed.wait(lock);
            continue;
        }
        const auto deadline = m_deadline;
        if (m_changed.wait_until(lock, deadline) == std::cv_status::timeout && m_depth > 0 && m_deadline == deadline
            && m_pid > 0 && !m_fired) {
            m_fired = true;
            Platform::killProcess(m_pid);
        }
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

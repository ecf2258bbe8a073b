#include "CallWaiter.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>

namespace {

// Most calls are over well within this: only a longer one lets events in.
constexpr std::chrono::milliseconds Quick(20);

} // namespace

struct CallWaiter::Job {
    explicit Job(const std::function<void()>& call) : call(call) { }
    const std::function<void()>& call;
    std::exception_ptr error;
    bool done = false;
    std::condition_variable finished;
    QAbstractEventDispatcher* events = nullptr; ///< the caller's
};

CallWaiter::CallWaiter() : m_thread([this] { serve(); }) { }

CallWaiter::~CallWaiter()
{
    {
        std::lock_guard lock(m_mutex);
        m_quit = true;
    }
    m_jobs.notify_all();
    m_thread.join();
}

void CallWaiter::runHere(const std::function<void()>& call)
{
    // A call made from within a call runs where it is.
    if (std::this_thread::get_id() == m_thread.get_id()) {
        call();
        return;
    }
    Job job(call);
    job.events = QAbstractEventDispatcher::instance();
    std::unique_lock lock(m_mutex);
    m_queue.push_back(&job);
    m_jobs.notify_all();
    if (!job.events) {
        job.finished.wait(lock, [&] { return job.done; });
    } else if (!job.finished.wait_for(lock, Quick, [&] { return job.done; })) {
        // The call's end wakes the event loop, whatever else comes in.
        while (!job.done) {
            lock.unlock();
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
            lock.lock();
        }
    }
    if (job.error)
        std::rethrow_exception(job.error);
}

void CallWaiter::serve()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_jobs.wait(lock, [&] { return m_quit || !m_queue.empty(); });
        if (m_queue.empty())
            return;
        Job* job = m_queue.front();
        m_queue.pop_front();
        lock.unlock();
        try {
            job->call();
        } catch (...) {
            job->error = std::current_exception();
        }
        lock.lock();
        job->done = true;
        job->finished.notify_all();
        if (job->events)
            job->events->wakeUp();
    }
}

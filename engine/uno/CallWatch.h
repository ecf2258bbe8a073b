#pragma once
// Ends an office that stops answering, or that grows past its memory: every
// remote call runs under a time limit, and a call still waiting when it
// passes, or whose office holds more memory than allowed, gets its office
// killed, which makes the call fail at once instead of hanging the program
// for ever or taking the machine's memory.

#include <QtGlobal>

#include <atomic>
#include <memory>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace Platform {
class ChildProcess;
}

class CallWatch {
public:
    /// memoryCap in bytes; 0: the office's memory is not watched.
    explicit CallWatch(std::chrono::milliseconds limit, qint64 memoryCap = 0);
    ~CallWatch();
    CallWatch(const CallWatch&) = delete;
    CallWatch& operator=(const CallWatch&) = delete;

    /// The office process to end; null for none.
    void watch(std::shared_ptr<const Platform::ChildProcess> office);
    /// The office has ended: nothing is ever sent to its id again. Why it
    /// ended stays known.
    void forget();
    /// Ends the office now (from any thread), if it has not ended.
    void abort();
    /// Why the watch ended the office (until watch() again); No when it sent
    /// nothing, also when the office had ended by itself.
    enum class Fired { No, Overran, OverMemory, Aborted };
    Fired fired() const;
    /// The id of the office last watched, also once it has ended (its
    /// scratch files carry it); 0 for none.
    qint64 pid() const;
    std::chrono::milliseconds limit() const { return m_limit; }
    qint64 memoryCap() const { return m_memoryCap; }
    /// How many calls were begun so far: one more means a call is under way.
    quint64 calls() const { return m_calls.load(std::memory_order_relaxed); }
    /// Waits until more than `before` calls were begun, at most `limit`;
    /// whether they were.
    bool waitForCall(quint64 before, std::chrono::milliseconds limit) const;
    /// Whether a call is under way now.
    bool busy() const;

    /// Marks one remote call, with the watch's limit or, for an operation
    /// with a deadline of its own (an office's start), that one; a null watch
    /// marks nothing.
    class Scope {
    public:
        explicit Scope(CallWatch* watch, std::chrono::milliseconds limit = std::chrono::milliseconds::zero());
        ~Scope();
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        CallWatch* m_watch;
    };

private:
    void begin(std::chrono::milliseconds limit);
    void end();
    void run();
    void endOffice(Fired why);

    const std::chrono::milliseconds m_limit;
    const qint64 m_memoryCap;
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    mutable std::condition_variable m_begun; ///< for those waiting for a call, not the watch
    std::chrono::steady_clock::time_point m_deadline;
    int m_depth = 0;
    std::shared_ptr<const Platform::ChildProcess> m_office;
    qint64 m_pid = 0;
    Fired m_fired = Fired::No;
    bool m_quit = false;
    std::atomic<quint64> m_calls = 0;
    std::thread m_thread;
};

#pragma once
// Lets a window live through a long office call: the call runs on a thread of
// its own while the calling thread handles its events (repaints, a close),
// and the caller goes on, with the call's result or its exception, once it
// is done. Everything else stays on the calling thread.

#include <QtGlobal>

#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <type_traits>

class CallWaiter {
public:
    CallWaiter();
    ~CallWaiter();
    CallWaiter(const CallWaiter&) = delete;
    CallWaiter& operator=(const CallWaiter&) = delete;

    /// Runs f on the calling thread's behalf; rethrows what f threw.
    template <typename F> auto run(F&& f) -> decltype(f())
    {
        using R = decltype(f());
        if constexpr (std::is_void_v<R>) {
            runHere(std::function<void()>(std::forward<F>(f)));
        } else {
            std::optional<R> result;
            runHere([&] { result.emplace(f()); });
            return std::move(*result);
        }
    }

private:
    struct Job;
    void runHere(const std::function<void()>& call);
    void serve();

    std::mutex m_mutex;
    std::condition_variable m_jobs;
    std::deque<Job*> m_queue;
    bool m_quit = false;
    std::thread m_thread;
};

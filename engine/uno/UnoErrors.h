#pragma once
// Turns the office's exceptions into office::Error (office::Gone when the
// office itself is lost), keeping the office's own description.

#include "CallWaiter.h"
#include "CallWatch.h"
#include "Office.h"

#include <functional>
#include <memory>

namespace uno_errors {

/// What a remote call needs to know of its office.
struct Link {
    /// Whether the office process still runs.
    std::function<bool()> alive;
    /// Ends the office when a call does not come back in time; may be null.
    std::shared_ptr<CallWatch> watch;
    /// Where calls run while the caller handles its events; null: in place.
    std::shared_ptr<CallWaiter> waiter;
};

/// Rethrows the UNO exception being handled as office::Error or office::Gone.
[[noreturn]] void translate(const Link& link);

/// Runs one remote call under the time limit, its failures as office::Error.
template <typename F> auto guarded(const Link& link, F&& f) -> decltype(f())
{
    try {
        CallWatch::Scope scope(link.watch.get());
        if (link.waiter)
            return link.waiter->run(std::forward<F>(f));
        return f();
    } catch (const office::Error&) {
        throw;
    } catch (...) {
        translate(link);
    }
}

} // namespace uno_errors

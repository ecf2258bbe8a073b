#pragma once
// Turns the office's exceptions into office::Error (office::Gone when the
// office itself is lost), keeping the office's own description.

#include "Office.h"

#include <functional>

namespace uno_errors {

/// Rethrows the UNO exception being handled as office::Error or office::Gone.
/// alive() tells whether the office process still runs.
[[noreturn]] void translate(const std::function<bool()>& alive);

template <typename F>
auto guarded(const std::function<bool()>& alive, F&& f) -> decltype(f())
{
    try {
        return f();
    } catch (const office::Error&) {
        throw;
    } catch (...) {
        translate(alive);
    }
}

} // namespace uno_errors

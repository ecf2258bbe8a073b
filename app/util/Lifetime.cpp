#include "Lifetime.h"

#include <atomic>

namespace {
std::atomic<bool> g_quitting = false; // also set from the signal thread
}

namespace Lifetime {

void requestQuit()
{
    g_quitting = true;
}

bool quitting()
{
    return g_quitting;
}

} // namespace Lifetime

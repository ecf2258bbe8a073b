#include "Lifetime.h"

namespace {
bool g_quitting = false;
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

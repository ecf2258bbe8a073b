#pragma once
// What differs between operating systems. One implementation per system
// (PlatformPosix.cpp here); callers never test the system themselves.

#include <QString>

#include <functional>

namespace Platform {

/// Called in a freshly forked child before it runs its program: the child is
/// ended when this process ends, however it ends (a crash or a kill included).
void dieWithParent();

/// Calls handler on the event loop when the system asks the program to end
/// (SIGTERM, SIGINT, SIGHUP), so that it ends as if its window were closed.
void onTerminationRequest(std::function<void()> handler);

} // namespace Platform

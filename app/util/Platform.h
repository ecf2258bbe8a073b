#pragma once
// What differs between operating systems. One implementation per system
// (PlatformPosix.cpp here); callers never test the system themselves.

#include <QString>

namespace Platform {

/// Called in a freshly forked child before it runs its program: the child is
/// ended when this process ends, however it ends (a crash or a kill included).
void dieWithParent();

} // namespace Platform

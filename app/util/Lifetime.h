#pragma once
// Set once the user has closed the main window: whatever is still unwinding
// (a run, a wait) ends quickly and shows nothing more.

namespace Lifetime {

void requestQuit();
bool quitting();

} // namespace Lifetime

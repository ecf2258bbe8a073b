#pragma once
// The few options that print something and end instead of opening the window.
// Every other argument is ignored, as the window reads no command line.

#include <optional>

namespace InfoOptions {

/// With --help, --version or --shipped-files among the arguments: prints what
/// they ask for and returns the exit status. Otherwise returns nothing, and
/// the window starts. Needs no display.
std::optional<int> run(int argc, char* argv[]);

} // namespace InfoOptions

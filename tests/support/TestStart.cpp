// Linked into every test program: before its main (Qt's own), it does what
// every program of the project does at its start, so that a test whose
// office dies does not die of the office's closed pipe.

#include "Platform.h"

namespace {

[[maybe_unused]] const bool started = (Platform::atProgramStart(), true);

} // namespace

#pragma once

#include <cstdint>

namespace platform::macos {

// The processes that let an accessibility call time out during this run:
// what was read of them since may be incomplete.
void noteTimedOut(std::int32_t pid);
bool hasTimedOut(std::int32_t pid);

// Forgets them (a new run, for tests that run many in one process).
void forgetTimeOuts();

}  // namespace platform::macos

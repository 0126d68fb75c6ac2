#include "platform/macos/ax/time_outs.h"

#include <set>

namespace platform::macos {
namespace {

std::set<std::int32_t>& timedOut() {
    static std::set<std::int32_t> processes;
    return processes;
}

}  // namespace

void noteTimedOut(std::int32_t pid) { timedOut().insert(pid); }
bool hasTimedOut(std::int32_t pid) { return timedOut().count(pid) > 0; }
void forgetTimeOuts() { timedOut().clear(); }

}  // namespace platform::macos

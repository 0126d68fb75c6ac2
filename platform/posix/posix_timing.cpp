#include <time.h>

#include <cerrno>

#include "platform/random_source.h"
#include "platform/timing.h"

namespace platform {

std::uint64_t monotonicMicroseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::uint64_t>(now.tv_sec) * 1000000 + static_cast<std::uint64_t>(now.tv_nsec) / 1000;
}

void sleepMicroseconds(std::uint32_t microseconds) {
    timespec left{static_cast<time_t>(microseconds / 1000000), static_cast<long>(microseconds % 1000000) * 1000};
    // A signal must not cut a pause short.
    while (nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
}

std::uint32_t randomUniform(std::uint32_t low, std::uint32_t high) { return drawUniformFromSystemSource(low, high); }

}  // namespace platform

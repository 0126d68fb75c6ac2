#include <time.h>

#include <cerrno>

#include "platform/random_source.h"
#include "platform/timing.h"

namespace platform {

void sleepMicroseconds(std::uint32_t microseconds) {
    timespec left{static_cast<time_t>(microseconds / 1000000), static_cast<long>(microseconds % 1000000) * 1000};
    // A signal must not cut a pause short.
    while (nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
}

std::uint32_t randomUniform(std::uint32_t low, std::uint32_t high) { return drawUniformFromSystemSource(low, high); }

}  // namespace platform

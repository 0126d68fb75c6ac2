#include "platform/random_source.h"

#include <random>

namespace platform {

std::uint32_t drawUniformFromSystemSource(std::uint32_t low, std::uint32_t high) {
    // Seeded once per run from the system's entropy, never from a constant.
    static std::mt19937 generator{std::random_device{}()};
    std::uniform_int_distribution<std::uint32_t> distribution(low, high);
    return distribution(generator);
}

}  // namespace platform

#pragma once

#include <cstdint>

namespace platform {

// A uniform whole number from low to high inclusive, drawn from the
// operating system's entropy-seeded generator: portable, so every backend
// shares it.
std::uint32_t drawUniformFromSystemSource(std::uint32_t low, std::uint32_t high);

}  // namespace platform

#pragma once

#include <cstdint>

// Pauses and the random source of the typing pause.
namespace platform {

// A clock that only moves forward, in microseconds from an arbitrary start.
std::uint64_t monotonicMicroseconds();

// Sleeps the calling thread.
void sleepMicroseconds(std::uint32_t microseconds);

// A uniformly distributed whole number from low to high, both included,
// from an unseeded (non-deterministic) source.
std::uint32_t randomUniform(std::uint32_t low, std::uint32_t high);

}  // namespace platform

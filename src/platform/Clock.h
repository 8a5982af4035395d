#pragma once
// Clock readings the old platform offered for seeding and pacing.

#include <cstdint>
#include <optional>

namespace platform {

// Low 32 bits of a nanosecond monotonic clock; empty when the clock cannot be read.
std::optional<std::uint32_t> HighResolutionCounter();

// Milliseconds since the system started, wrapping at 2^32.
std::uint32_t TickCount();

} // namespace platform

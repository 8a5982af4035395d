#include "platform/Clock.h"

#include <ctime>

namespace platform {

std::optional<std::uint32_t> HighResolutionCounter() {
    timespec ts{};
    if (clock_gettime(CLOCK_MONOTONIC, &ts) != 0)
        return std::nullopt;
    const std::uint64_t ns =
        static_cast<std::uint64_t>(ts.tv_sec) * 1000000000u + static_cast<std::uint64_t>(ts.tv_nsec);
    return static_cast<std::uint32_t>(ns);
}

std::uint32_t TickCount() {
    timespec ts{};
    // CLOCK_BOOTTIME counts the time asleep too, like the old tick count.
    if (clock_gettime(CLOCK_BOOTTIME, &ts) != 0)
        clock_gettime(CLOCK_MONOTONIC, &ts);
    const std::uint64_t ms =
        static_cast<std::uint64_t>(ts.tv_sec) * 1000u + static_cast<std::uint64_t>(ts.tv_nsec) / 1000000u;
    return static_cast<std::uint32_t>(ms);
}

} // namespace platform

#include "platform/Clock.h"

#include <atomic>
#include <ctime>

namespace tessary {

namespace {

std::atomic<ClockSource> clockSourceForTesting{nullptr};

}  // namespace

uint32_t timeGetTime() {
    if (const ClockSource source = clockSourceForTesting.load(std::memory_order_acquire)) return source();
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    // Truncation to 32 bits is the wrap-around the callers expect: they only
    // ever compare times by unsigned difference.
    const uint64_t ms = static_cast<uint64_t>(now.tv_sec) * 1000u + static_cast<uint64_t>(now.tv_nsec) / 1000000u;
    return static_cast<uint32_t>(ms);
}

void setClockSourceForTesting(ClockSource source) { clockSourceForTesting.store(source, std::memory_order_release); }

}  // namespace tessary

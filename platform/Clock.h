#pragma once
// The millisecond clock used for pacing and frame times: monotonic, unsigned
// 32-bit, wrapping about every 49.7 days.

#include <cstdint>

namespace tessary {

uint32_t timeGetTime();

// Tests drive time through this seam: while a source is set, timeGetTime()
// returns what it returns. nullptr restores the real clock. Safe to call from
// any thread.
using ClockSource = uint32_t (*)();
void setClockSourceForTesting(ClockSource source);

}  // namespace tessary

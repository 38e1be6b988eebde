// The millisecond clock and its test seam.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/Clock.h"

namespace tessary {
namespace {

// Restores the real clock however the test ends.
class ClockSourceScope {
public:
    explicit ClockSourceScope(ClockSource source) { setClockSourceForTesting(source); }
    ~ClockSourceScope() { setClockSourceForTesting(nullptr); }
    ClockSourceScope(const ClockSourceScope&) = delete;
    ClockSourceScope& operator=(const ClockSourceScope&) = delete;
};

TEST(ClockTest, NeverRunsBackwards) {
    uint32_t previous = timeGetTime();
    for (int i = 0; i < 10000; ++i) {
        const uint32_t now = timeGetTime();
        EXPECT_LT(now - previous, 0x80000000u) << "the clock went back";
        previous = now;
    }
}

TEST(ClockTest, CountsMilliseconds) {
    // The clock's readings lie inside the reference interval, so its count can
    // exceed the reference's only by the millisecond that truncation may add.
    const auto start = std::chrono::steady_clock::now();
    const uint32_t before = timeGetTime();
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    const uint32_t passed = timeGetTime() - before;
    const auto measured =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
    EXPECT_GE(passed + 1, 30u);
    EXPECT_LE(passed, static_cast<uint32_t>(measured) + 1);
}

std::atomic<uint32_t> drivenTime{0};

uint32_t drivenClock() { return drivenTime.load(); }

TEST(ClockSeamTest, DrivenTimeIsReturnedAndWrapsAsUnsigned) {
    const ClockSourceScope scope(drivenClock);
    drivenTime = 0xFFFFFFF0u;
    const uint32_t before = timeGetTime();
    EXPECT_EQ(0xFFFFFFF0u, before);
    drivenTime = 0x10u;
    EXPECT_EQ(0x10u, timeGetTime());
    // Differences across the wrap are what callers compare.
    EXPECT_EQ(0x20u, timeGetTime() - before);
}

TEST(ClockSeamTest, NullRestoresTheRealClock) {
    {
        const ClockSourceScope scope(drivenClock);
        drivenTime = 12345u;
        EXPECT_EQ(12345u, timeGetTime());
    }
    const uint32_t first = timeGetTime();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_NE(first, timeGetTime()) << "still the driven clock";
}

TEST(ClockSeamTest, SwitchingWhileAnotherThreadReads) {
    std::atomic<bool> stop{false};
    std::thread reader([&] {
        while (!stop.load()) timeGetTime();
    });
    for (int i = 0; i < 1000; ++i) {
        setClockSourceForTesting(drivenClock);
        setClockSourceForTesting(nullptr);
    }
    stop = true;
    reader.join();
}

}  // namespace
}  // namespace tessary

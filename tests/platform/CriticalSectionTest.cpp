// The re-entrant lock: re-entry on one thread, exclusion across threads and
// release on every path.

#include <gtest/gtest.h>

#include <stdexcept>
#include <thread>
#include <vector>

#include "platform/CriticalSection.h"

namespace tessary {
namespace {

bool tryFromAnotherThread(CriticalSection& lock) {
    bool taken = false;
    std::thread other([&] {
        taken = lock.try_lock();
        if (taken) lock.unlock();
    });
    other.join();
    return taken;
}

TEST(CriticalSectionTest, TheHoldingThreadMayEnterAgain) {
    CriticalSection lock;
    {
        const CriticalSectionGuard outer(lock);
        {
            const CriticalSectionGuard inner(lock);
            EXPECT_FALSE(tryFromAnotherThread(lock));
        }
        // Leaving the inner scope must not release the outer hold.
        EXPECT_FALSE(tryFromAnotherThread(lock));
    }
    EXPECT_TRUE(tryFromAnotherThread(lock));
}

TEST(CriticalSectionTest, GuardReleasesWhenAnErrorUnwinds) {
    CriticalSection lock;
    try {
        const CriticalSectionGuard guard(lock);
        throw std::runtime_error("unwinding");
    } catch (const std::runtime_error&) {
    }
    EXPECT_TRUE(tryFromAnotherThread(lock));
}

TEST(CriticalSectionTest, ExcludesOtherThreads) {
    CriticalSection lock;
    long counter = 0;  // guarded by lock only
    constexpr int kThreads = 4;
    constexpr int kIncrements = 20000;
    std::vector<std::thread> threads;
    for (int i = 0; i < kThreads; ++i) {
        threads.emplace_back([&] {
            for (int j = 0; j < kIncrements; ++j) {
                const CriticalSectionGuard guard(lock);
                const CriticalSectionGuard reentered(lock);
                counter = counter + 1;
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(static_cast<long>(kThreads) * kIncrements, counter);
}

}  // namespace
}  // namespace tessary

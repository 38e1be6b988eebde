#pragma once
// The re-entrant lock that guards the Screen's and the Scene's shared state,
// always held through a scope guard.

#include <cstdint>
#include <mutex>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

namespace tessary {

class CriticalSection {
public:
    // Like a desktop critical section with a spin count, a contended lock is
    // retried for a while before the thread sleeps: the render workers hold
    // their locks for a microsecond or two (the next band, one presentation),
    // far less than it takes to put a thread to sleep and wake it again.
    static constexpr uint32_t kSpinCount = 1000;

    CriticalSection() = default;
    CriticalSection(const CriticalSection&) = delete;
    CriticalSection& operator=(const CriticalSection&) = delete;

    void lock() {
        for (uint32_t i = 0; i < kSpinCount; ++i) {
            if (mutex_.try_lock()) return;
            pause();
        }
        mutex_.lock();
    }
    bool try_lock() { return mutex_.try_lock(); }
    void unlock() { mutex_.unlock(); }

private:
    // Lets the other hardware thread of the core run while this one waits.
    static void pause() {
#if defined(__x86_64__) || defined(__i386__)
        _mm_pause();
#endif
    }

    std::recursive_mutex mutex_;
};

using CriticalSectionGuard = std::lock_guard<CriticalSection>;

}  // namespace tessary

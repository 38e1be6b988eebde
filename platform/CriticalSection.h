#pragma once
// The re-entrant lock that guards the Screen's and the Scene's shared state,
// always held through a scope guard.

#include <mutex>

namespace tessary {

class CriticalSection {
public:
    CriticalSection() = default;
    CriticalSection(const CriticalSection&) = delete;
    CriticalSection& operator=(const CriticalSection&) = delete;

    void lock() { mutex_.lock(); }
    bool try_lock() { return mutex_.try_lock(); }
    void unlock() { mutex_.unlock(); }

private:
    std::recursive_mutex mutex_;
};

using CriticalSectionGuard = std::lock_guard<CriticalSection>;

}  // namespace tessary

#pragma once
// A manual-reset, wake-all event over an operating-system object, so that its
// failures are real ones with real error codes.

#include <cstdint>

namespace tessary {

class Event {
public:
    // Waits without limit.
    static constexpr uint32_t kInfinite = 0xFFFFFFFFu;

    // Non-signalled. Throws Win32Exception ("CreateEvent API failed in %s
    // method.") with the system's error code when the object cannot be created.
    Event();
    ~Event();
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;

    // Both are idempotent and safe against each other from any thread.
    void set();
    void reset();

    // True if the event is signalled within timeoutMs; 0 only tests the state.
    bool wait(uint32_t timeoutMs) const;

    // Blocks until one of the events in [first, last) (non-empty) is signalled
    // and returns the position of the earliest signalled one. An empty range
    // can never be signalled and fails at once (Win32Exception, EINVAL).
    static int wait(const Event* const* first, const Event* const* last);

private:
    int handle_;
};

}  // namespace tessary

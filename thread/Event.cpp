#include "thread/Event.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <ctime>
#include <vector>

#include "thread/Exception.h"

#if defined(__SANITIZE_THREAD__)
#define TESSARY_TSAN 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define TESSARY_TSAN 1
#endif
#endif
#if defined(TESSARY_TSAN)
#include <sanitizer/tsan_interface.h>
#endif

// The state lives in an eventfd: signalled exactly while its counter is
// non-zero. Waits only poll for readability and never read, so any number of
// waiters see the state without consuming it; only reset() reads, which drains
// the counter to zero in one atomic step. set() adds one; the kernel's counter
// operations are atomic, so set and reset need no lock of ours.

namespace tessary {

namespace {

// The kernel orders everything a thread did before set() before whatever a
// thread does after a wait that saw the event signalled. The thread sanitizer
// cannot see that ordering through poll, so it is told.
void publish(const Event* event) {
#if defined(TESSARY_TSAN)
    __tsan_release(const_cast<Event*>(event));
#else
    static_cast<void>(event);
#endif
}

void observe(const Event* event) {
#if defined(TESSARY_TSAN)
    __tsan_acquire(const_cast<Event*>(event));
#else
    static_cast<void>(event);
#endif
}

const char kWaitFailed[] = "WaitForSingleObject API failed in %s method.";
const char kWaitMethod[] = "tessary::Event::wait";

[[noreturn]] void raise(int errorCode, const char* format, const char* method) {
    throw Win32Exception(static_cast<uint32_t>(errorCode), formatMessage(format, method));
}

uint64_t nowNs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<uint64_t>(now.tv_sec) * 1000000000u + static_cast<uint64_t>(now.tv_nsec);
}

// Polls until one descriptor is readable or the time-out passes, resuming
// after signals with the time that is left. Returns the number of ready
// descriptors (0 on time-out); throws the wait's error on failure.
int pollReadable(pollfd* fds, nfds_t count, uint32_t timeoutMs) {
    const bool unlimited = timeoutMs == Event::kInfinite;
    const uint64_t deadline = nowNs() + static_cast<uint64_t>(timeoutMs) * 1000000u;
    for (;;) {
        timespec remaining{};
        if (!unlimited) {
            const uint64_t now = nowNs();
            const uint64_t left = deadline > now ? deadline - now : 0;
            remaining.tv_sec = static_cast<time_t>(left / 1000000000u);
            remaining.tv_nsec = static_cast<long>(left % 1000000000u);
        }
        const int ready = ppoll(fds, count, unlimited ? nullptr : &remaining, nullptr);
        if (ready >= 0) {
            for (nfds_t i = 0; i < count; ++i) {
                // A descriptor that is not open (or broken) fails the wait
                // rather than passing for signalled or silent.
                if ((fds[i].revents & (POLLNVAL | POLLERR)) != 0) raise(EBADF, kWaitFailed, kWaitMethod);
            }
            return ready;
        }
        if (errno != EINTR) raise(errno, kWaitFailed, kWaitMethod);
    }
}

}  // namespace

Event::Event() : handle_(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {
    if (handle_ < 0) raise(errno, "CreateEvent API failed in %s method.", "tessary::Event::Event");
}

Event::~Event() { close(handle_); }

void Event::set() {
    const uint64_t one = 1;
    publish(this);
    for (;;) {
        if (write(handle_, &one, sizeof one) == static_cast<ssize_t>(sizeof one)) return;
        // A full counter refuses the addition, and a full counter is signalled.
        if (errno == EAGAIN) return;
        if (errno != EINTR) raise(errno, "SetEvent API failed in %s method.", "tessary::Event::set");
    }
}

void Event::reset() {
    uint64_t drained = 0;
    for (;;) {
        if (read(handle_, &drained, sizeof drained) == static_cast<ssize_t>(sizeof drained)) return;
        // An empty counter has nothing to drain: the event was not signalled.
        if (errno == EAGAIN) return;
        if (errno != EINTR) raise(errno, "ResetEvent API failed in %s method.", "tessary::Event::reset");
    }
}

bool Event::wait(uint32_t timeoutMs) const {
    pollfd fd{handle_, POLLIN, 0};
    if (pollReadable(&fd, 1, timeoutMs) == 0) return false;
    observe(this);
    return true;
}

int Event::wait(const Event* const* first, const Event* const* last) {
    // An empty set can never be signalled; refuse it as the system refuses an
    // invalid parameter instead of blocking forever.
    if (first == last) raise(EINVAL, kWaitFailed, kWaitMethod);
    std::vector<pollfd> fds;
    fds.reserve(static_cast<std::size_t>(last - first));
    for (const Event* const* event = first; event != last; ++event) fds.push_back(pollfd{(*event)->handle_, POLLIN, 0});
    pollReadable(fds.data(), fds.size(), kInfinite);
    // One poll pass fills every entry, so the lowest readable entry is the
    // earliest signalled position of that pass.
    for (std::size_t i = 0; i < fds.size(); ++i) {
        if ((fds[i].revents & POLLIN) != 0) {
            observe(first[i]);
            return static_cast<int>(i);
        }
    }
    raise(EIO, kWaitFailed, kWaitMethod);  // ready without a readable entry: not a state the kernel reports
}

}  // namespace tessary

#pragma once
// A body run on an operating-system thread of its own, interrupted
// cooperatively through its ThreadNotifier and joined by its owner.

#include <cstdint>
#include <functional>

#include "thread/Event.h"

namespace tessary {

class Thread;

// The body's only view of its Thread: its three interruption points.
class ThreadNotifier {
public:
    ThreadNotifier() = default;
    ThreadNotifier(const ThreadNotifier&) = delete;
    ThreadNotifier& operator=(const ThreadNotifier&) = delete;

    // A 1 ms pause; throws InterruptedException if interrupted before or during it.
    void sleep();
    // Waits for `event` or the interrupt; the interrupt wins and throws
    // InterruptedException. Returns true when `event` is signalled; does not reset it.
    bool wait(Event& event);
    // True while an interruption is pending; never blocks, never throws InterruptedException.
    bool isInterrupted() const;

private:
    friend class Thread;
    Event interruptEvent_;
};

class Thread {
public:
    using Body = std::function<void(ThreadNotifier&)>;

    // The exit code of a thread whose body let an exception escape (or was empty).
    static constexpr uint32_t kExitFailure = 0xFFFFFFFFu;

    Thread();
    // stop(), then the body and the notifier are released.
    ~Thread();
    Thread(const Thread&) = delete;
    Thread& operator=(const Thread&) = delete;

    // Stores the body, clears the interrupt and runs the body on a new thread.
    // A thread still held is stopped (interrupted and joined) first. If the
    // system cannot create the thread, nothing is reported and isStarted()
    // stays false.
    void start(Body body);
    void interrupt();
    // Waits without limit for the thread to end and releases it; returns at
    // once when no thread was started.
    void join();
    // interrupt() and join() when a thread is held; otherwise nothing.
    void stop();

    // A thread is held (started and not yet joined).
    bool isStarted() const;
    // The exit code of the last joined thread: 0 when its body returned,
    // kExitFailure when an exception escaped it.
    uint32_t getExitCode() const;

    // Tests make the system refuse new threads through this seam: while
    // errorCode is non-zero, every start() in the process meets a creation
    // failure with that code. 0 restores the system's own creation.
    static void setCreationFailureForTesting(int errorCode);

private:
    struct Handle;
    // The entry of the new thread; `self` is the Thread. Returns the exit code.
    static void* threadProc(void* self);

    Handle* handle_ = nullptr;
    ThreadNotifier notifier_;
    Body body_;
    uint32_t exitCode_ = 0;
};

}  // namespace tessary

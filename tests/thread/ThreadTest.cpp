// The life of a Thread: bodies that return or throw, cooperative interruption
// at the three interruption points, join, restart, stop and destruction.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cerrno>
#include <functional>
#include <memory>
#include <new>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "thread/Event.h"
#include "thread/Exception.h"
#include "thread/Thread.h"

namespace tessary {
namespace {

const char kSleepInterrupted[] = "Thread interupted in tessary::ThreadNotifier::sleep method.";
const char kWaitInterrupted[] = "Thread interupted in tessary::ThreadNotifier::wait method.";

// Sets a flag when its scope ends, by return or by unwinding.
class EndMarker {
public:
    explicit EndMarker(std::atomic<bool>& ended) : ended_(ended) {}
    ~EndMarker() { ended_ = true; }
    EndMarker(const EndMarker&) = delete;
    EndMarker& operator=(const EndMarker&) = delete;

private:
    std::atomic<bool>& ended_;
};

void sleepForever(ThreadNotifier& notifier) {
    for (;;) notifier.sleep();
}

TEST(ThreadExitTest, BodyThatReturnsEndsWithZero) {
    Thread thread;
    std::atomic<bool> ran{false};
    thread.start([&](ThreadNotifier&) { ran = true; });
    EXPECT_TRUE(thread.isStarted());
    thread.join();
    EXPECT_TRUE(ran.load());
    EXPECT_FALSE(thread.isStarted());
    EXPECT_EQ(0u, thread.getExitCode());
}

TEST(ThreadExitTest, EmptyBodyEndsWithFailure) {
    Thread thread;
    thread.start(Thread::Body());
    thread.join();
    EXPECT_EQ(Thread::kExitFailure, thread.getExitCode());
    EXPECT_EQ(0xFFFFFFFFu, Thread::kExitFailure);
}

struct EscapeCase {
    const char* name;
    std::function<void()> raise;
};

class ThreadEscapeTest : public ::testing::TestWithParam<EscapeCase> {};

TEST_P(ThreadEscapeTest, EscapingErrorEndsWithFailureAndReachesNoOne) {
    Thread thread;
    const std::function<void()> raise = GetParam().raise;
    thread.start([raise](ThreadNotifier&) { raise(); });
    thread.join();
    EXPECT_FALSE(thread.isStarted());
    EXPECT_EQ(Thread::kExitFailure, thread.getExitCode());
    // The Thread is as good as new.
    thread.start([](ThreadNotifier&) {});
    thread.join();
    EXPECT_EQ(0u, thread.getExitCode());
}

INSTANTIATE_TEST_SUITE_P(
    Errors, ThreadEscapeTest,
    ::testing::Values(
        EscapeCase{"Io", [] { throw IoException(formatMessage("Invalid file format in %s method.", "x")); }},
        EscapeCase{"Interrupted", [] { throw InterruptedException(formatMessage("Thread interupted in %s method.", "x")); }},
        EscapeCase{"Win32", [] { throw Win32Exception(5, formatMessage("ReadFile API failed in %s method.", "x")); }},
        EscapeCase{"Base", [] { throw Exception(formatMessage("Out of memory in %s method.", "x")); }},
        EscapeCase{"BadAlloc", [] { throw std::bad_alloc(); }},
        EscapeCase{"BadFunctionCall", [] { std::function<void()>()(); }},
        EscapeCase{"Runtime", [] { throw std::runtime_error("runtime"); }},
        // Not from the standard hierarchy: still a failed body, not a dead process.
        EscapeCase{"NonStandard", [] { throw 42; }}),
    [](const ::testing::TestParamInfo<EscapeCase>& param) { return std::string(param.param.name); });

TEST(ThreadInterruptTest, InterruptBeforeTheFirstSleepMakesEverySleepThrow) {
    Thread thread;
    Event go;
    std::vector<std::string> messages;  // the body's; read only after join
    thread.start([&](ThreadNotifier& notifier) {
        go.wait(Event::kInfinite);  // not an interruption point
        for (int i = 0; i < 3; ++i) {
            try {
                notifier.sleep();
                messages.emplace_back("slept");
            } catch (const InterruptedException& error) {
                messages.emplace_back(error.what());
            }
        }
    });
    thread.interrupt();
    go.set();
    thread.join();
    EXPECT_EQ(std::vector<std::string>(3, kSleepInterrupted), messages);
    EXPECT_EQ(0u, thread.getExitCode());
}

TEST(ThreadInterruptTest, UninterruptedSleepJustPauses) {
    Thread thread;
    bool interrupted = true;
    thread.start([&](ThreadNotifier& notifier) {
        notifier.sleep();
        notifier.sleep();
        interrupted = notifier.isInterrupted();
    });
    thread.join();
    EXPECT_EQ(0u, thread.getExitCode());
    EXPECT_FALSE(interrupted);
}

TEST(ThreadInterruptTest, IsInterruptedReportsWithoutThrowing) {
    Thread thread;
    std::atomic<bool> polling{false};
    thread.start([&](ThreadNotifier& notifier) {
        polling = true;
        while (!notifier.isInterrupted()) std::this_thread::yield();
        // Still pending, and still no exception.
        if (!notifier.isInterrupted()) throw std::logic_error("the interrupt went away");
    });
    while (!polling.load()) std::this_thread::yield();
    thread.interrupt();
    thread.join();
    EXPECT_EQ(0u, thread.getExitCode());
}

TEST(ThreadInterruptTest, InterruptFromAnotherThreadEndsTheBody) {
    Thread thread;
    thread.start(sleepForever);
    std::thread interrupter([&] { thread.interrupt(); });
    interrupter.join();
    thread.join();
    EXPECT_EQ(Thread::kExitFailure, thread.getExitCode());
}

// The body reports what its notifier's wait did.
enum class WaitOutcome { NotRun, Returned, Interrupted };

struct NotifierWaitCase {
    const char* name;
    bool interruptPending;
    WaitOutcome expected;
};

class NotifierWaitTest : public ::testing::TestWithParam<NotifierWaitCase> {};

TEST_P(NotifierWaitTest, OnASignalledEventTheInterruptWins) {
    const NotifierWaitCase& test = GetParam();
    Thread thread;
    Event go;
    Event awaited;
    awaited.set();
    WaitOutcome outcome = WaitOutcome::NotRun;
    std::string message;
    thread.start([&](ThreadNotifier& notifier) {
        go.wait(Event::kInfinite);
        try {
            outcome = notifier.wait(awaited) ? WaitOutcome::Returned : WaitOutcome::NotRun;
        } catch (const InterruptedException& error) {
            outcome = WaitOutcome::Interrupted;
            message = error.what();
        }
    });
    if (test.interruptPending) thread.interrupt();
    go.set();
    thread.join();
    EXPECT_EQ(test.expected, outcome);
    if (test.expected == WaitOutcome::Interrupted) {
        EXPECT_EQ(kWaitInterrupted, message);
    }
    EXPECT_TRUE(awaited.wait(0)) << "the notifier's wait must not reset the awaited event";
}

INSTANTIATE_TEST_SUITE_P(Cases, NotifierWaitTest,
                         ::testing::Values(NotifierWaitCase{"NoInterrupt", false, WaitOutcome::Returned},
                                           NotifierWaitCase{"InterruptPending", true, WaitOutcome::Interrupted}),
                         [](const ::testing::TestParamInfo<NotifierWaitCase>& param) {
                             return std::string(param.param.name);
                         });

TEST(NotifierWaitTest, BlocksUntilTheEventIsSet) {
    Thread thread;
    Event awaited;
    std::atomic<bool> returned{false};
    thread.start([&](ThreadNotifier& notifier) { returned = notifier.wait(awaited); });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_FALSE(returned.load());
    awaited.set();
    thread.join();
    EXPECT_TRUE(returned.load());
    EXPECT_EQ(0u, thread.getExitCode());
}

TEST(NotifierWaitTest, InterruptEndsABlockedWait) {
    Thread thread;
    Event never;
    thread.start([&](ThreadNotifier& notifier) { notifier.wait(never); });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    thread.stop();
    EXPECT_FALSE(thread.isStarted());
    EXPECT_EQ(Thread::kExitFailure, thread.getExitCode());
}

TEST(ThreadLifecycleTest, RestartAfterInterruptBeginsUninterrupted) {
    Thread thread;
    thread.start(sleepForever);
    thread.interrupt();
    thread.join();
    EXPECT_EQ(Thread::kExitFailure, thread.getExitCode());

    bool interrupted = true;
    thread.start([&](ThreadNotifier& notifier) {
        interrupted = notifier.isInterrupted();
        notifier.sleep();  // must not throw
    });
    thread.join();
    EXPECT_FALSE(interrupted);
    EXPECT_EQ(0u, thread.getExitCode());
}

TEST(ThreadLifecycleTest, BodyWindingDownSeesTheInterruptAgain) {
    Thread thread;
    int interruptionsSeen = 0;
    thread.start([&](ThreadNotifier& notifier) {
        try {
            sleepForever(notifier);
        } catch (const InterruptedException&) {
            ++interruptionsSeen;
        }
        try {
            notifier.sleep();
        } catch (const InterruptedException&) {
            ++interruptionsSeen;
        }
    });
    thread.stop();
    EXPECT_EQ(2, interruptionsSeen);
    EXPECT_EQ(0u, thread.getExitCode());
}

TEST(ThreadLifecycleTest, StopAndJoinOfANeverStartedThreadReturnAtOnce) {
    Thread thread;
    thread.stop();
    thread.join();
    EXPECT_FALSE(thread.isStarted());
    EXPECT_EQ(0u, thread.getExitCode());
}

TEST(ThreadLifecycleTest, StopAfterTheBodyEndedStillJoins) {
    Thread thread;
    Event ended;
    thread.start([&](ThreadNotifier&) { ended.set(); });
    ended.wait(Event::kInfinite);
    EXPECT_TRUE(thread.isStarted());  // ended, not yet joined
    thread.stop();
    EXPECT_FALSE(thread.isStarted());
    EXPECT_EQ(0u, thread.getExitCode());
}

TEST(ThreadLifecycleTest, DestroyingARunningThreadWaitsForItsEnd) {
    std::atomic<bool> ended{false};
    Event running;
    auto thread = std::make_unique<Thread>();
    thread->start([&](ThreadNotifier& notifier) {
        const EndMarker marker(ended);
        running.set();
        sleepForever(notifier);
    });
    running.wait(Event::kInfinite);
    thread.reset();
    EXPECT_TRUE(ended.load());
}

TEST(ThreadLifecycleTest, StartingARunningThreadStopsTheOldBodyFirst) {
    Thread thread;
    std::atomic<bool> firstEnded{false};
    Event firstRunning;
    thread.start([&](ThreadNotifier& notifier) {
        const EndMarker marker(firstEnded);
        firstRunning.set();
        sleepForever(notifier);
    });
    firstRunning.wait(Event::kInfinite);
    bool secondInterrupted = true;
    thread.start([&](ThreadNotifier& notifier) { secondInterrupted = notifier.isInterrupted(); });
    EXPECT_TRUE(firstEnded.load());
    thread.join();
    EXPECT_FALSE(secondInterrupted);
    EXPECT_EQ(0u, thread.getExitCode());
}

TEST(ThreadLifecycleTest, InterruptAllThenJoinEach) {
    constexpr int kWorkers = 6;
    std::vector<std::unique_ptr<Thread>> workers;
    for (int i = 0; i < kWorkers; ++i) {
        workers.push_back(std::make_unique<Thread>());
        workers.back()->start(sleepForever);
    }
    for (auto& worker : workers) worker->interrupt();
    for (auto& worker : workers) {
        worker->join();
        EXPECT_EQ(Thread::kExitFailure, worker->getExitCode());
    }
}

// Makes every thread creation in the process fail while it lives.
class CreationFailure {
public:
    explicit CreationFailure(int errorCode) { Thread::setCreationFailureForTesting(errorCode); }
    ~CreationFailure() { Thread::setCreationFailureForTesting(0); }
    CreationFailure(const CreationFailure&) = delete;
    CreationFailure& operator=(const CreationFailure&) = delete;
};

TEST(ThreadCreationFailureTest, NothingIsReportedAndNothingRuns) {
    Thread thread;
    std::atomic<bool> ran{false};
    {
        const CreationFailure failure(EAGAIN);
        thread.start([&](ThreadNotifier&) { ran = true; });
    }
    EXPECT_FALSE(thread.isStarted());
    thread.join();
    thread.stop();
    EXPECT_FALSE(ran.load());
    EXPECT_EQ(0u, thread.getExitCode());

    thread.start([&](ThreadNotifier&) { ran = true; });
    thread.join();
    EXPECT_TRUE(ran.load());
}

TEST(ThreadCreationFailureTest, DestroyingANeverCreatedThreadDoesNotWait) {
    const CreationFailure failure(EAGAIN);
    Thread thread;
    thread.start(sleepForever);
    EXPECT_FALSE(thread.isStarted());
}

}  // namespace
}  // namespace tessary

// Manual-reset, wake-all events across threads: state, time-outs, the wait on
// several events and its ordering, and real failures of the system calls.

#include <gtest/gtest.h>

#include <pthread.h>
#include <sys/eventfd.h>
#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <memory>
#include <thread>
#include <vector>

#include "thread/Event.h"
#include "thread/Exception.h"

namespace tessary {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// The machine is shared and noisy: lower bounds are exact, upper bounds only
// catch waits that plainly ignore their time-out or their event.
constexpr milliseconds kGenerous{4000};

milliseconds elapsedSince(Clock::time_point start) {
    return std::chrono::duration_cast<milliseconds>(Clock::now() - start);
}

void pause(int ms) { std::this_thread::sleep_for(milliseconds(ms)); }

TEST(EventStateTest, NewEventIsNotSignalled) {
    const Event event;
    EXPECT_FALSE(event.wait(0));
}

TEST(EventStateTest, StaysSignalledUntilResetForEveryThread) {
    Event event;
    event.set();
    for (int i = 0; i < 5; ++i) EXPECT_TRUE(event.wait(0));
    std::vector<std::thread> readers;
    std::atomic<int> seen{0};
    for (int i = 0; i < 3; ++i) {
        readers.emplace_back([&] {
            for (int j = 0; j < 10; ++j) seen += event.wait(0) ? 1 : 0;
        });
    }
    for (std::thread& reader : readers) reader.join();
    EXPECT_EQ(30, seen.load());
    event.reset();
    EXPECT_FALSE(event.wait(0));
}

TEST(EventStateTest, RepeatedSetIsUndoneByOneReset) {
    Event event;
    event.set();
    event.set();
    event.set();
    EXPECT_TRUE(event.wait(0));
    event.reset();
    EXPECT_FALSE(event.wait(0));
}

TEST(EventStateTest, ResettingANonSignalledEventChangesNothing) {
    Event event;
    event.reset();
    event.reset();
    EXPECT_FALSE(event.wait(0));
    event.set();
    EXPECT_TRUE(event.wait(0));
}

TEST(EventStateTest, EventsAreIndependent) {
    Event first;
    Event second;
    first.set();
    EXPECT_TRUE(first.wait(0));
    EXPECT_FALSE(second.wait(0));
}

TEST(EventTimeoutTest, ZeroOnlyTests) {
    const Event event;
    const auto start = Clock::now();
    EXPECT_FALSE(event.wait(0));
    EXPECT_LT(elapsedSince(start), kGenerous);
}

TEST(EventTimeoutTest, OneMillisecondElapsesInFull) {
    const Event event;
    const auto start = Clock::now();
    EXPECT_FALSE(event.wait(1));
    const auto elapsed = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start);
    EXPECT_GE(elapsed.count(), 1000);
    EXPECT_LT(elapsed, kGenerous);
}

TEST(EventTimeoutTest, FiftyMillisecondsElapseInFull) {
    const Event event;
    const auto start = Clock::now();
    EXPECT_FALSE(event.wait(50));
    EXPECT_GE(elapsedSince(start).count(), 50);
    EXPECT_LT(elapsedSince(start), kGenerous);
}

TEST(EventTimeoutTest, SignalledEventReturnsAtOnceWhateverTheTimeout) {
    Event event;
    event.set();
    const auto start = Clock::now();
    EXPECT_TRUE(event.wait(0));
    EXPECT_TRUE(event.wait(1));
    EXPECT_TRUE(event.wait(50));
    EXPECT_TRUE(event.wait(Event::kInfinite));
    EXPECT_LT(elapsedSince(start), kGenerous);
}

// Time-outs are unsigned: the ones above the signed range must still wait
// (not return at once, nor fail) and still end when the event is set.
class LongTimeoutTest : public ::testing::TestWithParam<uint32_t> {};

TEST_P(LongTimeoutTest, EndsWhenAnotherThreadSets) {
    Event event;
    const auto start = Clock::now();
    std::thread setter([&] {
        pause(30);
        event.set();
    });
    EXPECT_TRUE(event.wait(GetParam()));
    EXPECT_GE(elapsedSince(start).count(), 30);
    EXPECT_LT(elapsedSince(start), kGenerous);
    setter.join();
}

INSTANTIATE_TEST_SUITE_P(Timeouts, LongTimeoutTest,
                         ::testing::Values(50000u, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFEu, Event::kInfinite));

TEST(EventWakeTest, SetReleasesEveryWaiterAndStaysSignalled) {
    Event event;
    constexpr int kWaiters = 4;
    std::atomic<int> released{0};
    std::vector<std::thread> waiters;
    for (int i = 0; i < kWaiters; ++i) {
        waiters.emplace_back([&] {
            if (event.wait(Event::kInfinite)) ++released;
        });
    }
    pause(20);
    EXPECT_EQ(0, released.load());
    event.set();
    for (std::thread& waiter : waiters) waiter.join();
    EXPECT_EQ(kWaiters, released.load());
    EXPECT_TRUE(event.wait(0));
}

// Set and reset from many threads at once must leave a plain boolean behind:
// the last operation decides, whatever happened before.
TEST(EventWakeTest, ConcurrentSetsAndResetsKeepABooleanState) {
    Event event;
    std::vector<std::thread> workers;
    for (int i = 0; i < 2; ++i) {
        workers.emplace_back([&] {
            for (int j = 0; j < 2000; ++j) event.set();
        });
        workers.emplace_back([&] {
            for (int j = 0; j < 2000; ++j) event.reset();
        });
        workers.emplace_back([&] {
            for (int j = 0; j < 2000; ++j) event.wait(0);
        });
    }
    for (std::thread& worker : workers) worker.join();
    event.set();
    EXPECT_TRUE(event.wait(0));
    event.reset();
    EXPECT_FALSE(event.wait(0));
}

// The hand-off of one frame: the owner sets start and waits for done; the
// worker resets start and sets done. Any lost or doubled signal hangs or
// miscounts.
TEST(EventWakeTest, PairedHandOffNeverLosesASignal) {
    Event start;
    Event done;
    constexpr int kRounds = 500;
    int rounds = 0;  // written by the worker between the two events only
    std::thread worker([&] {
        for (int i = 0; i < kRounds; ++i) {
            start.wait(Event::kInfinite);
            start.reset();
            ++rounds;
            done.set();
        }
    });
    for (int i = 0; i < kRounds; ++i) {
        start.set();
        ASSERT_TRUE(done.wait(Event::kInfinite));
        done.reset();
        EXPECT_EQ(i + 1, rounds);
    }
    worker.join();
    EXPECT_FALSE(start.wait(0));
    EXPECT_FALSE(done.wait(0));
}

// What a thread writes before set() is visible to every thread whose wait saw
// the event signalled, without any reset in between.
TEST(EventWakeTest, SetPublishesEarlierWritesToTheWaiters) {
    Event single;
    Event other;
    Event multi;
    int singlePayload = 0;
    int multiPayload = 0;
    std::thread writer([&] {
        singlePayload = 7;
        single.set();
        multiPayload = 9;
        multi.set();
    });
    std::thread singleReader([&] {
        single.wait(Event::kInfinite);
        EXPECT_EQ(7, singlePayload);
    });
    std::thread multiReader([&] {
        const Event* const sequence[] = {&other, &multi};
        EXPECT_EQ(1, Event::wait(sequence, sequence + 2));
        EXPECT_EQ(9, multiPayload);
    });
    std::thread pollingReader([&] {
        while (!single.wait(0)) std::this_thread::yield();
        EXPECT_EQ(7, singlePayload);
    });
    writer.join();
    singleReader.join();
    multiReader.join();
    pollingReader.join();
}

struct MultiWaitCase {
    int count;
    std::vector<int> signalled;
    int expected;
};

class MultiWaitTest : public ::testing::TestWithParam<MultiWaitCase> {};

TEST_P(MultiWaitTest, ReportsTheEarliestSignalledPosition) {
    const MultiWaitCase& test = GetParam();
    std::vector<std::unique_ptr<Event>> events;
    std::vector<const Event*> sequence;
    for (int i = 0; i < test.count; ++i) {
        events.push_back(std::make_unique<Event>());
        sequence.push_back(events.back().get());
    }
    for (const int position : test.signalled) events[static_cast<std::size_t>(position)]->set();
    EXPECT_EQ(test.expected, Event::wait(sequence.data(), sequence.data() + sequence.size()));
    // The wait consumes nothing.
    for (const int position : test.signalled) EXPECT_TRUE(events[static_cast<std::size_t>(position)]->wait(0));
}

INSTANTIATE_TEST_SUITE_P(Orderings, MultiWaitTest,
                         ::testing::Values(MultiWaitCase{1, {0}, 0}, MultiWaitCase{2, {1}, 1},
                                           MultiWaitCase{2, {0}, 0}, MultiWaitCase{2, {0, 1}, 0},
                                           MultiWaitCase{2, {1, 0}, 0}, MultiWaitCase{5, {4, 2}, 2},
                                           MultiWaitCase{5, {4}, 4}, MultiWaitCase{64, {63, 40}, 40}));

TEST(MultiWaitTest, SameEventTwiceReportsTheFirstPosition) {
    Event event;
    event.set();
    const Event* const sequence[] = {&event, &event};
    EXPECT_EQ(0, Event::wait(sequence, sequence + 2));
}

TEST(MultiWaitTest, BlocksUntilOneIsSetByAnotherThread) {
    Event first;
    Event second;
    Event third;
    const Event* const sequence[] = {&first, &second, &third};
    const auto start = Clock::now();
    std::thread setter([&] {
        pause(30);
        third.set();
    });
    EXPECT_EQ(2, Event::wait(sequence, sequence + 3));
    EXPECT_GE(elapsedSince(start).count(), 30);
    setter.join();
    EXPECT_FALSE(first.wait(0));
    EXPECT_FALSE(second.wait(0));
}

TEST(MultiWaitTest, EmptySequenceFailsInsteadOfBlockingForever) {
    const Event* const* none = nullptr;
    try {
        Event::wait(none, none);
        FAIL() << "an empty wait returned";
    } catch (const Win32Exception& error) {
        EXPECT_STREQ("WaitForSingleObject API failed in tessary::Event::wait method.", error.what());
        EXPECT_EQ(static_cast<uint32_t>(EINVAL), error.getErrorCode());
    }
}

// Signals arriving while a thread waits must neither end the wait early nor
// turn into an error.
class SignalStorm {
public:
    explicit SignalStorm(pthread_t target) : target_(target) {
        struct sigaction action {};
        action.sa_handler = [](int) {};
        sigemptyset(&action.sa_mask);
        action.sa_flags = 0;  // no restart: every signal interrupts the wait
        sigaction(SIGUSR1, &action, &saved_);
        sender_ = std::thread([this] {
            while (!stop_.load()) {
                pthread_kill(target_, SIGUSR1);
                std::this_thread::sleep_for(std::chrono::microseconds(500));
            }
        });
    }
    ~SignalStorm() {
        stop_ = true;
        sender_.join();
        sigaction(SIGUSR1, &saved_, nullptr);
    }
    SignalStorm(const SignalStorm&) = delete;
    SignalStorm& operator=(const SignalStorm&) = delete;

private:
    pthread_t target_;
    struct sigaction saved_ {};
    std::atomic<bool> stop_{false};
    std::thread sender_;
};

TEST(EventSignalTest, TimedWaitUnderSignalsStillWaitsItsTime) {
    const Event event;
    const SignalStorm storm(pthread_self());
    const auto start = Clock::now();
    EXPECT_FALSE(event.wait(60));
    EXPECT_GE(elapsedSince(start).count(), 60);
    EXPECT_LT(elapsedSince(start), kGenerous);
}

TEST(EventSignalTest, UnlimitedWaitsUnderSignalsEndOnlyWhenSet) {
    Event first;
    Event second;
    std::thread setter([&] {
        pause(60);
        first.set();
        pause(60);
        second.set();
    });
    {
        const SignalStorm storm(pthread_self());
        EXPECT_TRUE(first.wait(Event::kInfinite));
        const Event* const sequence[] = {&second, &second};
        EXPECT_EQ(0, Event::wait(sequence, sequence + 2));
    }
    setter.join();
}

// Lowers the process's descriptor limit and uses up every descriptor below
// it; everything is given back when the scope ends.
class DescriptorExhaustion {
public:
    DescriptorExhaustion() {
        getrlimit(RLIMIT_NOFILE, &saved_);
        rlimit lowered = saved_;
        if (lowered.rlim_cur == RLIM_INFINITY || lowered.rlim_cur > kLimit) lowered.rlim_cur = kLimit;
        setrlimit(RLIMIT_NOFILE, &lowered);
        for (rlim_t i = 0; i < kLimit; ++i) {
            const int fd = eventfd(0, EFD_CLOEXEC);
            if (fd < 0) break;
            fillers_.push_back(fd);
        }
    }
    ~DescriptorExhaustion() {
        for (const int fd : fillers_) close(fd);
        setrlimit(RLIMIT_NOFILE, &saved_);
    }
    DescriptorExhaustion(const DescriptorExhaustion&) = delete;
    DescriptorExhaustion& operator=(const DescriptorExhaustion&) = delete;

private:
    static constexpr rlim_t kLimit = 256;
    rlimit saved_{};
    std::vector<int> fillers_;
};

TEST(EventFailureTest, CreationWithoutDescriptorsRaisesTheSystemError) {
    // UndefinedBehaviorSanitizer checks an object's dynamic type the first time
    // it meets it and needs a descriptor to probe memory then; without one it
    // reports a false "invalid vptr". Meeting the type once beforehand lets the
    // check run from its cache while descriptors are exhausted.
    try {
        throw Win32Exception(0, formatMessage("%s", "warm-up"));
    } catch (const Win32Exception& warmUp) {
        const auto copy = std::make_unique<Win32Exception>(warmUp);
        EXPECT_EQ(0u, copy->getErrorCode());
    }
    std::unique_ptr<Win32Exception> caught;
    {
        const DescriptorExhaustion exhaustion;
        try {
            const Event event;
        } catch (const Win32Exception& error) {
            caught = std::make_unique<Win32Exception>(error);
        }
    }
    ASSERT_NE(nullptr, caught) << "the event was created without a descriptor";
    EXPECT_STREQ("CreateEvent API failed in tessary::Event::Event method.", caught->what());
    EXPECT_EQ(static_cast<uint32_t>(EMFILE), caught->getErrorCode());
    // With descriptors back, events work again.
    Event event;
    event.set();
    EXPECT_TRUE(event.wait(0));
}

}  // namespace
}  // namespace tessary

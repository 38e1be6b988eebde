// The frame thread and its render workers, driven pass by pass through frame
// callbacks: which bands reach the window and how often, that the picture
// does not depend on the worker count, the callbacks' order, pacing on a test
// clock, and start, stop and restart with every thread accounted for.

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "platform/Clock.h"
#include "platform/MemoryDeviceContext.h"
#include "platform/ProcessorCount.h"
#include "screen/Screen.h"
#include "sprite/FillRectSprite.h"
#include "sprite/ImageSprite.h"
#include "tests/screen/ScreenTestSupport.h"
#include "thread/Thread.h"

namespace tessary {
namespace {

using testing::PassCounter;
using testing::countThreads;
using testing::waitForThreadCount;
using testing::waitUntil;

constexpr uint32_t kWhite = 0xFFFFFF;
constexpr uint32_t kRed = 0xFF0000;

// A white background and a red square, shown before the frame thread starts,
// so that the first pass composes every band.
void buildStillScene(Screen& screen) {
    testing::showSprite(*screen.createFillRectSprite(
        0, Rect{0, 0, screen.getWidth(), screen.getHeight()}, 0, Color::rgb(255, 255, 255)));
    testing::showSprite(*screen.createFillRectSprite(1, Rect{3, 4, 13, 9}, 1, Color::rgb(255, 0, 0)));
}

bool waitForComposedFrames(const Screen& screen, uint64_t count) {
    return waitUntil([&] { return screen.getComposedFrameCount() >= count; });
}

// Every band exactly once, each with its full rectangle, in no particular order.
void expectEveryBandOnce(const MemoryDeviceContext& dc, int32_t width, int32_t height, int32_t bandHeight) {
    std::map<int32_t, int32_t> timesByTop;
    for (const auto& presentation : dc.getPresentations()) {
        const int32_t top = presentation.bandTop;
        EXPECT_EQ((Rect{0, top, width, std::min(height, top + bandHeight)}), presentation.dirty);
        ++timesByTop[top];
    }
    const int32_t bands = (height + bandHeight - 1) / bandHeight;
    ASSERT_EQ(static_cast<std::size_t>(bands), timesByTop.size());
    int32_t expectedTop = 0;
    for (const auto& [top, times] : timesByTop) {
        EXPECT_EQ(expectedTop, top);
        EXPECT_EQ(1, times) << "band at row " << top;
        expectedTop += bandHeight;
    }
}

void expectStillScene(const MemoryDeviceContext& dc) {
    EXPECT_EQ(kWhite, dc.getPixel(0, 0));
    EXPECT_EQ(kRed, dc.getPixel(3, 4));
    EXPECT_EQ(kRed, dc.getPixel(12, 8));
    EXPECT_EQ(kWhite, dc.getPixel(13, 8));
    EXPECT_EQ(kWhite, dc.getPixel(dc.getWidth() - 1, dc.getHeight() - 1));
}

struct BandCase {
    int32_t width;
    int32_t height;
    int32_t bandHeight;
    uint32_t workers;
};

std::string bandCaseName(const ::testing::TestParamInfo<BandCase>& info) {
    return std::to_string(info.param.width) + "x" + std::to_string(info.param.height) + "With" +
           std::to_string(info.param.workers) + "Workers";
}

class EveryBandOnceTest : public ::testing::TestWithParam<BandCase> {};

TEST_P(EveryBandOnceTest, AFullyDirtyFramePresentsEachBandExactlyOnce) {
    const BandCase& c = GetParam();
    MemoryDeviceContext dc(c.width, c.height);
    PassCounter passes;
    Screen screen(dc, c.width, c.height, fixedWorkers(c.workers));
    buildStillScene(screen);
    passes.attach(screen);
    screen.start();

    ASSERT_TRUE(waitForComposedFrames(screen, 1));
    // Two more passes: a clean drawer composes nothing more.
    ASSERT_TRUE(passes.waitForPass(passes.getPasses() + 2));
    expectEveryBandOnce(dc, c.width, c.height, c.bandHeight);
    expectStillScene(dc);

    // Nothing changed, yet the whole area is presented again, once.
    dc.clearPresentations();
    screen.invalidateAll();
    ASSERT_TRUE(waitForComposedFrames(screen, 2));
    ASSERT_TRUE(passes.waitForPass(passes.getPasses() + 2));
    expectEveryBandOnce(dc, c.width, c.height, c.bandHeight);
    EXPECT_EQ(2u, screen.getComposedFrameCount());
    screen.stop();
}

INSTANTIATE_TEST_SUITE_P(WorkerCounts, EveryBandOnceTest,
                         ::testing::Values(BandCase{800, 605, 10, 1}, BandCase{800, 605, 10, 2},
                                           BandCase{800, 605, 10, 3}, BandCase{800, 605, 10, 8}),
                         bandCaseName);

// 32768 bytes per band: 1024 columns give 8 rows, 8192 give 1; a short
// screen caps the band at its height.
INSTANTIATE_TEST_SUITE_P(BandHeights, EveryBandOnceTest,
                         ::testing::Values(BandCase{1024, 20, 8, 2}, BandCase{8192, 12, 1, 2},
                                           BandCase{100, 50, 50, 2}, BandCase{16, 16, 16, 3}),
                         bandCaseName);

// Rectangles and translucent images that move across band edges and off the
// window, fade and change blend modes, all as a function of the pass number.
class AnimatedScene {
public:
    static constexpr int32_t kWidth = 640;
    static constexpr int32_t kHeight = 360;

    explicit AnimatedScene(Screen& screen) {
        testing::showSprite(*screen.createFillRectSprite(0, Rect{0, 0, kWidth, kHeight}, 0, Color::rgb(255, 255, 255)));
        const Color colors[] = {Color::rgb(200, 30, 30), Color::rgba(20, 200, 40, 90), Color::gray(60),
                                Color::rgba(10, 10, 250, 160), Color::grayAlpha(220, 40), Color::rgb(250, 200, 0)};
        int32_t id = 1;
        for (const Color& color : colors) {
            const int32_t size = 20 + 17 * id;
            sprites_.push_back(screen.createFillRectSprite(id, Rect{0, 0, size, size * 2 / 3}, id, color));
            ++id;
        }
        const auto small = testing::makePatternImage(24, 17, 0x1234);
        const auto large = testing::makePatternImage(61, 43, 0xBEEF);
        for (int32_t k = 0; k < 12; ++k, ++id) {
            sprites_.push_back(screen.createImageSprite(id, 0, 0, 10 + k, k % 3 == 0 ? large : small));
        }
        for (std::size_t i = 0; i < sprites_.size(); ++i) {
            ISprite& sprite = *sprites_[i];
            testing::changeBlendMode(sprite, blendModeFor(i, 0));
            testing::moveSprite(sprite, xFor(i, 0), yFor(i, 0));
            testing::showSprite(sprite);
        }
    }

    void step(uint64_t pass) {
        const auto p = static_cast<int32_t>(pass);
        for (std::size_t i = 0; i < sprites_.size(); ++i) {
            ISprite& sprite = *sprites_[i];
            testing::moveSprite(sprite, xFor(i, p), yFor(i, p));
            testing::changeOpacity(sprite, static_cast<uint8_t>((p * 11 + static_cast<int32_t>(i) * 37) % 256));
            testing::changeBlendMode(sprite, blendModeFor(i, p));
        }
    }

private:
    static int32_t xFor(std::size_t i, int32_t p) {
        const auto n = static_cast<int32_t>(i);
        return (n * 53 + p * (3 + n % 5)) % (kWidth + 80) - 60;
    }
    static int32_t yFor(std::size_t i, int32_t p) {
        const auto n = static_cast<int32_t>(i);
        return (n * 29 + p * (1 + n % 4)) % (kHeight + 60) - 40;
    }
    static BlendMode blendModeFor(std::size_t i, int32_t p) {
        return static_cast<BlendMode>((static_cast<int32_t>(i) + p / 25) % kBlendModeCount);
    }

    std::vector<std::shared_ptr<ISprite>> sprites_;
};

struct AnimationResult {
    std::vector<uint32_t> incremental;  // after the last animated frame
    std::vector<uint32_t> redrawn;      // the same scene redrawn whole
    uint64_t composedFrames = 0;
};

constexpr uint64_t kAnimatedFrames = 100;

AnimationResult runAnimation(uint32_t workers) {
    AnimationResult result;
    MemoryDeviceContext dc(AnimatedScene::kWidth, AnimatedScene::kHeight, 0,
                           MemoryDeviceContext::Recording::CountOnly);
    PassCounter passes;
    Screen screen(dc, AnimatedScene::kWidth, AnimatedScene::kHeight, fixedWorkers(workers));
    AnimatedScene scene(screen);
    // Pass p composes what pass p - 1 changed; the pictures are read on the
    // frame thread once everything changed has been presented.
    passes.attach(screen, [&](Screen& calling, uint64_t pass) {
        if (pass <= kAnimatedFrames) {
            scene.step(pass);
        } else if (pass == kAnimatedFrames + 2) {
            result.incremental = dc.getPicture();
            calling.invalidateAll();
        } else if (pass == kAnimatedFrames + 4) {
            result.redrawn = dc.getPicture();
        }
    });
    screen.start();
    EXPECT_TRUE(passes.waitForPass(kAnimatedFrames + 4));
    screen.stop();
    result.composedFrames = screen.getComposedFrameCount();
    return result;
}

TEST(FrameLoopPictureTest, TheSameAnimationGivesTheSamePictureWhateverTheWorkerCount) {
    const AnimationResult single = runAnimation(1);
    // The first frame, one per animated pass, and the whole redraw.
    EXPECT_EQ(kAnimatedFrames + 2, single.composedFrames);
    ASSERT_EQ(single.incremental.size(), single.redrawn.size());
    EXPECT_TRUE(single.incremental == single.redrawn) << "incremental frames left stale pixels";
    EXPECT_GT(std::set<uint32_t>(single.incremental.begin(), single.incremental.end()).size(), 100u);

    for (const uint32_t workers : {2u, 3u, 8u}) {
        const AnimationResult several = runAnimation(workers);
        EXPECT_EQ(kAnimatedFrames + 2, several.composedFrames) << workers << " workers";
        EXPECT_TRUE(several.incremental == single.incremental) << workers << " workers";
        EXPECT_TRUE(several.redrawn == single.redrawn) << workers << " workers";
    }
}

TEST(FrameLoopPassTest, APassWithNothingDirtyComposesNothingAndStillRunsTheCallbacks) {
    MemoryDeviceContext dc(64, 64);
    PassCounter passes;
    Screen screen(dc, 64, 64, fixedWorkers(2));
    // Created but never shown: nothing becomes dirty.
    screen.createFillRectSprite(0, Rect{0, 0, 64, 64}, 0, Color::gray(200));
    screen.createImageSprite(1, 5, 5, 1, testing::makePatternImage(8, 8, 3));
    passes.attach(screen);
    screen.start();
    EXPECT_TRUE(passes.waitForPass(50));
    screen.stop();
    EXPECT_EQ(0u, screen.getComposedFrameCount());
    EXPECT_EQ(0u, dc.getPresentationCount());
}

TEST(FrameLoopPassTest, CallbacksRunInOrderAndThoseThatReturnTrueRunOnce) {
    MemoryDeviceContext dc(16, 16);
    PassCounter passes;
    std::vector<std::string> log;  // written on the frame thread, read after stop
    int cCalls = 0;
    int aCalls = 0;
    Screen screen(dc, 16, 16, fixedWorkers(1));
    passes.attach(screen);
    screen.addFrameCallback([&](Screen& calling) {
        log.push_back("A");
        // Added during the third pass: runs from the fourth, after the others.
        if (++aCalls == 3) calling.addFrameCallback([&](Screen&) { log.push_back("N"); return false; });
        return false;
    });
    screen.addFrameCallback([&](Screen&) { log.push_back("B"); return true; });
    screen.addFrameCallback([&](Screen&) -> bool {
        log.push_back("C");
        if (++cCalls == 2) throw std::runtime_error("a failing callback ends its pass");
        return false;
    });
    screen.addFrameCallback([&](Screen&) { log.push_back("D"); return false; });
    screen.start();
    ASSERT_TRUE(passes.waitForPass(6));
    screen.stop();

    const std::vector<std::string> expected = {"A", "B", "C", "D",  // pass 1
                                               "A", "C",            // pass 2: C fails, D waits
                                               "A", "C", "D",       // pass 3: A adds N
                                               "A", "C", "D", "N",  // pass 4
                                               "A", "C", "D", "N"};  // pass 5
    ASSERT_GE(log.size(), expected.size());
    log.resize(expected.size());
    EXPECT_EQ(expected, log);
}

TEST(FrameLoopPassTest, ACallbackCannotStopOrRestartItsOwnFrameThread) {
    MemoryDeviceContext dc(16, 16);
    PassCounter passes;
    int refusals = 0;
    Screen screen(dc, 16, 16, fixedWorkers(1));
    screen.addFrameCallback([&](Screen& calling) {
        try {
            calling.stop();
        } catch (const std::logic_error&) {
            ++refusals;
        }
        try {
            calling.start();
        } catch (const std::logic_error&) {
            ++refusals;
        }
        return true;
    });
    passes.attach(screen);
    screen.start();
    EXPECT_TRUE(passes.waitForPass(3));
    screen.stop();
    EXPECT_EQ(2, refusals);
}

class FrameLoopThreadsTest : public ::testing::Test {
protected:
    void SetUp() override {
        // Sanitizer runtimes start helper threads with the first thread a
        // process creates; let that happen before counting.
        std::thread([] {}).join();
        baseline_ = countThreads();
        if (baseline_ == 0) GTEST_SKIP() << "this system does not list the threads of a process";
    }
    std::size_t baseline_ = 0;
};

TEST_F(FrameLoopThreadsTest, StartingTwiceLeavesOneFrameThread) {
    MemoryDeviceContext dc(64, 64);
    PassCounter passes;
    std::atomic<int> starts{0};
    Screen screen(dc, 64, 64, [&] {
        ++starts;
        return 2u;
    });
    buildStillScene(screen);
    passes.attach(screen);
    screen.start();
    ASSERT_TRUE(waitForThreadCount(baseline_ + 3));
    screen.start();
    ASSERT_TRUE(waitUntil([&] { return starts.load() == 2; }));
    ASSERT_TRUE(waitForThreadCount(baseline_ + 3));
    ASSERT_TRUE(passes.waitForPass(passes.getPasses() + 5));
    EXPECT_EQ(baseline_ + 3, countThreads());
    EXPECT_TRUE(screen.isRunning());
    screen.stop();
    EXPECT_FALSE(screen.isRunning());
    EXPECT_TRUE(waitForThreadCount(baseline_));
    expectStillScene(dc);
}

TEST_F(FrameLoopThreadsTest, ANeverStartedScreenStopsAndDiesAtOnce) {
    MemoryDeviceContext dc(64, 64);
    std::atomic<int> asked{0};
    {
        Screen screen(dc, 64, 64, [&] {
            ++asked;
            return 4u;
        });
        buildStillScene(screen);
        screen.stop();
        screen.stop();
        EXPECT_FALSE(screen.isRunning());
    }
    EXPECT_EQ(0, asked.load());
    EXPECT_EQ(baseline_, countThreads());
    EXPECT_EQ(0u, dc.getPresentationCount());
}

TEST_F(FrameLoopThreadsTest, TheTwoProgramsWorkerCounts) {
    struct Case {
        const char* name;
        WorkerCount count;
        std::size_t workers;
    };
    const Case cases[] = {{"tessary", onePerProcessor(), getProcessorCount()}, {"tessary-single", singleWorker(), 1}};
    for (const Case& c : cases) {
        MemoryDeviceContext dc(64, 64);
        Screen screen(dc, 64, 64, c.count);
        buildStillScene(screen);
        screen.start();
        EXPECT_TRUE(waitForThreadCount(baseline_ + 1 + c.workers)) << c.name;
        ASSERT_TRUE(waitForComposedFrames(screen, 1));
        screen.stop();
        EXPECT_TRUE(waitForThreadCount(baseline_)) << c.name;
        expectStillScene(dc);
    }
}

// Lets the system refuse threads for as long as it lives.
class RefusedThreads {
public:
    RefusedThreads() { Thread::setCreationFailureForTesting(EAGAIN); }
    ~RefusedThreads() { Thread::setCreationFailureForTesting(0); }
    RefusedThreads(const RefusedThreads&) = delete;
    RefusedThreads& operator=(const RefusedThreads&) = delete;
};

TEST_F(FrameLoopThreadsTest, WithoutWorkersTheFrameThreadComposesTheBandsItself) {
    struct Case {
        const char* name;
        WorkerCount count;
    };
    const Case cases[] = {
        {"no worker wanted", fixedWorkers(0)},
        // The count is asked on the frame thread just before the workers are
        // started; the first pass's callback lets the system create threads again.
        {"no worker could start", [] {
             Thread::setCreationFailureForTesting(EAGAIN);
             return 3u;
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MemoryDeviceContext dc(800, 95);
        PassCounter passes;
        Screen screen(dc, 800, 95, c.count);
        buildStillScene(screen);
        passes.attach(screen, [](Screen&, uint64_t) { Thread::setCreationFailureForTesting(0); });
        screen.start();
        ASSERT_TRUE(waitForComposedFrames(screen, 1));
        ASSERT_TRUE(passes.waitForPass(passes.getPasses() + 2));
        EXPECT_TRUE(waitForThreadCount(baseline_ + 1));
        screen.stop();
        expectEveryBandOnce(dc, 800, 95, 10);
        expectStillScene(dc);
    }
}

TEST_F(FrameLoopThreadsTest, AFrameThreadTheSystemRefusesLeavesTheScreenStopped) {
    MemoryDeviceContext dc(16, 16);
    Screen screen(dc, 16, 16, fixedWorkers(1));
    {
        RefusedThreads refused;
        EXPECT_THROW(screen.start(), std::runtime_error);
    }
    EXPECT_FALSE(screen.isRunning());
    screen.start();
    EXPECT_TRUE(screen.isRunning());
    screen.stop();
    EXPECT_TRUE(waitForThreadCount(baseline_));
}

// The test clock: time moves only when a test moves it.
std::atomic<uint32_t> fakeNow{0};
uint32_t readFakeClock() { return fakeNow.load(); }
// Every reading is 25 ms after the previous one: every pass is followed by a pause.
uint32_t readRacingClock() { return fakeNow.fetch_add(25) + 25; }

class TestClock {
public:
    TestClock(uint32_t start, ClockSource source) {
        fakeNow = start;
        setClockSourceForTesting(source);
    }
    ~TestClock() { setClockSourceForTesting(nullptr); }
    TestClock(const TestClock&) = delete;
    TestClock& operator=(const TestClock&) = delete;
};

TEST(FramePacingTest, PausesOnceAPassEndsMoreThan20MsAfterTheLastPause) {
    // Close to the top of the range, so that 21 ms later the clock has wrapped.
    const uint32_t start = 0xFFFFFFF0u;
    TestClock clock(start, &readFakeClock);
    MemoryDeviceContext dc(16, 16);
    PassCounter passes;
    std::vector<uint64_t> pausesBeforePass;  // written on the frame thread, read after stop
    Screen screen(dc, 16, 16, fixedWorkers(1));
    passes.attach(screen, [&](Screen& calling, uint64_t pass) {
        pausesBeforePass.push_back(calling.getPauseCount());
        if (pass == 10) fakeNow = start + 20;
        if (pass == 20) fakeNow = start + 21;
    });
    screen.start();
    ASSERT_TRUE(passes.waitForPass(30));
    screen.stop();

    ASSERT_GE(pausesBeforePass.size(), 30u);
    for (std::size_t pass = 1; pass <= 30; ++pass) {
        // The pause after pass 20 is the only one; the clock then stays at its new lastSleep.
        EXPECT_EQ(pass <= 20 ? 0u : 1u, pausesBeforePass[pass - 1]) << "before the callback of pass " << pass;
    }
}

TEST_F(FrameLoopThreadsTest, InterruptingThePauseShutsDownCleanly) {
    TestClock clock(1000, &readRacingClock);
    MemoryDeviceContext dc(64, 64);
    PassCounter passes;
    Screen screen(dc, 64, 64, fixedWorkers(3));
    buildStillScene(screen);
    passes.attach(screen);
    for (int run = 0; run < 2; ++run) {
        screen.start();
        ASSERT_TRUE(waitForThreadCount(baseline_ + 4));
        // Nearly all of the frame thread's time is now spent in its pause.
        const uint64_t pauses = screen.getPauseCount();
        ASSERT_TRUE(waitUntil([&] { return screen.getPauseCount() >= pauses + 5; }));
        screen.stop();
        EXPECT_FALSE(screen.isRunning());
        EXPECT_TRUE(waitForThreadCount(baseline_));
    }
    expectStillScene(dc);
}

}  // namespace
}  // namespace tessary

// Frames per second of a scene like the demo's, the whole window dirty in
// every pass, through the real frame loop (frame thread, render workers,
// presentation) into an in-memory window: with one render worker and with one
// per processor. The paired benchmark alternates the two in the same run and
// reports their ratio, which is the figure that survives a busy machine.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <ctime>
#include <memory>
#include <mutex>
#include <random>
#include <thread>
#include <vector>

#include "pixel/Image.h"
#include "pixel/MemoryHelper.h"
#include "platform/MemoryDeviceContext.h"
#include "platform/ProcessorCount.h"
#include "screen/Screen.h"
#include "sprite/FillRectSprite.h"
#include "sprite/ImageSprite.h"
#include "sprite/SpriteDrawer.h"
#include "sprite/SpriteManager.h"

namespace {

using namespace tessary;
using Clock = std::chrono::steady_clock;

constexpr int32_t kWidth = 800;
constexpr int32_t kHeight = 620;

std::shared_ptr<Image> makeImage(int32_t width, int32_t height, PixelFormat format, std::mt19937& random) {
    auto image = std::make_shared<Image>(width, height, format);
    ImageWriteLock pixels(*image);
    std::uniform_int_distribution<int> byte(0, 255);
    const auto rowBytes = static_cast<std::size_t>(width) * static_cast<std::size_t>(bytesPerPixel(format));
    for (int32_t y = 0; y < height; ++y) {
        uint8_t* row = pixels.pixels() + static_cast<std::ptrdiff_t>(y) * image->getPitch();
        for (std::size_t i = 0; i < rowBytes; ++i) row[i] = static_cast<uint8_t>(byte(random));
    }
    return image;
}

double cpuSeconds(clockid_t clock) {
    timespec now{};
    clock_gettime(clock, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// A Screen over an in-memory window showing the demo's layers: white
// background, red square, a cascade of 50 half-transparent images, a
// translucent green square and 900 additive flakes that fall every pass.
// Every pass invalidates the whole window, so every pass composes a full frame.
class FrameLoopRig {
public:
    explicit FrameLoopRig(WorkerCount workers)
        : dc_(kWidth, kHeight, 0, MemoryDeviceContext::Recording::CountOnly),
          screen_(dc_, kWidth, kHeight, std::move(workers)) {
        std::mt19937 random(2024);
        show(*screen_.createFillRectSprite(0, Rect{0, 0, kWidth, kHeight}, 0, Color::rgb(255, 255, 255)), 255,
             BlendMode::Normal);
        show(*screen_.createFillRectSprite(10, Rect{50, 50, 160, 160}, 2, Color::rgb(255, 0, 0)), 255,
             BlendMode::Normal);
        const auto cascade = makeImage(128, 96, PixelFormat::Bgra32, random);
        for (int32_t k = 0; k < 50; ++k) {
            show(*screen_.createImageSprite(11 + k, 75 + 5 * k, 75 + 5 * k, 3 + k, cascade), 128, BlendMode::Normal);
        }
        show(*screen_.createFillRectSprite(50, Rect{100, 100, 200, 200}, 100, Color::rgba(0, 255, 0, 60)), 255,
             BlendMode::Normal);
        const auto snow = makeImage(16, 16, PixelFormat::GrayAlpha16, random);
        const auto snow2 = makeImage(8, 8, PixelFormat::Gray8, random);
        const uint8_t baseOpacities[] = {32, 64, 128, 192};
        for (int32_t i = 100; i < 1000; ++i) {
            const int32_t x = std::uniform_int_distribution<int32_t>(0, kWidth - 1)(random);
            const int32_t y = std::uniform_int_distribution<int32_t>(0, kHeight - 1)(random);
            const int32_t speed = std::max(1, std::uniform_int_distribution<int32_t>(0, 4)(random));
            auto flake = screen_.createImageSprite(i, x, y, 500, speed == 1 ? snow2 : snow);
            show(*flake, baseOpacities[i % 4], BlendMode::Add);
            flakes_.push_back(Flake{flake, speed});
        }
        screen_.addFrameCallback([this](Screen& screen) { return update(screen); });
    }

    ~FrameLoopRig() { screen_.stop(); }
    FrameLoopRig(const FrameLoopRig&) = delete;
    FrameLoopRig& operator=(const FrameLoopRig&) = delete;

    void start() {
        screen_.start();
        waitForFrames(2);  // the workers are up and warm
    }
    void stop() { screen_.stop(); }

    // Blocks until `count` more frames have been composed and presented.
    void waitForFrames(uint64_t count) {
        std::unique_lock<std::mutex> lock(mutex_);
        const uint64_t target = frames_ + count;
        framed_.wait(lock, [&] { return frames_ >= target; });
    }

    // Seconds taken by the next `count` frames.
    double timeFrames(uint64_t count) {
        waitForFrames(1);
        const auto begin = Clock::now();
        waitForFrames(count);
        return std::chrono::duration<double>(Clock::now() - begin).count();
    }

    std::shared_ptr<SpriteManager> getSpriteManager() const { return screen_.getSpriteManager(); }

    // CPU seconds the frame thread has used, as of its latest pass: the
    // serial part of every frame (callbacks, snapshot, hand-off).
    double getFrameThreadCpuSeconds() {
        std::lock_guard<std::mutex> lock(mutex_);
        return frameThreadCpuSeconds_;
    }

private:
    struct Flake {
        std::shared_ptr<ImageSprite> sprite;
        int32_t speed;
    };

    static void show(ISprite& sprite, uint8_t opacity, BlendMode mode) {
        sprite.setOpacity(opacity);
        sprite.setBlendMode(mode);
        sprite.invalidate();
        sprite.show();
    }

    // Runs after each pass's composition, on the frame thread.
    bool update(Screen& screen) {
        for (Flake& flake : flakes_) {
            const int32_t y = flake.sprite->getY() + flake.speed;
            flake.sprite->setPosition(flake.sprite->getX(), y > kHeight ? -10 : y);
        }
        screen.invalidateAll();
        {
            std::lock_guard<std::mutex> lock(mutex_);
            frames_ = screen.getComposedFrameCount();
            frameThreadCpuSeconds_ = cpuSeconds(CLOCK_THREAD_CPUTIME_ID);
        }
        framed_.notify_all();
        return false;
    }

    MemoryDeviceContext dc_;
    Screen screen_;
    std::vector<Flake> flakes_;
    std::mutex mutex_;
    std::condition_variable framed_;
    uint64_t frames_ = 0;
    double frameThreadCpuSeconds_ = 0;
};

// Arg 0: one worker per processor; otherwise that many workers.
WorkerCount workersFor(int64_t arg) { return arg == 0 ? onePerProcessor() : fixedWorkers(static_cast<uint32_t>(arg)); }

// Besides the rate, the CPU time per frame split into the frame thread's
// serial part and the workers' part, and from them the speedup that n
// workers could reach at most (Amdahl), which depends far less on the
// machine's load than the rates do.
void BM_FullDirtyFrames(benchmark::State& state) {
    FrameLoopRig rig(workersFor(state.range(0)));
    rig.start();
    rig.waitForFrames(1);
    const double processBegin = cpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
    const double serialBegin = rig.getFrameThreadCpuSeconds();
    for (auto _ : state) rig.waitForFrames(1);
    const double serial = rig.getFrameThreadCpuSeconds() - serialBegin;
    const double total = cpuSeconds(CLOCK_PROCESS_CPUTIME_ID) - processBegin;
    rig.stop();

    const auto frames = static_cast<double>(state.iterations());
    const double processors = getProcessorCount();
    const double serialPerFrame = serial / frames;
    const double parallelPerFrame = std::max(0.0, total - serial) / frames;
    state.counters["fps"] = benchmark::Counter(frames, benchmark::Counter::kIsRate);
    state.counters["workers"] = state.range(0) == 0 ? processors : static_cast<double>(state.range(0));
    state.counters["serial_cpu_ms"] = 1000 * serialPerFrame;
    state.counters["worker_cpu_ms"] = 1000 * parallelPerFrame;
    state.counters["amdahl_bound_n"] =
        (serialPerFrame + parallelPerFrame) / (serialPerFrame + parallelPerFrame / processors);
}
BENCHMARK(BM_FullDirtyFrames)->ArgName("workers")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();

// The machine's own speedup for this very work: the same full frames composed
// by `threads` threads, each with a drawer and a band image of its own and no
// hand-off at all. On a shared machine this is the ceiling of the frame loop's
// speedup. No frame thread may run over the manager meanwhile.
double timeIndependentComposition(const std::shared_ptr<SpriteManager>& manager, uint32_t threads,
                                  uint32_t frames) {
    // Sorted here, so that the drawers' snapshots only read it.
    manager->sortIfUnsorted();
    const uint32_t bandHeight = Screen::kBandBytes / (4 * kWidth);
    std::vector<std::unique_ptr<SpriteDrawer>> drawers;
    for (uint32_t t = 0; t < threads; ++t) {
        drawers.push_back(std::make_unique<SpriteDrawer>(kWidth, kHeight, bandHeight, manager));
    }
    const auto begin = Clock::now();
    std::vector<std::thread> pool;
    for (uint32_t t = 0; t < threads; ++t) {
        pool.emplace_back([&drawer = *drawers[t], frames, threads] {
            const auto rows = static_cast<int32_t>(drawer.getBandHeight());
            const std::size_t bytes = std::size_t{4 * kWidth} * static_cast<std::size_t>(rows);
            Image band(kWidth, rows, 4 * kWidth, MemoryHelper::allocate(bytes));
            for (uint32_t f = 0; f < frames / threads; ++f) {
                drawer.invalidate(Rect{0, 0, kWidth, kHeight});
                drawer.beginFrame();
                for (uint32_t b = 0; b < drawer.getBandCount(); ++b) drawer.drawBand(b, band);
                drawer.endFrame();
            }
        });
    }
    for (std::thread& thread : pool) thread.join();
    return std::chrono::duration<double>(Clock::now() - begin).count();
}

// One worker against one per processor, alternating within every iteration
// so that both meet the same machine load; beside them, the machine's own
// speedup for the same composition without the frame loop, measured the same way.
void BM_WorkerSpeedup(benchmark::State& state) {
    constexpr uint64_t kFramesPerTurn = 20;
    const uint32_t processors = getProcessorCount();
    FrameLoopRig single(singleWorker());
    FrameLoopRig parallel(onePerProcessor());
    double singleSeconds = 0;
    double parallelSeconds = 0;
    double independentSingle = 0;
    double independentParallel = 0;
    for (auto _ : state) {
        // Between turns no frame thread runs.
        independentSingle += timeIndependentComposition(single.getSpriteManager(), 1, kFramesPerTurn);
        independentParallel += timeIndependentComposition(single.getSpriteManager(), processors, kFramesPerTurn);
        single.start();
        const double s = single.timeFrames(kFramesPerTurn);
        single.stop();
        parallel.start();
        const double p = parallel.timeFrames(kFramesPerTurn);
        parallel.stop();
        singleSeconds += s;
        parallelSeconds += p;
        state.SetIterationTime(s + p);
    }
    const auto frames = static_cast<double>(state.iterations() * kFramesPerTurn);
    state.counters["fps_1"] = frames / singleSeconds;
    state.counters["fps_n"] = frames / parallelSeconds;
    state.counters["speedup"] = singleSeconds / parallelSeconds;
    state.counters["machine_speedup"] = independentSingle / independentParallel;
    state.counters["workers"] = processors;
}
BENCHMARK(BM_WorkerSpeedup)->Unit(benchmark::kMillisecond)->UseManualTime()->MinTime(3.0);

}  // namespace

BENCHMARK_MAIN();

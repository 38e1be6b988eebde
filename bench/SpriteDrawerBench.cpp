// One full frame of a scene like the demo's, every band dirty, composed band by
// band on one thread into one reused band image, as a render worker does.
// Besides the time per frame it reports what finding the work costs: the same
// frame with every sprite at opacity 0, where the drawer still walks, places
// and clips every command that reaches a band and the dispatchers reject them
// before touching a pixel; and, for comparison, a walk that tests every
// command against every band, as a drawer without its band index would.

#include <benchmark/benchmark.h>

#include <time.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <random>
#include <vector>

#include "pixel/Image.h"
#include "pixel/MemoryHelper.h"
#include "sprite/FillRectSprite.h"
#include "sprite/ImageSprite.h"
#include "sprite/RectOverlap.h"
#include "sprite/SpriteDrawer.h"
#include "sprite/SpriteManager.h"

namespace {

using namespace tessary;

constexpr int32_t kWidth = 800;
constexpr int32_t kHeight = 620;

std::shared_ptr<Image> makeImage(int32_t width, int32_t height, PixelFormat format, std::mt19937& random) {
    auto image = std::make_shared<Image>(width, height, format);
    const std::size_t rowBytes = std::size_t(width) * std::size_t(bytesPerPixel(format));
    std::uniform_int_distribution<int> byte(0, 255);
    for (int32_t y = 0; y < height; ++y) {
        uint8_t* row = image->lock() + std::ptrdiff_t(y) * image->getPitch();
        for (std::size_t i = 0; i < rowBytes; ++i) row[i] = static_cast<uint8_t>(byte(random));
    }
    return image;
}

struct DemoScene {
    std::shared_ptr<SpriteManager> manager = std::make_shared<SpriteManager>();
    std::shared_ptr<SpriteDrawer> drawer =
        std::make_shared<SpriteDrawer>(kWidth, kHeight, 32768 / (kWidth * 4), manager);

    bool invisibleInk;

    template <typename Sprite, typename... Args>
    void add(uint8_t opacity, BlendMode mode, Args&&... args) {
        auto sprite = std::make_shared<Sprite>(manager, drawer, std::forward<Args>(args)...);
        sprite->setOpacity(invisibleInk ? 0 : opacity);
        sprite->setBlendMode(mode);
        sprite->show();
        manager->add(sprite);
    }

    explicit DemoScene(bool withInvisibleInk) : invisibleInk(withInvisibleInk) {
        std::mt19937 random(2024);
        add<FillRectSprite>(255, BlendMode::Normal, 0, Rect{0, 0, kWidth, kHeight}, 0, Color::rgb(255, 255, 255));
        add<FillRectSprite>(255, BlendMode::Normal, 10, Rect{50, 50, 160, 160}, 2, Color::rgb(255, 0, 0));
        const auto cascade = makeImage(128, 96, PixelFormat::Bgra32, random);
        for (int32_t k = 0; k < 50; ++k) {
            add<ImageSprite>(128, BlendMode::Normal, 11 + k, 75 + 5 * k, 75 + 5 * k, 3 + k, cascade);
        }
        add<FillRectSprite>(255, BlendMode::Normal, 50, Rect{100, 100, 200, 200}, 100, Color::rgba(0, 255, 0, 60));
        const auto snow = makeImage(16, 16, PixelFormat::GrayAlpha16, random);
        const auto snow2 = makeImage(8, 8, PixelFormat::Gray8, random);
        const uint8_t baseOpacities[] = {32, 64, 128, 192};
        for (int32_t i = 100; i < 1000; ++i) {
            const int32_t x = std::uniform_int_distribution<int32_t>(0, kWidth - 1)(random);
            const int32_t y = std::uniform_int_distribution<int32_t>(0, kHeight - 1)(random);
            const bool slow = std::uniform_int_distribution<int32_t>(0, 4)(random) <= 1;
            add<ImageSprite>(baseOpacities[i % 4], BlendMode::Add, i, x, y, 500, slow ? snow2 : snow);
        }
    }
};

// This thread's processor time: a shared, busy machine preempts the benchmark,
// and wall time would charge those pauses to whichever part was running.
std::chrono::nanoseconds threadTime() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
}

// Every command tested against every band, without drawing: the walk a
// drawer without its band index would make.
int64_t walkEveryCommandPerBand(const SpriteDrawer& drawer) {
    int64_t reached = 0;
    for (uint32_t band = 0; band < drawer.getBandCount(); ++band) {
        const Rect dirty = drawer.getBandDirtyRect(band);
        for (const DrawCommand& command : drawer.getCommands()) reached += shareAnyPixel(command.rect, dirty);
    }
    return reached;
}

// Returns the processor time spent in beginFrame: the snapshot and the band
// index, the drawer's own share of finding the commands each band needs.
std::chrono::nanoseconds composeFrame(SpriteDrawer& drawer, IImage& bandImage) {
    drawer.invalidate(Rect{0, 0, kWidth, kHeight});
    const auto snapshotStart = threadTime();
    drawer.beginFrame();
    const auto snapshotEnd = threadTime();
    for (uint32_t band = 0; band < drawer.getBandCount(); ++band) {
        if (!isEmpty(drawer.getBandDirtyRect(band))) drawer.drawBand(band, bandImage);
    }
    drawer.endFrame();
    return snapshotEnd - snapshotStart;
}

void BM_ComposeDemoFrame(benchmark::State& state) {
    DemoScene scene(false);
    DemoScene placementOnly(true);
    const int32_t pitch = kWidth * 4;
    const auto bandHeight = static_cast<int32_t>(scene.drawer->getBandHeight());
    Image bandImage(kWidth, bandHeight, pitch, MemoryHelper::allocate(std::size_t(pitch) * std::size_t(bandHeight)));

    std::chrono::nanoseconds frameTime{}, snapshotTime{}, placementTime{}, flatWalkTime{};
    int64_t reached = 0;
    for (auto _ : state) {
        const auto frameStart = threadTime();
        snapshotTime += composeFrame(*scene.drawer, bandImage);
        const auto placementStart = threadTime();
        composeFrame(*placementOnly.drawer, bandImage);
        const auto placementEnd = threadTime();

        SpriteDrawer& drawer = *scene.drawer;
        drawer.invalidate(Rect{0, 0, kWidth, kHeight});
        drawer.beginFrame();
        const auto walkStart = threadTime();
        reached = walkEveryCommandPerBand(drawer);
        benchmark::DoNotOptimize(reached);
        const auto walkEnd = threadTime();
        drawer.endFrame();

        frameTime += placementStart - frameStart;
        placementTime += placementEnd - placementStart;
        flatWalkTime += walkEnd - walkStart;
        benchmark::ClobberMemory();
    }
    const auto iterations = static_cast<double>(state.iterations());
    const auto perFrameMs = [&](std::chrono::nanoseconds total) {
        return std::chrono::duration<double, std::milli>(total).count() / iterations;
    };
    const double frameMs = perFrameMs(frameTime);
    state.counters["frame_ms"] = frameMs;
    state.counters["begin_frame_pct"] = 100.0 * perFrameMs(snapshotTime) / frameMs;
    state.counters["placement_pct"] = 100.0 * perFrameMs(placementTime) / frameMs;
    state.counters["flat_walk_pct"] = 100.0 * perFrameMs(flatWalkTime) / frameMs;
    state.counters["bands"] = scene.drawer->getBandCount();
    state.counters["commands"] = static_cast<double>(scene.manager->getEntries().size());
    state.counters["band_hits"] = static_cast<double>(reached);
}
BENCHMARK(BM_ComposeDemoFrame)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

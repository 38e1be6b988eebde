// How the cost of a frame grows with the number of sprites: 10,000 and
// 100,000 small images (8 × 8, half Normal at opacity 160, half Add at 96)
// over a white background on a 1920 × 1080 target (270 bands of 4 rows),
// composed by the drawer on one thread into one reused band image, as a
// render worker does.
//
// Two frames: every band dirty (every sprite is drawn), and a frame in which
// only 10 sprites move (a few dozen small dirty rectangles). Each frame is
// composed by the drawer, which gives each band only the commands that reach
// it, and by the drawer's earlier loop, rebuilt here from its snapshot, which
// tests every command against every dirty band; both draw the same commands
// in the same order, and the benchmark checks that their bytes agree.
//
// Counters: the drawer's time per frame (snapshot, band index and drawing),
// the snapshot's share of it, the sprite draws the frame needs and the time
// per draw, and the earlier loop's time per frame with its ratio to the
// drawer's. The summary after the table sets 100,000 sprites against 10,000.

#include <benchmark/benchmark.h>
#include <time.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "pixel/Blit.h"
#include "pixel/Fill.h"
#include "pixel/Image.h"
#include "pixel/MemoryHelper.h"
#include "sprite/FillRectSprite.h"
#include "sprite/ImageSprite.h"
#include "sprite/RectOverlap.h"
#include "sprite/SpriteDrawer.h"
#include "sprite/SpriteManager.h"

namespace {

using namespace tessary;
using Nanoseconds = std::chrono::nanoseconds;

constexpr int32_t kWidth = 1920;
constexpr int32_t kHeight = 1080;
constexpr int32_t kSpriteSize = 8;
constexpr int32_t kMovingSprites = 10;

// Processor time of this thread: on a shared machine, wall time would charge
// other programs' turns to whichever part was running.
Nanoseconds threadTime() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return std::chrono::seconds(now.tv_sec) + Nanoseconds(now.tv_nsec);
}

double toMs(Nanoseconds d) { return std::chrono::duration<double, std::milli>(d).count(); }

std::shared_ptr<Image> makeSpriteImage(std::mt19937& random) {
    auto image = std::make_shared<Image>(kSpriteSize, kSpriteSize, PixelFormat::Bgra32);
    ImageWriteLock pixels(*image);
    for (int32_t y = 0; y < kSpriteSize; ++y) {
        uint8_t* row = pixels.pixels() + std::ptrdiff_t(y) * image->getPitch();
        for (int32_t i = 0; i < kSpriteSize * 4; ++i) row[i] = static_cast<uint8_t>(random());
    }
    return image;
}

class ScaleScene {
public:
    explicit ScaleScene(int32_t spriteCount)
        : bandImage_(makeBandImage()), referenceImage_(makeBandImage()), random_(2024) {
        auto background = std::make_shared<FillRectSprite>(manager_, drawer_, 0, Rect{0, 0, kWidth, kHeight}, 0,
                                                           Color::rgb(255, 255, 255));
        background->show();
        manager_->add(background);
        const std::shared_ptr<Image> images[2] = {makeSpriteImage(random_), makeSpriteImage(random_)};
        std::uniform_int_distribution<int32_t> x(-kSpriteSize / 2, kWidth - kSpriteSize / 2);
        std::uniform_int_distribution<int32_t> y(-kSpriteSize / 2, kHeight - kSpriteSize / 2);
        sprites_.reserve(std::size_t(spriteCount));
        for (int32_t i = 0; i < spriteCount; ++i) {
            auto sprite = std::make_shared<ImageSprite>(manager_, drawer_, i + 1, x(random_), y(random_), 1 + i % 7,
                                                        images[i % 2]);
            sprite->setBlendMode(i % 2 == 0 ? BlendMode::Normal : BlendMode::Add);
            sprite->setOpacity(i % 2 == 0 ? 160 : 96);
            sprite->show();
            manager_->add(sprite);
            sprites_.push_back(std::move(sprite));
        }
        drawer_->invalidate(Rect{0, 0, kWidth, kHeight});
        compose();  // sorts the manager once, outside any timing
    }

    SpriteDrawer& getDrawer() { return *drawer_; }

    void invalidateAll() { drawer_->invalidate(Rect{0, 0, kWidth, kHeight}); }

    // The next kMovingSprites sprites each step one pixel, as the demo moves
    // a sprite: its old and its new rectangle are invalidated.
    void moveFew() {
        for (int32_t k = 0; k < kMovingSprites; ++k) {
            ImageSprite& sprite = *sprites_[nextMover_];
            nextMover_ = (nextMover_ + 1) % sprites_.size();
            sprite.invalidate();
            sprite.setPosition(sprite.getX() + (k % 2 == 0 ? 1 : -1), sprite.getY() + 1);
            sprite.invalidate();
        }
    }

    // One frame as a render worker composes it. Returns the snapshot's time.
    Nanoseconds compose() {
        const Nanoseconds begin = threadTime();
        drawer_->beginFrame();
        const Nanoseconds snapshot = threadTime() - begin;
        for (uint32_t band = 0; band < drawer_->getBandCount(); ++band) {
            if (!isEmpty(drawer_->getBandDirtyRect(band))) drawer_->drawBand(band, *bandImage_);
        }
        drawer_->endFrame();
        return snapshot;
    }

    // The drawer's earlier loop over its own snapshot: every command is tested
    // against every dirty band. Between beginFrame and endFrame.
    void drawEveryCommandPerBand(IImage& target) const {
        for (uint32_t band = 0; band < drawer_->getBandCount(); ++band) {
            if (!isEmpty(drawer_->getBandDirtyRect(band))) drawBandTheEarlierWay(band, target);
        }
    }

    // The same frame composed the earlier way.
    void composeEveryCommandPerBand() {
        drawer_->beginFrame();
        drawEveryCommandPerBand(*bandImage_);
        drawer_->endFrame();
    }

    // Sprite draws the current dirty state needs: commands that reach a dirty band rectangle.
    int64_t countDraws() {
        drawer_->beginFrame();
        int64_t draws = 0;
        for (uint32_t band = 0; band < drawer_->getBandCount(); ++band) {
            const Rect dirty = drawer_->getBandDirtyRect(band);
            for (const DrawCommand& command : drawer_->getCommands()) draws += shareAnyPixel(command.rect, dirty);
        }
        return draws;  // the frame stays open: compose() takes it
    }

    // Band by band, the drawer and the earlier loop must leave the same bytes.
    // Consumes the current dirty state.
    bool composeBothAndCompare() {
        drawer_->beginFrame();
        bool same = true;
        const std::size_t bytes = std::size_t(bandImage_->getPitch()) * std::size_t(bandImage_->getHeight());
        for (uint32_t band = 0; band < drawer_->getBandCount() && same; ++band) {
            if (isEmpty(drawer_->getBandDirtyRect(band))) continue;
            std::memset(bandImage_->lock(), 0, bytes);
            std::memset(referenceImage_->lock(), 0, bytes);
            drawer_->drawBand(band, *bandImage_);
            drawBandTheEarlierWay(band, *referenceImage_);
            same = std::memcmp(bandImage_->lock(), referenceImage_->lock(), bytes) == 0;
        }
        drawer_->endFrame();
        return same;
    }

private:
    static std::shared_ptr<Image> makeBandImage() {
        const uint32_t bandHeight = 32768 / (kWidth * 4);
        const std::size_t pitch = std::size_t(kWidth) * 4;
        return std::make_shared<Image>(kWidth, static_cast<int32_t>(bandHeight), static_cast<int32_t>(pitch),
                                       MemoryHelper::allocate(pitch * bandHeight));
    }

    void drawBandTheEarlierWay(uint32_t band, IImage& target) const {
        const SpriteDrawer& drawer = *drawer_;
        const Rect dirty = drawer.getBandDirtyRect(band);
        const auto bandTop = static_cast<int32_t>(band * drawer.getBandHeight());
        const ClipContext context{Rect{dirty.left, dirty.top - bandTop, dirty.right, dirty.bottom - bandTop},
                                  Point{0, -bandTop}};
        for (const DrawCommand& command : drawer.getCommands()) {
            if (!shareAnyPixel(command.rect, dirty)) continue;
            if (command.kind == DrawKind::Fill) {
                fill(command.color, &context, target, command.blendMode, command.rect, command.opacity);
            } else if (command.image != nullptr) {
                blit(command.sourceOrigin, &context, *command.image, target, command.blendMode, command.rect,
                     command.opacity);
            }
        }
    }

    std::shared_ptr<SpriteManager> manager_ = std::make_shared<SpriteManager>();
    std::shared_ptr<SpriteDrawer> drawer_ =
        std::make_shared<SpriteDrawer>(kWidth, kHeight, 32768 / (kWidth * 4), manager_);
    std::shared_ptr<Image> bandImage_;
    std::shared_ptr<Image> referenceImage_;
    std::mt19937 random_;
    std::vector<std::shared_ptr<ImageSprite>> sprites_;
    std::size_t nextMover_ = 0;
};

enum class FrameKind { Full, MovingFew };

void dirtyFrame(ScaleScene& scene, FrameKind kind) {
    if (kind == FrameKind::Full) {
        scene.invalidateAll();
    } else {
        scene.moveFew();
    }
}

struct Figures {
    double frameMs = 0;
    double earlierMs = 0;
    double draws = 0;
};

// Filled as the benchmarks end, for the summary: [kind][sprite count].
std::map<FrameKind, std::map<int64_t, Figures>>& results() {
    static std::map<FrameKind, std::map<int64_t, Figures>> figures;
    return figures;
}

void BM_Scale(benchmark::State& state, FrameKind kind) {
    const auto spriteCount = static_cast<int32_t>(state.range(0));
    ScaleScene scene(spriteCount);
    dirtyFrame(scene, kind);
    if (!scene.composeBothAndCompare()) {
        state.SkipWithError("the drawer and the earlier loop drew different bytes");
        return;
    }

    Nanoseconds frameTime{}, snapshotTime{}, earlierTime{};
    int64_t draws = 0;
    for (auto _ : state) {
        // Both ways compose the same dirty state, one after the other.
        dirtyFrame(scene, kind);
        draws += scene.countDraws();
        const Nanoseconds frameStart = threadTime();
        snapshotTime += scene.compose();
        frameTime += threadTime() - frameStart;

        dirtyFrame(scene, kind);
        const Nanoseconds earlierStart = threadTime();
        scene.composeEveryCommandPerBand();
        earlierTime += threadTime() - earlierStart;
    }
    const auto iterations = static_cast<double>(state.iterations());
    Figures figures;
    figures.frameMs = toMs(frameTime) / iterations;
    figures.earlierMs = toMs(earlierTime) / iterations;
    figures.draws = static_cast<double>(draws) / iterations;
    results()[kind][spriteCount] = figures;
    state.counters["frame_ms"] = figures.frameMs;
    state.counters["snapshot_pct"] = 100.0 * toMs(snapshotTime) / toMs(frameTime);
    state.counters["draws"] = figures.draws;
    state.counters["ns_per_draw"] = 1e6 * figures.frameMs / figures.draws;
    state.counters["earlier_ms"] = figures.earlierMs;
    state.counters["earlier_x"] = figures.earlierMs / figures.frameMs;
}

void registerAll() {
    const std::pair<FrameKind, const char*> kinds[] = {{FrameKind::Full, "BM_ScaleFullFrame"},
                                                       {FrameKind::MovingFew, "BM_ScaleTenMoving"}};
    for (const auto& [kind, name] : kinds) {
        benchmark::RegisterBenchmark(name, BM_Scale, kind)
            ->ArgName("sprites")
            ->Arg(10000)
            ->Arg(100000)
            ->Unit(benchmark::kMillisecond)
            ->MinTime(0.5);
    }
}

void printSummary() {
    const std::pair<FrameKind, const char*> kinds[] = {{FrameKind::Full, "every band dirty"},
                                                       {FrameKind::MovingFew, "10 sprites moving"}};
    std::printf("\n100,000 sprites against 10,000 (processor time of one thread, same run):\n");
    std::printf("  %-20s %12s %12s %16s %18s %18s\n", "frame", "draws x", "frame x", "per draw x",
                "earlier/now 10k", "earlier/now 100k");
    for (const auto& [kind, label] : kinds) {
        const auto& byCount = results()[kind];
        const auto small = byCount.find(10000);
        const auto large = byCount.find(100000);
        if (small == byCount.end() || large == byCount.end()) continue;
        const Figures& a = small->second;
        const Figures& b = large->second;
        std::printf("  %-20s %12.2f %12.2f %16.2f %18.2f %18.2f\n", label, b.draws / a.draws, b.frameMs / a.frameMs,
                    (b.frameMs / b.draws) / (a.frameMs / a.draws), a.earlierMs / a.frameMs,
                    b.earlierMs / b.frameMs);
    }
}

}  // namespace

int main(int argc, char** argv) {
    registerAll();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    printSummary();
    return 0;
}

// The demo Scene without a window: over the in-memory device context, with a
// cursor and a clock the test controls. Each test lets the frame thread run
// the Scene once, stops it, and then drives update() by hand.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "DemoImageDirectory.h"
#include "app/Scene.h"
#include "pixel/Image.h"
#include "platform/Clock.h"
#include "platform/MemoryDeviceContext.h"
#include "screen/Screen.h"
#include "sprite/FillRectSprite.h"
#include "sprite/ImageSprite.h"
#include "sprite/SpriteManager.h"
#include "thread/Exception.h"

using tessary::BlendMode;
using tessary::ColorKind;
using tessary::FillRectSprite;
using tessary::ImageSprite;
using tessary::MemoryDeviceContext;
using tessary::Point;
using tessary::Rect;

namespace {

constexpr int32_t kWidth = 800;
constexpr int32_t kHeight = 620;
constexpr std::size_t kBandCount = 62;  // bands of 10 rows

// Snow adds to white, but the kernels' rounding may take a level or two off.
bool isWhite(uint32_t pixel) {
    for (int shift = 0; shift <= 16; shift += 8) {
        if ((pixel >> shift & 0xFF) < 0xFA) return false;
    }
    return true;
}

// The part of the demo window that no sprite but the background and the snow
// covers, with the cursor (the follower) at (400, 300).
void expectPlainBackground(const std::vector<uint32_t>& picture) {
    for (int32_t y = 350; y < kHeight; ++y) {
        for (int32_t x = 450; x < kWidth; ++x) {
            const uint32_t pixel = picture[static_cast<std::size_t>(y) * kWidth + static_cast<std::size_t>(x)];
            ASSERT_TRUE(isWhite(pixel)) << std::hex << pixel << std::dec << " at " << x << ", " << y;
        }
    }
}

std::atomic<uint32_t> testNow{0};
uint32_t testClock() { return testNow.load(); }

class SceneTest : public ::testing::Test {
protected:
    void SetUp() override {
        // Frozen at 0, the clock makes every pass look like the first one:
        // whatever the frame thread ran, no frame time is recorded.
        testNow = 0;
        tessary::setClockSourceForTesting(testClock);
    }

    void TearDown() override {
        scene_.reset();
        tessary::setClockSourceForTesting(nullptr);
    }

    // A Scene whose frame thread ran and was stopped again, so that the test
    // is the only one changing it.
    Scene& makeStoppedScene() {
        std::srand(1);  // the sequence an unseeded program starts from
        dc_ = std::make_shared<MemoryDeviceContext>(kWidth, kHeight);
        scene_ = std::make_unique<Scene>(dc_, kWidth, kHeight, [this] { return readCursor(); },
                                         tessary::fixedWorkers(2));
        // The first frame draws every band once.
        EXPECT_TRUE(dc_->waitForPresentationCount(kBandCount, std::chrono::seconds(30)));
        scene_->getScreen()->stop();
        return *scene_;
    }

    Point readCursor() {
        ++cursorReads_;
        return Point{cursorX_.load(), cursorY_.load()};
    }

    void setCursor(int32_t x, int32_t y) {
        cursorX_ = x;
        cursorY_ = y;
    }

    std::shared_ptr<ImageSprite> findImageSprite(int32_t id, int32_t zOrder) const {
        for (const auto& entry : scene_->getScreen()->getSpriteManager()->getEntries()) {
            auto sprite = std::dynamic_pointer_cast<ImageSprite>(entry.sprite);
            if (sprite && sprite->getId() == id && sprite->getZOrder() == zOrder) return sprite;
        }
        return nullptr;
    }

    std::shared_ptr<FillRectSprite> findFillRectSprite(int32_t id) const {
        for (const auto& entry : scene_->getScreen()->getSpriteManager()->getEntries()) {
            auto sprite = std::dynamic_pointer_cast<FillRectSprite>(entry.sprite);
            if (sprite && sprite->getId() == id) return sprite;
        }
        return nullptr;
    }

    DemoImageDirectory images_;
    std::shared_ptr<MemoryDeviceContext> dc_;
    std::unique_ptr<Scene> scene_;
    std::atomic<int32_t> cursorX_{400};
    std::atomic<int32_t> cursorY_{300};
    std::atomic<uint64_t> cursorReads_{0};
};

TEST_F(SceneTest, CreatesTheRectanglesOfTheTable) {
    makeStoppedScene();
    struct Expected {
        int32_t id;
        Rect rect;
        int32_t zOrder;
        ColorKind kind;
        uint8_t components[4];
    };
    const Expected table[] = {
        {0, Rect{0, 0, kWidth, kHeight}, 0, ColorKind::Rgb, {255, 255, 255, 0}},
        {10, Rect{50, 50, 160, 160}, 2, ColorKind::Rgb, {255, 0, 0, 0}},
        {50, Rect{100, 100, 200, 200}, 100, ColorKind::Rgba, {0, 255, 0, 60}},
    };
    for (const Expected& expected : table) {
        SCOPED_TRACE("id " + std::to_string(expected.id));
        const auto sprite = findFillRectSprite(expected.id);
        ASSERT_NE(sprite, nullptr);
        EXPECT_EQ(sprite->getRect(), expected.rect);
        EXPECT_EQ(sprite->getZOrder(), expected.zOrder);
        EXPECT_EQ(sprite->getColor().kind, expected.kind);
        for (int c = 0; c < 4; ++c) EXPECT_EQ(sprite->getColor().components[c], expected.components[c]) << c;
        EXPECT_EQ(sprite->getOpacity(), 255);
        EXPECT_EQ(sprite->getBlendMode(), BlendMode::Normal);
        EXPECT_TRUE(sprite->isVisible());
    }
    EXPECT_EQ(scene_->getScreen()->getSpriteManager()->getEntries().size(), 2u + 50u + 1u + 900u);
}

TEST_F(SceneTest, CascadeSharesOneImageAndFollowerIsTheThirtiethBadge) {
    Scene& scene = makeStoppedScene();
    scene.update();
    std::shared_ptr<tessary::Image> shared;
    for (int32_t k = 0; k < 50; ++k) {
        SCOPED_TRACE("k = " + std::to_string(k));
        const auto sprite = findImageSprite(11 + k, 3 + k);
        ASSERT_NE(sprite, nullptr);
        if (!shared) shared = sprite->getImage();
        EXPECT_EQ(sprite->getImage(), shared);
        EXPECT_EQ(sprite->getOpacity(), 128);
        EXPECT_EQ(sprite->getBlendMode(), BlendMode::Normal);
        EXPECT_TRUE(sprite->isVisible());
        if (11 + k == Scene::kFollowerId) continue;
        EXPECT_EQ(sprite->getX(), 75 + 5 * k);
        EXPECT_EQ(sprite->getY(), 75 + 5 * k);
    }
    EXPECT_EQ(shared->getWidth(), DemoImageDirectory::kBadgeWidth);
    EXPECT_EQ(shared->getHeight(), DemoImageDirectory::kBadgeHeight);
    EXPECT_EQ(findImageSprite(Scene::kFollowerId, 32)->getX(), 400 - 32);
}

TEST_F(SceneTest, FlakesAreCreatedInOrderFromTheUnseededSequence) {
    Scene& scene = makeStoppedScene();
    const std::vector<Flake>& flakes = scene.getFlakes();
    ASSERT_EQ(flakes.size(), 900u);
    const int32_t baseOpacities[4] = {32, 64, 128, 192};
    std::set<tessary::Image*> snowImages[5];

    // The creation draws are the first of the sequence: x, y and speed per flake.
    std::srand(1);
    for (std::size_t i = 0; i < flakes.size(); ++i) {
        const Flake& flake = flakes[i];
        SCOPED_TRACE("flake " + std::to_string(i));
        std::rand();
        std::rand();
        const int32_t s = std::rand() % 5;
        EXPECT_EQ(flake.id, static_cast<int32_t>(100 + i));
        EXPECT_EQ(flake.speed, s >= 1 ? s : 1);
        EXPECT_EQ(flake.baseOpacity, baseOpacities[flake.id % 4]);
        ASSERT_NE(flake.sprite, nullptr);
        EXPECT_EQ(flake.sprite->getId(), flake.id);
        EXPECT_EQ(flake.sprite->getZOrder(), 500);
        EXPECT_EQ(flake.sprite->getBlendMode(), BlendMode::Add);
        EXPECT_TRUE(flake.sprite->isVisible());
        const int expectedSize =
            flake.speed == 1 ? DemoImageDirectory::kSmallSnowSize : DemoImageDirectory::kSnowSize;
        EXPECT_EQ(flake.sprite->getImage()->getWidth(), expectedSize);
        snowImages[flake.speed].insert(flake.sprite->getImage().get());
    }
    // Two images for all flakes: the small one for speed 1, the other for the rest.
    EXPECT_EQ(snowImages[1].size(), 1u);
    std::set<tessary::Image*> fast;
    for (int speed = 2; speed <= 4; ++speed) fast.insert(snowImages[speed].begin(), snowImages[speed].end());
    EXPECT_EQ(fast.size(), 1u);
}

TEST_F(SceneTest, FollowerIsCentredOnTheCursorWhereverItIs) {
    Scene& scene = makeStoppedScene();
    struct Case {
        Point cursor;
        Point topLeft;
    };
    const Case cases[] = {
        {{400, 300}, {368, 276}},
        {{0, 0}, {-32, -24}},
        {{-50, 700}, {-82, 676}},  // outside the window
        {{801, -1}, {769, -25}},
    };
    const auto follower = findImageSprite(Scene::kFollowerId, 32);
    ASSERT_NE(follower, nullptr);
    for (const Case& c : cases) {
        setCursor(c.cursor.x, c.cursor.y);
        scene.update();
        EXPECT_EQ(follower->getX(), c.topLeft.x) << c.cursor.x << ", " << c.cursor.y;
        EXPECT_EQ(follower->getY(), c.topLeft.y) << c.cursor.x << ", " << c.cursor.y;
    }
}

// One update of every flake, checked against the drift, wrap and opacity rules.
class FlakeStepChecker {
public:
    explicit FlakeStepChecker(const std::vector<Flake>& flakes) : flakes_(flakes) { remember(); }

    void checkStep() {
        for (std::size_t i = 0; i < flakes_.size(); ++i) {
            const Flake& flake = flakes_[i];
            const State& before = states_[i];
            const State after = stateOf(flake);
            SCOPED_TRACE("flake " + std::to_string(flake.id));
            // dx takes one step towards +speed (odd draw) or -speed (even draw).
            ASSERT_LE(std::abs(after.dx - before.dx), 1);
            ASSERT_LE(std::abs(after.dx), flake.speed);
            const bool odd = after.dx > before.dx || (after.dx == before.dx && before.dx == flake.speed);
            if (after.dx == before.dx) {
                ASSERT_EQ(std::abs(before.dx), flake.speed);
            }

            int32_t x = before.x + after.dx;
            if (x > kWidth + 10) {
                x = -10;
                ++rightWraps;
            }
            if (x < -10) ++beyondLeft;
            int32_t y = before.y + flake.speed;
            const bool wrapped = y > kHeight;
            if (wrapped) {
                y = -10;
                ++bottomWraps;
            }
            ASSERT_EQ(after.x, x);
            ASSERT_EQ(after.y, y);
            if (wrapped) {
                ASSERT_EQ(after.opacity, flake.baseOpacity);
            } else if (odd) {
                ASSERT_GE(after.opacity, before.opacity);
                ASSERT_LE(after.opacity, std::min(255, before.opacity + 2));
            } else {
                ASSERT_LE(after.opacity, before.opacity);
                ASSERT_GE(after.opacity, std::max(0, before.opacity - 2));
            }
        }
        remember();
    }

    int rightWraps = 0;
    int bottomWraps = 0;
    int beyondLeft = 0;

private:
    struct State {
        int32_t x, y, dx, opacity;
    };
    static State stateOf(const Flake& f) {
        return State{f.sprite->getX(), f.sprite->getY(), f.dx, f.sprite->getOpacity()};
    }
    void remember() {
        states_.clear();
        for (const Flake& flake : flakes_) states_.push_back(stateOf(flake));
    }

    const std::vector<Flake>& flakes_;
    std::vector<State> states_;
};

TEST_F(SceneTest, FlakesDriftFallAndWrapOnlyAtTheRightAndBottomEdges) {
    Scene& scene = makeStoppedScene();
    FlakeStepChecker checker(scene.getFlakes());
    // Enough passes for the slowest flakes to cross the whole height.
    for (int pass = 0; pass < kHeight + 20; ++pass) {
        scene.update();
        checker.checkStep();
        if (HasFatalFailure()) return;
    }
    EXPECT_GT(checker.bottomWraps, 900);
    EXPECT_GT(checker.rightWraps, 0);
    EXPECT_GT(checker.beyondLeft, 0);
}

TEST_F(SceneTest, FrameTimesAreSampledFromTheSecondPassOn) {
    Scene& scene = makeStoppedScene();
    EXPECT_EQ(scene.getFps(), 0.0);

    testNow = 1000;
    scene.update();  // the first pass with a clock: nothing to measure yet
    EXPECT_EQ(scene.getFps(), 0.0);
    scene.update();  // the same millisecond
    EXPECT_EQ(scene.getFps(), 0.0);

    testNow = 1010;
    scene.update();
    EXPECT_DOUBLE_EQ(scene.getFps(), 100.0);

    testNow = 1005;  // a clock that went back records nothing
    scene.update();
    EXPECT_DOUBLE_EQ(scene.getFps(), 100.0);

    // Slot 0 holds 10 ms; fill the other 15 slots with 20 ms each, counted
    // from the last pass (at 1005).
    for (int i = 0; i < 15; ++i) {
        testNow += 20;
        scene.update();
    }
    EXPECT_DOUBLE_EQ(scene.getFps(), 16 * 1000.0 / (10 + 15 * 20));

    // The 17th interval replaces the oldest, in slot 0.
    testNow += 40;
    scene.update();
    EXPECT_DOUBLE_EQ(scene.getFps(), 16 * 1000.0 / (40 + 15 * 20));
    testNow += 50;  // and the 18th the one in slot 1
    scene.update();
    EXPECT_DOUBLE_EQ(scene.getFps(), 16 * 1000.0 / (40 + 50 + 14 * 20));
}

TEST_F(SceneTest, DrawsTheBackgroundAndSquaresIntoTheWindow) {
    makeStoppedScene();
    // Snow adds to white and stays (nearly) white: away from the badges and
    // the squares every pixel is the background.
    const std::vector<uint32_t> picture = dc_->getPicture();
    expectPlainBackground(picture);
    // Left of the cascade the red square shows; grey snow lifts green and
    // blue alike.
    for (int32_t y = 52; y < 158; y += 3) {
        const uint32_t pixel = picture[static_cast<std::size_t>(y) * kWidth + 60];
        const int green = pixel >> 8 & 0xFF, blue = pixel & 0xFF;
        EXPECT_GE(pixel >> 16 & 0xFF, 0xFAu) << y;
        EXPECT_LE(std::abs(green - blue), 2) << y;
    }
}

TEST_F(SceneTest, PaintRedrawsTheWholeWindowInTheNextPass) {
    Scene& scene = makeStoppedScene();
    // Spoil the picture behind the Scene's back, as a window system does with
    // the contents of a hidden window.
    const std::vector<uint8_t> black(static_cast<std::size_t>(kWidth) * 4 * kHeight, 0);
    dc_->present(black.data(), kWidth * 4, Rect{0, 0, kWidth, kHeight}, 0);
    dc_->clearPresentations();

    scene.paint();
    scene.getScreen()->start();
    ASSERT_TRUE(dc_->waitForPresentationCount(kBandCount, std::chrono::seconds(30)));
    scene.getScreen()->stop();
    expectPlainBackground(dc_->getPicture());
}

class SceneFailureTest : public ::testing::TestWithParam<const char*> {};

TEST_P(SceneFailureTest, MissingImageFileLeavesTheConstructor) {
    DemoImageDirectory images;
    images.removeFile(GetParam());
    auto dc = std::make_shared<MemoryDeviceContext>(kWidth, kHeight);
    try {
        Scene scene(dc, kWidth, kHeight, [] { return Point{}; }, tessary::fixedWorkers(1));
        FAIL() << "built a Scene without " << GetParam();
    } catch (const tessary::Win32Exception& error) {
        EXPECT_STREQ(error.what(), "CreateFileA API failed in tessary::FileStreamReader::FileStreamReader method.");
        EXPECT_EQ(error.getErrorCode(), static_cast<uint32_t>(ENOENT));
    }
    // Nothing was started, so nothing ever presented.
    EXPECT_EQ(dc->getPresentationCount(), 0u);
}

INSTANTIATE_TEST_SUITE_P(EachFile, SceneFailureTest, ::testing::Values("load.gra", "snow.png", "snow2.png"));

TEST(SceneBadFileTest, ImageThatIsNoPngLeavesTheConstructor) {
    DemoImageDirectory images;
    images.writeFile("snow.png", "GIF89a: not what it says it is");
    auto dc = std::make_shared<MemoryDeviceContext>(kWidth, kHeight);
    EXPECT_THROW(Scene(dc, kWidth, kHeight, [] { return Point{}; }, tessary::fixedWorkers(1)),
                 tessary::IoException);
}

}  // namespace

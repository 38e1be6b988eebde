// The drawer's band geometry, dirty-rectangle bookkeeping and frame snapshot.

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <memory>
#include <stdexcept>
#include <utility>
#include <vector>

#include "pixel/Image.h"
#include "sprite/FillRectSprite.h"
#include "sprite/ImageSprite.h"
#include "sprite/SpriteDrawer.h"
#include "sprite/SpriteManager.h"

namespace tessary {
namespace {

constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
constexpr uint32_t kMaxExtent = static_cast<uint32_t>(kMax);

// What the screen asks for: one band image holds at most 32 KiB.
uint32_t screenBandHeight(uint32_t width) { return 32768 / (width * 4); }

TEST(SpriteDrawerGeometry, BandsCoverTheTargetExactly) {
    struct Case {
        uint32_t width, height, requested;
        uint32_t bandHeight, bandCount;
        Rect lastBand;  // what invalidating everything marks in the last band
    };
    const Case cases[] = {
        {800, 600, screenBandHeight(800), 10, 60, {0, 590, 800, 600}},
        {1000, 600, screenBandHeight(1000), 8, 75, {0, 592, 1000, 600}},
        {100, 50, screenBandHeight(100), 50, 1, {0, 0, 100, 50}},
        {800, 605, 10, 10, 61, {0, 600, 800, 605}},
        {800, 620, 10, 10, 62, {0, 610, 800, 620}},
        {1, 1, 1, 1, 1, {0, 0, 1, 1}},
        // Wider than 8192: the screen asks for 0 rows and gets bands of one.
        {9000, 600, screenBandHeight(9000), 1, 600, {0, 599, 9000, 600}},
        {5, 7, 0, 1, 7, {0, 6, 5, 7}},
        // Neither the count nor the end of the last band may wrap.
        {kMaxExtent, kMaxExtent, UINT32_MAX, kMaxExtent, 1, {0, 0, kMax, kMax}},
        {1, kMaxExtent, 1u << 30, 1u << 30, 2, {0, 1 << 30, 1, kMax}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.width << " x " << c.height << " asking for " << c.requested);
        SpriteDrawer drawer(c.width, c.height, c.requested, {});
        EXPECT_EQ(drawer.getWidth(), c.width);
        EXPECT_EQ(drawer.getHeight(), c.height);
        EXPECT_EQ(drawer.getBandHeight(), c.bandHeight);
        ASSERT_EQ(drawer.getBandCount(), c.bandCount);
        EXPECT_FALSE(drawer.isDirty());
        for (uint32_t i = 0; i < c.bandCount; ++i) EXPECT_EQ(drawer.getBandDirtyRect(i), Rect{});
        drawer.invalidate(Rect{0, 0, kMax, kMax});
        EXPECT_EQ(drawer.getBandDirtyRect(c.bandCount - 1), c.lastBand);
    }
}

TEST(SpriteDrawerGeometry, RejectsTargetsWithoutPixelsOrBeyondInt32) {
    const std::pair<uint32_t, uint32_t> sizes[] = {
        {0, 600}, {800, 0}, {0, 0}, {kMaxExtent + 1, 600}, {800, UINT32_MAX},
        // What an int32 of -1 becomes on its way in.
        {static_cast<uint32_t>(-1), 600},
    };
    for (const auto& [width, height] : sizes) {
        EXPECT_THROW(SpriteDrawer(width, height, 10, {}), std::invalid_argument) << width << " x " << height;
    }
}

TEST(SpriteDrawerGeometry, BandIndicesBeyondTheCountAreRejected) {
    SpriteDrawer drawer(800, 600, 10, {});
    Image band(800, 10, PixelFormat::Bgrx32);
    EXPECT_THROW(drawer.getBandDirtyRect(60), std::out_of_range);
    EXPECT_THROW(drawer.drawBand(60, band), std::out_of_range);
    EXPECT_THROW(drawer.drawBand(UINT32_MAX, band), std::out_of_range);
}

struct InvalidationCase {
    const char* name;
    std::vector<Rect> invalidated;
    bool dirty;
    std::vector<std::pair<uint32_t, Rect>> bands;  // every other band stays empty
};

std::vector<std::pair<uint32_t, Rect>> fullBands(uint32_t first, uint32_t end) {
    std::vector<std::pair<uint32_t, Rect>> result;
    for (uint32_t i = first; i < end; ++i) {
        result.push_back({i, Rect{0, static_cast<int32_t>(i * 10), 800, static_cast<int32_t>(i * 10 + 10)}});
    }
    return result;
}

TEST(SpriteDrawerInvalidate, MarksTheBoundingBoxOfWhatWasInvalidatedPerBand) {
    const InvalidationCase cases[] = {
        {"three bands", {{100, 15, 200, 35}}, true,
         {{1, {100, 15, 200, 20}}, {2, {100, 20, 200, 30}}, {3, {100, 30, 200, 35}}}},
        {"two in one band", {{10, 2, 20, 4}, {30, 5, 40, 8}}, true, {{0, {10, 2, 40, 8}}}},
        {"growing across calls", {{10, 12, 20, 14}, {5, 15, 12, 25}}, true,
         {{1, {5, 12, 20, 20}}, {2, {5, 20, 12, 25}}}},
        {"whole target", {{0, 0, 800, 600}}, true, fullBands(0, 60)},
        {"far beyond the target", {{kMin, kMin, kMax, kMax}}, true, fullBands(0, 60)},
        {"partly outside", {{-5, 595, 5, 700}}, true, {{59, {0, 595, 5, 600}}}},
        {"one pixel", {{799, 599, 800, 600}}, true, {{59, {799, 599, 800, 600}}}},
        {"wholly outside", {{900, 0, 1000, 50}, {-50, -50, -10, -10}}, false, {}},
        // An empty rectangle restricts nothing: the whole target is redrawn.
        {"zero width", {{5, 10, 5, 20}}, true, fullBands(0, 60)},
        {"all zero", {{0, 0, 0, 0}}, true, fullBands(0, 60)},
        // Touching a side edge leaves a zero-width visible part spanning bands
        // 0-4, which marks them wholly but is itself empty.
        {"touching the right edge", {{800, 0, 900, 50}}, false, fullBands(0, 5)},
        {"touching the left edge", {{-100, 0, 0, 50}}, false, fullBands(0, 5)},
        {"touching the bottom edge", {{0, 600, 100, 650}}, false, {}},
        {"touching the top edge", {{0, -50, 100, 0}}, false, {}},
        {"inverted", {{50, 0, 10, 10}, {0, 20, 10, 5}}, false, {}},
    };
    for (const InvalidationCase& c : cases) {
        SCOPED_TRACE(c.name);
        SpriteDrawer drawer(800, 600, 10, {});
        for (const Rect& rect : c.invalidated) drawer.invalidate(rect);
        EXPECT_EQ(drawer.isDirty(), c.dirty);
        std::vector<Rect> expected(60);
        for (const auto& [index, rect] : c.bands) expected[index] = rect;
        for (uint32_t i = 0; i < 60; ++i) EXPECT_EQ(drawer.getBandDirtyRect(i), expected[i]) << "band " << i;
    }
}

// A drawer over a manager, with helpers to add shown sprites.
class SpriteDrawerFrame : public ::testing::Test {
protected:
    std::shared_ptr<FillRectSprite> addFill(int32_t id, int32_t zOrder, bool visible = true) {
        auto sprite = std::make_shared<FillRectSprite>(manager, drawer, id, Rect{0, 0, 10, 10}, zOrder,
                                                       Color::gray(static_cast<uint8_t>(id)));
        manager->add(sprite);
        if (visible) sprite->show();
        return sprite;
    }

    std::vector<uint8_t> snapshotLevels() const {
        std::vector<uint8_t> levels;
        for (const DrawCommand& command : drawer->getCommands()) levels.push_back(command.color.components[0]);
        return levels;
    }

    std::shared_ptr<SpriteManager> manager = std::make_shared<SpriteManager>();
    std::shared_ptr<SpriteDrawer> drawer = std::make_shared<SpriteDrawer>(800, 600, 10, manager);
};

TEST_F(SpriteDrawerFrame, CleanDrawerTakesNoSnapshotAndDoesNotSort) {
    addFill(1, 5);
    addFill(2, 1);
    drawer->beginFrame();
    EXPECT_TRUE(drawer->getCommands().empty());
    EXPECT_TRUE(manager->isUnsorted());
}

TEST_F(SpriteDrawerFrame, SnapshotHoldsVisibleSpritesInSortedOrder) {
    addFill(5, 5);
    addFill(1, -1);
    addFill(3, 3);
    addFill(9, 0, false);
    const auto transparent = addFill(7, 4);
    transparent->setOpacity(0);
    drawer->invalidate(Rect{0, 0, 1, 1});
    drawer->beginFrame();
    EXPECT_EQ(snapshotLevels(), (std::vector<uint8_t>{1, 3, 7, 5})) << "hidden 9 left out, opacity 0 kept";
    EXPECT_FALSE(manager->isUnsorted());
}

TEST_F(SpriteDrawerFrame, EndFrameForgetsEverythingButTheCapacity) {
    for (int32_t i = 0; i < 20; ++i) addFill(i, i);
    drawer->invalidate(Rect{0, 0, 800, 600});
    drawer->beginFrame();
    ASSERT_EQ(drawer->getCommands().size(), 20u);
    drawer->endFrame();
    EXPECT_FALSE(drawer->isDirty());
    EXPECT_TRUE(drawer->getCommands().empty());
    EXPECT_GE(drawer->getCommands().capacity(), 20u);
    for (uint32_t i = 0; i < drawer->getBandCount(); ++i) EXPECT_EQ(drawer->getBandDirtyRect(i), Rect{});
}

TEST_F(SpriteDrawerFrame, SpritesAddedBetweenFramesAppearInSortedPosition) {
    addFill(1, 1);
    addFill(3, 3);
    drawer->invalidate(Rect{0, 0, 1, 1});
    drawer->beginFrame();
    drawer->endFrame();
    addFill(2, 2);
    drawer->invalidate(Rect{0, 0, 1, 1});
    drawer->beginFrame();
    EXPECT_EQ(snapshotLevels(), (std::vector<uint8_t>{1, 2, 3}));
}

TEST_F(SpriteDrawerFrame, ZOrderChangeWithoutInvalidateOrderKeepsTheOldOrder) {
    const auto first = addFill(1, 1);
    addFill(2, 2);
    drawer->invalidate(Rect{0, 0, 1, 1});
    drawer->beginFrame();
    drawer->endFrame();
    first->setZOrder(3);
    drawer->invalidate(Rect{0, 0, 1, 1});
    drawer->beginFrame();
    EXPECT_EQ(snapshotLevels(), (std::vector<uint8_t>{1, 2}));
    drawer->endFrame();
    first->invalidateOrder();
    drawer->invalidate(Rect{0, 0, 1, 1});
    drawer->beginFrame();
    EXPECT_EQ(snapshotLevels(), (std::vector<uint8_t>{2, 1}));
}

TEST_F(SpriteDrawerFrame, RepeatedBeginFrameDoesNotDuplicateCommands) {
    addFill(1, 1);
    drawer->invalidate(Rect{0, 0, 1, 1});
    drawer->beginFrame();
    drawer->beginFrame();
    EXPECT_EQ(drawer->getCommands().size(), 1u);
}

TEST_F(SpriteDrawerFrame, WithoutAManagerTheSnapshotIsEmpty) {
    addFill(1, 1);
    drawer->invalidate(Rect{0, 0, 1, 1});
    manager.reset();
    EXPECT_NO_THROW(drawer->beginFrame());
    EXPECT_TRUE(drawer->getCommands().empty());
    drawer->endFrame();
    EXPECT_FALSE(drawer->isDirty());
}

TEST_F(SpriteDrawerFrame, SideEdgeMarksWaitForARealInvalidation) {
    addFill(1, 1);
    drawer->invalidate(Rect{800, 0, 900, 20});
    drawer->beginFrame();
    EXPECT_TRUE(drawer->getCommands().empty());
    drawer->endFrame();
    EXPECT_EQ(drawer->getBandDirtyRect(1), (Rect{0, 10, 800, 20})) << "a clean drawer's endFrame clears nothing";
    drawer->invalidate(Rect{0, 100, 1, 101});
    drawer->beginFrame();
    EXPECT_EQ(drawer->getCommands().size(), 1u);
    drawer->endFrame();
    EXPECT_EQ(drawer->getBandDirtyRect(1), Rect{});
}

}  // namespace
}  // namespace tessary

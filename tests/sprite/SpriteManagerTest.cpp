// The registry: drawing order by z-order, lazy sorting and lookup by id.

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <vector>

#include "sprite/FillRectSprite.h"
#include "sprite/SpriteManager.h"

namespace tessary {
namespace {

std::shared_ptr<FillRectSprite> makeSprite(int32_t id, int32_t zOrder) {
    return std::make_shared<FillRectSprite>(std::weak_ptr<SpriteManager>{}, std::weak_ptr<SpriteDrawer>{}, id,
                                            Rect{0, 0, 1, 1}, zOrder, Color::gray(0));
}

std::vector<int32_t> zOrders(const SpriteManager& manager) {
    std::vector<int32_t> result;
    for (const SpriteEntry& entry : manager.getEntries()) result.push_back(entry.sprite->getZOrder());
    return result;
}

TEST(SpriteManager, SortsAscendingBySignedZOrder) {
    struct Case {
        std::vector<int32_t> added;
        std::vector<int32_t> sorted;
    };
    const Case cases[] = {
        {{5, -1, 3}, {-1, 3, 5}},
        {{INT32_MAX, INT32_MIN, 0, -1}, {INT32_MIN, -1, 0, INT32_MAX}},
        {{}, {}},
        {{2, 2, 1, 2}, {1, 2, 2, 2}},
    };
    for (const Case& c : cases) {
        SpriteManager manager;
        for (int32_t z : c.added) manager.add(makeSprite(z, z));
        EXPECT_EQ(zOrders(manager), c.added) << "insertion order until the next sort";
        manager.sortIfUnsorted();
        EXPECT_EQ(zOrders(manager), c.sorted);
        for (const SpriteEntry& entry : manager.getEntries()) {
            EXPECT_EQ(entry.id, entry.sprite->getId()) << "ids move with their sprites";
        }
    }
}

TEST(SpriteManager, AddMarksUnsortedEvenWhenAlreadyInOrder) {
    SpriteManager manager;
    EXPECT_FALSE(manager.isUnsorted());
    manager.add(makeSprite(1, 1));
    manager.sortIfUnsorted();
    EXPECT_FALSE(manager.isUnsorted());
    manager.add(makeSprite(2, 100));
    EXPECT_TRUE(manager.isUnsorted());
}

TEST(SpriteManager, ZOrderChangesCountOnlyAfterMarkUnsorted) {
    SpriteManager manager;
    const auto low = makeSprite(1, 1);
    const auto high = makeSprite(2, 2);
    manager.add(low);
    manager.add(high);
    manager.sortIfUnsorted();
    low->setZOrder(10);
    manager.sortIfUnsorted();
    EXPECT_EQ(manager.getEntries().front().sprite, low) << "not re-sorted without markUnsorted";
    manager.markUnsorted();
    manager.sortIfUnsorted();
    EXPECT_EQ(manager.getEntries().front().sprite, high);
}

TEST(SpriteManager, FindReturnsTheFirstMatchInTheCurrentOrder) {
    SpriteManager manager;
    EXPECT_EQ(manager.find(50), nullptr) << "empty manager";
    const auto first = makeSprite(50, 100);
    const auto second = makeSprite(50, 3);
    manager.add(makeSprite(40, 32));
    manager.add(first);
    manager.add(second);
    EXPECT_EQ(manager.find(50), first) << "insertion order before the first sort";
    manager.sortIfUnsorted();
    EXPECT_EQ(manager.find(50), second) << "z-order after it";
    EXPECT_EQ(manager.find(40)->getZOrder(), 32);
    EXPECT_EQ(manager.find(41), nullptr);
}

TEST(SpriteManager, RejectsAnEmptySprite) {
    SpriteManager manager;
    EXPECT_THROW(manager.add(nullptr), std::invalid_argument);
    EXPECT_TRUE(manager.getEntries().empty());
}

TEST(SpriteManager, DestructionReleasesSpritesNoOneElseHolds) {
    auto manager = std::make_unique<SpriteManager>();
    const auto kept = makeSprite(1, 0);
    std::weak_ptr<FillRectSprite> dropped;
    {
        const auto sprite = makeSprite(2, 0);
        dropped = sprite;
        manager->add(sprite);
        manager->add(kept);
    }
    EXPECT_FALSE(dropped.expired());
    manager.reset();
    EXPECT_TRUE(dropped.expired());
    EXPECT_EQ(kept.use_count(), 1);
}

}  // namespace
}  // namespace tessary

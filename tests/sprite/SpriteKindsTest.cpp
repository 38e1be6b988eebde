// The two sprite kinds: defaults, geometry, the commands they yield and their
// weak links to the manager and the drawer.

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <memory>

#include "pixel/Image.h"
#include "sprite/FillRectSprite.h"
#include "sprite/ImageSprite.h"
#include "sprite/SpriteDrawer.h"
#include "sprite/SpriteManager.h"

namespace tessary {
namespace {

constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
constexpr int32_t kMax = std::numeric_limits<int32_t>::max();

std::shared_ptr<Image> makeImage(int32_t width, int32_t height, PixelFormat format = PixelFormat::Bgra32) {
    return std::make_shared<Image>(width, height, format);
}

TEST(SpriteKinds, NewSpritesAreHiddenNormalAndOpaque) {
    const FillRectSprite fillSprite({}, {}, 1, Rect{0, 0, 4, 4}, 9, Color::gray(3));
    const ImageSprite imageSprite({}, {}, 2, 5, 6, 7, makeImage(2, 2));
    for (const ISprite* sprite : {static_cast<const ISprite*>(&fillSprite), static_cast<const ISprite*>(&imageSprite)}) {
        EXPECT_FALSE(sprite->isVisible());
        EXPECT_EQ(sprite->getBlendMode(), BlendMode::Normal);
        EXPECT_EQ(sprite->getOpacity(), 255);
    }
    EXPECT_EQ(fillSprite.getId(), 1);
    EXPECT_EQ(fillSprite.getZOrder(), 9);
    EXPECT_EQ(imageSprite.getId(), 2);
    EXPECT_EQ(imageSprite.getZOrder(), 7);
}

TEST(SpriteKinds, SettersStoreAnyValueUnchanged) {
    ImageSprite sprite({}, {}, 0, 0, 0, 0, makeImage(1, 1));
    sprite.show();
    EXPECT_TRUE(sprite.isVisible());
    sprite.hide();
    EXPECT_FALSE(sprite.isVisible());
    sprite.setBlendMode(static_cast<BlendMode>(-1));
    EXPECT_EQ(static_cast<int32_t>(sprite.getBlendMode()), -1);
    sprite.setOpacity(0);
    EXPECT_EQ(sprite.getOpacity(), 0);
    sprite.setZOrder(kMin);
    EXPECT_EQ(sprite.getZOrder(), kMin);
    sprite.setPosition(kMax, kMin);
    EXPECT_EQ(sprite.getX(), kMax);
    EXPECT_EQ(sprite.getY(), kMin);
}

TEST(SpriteKinds, FillRectSpriteKeepsItsSizeWhenMoved) {
    struct Case {
        Rect rect;
        int32_t x, y;
        Rect expected;
    };
    const Case cases[] = {
        {{10, 20, 30, 60}, 0, 0, {0, 0, 20, 40}},
        {{10, 20, 30, 60}, -15, 100, {-15, 100, 5, 140}},
        {{0, 0, 0, 0}, 7, 8, {7, 8, 7, 8}},
        // The shift exceeds int32 in both directions; only far edges saturate.
        {{kMax - 10, kMax - 10, kMax, kMax}, kMin, kMin, {kMin, kMin, kMin + 10, kMin + 10}},
        {{kMin, kMin, kMin + 10, kMin + 10}, kMax - 4, kMax - 4, {kMax - 4, kMax - 4, kMax, kMax}},
    };
    for (const Case& c : cases) {
        FillRectSprite sprite({}, {}, 0, c.rect, 0, Color::gray(0));
        sprite.setPosition(c.x, c.y);
        EXPECT_EQ(sprite.getRect(), c.expected) << "moved to " << c.x << ", " << c.y;
        EXPECT_EQ(sprite.getX(), c.x);
        EXPECT_EQ(sprite.getY(), c.y);
        EXPECT_EQ(sprite.getDrawCommand().rect, c.expected);
    }
}

TEST(SpriteKinds, FillRectSpriteYieldsAFillCommand) {
    FillRectSprite sprite({}, {}, 3, Rect{1, 2, 3, 4}, 0, Color::rgba(10, 20, 30, 40));
    sprite.setBlendMode(BlendMode::Subtract);
    sprite.setOpacity(77);
    const DrawCommand command = sprite.getDrawCommand();
    EXPECT_EQ(command.kind, DrawKind::Fill);
    EXPECT_EQ(command.blendMode, BlendMode::Subtract);
    EXPECT_EQ(command.opacity, 77);
    EXPECT_EQ(command.rect, (Rect{1, 2, 3, 4}));
    EXPECT_EQ(command.color.kind, ColorKind::Rgba);
    EXPECT_EQ(command.color.pack(), Color::rgba(10, 20, 30, 40).pack());
    EXPECT_EQ(command.image, nullptr);
}

TEST(SpriteKinds, ImageSpriteYieldsABlitCommandOverItsImage) {
    const std::shared_ptr<Image> image = makeImage(16, 8, PixelFormat::Gray8);
    ImageSprite sprite({}, {}, 4, 5, 7, 0, image);
    sprite.setBlendMode(BlendMode::Add);
    sprite.setOpacity(128);
    const DrawCommand command = sprite.getDrawCommand();
    EXPECT_EQ(command.kind, DrawKind::Blit);
    EXPECT_EQ(command.blendMode, BlendMode::Add);
    EXPECT_EQ(command.opacity, 128);
    EXPECT_EQ(command.rect, (Rect{5, 7, 21, 15}));
    EXPECT_EQ(command.sourceOrigin, (Point{0, 0}));
    EXPECT_EQ(command.image, image.get());
    EXPECT_EQ(sprite.getX(), 5);
    EXPECT_EQ(sprite.getY(), 7);
    EXPECT_EQ(sprite.getImage(), image);
}

TEST(SpriteKinds, ImageSpriteRectangleStopsAtTheInt32Range) {
    ImageSprite sprite({}, {}, 0, kMax - 3, kMax - 1, 0, makeImage(16, 8));
    EXPECT_EQ(sprite.getDrawCommand().rect, (Rect{kMax - 3, kMax - 1, kMax, kMax}));
    sprite.setPosition(kMin, kMin);
    EXPECT_EQ(sprite.getDrawCommand().rect, (Rect{kMin, kMin, kMin + 16, kMin + 8}));
}

TEST(SpriteKinds, ImageSpriteNeedsAnImage) {
    EXPECT_THROW(ImageSprite({}, {}, 0, 0, 0, 0, nullptr), std::invalid_argument);
}

TEST(SpriteKinds, DowncastFromTheInterfaceFindsOnlyImageSprites) {
    const std::shared_ptr<ISprite> image = std::make_shared<ImageSprite>(std::weak_ptr<SpriteManager>{},
                                                                         std::weak_ptr<SpriteDrawer>{}, 0, 0, 0, 0,
                                                                         makeImage(1, 1));
    const std::shared_ptr<ISprite> fill = std::make_shared<FillRectSprite>(
        std::weak_ptr<SpriteManager>{}, std::weak_ptr<SpriteDrawer>{}, 0, Rect{}, 0, Color::gray(0));
    EXPECT_NE(std::dynamic_pointer_cast<ImageSprite>(image), nullptr);
    EXPECT_EQ(std::dynamic_pointer_cast<ImageSprite>(fill), nullptr);
}

// Both kinds reach the drawer and the manager through weak links that may
// outlive their targets.
class SpriteLinks : public ::testing::Test {
protected:
    std::shared_ptr<SpriteManager> manager = std::make_shared<SpriteManager>();
    std::shared_ptr<SpriteDrawer> drawer = std::make_shared<SpriteDrawer>(800, 600, 10, manager);
    std::shared_ptr<ImageSprite> imageSprite =
        std::make_shared<ImageSprite>(manager, drawer, 1, 100, 15, 0, makeImage(100, 20));
    std::shared_ptr<FillRectSprite> fillSprite =
        std::make_shared<FillRectSprite>(manager, drawer, 2, Rect{0, 590, 10, 600}, 0, Color::gray(0));
};

TEST_F(SpriteLinks, InvalidateReportsTheCurrentSpriteRectangle) {
    imageSprite->invalidate();
    EXPECT_TRUE(drawer->isDirty());
    EXPECT_EQ(drawer->getBandDirtyRect(1), (Rect{100, 15, 200, 20}));
    EXPECT_EQ(drawer->getBandDirtyRect(3), (Rect{100, 30, 200, 35}));
    fillSprite->invalidate();
    EXPECT_EQ(drawer->getBandDirtyRect(59), (Rect{0, 590, 10, 600}));
    fillSprite->setPosition(5, 0);
    fillSprite->invalidate();
    EXPECT_EQ(drawer->getBandDirtyRect(0), (Rect{5, 0, 15, 10}));
}

TEST_F(SpriteLinks, InvalidateOrderMarksTheManagerUnsorted) {
    manager->sortIfUnsorted();
    ASSERT_FALSE(manager->isUnsorted());
    imageSprite->invalidateOrder();
    EXPECT_TRUE(manager->isUnsorted());
    manager->sortIfUnsorted();
    fillSprite->invalidateOrder();
    EXPECT_TRUE(manager->isUnsorted());
}

TEST_F(SpriteLinks, SpritesOutlivingDrawerAndManagerDoNothing) {
    drawer.reset();
    manager.reset();
    for (ISprite* sprite : {static_cast<ISprite*>(imageSprite.get()), static_cast<ISprite*>(fillSprite.get())}) {
        EXPECT_NO_THROW(sprite->invalidate());
        EXPECT_NO_THROW(sprite->invalidateOrder());
    }
}

TEST_F(SpriteLinks, SpritesHoldNeitherDrawerNorManager) {
    const std::weak_ptr<SpriteDrawer> weakDrawer = drawer;
    const std::weak_ptr<SpriteManager> weakManager = manager;
    drawer.reset();
    manager.reset();
    EXPECT_TRUE(weakDrawer.expired());
    EXPECT_TRUE(weakManager.expired());
}

}  // namespace
}  // namespace tessary

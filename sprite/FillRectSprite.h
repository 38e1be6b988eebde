#pragma once
// A solid rectangle of one colour.

#include <cstdint>
#include <memory>

#include "pixel/Color.h"
#include "pixel/Geometry.h"
#include "sprite/ISprite.h"

namespace tessary {

class SpriteManager;
class SpriteDrawer;

class FillRectSprite : public ISprite {
public:
    // Created hidden, Normal, opacity 255. The references are weak so that
    // sprites never keep the screen's parts alive.
    FillRectSprite(std::weak_ptr<SpriteManager> manager, std::weak_ptr<SpriteDrawer> drawer, int32_t id,
                   const Rect& rect, int32_t zOrder, const Color& color);

    int32_t getId() const override { return id_; }

    // The size is kept; an edge that would pass the int32 range stops at it.
    void setPosition(int32_t x, int32_t y) override;
    int32_t getX() const override { return rect_.left; }
    int32_t getY() const override { return rect_.top; }

    void setZOrder(int32_t zOrder) override { zOrder_ = zOrder; }
    int32_t getZOrder() const override { return zOrder_; }

    DrawCommand getDrawCommand() const override;

    void show() override { visible_ = true; }
    void hide() override { visible_ = false; }
    bool isVisible() const override { return visible_; }

    void setBlendMode(BlendMode mode) override { blendMode_ = mode; }
    BlendMode getBlendMode() const override { return blendMode_; }

    void setOpacity(uint8_t opacity) override { opacity_ = opacity; }
    uint8_t getOpacity() const override { return opacity_; }

    void invalidate() override;
    void invalidateOrder() override;

    const Rect& getRect() const { return rect_; }
    const Color& getColor() const { return color_; }

private:
    std::weak_ptr<SpriteManager> manager_;
    std::weak_ptr<SpriteDrawer> drawer_;
    int32_t id_;
    Rect rect_;
    int32_t zOrder_;
    Color color_;
    bool visible_ = false;
    BlendMode blendMode_ = BlendMode::Normal;
    uint8_t opacity_ = 255;
};

}  // namespace tessary

#pragma once
// A solid rectangle of one colour.

#include <cstdint>
#include <memory>

#include "pixel/Color.h"
#include "pixel/Geometry.h"
#include "sprite/SpriteBase.h"

namespace tessary {

class FillRectSprite : public SpriteBase {
public:
    // Created hidden, Normal, opacity 255.
    FillRectSprite(std::weak_ptr<SpriteManager> manager, std::weak_ptr<SpriteDrawer> drawer, int32_t id,
                   const Rect& rect, int32_t zOrder, const Color& color);

    // The size is kept; an edge that would pass the int32 range stops at it.
    void setPosition(int32_t x, int32_t y) override;
    int32_t getX() const override { return rect_.left; }
    int32_t getY() const override { return rect_.top; }

    DrawCommand getDrawCommand() const override;

    Rect getRect() const override { return rect_; }
    const Color& getColor() const { return color_; }

private:
    Rect rect_;
    Color color_;
};

}  // namespace tessary

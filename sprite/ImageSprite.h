#pragma once
// An Image placed at a position of the target.

#include <cstdint>
#include <memory>

#include "pixel/Geometry.h"
#include "pixel/Image.h"
#include "sprite/SpriteBase.h"

namespace tessary {

class ImageSprite : public SpriteBase {
public:
    // Created hidden, Normal, opacity 255. Throws std::invalid_argument for an
    // empty image reference: the sprite rectangle is read from the image.
    ImageSprite(std::weak_ptr<SpriteManager> manager, std::weak_ptr<SpriteDrawer> drawer, int32_t id, int32_t x,
                int32_t y, int32_t zOrder, std::shared_ptr<Image> image);

    void setPosition(int32_t x, int32_t y) override {
        x_ = x;
        y_ = y;
    }
    int32_t getX() const override { return x_; }
    int32_t getY() const override { return y_; }

    DrawCommand getDrawCommand() const override;

    const std::shared_ptr<Image>& getImage() const { return image_; }

    // {x, y, x + image width, y + image height}; the far edges stop at
    // INT32_MAX instead of wrapping.
    Rect getRect() const override;

private:
    int32_t x_;
    int32_t y_;
    std::shared_ptr<Image> image_;
};

}  // namespace tessary

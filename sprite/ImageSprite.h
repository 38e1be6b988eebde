#pragma once
// An Image placed at a position of the target.

#include <cstdint>
#include <memory>

#include "pixel/Geometry.h"
#include "pixel/Image.h"
#include "sprite/ISprite.h"

namespace tessary {

class SpriteManager;
class SpriteDrawer;

class ImageSprite : public ISprite {
public:
    // Created hidden, Normal, opacity 255. Throws std::invalid_argument for an
    // empty image reference: the sprite rectangle is read from the image.
    ImageSprite(std::weak_ptr<SpriteManager> manager, std::weak_ptr<SpriteDrawer> drawer, int32_t id, int32_t x,
                int32_t y, int32_t zOrder, std::shared_ptr<Image> image);

    int32_t getId() const override { return id_; }

    void setPosition(int32_t x, int32_t y) override {
        x_ = x;
        y_ = y;
    }
    int32_t getX() const override { return x_; }
    int32_t getY() const override { return y_; }

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

    const std::shared_ptr<Image>& getImage() const { return image_; }

    // {x, y, x + image width, y + image height}; the far edges stop at
    // INT32_MAX instead of wrapping.
    Rect getRect() const;

private:
    std::weak_ptr<SpriteManager> manager_;
    std::weak_ptr<SpriteDrawer> drawer_;
    int32_t id_;
    int32_t x_;
    int32_t y_;
    int32_t zOrder_;
    std::shared_ptr<Image> image_;
    bool visible_ = false;
    BlendMode blendMode_ = BlendMode::Normal;
    uint8_t opacity_ = 255;
};

}  // namespace tessary

#pragma once
// What both kinds of sprite keep besides their geometry: identity, drawing
// order, visibility, blend mode, opacity, and the weak links through which
// they report changes to the screen's drawer and manager.

#include <cstdint>
#include <memory>

#include "pixel/Geometry.h"
#include "sprite/DrawCommand.h"
#include "sprite/ISprite.h"

namespace tessary {

class SpriteManager;
class SpriteDrawer;

class SpriteBase : public ISprite {
public:
    int32_t getId() const override { return id_; }

    void setZOrder(int32_t zOrder) override { zOrder_ = zOrder; }
    int32_t getZOrder() const override { return zOrder_; }

    void show() override { visible_ = true; }
    void hide() override { visible_ = false; }
    bool isVisible() const override { return visible_; }

    void setBlendMode(BlendMode mode) override { blendMode_ = mode; }
    BlendMode getBlendMode() const override { return blendMode_; }

    void setOpacity(uint8_t opacity) override { opacity_ = opacity; }
    uint8_t getOpacity() const override { return opacity_; }

    // Reports the current sprite rectangle to the drawer; nothing once the drawer is gone.
    void invalidate() override;
    // Nothing once the manager is gone.
    void invalidateOrder() override;

    // The area the sprite covers, in target coordinates.
    virtual Rect getRect() const = 0;

protected:
    // Hidden, Normal, opacity 255. The references are weak so that sprites
    // never keep the screen's parts alive.
    SpriteBase(std::weak_ptr<SpriteManager> manager, std::weak_ptr<SpriteDrawer> drawer, int32_t id,
               int32_t zOrder);

    // A command of `kind` over the sprite rectangle with the sprite's blend mode and opacity.
    DrawCommand makeDrawCommand(DrawKind kind) const;

private:
    std::weak_ptr<SpriteManager> manager_;
    std::weak_ptr<SpriteDrawer> drawer_;
    int32_t id_;
    int32_t zOrder_;
    bool visible_ = false;
    BlendMode blendMode_ = BlendMode::Normal;
    uint8_t opacity_ = 255;
};

}  // namespace tessary

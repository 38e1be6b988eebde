#pragma once
// One drawable item of the scene. A sprite holds only its own drawing state;
// whoever changes it tells the drawer what to redraw (invalidate) and the
// manager that the order may have changed (invalidateOrder).

#include <cstdint>

#include "pixel/PixelFormat.h"
#include "sprite/DrawCommand.h"

namespace tessary {

class ISprite {
public:
    virtual ~ISprite() = default;

    virtual int32_t getId() const = 0;

    // Moves the top-left corner of the sprite rectangle; the size stays.
    virtual void setPosition(int32_t x, int32_t y) = 0;
    virtual int32_t getX() const = 0;
    virtual int32_t getY() const = 0;

    // Lower z-orders are drawn first. Takes effect after invalidateOrder.
    virtual void setZOrder(int32_t zOrder) = 0;
    virtual int32_t getZOrder() const = 0;

    virtual DrawCommand getDrawCommand() const = 0;

    virtual void show() = 0;
    virtual void hide() = 0;
    virtual bool isVisible() const = 0;

    // Stored unchanged, any code: the kernels draw nothing for unknown modes.
    virtual void setBlendMode(BlendMode mode) = 0;
    virtual BlendMode getBlendMode() const = 0;

    virtual void setOpacity(uint8_t opacity) = 0;
    virtual uint8_t getOpacity() const = 0;

    // Reports the current sprite rectangle to the drawer, if it still exists.
    virtual void invalidate() = 0;
    // Asks the manager, if it still exists, to re-sort before the next frame.
    virtual void invalidateOrder() = 0;

protected:
    ISprite() = default;
    ISprite(const ISprite&) = default;
    ISprite& operator=(const ISprite&) = default;
};

}  // namespace tessary

#pragma once
// The only ways the demo changes a sprite: each reports to the drawer exactly
// the area that looks different afterwards, and changes nothing (reports
// nothing) when the value stays the same.

#include <cstdint>

#include "pixel/PixelFormat.h"
#include "sprite/ISprite.h"

inline void showSprite(tessary::ISprite& sprite) {
    if (!sprite.isVisible() && sprite.getOpacity() != 0) sprite.invalidate();
    sprite.show();
}

inline void moveSprite(tessary::ISprite& sprite, int32_t x, int32_t y) {
    if (sprite.getX() == x && sprite.getY() == y) return;
    if (sprite.isVisible() && sprite.getOpacity() != 0) {
        sprite.invalidate();  // where it was
        sprite.setPosition(x, y);
        sprite.invalidate();  // where it is now
        return;
    }
    sprite.setPosition(x, y);
}

inline void changeOpacity(tessary::ISprite& sprite, uint8_t opacity) {
    if (sprite.getOpacity() == opacity) return;
    if (sprite.isVisible()) sprite.invalidate();
    sprite.setOpacity(opacity);
}

inline void changeBlendMode(tessary::ISprite& sprite, tessary::BlendMode mode) {
    if (sprite.getBlendMode() == mode) return;
    if (sprite.isVisible() && sprite.getOpacity() != 0) sprite.invalidate();
    sprite.setBlendMode(mode);
}

#pragma once
// The record a sprite hands to the drawer: everything needed to draw it once,
// copied by value so that the render workers never call back into sprites.

#include <cstdint>

#include "pixel/Color.h"
#include "pixel/Geometry.h"
#include "pixel/IImage.h"
#include "pixel/PixelFormat.h"

namespace tessary {

enum class DrawKind : int32_t { Fill = 0, Blit = 1 };

struct DrawCommand {
    DrawKind kind = DrawKind::Fill;
    BlendMode blendMode = BlendMode::Normal;
    uint8_t opacity = 255;
    // Destination in target coordinates: the sprite rectangle.
    Rect rect;
    // Fill only: the colour.
    Color color;
    // Blit only: the source pixel that lands on rect's top-left corner.
    Point sourceOrigin;
    // Blit only. Not owned: the sprite keeps its image alive, and commands
    // live only inside one frame, while nothing may change the sprites.
    const IImage* image = nullptr;
};

}  // namespace tessary

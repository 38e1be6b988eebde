#pragma once
// Draws a region of a source image of any format into a 32-bit target.

#include <cstdint>

#include "pixel/Geometry.h"
#include "pixel/IImage.h"
#include "pixel/PixelFormat.h"

namespace tessary {

// Destination pixel (x, y) of the placed rect shows source pixel
// (x - rect.left + origin.x, y - rect.top + origin.y). Clipped against the
// context's clip and the source bounds in step; requests that cannot draw
// return silently.
void blit(const Point& origin, const ClipContext* context, const IImage& source, IImage& target, BlendMode mode,
          const Rect& rect, uint8_t opacity);

}  // namespace tessary

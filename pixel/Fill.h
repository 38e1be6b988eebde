#pragma once
// Paints a rectangle of a 32-bit target with one colour.

#include <cstdint>

#include "pixel/Color.h"
#include "pixel/Geometry.h"
#include "pixel/IImage.h"
#include "pixel/PixelFormat.h"

namespace tessary {

// Moves rect by context->offset and clips it by context->clip (when a
// context is given), then fills it under `mode` and `opacity`. Requests that
// cannot draw return silently.
void fill(const Color& color, const ClipContext* context, IImage& target, BlendMode mode, const Rect& rect,
          uint8_t opacity);

}  // namespace tessary

#pragma once
// Paints a rectangle of a 32-bit target with one colour.

#include <cstdint>

#include "pixel/Color.h"
#include "pixel/Geometry.h"
#include "pixel/IImage.h"
#include "pixel/KernelPath.h"
#include "pixel/PixelFormat.h"

namespace tessary {

// Moves rect by context->offset and clips it by context->clip (when a
// context is given), then fills it under `mode` and `opacity`. Requests that
// cannot draw return silently: an empty rect (also under a context), an empty
// placed rect, a translucent colour with alpha 0, opacity 0, a mode outside
// 0-4, a rect outside the target or a target without pixels.
void fill(const Color& color, const ClipContext* context, IImage& target, BlendMode mode, const Rect& rect,
          uint8_t opacity);

// The same on a chosen kernel path; throws std::invalid_argument when
// isKernelPathSupported(path) is false.
void fill(KernelPath path, const Color& color, const ClipContext* context, IImage& target, BlendMode mode,
          const Rect& rect, uint8_t opacity);

}  // namespace tessary

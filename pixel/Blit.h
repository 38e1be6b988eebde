#pragma once
// Draws a region of a source image of any format into a 32-bit target.

#include <cstdint>

#include "pixel/Geometry.h"
#include "pixel/IImage.h"
#include "pixel/KernelPath.h"
#include "pixel/PixelFormat.h"

namespace tessary {

// Destination pixel (x, y) of the placed rect shows source pixel
// (x - rect.left + origin.x, y - rect.top + origin.y). Clipped against the
// context's clip and the source bounds in step; requests that cannot draw
// return silently: an empty rect (also under a context), a rect that the
// clip leaves empty, a source or target without pixels, no source pixel
// under the rect, opacity 0, a mode or source format outside 0-4.
void blit(const Point& origin, const ClipContext* context, const IImage& source, IImage& target, BlendMode mode,
          const Rect& rect, uint8_t opacity);

// The same on a chosen kernel path; throws std::invalid_argument when
// isKernelPathSupported(path) is false.
void blit(KernelPath path, const Point& origin, const ClipContext* context, const IImage& source, IImage& target,
          BlendMode mode, const Rect& rect, uint8_t opacity);

}  // namespace tessary

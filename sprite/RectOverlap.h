#pragma once
// The drawer's cheap test for whether a command can reach a dirty rectangle.

#include "pixel/Geometry.h"

namespace tessary {

// True when both rectangles cover at least one pixel and share one. Empty and
// inverted rectangles cover no pixel, so they share nothing; this differs on
// purpose from intersect, for which an empty operand means "no restriction".
constexpr bool shareAnyPixel(const Rect& a, const Rect& b) {
    return a.left < a.right && a.top < a.bottom && b.left < b.right && b.top < b.bottom && a.left < b.right &&
           b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

}  // namespace tessary

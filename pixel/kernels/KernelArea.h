#pragma once
// Where a kernel draws: the part of its area inside the target, and how each
// row splits into an exact head, a vector body in groups of 8 and an exact
// tail. The split is decided from each row's actual address, so which pixels
// take which path (and so which rounding) depends on where the row lies in
// memory, not only on its columns.

#include <cstddef>
#include <cstdint>

#include "pixel/Geometry.h"
#include "pixel/IImage.h"

namespace tessary::kernels {

constexpr int32_t kGroupPixels = 8;
constexpr int32_t kShortRowPixels = 7;

// Whether a rect holds at least one pixel. Only the dispatchers' own checks
// use it: besides being empty, a rect with left > right or top > bottom
// (which nothing builds) is taken as holding nothing.
constexpr bool coversPixels(const Rect& r) { return r.left < r.right && r.top < r.bottom; }

// The intersection with the target's bounds, or an empty rect when nothing of
// the target is covered. A target without pixels covers nothing.
inline Rect clipToTarget(const IImage& target, const Rect& area) {
    const Rect bounds{0, 0, target.getWidth(), target.getHeight()};
    if (!coversPixels(bounds) || !coversPixels(area)) return Rect{};
    const Rect clipped = intersect(bounds, area);
    return coversPixels(clipped) ? clipped : Rect{};
}

struct RowSegments {
    int32_t first;    // first column of the body (16-byte aligned)
    int32_t bodyEnd;  // one past its last column; equals first when there is no body
};

// rowAddress is the address of column 0 of the row; left < right.
inline RowSegments splitRow(std::uintptr_t rowAddress, int32_t left, int32_t right) {
    // Aligned vector stores need pixels on 4-byte boundaries; a row that is
    // not (never built by this system) is drawn on the exact path only.
    if (right - left <= kShortRowPixels || rowAddress % 4 != 0) return RowSegments{right, right};
    const std::uintptr_t leftAddress = rowAddress + std::uintptr_t(left) * 4u;
    const auto headPixels = static_cast<int32_t>(((~leftAddress + 1) & 15u) / 4);
    const int32_t first = left + headPixels;
    const int32_t bodyEnd = first + ((right - first) & ~(kGroupPixels - 1));
    return RowSegments{first, bodyEnd};
}

}  // namespace tessary::kernels

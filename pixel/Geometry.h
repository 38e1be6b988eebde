#pragma once
// Pixel-coordinate rectangles and points, and the one intersection rule that
// every dispatcher, kernel and the sprite drawer share.

#include <algorithm>
#include <cstdint>
#include <limits>

namespace tessary {

// Half-open: covers columns left .. right-1 and rows top .. bottom-1.
struct Rect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
};

struct Point {
    int32_t x = 0;
    int32_t y = 0;
};

// What a caller hands to fill and blit: move the request by `offset`, then
// clip it by `clip`. An empty `clip` clips nothing (see intersect).
struct ClipContext {
    Rect clip;
    Point offset;
};

constexpr bool operator==(const Rect& a, const Rect& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
constexpr bool operator!=(const Rect& a, const Rect& b) { return !(a == b); }
constexpr bool operator==(const Point& a, const Point& b) { return a.x == b.x && a.y == b.y; }
constexpr bool operator!=(const Point& a, const Point& b) { return !(a == b); }

// Only equality is tested: rectangles are never normalised.
constexpr bool isEmpty(const Rect& r) { return r.left == r.right || r.top == r.bottom; }

// Coordinates come from callers that may place sprites anywhere in int32; a
// shifted edge saturates instead of wrapping, so a far-away rectangle stays far away.
constexpr int32_t saturatingAdd(int32_t a, int32_t b) {
    const int64_t sum = int64_t{a} + int64_t{b};
    return static_cast<int32_t>(std::clamp<int64_t>(sum, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

constexpr Rect offsetRect(const Rect& r, int32_t dx, int32_t dy) {
    return Rect{saturatingAdd(r.left, dx), saturatingAdd(r.top, dy), saturatingAdd(r.right, dx),
                saturatingAdd(r.bottom, dy)};
}

// An empty operand is an identity, not a null set: it restricts nothing.
// Rectangles that only touch give an empty result of zero width or height at
// the shared edge; disjoint ones give {0, 0, 0, 0}.
constexpr Rect intersect(const Rect& a, const Rect& b) {
    if (isEmpty(a)) return b;
    if (isEmpty(b)) return a;
    if (a.left > b.right || a.right < b.left || a.top > b.bottom || a.bottom < b.top) return Rect{};
    return Rect{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                std::min(a.bottom, b.bottom)};
}

}  // namespace tessary

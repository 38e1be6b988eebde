#pragma once
// A naive model of fill and blit, built only from the per-channel arithmetic
// of ChannelMath.h: one pixel and one channel at a time, placement written out
// step by step. The kernels are checked against it.

#include <algorithm>
#include <cstdint>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "pixel/ChannelMath.h"
#include "pixel/Color.h"
#include "pixel/Geometry.h"
#include "pixel/PixelFormat.h"
#include "TestImage.h"

namespace tessary::test {

inline std::string describe(const Rect& r) {
    std::ostringstream out;
    out << "{" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << "}";
    return out.str();
}

inline std::string describe(const ClipContext* context) {
    if (context == nullptr) return "none";
    std::ostringstream out;
    out << "{clip " << describe(context->clip) << ", offset (" << context->offset.x << ", " << context->offset.y << ")}";
    return out.str();
}

// Whether column x of a row starting at rowAddress, in a drawn span
// [left, right), lies in the 16-byte aligned groups of 8 that take the vector path.
inline bool isVectorColumn(std::uintptr_t rowAddress, int32_t left, int32_t right, int32_t x) {
    if (right - left <= 7) return false;
    const std::uintptr_t firstAddress = ((rowAddress + 4u * static_cast<std::uintptr_t>(left) + 15u) & ~std::uintptr_t{15});
    const auto first = static_cast<int32_t>((firstAddress - rowAddress) / 4);
    const int32_t bodyEnd = first + ((right - first) & ~7);
    return x >= first && x < bodyEnd;
}

inline bool hasPixels(const Rect& r) { return r.left < r.right && r.top < r.bottom; }

// One source pixel as blue, green, red, byte 3 (alpha for formats with one).
struct SourcePixel {
    int channel[3];
    int byte3;
};

inline SourcePixel readSource(const TestImage& source, int32_t u, int32_t v) {
    const uint8_t* p = source.pixel(u, v);
    switch (source.getFormat()) {
        case PixelFormat::Gray8: return {{p[0], p[0], p[0]}, p[0]};
        case PixelFormat::Bgr24: return {{p[0], p[1], p[2]}, 0};
        case PixelFormat::GrayAlpha16: return {{p[0], p[0], p[0]}, p[1]};
        default: return {{p[0], p[1], p[2]}, p[3]};
    }
}

// Draws one target pixel: `weighted` when alpha or opacity applies, `alphaWeight`
// the per-pixel alpha (or -1 when none), `opacityWeight` o (or -1 when opacity is 255).
inline void modelPixel(uint8_t* d, const SourcePixel& s, BlendMode mode, bool vectorPath, int alpha,
                       int opacityWeight) {
    const bool weighted = alpha >= 0 || opacityWeight >= 0;
    if (!weighted && mode == BlendMode::Normal) {
        for (int c = 0; c < 3; ++c) d[c] = static_cast<uint8_t>(s.channel[c]);
        d[3] = static_cast<uint8_t>(s.byte3);
        return;
    }
    int w = 256;
    if (alpha >= 0 && opacityWeight >= 0) w = vectorPath ? weightSplit(alpha, opacityWeight) : weightExact(alpha, opacityWeight);
    else if (alpha >= 0) w = toWeight(alpha);
    else if (opacityWeight >= 0) w = opacityWeight;
    for (int c = 0; c < 3; ++c) {
        const int b = blendChannel(mode, s.channel[c], d[c]);
        d[c] = static_cast<uint8_t>(!weighted ? b : vectorPath ? mixSplit(b, d[c], w) : mixExact(b, d[c], w));
    }
    d[3] = 0;
}

// The rect a fill draws on the target, or nothing.
inline std::optional<Rect> modelFillArea(const ClipContext* context, const TestImage& target, const Rect& rect) {
    if (!hasPixels(rect)) return std::nullopt;
    Rect area = rect;
    if (context != nullptr) {
        const int64_t l = int64_t{rect.left} + context->offset.x, r = int64_t{rect.right} + context->offset.x;
        const int64_t t = int64_t{rect.top} + context->offset.y, b = int64_t{rect.bottom} + context->offset.y;
        const Rect& c = context->clip;
        if (hasPixels(c)) {
            const int64_t cl = std::max<int64_t>(l, c.left), cr = std::min<int64_t>(r, c.right);
            const int64_t ct = std::max<int64_t>(t, c.top), cb = std::min<int64_t>(b, c.bottom);
            if (cl >= cr || ct >= cb) return std::nullopt;
            area = Rect{int32_t(cl), int32_t(ct), int32_t(cr), int32_t(cb)};
        } else {
            // Without a clip the moved rect must still be clipped to the target:
            // do it in 64 bits, the target is small.
            const int64_t cl = std::max<int64_t>(l, 0), cr = std::min<int64_t>(r, target.getWidth());
            const int64_t ct = std::max<int64_t>(t, 0), cb = std::min<int64_t>(b, target.getHeight());
            if (cl >= cr || ct >= cb) return std::nullopt;
            area = Rect{int32_t(cl), int32_t(ct), int32_t(cr), int32_t(cb)};
        }
    }
    const Rect d{std::max(area.left, 0), std::max(area.top, 0), std::min(area.right, target.getWidth()),
                 std::min(area.bottom, target.getHeight())};
    if (!hasPixels(d)) return std::nullopt;
    return d;
}

inline void modelFill(const Color& color, const ClipContext* context, TestImage& target, BlendMode mode,
                      const Rect& rect, uint8_t opacity) {
    const std::optional<Rect> area = modelFillArea(context, target, rect);
    if (!area) return;
    const bool translucent = color.isTranslucent();
    if ((translucent && color.getAlpha() == 0) || opacity == 0 || static_cast<uint32_t>(mode) > 4) return;
    const uint32_t packed = color.pack();
    const SourcePixel s{{int(packed & 0xFF), int(packed >> 8 & 0xFF), int(packed >> 16 & 0xFF)}, int(packed >> 24)};
    for (int32_t y = area->top; y < area->bottom; ++y) {
        const auto rowAddress = reinterpret_cast<std::uintptr_t>(target.pixel(0, y));
        for (int32_t x = area->left; x < area->right; ++x) {
            modelPixel(target.pixel(x, y), s, mode, isVectorColumn(rowAddress, area->left, area->right, x),
                       translucent ? color.getAlpha() : -1, opacity < 255 ? toWeight(opacity) : -1);
        }
    }
}

// Blit: destination (x, y) of the placed rect shows source (x - R.left + origin.x, y - R.top + origin.y).
inline void modelBlit(const Point& origin, const ClipContext* context, const TestImage& source, TestImage& target,
                      BlendMode mode, const Rect& rect, uint8_t opacity) {
    if (!hasPixels(rect) || opacity == 0 || static_cast<uint32_t>(mode) > 4 ||
        static_cast<uint32_t>(source.getFormat()) > 4)
        return;
    int64_t l = rect.left, t = rect.top, r = rect.right, b = rect.bottom;
    if (context != nullptr) {
        l += context->offset.x;
        r += context->offset.x;
        t += context->offset.y;
        b += context->offset.y;
    }
    const int64_t placedLeft = l, placedTop = t;
    if (context != nullptr && hasPixels(context->clip)) {
        l = std::max<int64_t>(l, context->clip.left);
        r = std::min<int64_t>(r, context->clip.right);
        t = std::max<int64_t>(t, context->clip.top);
        b = std::min<int64_t>(b, context->clip.bottom);
    }
    // Clip to the target, then draw only pixels whose source exists.
    l = std::max<int64_t>(l, 0);
    t = std::max<int64_t>(t, 0);
    r = std::min<int64_t>(r, target.getWidth());
    b = std::min<int64_t>(b, target.getHeight());
    // The exact/vector split is decided over the span actually drawn in each row.
    const int64_t dx = int64_t{origin.x} - placedLeft, dy = int64_t{origin.y} - placedTop;
    const int64_t spanLeft = std::max<int64_t>(l, -dx), spanRight = std::min<int64_t>(r, source.getWidth() - dx);
    const int64_t rowTop = std::max<int64_t>(t, -dy), rowBottom = std::min<int64_t>(b, source.getHeight() - dy);
    if (spanLeft >= spanRight || rowTop >= rowBottom) return;
    const int opacityWeight = opacity < 255 ? toWeight(opacity) : -1;
    const bool alphaFormat = hasAlpha(source.getFormat());
    for (int64_t y = rowTop; y < rowBottom; ++y) {
        const auto rowAddress = reinterpret_cast<std::uintptr_t>(target.pixel(0, int32_t(y)));
        for (int64_t x = spanLeft; x < spanRight; ++x) {
            const SourcePixel s = readSource(source, int32_t(x + dx), int32_t(y + dy));
            modelPixel(target.pixel(int32_t(x), int32_t(y)), s, mode,
                       isVectorColumn(rowAddress, int32_t(spanLeft), int32_t(spanRight), int32_t(x)),
                       alphaFormat ? s.byte3 : -1, opacityWeight);
        }
    }
}

// Empty when equal; otherwise the first differing pixel, expected and actual.
inline std::string compareTargets(const TestImage& expected, const TestImage& actual) {
    for (int32_t y = 0; y < expected.getHeight(); ++y) {
        for (int32_t x = 0; x < expected.getWidth(); ++x) {
            const uint8_t* e = expected.pixel(x, y);
            const uint8_t* a = actual.pixel(x, y);
            if (!std::equal(e, e + 4, a)) {
                std::ostringstream out;
                out << "pixel (" << x << ", " << y << "): expected bgrx " << int(e[0]) << " " << int(e[1]) << " "
                    << int(e[2]) << " " << int(e[3]) << ", actual " << int(a[0]) << " " << int(a[1]) << " "
                    << int(a[2]) << " " << int(a[3]);
                return out.str();
            }
        }
    }
    return {};
}

}  // namespace tessary::test

#pragma once
// The kernel signatures and the layout of the two dispatch tables. Each
// kernel path provides one table per family, generated from the kernel
// templates; the dispatchers place and reject a request, then look up one entry.

#include <array>
#include <cstddef>
#include <cstdint>

#include "pixel/Geometry.h"
#include "pixel/IImage.h"
#include "pixel/KernelPath.h"
#include "pixel/PixelFormat.h"

namespace tessary::kernels {

// Per-request values, computed once before any pixel is touched.
struct FillRequest {
    uint32_t color;     // packed colour, alpha in byte 3
    int alpha;          // the colour's alpha, 255 for opaque kinds
    int opacityWeight;  // toWeight(opacity)
};

// area: the placed and clipped rectangle, not yet clipped to the target.
using FillKernelFn = void (*)(IImage& target, const Rect& area, const FillRequest& request);

// area: the destination rectangle whose source pixels exist; sourcePoint: the
// source pixel of its top-left corner.
using BlitKernelFn = void (*)(const IImage& source, IImage& target, const Rect& area, const Point& sourcePoint,
                            int opacityWeight);

constexpr std::size_t kFillKernelCount = 20;
constexpr std::size_t kBlitKernelCount = 50;

using FillKernelTable = std::array<FillKernelFn, kFillKernelCount>;
using BlitKernelTable = std::array<BlitKernelFn, kBlitKernelCount>;

// Fill index: (mode, opacity below 255, translucent colour).
constexpr std::size_t fillKernelIndex(BlendMode mode, bool withOpacity, bool translucent) {
    return (static_cast<std::size_t>(mode) * 2 + (withOpacity ? 1 : 0)) * 2 + (translucent ? 1 : 0);
}
constexpr BlendMode fillIndexMode(std::size_t index) { return static_cast<BlendMode>(index / 4); }
constexpr bool fillIndexWithOpacity(std::size_t index) { return index / 2 % 2 == 1; }
constexpr bool fillIndexTranslucent(std::size_t index) { return index % 2 == 1; }

// Blit index: (mode, opacity below 255, source format).
constexpr std::size_t blitKernelIndex(BlendMode mode, bool withOpacity, PixelFormat format) {
    return (static_cast<std::size_t>(mode) * 2 + (withOpacity ? 1 : 0)) * kPixelFormatCount +
           static_cast<std::size_t>(format);
}
constexpr BlendMode blitIndexMode(std::size_t index) { return static_cast<BlendMode>(index / (2 * kPixelFormatCount)); }
constexpr bool blitIndexWithOpacity(std::size_t index) { return index / kPixelFormatCount % 2 == 1; }
constexpr PixelFormat blitIndexFormat(std::size_t index) { return static_cast<PixelFormat>(index % kPixelFormatCount); }

static_assert(fillKernelIndex(BlendMode::InverseMultiply, true, true) == kFillKernelCount - 1);
static_assert(blitKernelIndex(BlendMode::InverseMultiply, true, PixelFormat::Bgrx32) == kBlitKernelCount - 1);

// The tables of one path; a path that is not built into the program has none.
const FillKernelTable& getFillKernels(KernelPath path);
const BlitKernelTable& getBlitKernels(KernelPath path);

const FillKernelTable& getPortableFillKernels();
const BlitKernelTable& getPortableBlitKernels();
#if defined(__x86_64__)
const FillKernelTable& getSse2FillKernels();
const BlitKernelTable& getSse2BlitKernels();
const FillKernelTable& getAvx2FillKernels();
const BlitKernelTable& getAvx2BlitKernels();
#endif

}  // namespace tessary::kernels

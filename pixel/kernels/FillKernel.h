#pragma once
// The fill family: one template, specialised by blend mode, opacity and
// translucency, over a path that supplies the 8-pixel vector body.

#include <cstddef>
#include <cstdint>
#include <utility>

#include "pixel/ChannelMath.h"
#include "pixel/Geometry.h"
#include "pixel/IImage.h"
#include "pixel/kernels/ExactOps.h"
#include "pixel/kernels/KernelArea.h"
#include "pixel/kernels/KernelTables.h"
#include "pixel/kernels/PixelWord.h"
#include "pixel/kernels/RowTraversal.h"
#include "pixel/kernels/StoreRun.h"

namespace tessary::kernels {

// Path provides FillBody<Mode, Weighting>: constructed from the packed colour
// and the vector path's weight, called with the address of 8 pixels on a
// 16-byte boundary.
template <class Path, BlendMode Mode, bool WithOpacity, bool Translucent>
struct FillKernel {
    static constexpr Weighting kWeighting = WithOpacity || Translucent ? Weighting::Constant : Weighting::None;
    using Body = typename Path::template FillBody<Mode, kWeighting>;

    // One target row as the traversal sees it.
    struct Row {
        uint8_t* row;
        uint32_t color;
        int exactWeight;
        const Body& body;

        void exactPixel(int32_t x) const {
            uint8_t* const p = row + std::ptrdiff_t{x} * 4;
            storeWord(p, composeExact<Mode, kWeighting>(color, loadWord(p), exactWeight));
        }
        void vectorBody(int32_t x) const { body(row + std::ptrdiff_t{x} * 4); }
    };

    static void run(IImage& target, const Rect& area, const FillRequest& request) {
        const Rect d = clipToTarget(target, area);
        if (isEmpty(d)) return;

        // The exact and the vector path weigh a translucent colour under an
        // opacity differently (weightExact / weightSplit), like they mix.
        int exactWeight = 256;
        int splitWeight = 256;
        if constexpr (WithOpacity && Translucent) {
            exactWeight = weightExact(request.alpha, request.opacityWeight);
            splitWeight = weightSplit(request.alpha, request.opacityWeight);
        } else if constexpr (WithOpacity) {
            exactWeight = splitWeight = request.opacityWeight;
        } else if constexpr (Translucent) {
            exactWeight = splitWeight = toWeight(request.alpha);
        }
        const uint32_t color = request.color;
        ImageWriteLock lock(target);
        uint8_t* const pixels = lock.pixels();
        const std::ptrdiff_t pitch = target.getPitch();

        if constexpr (Mode == BlendMode::Normal && kWeighting == Weighting::None) {
            const std::ptrdiff_t rowPixels = std::ptrdiff_t{d.right} - d.left;
            uint8_t* const first = pixels + d.top * pitch + std::ptrdiff_t{d.left} * 4;
            if (pitch == rowPixels * 4) {
                storeRun(first, static_cast<std::size_t>(rowPixels * (d.bottom - d.top)), color);
            } else {
                for (int32_t y = 0; y < d.bottom - d.top; ++y)
                    storeRun(first + y * pitch, static_cast<std::size_t>(rowPixels), color);
            }
            return;
        }

        const Body body(color, splitWeight);
        for (int32_t y = d.top; y < d.bottom; ++y) {
            uint8_t* const row = pixels + y * pitch;
            traverseRow(row, d.left, d.right, Row{row, color, exactWeight, body});
        }
    }
};

template <class Path, std::size_t... Index>
constexpr FillKernelTable makeFillKernelTable(std::index_sequence<Index...>) {
    return FillKernelTable{{&FillKernel<Path, fillIndexMode(Index), fillIndexWithOpacity(Index),
                                        fillIndexTranslucent(Index)>::run...}};
}

template <class Path>
constexpr FillKernelTable makeFillKernelTable() {
    return makeFillKernelTable<Path>(std::make_index_sequence<kFillKernelCount>{});
}

}  // namespace tessary::kernels

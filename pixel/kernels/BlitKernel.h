#pragma once
// The blit family: one template, specialised by blend mode, opacity and
// source format, over a path that supplies the 8-pixel vector body.

#include <cstddef>
#include <cstdint>
#include <utility>

#include "pixel/Geometry.h"
#include "pixel/IImage.h"
#include "pixel/PixelFormat.h"
#include "pixel/kernels/ExactOps.h"
#include "pixel/kernels/KernelArea.h"
#include "pixel/kernels/KernelTables.h"
#include "pixel/kernels/PixelWord.h"
#include "pixel/kernels/RowTraversal.h"
#include "pixel/kernels/SourceReader.h"
#include "pixel/kernels/StoreRun.h"

namespace tessary::kernels {

constexpr Weighting blitWeighting(bool withOpacity, PixelFormat format) {
    if (hasAlpha(format)) return withOpacity ? Weighting::AlphaOpacity : Weighting::Alpha;
    return withOpacity ? Weighting::Constant : Weighting::None;
}

// Path provides BlitBody<Mode, Format, Weighting>: constructed from the
// opacity weight, called with the address of 8 target pixels on a 16-byte
// boundary and of the 8 source pixels they show.
template <class Path, BlendMode Mode, bool WithOpacity, PixelFormat Format>
struct BlitKernel {
    static constexpr Weighting kWeighting = blitWeighting(WithOpacity, Format);
    using Reader = SourceReader<Format>;
    using Body = typename Path::template BlitBody<Mode, Format, kWeighting>;

    // One target row and the source pixels it shows, as the traversal sees them.
    struct Row {
        uint8_t* row;
        const uint8_t* sourceRow;  // the source pixel shown at column `left`
        int32_t left;
        int opacityWeight;
        const Body& body;

        const uint8_t* sourceAt(int32_t x) const { return sourceRow + std::ptrdiff_t{x - left} * Reader::kBytes; }
        void exactPixel(int32_t x) const {
            uint8_t* const p = row + std::ptrdiff_t{x} * 4;
            storeWord(p, composeExact<Mode, kWeighting>(Reader::read(sourceAt(x)), loadWord(p), opacityWeight));
        }
        void vectorBody(int32_t x) const { body(row + std::ptrdiff_t{x} * 4, sourceAt(x)); }
    };

    static void run(const IImage& source, IImage& target, const Rect& area, const Point& sourcePoint,
                    int opacityWeight) {
        const Rect d = clipToTarget(target, area);
        if (isEmpty(d)) return;
        // Cutting the area at the target's left or top moves the source along.
        const std::ptrdiff_t sourceX = std::ptrdiff_t{sourcePoint.x} + (std::ptrdiff_t{d.left} - area.left);
        const std::ptrdiff_t sourceY = std::ptrdiff_t{sourcePoint.y} + (std::ptrdiff_t{d.top} - area.top);

        ImageWriteLock targetLock(target);
        ImageReadLock sourceLock(source);
        uint8_t* const targetPixels = targetLock.pixels();
        const uint8_t* const sourcePixels = sourceLock.pixels();
        const std::ptrdiff_t targetPitch = target.getPitch();
        const std::ptrdiff_t sourcePitch = source.getPitch();

        if constexpr (Mode == BlendMode::Normal && kWeighting == Weighting::None && Format == PixelFormat::Bgrx32) {
            const std::ptrdiff_t rowPixels = std::ptrdiff_t{d.right} - d.left;
            uint8_t* const first = targetPixels + d.top * targetPitch + std::ptrdiff_t{d.left} * 4;
            const uint8_t* const sourceFirst = sourcePixels + sourceY * sourcePitch + sourceX * 4;
            if (targetPitch == rowPixels * 4 && sourcePitch == targetPitch) {
                copyRun(first, sourceFirst, static_cast<std::size_t>(rowPixels * (d.bottom - d.top)));
            } else {
                for (int32_t y = 0; y < d.bottom - d.top; ++y)
                    copyRun(first + y * targetPitch, sourceFirst + y * sourcePitch, static_cast<std::size_t>(rowPixels));
            }
            return;
        }

        const Body body(opacityWeight);
        for (int32_t y = d.top; y < d.bottom; ++y) {
            uint8_t* const row = targetPixels + y * targetPitch;
            const uint8_t* const sourceRow =
                sourcePixels + (sourceY + (y - d.top)) * sourcePitch + sourceX * Reader::kBytes;
            traverseRow(row, d.left, d.right, Row{row, sourceRow, d.left, opacityWeight, body});
        }
    }
};

template <class Path, std::size_t... Index>
constexpr BlitKernelTable makeBlitKernelTable(std::index_sequence<Index...>) {
    return BlitKernelTable{{&BlitKernel<Path, blitIndexMode(Index), blitIndexWithOpacity(Index),
                                        blitIndexFormat(Index)>::run...}};
}

template <class Path>
constexpr BlitKernelTable makeBlitKernelTable() {
    return makeBlitKernelTable<Path>(std::make_index_sequence<kBlitKernelCount>{});
}

}  // namespace tessary::kernels

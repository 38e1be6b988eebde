#pragma once
// The row traversal every fill and blit kernel shares, written once: the
// exact one-pixel function of a kernel for the head and the tail, its 8-pixel
// vector body for the groups in between. Only templates live here, so that a
// path compiled for a wider instruction set gets its own copy.

#include <cstdint>

#include "pixel/kernels/KernelArea.h"

namespace tessary::kernels {

// Calls exactPixel(x) for every head and tail column and vectorBody(x) for the
// first column of every group of 8; row points at column 0 of the row.
template <class ExactPixel, class VectorBody>
inline void traverseRow(const uint8_t* row, int32_t left, int32_t right, ExactPixel&& exactPixel,
                        VectorBody&& vectorBody) {
    const RowSegments segments = splitRow(reinterpret_cast<std::uintptr_t>(row), left, right);
    int32_t x = left;
    for (; x < segments.first; ++x) exactPixel(x);
    for (; x < segments.bodyEnd; x += kGroupPixels) vectorBody(x);
    for (; x < right; ++x) exactPixel(x);
}

}  // namespace tessary::kernels

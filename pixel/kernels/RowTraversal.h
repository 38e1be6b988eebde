#pragma once
// The row traversal every fill and blit kernel shares, written once: the
// exact one-pixel function of a kernel for the head and the tail, its 8-pixel
// vector body for the groups in between. Only templates live here, so that a
// path compiled for a wider instruction set gets its own copy.
//
// A kernel hands in a row object with member functions rather than lambdas:
// GCC compiles a lambda without the instruction-set target of the function
// template around it, a member function of a class template gets it.

#include <cstdint>

#include "pixel/kernels/KernelArea.h"

namespace tessary::kernels {

// Calls kernelRow.exactPixel(x) for every head and tail column and
// kernelRow.vectorBody(x) for the first column of every group of 8; row
// points at column 0 of the row.
template <class KernelRow>
inline void traverseRow(const uint8_t* row, int32_t left, int32_t right, const KernelRow& kernelRow) {
    const RowSegments segments = splitRow(reinterpret_cast<std::uintptr_t>(row), left, right);
    int32_t x = left;
    for (; x < segments.first; ++x) kernelRow.exactPixel(x);
    for (; x < segments.bodyEnd; x += kGroupPixels) kernelRow.vectorBody(x);
    for (; x < right; ++x) kernelRow.exactPixel(x);
}

}  // namespace tessary::kernels

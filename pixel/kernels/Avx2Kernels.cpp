// The kernel tables of the AVX2 path. The program runs on any x86-64
// processor, so only the code below the target region is compiled for AVX2,
// and it runs only where getBestKernelPath() found AVX2. Everything shared
// with the other paths is included first, outside the region, so that no
// function two paths share is ever compiled with AVX2 instructions.

#include <immintrin.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <utility>

#include "pixel/ChannelMath.h"
#include "pixel/Geometry.h"
#include "pixel/IImage.h"
#include "pixel/PixelFormat.h"
#include "pixel/kernels/ExactOps.h"
#include "pixel/kernels/KernelArea.h"
#include "pixel/kernels/KernelTables.h"
#include "pixel/kernels/PixelWord.h"
#include "pixel/kernels/SourceReader.h"
#include "pixel/kernels/StoreRun.h"

#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx2"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx2")
#endif

// Templates only: instantiated here for the AVX2 policy, they are this path's own.
#include "pixel/kernels/Avx2Vector.h"
#include "pixel/kernels/BlitKernel.h"
#include "pixel/kernels/FillKernel.h"
#include "pixel/kernels/RowTraversal.h"
#include "pixel/kernels/VectorOps.h"

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif

namespace tessary::kernels {

// The kernels carry the AVX2 target of their templates' definitions above;
// the accessors themselves run on any processor.
namespace {
constexpr FillKernelTable kFillKernels = makeFillKernelTable<Avx2Path>();
constexpr BlitKernelTable kBlitKernels = makeBlitKernelTable<Avx2Path>();
static_assert(kFillKernels.size() == 20);
static_assert(kBlitKernels.size() == 50);
}  // namespace

const FillKernelTable& getAvx2FillKernels() { return kFillKernels; }
const BlitKernelTable& getAvx2BlitKernels() { return kBlitKernels; }

}  // namespace tessary::kernels

// The kernel tables of the SSE2 path (every x86-64 processor has SSE2).

#include "pixel/kernels/BlitKernel.h"
#include "pixel/kernels/FillKernel.h"
#include "pixel/kernels/KernelTables.h"
#include "pixel/kernels/Sse2Vector.h"

namespace tessary::kernels {

namespace {
constexpr FillKernelTable kFillKernels = makeFillKernelTable<Sse2Path>();
constexpr BlitKernelTable kBlitKernels = makeBlitKernelTable<Sse2Path>();
static_assert(kFillKernels.size() == 20);
static_assert(kBlitKernels.size() == 50);
}  // namespace

const FillKernelTable& getSse2FillKernels() { return kFillKernels; }
const BlitKernelTable& getSse2BlitKernels() { return kBlitKernels; }

}  // namespace tessary::kernels

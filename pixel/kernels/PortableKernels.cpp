// The kernel tables of the portable path.

#include "pixel/kernels/BlitKernel.h"
#include "pixel/kernels/FillKernel.h"
#include "pixel/kernels/KernelTables.h"
#include "pixel/kernels/PortablePath.h"

namespace tessary::kernels {

namespace {
constexpr FillKernelTable kFillKernels = makeFillKernelTable<PortablePath>();
constexpr BlitKernelTable kBlitKernels = makeBlitKernelTable<PortablePath>();
static_assert(kFillKernels.size() == 20);
static_assert(kBlitKernels.size() == 50);
}  // namespace

const FillKernelTable& getPortableFillKernels() { return kFillKernels; }
const BlitKernelTable& getPortableBlitKernels() { return kBlitKernels; }

}  // namespace tessary::kernels

#include "pixel/Fill.h"

#include "pixel/ChannelMath.h"
#include "pixel/kernels/KernelArea.h"
#include "pixel/kernels/KernelTables.h"

namespace tessary {

void fill(KernelPath path, const Color& color, const ClipContext* context, IImage& target, BlendMode mode,
          const Rect& rect, uint8_t opacity) {
    using namespace kernels;
    const FillKernelTable& kernels = getFillKernels(path);
    // An empty rect draws nothing, also under a context, where intersect's
    // identity rule would otherwise turn it into the whole clip.
    if (!coversPixels(rect)) return;
    Rect area = rect;
    if (context != nullptr) {
        area = offsetRect(rect, context->offset.x, context->offset.y);
        // Moved far enough, a rect saturates at the int32 range and collapses.
        if (!coversPixels(area)) return;
        area = intersect(area, context->clip);
        if (!coversPixels(area)) return;
    }
    const bool translucent = color.isTranslucent();
    const int alpha = color.getAlpha();
    if (translucent && alpha == 0) return;
    if (opacity == 0) return;
    if (!isValid(mode)) return;
    const FillRequest request{color.pack(), alpha, toWeight(opacity)};
    kernels[fillKernelIndex(mode, opacity < 255, translucent)](target, area, request);
}

void fill(const Color& color, const ClipContext* context, IImage& target, BlendMode mode, const Rect& rect,
          uint8_t opacity) {
    fill(getBestKernelPath(), color, context, target, mode, rect, opacity);
}

}  // namespace tessary

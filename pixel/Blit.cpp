#include "pixel/Blit.h"

#include <algorithm>

#include "pixel/ChannelMath.h"
#include "pixel/kernels/KernelArea.h"
#include "pixel/kernels/KernelTables.h"

namespace tessary {

void blit(KernelPath path, const Point& origin, const ClipContext* context, const IImage& source, IImage& target,
          BlendMode mode, const Rect& rect, uint8_t opacity) {
    using namespace kernels;
    const BlitKernelTable& kernels = getBlitKernels(path);
    // An empty rect draws nothing, also under a context, where intersect's
    // identity rule would otherwise turn it into the whole clip.
    if (!coversPixels(rect)) return;
    Rect placed = rect;
    Rect wanted = rect;
    if (context != nullptr) {
        placed = offsetRect(rect, context->offset.x, context->offset.y);
        if (!coversPixels(placed)) return;
        wanted = intersect(placed, context->clip);
        // A rect outside the clip, or only touching it, draws nothing; read
        // through the identity rule, the empty part would widen to the whole
        // source drawn outside the clip.
        if (!coversPixels(wanted)) return;
    }

    // Keep source and destination in step: the wanted part moved into source
    // coordinates, cut to the pixels the source has, moved back. The shift
    // can exceed the int32 range, so this is done in 64 bits; the result lies
    // inside `wanted` and fits again.
    const int64_t sourceWidth = source.getWidth();
    const int64_t sourceHeight = source.getHeight();
    if (sourceWidth <= 0 || sourceHeight <= 0) return;
    const int64_t shiftX = int64_t{origin.x} - placed.left;
    const int64_t shiftY = int64_t{origin.y} - placed.top;
    const int64_t left = std::max<int64_t>(wanted.left + shiftX, 0);
    const int64_t top = std::max<int64_t>(wanted.top + shiftY, 0);
    const int64_t right = std::min<int64_t>(wanted.right + shiftX, sourceWidth);
    const int64_t bottom = std::min<int64_t>(wanted.bottom + shiftY, sourceHeight);
    if (left >= right || top >= bottom) return;
    const Rect area{static_cast<int32_t>(left - shiftX), static_cast<int32_t>(top - shiftY),
                    static_cast<int32_t>(right - shiftX), static_cast<int32_t>(bottom - shiftY)};
    const Point sourcePoint{static_cast<int32_t>(left), static_cast<int32_t>(top)};

    if (opacity == 0) return;
    if (!isValid(mode)) return;
    const PixelFormat format = source.getFormat();
    if (!isValid(format)) return;
    kernels[blitKernelIndex(mode, opacity < 255, format)](source, target, area, sourcePoint, toWeight(opacity));
}

void blit(const Point& origin, const ClipContext* context, const IImage& source, IImage& target, BlendMode mode,
          const Rect& rect, uint8_t opacity) {
    blit(getBestKernelPath(), origin, context, source, target, mode, rect, opacity);
}

}  // namespace tessary

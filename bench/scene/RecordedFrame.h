#pragma once
// One frame of the demo as its drawer composed it: the draw commands of the
// visible sprites in drawing order and the dirty rectangles that were
// recomposed and presented. The peer compositors replay these, so that every
// contender draws exactly the same sprites into exactly the same areas.

#include <cstdint>
#include <vector>

#include "pixel/Geometry.h"
#include "sprite/DrawCommand.h"

namespace tessary::bench {

struct DirtyArea {
    Rect rect;  // window coordinates; one band's dirty rectangle
    // Indices into RecordedFrame::commands of the commands that share a pixel
    // with rect, in drawing order.
    std::vector<uint32_t> commands;
};

struct RecordedFrame {
    std::vector<DrawCommand> commands;
    std::vector<DirtyArea> areas;

    uint64_t getPresentedBytes() const {
        uint64_t bytes = 0;
        for (const DirtyArea& area : areas) {
            bytes += uint64_t(area.rect.right - area.rect.left) * uint64_t(area.rect.bottom - area.rect.top) * 4;
        }
        return bytes;
    }
};

// What a peer compositor does per frame: recompose every dirty area of the
// frame, from the bottom sprite up, straight into its window-sized picture.
class IFrameCompositor {
public:
    virtual ~IFrameCompositor() = default;
    virtual const char* getName() const = 0;
    virtual void compose(const RecordedFrame& frame) = 0;
    // Row-major, 0x00RRGGBB per pixel, as MemoryDeviceContext::getPicture.
    virtual std::vector<uint32_t> getPicture() const = 0;

protected:
    IFrameCompositor() = default;
    IFrameCompositor(const IFrameCompositor&) = default;
    IFrameCompositor& operator=(const IFrameCompositor&) = default;
};

}  // namespace tessary::bench

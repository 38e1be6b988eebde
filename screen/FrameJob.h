#pragma once
// The frame currently handed to the render workers.

#include <cstdint>
#include <memory>

#include "platform/CriticalSection.h"

namespace tessary {

class SpriteDrawer;

struct FrameJob {
    // Set before each composed frame; read by the workers under bandLock.
    std::shared_ptr<SpriteDrawer> drawer;
    // The next band index to hand out: reset to 0 per frame, taken under bandLock.
    int32_t nextBand = 0;
    CriticalSection bandLock;
    // One presentation to the device context at a time; never held together with bandLock.
    CriticalSection presentLock;
};

}  // namespace tessary

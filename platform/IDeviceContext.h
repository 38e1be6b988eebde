#pragma once
// The window's pixels as the Screen sees them: the target of every band
// presentation. The application gives the real window's; tests and headless
// runs use an in-memory one.

#include <cstdint>

#include "pixel/Geometry.h"

namespace tessary {

class IDeviceContext {
public:
    virtual ~IDeviceContext() = default;

    // One presentation. For every row y with dirty.top <= y < dirty.bottom and
    // column x with dirty.left <= x < dirty.right (window coordinates), window
    // pixel (x, y) receives bytes 0-2 (blue, green, red) of the 32-bit pixel at
    // row y - bandTop, column x of `bandRows`, whose rows lie `bandPitch` bytes
    // apart; the fourth byte is ignored. Called by one thread at a time (the
    // Screen serialises presentations), from any thread.
    virtual void present(const uint8_t* bandRows, int32_t bandPitch, const Rect& dirty, int32_t bandTop) = 0;

protected:
    IDeviceContext() = default;
    IDeviceContext(const IDeviceContext&) = default;
    IDeviceContext& operator=(const IDeviceContext&) = default;
};

}  // namespace tessary

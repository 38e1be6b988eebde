#pragma once
// Posts one event of a given type to SDL's queue at a fixed period, so that
// periodic work runs on the main thread, which reads the queue.

#include <cstdint>

namespace tessary {

class SdlTimer {
public:
    // Throws SdlError when SDL cannot add the timer.
    SdlTimer(uint32_t periodMs, uint32_t eventType);
    ~SdlTimer();
    SdlTimer(const SdlTimer&) = delete;
    SdlTimer& operator=(const SdlTimer&) = delete;

private:
    int id_ = 0;
};

}  // namespace tessary

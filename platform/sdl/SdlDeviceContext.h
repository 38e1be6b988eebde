#pragma once
// The window's pixels: render workers present bands straight into the SDL
// window surface, and the main thread pushes what changed to the screen.
//
// Any thread may present (one at a time, as IDeviceContext requires); only the
// main thread may flush or reacquire, as SDL's video calls belong to it. Each
// presentation records its rectangle and, when the main thread has not been
// woken since its last flush, posts one event of the wake-up type to SDL's
// queue, so the main thread flushes soon after the first band of a frame lands.

#include <SDL.h>

#include <cstdint>
#include <mutex>
#include <vector>

#include "platform/IDeviceContext.h"

namespace tessary {

class SdlDeviceContext final : public IDeviceContext {
public:
    // Takes the window surface of `window`, which must outlive this object.
    // `wakeEventType` is a type from SDL_RegisterEvents. Throws SdlError when
    // the window has no surface.
    SdlDeviceContext(SDL_Window* window, uint32_t wakeEventType);
    SdlDeviceContext(const SdlDeviceContext&) = delete;
    SdlDeviceContext& operator=(const SdlDeviceContext&) = delete;

    // Rectangles of the same band (same bandTop) presented between two
    // flushes are pushed as their union, so frames that follow each other
    // faster than the main thread flushes cost the display one copy per band.
    void present(const uint8_t* bandRows, int32_t bandPitch, const Rect& dirty, int32_t bandTop) override;

    // Main thread: shows every rectangle presented since the last flush. False
    // when SDL refused, which it does once the window surface is no longer
    // valid (after a size change); reacquire() then, and repaint.
    bool flush();
    // Main thread: takes the window surface anew, for instance after a size change.
    void reacquire();
    // Something was presented since the last flush.
    bool hasPending() const;

    int32_t getWidth() const;
    int32_t getHeight() const;

private:
    // Beyond this many bands with something to show, all is merged into one
    // bounding box: a few clean pixels more, and a bound on one flush.
    static constexpr std::size_t kMaxPendingRects = 256;

    void takeSurface();
    void copyRows(const uint8_t* bandRows, int32_t bandPitch, const Rect& area, int32_t bandTop);
    void record(const Rect& area, int32_t bandTop);
    void forgetPending();

    SDL_Window* const window_;
    const uint32_t wakeEventType_;

    // Guards the surface pixels and everything below: workers write the
    // pixels under it, and the main thread holds it while SDL reads them.
    mutable std::mutex lock_;
    SDL_Surface* surface_ = nullptr;
    bool sameLayout_ = false;  // the surface stores pixels as the bands do
    std::vector<SDL_Rect> pending_;
    std::vector<int32_t> pendingBandTops_;  // the bandTop of each pending_ entry; -1 once merged
    bool wakePending_ = false;
};

}  // namespace tessary

#pragma once
// The pointer position in a window's client coordinates, wherever the pointer
// is, also outside the window. The main thread refreshes it; any thread reads
// the last refreshed position.
//
// On X11 the position comes from XQueryPointer on the window, which is exact
// after any kind of pointer move, warps included. SDL's global mouse state is
// the fallback elsewhere: it follows real motion but can miss a warp.

#include <atomic>
#include <cstdint>

#include "pixel/Geometry.h"

struct SDL_Window;

namespace tessary {

class SdlCursor {
public:
    // Main thread; `window` must outlive this object. Reads the position once.
    explicit SdlCursor(SDL_Window* window);
    SdlCursor(const SdlCursor&) = delete;
    SdlCursor& operator=(const SdlCursor&) = delete;

    // Main thread: asks the window system where the pointer is now.
    void refresh();
    // Any thread.
    Point getPosition() const;

    // Whether refresh() asks the X server directly.
    bool isExact() const { return x11Display_ != nullptr; }

private:
    bool queryX11(Point& position) const;
    Point queryGlobal() const;

    SDL_Window* const window_;
    void* x11Display_ = nullptr;
    unsigned long x11Window_ = 0;
    // Both coordinates in one word, so a reader never sees x of one refresh
    // with y of another.
    std::atomic<uint64_t> packed_{0};
};

}  // namespace tessary

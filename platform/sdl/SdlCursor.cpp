#include "platform/sdl/SdlCursor.h"

#include <SDL.h>
#include <SDL_syswm.h>

namespace tessary {

namespace {

uint64_t pack(Point p) {
    return uint64_t{static_cast<uint32_t>(p.x)} << 32 | uint64_t{static_cast<uint32_t>(p.y)};
}

Point unpack(uint64_t packed) {
    return Point{static_cast<int32_t>(static_cast<uint32_t>(packed >> 32)),
                 static_cast<int32_t>(static_cast<uint32_t>(packed))};
}

}  // namespace

SdlCursor::SdlCursor(SDL_Window* window) : window_(window) {
#if defined(SDL_VIDEO_DRIVER_X11) && defined(TESSARY_HAVE_X11)
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (SDL_GetWindowWMInfo(window_, &info) == SDL_TRUE && info.subsystem == SDL_SYSWM_X11) {
        x11Display_ = info.info.x11.display;
        x11Window_ = info.info.x11.window;
    }
#endif
    refresh();
}

bool SdlCursor::queryX11([[maybe_unused]] Point& position) const {
#if defined(SDL_VIDEO_DRIVER_X11) && defined(TESSARY_HAVE_X11)
    // SDL's own connection, used here on the main thread as SDL uses it.
    ::Window root = 0, child = 0;
    int rootX = 0, rootY = 0, windowX = 0, windowY = 0;
    unsigned int buttons = 0;
    // False when the pointer is on another screen: there is no position
    // relative to this window then.
    if (!XQueryPointer(static_cast<Display*>(x11Display_), x11Window_, &root, &child, &rootX, &rootY, &windowX,
                       &windowY, &buttons)) {
        return false;
    }
    position = Point{windowX, windowY};
    return true;
#else
    return false;
#endif
}

Point SdlCursor::queryGlobal() const {
    int globalX = 0, globalY = 0, windowX = 0, windowY = 0;
    SDL_GetGlobalMouseState(&globalX, &globalY);
    SDL_GetWindowPosition(window_, &windowX, &windowY);
    return Point{globalX - windowX, globalY - windowY};
}

void SdlCursor::refresh() {
    Point position;
    if (x11Display_ != nullptr) {
        if (!queryX11(position)) return;
    } else {
        position = queryGlobal();
    }
    packed_.store(pack(position), std::memory_order_relaxed);
}

Point SdlCursor::getPosition() const { return unpack(packed_.load(std::memory_order_relaxed)); }

}  // namespace tessary

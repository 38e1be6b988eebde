#include "platform/sdl/SdlVideo.h"

#include <SDL.h>

#include <cstdlib>
#include <cstring>

#include "platform/sdl/SdlError.h"

namespace tessary {

namespace {

// Drivers that draw into memory only, and the input-only variant of one.
constexpr const char* kInvisibleDrivers[] = {"offscreen", "dummy", "evdev"};

}  // namespace

SdlVideo::SdlVideo(const char* windowClass) {
    const char* requested = std::getenv("SDL_VIDEODRIVER");
    driverRequested_ = requested != nullptr && requested[0] != '\0';

    // SDL reads the class hint from the environment when it opens the display.
    SDL_setenv("SDL_VIDEO_X11_WMCLASS", windowClass, 1);
    SDL_setenv("SDL_VIDEO_WAYLAND_WMCLASS", windowClass, 1);
    // Without this SDL moves the window surface onto a software OpenGL
    // texture, several times slower than its plain framebuffer path.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");

    if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS | SDL_INIT_TIMER) != 0) throw SdlError("SDL_Init");
}

SdlVideo::~SdlVideo() { SDL_Quit(); }

std::string SdlVideo::getDriverName() const {
    const char* name = SDL_GetCurrentVideoDriver();
    return name != nullptr ? name : "";
}

bool SdlVideo::hasDisplay() const {
    const std::string name = getDriverName();
    for (const char* invisible : kInvisibleDrivers) {
        if (SDL_strcasecmp(name.c_str(), invisible) == 0) return false;
    }
    return !name.empty();
}

}  // namespace tessary

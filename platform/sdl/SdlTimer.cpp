#include "platform/sdl/SdlTimer.h"

#include <SDL.h>

#include <cstdint>

#include "platform/sdl/SdlError.h"

namespace tessary {

namespace {

// Runs on SDL's timer thread. It carries the event type in its parameter
// rather than a pointer to the timer, so a tick already under way when the
// timer is removed touches nothing that is gone.
Uint32 postTick(Uint32 periodMs, void* param) {
    SDL_Event event{};
    event.type = static_cast<Uint32>(reinterpret_cast<uintptr_t>(param));
    SDL_PushEvent(&event);
    return periodMs;
}

}  // namespace

SdlTimer::SdlTimer(uint32_t periodMs, uint32_t eventType) {
    id_ = SDL_AddTimer(periodMs, postTick, reinterpret_cast<void*>(uintptr_t{eventType}));
    if (id_ == 0) throw SdlError("SDL_AddTimer");
}

SdlTimer::~SdlTimer() { SDL_RemoveTimer(id_); }

}  // namespace tessary

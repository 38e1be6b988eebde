#include "platform/sdl/SdlError.h"

#include <SDL.h>

namespace tessary {

SdlError::SdlError(const std::string& failedCall) : std::runtime_error(failedCall + " failed: " + SDL_GetError()) {}

}  // namespace tessary

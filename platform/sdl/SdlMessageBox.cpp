#include "platform/sdl/SdlMessageBox.h"

#include <SDL.h>

namespace tessary {

bool showErrorMessageBox(const std::string& title, const std::string& text, SDL_Window* parent) {
    return SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, title.c_str(), text.c_str(), parent) == 0;
}

}  // namespace tessary

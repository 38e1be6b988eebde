#include "platform/sdl/SdlWindow.h"

#include <SDL.h>

#include "platform/sdl/SdlError.h"

namespace tessary {

SdlWindow::SdlWindow(const std::string& title, int32_t clientWidth, int32_t clientHeight) {
    // Without SDL_WINDOW_RESIZABLE, SDL pins the minimum and maximum size to
    // the client size, which also takes the maximise button away.
    window_ = SDL_CreateWindow(title.c_str(), SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, clientWidth,
                               clientHeight, SDL_WINDOW_HIDDEN);
    if (window_ == nullptr) throw SdlError("SDL_CreateWindow");
}

SdlWindow::~SdlWindow() { SDL_DestroyWindow(window_); }

uint32_t SdlWindow::getId() const { return SDL_GetWindowID(window_); }

void SdlWindow::show() { SDL_ShowWindow(window_); }

void SdlWindow::setTitle(const std::string& title) { SDL_SetWindowTitle(window_, title.c_str()); }

std::string SdlWindow::getTitle() const { return SDL_GetWindowTitle(window_); }

}  // namespace tessary

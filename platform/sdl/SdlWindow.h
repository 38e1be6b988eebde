#pragma once
// One top-level window of fixed size: it can be minimised, not resized or
// maximised. Main thread only.

#include <cstdint>
#include <string>

struct SDL_Window;

namespace tessary {

class SdlWindow {
public:
    // Created hidden, so that what draws into it exists before it is first
    // shown. The client area is exactly clientWidth × clientHeight. Throws
    // SdlError when the window cannot be created.
    SdlWindow(const std::string& title, int32_t clientWidth, int32_t clientHeight);
    ~SdlWindow();
    SdlWindow(const SdlWindow&) = delete;
    SdlWindow& operator=(const SdlWindow&) = delete;

    SDL_Window* getHandle() const { return window_; }
    // What SDL's window events carry to name this window.
    uint32_t getId() const;

    void show();
    void setTitle(const std::string& title);
    std::string getTitle() const;

private:
    SDL_Window* window_ = nullptr;
};

}  // namespace tessary

// The presentation ceiling of the demo's window: the same SDL window (800 ×
// 620 client area, SDL's plain framebuffer surface, no OpenGL texture in
// between) presenting whole frames in a loop with SDL_UpdateWindowSurface and
// composing nothing. No demo can show more frames per second on this display.
//
// Usage: present_ceiling [seconds]  (default 5). Needs a display; prints
// "frames per second: N".

#include <SDL.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int kWidth = 800;
constexpr int kHeight = 620;

int run(double seconds) {
    // What the demo asks for too: without it SDL may put the surface on a
    // software OpenGL texture.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "present_ceiling: SDL_Init: %s\n", SDL_GetError());
        return 1;
    }
    SDL_Window* window = SDL_CreateWindow("Tessary presentation ceiling", SDL_WINDOWPOS_UNDEFINED,
                                          SDL_WINDOWPOS_UNDEFINED, kWidth, kHeight, SDL_WINDOW_SHOWN);
    SDL_Surface* surface = window != nullptr ? SDL_GetWindowSurface(window) : nullptr;
    if (surface == nullptr) {
        std::fprintf(stderr, "present_ceiling: no window surface: %s\n", SDL_GetError());
        SDL_Quit();
        return 1;
    }
    // One white frame, as the demo's background; its pixels never change.
    for (int y = 0; y < surface->h; ++y) {
        std::memset(static_cast<uint8_t*>(surface->pixels) + static_cast<std::ptrdiff_t>(y) * surface->pitch, 0xFF,
                    static_cast<std::size_t>(surface->w) * surface->format->BytesPerPixel);
    }
    const Uint64 frequency = SDL_GetPerformanceFrequency();
    const Uint64 start = SDL_GetPerformanceCounter();
    const auto end = start + static_cast<Uint64>(seconds * static_cast<double>(frequency));
    uint64_t frames = 0;
    Uint64 now = start;
    while (now < end) {
        SDL_Event event;
        while (SDL_PollEvent(&event) != 0) {
        }
        if (SDL_UpdateWindowSurface(window) != 0) {
            std::fprintf(stderr, "present_ceiling: SDL_UpdateWindowSurface: %s\n", SDL_GetError());
            break;
        }
        ++frames;
        now = SDL_GetPerformanceCounter();
    }
    const double elapsed = static_cast<double>(now - start) / static_cast<double>(frequency);
    std::printf("driver %s, %d x %d, %d bits per pixel: %llu full frames in %.2f s\n", SDL_GetCurrentVideoDriver(),
                surface->w, surface->h, surface->format->BitsPerPixel, static_cast<unsigned long long>(frames),
                elapsed);
    std::printf("frames per second: %.1f\n", static_cast<double>(frames) / elapsed);
    SDL_DestroyWindow(window);
    SDL_Quit();
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 5.0;
    if (!(seconds > 0.0 && seconds <= 600.0)) {
        std::fprintf(stderr, "usage: present_ceiling [seconds, 0 < s <= 600]\n");
        return 2;
    }
    return run(seconds);
}

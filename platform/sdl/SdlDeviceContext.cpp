#include "platform/sdl/SdlDeviceContext.h"

#include <algorithm>
#include <cstring>

#include "platform/sdl/SdlError.h"

namespace tessary {

namespace {

// Band pixels: blue, green, red, unused, one 32-bit word each.
constexpr uint32_t kBandFormat = SDL_PIXELFORMAT_XRGB8888;

Rect clipToSurface(const Rect& r, int32_t width, int32_t height) {
    return Rect{std::max(r.left, 0), std::max(r.top, 0), std::min(r.right, width), std::min(r.bottom, height)};
}

SDL_Rect unite(const SDL_Rect& a, const SDL_Rect& b) {
    const int32_t left = std::min(a.x, b.x), top = std::min(a.y, b.y);
    const int32_t right = std::max(a.x + a.w, b.x + b.w), bottom = std::max(a.y + a.h, b.y + b.h);
    return SDL_Rect{left, top, right - left, bottom - top};
}

}  // namespace

SdlDeviceContext::SdlDeviceContext(SDL_Window* window, uint32_t wakeEventType)
    : window_(window), wakeEventType_(wakeEventType) {
    pending_.reserve(kMaxPendingRects + 1);
    pendingBandTops_.reserve(kMaxPendingRects + 1);
    takeSurface();
}

void SdlDeviceContext::takeSurface() {
    SDL_Surface* surface = SDL_GetWindowSurface(window_);
    if (surface == nullptr) throw SdlError("SDL_GetWindowSurface");
    surface_ = surface;
    sameLayout_ = surface->format->format == kBandFormat;
}

void SdlDeviceContext::reacquire() {
    std::lock_guard<std::mutex> guard(lock_);
    forgetPending();
    takeSurface();
}

bool SdlDeviceContext::hasPending() const {
    std::lock_guard<std::mutex> guard(lock_);
    return !pending_.empty();
}

int32_t SdlDeviceContext::getWidth() const {
    std::lock_guard<std::mutex> guard(lock_);
    return surface_->w;
}

int32_t SdlDeviceContext::getHeight() const {
    std::lock_guard<std::mutex> guard(lock_);
    return surface_->h;
}

void SdlDeviceContext::present(const uint8_t* bandRows, int32_t bandPitch, const Rect& dirty, int32_t bandTop) {
    bool wake = false;
    {
        std::lock_guard<std::mutex> guard(lock_);
        const Rect area = clipToSurface(dirty, surface_->w, surface_->h);
        if (area.left >= area.right || area.top >= area.bottom) return;
        copyRows(bandRows, bandPitch, area, bandTop);
        record(area, bandTop);
        wake = !wakePending_;
        wakePending_ = true;
    }
    if (!wake) return;
    // Outside the lock: SDL takes its own queue lock and may talk to the
    // display to wake the main thread.
    SDL_Event event{};
    event.type = wakeEventType_;
    if (SDL_PushEvent(&event) != 1) {
        // A full queue: the main thread's periodic flush picks the rectangles
        // up, and the next presentation tries to wake it again.
        std::lock_guard<std::mutex> guard(lock_);
        wakePending_ = false;
    }
}

void SdlDeviceContext::copyRows(const uint8_t* bandRows, int32_t bandPitch, const Rect& area, int32_t bandTop) {
    const int32_t width = area.right - area.left;
    const std::size_t left = static_cast<std::size_t>(area.left) * 4;
    const auto bandRowAt = [&](int32_t y) {
        return bandRows + static_cast<std::ptrdiff_t>(y - bandTop) * bandPitch + left;
    };
    if (sameLayout_) {
        auto* pixels = static_cast<uint8_t*>(surface_->pixels);
        for (int32_t y = area.top; y < area.bottom; ++y) {
            uint8_t* target = pixels + static_cast<std::ptrdiff_t>(y) * surface_->pitch + left;
            std::memcpy(target, bandRowAt(y), static_cast<std::size_t>(width) * 4);
        }
        return;
    }
    // Any other window format (a 16-bit display, a surface with alpha): SDL
    // converts, one region at a time. A failure leaves those pixels as they were.
    const int bytesPerPixel = surface_->format->BytesPerPixel;
    auto* target = static_cast<uint8_t*>(surface_->pixels) + static_cast<std::ptrdiff_t>(area.top) * surface_->pitch +
                   static_cast<std::ptrdiff_t>(area.left) * bytesPerPixel;
    SDL_ConvertPixels(width, area.bottom - area.top, kBandFormat, bandRowAt(area.top), bandPitch,
                      surface_->format->format, target, surface_->pitch);
}

void SdlDeviceContext::record(const Rect& area, int32_t bandTop) {
    const SDL_Rect rect{area.left, area.top, area.right - area.left, area.bottom - area.top};
    // Few bands are pending at a time (a frame has some dozens): a linear
    // search from the newest finds the band's entry soonest.
    for (std::size_t i = pending_.size(); i-- > 0;) {
        if (pendingBandTops_[i] == bandTop) {
            pending_[i] = unite(pending_[i], rect);
            return;
        }
    }
    if (pending_.size() == kMaxPendingRects) {
        SDL_Rect all = rect;
        for (const SDL_Rect& r : pending_) all = unite(all, r);
        forgetPending();
        pending_.push_back(all);
        pendingBandTops_.push_back(-1);
        return;
    }
    pending_.push_back(rect);
    pendingBandTops_.push_back(bandTop);
}

void SdlDeviceContext::forgetPending() {
    pending_.clear();
    pendingBandTops_.clear();
}

bool SdlDeviceContext::flush() {
    // The lock stays held while SDL hands the pixels to the display, so no
    // worker writes a pixel that is being read.
    std::lock_guard<std::mutex> guard(lock_);
    wakePending_ = false;
    if (pending_.empty()) return true;
    const int result = SDL_UpdateWindowSurfaceRects(window_, pending_.data(), static_cast<int>(pending_.size()));
    forgetPending();
    return result == 0;
}

}  // namespace tessary

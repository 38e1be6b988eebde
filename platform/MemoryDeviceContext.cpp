#include "platform/MemoryDeviceContext.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <stdexcept>

namespace tessary {

namespace {

// The window's pixels carry no alpha: the fourth byte of a band pixel is dropped.
constexpr uint32_t kColorMask = 0x00FFFFFFu;

constexpr bool isLittleEndian() {
#if defined(__BYTE_ORDER__) && defined(__ORDER_LITTLE_ENDIAN__)
    return __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__;
#else
    return false;
#endif
}

// Bytes 0-2 of a little-endian 32-bit pixel, written so that the row loop vectorises.
uint32_t readBgr(const uint8_t* pixel) {
    uint32_t value = 0;
    std::memcpy(&value, pixel, sizeof value);
    if constexpr (isLittleEndian()) {
        return value & kColorMask;
    } else {
        return uint32_t{pixel[0]} | uint32_t{pixel[1]} << 8 | uint32_t{pixel[2]} << 16;
    }
}

}  // namespace

std::size_t MemoryDeviceContext::checkedPixelCount(int32_t width, int32_t height) {
    if (width < 1 || height < 1) {
        throw std::invalid_argument("tessary::MemoryDeviceContext: width and height must be at least 1");
    }
    const auto count = static_cast<uint64_t>(width) * static_cast<uint64_t>(height);
    if (count > std::numeric_limits<std::size_t>::max() / sizeof(uint32_t)) {
        throw std::length_error("tessary::MemoryDeviceContext: picture too large");
    }
    return static_cast<std::size_t>(count);
}

MemoryDeviceContext::MemoryDeviceContext(int32_t width, int32_t height, uint32_t background,
                                         Recording recording)
    : width_(width),
      height_(height),
      recording_(recording),
      pixels_(checkedPixelCount(width, height), background & kColorMask) {}

void MemoryDeviceContext::present(const uint8_t* bandRows, int32_t bandPitch, const Rect& dirty,
                                  int32_t bandTop) {
    // Rectangles are never normalised: left > right reads as nothing to copy.
    const int32_t left = std::max(dirty.left, 0);
    const int32_t top = std::max(dirty.top, 0);
    const int32_t right = std::min(dirty.right, width_);
    const int32_t bottom = std::min(dirty.bottom, height_);
    const bool covers = left < right && top < bottom;
    const Rect written = covers ? Rect{left, top, right, bottom} : Rect{};

    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (covers) {
            for (int32_t y = top; y < bottom; ++y) {
                const int64_t bandRow = int64_t{y} - bandTop;
                const uint8_t* source = bandRows + bandRow * bandPitch + int64_t{left} * 4;
                uint32_t* target = pixels_.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width_);
                for (int32_t x = left; x < right; ++x, source += 4) target[x] = readBgr(source);
            }
        }
        if (recording_ == Recording::Everything) presentations_.push_back(Presentation{written, bandTop});
        ++presentationCount_;
    }
    presented_.notify_all();
}

uint32_t MemoryDeviceContext::getPixel(int32_t x, int32_t y) const {
    if (x < 0 || x >= width_ || y < 0 || y >= height_) {
        throw std::out_of_range("tessary::MemoryDeviceContext::getPixel: outside the picture");
    }
    std::lock_guard<std::mutex> lock(mutex_);
    return pixels_[static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) + static_cast<std::size_t>(x)];
}

std::vector<uint32_t> MemoryDeviceContext::getPicture() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return pixels_;
}

std::size_t MemoryDeviceContext::getPresentationCount() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return presentationCount_;
}

std::vector<MemoryDeviceContext::Presentation> MemoryDeviceContext::getPresentations() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return presentations_;
}

void MemoryDeviceContext::clearPresentations() {
    std::lock_guard<std::mutex> lock(mutex_);
    presentations_.clear();
    presentationCount_ = 0;
}

bool MemoryDeviceContext::waitForPresentationCount(std::size_t count, std::chrono::milliseconds timeout) const {
    std::unique_lock<std::mutex> lock(mutex_);
    return presented_.wait_for(lock, timeout, [&] { return presentationCount_ >= count; });
}

}  // namespace tessary

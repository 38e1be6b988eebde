#include "pixel/Image.h"

#include <limits>
#include <new>
#include <stdexcept>
#include <utility>

namespace tessary {

namespace {

int32_t checkedPitch(int32_t width, int32_t height, PixelFormat format) {
    if (width < 0 || height < 0) throw std::invalid_argument("tessary::Image: negative width or height");
    const int64_t pitch = int64_t{width} * bytesPerPixel(format);
    if (pitch > std::numeric_limits<int32_t>::max()) throw std::length_error("tessary::Image: row pitch too large");
    return static_cast<int32_t>(pitch);
}

ByteBuffer allocatePixels(int32_t height, int32_t pitch) {
    // Both factors are below 2^31, so the product cannot overflow 64 bits.
    const uint64_t bytes = uint64_t(uint32_t(height)) * uint32_t(pitch) + Image::kSlackBytes;
    if (bytes > std::numeric_limits<std::size_t>::max() ||
        bytes > uint64_t(std::numeric_limits<std::ptrdiff_t>::max()))
        throw std::length_error("tessary::Image: pixel buffer too large");
    return ByteBuffer(new uint8_t[static_cast<std::size_t>(bytes)]);
}

}  // namespace

Image::Image(int32_t width, int32_t height, PixelFormat format)
    : width_(width),
      height_(height),
      format_(format),
      pitch_(checkedPitch(width, height, format)),
      buffer_(allocatePixels(height, pitch_)) {}

Image::Image(int32_t width, int32_t height, int32_t pitch, ByteBuffer buffer)
    : width_(width), height_(height), format_(PixelFormat::Bgrx32), pitch_(pitch), buffer_(std::move(buffer)) {}

}  // namespace tessary

#pragma once
// The one IImage implementation: a pixel buffer held by shared reference,
// allocated here (decoded files) or handed in (band images).

#include <cstddef>
#include <cstdint>

#include "pixel/ByteBuffer.h"
#include "pixel/IImage.h"

namespace tessary {

class Image : public IImage {
public:
    // Bytes kept after the last row: the blit bodies load whole vectors and may
    // read up to this far past the last source pixel they use.
    static constexpr std::size_t kSlackBytes = 15;

    // Allocates height × pitch + kSlackBytes uninitialised bytes, pitch being
    // width × bytesPerPixel(format). Sizes are computed in 64 bits first:
    // throws std::invalid_argument for a negative width or height and
    // std::length_error when the pitch does not fit an int32 or the buffer
    // does not fit the address space; allocation failure is std::bad_alloc.
    Image(int32_t width, int32_t height, PixelFormat format);

    // Wraps an external buffer as a Bgrx32 image. Allocates and checks
    // nothing: the caller guarantees height × pitch bytes.
    Image(int32_t width, int32_t height, int32_t pitch, ByteBuffer buffer);

    int32_t getWidth() const override { return width_; }
    int32_t getHeight() const override { return height_; }
    PixelFormat getFormat() const override { return format_; }
    int32_t getPitch() const override { return pitch_; }

    uint8_t* lock() override { return buffer_.get(); }
    const uint8_t* lock() const override { return buffer_.get(); }
    void unlock() override {}
    void unlock() const override {}

private:
    int32_t width_;
    int32_t height_;
    PixelFormat format_;
    int32_t pitch_;
    ByteBuffer buffer_;
};

}  // namespace tessary

#pragma once
// Source images of every Tessary pixel format as the 32-bit ARGB words
// (0xAARRGGBB) that pixman and SDL2 take, converted once before a peer
// composes anything.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "pixel/Color.h"
#include "pixel/IImage.h"

namespace tessary::bench {

enum class AlphaLayout { Straight, Premultiplied };

inline uint32_t premultiply(uint32_t channel, uint32_t alpha) { return (channel * alpha + 127) / 255; }

inline uint32_t toPremultipliedArgb(uint32_t argb) {
    const uint32_t a = argb >> 24;
    return a << 24 | premultiply(argb >> 16 & 0xFF, a) << 16 | premultiply(argb >> 8 & 0xFF, a) << 8 |
           premultiply(argb & 0xFF, a);
}

// Colours without alpha are opaque (Color::pack leaves their alpha byte 0).
inline uint32_t toArgb(const Color& color) {
    return uint32_t{color.getAlpha()} << 24 | (color.pack() & 0x00FFFFFFu);
}

// Formats without alpha are opaque.
inline uint32_t readArgb(PixelFormat format, const uint8_t* p) {
    switch (format) {
        case PixelFormat::Gray8: return 0xFF000000u | uint32_t{p[0]} * 0x010101u;
        case PixelFormat::Bgr24: return 0xFF000000u | uint32_t{p[2]} << 16 | uint32_t{p[1]} << 8 | p[0];
        case PixelFormat::GrayAlpha16: return uint32_t{p[1]} << 24 | uint32_t{p[0]} * 0x010101u;
        case PixelFormat::Bgra32: return uint32_t{p[3]} << 24 | uint32_t{p[2]} << 16 | uint32_t{p[1]} << 8 | p[0];
        case PixelFormat::Bgrx32: return 0xFF000000u | uint32_t{p[2]} << 16 | uint32_t{p[1]} << 8 | p[0];
    }
    return 0xFF000000u;
}

// Row-major, width × height words, no padding.
inline std::vector<uint32_t> convertImage(const IImage& image, AlphaLayout layout) {
    const int32_t width = image.getWidth();
    const int32_t height = image.getHeight();
    const int32_t step = bytesPerPixel(image.getFormat());
    std::vector<uint32_t> words(std::size_t(width) * std::size_t(height));
    ImageReadLock pixels(image);
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* row = pixels.pixels() + std::ptrdiff_t(y) * image.getPitch();
        for (int32_t x = 0; x < width; ++x) {
            const uint32_t argb = readArgb(image.getFormat(), row + std::ptrdiff_t(x) * step);
            words[std::size_t(y) * std::size_t(width) + std::size_t(x)] =
                layout == AlphaLayout::Premultiplied ? toPremultipliedArgb(argb) : argb;
        }
    }
    return words;
}

}  // namespace tessary::bench

#pragma once
// Reads one source pixel of each format as a 32-bit pixel value: blue, green,
// red in bytes 0-2, alpha (formats that have one) in byte 3.

#include <cstdint>

#include "pixel/PixelFormat.h"
#include "pixel/kernels/PixelWord.h"

namespace tessary::kernels {

template <PixelFormat Format>
struct SourceReader;

// The level fills all four bytes: that is what replicating a byte costs
// nothing in the vector body, and a plain copy stores the word whole.
template <>
struct SourceReader<PixelFormat::Gray8> {
    static constexpr int kBytes = 1;
    static uint32_t read(const uint8_t* p) { return p[0] * 0x01010101u; }
};

template <>
struct SourceReader<PixelFormat::Bgr24> {
    static constexpr int kBytes = 3;
    static uint32_t read(const uint8_t* p) {
        return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16;
    }
};

template <>
struct SourceReader<PixelFormat::GrayAlpha16> {
    static constexpr int kBytes = 2;
    static uint32_t read(const uint8_t* p) { return p[0] * 0x010101u | uint32_t{p[1]} << 24; }
};

template <>
struct SourceReader<PixelFormat::Bgra32> {
    static constexpr int kBytes = 4;
    static uint32_t read(const uint8_t* p) { return loadWord(p); }
};

template <>
struct SourceReader<PixelFormat::Bgrx32> {
    static constexpr int kBytes = 4;
    static uint32_t read(const uint8_t* p) { return loadWord(p); }
};

}  // namespace tessary::kernels

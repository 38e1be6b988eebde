#pragma once
// Pixel layouts of an Image and the blend modes of the kernels. Codes outside
// the named ones may be stored; the dispatchers draw nothing for them.

#include <cstdint>

namespace tessary {

enum class PixelFormat : int32_t { Gray8 = 0, Bgr24 = 1, GrayAlpha16 = 2, Bgra32 = 3, Bgrx32 = 4 };

constexpr int32_t kPixelFormatCount = 5;

// Any code outside the table counts as one byte per pixel.
constexpr int32_t bytesPerPixel(PixelFormat format) {
    switch (format) {
        case PixelFormat::Gray8: return 1;
        case PixelFormat::Bgr24: return 3;
        case PixelFormat::GrayAlpha16: return 2;
        case PixelFormat::Bgra32: return 4;
        case PixelFormat::Bgrx32: return 4;
    }
    return 1;
}

constexpr bool hasAlpha(PixelFormat format) {
    return format == PixelFormat::GrayAlpha16 || format == PixelFormat::Bgra32;
}

enum class BlendMode : int32_t { Normal = 0, Add = 1, Subtract = 2, Multiply = 3, InverseMultiply = 4 };

constexpr int32_t kBlendModeCount = 5;

// The test is unsigned, so negative codes are rejected too.
constexpr bool isValid(BlendMode mode) { return static_cast<uint32_t>(mode) < uint32_t{kBlendModeCount}; }
constexpr bool isValid(PixelFormat format) {
    return static_cast<uint32_t>(format) < uint32_t{kPixelFormatCount};
}

}  // namespace tessary

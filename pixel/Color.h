#pragma once
// Colours as sprites store them, and their packed 32-bit pixel value.

#include <cstdint>

namespace tessary {

enum class ColorKind : int32_t { Gray = 0, Rgb = 1, GrayAlpha = 2, Rgba = 3 };

struct Color {
    ColorKind kind = ColorKind::Gray;
    uint8_t components[4] = {0, 0, 0, 0};

    static constexpr Color gray(uint8_t level) { return Color{ColorKind::Gray, {level, 0, 0, 0}}; }
    static constexpr Color rgb(uint8_t r, uint8_t g, uint8_t b) { return Color{ColorKind::Rgb, {r, g, b, 0}}; }
    static constexpr Color grayAlpha(uint8_t level, uint8_t a) {
        return Color{ColorKind::GrayAlpha, {level, a, 0, 0}};
    }
    static constexpr Color rgba(uint8_t r, uint8_t g, uint8_t b, uint8_t a) {
        return Color{ColorKind::Rgba, {r, g, b, a}};
    }

    // 0xAARRGGBB: stored little-endian it reads blue, green, red, alpha, the
    // layout of a 32-bit pixel. Unknown kinds pack to 0 (opaque black).
    constexpr uint32_t pack() const {
        const uint32_t c0 = components[0], c1 = components[1], c2 = components[2], c3 = components[3];
        switch (kind) {
            case ColorKind::Gray: return c0 * 0x010101u;
            case ColorKind::Rgb: return c0 << 16 | c1 << 8 | c2;
            case ColorKind::GrayAlpha: return c1 << 24 | c0 * 0x010101u;
            case ColorKind::Rgba: return c3 << 24 | c0 << 16 | c1 << 8 | c2;
        }
        return 0;
    }

    constexpr uint8_t getAlpha() const {
        switch (kind) {
            case ColorKind::GrayAlpha: return components[1];
            case ColorKind::Rgba: return components[3];
            default: return 255;
        }
    }

    constexpr bool isTranslucent() const {
        return (kind == ColorKind::GrayAlpha || kind == ColorKind::Rgba) && getAlpha() != 255;
    }
};

}  // namespace tessary

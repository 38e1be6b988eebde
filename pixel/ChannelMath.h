#pragma once
// The per-channel arithmetic that decides every output byte. These pure
// functions are the oracle: every kernel path, scalar or vector, must agree
// with them bit for bit.

#include <cstdint>

#include "pixel/PixelFormat.h"

namespace tessary {

// 255 maps to exactly 256, so a weighted sum divides by 256 with a shift.
constexpr int toWeight(int v) { return (v * 129) >> 7; }

constexpr int blendChannel(BlendMode mode, int s, int d) {
    switch (mode) {
        case BlendMode::Normal: return s;
        case BlendMode::Add: return d + s > 255 ? 255 : d + s;
        case BlendMode::Subtract: return d - s < 0 ? 0 : d - s;
        case BlendMode::Multiply: return (toWeight(s) * d) >> 8;
        case BlendMode::InverseMultiply: return (toWeight(255 - s) * (255 - d)) >> 8;
    }
    return d;
}

// One truncation of the whole weighted sum.
constexpr int mixExact(int b, int d, int w) { return (b * w + d * (256 - w)) >> 8; }

// Each product truncated on its own: what 16-bit vector lanes compute cheaply.
// Equals mixExact or is one less.
constexpr int mixSplit(int b, int d, int w) { return ((b * w) >> 8) + ((d * (256 - w)) >> 8); }

constexpr int weightExact(int a, int o) { return toWeight((a * o) >> 8); }

constexpr int weightSplit(int a, int o) { return (a * o * 258) >> 16; }

}  // namespace tessary

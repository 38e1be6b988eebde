#pragma once
// The one-pixel operations of the kernels, a 32-bit word at a time. The exact
// path (row heads, tails and short rows) uses them as they are; the portable
// vector body uses the same blends with the split mix. Every function agrees
// with the per-channel arithmetic of ChannelMath.h on bytes 0-2; byte 3 of a
// result is 0 except where a pixel is stored whole.

#include <cstdint>

#include "pixel/ChannelMath.h"
#include "pixel/PixelFormat.h"
#include "pixel/kernels/PixelWord.h"

namespace tessary::kernels {

// (b × w + d × (256 − w)) >> 8 per channel, with one truncation: each lane's
// sum is at most 255 × 256, so it never spills into the next lane.
constexpr uint32_t mixWordExact(uint32_t b, uint32_t d, uint32_t w) {
    const uint32_t iw = 256 - w;
    const uint32_t rb = (((b & kRedBlueMask) * w + (d & kRedBlueMask) * iw) >> 8) & kRedBlueMask;
    const uint32_t g = (((b & kGreenMask) * w + (d & kGreenMask) * iw) >> 8) & kGreenMask;
    return rb | g;
}

// ((b × w) >> 8) + ((d × (256 − w)) >> 8) per channel: each product is
// truncated on its own, as 16-bit vector lanes compute it. The two halves add
// up to at most 255, so no lane overflows.
constexpr uint32_t mixWordSplit(uint32_t b, uint32_t d, uint32_t w) {
    const uint32_t iw = 256 - w;
    const uint32_t rb = (((b & kRedBlueMask) * w) >> 8 & kRedBlueMask) + (((d & kRedBlueMask) * iw) >> 8 & kRedBlueMask);
    const uint32_t g = (((b & kGreenMask) * w) >> 8 & kGreenMask) + (((d & kGreenMask) * iw) >> 8 & kGreenMask);
    return rb | g;
}

// 0xFF in every lane whose guard bit (bit 8 of the lane) is set, 0 elsewhere:
// each guard g at bit 8 + k becomes (g − g >> 8) = 0xFF << k, and the lanes
// never borrow from each other.
constexpr uint32_t guardsToBytes(uint32_t guards) { return guards - (guards >> 8); }

// Per-channel saturating d + s. Each channel gets a 9-bit lane (red and blue
// in one word, green in another) so a lane's carry lands in its own guard bit
// (0x1000100 for red/blue, 0x10000 for green) and turns the lane into 0xFF.
constexpr uint32_t addSaturatedWord(uint32_t s, uint32_t d) {
    const uint32_t rb = (d & kRedBlueMask) + (s & kRedBlueMask);
    const uint32_t g = (d & kGreenMask) + (s & kGreenMask);
    return ((rb | guardsToBytes(rb & 0x01000100u)) & kRedBlueMask) | ((g | guardsToBytes(g & 0x00010000u)) & kGreenMask);
}

// Per-channel max(0, d − s). A guard bit above each lane is borrowed exactly
// when s > d; lanes that kept it hold d − s, the others are cleared.
constexpr uint32_t subtractSaturatedWord(uint32_t s, uint32_t d) {
    const uint32_t rb = ((d & kRedBlueMask) | 0x01000100u) - (s & kRedBlueMask);
    const uint32_t g = ((d & kGreenMask) | 0x00010000u) - (s & kGreenMask);
    return (rb & guardsToBytes(rb & 0x01000100u) & kRedBlueMask) | (g & guardsToBytes(g & 0x00010000u) & kGreenMask);
}

// (toWeight(s) × d) >> 8 per channel; the weights differ per channel, so
// the lanes cannot share a multiply.
constexpr uint32_t multiplyWord(uint32_t s, uint32_t d) {
    uint32_t result = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        const uint32_t b = (static_cast<uint32_t>(toWeight(static_cast<int>(channelOf(s, shift)))) * channelOf(d, shift)) >> 8;
        result |= b << shift;
    }
    return result;
}

// The blend of one mode, a word at a time: bytes 0-2 of the result are
// blendChannel(mode, s, d) of the matching bytes, byte 3 is 0.
template <BlendMode Mode>
struct ExactBlend;

template <>
struct ExactBlend<BlendMode::Normal> {
    static constexpr uint32_t apply(uint32_t s, uint32_t) { return s & kColorMask; }
};
template <>
struct ExactBlend<BlendMode::Add> {
    static constexpr uint32_t apply(uint32_t s, uint32_t d) { return addSaturatedWord(s, d); }
};
template <>
struct ExactBlend<BlendMode::Subtract> {
    static constexpr uint32_t apply(uint32_t s, uint32_t d) { return subtractSaturatedWord(s, d); }
};
template <>
struct ExactBlend<BlendMode::Multiply> {
    static constexpr uint32_t apply(uint32_t s, uint32_t d) { return multiplyWord(s, d); }
};
// Multiplies the complements and keeps the product as it is.
template <>
struct ExactBlend<BlendMode::InverseMultiply> {
    static constexpr uint32_t apply(uint32_t s, uint32_t d) { return multiplyWord(~s, ~d); }
};

// How a kernel weighs its blended colour against the destination.
enum class Weighting {
    None,          // the blend is the result
    Constant,      // one weight for the whole request (opacity, a translucent colour, or both)
    Alpha,         // each source pixel's alpha
    AlphaOpacity,  // each source pixel's alpha combined with the opacity
};

// The result of one pixel on the exact path: s is the source pixel (alpha in
// byte 3 for Alpha weightings), d the destination, weight the constant weight
// or the opacity weight o. Unweighted Normal stores s whole.
template <BlendMode Mode, Weighting W>
constexpr uint32_t composeExact(uint32_t s, uint32_t d, int weight) {
    if constexpr (W == Weighting::None) {
        if constexpr (Mode == BlendMode::Normal) return s;
        else return ExactBlend<Mode>::apply(s, d);
    } else {
        int w = weight;
        if constexpr (W == Weighting::Alpha) w = toWeight(static_cast<int>(s >> 24));
        if constexpr (W == Weighting::AlphaOpacity) w = weightExact(static_cast<int>(s >> 24), weight);
        return mixWordExact(ExactBlend<Mode>::apply(s, d), d & kColorMask, static_cast<uint32_t>(w));
    }
}

// The same pixel as the vector body computes it: split mix and split weight.
template <BlendMode Mode, Weighting W>
constexpr uint32_t composeSplit(uint32_t s, uint32_t d, int weight) {
    if constexpr (W == Weighting::None) {
        return composeExact<Mode, W>(s, d, weight);
    } else {
        int w = weight;
        if constexpr (W == Weighting::Alpha) w = toWeight(static_cast<int>(s >> 24));
        if constexpr (W == Weighting::AlphaOpacity) w = weightSplit(static_cast<int>(s >> 24), weight);
        return mixWordSplit(ExactBlend<Mode>::apply(s, d), d & kColorMask, static_cast<uint32_t>(w));
    }
}

}  // namespace tessary::kernels

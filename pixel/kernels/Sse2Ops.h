#pragma once
// SSE2 twins of the split arithmetic: four 32-bit pixels per register, or two
// pixels per register widened to 16-bit lanes. Included only by kernel sources.

#include <emmintrin.h>

#include <cstdint>

#include "pixel/PixelFormat.h"
#include "pixel/kernels/ExactOps.h"

namespace tessary::kernels::sse2 {

inline __m128i loadUnaligned(const uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
inline __m128i loadAligned(const uint8_t* p) { return _mm_load_si128(reinterpret_cast<const __m128i*>(p)); }
inline __m128i loadLow8Bytes(const uint8_t* p) { return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)); }
inline void storeAligned(uint8_t* p, __m128i v) { _mm_store_si128(reinterpret_cast<__m128i*>(p), v); }

inline __m128i splat32(uint32_t v) { return _mm_set1_epi32(static_cast<int>(v)); }
inline __m128i splat16(int v) { return _mm_set1_epi16(static_cast<short>(v)); }

// Two pixels each, one channel per 16-bit lane.
struct Halves {
    __m128i lo;  // pixels 0 and 1
    __m128i hi;  // pixels 2 and 3
};

// Each byte v as v << 8 in its lane: the form mulhi wants, see mixHigh.
inline Halves widenHigh(__m128i v) {
    const __m128i zero = _mm_setzero_si128();
    return Halves{_mm_unpacklo_epi8(zero, v), _mm_unpackhi_epi8(zero, v)};
}

inline Halves widen(__m128i v) {
    const __m128i zero = _mm_setzero_si128();
    return Halves{_mm_unpacklo_epi8(v, zero), _mm_unpackhi_epi8(v, zero)};
}

// mixSplit per lane: with b and d given as value << 8, mulhi(value << 8, w)
// is exactly (value × w) >> 8, so each product is truncated on its own, as
// the split formula wants, with one instruction each.
inline __m128i mixHigh(__m128i bHigh, __m128i dHigh, __m128i w, __m128i inverseW) {
    return _mm_add_epi16(_mm_mulhi_epu16(bHigh, w), _mm_mulhi_epu16(dHigh, inverseW));
}

// (toWeight(s) × d) >> 8 per lane, s plain and d given as d << 8.
inline __m128i multiplyHalf(__m128i sPlain, __m128i dHigh) {
    const __m128i weight = _mm_add_epi16(sPlain, _mm_srli_epi16(sPlain, 7));  // toWeight(v) = v + (v >> 7)
    return _mm_mulhi_epu16(dHigh, weight);
}

// The blend of one mode. bytes: b for four pixels (bytes 0-2 exact, byte 3
// any). high: b << 8 in 16-bit lanes, given the destination already widened.
template <BlendMode Mode>
struct Blend;

template <>
struct Blend<BlendMode::Normal> {
    static __m128i bytes(__m128i s, __m128i) { return s; }
    static Halves high(__m128i s, __m128i, const Halves&) { return widenHigh(s); }
};

template <>
struct Blend<BlendMode::Add> {
    static __m128i bytes(__m128i s, __m128i d) { return _mm_adds_epu8(d, s); }
    static Halves high(__m128i s, __m128i d, const Halves&) { return widenHigh(bytes(s, d)); }
};

template <>
struct Blend<BlendMode::Subtract> {
    static __m128i bytes(__m128i s, __m128i d) { return _mm_subs_epu8(d, s); }
    static Halves high(__m128i s, __m128i d, const Halves&) { return widenHigh(bytes(s, d)); }
};

template <>
struct Blend<BlendMode::Multiply> {
    static __m128i bytes(__m128i s, __m128i d) {
        const Halves sPlain = widen(s);
        const Halves dHigh = widenHigh(d);
        return _mm_packus_epi16(multiplyHalf(sPlain.lo, dHigh.lo), multiplyHalf(sPlain.hi, dHigh.hi));
    }
    static Halves high(__m128i s, __m128i, const Halves& dHigh) {
        const Halves sPlain = widen(s);
        return Halves{_mm_slli_epi16(multiplyHalf(sPlain.lo, dHigh.lo), 8),
                      _mm_slli_epi16(multiplyHalf(sPlain.hi, dHigh.hi), 8)};
    }
};

// Multiply of the complements: 255 − v is v XOR 0xFF, and (255 − d) << 8 is
// (d << 8) XOR 0xFF00.
template <>
struct Blend<BlendMode::InverseMultiply> {
    static __m128i bytes(__m128i s, __m128i d) {
        const __m128i ones = _mm_set1_epi8(-1);
        return Blend<BlendMode::Multiply>::bytes(_mm_xor_si128(s, ones), _mm_xor_si128(d, ones));
    }
    static Halves high(__m128i s, __m128i, const Halves& dHigh) {
        const __m128i highOnes = splat16(0xFF00);
        return Blend<BlendMode::Multiply>::high(_mm_xor_si128(s, _mm_set1_epi8(-1)), __m128i{},
                                                Halves{_mm_xor_si128(dHigh.lo, highOnes),
                                                       _mm_xor_si128(dHigh.hi, highOnes)});
    }
};

// The weights of four pixels, one per channel lane, for each weighting.
template <Weighting W>
class Weights;

template <>
class Weights<Weighting::None> {
public:
    explicit Weights(int) {}
};

template <>
class Weights<Weighting::Constant> {
public:
    explicit Weights(int weight) : weight_(splat16(weight)) {}
    Halves of(__m128i) const { return Halves{weight_, weight_}; }

private:
    __m128i weight_;
};

// Per-pixel weights from the alpha in byte 3, computed side by side in the
// low 16 bits of each 32-bit lane and then spread over the pixel's channels.
inline Halves spreadWeights(__m128i weight32) {
    const __m128i pairs = _mm_or_si128(weight32, _mm_slli_epi32(weight32, 16));
    return Halves{_mm_unpacklo_epi32(pairs, pairs), _mm_unpackhi_epi32(pairs, pairs)};
}

template <>
class Weights<Weighting::Alpha> {
public:
    explicit Weights(int) {}
    Halves of(__m128i s) const {
        const __m128i alpha = _mm_srli_epi32(s, 24);
        return spreadWeights(_mm_add_epi32(alpha, _mm_srli_epi32(alpha, 7)));  // toWeight
    }
};

template <>
class Weights<Weighting::AlphaOpacity> {
public:
    explicit Weights(int opacityWeight) : opacity_(splat16(opacityWeight)) {}
    // weightSplit: a × o fits 16 bits (at most 65280); mulhi by 258 is the >> 16.
    Halves of(__m128i s) const {
        const __m128i alpha = _mm_srli_epi32(s, 24);
        return spreadWeights(_mm_mulhi_epu16(_mm_mullo_epi16(alpha, opacity_), splat16(258)));
    }

private:
    __m128i opacity_;
};

// Four pixels of the vector path: unweighted Normal stores s whole, every
// other member leaves byte 3 at 0, as the exact path does.
template <BlendMode Mode, Weighting W>
inline __m128i compose(__m128i s, __m128i d, const Weights<W>& weights) {
    const __m128i colorMask = splat32(kColorMask);
    if constexpr (W == Weighting::None) {
        if constexpr (Mode == BlendMode::Normal) return s;
        else return _mm_and_si128(Blend<Mode>::bytes(s, d), colorMask);
    } else {
        const Halves dHigh = widenHigh(d);
        const Halves bHigh = Blend<Mode>::high(s, d, dHigh);
        const Halves w = weights.of(s);
        const __m128i full = splat16(256);
        const __m128i lo = mixHigh(bHigh.lo, dHigh.lo, w.lo, _mm_sub_epi16(full, w.lo));
        const __m128i hi = mixHigh(bHigh.hi, dHigh.hi, w.hi, _mm_sub_epi16(full, w.hi));
        return _mm_and_si128(_mm_packus_epi16(lo, hi), colorMask);
    }
}

// Eight source pixels of one format as two registers of 32-bit pixels.
struct Octet {
    __m128i lo;  // pixels 0-3
    __m128i hi;  // pixels 4-7
};

template <PixelFormat Format>
struct Reader;

// 8 bytes, each replicated into a whole pixel.
template <>
struct Reader<PixelFormat::Gray8> {
    static Octet read(const uint8_t* p) {
        const __m128i levels = loadLow8Bytes(p);
        const __m128i pairs = _mm_unpacklo_epi8(levels, levels);
        return Octet{_mm_unpacklo_epi16(pairs, pairs), _mm_unpackhi_epi16(pairs, pairs)};
    }
};

// 16 bytes per 4 pixels, the 12 used ones spread to 4 bytes each; the 4
// bytes loaded past pixel 7 lie in the slack an allocated Image keeps.
template <>
struct Reader<PixelFormat::Bgr24> {
    static __m128i spread(__m128i v) {
        const __m128i p01 = _mm_unpacklo_epi32(v, _mm_srli_si128(v, 3));
        const __m128i p23 = _mm_unpacklo_epi32(_mm_srli_si128(v, 6), _mm_srli_si128(v, 9));
        // Byte 3 would hold the next pixel's blue; clear it as the exact path does.
        return _mm_and_si128(_mm_unpacklo_epi64(p01, p23), splat32(kColorMask));
    }
    static Octet read(const uint8_t* p) { return Octet{spread(loadUnaligned(p)), spread(loadUnaligned(p + 12))}; }
};

// The 16 bytes of 8 pixels at once: each (level, alpha) pair becomes
// (level, level, level, alpha).
template <>
struct Reader<PixelFormat::GrayAlpha16> {
    static Octet read(const uint8_t* p) {
        const __m128i pairs = loadUnaligned(p);
        const __m128i level = _mm_and_si128(pairs, splat16(0x00FF));
        const __m128i levels = _mm_or_si128(level, _mm_slli_epi16(level, 8));
        return Octet{_mm_unpacklo_epi16(levels, pairs), _mm_unpackhi_epi16(levels, pairs)};
    }
};

template <>
struct Reader<PixelFormat::Bgra32> {
    static Octet read(const uint8_t* p) { return Octet{loadUnaligned(p), loadUnaligned(p + 16)}; }
};

template <>
struct Reader<PixelFormat::Bgrx32> {
    static Octet read(const uint8_t* p) { return Octet{loadUnaligned(p), loadUnaligned(p + 16)}; }
};

}  // namespace tessary::kernels::sse2

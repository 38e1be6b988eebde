#pragma once
// The SSE2 instructions the vector body needs: 4 pixels per register, stores
// to 16-byte aligned groups. Included only by kernel sources.

#include <emmintrin.h>

#include <cstdint>

#include "pixel/PixelFormat.h"
#include "pixel/kernels/VectorOps.h"

namespace tessary::kernels {

struct Sse2Vector {
    using Reg = __m128i;
    static constexpr int kPixels = 4;

    static Reg load(const uint8_t* p) { return _mm_load_si128(reinterpret_cast<const __m128i*>(p)); }
    static void store(uint8_t* p, Reg v) { _mm_store_si128(reinterpret_cast<__m128i*>(p), v); }
    static Reg loadUnaligned(const uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }

    static Reg set32(uint32_t v) { return _mm_set1_epi32(static_cast<int>(v)); }
    static Reg set16(int v) { return _mm_set1_epi16(static_cast<short>(v)); }


    static Reg add16(Reg a, Reg b) { return _mm_add_epi16(a, b); }
    static Reg sub16(Reg a, Reg b) { return _mm_sub_epi16(a, b); }
    static Reg mulhi16(Reg a, Reg b) { return _mm_mulhi_epu16(a, b); }
    static Reg mullo16(Reg a, Reg b) { return _mm_mullo_epi16(a, b); }
    template <int N>
    static Reg srli16(Reg a) { return _mm_srli_epi16(a, N); }
    template <int N>
    static Reg slli16(Reg a) { return _mm_slli_epi16(a, N); }
    template <int N>
    static Reg srli32(Reg a) { return _mm_srli_epi32(a, N); }
    template <int N>
    static Reg slli32(Reg a) { return _mm_slli_epi32(a, N); }
    static Reg addSaturate8(Reg a, Reg b) { return _mm_adds_epu8(a, b); }
    static Reg subtractSaturate8(Reg a, Reg b) { return _mm_subs_epu8(a, b); }
    static Reg andBits(Reg a, Reg b) { return _mm_and_si128(a, b); }
    static Reg orBits(Reg a, Reg b) { return _mm_or_si128(a, b); }
    static Reg xorBits(Reg a, Reg b) { return _mm_xor_si128(a, b); }
};

// 8 bytes, each replicated into a whole pixel.
template <>
struct VectorReader<Sse2Vector, PixelFormat::Gray8> {
    static Group<Sse2Vector> read(const uint8_t* p) {
        const __m128i levels = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p));
        const __m128i pairs = _mm_unpacklo_epi8(levels, levels);
        return {{_mm_unpacklo_epi16(pairs, pairs), _mm_unpackhi_epi16(pairs, pairs)}};
    }
};

// 16 bytes per 4 pixels, the 12 used ones spread to 4 bytes each; the 4
// bytes loaded past pixel 7 lie in the row's next pixels or in the slack an
// allocated Image keeps after its last row.
template <>
struct VectorReader<Sse2Vector, PixelFormat::Bgr24> {
    static __m128i spread(__m128i v) {
        const __m128i p01 = _mm_unpacklo_epi32(v, _mm_srli_si128(v, 3));
        const __m128i p23 = _mm_unpacklo_epi32(_mm_srli_si128(v, 6), _mm_srli_si128(v, 9));
        // Byte 3 would hold the next pixel's blue; clear it as the exact path does.
        return _mm_and_si128(_mm_unpacklo_epi64(p01, p23), Sse2Vector::set32(kColorMask));
    }
    static Group<Sse2Vector> read(const uint8_t* p) {
        return {{spread(Sse2Vector::loadUnaligned(p)), spread(Sse2Vector::loadUnaligned(p + 12))}};
    }
};

// The 16 bytes of 8 pixels in one load, no byte past them: each (level,
// alpha) pair becomes (level, level, level, alpha).
template <>
struct VectorReader<Sse2Vector, PixelFormat::GrayAlpha16> {
    static Group<Sse2Vector> read(const uint8_t* p) {
        const __m128i pairs = Sse2Vector::loadUnaligned(p);
        const __m128i level = _mm_and_si128(pairs, Sse2Vector::set16(0x00FF));
        const __m128i levels = _mm_or_si128(level, _mm_slli_epi16(level, 8));
        return {{_mm_unpacklo_epi16(levels, pairs), _mm_unpackhi_epi16(levels, pairs)}};
    }
};

template <>
struct VectorReader<Sse2Vector, PixelFormat::Bgra32> {
    static Group<Sse2Vector> read(const uint8_t* p) {
        return {{Sse2Vector::loadUnaligned(p), Sse2Vector::loadUnaligned(p + 16)}};
    }
};

template <>
struct VectorReader<Sse2Vector, PixelFormat::Bgrx32> {
    static Group<Sse2Vector> read(const uint8_t* p) {
        return {{Sse2Vector::loadUnaligned(p), Sse2Vector::loadUnaligned(p + 16)}};
    }
};

using Sse2Path = VectorPath<Sse2Vector>;

}  // namespace tessary::kernels

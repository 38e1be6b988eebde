#pragma once
// The AVX2 instructions the vector body needs: all 8 pixels of a group in one
// register. A group starts on a 16-byte boundary only, so stores are
// unaligned 32-byte stores. Included only by the AVX2 kernel source, inside
// its AVX2 target region.

#include <immintrin.h>

#include <cstdint>

#include "pixel/PixelFormat.h"
#include "pixel/kernels/VectorOps.h"

namespace tessary::kernels {

struct Avx2Vector {
    using Reg = __m256i;
    static constexpr int kPixels = 8;

    static Reg load(const uint8_t* p) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)); }
    static void store(uint8_t* p, Reg v) { _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v); }

    static Reg set32(uint32_t v) { return _mm256_set1_epi32(static_cast<int>(v)); }
    static Reg set16(int v) { return _mm256_set1_epi16(static_cast<short>(v)); }


    static Reg add16(Reg a, Reg b) { return _mm256_add_epi16(a, b); }
    static Reg sub16(Reg a, Reg b) { return _mm256_sub_epi16(a, b); }
    static Reg mulhi16(Reg a, Reg b) { return _mm256_mulhi_epu16(a, b); }
    static Reg mullo16(Reg a, Reg b) { return _mm256_mullo_epi16(a, b); }
    template <int N>
    static Reg srli16(Reg a) { return _mm256_srli_epi16(a, N); }
    template <int N>
    static Reg slli16(Reg a) { return _mm256_slli_epi16(a, N); }
    template <int N>
    static Reg srli32(Reg a) { return _mm256_srli_epi32(a, N); }
    template <int N>
    static Reg slli32(Reg a) { return _mm256_slli_epi32(a, N); }
    static Reg addSaturate8(Reg a, Reg b) { return _mm256_adds_epu8(a, b); }
    static Reg subtractSaturate8(Reg a, Reg b) { return _mm256_subs_epu8(a, b); }
    static Reg andBits(Reg a, Reg b) { return _mm256_and_si256(a, b); }
    static Reg orBits(Reg a, Reg b) { return _mm256_or_si256(a, b); }
    static Reg xorBits(Reg a, Reg b) { return _mm256_xor_si256(a, b); }

    // The same byte shuffle in both 128-bit halves.
    static Reg shuffleInHalves(Reg v, __m128i pattern) {
        return _mm256_shuffle_epi8(v, _mm256_broadcastsi128_si256(pattern));
    }
};

// 8 bytes in both halves, each byte replicated into a whole pixel.
template <>
struct VectorReader<Avx2Vector, PixelFormat::Gray8> {
    static Group<Avx2Vector> read(const uint8_t* p) {
        const __m256i levels = _mm256_broadcastq_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)));
        const __m256i pattern = _mm256_setr_epi8(0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3,  //
                                                 4, 4, 4, 4, 5, 5, 5, 5, 6, 6, 6, 6, 7, 7, 7, 7);
        return {{_mm256_shuffle_epi8(levels, pattern)}};
    }
};

// 16 bytes per 4 pixels, as on the SSE2 path (the 4 bytes past pixel 7 lie
// in the row or in the Image's slack), each pixel's 3 bytes spread to 4 with
// byte 3 cleared.
template <>
struct VectorReader<Avx2Vector, PixelFormat::Bgr24> {
    static Group<Avx2Vector> read(const uint8_t* p) {
        const __m256i bytes = _mm256_loadu2_m128i(reinterpret_cast<const __m128i*>(p + 12),
                                                  reinterpret_cast<const __m128i*>(p));
        return {{Avx2Vector::shuffleInHalves(
            bytes, _mm_setr_epi8(0, 1, 2, -128, 3, 4, 5, -128, 6, 7, 8, -128, 9, 10, 11, -128))}};
    }
};

// The 16 bytes of 8 pixels in one load: each (level, alpha) pair becomes
// (level, level, level, alpha).
template <>
struct VectorReader<Avx2Vector, PixelFormat::GrayAlpha16> {
    static Group<Avx2Vector> read(const uint8_t* p) {
        const __m256i pairs = _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
        const __m256i pattern = _mm256_setr_epi8(0, 0, 0, 1, 2, 2, 2, 3, 4, 4, 4, 5, 6, 6, 6, 7,  //
                                                 8, 8, 8, 9, 10, 10, 10, 11, 12, 12, 12, 13, 14, 14, 14, 15);
        return {{_mm256_shuffle_epi8(pairs, pattern)}};
    }
};

template <>
struct VectorReader<Avx2Vector, PixelFormat::Bgra32> {
    static Group<Avx2Vector> read(const uint8_t* p) { return {{Avx2Vector::load(p)}}; }
};

template <>
struct VectorReader<Avx2Vector, PixelFormat::Bgrx32> {
    static Group<Avx2Vector> read(const uint8_t* p) { return {{Avx2Vector::load(p)}}; }
};

using Avx2Path = VectorPath<Avx2Vector>;

}  // namespace tessary::kernels

// The building blocks of the kernels against the per-channel oracle, lane by
// lane and, where the domain is small, exhaustively: the word-at-a-time exact
// operations, the source readers, and the SSE2 twins of the split arithmetic.

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "pixel/ChannelMath.h"
#include "pixel/kernels/ExactOps.h"
#include "pixel/kernels/SourceReader.h"

#if defined(__x86_64__)
#include "pixel/kernels/Sse2Vector.h"
#endif

namespace tessary::kernels {
namespace {

int channel(uint32_t pixel, int c) { return static_cast<int>(pixel >> (8 * c) & 0xFF); }

// Three different channel values per word, so a lane that leaks into its
// neighbour shows: (v, v ^ 0xA5, 255 - v) as blue, green, red, garbage in byte 3.
uint32_t spreadChannels(int v) {
    return uint32_t(v) | uint32_t(v ^ 0xA5) << 8 | uint32_t(255 - v) << 16 | 0x5C000000u;
}

template <BlendMode Mode>
void expectExactBlendMatchesOracle() {
    for (int s = 0; s < 256; ++s)
        for (int d = 0; d < 256; ++d) {
            const uint32_t sw = spreadChannels(s), dw = spreadChannels(d);
            const uint32_t b = ExactBlend<Mode>::apply(sw, dw);
            for (int c = 0; c < 3; ++c)
                ASSERT_EQ(channel(b, c), blendChannel(Mode, channel(sw, c), channel(dw, c)))
                    << "mode " << int(Mode) << " s " << s << " d " << d << " channel " << c;
            ASSERT_EQ(b >> 24, 0u);
        }
}

TEST(ExactOps, EveryBlendMatchesTheOracleOnEveryPair) {
    expectExactBlendMatchesOracle<BlendMode::Normal>();
    expectExactBlendMatchesOracle<BlendMode::Add>();
    expectExactBlendMatchesOracle<BlendMode::Subtract>();
    expectExactBlendMatchesOracle<BlendMode::Multiply>();
    expectExactBlendMatchesOracle<BlendMode::InverseMultiply>();
}

TEST(ExactOps, WordMixesMatchPerChannelMixesForEveryInput) {
    for (int b = 0; b < 256; ++b)
        for (int d = 0; d < 256; ++d) {
            const uint32_t bw = spreadChannels(b) & kColorMask, dw = spreadChannels(d);
            for (uint32_t w = 0; w <= 256; ++w) {
                const uint32_t exact = mixWordExact(bw, dw, w);
                const uint32_t split = mixWordSplit(bw, dw, w);
                for (int c = 0; c < 3; ++c) {
                    ASSERT_EQ(channel(exact, c), mixExact(channel(bw, c), channel(dw, c), int(w)))
                        << b << " " << d << " " << w;
                    ASSERT_EQ(channel(split, c), mixSplit(channel(bw, c), channel(dw, c), int(w)))
                        << b << " " << d << " " << w;
                }
            }
        }
}

TEST(SourceReaders, ReadEachFormatAsA32BitPixel) {
    const uint8_t bytes[] = {10, 20, 30, 40};
    EXPECT_EQ(SourceReader<PixelFormat::Gray8>::read(bytes), 0x0A0A0A0Au);
    EXPECT_EQ(SourceReader<PixelFormat::Bgr24>::read(bytes), 0x001E140Au);
    EXPECT_EQ(SourceReader<PixelFormat::GrayAlpha16>::read(bytes), 0x140A0A0Au);
    EXPECT_EQ(SourceReader<PixelFormat::Bgra32>::read(bytes), 0x281E140Au);
    EXPECT_EQ(SourceReader<PixelFormat::Bgrx32>::read(bytes), 0x281E140Au);
}

#if defined(__x86_64__)

using V = Sse2Vector;

std::vector<uint16_t> lanes16(__m128i v) {
    std::vector<uint16_t> out(8);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out.data()), v);
    return out;
}

std::vector<uint32_t> lanes32(__m128i v) {
    std::vector<uint32_t> out(4);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out.data()), v);
    return out;
}

TEST(Sse2Ops, MixHighIsMixSplitForEveryInput) {
    for (int b = 0; b < 256; ++b)
        for (int d = 0; d < 256; ++d)
            for (int w0 = 0; w0 <= 256; w0 += 8) {
                const __m128i w = _mm_setr_epi16(short(w0), short(std::min(w0 + 1, 256)), short(std::min(w0 + 2, 256)),
                                                 short(std::min(w0 + 3, 256)), short(std::min(w0 + 4, 256)),
                                                 short(std::min(w0 + 5, 256)), short(std::min(w0 + 6, 256)),
                                                 short(std::min(w0 + 7, 256)));
                const auto result = lanes16(mixHigh<V>(V::set16(b << 8), V::set16(d << 8), w));
                const auto weights = lanes16(w);
                for (int lane = 0; lane < 8; ++lane)
                    ASSERT_EQ(result[lane], mixSplit(b, d, weights[lane])) << b << " " << d << " " << weights[lane];
            }
}

TEST(Sse2Ops, PerPixelWeightsForEveryAlphaAndOpacity) {
    for (int opacity = 0; opacity <= 256; ++opacity) {
        const VectorWeights<V, Weighting::AlphaOpacity> combined(opacity);
        const VectorWeights<V, Weighting::Alpha> alphaOnly(0);
        for (int a = 0; a < 256; a += 4) {
            // Alpha in byte 3 of four pixels, the other bytes busy.
            const __m128i pixels =
                _mm_setr_epi32(int(uint32_t(a) << 24 | 0xFFFFFF), int(uint32_t(a + 1) << 24 | 0x123456),
                               int(uint32_t(a + 2) << 24), int(uint32_t(a + 3) << 24 | 0xFF00FF));
            const auto both = lanes16(combined.of(pixels));
            const auto alpha = lanes16(alphaOnly.of(pixels));
            for (int lane = 0; lane < 8; ++lane) {
                ASSERT_EQ(both[lane], weightSplit(a + lane / 2, opacity)) << a + lane / 2 << " " << opacity;
                ASSERT_EQ(alpha[lane], toWeight(a + lane / 2)) << a + lane / 2;
            }
        }
    }
}

template <BlendMode Mode>
void expectVectorBlendMatchesOracle() {
    for (int s = 0; s < 256; ++s)
        for (int d0 = 0; d0 < 256; d0 += 4) {
            const __m128i sv = V::set32(spreadChannels(s));
            const __m128i dv = _mm_setr_epi32(int(spreadChannels(d0)), int(spreadChannels(d0 + 1)),
                                              int(spreadChannels(d0 + 2)), int(spreadChannels(d0 + 3)));
            const auto bytes = lanes32(VectorBlend<V, Mode>::bytes(sv, dv));
            const Channels<V> high = VectorBlend<V, Mode>::high(sv, dv, widenHigh<V>(dv));
            const auto even = lanes16(high.even), odd = lanes16(high.odd);
            for (int p = 0; p < 4; ++p) {
                int expected[3];
                for (int c = 0; c < 3; ++c) {
                    expected[c] = blendChannel(Mode, channel(spreadChannels(s), c), channel(spreadChannels(d0 + p), c));
                    ASSERT_EQ(channel(bytes[p], c), expected[c]) << "mode " << int(Mode) << " s " << s << " d " << d0 + p;
                }
                // Blue and red in the even lanes, green and a zero byte 3 in the odd ones.
                ASSERT_EQ(even[2 * p], expected[0] << 8) << "mode " << int(Mode) << " s " << s << " d " << d0 + p;
                ASSERT_EQ(even[2 * p + 1], expected[2] << 8) << "mode " << int(Mode) << " s " << s << " d " << d0 + p;
                ASSERT_EQ(odd[2 * p], expected[1] << 8) << "mode " << int(Mode) << " s " << s << " d " << d0 + p;
                ASSERT_EQ(odd[2 * p + 1], 0) << "mode " << int(Mode) << " s " << s << " d " << d0 + p;
            }
        }
}

TEST(Sse2Ops, EveryBlendMatchesTheOracleOnEveryPair) {
    expectVectorBlendMatchesOracle<BlendMode::Normal>();
    expectVectorBlendMatchesOracle<BlendMode::Add>();
    expectVectorBlendMatchesOracle<BlendMode::Subtract>();
    expectVectorBlendMatchesOracle<BlendMode::Multiply>();
    expectVectorBlendMatchesOracle<BlendMode::InverseMultiply>();
}

template <PixelFormat Format>
void expectVectorReaderMatchesScalar(std::mt19937& random) {
    std::vector<uint8_t> bytes(8 * 4 + 16);
    for (int round = 0; round < 100; ++round) {
        for (uint8_t& b : bytes) b = static_cast<uint8_t>(random());
        const Group<V> group = VectorReader<V, Format>::read(bytes.data());
        for (int i = 0; i < 8; ++i)
            ASSERT_EQ(lanes32(group.reg[i / 4])[i % 4],
                      SourceReader<Format>::read(bytes.data() + i * SourceReader<Format>::kBytes))
                << "format " << int(Format) << " pixel " << i;
    }
}

TEST(Sse2Ops, ReadersMatchTheScalarReaders) {
    std::mt19937 random(5);
    expectVectorReaderMatchesScalar<PixelFormat::Gray8>(random);
    expectVectorReaderMatchesScalar<PixelFormat::Bgr24>(random);
    expectVectorReaderMatchesScalar<PixelFormat::GrayAlpha16>(random);
    expectVectorReaderMatchesScalar<PixelFormat::Bgra32>(random);
    expectVectorReaderMatchesScalar<PixelFormat::Bgrx32>(random);
}

#endif

}  // namespace
}  // namespace tessary::kernels

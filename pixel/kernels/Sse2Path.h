#pragma once
// The SSE2 vector body: 8 pixels as two aligned 16-byte groups of 4.

#include <cstdint>

#include "pixel/PixelFormat.h"
#include "pixel/kernels/ExactOps.h"
#include "pixel/kernels/Sse2Ops.h"

namespace tessary::kernels {

struct Sse2Path {
    template <BlendMode Mode, Weighting W>
    class FillBody {
    public:
        FillBody(uint32_t color, int weight) : color_(sse2::splat32(color)), weights_(weight) {}
        void operator()(uint8_t* target) const {
            if constexpr (Mode == BlendMode::Normal && W == Weighting::None) {
                sse2::storeAligned(target, color_);
                sse2::storeAligned(target + 16, color_);
            } else {
                const __m128i d0 = sse2::loadAligned(target);
                const __m128i d1 = sse2::loadAligned(target + 16);
                sse2::storeAligned(target, sse2::compose<Mode, W>(color_, d0, weights_));
                sse2::storeAligned(target + 16, sse2::compose<Mode, W>(color_, d1, weights_));
            }
        }

    private:
        __m128i color_;
        sse2::Weights<W> weights_;
    };

    template <BlendMode Mode, PixelFormat Format, Weighting W>
    class BlitBody {
    public:
        explicit BlitBody(int opacityWeight) : weights_(opacityWeight) {}
        void operator()(uint8_t* target, const uint8_t* source) const {
            const sse2::Octet s = sse2::Reader<Format>::read(source);
            if constexpr (Mode == BlendMode::Normal && W == Weighting::None) {
                sse2::storeAligned(target, s.lo);
                sse2::storeAligned(target + 16, s.hi);
            } else {
                const __m128i d0 = sse2::loadAligned(target);
                const __m128i d1 = sse2::loadAligned(target + 16);
                sse2::storeAligned(target, sse2::compose<Mode, W>(s.lo, d0, weights_));
                sse2::storeAligned(target + 16, sse2::compose<Mode, W>(s.hi, d1, weights_));
            }
        }

    private:
        sse2::Weights<W> weights_;
    };
};

}  // namespace tessary::kernels

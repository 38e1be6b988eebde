#pragma once
// The vector body without intrinsics: the same split formulas the SIMD paths
// compute, a pixel at a time, for processors without them and as the reference
// the SIMD paths are tested against.

#include <cstdint>

#include "pixel/PixelFormat.h"
#include "pixel/kernels/ExactOps.h"
#include "pixel/kernels/KernelArea.h"
#include "pixel/kernels/PixelWord.h"
#include "pixel/kernels/SourceReader.h"

namespace tessary::kernels {

struct PortablePath {
    template <BlendMode Mode, Weighting W>
    class FillBody {
    public:
        FillBody(uint32_t color, int weight) : color_(color), weight_(weight) {}
        void operator()(uint8_t* target) const {
            for (int i = 0; i < kGroupPixels; ++i) {
                uint8_t* const p = target + i * 4;
                storeWord(p, composeSplit<Mode, W>(color_, loadWord(p), weight_));
            }
        }

    private:
        uint32_t color_;
        int weight_;
    };

    template <BlendMode Mode, PixelFormat Format, Weighting W>
    class BlitBody {
    public:
        explicit BlitBody(int opacityWeight) : opacityWeight_(opacityWeight) {}
        void operator()(uint8_t* target, const uint8_t* source) const {
            for (int i = 0; i < kGroupPixels; ++i) {
                uint8_t* const p = target + i * 4;
                const uint32_t s = SourceReader<Format>::read(source + i * SourceReader<Format>::kBytes);
                storeWord(p, composeSplit<Mode, W>(s, loadWord(p), opacityWeight_));
            }
        }

    private:
        int opacityWeight_;
    };
};

}  // namespace tessary::kernels

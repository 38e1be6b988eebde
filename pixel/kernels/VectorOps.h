#pragma once
// The vector twins of the split arithmetic, written once over a vector
// policy V (Sse2Vector: 4 pixels per register, Avx2Vector: 8) that supplies
// the instructions. Only templates live here, so that each instruction set
// gets its own copy. Included only by kernel sources.

#include <cstdint>

#include "pixel/PixelFormat.h"
#include "pixel/kernels/ExactOps.h"
#include "pixel/kernels/KernelArea.h"

namespace tessary::kernels {

// The pixels of one register widened to one channel per 16-bit lane, in the
// order the policy's unpacks leave them; pack puts them back.
template <class V>
struct Halves {
    typename V::Reg lo;
    typename V::Reg hi;
};

// Each byte v as v << 8 in its lane: the form mulhi wants, see mixHigh.
template <class V>
inline Halves<V> widenHigh(typename V::Reg v) {
    return Halves<V>{V::unpackLo8(V::zero(), v), V::unpackHi8(V::zero(), v)};
}

template <class V>
inline Halves<V> widen(typename V::Reg v) {
    return Halves<V>{V::unpackLo8(v, V::zero()), V::unpackHi8(v, V::zero())};
}

// mixSplit per lane. With b and d given as value << 8, mulhi(value << 8, w)
// is exactly (value × w) >> 8: each product is truncated on its own, as the
// split formula wants, in one instruction.
template <class V>
inline typename V::Reg mixHigh(typename V::Reg bHigh, typename V::Reg dHigh, typename V::Reg w) {
    const typename V::Reg inverse = V::sub16(V::set16(256), w);
    return V::add16(V::mulhi16(bHigh, w), V::mulhi16(dHigh, inverse));
}

// (toWeight(s) × d) >> 8 per lane, s plain and d given as d << 8;
// toWeight(v) = (v × 129) >> 7 = v + (v >> 7).
template <class V>
inline typename V::Reg multiplyHalf(typename V::Reg sPlain, typename V::Reg dHigh) {
    return V::mulhi16(dHigh, V::add16(sPlain, V::template srli16<7>(sPlain)));
}

// The blend of one mode. bytes: b for a register of pixels (bytes 0-2
// exact, byte 3 any). high: b << 8 per 16-bit lane, given d already widened.
template <class V, BlendMode Mode>
struct VectorBlend;

template <class V>
struct VectorBlend<V, BlendMode::Normal> {
    using Reg = typename V::Reg;
    static Reg bytes(Reg s, Reg) { return s; }
    static Halves<V> high(Reg s, Reg, const Halves<V>&) { return widenHigh<V>(s); }
};

template <class V>
struct VectorBlend<V, BlendMode::Add> {
    using Reg = typename V::Reg;
    static Reg bytes(Reg s, Reg d) { return V::addSaturate8(d, s); }
    static Halves<V> high(Reg s, Reg d, const Halves<V>&) { return widenHigh<V>(bytes(s, d)); }
};

template <class V>
struct VectorBlend<V, BlendMode::Subtract> {
    using Reg = typename V::Reg;
    static Reg bytes(Reg s, Reg d) { return V::subtractSaturate8(d, s); }
    static Halves<V> high(Reg s, Reg d, const Halves<V>&) { return widenHigh<V>(bytes(s, d)); }
};

template <class V>
struct VectorBlend<V, BlendMode::Multiply> {
    using Reg = typename V::Reg;
    static Reg bytes(Reg s, Reg d) {
        const Halves<V> sPlain = widen<V>(s);
        const Halves<V> dHigh = widenHigh<V>(d);
        return V::pack16(multiplyHalf<V>(sPlain.lo, dHigh.lo), multiplyHalf<V>(sPlain.hi, dHigh.hi));
    }
    static Halves<V> high(Reg s, Reg, const Halves<V>& dHigh) {
        const Halves<V> sPlain = widen<V>(s);
        return Halves<V>{V::template slli16<8>(multiplyHalf<V>(sPlain.lo, dHigh.lo)),
                         V::template slli16<8>(multiplyHalf<V>(sPlain.hi, dHigh.hi))};
    }
};

// Multiply of the complements: 255 − v is v XOR 0xFF, and (255 − d) << 8 is
// (d << 8) XOR 0xFF00.
template <class V>
struct VectorBlend<V, BlendMode::InverseMultiply> {
    using Reg = typename V::Reg;
    static Reg bytes(Reg s, Reg d) {
        const Reg ones = V::set32(0xFFFFFFFFu);
        return VectorBlend<V, BlendMode::Multiply>::bytes(V::xorBits(s, ones), V::xorBits(d, ones));
    }
    static Halves<V> high(Reg s, Reg d, const Halves<V>& dHigh) {
        const Reg highOnes = V::set16(0xFF00);
        return VectorBlend<V, BlendMode::Multiply>::high(
            V::xorBits(s, V::set32(0xFFFFFFFFu)), d,
            Halves<V>{V::xorBits(dHigh.lo, highOnes), V::xorBits(dHigh.hi, highOnes)});
    }
};

// A group of 8 pixels in registers.
template <class V>
struct Group {
    static constexpr int kRegisters = kGroupPixels / V::kPixels;
    typename V::Reg reg[kRegisters];
};

// The weights of a group, one per channel lane, in the layout of widenHigh.
template <class V>
struct GroupWeights {
    Halves<V> reg[Group<V>::kRegisters];
};

// The vector path's weights of a group of pixels.
template <class V, Weighting W>
class VectorWeights;

template <class V>
class VectorWeights<V, Weighting::Constant> {
public:
    explicit VectorWeights(int weight) : weight_(V::set16(weight)) {}
    GroupWeights<V> of(const Group<V>&) const {
        GroupWeights<V> weights;
        for (Halves<V>& w : weights.reg) w = Halves<V>{weight_, weight_};
        return weights;
    }

private:
    typename V::Reg weight_;
};

// Per-pixel weights from the alpha in byte 3. The policy gathers the alphas
// of a group into 16-bit lanes (as densely as its instructions allow; unused
// lanes hold 0), the formula runs on all of them side by side, and the policy
// spreads each weight over its pixel's channel lanes.
// toWeight(a) = (a × 129) >> 7 = a + (a >> 7), lane by lane.
template <class V>
struct AlphaWeight {
    typename V::Reg operator()(typename V::Reg a) const { return V::add16(a, V::template srli16<7>(a)); }
};

// weightSplit(a, o): a × o fits 16 bits (at most 65280); mulhi by 258 is the >> 16.
template <class V>
struct AlphaOpacityWeight {
    typename V::Reg opacity;
    typename V::Reg operator()(typename V::Reg a) const {
        return V::mulhi16(V::mullo16(a, opacity), V::set16(258));
    }
};

template <class V>
class VectorWeights<V, Weighting::Alpha> {
public:
    explicit VectorWeights(int) {}
    GroupWeights<V> of(const Group<V>& s) const { return V::weighAlphas(s, AlphaWeight<V>{}); }
};

template <class V>
class VectorWeights<V, Weighting::AlphaOpacity> {
public:
    explicit VectorWeights(int opacityWeight) : weigh_{V::set16(opacityWeight)} {}
    GroupWeights<V> of(const Group<V>& s) const { return V::weighAlphas(s, weigh_); }

private:
    AlphaOpacityWeight<V> weigh_;
};

// One register of pixels on the vector path: unweighted Normal stores s
// whole, every other member leaves byte 3 at 0, as the exact path does.
template <class V, BlendMode Mode, Weighting W>
inline typename V::Reg compose(typename V::Reg s, typename V::Reg d, const Halves<V>& w) {
    const typename V::Reg colorMask = V::set32(kColorMask);
    if constexpr (W == Weighting::None) {
        if constexpr (Mode == BlendMode::Normal) return s;
        else return V::andBits(VectorBlend<V, Mode>::bytes(s, d), colorMask);
    } else {
        const Halves<V> dHigh = widenHigh<V>(d);
        const Halves<V> bHigh = VectorBlend<V, Mode>::high(s, d, dHigh);
        return V::andBits(V::pack16(mixHigh<V>(bHigh.lo, dHigh.lo, w.lo), mixHigh<V>(bHigh.hi, dHigh.hi, w.hi)),
                          colorMask);
    }
}

// Reads 8 source pixels of one format as 32-bit pixels; each policy
// specialises it for its instruction set.
template <class V, PixelFormat Format>
struct VectorReader;

// The 8-pixel vector body of a path over policy V.
template <class V>
struct VectorPath {
    // A fill's weight is the same for every pixel (Constant) or there is none.
    template <BlendMode Mode, Weighting W>
    class FillBody {
    public:
        FillBody(uint32_t color, int weight) : color_(V::set32(color)), weight_(V::set16(weight)) {}
        void operator()(uint8_t* target) const {
            for (int i = 0; i < Group<V>::kRegisters; ++i) {
                uint8_t* const p = target + i * V::kPixels * 4;
                if constexpr (Mode == BlendMode::Normal && W == Weighting::None) {
                    V::store(p, color_);
                } else {
                    V::store(p, compose<V, Mode, W>(color_, V::load(p), Halves<V>{weight_, weight_}));
                }
            }
        }

    private:
        typename V::Reg color_;
        typename V::Reg weight_;
    };

    template <BlendMode Mode, PixelFormat Format, Weighting W>
    class BlitBody {
    public:
        explicit BlitBody(int opacityWeight) : weights_(opacityWeight) {}
        void operator()(uint8_t* target, const uint8_t* source) const {
            const Group<V> s = VectorReader<V, Format>::read(source);
            if constexpr (W == Weighting::None) {
                for (int i = 0; i < Group<V>::kRegisters; ++i) {
                    uint8_t* const p = target + i * V::kPixels * 4;
                    if constexpr (Mode == BlendMode::Normal) V::store(p, s.reg[i]);
                    else V::store(p, compose<V, Mode, W>(s.reg[i], V::load(p), Halves<V>{}));
                }
            } else {
                const GroupWeights<V> w = weights_.of(s);
                for (int i = 0; i < Group<V>::kRegisters; ++i) {
                    uint8_t* const p = target + i * V::kPixels * 4;
                    V::store(p, compose<V, Mode, W>(s.reg[i], V::load(p), w.reg[i]));
                }
            }
        }

    private:
        // Unweighted members keep a constant weight they never use.
        VectorWeights<V, W == Weighting::None ? Weighting::Constant : W> weights_;
    };
};

}  // namespace tessary::kernels

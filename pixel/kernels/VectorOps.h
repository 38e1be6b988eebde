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

// A register of pixels with one channel per 16-bit lane, split by masks and
// shifts instead of byte shuffles (those compete for one execution port and
// were the bottleneck): `even` holds blue and red (bytes 0 and 2 of each
// pixel), `odd` green and byte 3. Both halves keep the pixel order, so one
// weight per pixel serves both: it only has to fill its pixel's 32-bit lane.
template <class V>
struct Channels {
    typename V::Reg even;
    typename V::Reg odd;
};

// Each channel c as c << 8 in its lane: the form mulhi wants, see mixHigh.
// Byte 3 becomes 0, so whatever is mixed from it stays 0.
template <class V>
inline Channels<V> widenHigh(typename V::Reg v) {
    return Channels<V>{V::template slli16<8>(v), V::andBits(v, V::set32(0x0000FF00u))};
}

// Each channel as it is, one per lane (byte 3's lane is left as it comes).
template <class V>
inline Channels<V> widen(typename V::Reg v) {
    return Channels<V>{V::andBits(v, V::set16(0x00FF)), V::template srli16<8>(v)};
}

// The pixels back from channels of at most 255 each.
template <class V>
inline typename V::Reg narrow(const Channels<V>& c) {
    return V::orBits(c.even, V::template slli16<8>(c.odd));
}

// mixSplit per lane. With b and d given as value << 8, mulhi(value << 8, w)
// is exactly (value × w) >> 8: each product is truncated on its own, as the
// split formula wants, in one instruction. The two add up to at most 255.
template <class V>
inline typename V::Reg mixHigh(typename V::Reg bHigh, typename V::Reg dHigh, typename V::Reg w) {
    const typename V::Reg inverse = V::sub16(V::set16(256), w);
    return V::add16(V::mulhi16(bHigh, w), V::mulhi16(dHigh, inverse));
}

// (toWeight(s) × d) >> 8 per lane, s plain and d given as d << 8;
// toWeight(v) = (v × 129) >> 7 = v + (v >> 7).
template <class V>
inline typename V::Reg multiplyLanes(typename V::Reg sPlain, typename V::Reg dHigh) {
    return V::mulhi16(dHigh, V::add16(sPlain, V::template srli16<7>(sPlain)));
}

// The blend of one mode. bytes: b for a register of pixels, bytes 0-2 exact
// (byte 3 any). high: b << 8 per channel lane, byte 3's lane 0, given d
// already widened by widenHigh.
template <class V, BlendMode Mode>
struct VectorBlend;

template <class V>
struct VectorBlend<V, BlendMode::Normal> {
    using Reg = typename V::Reg;
    static Reg bytes(Reg s, Reg) { return s; }
    static Channels<V> high(Reg s, Reg, const Channels<V>&) { return widenHigh<V>(s); }
};

template <class V>
struct VectorBlend<V, BlendMode::Add> {
    using Reg = typename V::Reg;
    static Reg bytes(Reg s, Reg d) { return V::addSaturate8(d, s); }
    static Channels<V> high(Reg s, Reg d, const Channels<V>&) { return widenHigh<V>(bytes(s, d)); }
};

template <class V>
struct VectorBlend<V, BlendMode::Subtract> {
    using Reg = typename V::Reg;
    static Reg bytes(Reg s, Reg d) { return V::subtractSaturate8(d, s); }
    static Channels<V> high(Reg s, Reg d, const Channels<V>&) { return widenHigh<V>(bytes(s, d)); }
};

template <class V>
struct VectorBlend<V, BlendMode::Multiply> {
    using Reg = typename V::Reg;
    static Channels<V> lanes(Reg s, const Channels<V>& dHigh) {
        const Channels<V> sPlain = widen<V>(s);
        return Channels<V>{multiplyLanes<V>(sPlain.even, dHigh.even), multiplyLanes<V>(sPlain.odd, dHigh.odd)};
    }
    static Reg bytes(Reg s, Reg d) { return narrow<V>(lanes(s, widenHigh<V>(d))); }
    static Channels<V> high(Reg s, Reg, const Channels<V>& dHigh) {
        const Channels<V> b = lanes(s, dHigh);
        return Channels<V>{V::template slli16<8>(b.even), V::template slli16<8>(b.odd)};
    }
};

// Multiply of the complements: 255 − v is v XOR 0xFF, and (255 − d) << 8 is
// (d << 8) XOR 0xFF00 (byte 3's lane stays 0).
template <class V>
struct VectorBlend<V, BlendMode::InverseMultiply> {
    using Reg = typename V::Reg;
    using Multiply = VectorBlend<V, BlendMode::Multiply>;
    static Reg bytes(Reg s, Reg d) {
        const Reg ones = V::set32(0xFFFFFFFFu);
        return Multiply::bytes(V::xorBits(s, ones), V::xorBits(d, ones));
    }
    static Channels<V> high(Reg s, Reg d, const Channels<V>& dHigh) {
        const Channels<V> complement{V::xorBits(dHigh.even, V::set16(0xFF00)),
                                     V::xorBits(dHigh.odd, V::set32(0x0000FF00u))};
        return Multiply::high(V::xorBits(s, V::set32(0xFFFFFFFFu)), d, complement);
    }
};

// A group of 8 pixels in registers.
template <class V>
struct Group {
    static constexpr int kRegisters = kGroupPixels / V::kPixels;
    typename V::Reg reg[kRegisters];
};

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

// The vector path's weight of each pixel of a register, in every 16-bit lane
// of the pixel's 32-bit lane.
template <class V, Weighting W>
class VectorWeights;

template <class V>
class VectorWeights<V, Weighting::Constant> {
public:
    explicit VectorWeights(int weight) : weight_(V::set16(weight)) {}
    typename V::Reg of(typename V::Reg) const { return weight_; }

private:
    typename V::Reg weight_;
};

// From the alpha in byte 3: the formula runs in the low 16 bits of each
// pixel's lane (the high 16 bits stay 0), then the weight is copied up.
template <class V, class Weigh>
inline typename V::Reg weighAlphas(typename V::Reg s, const Weigh& weigh) {
    const typename V::Reg w = weigh(V::template srli32<24>(s));
    return V::orBits(w, V::template slli32<16>(w));
}

template <class V>
class VectorWeights<V, Weighting::Alpha> {
public:
    explicit VectorWeights(int) {}
    typename V::Reg of(typename V::Reg s) const { return weighAlphas<V>(s, AlphaWeight<V>{}); }
};

template <class V>
class VectorWeights<V, Weighting::AlphaOpacity> {
public:
    explicit VectorWeights(int opacityWeight) : weigh_{V::set16(opacityWeight)} {}
    typename V::Reg of(typename V::Reg s) const { return weighAlphas<V>(s, weigh_); }

private:
    AlphaOpacityWeight<V> weigh_;
};

// One register of pixels on the vector path: unweighted Normal stores s
// whole, every other member leaves byte 3 at 0, as the exact path does.
template <class V, BlendMode Mode, Weighting W>
inline typename V::Reg compose(typename V::Reg s, typename V::Reg d, typename V::Reg w) {
    if constexpr (W == Weighting::None) {
        if constexpr (Mode == BlendMode::Normal) return s;
        else if constexpr (Mode == BlendMode::Add || Mode == BlendMode::Subtract)
            return V::andBits(VectorBlend<V, Mode>::bytes(s, d), V::set32(kColorMask));
        else return VectorBlend<V, Mode>::bytes(s, d);  // byte 3 multiplied by 0
    } else {
        const Channels<V> dHigh = widenHigh<V>(d);
        const Channels<V> bHigh = VectorBlend<V, Mode>::high(s, d, dHigh);
        return narrow<V>(Channels<V>{mixHigh<V>(bHigh.even, dHigh.even, w), mixHigh<V>(bHigh.odd, dHigh.odd, w)});
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
                    V::store(p, compose<V, Mode, W>(color_, V::load(p), weight_));
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
            for (int i = 0; i < Group<V>::kRegisters; ++i) {
                uint8_t* const p = target + i * V::kPixels * 4;
                if constexpr (Mode == BlendMode::Normal && W == Weighting::None) {
                    V::store(p, s.reg[i]);
                } else {
                    V::store(p, compose<V, Mode, W>(s.reg[i], V::load(p), weights_.of(s.reg[i])));
                }
            }
        }

    private:
        // Unweighted members keep a constant weight they never use.
        VectorWeights<V, W == Weighting::None ? Weighting::Constant : W> weights_;
    };
};

}  // namespace tessary::kernels

#pragma once
// A 32-bit target pixel as one word: blue in bits 0-7, green 8-15, red 16-23,
// byte 3 in bits 24-31. Loads and stores go through memcpy so that a word can
// sit at any address without undefined behaviour; on x86 each is one move.

#include <cstdint>
#include <cstring>

namespace tessary::kernels {

constexpr bool kBigEndian = __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__;

inline uint32_t loadWord(const uint8_t* p) {
    uint32_t v;
    std::memcpy(&v, p, sizeof v);
    if constexpr (kBigEndian) v = __builtin_bswap32(v);
    return v;
}

inline void storeWord(uint8_t* p, uint32_t v) {
    if constexpr (kBigEndian) v = __builtin_bswap32(v);
    std::memcpy(p, &v, sizeof v);
}

constexpr uint32_t kColorMask = 0x00FFFFFFu;
// Red and blue share one word as two 16-bit lanes (bits 0-15 and 16-31);
// green gets its own lane (bits 8-23). A channel times a weight of at most
// 256 stays inside its lane, so one multiply serves two channels.
constexpr uint32_t kRedBlueMask = 0x00FF00FFu;
constexpr uint32_t kGreenMask = 0x0000FF00u;

constexpr uint32_t channelOf(uint32_t pixel, int shift) { return (pixel >> shift) & 0xFFu; }

}  // namespace tessary::kernels

#include "pixel/kernels/StoreRun.h"

#include <cstring>

#include "pixel/kernels/PixelWord.h"

namespace tessary::kernels {

namespace {
// Below this, starting a string instruction costs more than it saves.
constexpr std::size_t kStringStorePixels = 64;
}  // namespace

void storeRun(uint8_t* p, std::size_t count, uint32_t pixel) {
    if (pixel == (pixel & 0xFFu) * 0x01010101u) {
        std::memset(p, static_cast<int>(pixel & 0xFFu), count * 4);
        return;
    }
#if defined(__x86_64__)
    // The string store is what memset itself uses for runs of this size: the
    // processor writes whole cache lines, beyond what vector stores reach.
    if (count >= kStringStorePixels) {
        void* destination = p;
        std::size_t remaining = count;
        asm volatile("rep stosl" : "+D"(destination), "+c"(remaining) : "a"(pixel) : "memory");
        return;
    }
#endif
    for (std::size_t i = 0; i < count; ++i) storeWord(p + i * 4, pixel);
}

// memmove: a source that shares its pixels with the target must not be undefined behaviour.
void copyRun(uint8_t* p, const uint8_t* source, std::size_t count) { std::memmove(p, source, count * 4); }

}  // namespace tessary::kernels

#include "pixel/MemoryHelper.h"

#include <cstdint>
#include <limits>
#include <new>

namespace tessary {

ByteBuffer MemoryHelper::allocate(std::size_t size) {
    if (size > std::numeric_limits<std::size_t>::max() - kExtraBytes) throw std::bad_alloc();
    uint8_t* raw = new uint8_t[size + kExtraBytes];
    const auto rawAddress = reinterpret_cast<std::uintptr_t>(raw);
    const std::uintptr_t base = (rawAddress + kPageSize - 1) & ~std::uintptr_t{kPageSize - 1};
    uint8_t* data = raw + (base - rawAddress) + kDataOffset;
    // The raw block's address lives in the deleter: a 64-bit pointer would not
    // fit in the 4 bytes before the data. Should the shared count fail to
    // allocate, shared_ptr runs the deleter itself.
    return ByteBuffer(data, [raw](uint8_t*) { delete[] raw; });
}

}  // namespace tessary

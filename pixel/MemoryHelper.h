#pragma once
// Page-placed byte buffers for the render workers' band images.

#include <cstddef>

#include "pixel/ByteBuffer.h"

namespace tessary {

class MemoryHelper {
public:
    // Where the data starts relative to a 4096-byte page. The band layout (which
    // pixels of a row reach 16-byte alignment, and so which take the exact
    // path) depends on it, so it is fixed on every build, whatever the pointer size.
    static constexpr std::size_t kPageSize = 4096;
    static constexpr std::size_t kDataOffset = 4;
    static constexpr std::size_t kExtraBytes = 8196;

    // At least `size` bytes starting kDataOffset bytes past a page boundary,
    // with slack after them. Throws std::bad_alloc when size + kExtraBytes
    // does not fit or the heap is exhausted.
    static ByteBuffer allocate(std::size_t size);
};

}  // namespace tessary

#pragma once
// Runs of plain stores for the two members whose result does not depend on
// the row traversal: the opaque Normal fill without opacity (every pixel
// becomes the colour) and the opaque Bgrx32 Normal copy. Their bytes equal
// what head, body and tail would write, so a whole row, or a whole block of
// rows that follow each other without a gap, is written in one go, as
// memset and memcpy write.

#include <cstddef>
#include <cstdint>

namespace tessary::kernels {

// Writes `count` copies of the 32-bit pixel at p.
void storeRun(uint8_t* p, std::size_t count, uint32_t pixel);

// Copies `count` 32-bit pixels from source to p.
void copyRun(uint8_t* p, const uint8_t* source, std::size_t count);

}  // namespace tessary::kernels

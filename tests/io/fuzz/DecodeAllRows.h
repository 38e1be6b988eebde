#pragma once
// What the PNG fuzz target does with one input, shared with the unit test that
// replays the inputs kept from earlier fuzzing.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tessary::fuzzing {

// Decodes every row of data with PngLoader over an in-memory stream. Returns
// true when all rows decoded, false when the loader refused the input with
// its IoException; any other error propagates (and is a fault).
bool decodeAllRows(const uint8_t* data, std::size_t size);

// A copy of data in which every complete chunk carries its correct CRC, so
// that mutated inputs reach the decoder instead of stopping at the checksum.
std::vector<uint8_t> withCorrectCrcs(const uint8_t* data, std::size_t size);

}  // namespace tessary::fuzzing

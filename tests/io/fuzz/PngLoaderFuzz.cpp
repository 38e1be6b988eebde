// libFuzzer entry: arbitrary bytes through the PNG loader, every row decoded.
// Each input is tried as given and, when that changes it, with every chunk's
// CRC corrected, so mutations get past the checksums into the decoder.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "tests/io/fuzz/DecodeAllRows.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    tessary::fuzzing::decodeAllRows(data, size);
    const std::vector<uint8_t> corrected = tessary::fuzzing::withCorrectCrcs(data, size);
    if (!std::equal(corrected.begin(), corrected.end(), data))
        tessary::fuzzing::decodeAllRows(corrected.data(), corrected.size());
    return 0;
}

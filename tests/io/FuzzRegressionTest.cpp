// Inputs kept from fuzzing the PNG loader, replayed as the fuzz target runs
// them: each either decodes or is refused with the loader's IoException.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/io/PngFixture.h"
#include "tests/io/fuzz/DecodeAllRows.h"

namespace tessary {
namespace {

TEST(PngFuzzRegressions, EveryKeptInputIsDecodedOrRefused) {
    std::size_t count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(TESSARY_FUZZ_REGRESSION_DIR)) {
        if (!entry.is_regular_file()) continue;
        SCOPED_TRACE(entry.path().filename().string());
        const std::vector<uint8_t> bytes = testing::readFile(entry.path().string());
        EXPECT_NO_THROW(fuzzing::decodeAllRows(bytes.data(), bytes.size()));
        const std::vector<uint8_t> corrected = fuzzing::withCorrectCrcs(bytes.data(), bytes.size());
        EXPECT_NO_THROW(fuzzing::decodeAllRows(corrected.data(), corrected.size()));
        ++count;
    }
    EXPECT_GT(count, 0u);
}

}  // namespace
}  // namespace tessary

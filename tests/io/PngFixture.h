#pragma once
// PNG files made on the spot with libpng for the loader's tests, its fuzz
// seeds and its benchmark, plus the byte surgery that damages them.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tessary::testing {

// One picture as the file stores it. Samples are logical values, one per
// channel, each below 2^bitDepth (palette indices for a palette picture);
// rows follow each other without padding.
struct PngPicture {
    uint32_t width = 0;
    uint32_t height = 0;
    int colorType = 0;  // a PNG_COLOR_TYPE_... code
    int bitDepth = 8;
    bool interlaced = false;
    std::vector<uint16_t> samples;
    std::vector<uint8_t> palette;  // r, g, b per entry
    // The transparency chunk: alphas per palette entry, or the one grey (one
    // value) or RGB (three values) sample that is fully transparent.
    std::optional<std::vector<uint16_t>> transparency;
    int compressionLevel = 6;
    // Extra text chunk written before the image data, for damage tests.
    std::optional<std::string> text;
};

int channelCount(int colorType);

// A picture of the given kind filled with deterministic pseudo-random samples
// (and, for palette pictures, a palette of 2^bitDepth entries at most 256).
PngPicture makeRandomPicture(uint32_t width, uint32_t height, int colorType, int bitDepth, uint32_t seed);

// Encodes with libpng; throws std::runtime_error if libpng refuses.
std::vector<uint8_t> encodePng(const PngPicture& picture);

struct ChunkPosition {
    std::size_t offset;  // of the length field
    uint32_t length;     // of the data
    std::string type;
};

// The chunks after the signature, as far as they are intact in the bytes.
std::vector<ChunkPosition> listChunks(const std::vector<uint8_t>& png);
// Recomputes the CRC of the chunk starting at offset.
void fixCrc(std::vector<uint8_t>& png, const ChunkPosition& chunk);
// Overwrites the width and height in IHDR and fixes its CRC.
void setHeaderSize(std::vector<uint8_t>& png, uint32_t width, uint32_t height);

void writeFile(const std::string& path, const std::vector<uint8_t>& bytes);
std::vector<uint8_t> readFile(const std::string& path);

// A fresh directory under the test temporary directory, removed with all it
// holds when the object goes.
class TemporaryDirectory {
public:
    TemporaryDirectory();
    ~TemporaryDirectory();
    TemporaryDirectory(const TemporaryDirectory&) = delete;
    TemporaryDirectory& operator=(const TemporaryDirectory&) = delete;
    const std::string& getPath() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

}  // namespace tessary::testing

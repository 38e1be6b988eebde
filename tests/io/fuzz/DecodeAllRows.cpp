#include "tests/io/fuzz/DecodeAllRows.h"

#include <zlib.h>

#include <memory>

#include "io/MemoryStreamReader.h"
#include "io/PngLoader.h"
#include "thread/Exception.h"

namespace tessary::fuzzing {

bool decodeAllRows(const uint8_t* data, std::size_t size) {
    try {
        PngLoader loader(std::make_shared<MemoryStreamReader>(data, size));
        // Exactly getPitch() bytes, so any overrun is seen by the sanitizer.
        std::unique_ptr<uint8_t[]> row(new uint8_t[loader.getPitch()]);
        for (uint32_t y = 0; y < loader.getHeight(); ++y)
            loader.load(row.get(), static_cast<int32_t>(loader.getPitch()));
        return true;
    } catch (const IoException&) {
        return false;
    }
}

std::vector<uint8_t> withCorrectCrcs(const uint8_t* data, std::size_t size) {
    std::vector<uint8_t> bytes(data, data + size);
    std::size_t offset = 8;  // after the signature
    while (size >= 12 && offset <= size - 12) {
        const uint32_t length = uint32_t{bytes[offset]} << 24 | uint32_t{bytes[offset + 1]} << 16 |
                                uint32_t{bytes[offset + 2]} << 8 | uint32_t{bytes[offset + 3]};
        if (length > size - 12 - offset) break;
        const uLong crc = crc32(crc32(0L, Z_NULL, 0), &bytes[offset + 4], static_cast<uInt>(length) + 4);
        uint8_t* field = &bytes[offset + 8 + length];
        field[0] = static_cast<uint8_t>(crc >> 24);
        field[1] = static_cast<uint8_t>(crc >> 16);
        field[2] = static_cast<uint8_t>(crc >> 8);
        field[3] = static_cast<uint8_t>(crc);
        offset += std::size_t{length} + 12;
    }
    return bytes;
}

}  // namespace tessary::fuzzing

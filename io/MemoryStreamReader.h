#pragma once
// A stream over bytes held in memory (a copy of its own), with the same
// position rules as FileStreamReader: the position may pass the end, reading
// there delivers nothing, and only the exact end counts as the end.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "io/IStreamReader.h"

namespace tessary {

class MemoryStreamReader : public IStreamReader {
public:
    explicit MemoryStreamReader(std::vector<uint8_t> bytes);
    MemoryStreamReader(const void* bytes, std::size_t size);

    MemoryStreamReader(const MemoryStreamReader&) = delete;
    MemoryStreamReader& operator=(const MemoryStreamReader&) = delete;

protected:
    std::size_t readImpl(void* buffer, std::size_t size) override;
    std::size_t skipImpl(std::size_t count) override;
    bool isEofImpl() override;

    // A position before the start throws IoException "Invalid seek position".
    void seekImpl(int64_t distance, SeekOrigin origin) override;
    int64_t getCursorImpl() override;
    int64_t getLengthImpl() override;

private:
    std::vector<uint8_t> bytes_;
    int64_t position_ = 0;
};

}  // namespace tessary

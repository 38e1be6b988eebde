#pragma once
// Reading a byte stream front to back. The public operations forward unchanged
// to the protected ...Impl operations that implementations override.

#include <cstddef>

namespace tessary {

class ISequentialStreamReader {
public:
    virtual ~ISequentialStreamReader() = default;

    // Returns the bytes delivered; fewer than size only at the end of the stream.
    std::size_t read(void* buffer, std::size_t size) { return readImpl(buffer, size); }
    // Returns how far the position moved.
    std::size_t skip(std::size_t count) { return skipImpl(count); }
    bool isEof() { return isEofImpl(); }

protected:
    ISequentialStreamReader() = default;
    ISequentialStreamReader(const ISequentialStreamReader&) = default;
    ISequentialStreamReader& operator=(const ISequentialStreamReader&) = default;

    virtual std::size_t readImpl(void* buffer, std::size_t size) = 0;
    virtual std::size_t skipImpl(std::size_t count) = 0;
    virtual bool isEofImpl() = 0;
};

}  // namespace tessary

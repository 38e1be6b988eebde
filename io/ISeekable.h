#pragma once
// Positioning inside a stream; positions and lengths are signed byte counts.

#include <cstdint>

#include "io/SeekOrigin.h"

namespace tessary {

class ISeekable {
public:
    virtual ~ISeekable() = default;

    void seek(int64_t distance, SeekOrigin origin) { seekImpl(distance, origin); }
    int64_t getCursor() { return getCursorImpl(); }
    int64_t getLength() { return getLengthImpl(); }

protected:
    ISeekable() = default;
    ISeekable(const ISeekable&) = default;
    ISeekable& operator=(const ISeekable&) = default;

    virtual void seekImpl(int64_t distance, SeekOrigin origin) = 0;
    virtual int64_t getCursorImpl() = 0;
    virtual int64_t getLengthImpl() = 0;
};

}  // namespace tessary

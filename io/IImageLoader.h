#pragma once
// A decoder that hands out an image row by row, top to bottom, in one of the
// Image pixel formats. `load` forwards unchanged to `loadImpl`.

#include <cstdint>

#include "pixel/PixelFormat.h"

namespace tessary {

class IImageLoader {
public:
    virtual ~IImageLoader() = default;

    virtual uint32_t getWidth() const = 0;
    virtual uint32_t getHeight() const = 0;
    virtual PixelFormat getFormat() const = 0;
    // width × bytes per pixel of the format.
    virtual uint32_t getPitch() const = 0;

    // Decodes the next row into row, which has room for getPitch() bytes.
    // Called getHeight() times, for rows 0, 1, 2 … in order.
    void load(uint8_t* row, int32_t pitch) { loadImpl(row, pitch); }

protected:
    IImageLoader() = default;
    IImageLoader(const IImageLoader&) = default;
    IImageLoader& operator=(const IImageLoader&) = default;

    virtual void loadImpl(uint8_t* row, int32_t pitch) = 0;
};

}  // namespace tessary

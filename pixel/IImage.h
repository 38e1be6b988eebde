#pragma once
// The abstract view of a block of pixels that every drawing operation works on.

#include <cstdint>

#include "pixel/PixelFormat.h"

namespace tessary {

class IImage {
public:
    virtual ~IImage() = default;

    virtual int32_t getWidth() const = 0;
    virtual int32_t getHeight() const = 0;
    virtual PixelFormat getFormat() const = 0;
    virtual int32_t getPitch() const = 0;

    // Bracket every access to the bytes; lock() returns row 0. Other
    // implementations may map or pin their pixels here.
    virtual uint8_t* lock() = 0;
    virtual const uint8_t* lock() const = 0;
    virtual void unlock() = 0;
    virtual void unlock() const = 0;

protected:
    IImage() = default;
    IImage(const IImage&) = default;
    IImage& operator=(const IImage&) = default;
};

// Scope guards for the two lock()/unlock() pairs.
class ImageWriteLock {
public:
    explicit ImageWriteLock(IImage& image) : image_(image), pixels_(image.lock()) {}
    ~ImageWriteLock() { image_.unlock(); }
    ImageWriteLock(const ImageWriteLock&) = delete;
    ImageWriteLock& operator=(const ImageWriteLock&) = delete;
    uint8_t* pixels() const { return pixels_; }

private:
    IImage& image_;
    uint8_t* pixels_;
};

class ImageReadLock {
public:
    explicit ImageReadLock(const IImage& image) : image_(image), pixels_(image.lock()) {}
    ~ImageReadLock() { image_.unlock(); }
    ImageReadLock(const ImageReadLock&) = delete;
    ImageReadLock& operator=(const ImageReadLock&) = delete;
    const uint8_t* pixels() const { return pixels_; }

private:
    const IImage& image_;
    const uint8_t* pixels_;
};

}  // namespace tessary

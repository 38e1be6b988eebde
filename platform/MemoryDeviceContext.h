#pragma once
// A window that lives in memory: it keeps the picture as 32-bit pixels and
// records every presentation in the order it arrived. Tests, headless runs and
// benchmarks present into it; any thread may present or read at any time.

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

#include "platform/IDeviceContext.h"

namespace tessary {

class MemoryDeviceContext : public IDeviceContext {
public:
    // Benchmarks present millions of times; they keep only the count.
    enum class Recording { Everything, CountOnly };

    struct Presentation {
        Rect dirty;      // what was written, already clipped to the picture
        int32_t bandTop;
    };

    // The picture starts as `background` everywhere (0x00RRGGBB). Throws
    // std::invalid_argument for a width or height below 1 and
    // std::length_error when the picture does not fit in memory.
    MemoryDeviceContext(int32_t width, int32_t height, uint32_t background = 0,
                        Recording recording = Recording::Everything);

    // Writes the part of `dirty` that lies inside the picture; a presentation
    // that covers no pixel of it is still counted and recorded, with an empty
    // rectangle. The caller guarantees that every row it names lies inside the band.
    void present(const uint8_t* bandRows, int32_t bandPitch, const Rect& dirty, int32_t bandTop) override;

    int32_t getWidth() const { return width_; }
    int32_t getHeight() const { return height_; }

    // 0x00RRGGBB; throws std::out_of_range outside the picture.
    uint32_t getPixel(int32_t x, int32_t y) const;
    // Row-major copy of every pixel, 0x00RRGGBB each.
    std::vector<uint32_t> getPicture() const;

    std::size_t getPresentationCount() const;
    // Empty under Recording::CountOnly.
    std::vector<Presentation> getPresentations() const;
    // Forgets the recorded presentations and restarts the count; the picture stays.
    void clearPresentations();

    // Blocks until at least `count` presentations were counted (since the last
    // clear) or `timeout` passed; true in the first case.
    bool waitForPresentationCount(std::size_t count, std::chrono::milliseconds timeout) const;

private:
    static std::size_t checkedPixelCount(int32_t width, int32_t height);

    const int32_t width_;
    const int32_t height_;
    const Recording recording_;
    mutable std::mutex mutex_;
    mutable std::condition_variable presented_;
    std::vector<uint32_t> pixels_;
    std::vector<Presentation> presentations_;
    std::size_t presentationCount_ = 0;
};

}  // namespace tessary

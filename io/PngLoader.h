#pragma once
// Decodes a PNG stream with libpng: the constructor reads the header and fixes
// the output size and format, each load() delivers the next row.
//
// Output formats: grey (any depth) → Gray8; grey with a transparency chunk or
// with alpha → GrayAlpha16; RGB and palette → Bgr24, or Bgra32 with a
// transparency chunk; RGB with alpha → Bgra32. 16-bit samples keep their high
// byte. Interlaced files give the same picture as their non-interlaced twin:
// they are decoded whole into a private buffer at the first load, so a damaged
// interlaced file fails at its first row.
//
// Errors: "Out of memory" Exception when libpng cannot create its structures;
// "Invalid file format" IoException from the constructor for a bad header or
// an image over the limits below, and from loadImpl for bad image data. After
// a failed load every further load fails the same way.

#include <cstddef>
#include <cstdint>
#include <memory>

#include "io/IImageLoader.h"
#include "io/ISequentialStreamReader.h"

struct png_struct_def;
struct png_info_def;

namespace tessary {

class PngLoader : public IImageLoader {
public:
    // A header claiming more than this is refused before anything large is
    // allocated: at most 16384 pixels either way and 256 MiB of output.
    static constexpr uint32_t kMaxWidth = 16384;
    static constexpr uint32_t kMaxHeight = 16384;
    static constexpr uint64_t kMaxDecodedBytes = uint64_t{256} << 20;
    // Ancillary chunks: at most this many kept, each at most this large.
    static constexpr uint32_t kMaxCachedChunks = 64;
    static constexpr std::size_t kMaxChunkBytes = std::size_t{4} << 20;
    // libpng only warns about a chunk over kMaxChunkBytes and then still
    // tries to allocate its claimed length (up to 2 GiB); its allocator
    // refuses any single block above this instead, which libpng handles as
    // running out of memory for that chunk.
    static constexpr std::size_t kMaxLibpngAllocation = std::size_t{8} << 20;

    // The stream must be positioned at the first byte of the PNG signature.
    explicit PngLoader(std::shared_ptr<ISequentialStreamReader> stream);
    ~PngLoader() override;

    PngLoader(const PngLoader&) = delete;
    PngLoader& operator=(const PngLoader&) = delete;

    uint32_t getWidth() const override { return width_; }
    uint32_t getHeight() const override { return height_; }
    PixelFormat getFormat() const override { return format_; }
    uint32_t getPitch() const override { return width_ * static_cast<uint32_t>(bytesPerPixel(format_)); }

protected:
    // The pitch is not used: one call writes exactly getPitch() bytes. Loading
    // more than getHeight() rows throws std::out_of_range.
    void loadImpl(uint8_t* row, int32_t pitch) override;

private:
    // libpng's read callback: never lets an exception into libpng's frames,
    // it turns every failure into a jump back to the recovery point.
    static void readProc(png_struct_def* png, uint8_t* data, std::size_t length);

    void loadInterlacedRow(uint8_t* row);
    [[noreturn]] void failLoad();

    std::shared_ptr<ISequentialStreamReader> stream_;
    png_struct_def* png_ = nullptr;
    png_info_def* info_ = nullptr;
    png_info_def* endInfo_ = nullptr;
    uint32_t width_ = 0;
    uint32_t height_ = 0;
    PixelFormat format_ = PixelFormat::Gray8;

    bool interlaced_ = false;
    int passes_ = 1;
    uint32_t rowsLoaded_ = 0;
    bool failed_ = false;
    std::unique_ptr<uint8_t[]> picture_;  // whole decoded picture of an interlaced file
};

}  // namespace tessary

#include "io/PngLoader.h"

#include <png.h>

#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <utility>

#include "thread/Exception.h"

namespace tessary {

namespace {

const char* const kConstructor = "tessary::PngLoader::PngLoader";
const char* const kLoad = "tessary::PngLoader::loadImpl";
const char* const kInvalidFormat = "Invalid file format in %s method.";

// libpng's own handlers print to stderr; the loader reports through its
// exceptions alone, so errors only jump back and warnings are dropped.
[[noreturn]] void onPngError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void onPngWarning(png_structp, png_const_charp) {}

png_voidp allocateForPng(png_structp, png_alloc_size_t size) {
    return size <= PngLoader::kMaxLibpngAllocation ? std::malloc(size) : nullptr;
}

void freeForPng(png_structp, png_voidp block) { std::free(block); }

struct Header {
    png_uint_32 width;
    png_uint_32 height;
    int bitDepth;
    int colorType;
    bool interlaced;
    int passes;
    std::size_t rowBytes;
};

// The functions that set libpng's recovery point hold only trivially
// destructible locals and call nothing that throws, so the jump back from an
// error skips no destructor and no exception is ever in flight across libpng.

bool readHeaderProtected(png_structp png, png_infop info, png_rw_ptr readProc, void* loader, Header* header) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_user_limits(png, PngLoader::kMaxWidth, PngLoader::kMaxHeight);
    png_set_chunk_cache_max(png, PngLoader::kMaxCachedChunks);
    png_set_chunk_malloc_max(png, PngLoader::kMaxChunkBytes);
    png_set_read_fn(png, loader, readProc);
    png_read_info(png, info);

    png_uint_32 width = 0;
    png_uint_32 height = 0;
    int bitDepth = 0;
    int colorType = 0;
    int interlace = PNG_INTERLACE_NONE;
    png_get_IHDR(png, info, &width, &height, &bitDepth, &colorType, &interlace, nullptr, nullptr);
    switch (colorType) {
        case PNG_COLOR_TYPE_GRAY:
            if (bitDepth < 8) png_set_expand_gray_1_2_4_to_8(png);
            break;
        case PNG_COLOR_TYPE_PALETTE:
            png_set_palette_to_rgb(png);
            png_set_bgr(png);
            break;
        case PNG_COLOR_TYPE_RGB:
        case PNG_COLOR_TYPE_RGB_ALPHA:
            png_set_bgr(png);
            break;
        default:
            break;
    }
    if (png_get_valid(png, info, PNG_INFO_tRNS) != 0) png_set_tRNS_to_alpha(png);
    if (bitDepth > 8) png_set_strip_16(png);
    header->interlaced = interlace != PNG_INTERLACE_NONE;
    header->passes = header->interlaced ? png_set_interlace_handling(png) : 1;
    png_read_update_info(png, info);

    png_get_IHDR(png, info, &header->width, &header->height, &header->bitDepth, &header->colorType, nullptr,
                 nullptr, nullptr);
    header->rowBytes = png_get_rowbytes(png, info);
    return true;
}

bool readRowProtected(png_structp png, png_bytep row) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_read_row(png, row, nullptr);
    return true;
}

// With interlace handling on, libpng wants every row once per pass and fills
// in the pixels of that pass, leaving the others as they are.
bool readPictureProtected(png_structp png, png_bytep picture, std::size_t rowBytes, png_uint_32 height,
                          int passes) {
    if (setjmp(png_jmpbuf(png))) return false;
    for (int pass = 0; pass < passes; ++pass)
        for (png_uint_32 y = 0; y < height; ++y) png_read_row(png, picture + y * rowBytes, nullptr);
    return true;
}

// The output format of the transformed colour type; false when the
// transformations did not give 8-bit samples in one of the four layouts.
bool outputFormat(const Header& header, PixelFormat* format) {
    if (header.bitDepth != 8) return false;
    switch (header.colorType) {
        case PNG_COLOR_TYPE_GRAY: *format = PixelFormat::Gray8; return true;
        case PNG_COLOR_TYPE_RGB: *format = PixelFormat::Bgr24; return true;
        case PNG_COLOR_TYPE_GRAY_ALPHA: *format = PixelFormat::GrayAlpha16; return true;
        case PNG_COLOR_TYPE_RGB_ALPHA: *format = PixelFormat::Bgra32; return true;
        default: return false;
    }
}

bool withinLimits(const Header& header, PixelFormat format) {
    if (header.width == 0 || header.height == 0) return false;
    if (header.width > PngLoader::kMaxWidth || header.height > PngLoader::kMaxHeight) return false;
    const uint64_t rowBytes = uint64_t{header.width} * uint64_t(bytesPerPixel(format));
    // libpng writes rowBytes per row; it must be exactly the pitch we promise.
    if (header.rowBytes != rowBytes) return false;
    return rowBytes * header.height <= PngLoader::kMaxDecodedBytes;
}

[[noreturn]] void throwInvalidFormat(const char* method) { throw IoException(formatMessage(kInvalidFormat, method)); }

}  // namespace

PngLoader::PngLoader(std::shared_ptr<ISequentialStreamReader> stream) : stream_(std::move(stream)) {
    png_ = png_create_read_struct_2(PNG_LIBPNG_VER_STRING, nullptr, onPngError, onPngWarning, nullptr, allocateForPng,
                                   freeForPng);
    if (png_ == nullptr) throw Exception(formatMessage("Out of memory in %s method.", kConstructor));
    info_ = png_create_info_struct(png_);
    if (info_ == nullptr) {
        png_destroy_read_struct(&png_, nullptr, nullptr);
        throw Exception(formatMessage("Out of memory in %s method.", kConstructor));
    }
    endInfo_ = png_create_info_struct(png_);
    if (endInfo_ == nullptr) {
        png_destroy_read_struct(&png_, &info_, nullptr);
        throw Exception(formatMessage("Out of memory in %s method.", kConstructor));
    }

    Header header{};
    PixelFormat format = PixelFormat::Gray8;
    if (!readHeaderProtected(png_, info_, readProc, this, &header) || !outputFormat(header, &format) ||
        !withinLimits(header, format)) {
        png_destroy_read_struct(&png_, &info_, &endInfo_);
        throwInvalidFormat(kConstructor);
    }
    width_ = header.width;
    height_ = header.height;
    format_ = format;
    interlaced_ = header.interlaced;
    passes_ = header.passes;
}

PngLoader::~PngLoader() {
    if (png_ != nullptr) png_destroy_read_struct(&png_, info_ ? &info_ : nullptr, info_ && endInfo_ ? &endInfo_ : nullptr);
}

void PngLoader::loadImpl(uint8_t* row, int32_t) {
    if (rowsLoaded_ >= height_) throw std::out_of_range("tessary::PngLoader::loadImpl: every row is loaded");
    if (failed_) throwInvalidFormat(kLoad);
    if (interlaced_) {
        loadInterlacedRow(row);
    } else if (!readRowProtected(png_, row)) {
        failLoad();
    }
    ++rowsLoaded_;
}

void PngLoader::loadInterlacedRow(uint8_t* row) {
    const std::size_t pitch = getPitch();
    if (!picture_) {
        // Within the limits checked at construction: at most kMaxDecodedBytes.
        picture_.reset(new uint8_t[pitch * height_]);
        if (!readPictureProtected(png_, picture_.get(), pitch, height_, passes_)) failLoad();
    }
    std::memcpy(row, picture_.get() + rowsLoaded_ * pitch, pitch);
}

void PngLoader::failLoad() {
    // libpng's state after an error is not fit for more reading.
    failed_ = true;
    picture_.reset();
    throwInvalidFormat(kLoad);
}

void PngLoader::readProc(png_struct_def* png, uint8_t* data, std::size_t length) {
    bool failed = false;
    try {
        auto* loader = static_cast<PngLoader*>(png_get_io_ptr(png));
        if (loader->stream_->read(data, length) != length)
            throwInvalidFormat("tessary::PngLoader::readProc");
    } catch (...) {
        failed = true;
    }
    // Outside the handler, so the exception object is gone before the jump.
    if (failed) png_longjmp(png, 1);
}

}  // namespace tessary

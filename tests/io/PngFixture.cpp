#include "tests/io/PngFixture.h"

#include <png.h>
#include <zlib.h>

#include <csetjmp>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace tessary::testing {

namespace {

uint32_t readBigEndian32(const uint8_t* p) {
    return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | uint32_t{p[3]};
}

void writeBigEndian32(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v >> 24);
    p[1] = static_cast<uint8_t>(v >> 16);
    p[2] = static_cast<uint8_t>(v >> 8);
    p[3] = static_cast<uint8_t>(v);
}

// Packs logical samples into PNG rows: sub-byte samples most significant
// first, 16-bit samples big-endian, each row preceded by nothing (libpng adds
// the filter byte).
std::vector<uint8_t> packRows(const PngPicture& p, std::size_t* rowBytes) {
    const std::size_t samplesPerRow = std::size_t{p.width} * static_cast<std::size_t>(channelCount(p.colorType));
    *rowBytes = (samplesPerRow * static_cast<std::size_t>(p.bitDepth) + 7) / 8;
    std::vector<uint8_t> packed(*rowBytes * p.height, 0);
    for (uint32_t y = 0; y < p.height; ++y) {
        uint8_t* row = &packed[y * *rowBytes];
        for (std::size_t i = 0; i < samplesPerRow; ++i) {
            const uint16_t v = p.samples[y * samplesPerRow + i];
            if (p.bitDepth == 16) {
                row[2 * i] = static_cast<uint8_t>(v >> 8);
                row[2 * i + 1] = static_cast<uint8_t>(v);
            } else if (p.bitDepth == 8) {
                row[i] = static_cast<uint8_t>(v);
            } else {
                const std::size_t bit = i * static_cast<std::size_t>(p.bitDepth);
                const int shift = 8 - p.bitDepth - static_cast<int>(bit % 8);
                row[bit / 8] = static_cast<uint8_t>(row[bit / 8] | (v << shift));
            }
        }
    }
    return packed;
}

void appendToVector(png_structp png, png_bytep data, size_t length) {
    bool failed = false;
    try {
        auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
        out->insert(out->end(), data, data + length);
    } catch (...) {
        failed = true;
    }
    if (failed) png_error(png, "out of memory");
}

void flushNothing(png_structp) {}

// Only trivially destructible locals: libpng may jump back here.
bool encodeProtected(png_structp png, png_infop info, const PngPicture* p, png_bytepp rows, png_colorp palette,
                     int paletteSize, png_bytep alphas, int alphaCount, png_color_16p transparentColor,
                     png_textp text) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_IHDR(png, info, p->width, p->height, p->bitDepth, p->colorType,
                 p->interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(png, p->compressionLevel);
    if (paletteSize > 0) png_set_PLTE(png, info, palette, paletteSize);
    if (alphas != nullptr || transparentColor != nullptr) png_set_tRNS(png, info, alphas, alphaCount, transparentColor);
    if (text != nullptr) png_set_text(png, info, text, 1);
    png_write_info(png, info);
    png_write_image(png, rows);
    png_write_end(png, nullptr);
    return true;
}

}  // namespace

int channelCount(int colorType) {
    switch (colorType) {
        case PNG_COLOR_TYPE_GRAY_ALPHA: return 2;
        case PNG_COLOR_TYPE_RGB: return 3;
        case PNG_COLOR_TYPE_RGB_ALPHA: return 4;
        default: return 1;
    }
}

PngPicture makeRandomPicture(uint32_t width, uint32_t height, int colorType, int bitDepth, uint32_t seed) {
    PngPicture p;
    p.width = width;
    p.height = height;
    p.colorType = colorType;
    p.bitDepth = bitDepth;
    uint32_t state = seed * 2654435761u + 1;
    auto next = [&state] {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    };
    const uint32_t levels = 1u << bitDepth;
    const std::size_t count = std::size_t{width} * height * static_cast<std::size_t>(channelCount(colorType));
    if (colorType == PNG_COLOR_TYPE_PALETTE) {
        const uint32_t entries = levels < 256 ? levels : 256;
        for (uint32_t i = 0; i < entries * 3; ++i) p.palette.push_back(static_cast<uint8_t>(next()));
        for (std::size_t i = 0; i < count; ++i) p.samples.push_back(static_cast<uint16_t>(next() % entries));
    } else {
        for (std::size_t i = 0; i < count; ++i) p.samples.push_back(static_cast<uint16_t>(next() % levels));
    }
    return p;
}

std::vector<uint8_t> encodePng(const PngPicture& p) {
    std::size_t rowBytes = 0;
    std::vector<uint8_t> packed = packRows(p, &rowBytes);
    std::vector<png_bytep> rows(p.height);
    for (uint32_t y = 0; y < p.height; ++y) rows[y] = packed.data() + y * rowBytes;

    std::vector<png_color> palette;
    for (std::size_t i = 0; i + 2 < p.palette.size(); i += 3) palette.push_back({p.palette[i], p.palette[i + 1], p.palette[i + 2]});
    std::vector<png_byte> alphas;
    png_color_16 transparentColor{};
    png_color_16p transparentColorPointer = nullptr;
    if (p.transparency) {
        const std::vector<uint16_t>& t = *p.transparency;
        if (p.colorType == PNG_COLOR_TYPE_PALETTE) {
            for (uint16_t a : t) alphas.push_back(static_cast<png_byte>(a));
        } else if (p.colorType == PNG_COLOR_TYPE_GRAY && !t.empty()) {
            transparentColor.gray = t[0];
            transparentColorPointer = &transparentColor;
        } else if (t.size() >= 3) {
            transparentColor.red = t[0];
            transparentColor.green = t[1];
            transparentColor.blue = t[2];
            transparentColorPointer = &transparentColor;
        }
    }
    std::string key = "Comment";
    std::string value = p.text.value_or("");
    png_text text{};
    text.compression = PNG_TEXT_COMPRESSION_NONE;
    text.key = key.data();
    text.text = value.data();

    std::vector<uint8_t> out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    bool ok = false;
    if (info != nullptr) {
        png_set_write_fn(png, &out, appendToVector, flushNothing);
        ok = encodeProtected(png, info, &p, rows.data(), palette.data(), static_cast<int>(palette.size()),
                             alphas.empty() ? nullptr : alphas.data(), static_cast<int>(alphas.size()),
                             transparentColorPointer, p.text ? &text : nullptr);
    }
    png_destroy_write_struct(&png, &info);
    if (!ok) throw std::runtime_error("libpng could not encode the test picture");
    return out;
}

std::vector<ChunkPosition> listChunks(const std::vector<uint8_t>& png) {
    std::vector<ChunkPosition> chunks;
    std::size_t offset = 8;
    while (offset + 12 <= png.size()) {
        const uint32_t length = readBigEndian32(&png[offset]);
        if (length > png.size() - offset - 12) break;
        chunks.push_back({offset, length, std::string(png.begin() + static_cast<std::ptrdiff_t>(offset) + 4,
                                                      png.begin() + static_cast<std::ptrdiff_t>(offset) + 8)});
        offset += std::size_t{length} + 12;
    }
    return chunks;
}

void fixCrc(std::vector<uint8_t>& png, const ChunkPosition& chunk) {
    const uint8_t* typeAndData = &png[chunk.offset + 4];
    const uLong crc = crc32(crc32(0L, Z_NULL, 0), typeAndData, chunk.length + 4);
    writeBigEndian32(&png[chunk.offset + 8 + chunk.length], static_cast<uint32_t>(crc));
}

void setHeaderSize(std::vector<uint8_t>& png, uint32_t width, uint32_t height) {
    const ChunkPosition header = listChunks(png).at(0);
    if (header.type != "IHDR") throw std::runtime_error("the first chunk is not IHDR");
    writeBigEndian32(&png[header.offset + 8], width);
    writeBigEndian32(&png[header.offset + 12], height);
    fixCrc(png, header);
}

void writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
}

std::vector<uint8_t> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TemporaryDirectory::TemporaryDirectory() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tessary-io-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("cannot create a temporary directory");
    path_ = pattern;
}

TemporaryDirectory::~TemporaryDirectory() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

}  // namespace tessary::testing

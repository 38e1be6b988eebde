// The PNG loader against a per-pixel model of its output, for every colour
// type and bit depth, interlaced or not; and which operation refuses which
// damaged or hostile file with which message.

#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <functional>
#include <iterator>
#include <ostream>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "io/LoadImageFile.h"
#include "io/MemoryStreamReader.h"
#include "io/PngLoader.h"
#include "tests/io/PngFixture.h"
#include "thread/Exception.h"

namespace tessary {
namespace {

using testing::PngPicture;

const char* const kHeaderError = "Invalid file format in tessary::PngLoader::PngLoader method.";
const char* const kRowError = "Invalid file format in tessary::PngLoader::loadImpl method.";

struct Decoded {
    uint32_t width = 0;
    uint32_t height = 0;
    PixelFormat format = PixelFormat::Gray8;
    std::vector<uint8_t> bytes;  // rows without gaps
};

std::shared_ptr<ISequentialStreamReader> streamOf(std::vector<uint8_t> bytes) {
    return std::make_shared<MemoryStreamReader>(std::move(bytes));
}

// Decodes row by row into a buffer with a fence after each row, so a load
// that writes past getPitch() is caught.
Decoded decode(std::vector<uint8_t> bytes) {
    constexpr std::size_t kFence = 32;
    PngLoader loader(streamOf(std::move(bytes)));
    Decoded out{loader.getWidth(), loader.getHeight(), loader.getFormat(), {}};
    const std::size_t pitch = loader.getPitch();
    EXPECT_EQ(pitch, std::size_t{loader.getWidth()} * std::size_t(bytesPerPixel(loader.getFormat())));
    std::vector<uint8_t> row(pitch + kFence);
    for (uint32_t y = 0; y < loader.getHeight(); ++y) {
        std::memset(row.data(), 0xA5, row.size());
        loader.load(row.data(), static_cast<int32_t>(pitch));
        const bool fenceIntact = std::all_of(row.begin() + static_cast<std::ptrdiff_t>(pitch), row.end(),
                                             [](uint8_t b) { return b == 0xA5; });
        EXPECT_TRUE(fenceIntact) << "row " << y << " overran its pitch";
        out.bytes.insert(out.bytes.end(), row.begin(), row.begin() + static_cast<std::ptrdiff_t>(pitch));
    }
    return out;
}

uint8_t toEightBits(uint16_t sample, int bitDepth) {
    if (bitDepth == 16) return static_cast<uint8_t>(sample >> 8);  // the high byte is kept
    if (bitDepth == 8) return static_cast<uint8_t>(sample);
    return static_cast<uint8_t>(sample * 255u / ((1u << bitDepth) - 1u));
}

// What the loader must produce, pixel by pixel, from the logical samples.
Decoded model(const PngPicture& p) {
    Decoded out{p.width, p.height, PixelFormat::Gray8, {}};
    const bool hasTransparency = p.transparency.has_value();
    const std::vector<uint16_t> t = p.transparency.value_or(std::vector<uint16_t>{});
    const auto eight = [&p](uint16_t v) { return toEightBits(v, p.bitDepth); };
    std::vector<uint8_t>& o = out.bytes;
    const std::size_t pixels = std::size_t{p.width} * p.height;
    for (std::size_t i = 0; i < pixels; ++i) {
        switch (p.colorType) {
            case PNG_COLOR_TYPE_GRAY: {
                const uint16_t g = p.samples[i];
                out.format = hasTransparency ? PixelFormat::GrayAlpha16 : PixelFormat::Gray8;
                o.push_back(eight(g));
                if (hasTransparency) o.push_back(g == t[0] ? 0 : 255);
                break;
            }
            case PNG_COLOR_TYPE_GRAY_ALPHA:
                out.format = PixelFormat::GrayAlpha16;
                o.push_back(eight(p.samples[2 * i]));
                o.push_back(eight(p.samples[2 * i + 1]));
                break;
            case PNG_COLOR_TYPE_PALETTE: {
                const uint16_t index = p.samples[i];
                out.format = hasTransparency ? PixelFormat::Bgra32 : PixelFormat::Bgr24;
                o.push_back(p.palette[3 * index + 2]);
                o.push_back(p.palette[3 * index + 1]);
                o.push_back(p.palette[3 * index]);
                if (hasTransparency) o.push_back(index < t.size() ? static_cast<uint8_t>(t[index]) : 255);
                break;
            }
            case PNG_COLOR_TYPE_RGB: {
                const uint16_t* s = &p.samples[3 * i];
                out.format = hasTransparency ? PixelFormat::Bgra32 : PixelFormat::Bgr24;
                o.push_back(eight(s[2]));
                o.push_back(eight(s[1]));
                o.push_back(eight(s[0]));
                if (hasTransparency) o.push_back(s[0] == t[0] && s[1] == t[1] && s[2] == t[2] ? 0 : 255);
                break;
            }
            case PNG_COLOR_TYPE_RGB_ALPHA: {
                const uint16_t* s = &p.samples[4 * i];
                out.format = PixelFormat::Bgra32;
                o.push_back(eight(s[2]));
                o.push_back(eight(s[1]));
                o.push_back(eight(s[0]));
                o.push_back(eight(s[3]));
                break;
            }
            default: ADD_FAILURE() << "no model for colour type " << p.colorType;
        }
    }
    return out;
}

// The transparency chunk picks a sample that occurs (the first pixel's), so
// both the transparent and the opaque branch are exercised.
void addTransparency(PngPicture& p) {
    switch (p.colorType) {
        case PNG_COLOR_TYPE_GRAY: p.transparency = std::vector<uint16_t>{p.samples[0]}; break;
        case PNG_COLOR_TYPE_RGB: p.transparency = std::vector<uint16_t>{p.samples[0], p.samples[1], p.samples[2]}; break;
        case PNG_COLOR_TYPE_PALETTE: {
            // Fewer alphas than entries: the rest are opaque.
            std::vector<uint16_t> alphas;
            for (std::size_t i = 0; i < (p.palette.size() / 3 + 1) / 2; ++i) alphas.push_back(static_cast<uint16_t>(i * 37 % 256));
            p.transparency = alphas;
            break;
        }
        default: break;
    }
}

struct FormatCase {
    const char* name;
    int colorType;
    int bitDepth;
    bool transparency;
    PixelFormat expected;
};

void PrintTo(const FormatCase& c, std::ostream* os) { *os << c.name; }

const FormatCase kFormatCases[] = {
    {"grey1", PNG_COLOR_TYPE_GRAY, 1, false, PixelFormat::Gray8},
    {"grey2", PNG_COLOR_TYPE_GRAY, 2, false, PixelFormat::Gray8},
    {"grey4", PNG_COLOR_TYPE_GRAY, 4, false, PixelFormat::Gray8},
    {"grey8", PNG_COLOR_TYPE_GRAY, 8, false, PixelFormat::Gray8},
    {"grey16", PNG_COLOR_TYPE_GRAY, 16, false, PixelFormat::Gray8},
    {"grey1_tRNS", PNG_COLOR_TYPE_GRAY, 1, true, PixelFormat::GrayAlpha16},
    {"grey4_tRNS", PNG_COLOR_TYPE_GRAY, 4, true, PixelFormat::GrayAlpha16},
    {"grey8_tRNS", PNG_COLOR_TYPE_GRAY, 8, true, PixelFormat::GrayAlpha16},
    {"grey16_tRNS", PNG_COLOR_TYPE_GRAY, 16, true, PixelFormat::GrayAlpha16},
    {"greyAlpha8", PNG_COLOR_TYPE_GRAY_ALPHA, 8, false, PixelFormat::GrayAlpha16},
    {"greyAlpha16", PNG_COLOR_TYPE_GRAY_ALPHA, 16, false, PixelFormat::GrayAlpha16},
    {"palette1", PNG_COLOR_TYPE_PALETTE, 1, false, PixelFormat::Bgr24},
    {"palette2", PNG_COLOR_TYPE_PALETTE, 2, false, PixelFormat::Bgr24},
    {"palette4", PNG_COLOR_TYPE_PALETTE, 4, false, PixelFormat::Bgr24},
    {"palette8", PNG_COLOR_TYPE_PALETTE, 8, false, PixelFormat::Bgr24},
    {"palette2_tRNS", PNG_COLOR_TYPE_PALETTE, 2, true, PixelFormat::Bgra32},
    {"palette8_tRNS", PNG_COLOR_TYPE_PALETTE, 8, true, PixelFormat::Bgra32},
    {"rgb8", PNG_COLOR_TYPE_RGB, 8, false, PixelFormat::Bgr24},
    {"rgb16", PNG_COLOR_TYPE_RGB, 16, false, PixelFormat::Bgr24},
    {"rgb8_tRNS", PNG_COLOR_TYPE_RGB, 8, true, PixelFormat::Bgra32},
    {"rgb16_tRNS", PNG_COLOR_TYPE_RGB, 16, true, PixelFormat::Bgra32},
    {"rgba8", PNG_COLOR_TYPE_RGB_ALPHA, 8, false, PixelFormat::Bgra32},
    {"rgba16", PNG_COLOR_TYPE_RGB_ALPHA, 16, false, PixelFormat::Bgra32},
};

class PngFormatTest : public ::testing::TestWithParam<FormatCase> {};

// Every kind of file, at sizes where interlace passes are empty, partial or
// full, decodes to the model; an interlaced file to the same bytes as its
// non-interlaced twin.
TEST_P(PngFormatTest, DecodesToTheModelInterlacedOrNot) {
    const FormatCase& c = GetParam();
    const uint32_t sizes[][2] = {{1, 1}, {3, 2}, {2, 9}, {13, 7}, {33, 17}};
    uint32_t seed = 1;
    for (const auto& size : sizes) {
        PngPicture picture = testing::makeRandomPicture(size[0], size[1], c.colorType, c.bitDepth, seed++);
        if (c.transparency) addTransparency(picture);
        const Decoded expected = model(picture);
        ASSERT_EQ(expected.format, c.expected) << "the model disagrees with the table";
        for (bool interlaced : {false, true}) {
            SCOPED_TRACE(std::to_string(size[0]) + "x" + std::to_string(size[1]) +
                         (interlaced ? " interlaced" : " progressive"));
            picture.interlaced = interlaced;
            const Decoded actual = decode(testing::encodePng(picture));
            EXPECT_EQ(actual.width, size[0]);
            EXPECT_EQ(actual.height, size[1]);
            EXPECT_EQ(actual.format, c.expected);
            EXPECT_EQ(actual.bytes, expected.bytes);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(EveryColourTypeAndDepth, PngFormatTest, ::testing::ValuesIn(kFormatCases),
                         [](const ::testing::TestParamInfo<FormatCase>& c) { return c.param.name; });

PngPicture blankPicture(uint32_t width, uint32_t height, int colorType, int bitDepth) {
    PngPicture p;
    p.width = width;
    p.height = height;
    p.colorType = colorType;
    p.bitDepth = bitDepth;
    return p;
}

// Hand-checked bytes, independent of the model above.
TEST(PngLoaderBytes, RgbComesOutInBgrOrder) {
    PngPicture p = blankPicture(3, 2, PNG_COLOR_TYPE_RGB, 8);
    p.samples = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18};
    const Decoded d = decode(testing::encodePng(p));
    EXPECT_EQ(d.format, PixelFormat::Bgr24);
    EXPECT_EQ(d.bytes, (std::vector<uint8_t>{3, 2, 1, 6, 5, 4, 9, 8, 7, 12, 11, 10, 15, 14, 13, 18, 17, 16}));
}

TEST(PngLoaderBytes, SixteenBitRgbaKeepsTheHighBytes) {
    PngPicture p = blankPicture(2, 1, PNG_COLOR_TYPE_RGB_ALPHA, 16);
    p.samples = {0x1234, 0x5678, 0x9ABC, 0xDEF0, 0xFFFF, 0x00FF, 0x8000, 0x7FFF};
    const Decoded d = decode(testing::encodePng(p));
    EXPECT_EQ(d.format, PixelFormat::Bgra32);
    EXPECT_EQ(d.bytes, (std::vector<uint8_t>{0x9A, 0x56, 0x12, 0xDE, 0x80, 0x00, 0xFF, 0x7F}));
}

TEST(PngLoaderBytes, OneBitGreyBecomesZeroAndFull) {
    PngPicture p = blankPicture(10, 1, PNG_COLOR_TYPE_GRAY, 1);
    p.samples = {1, 0, 0, 1, 1, 0, 1, 0, 0, 1};
    const Decoded d = decode(testing::encodePng(p));
    EXPECT_EQ(d.format, PixelFormat::Gray8);
    EXPECT_EQ(d.bytes, (std::vector<uint8_t>{255, 0, 0, 255, 255, 0, 255, 0, 0, 255}));
}

TEST(PngLoaderBytes, PaletteWithTransparencyGivesBgra) {
    PngPicture p = blankPicture(3, 1, PNG_COLOR_TYPE_PALETTE, 8);
    p.palette = {10, 20, 30, 40, 50, 60, 70, 80, 90};
    p.samples = {2, 0, 1};
    p.transparency = std::vector<uint16_t>{0, 128};  // entry 2 has no alpha: opaque
    const Decoded d = decode(testing::encodePng(p));
    EXPECT_EQ(d.format, PixelFormat::Bgra32);
    EXPECT_EQ(d.bytes, (std::vector<uint8_t>{90, 80, 70, 255, 30, 20, 10, 0, 60, 50, 40, 128}));
}

// Damage in an ancillary chunk is libpng's to ignore; the picture is intact.
TEST(PngLoaderBytes, BrokenCrcInATextChunkIsIgnored) {
    PngPicture p = testing::makeRandomPicture(5, 4, PNG_COLOR_TYPE_RGB, 8, 7);
    p.text = "made by the tests";
    std::vector<uint8_t> bytes = testing::encodePng(p);
    for (const auto& chunk : testing::listChunks(bytes))
        if (chunk.type == "tEXt") bytes[chunk.offset + 8 + chunk.length] ^= 0xFF;
    EXPECT_EQ(decode(bytes).bytes, model(p).bytes);
}

// --- Refusals ---------------------------------------------------------------

void expectIoError(const std::function<void()>& operation, const char* message) {
    try {
        operation();
        ADD_FAILURE() << "no error; expected \"" << message << "\"";
    } catch (const IoException& e) {
        EXPECT_STREQ(e.what(), message);
    } catch (const std::exception& e) {
        ADD_FAILURE() << "wrong error class: " << e.what();
    }
}

std::vector<uint8_t> smallPng(int colorType = PNG_COLOR_TYPE_RGB, int bitDepth = 8) {
    return testing::encodePng(testing::makeRandomPicture(4, 3, colorType, bitDepth, 3));
}

// IHDR data starts 16 bytes in: width, height, depth, colour type,
// compression, filter, interlace.
std::vector<uint8_t> withHeaderByte(std::vector<uint8_t> png, std::size_t index, uint8_t value) {
    const auto header = testing::listChunks(png).at(0);
    png[header.offset + 8 + index] = value;
    testing::fixCrc(png, header);
    return png;
}

std::vector<uint8_t> withSize(std::vector<uint8_t> png, uint32_t width, uint32_t height) {
    testing::setHeaderSize(png, width, height);
    return png;
}

std::vector<uint8_t> firstBytes(std::vector<uint8_t> png, std::size_t count) {
    png.resize(count);
    return png;
}

struct HeaderDamage {
    const char* name;
    std::function<std::vector<uint8_t>()> make;
};

void PrintTo(const HeaderDamage& c, std::ostream* os) { *os << c.name; }

const HeaderDamage kHeaderDamage[] = {
    {"empty", [] { return std::vector<uint8_t>{}; }},
    {"notAPng", [] { return std::vector<uint8_t>{'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0, 0, 0, 0, 0, 0}; }},
    {"signatureOnly", [] { return firstBytes(smallPng(), 8); }},
    {"cutInsideHeader", [] { return firstBytes(smallPng(), 20); }},
    {"cutBeforeImageData",
     [] {
         auto png = smallPng();
         return firstBytes(png, testing::listChunks(png).at(1).offset);
     }},
    {"headerCrcBroken",
     [] {
         auto png = smallPng();
         png[29] ^= 0x01;  // last CRC byte of IHDR
         return png;
     }},
    {"paletteCrcBroken",
     [] {
         auto png = smallPng(PNG_COLOR_TYPE_PALETTE, 4);
         for (const auto& chunk : testing::listChunks(png))
             if (chunk.type == "PLTE") png[chunk.offset + 8 + chunk.length] ^= 0x80;
         return png;
     }},
    {"zeroWidth", [] { return withSize(smallPng(), 0, 3); }},
    {"badBitDepth", [] { return withHeaderByte(smallPng(), 8, 3); }},
    {"badColourType", [] { return withHeaderByte(smallPng(), 9, 5); }},
    {"badInterlaceMethod", [] { return withHeaderByte(smallPng(), 12, 2); }},
    // Hostile sizes, refused before anything of their size is allocated.
    {"widthOverLimit", [] { return withSize(smallPng(), PngLoader::kMaxWidth + 1, 1); }},
    {"heightOverLimit", [] { return withSize(smallPng(), 1, PngLoader::kMaxHeight + 1); }},
    {"largestPngSize", [] { return withSize(smallPng(), 0x7FFFFFFF, 0x7FFFFFFF); }},
    {"bytesOverLimit", [] { return withSize(smallPng(PNG_COLOR_TYPE_RGB_ALPHA), 16384, 16384); }},
    {"bytesJustOverLimit", [] { return withSize(smallPng(PNG_COLOR_TYPE_GRAY_ALPHA), 16384, 8193); }},
};

class PngHeaderDamageTest : public ::testing::TestWithParam<HeaderDamage> {};

TEST_P(PngHeaderDamageTest, ConstructorRefusesIt) {
    const std::vector<uint8_t> bytes = GetParam().make();
    expectIoError([&] { PngLoader loader(streamOf(bytes)); }, kHeaderError);
}

INSTANTIATE_TEST_SUITE_P(Damage, PngHeaderDamageTest, ::testing::ValuesIn(kHeaderDamage),
                         [](const ::testing::TestParamInfo<HeaderDamage>& c) { return c.param.name; });

// The largest picture inside the limits is accepted without allocating it;
// its missing image data fails at the first row.
TEST(PngLoaderLimits, LargestAllowedHeaderIsAcceptedAndFailsOnItsData) {
    PngLoader loader(streamOf(withSize(smallPng(PNG_COLOR_TYPE_GRAY, 8), 16384, 16384)));
    EXPECT_EQ(loader.getWidth(), 16384u);
    EXPECT_EQ(loader.getHeight(), 16384u);
    EXPECT_EQ(loader.getPitch(), 16384u);
    std::vector<uint8_t> row(loader.getPitch());
    expectIoError([&] { loader.load(row.data(), 16384); }, kRowError);
}

// libpng only warns about an ancillary chunk over its size limit and then
// asks for a block of the claimed length; refused that block, it skips the
// chunk header and reads on. The picture after it is intact.
TEST(PngLoaderLimits, AncillaryChunkClaimingTwoGigabytesIsSkippedWithoutAllocatingIt) {
    const PngPicture p = testing::makeRandomPicture(4, 3, PNG_COLOR_TYPE_RGB, 8, 3);
    std::vector<uint8_t> png = testing::encodePng(p);
    const uint8_t claim[] = {0x7F, 0xFF, 0xFF, 0xF0, 't', 'E', 'X', 't'};
    png.insert(png.begin() + 33, std::begin(claim), std::end(claim));  // right after IHDR
    EXPECT_EQ(decode(png).bytes, model(p).bytes);
}

// Loads rows until one fails; returns how many succeeded (all of them equal
// to the model) and checks the failure's message.
uint32_t rowsBeforeFailure(const std::vector<uint8_t>& bytes, const PngPicture& picture) {
    PngLoader loader(streamOf(bytes));
    const Decoded expected = model(picture);
    const std::size_t pitch = loader.getPitch();
    std::vector<uint8_t> row(pitch);
    for (uint32_t y = 0; y < loader.getHeight(); ++y) {
        try {
            loader.load(row.data(), static_cast<int32_t>(pitch));
        } catch (const IoException& e) {
            EXPECT_STREQ(e.what(), kRowError);
            // libpng's state is spent: every later row fails the same way.
            expectIoError([&] { loader.load(row.data(), static_cast<int32_t>(pitch)); }, kRowError);
            return y;
        }
        EXPECT_EQ(0, std::memcmp(row.data(), &expected.bytes[y * pitch], pitch)) << "row " << y;
    }
    ADD_FAILURE() << "every row loaded";
    return loader.getHeight();
}

// Stored (uncompressed) data puts each row at a known place in the file.
PngPicture tallPicture(bool interlaced) {
    PngPicture p = testing::makeRandomPicture(64, 256, PNG_COLOR_TYPE_RGB, 8, 11);
    p.compressionLevel = 0;
    p.interlaced = interlaced;
    return p;
}

TEST(PngLoaderDamage, CutInsideImageDataFailsAtTheFirstMissingRowAfterWritingTheOthers) {
    const PngPicture p = tallPicture(false);
    const std::vector<uint8_t> png = testing::encodePng(p);
    const uint32_t loaded = rowsBeforeFailure(firstBytes(png, png.size() / 2), p);
    EXPECT_GT(loaded, 64u);
    EXPECT_LT(loaded, 256u / 2 + 1);
}

TEST(PngLoaderDamage, CutInterlacedFileFailsAtItsFirstRow) {
    const PngPicture p = tallPicture(true);
    const std::vector<uint8_t> png = testing::encodePng(p);
    EXPECT_EQ(rowsBeforeFailure(firstBytes(png, png.size() - 100), p), 0u);
}

TEST(PngLoaderDamage, BrokenImageDataCrcFailsWhenTheChunkEnds) {
    const PngPicture p = tallPicture(false);
    std::vector<uint8_t> png = testing::encodePng(p);
    std::size_t imageChunks = 0;
    for (const auto& chunk : testing::listChunks(png)) {
        if (chunk.type != "IDAT") continue;
        if (imageChunks++ == 0) png[chunk.offset + 8 + chunk.length] ^= 0x10;
    }
    ASSERT_GT(imageChunks, 2u) << "the test needs several image data chunks";
    const uint32_t loaded = rowsBeforeFailure(png, p);
    EXPECT_GT(loaded, 0u);
    EXPECT_LT(loaded, 256u);
}

TEST(PngLoaderDamage, BrokenCompressedStreamFailsAtTheFirstRow) {
    const PngPicture p = tallPicture(false);
    std::vector<uint8_t> png = testing::encodePng(p);
    for (const auto& chunk : testing::listChunks(png)) {
        if (chunk.type != "IDAT") continue;
        png[chunk.offset + 8] = 0x00;  // the zlib header no longer checks
        testing::fixCrc(png, chunk);
        break;
    }
    EXPECT_EQ(rowsBeforeFailure(png, p), 0u);
}

TEST(PngLoaderDamage, LoadingMoreRowsThanTheHeightIsRefused) {
    PngLoader loader(streamOf(smallPng()));
    std::vector<uint8_t> row(loader.getPitch());
    for (uint32_t y = 0; y < loader.getHeight(); ++y) loader.load(row.data(), 0);
    EXPECT_THROW(loader.load(row.data(), 0), std::out_of_range);
}

// A stream that fails once a given number of bytes has been handed out.
class FailingStream : public ISequentialStreamReader {
public:
    FailingStream(std::vector<uint8_t> bytes, std::size_t failAfter, bool throwStandard)
        : inner_(std::move(bytes)), left_(failAfter), throwStandard_(throwStandard) {}

protected:
    std::size_t readImpl(void* buffer, std::size_t size) override {
        if (size > left_) {
            if (throwStandard_) throw std::runtime_error("the device went away");
            throw 42;  // not even a standard exception
        }
        left_ -= size;
        return inner_.read(buffer, size);
    }
    std::size_t skipImpl(std::size_t count) override { return inner_.skip(count); }
    bool isEofImpl() override { return inner_.isEof(); }

private:
    MemoryStreamReader inner_;
    std::size_t left_;
    bool throwStandard_;
};

TEST(PngLoaderStreamFailure, ItSurfacesAsTheRunningOperationsFormatError) {
    const PngPicture p = tallPicture(false);
    const std::vector<uint8_t> png = testing::encodePng(p);
    for (bool standard : {true, false}) {
        SCOPED_TRACE(standard ? "std::runtime_error" : "int");
        expectIoError([&] { PngLoader loader(std::make_shared<FailingStream>(png, 20, standard)); }, kHeaderError);
        PngLoader loader(std::make_shared<FailingStream>(png, png.size() / 2, standard));
        std::vector<uint8_t> row(loader.getPitch());
        expectIoError(
            [&] {
                for (uint32_t y = 0; y < loader.getHeight(); ++y) loader.load(row.data(), 0);
            },
            kRowError);
    }
}

// --- Whole files --------------------------------------------------------------

TEST(LoadImageFile, FillsAnImageWithEveryRow) {
    testing::TemporaryDirectory dir;
    const PngPicture p = testing::makeRandomPicture(7, 5, PNG_COLOR_TYPE_RGB_ALPHA, 8, 5);
    testing::writeFile(dir.file("picture.png"), testing::encodePng(p));
    const std::shared_ptr<Image> image = loadImageFile(dir.file("picture.png").c_str());
    ASSERT_TRUE(image);
    EXPECT_EQ(image->getWidth(), 7);
    EXPECT_EQ(image->getHeight(), 5);
    EXPECT_EQ(image->getFormat(), PixelFormat::Bgra32);
    EXPECT_EQ(image->getPitch(), 28);
    const std::vector<uint8_t> expected = model(p).bytes;
    EXPECT_EQ(0, std::memcmp(image->lock(), expected.data(), expected.size()));
    image->unlock();
}

TEST(LoadImageFile, MissingFileThrowsTheOpenError) {
    testing::TemporaryDirectory dir;
    try {
        loadImageFile(dir.file("absent.png").c_str());
        ADD_FAILURE() << "no error";
    } catch (const Win32Exception& e) {
        EXPECT_STREQ(e.what(), "CreateFileA API failed in tessary::FileStreamReader::FileStreamReader method.");
        EXPECT_EQ(e.getErrorCode(), uint32_t{ENOENT});
    }
}

TEST(LoadImageFile, DamagedFileThrowsTheLoadersError) {
    testing::TemporaryDirectory dir;
    const std::vector<uint8_t> png = testing::encodePng(tallPicture(false));
    testing::writeFile(dir.file("cut.png"), firstBytes(png, png.size() / 2));
    testing::writeFile(dir.file("text.png"), {'h', 'e', 'l', 'l', 'o'});
    expectIoError([&] { loadImageFile(dir.file("cut.png").c_str()); }, kRowError);
    expectIoError([&] { loadImageFile(dir.file("text.png").c_str()); }, kHeaderError);
}

}  // namespace
}  // namespace tessary

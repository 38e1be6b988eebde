// Decoding one 1024 × 1024 RGBA PNG file with loadImageFile, beside libpng's
// simplified API reading the same file into the same BGRA layout. Both
// allocate their output every time. The file is written once, before the runs.

#include <benchmark/benchmark.h>
#include <png.h>

#include <cstdint>
#include <memory>
#include <string>

#include "io/LoadImageFile.h"
#include "tests/io/PngFixture.h"

namespace {

using tessary::testing::PngPicture;

constexpr uint32_t kSize = 1024;

// Smooth colour fields with a little noise: compresses like a photo-ish
// sprite sheet rather than like a flat fill or like pure noise.
PngPicture makePicture() {
    PngPicture p;
    p.width = kSize;
    p.height = kSize;
    p.colorType = PNG_COLOR_TYPE_RGB_ALPHA;
    p.bitDepth = 8;
    p.samples.reserve(std::size_t{kSize} * kSize * 4);
    uint32_t noise = 12345;
    for (uint32_t y = 0; y < kSize; ++y) {
        for (uint32_t x = 0; x < kSize; ++x) {
            noise = noise * 1103515245u + 12345u;
            const uint32_t jitter = (noise >> 16) & 7;
            p.samples.push_back(static_cast<uint16_t>((x / 4 + jitter) & 255));
            p.samples.push_back(static_cast<uint16_t>((y / 4 + jitter) & 255));
            p.samples.push_back(static_cast<uint16_t>(((x + y) / 8) & 255));
            p.samples.push_back(static_cast<uint16_t>(x < 64 || y < 64 ? x ^ y : 255));
        }
    }
    return p;
}

const std::string& pictureFile() {
    static tessary::testing::TemporaryDirectory dir;
    static const std::string path = [] {
        const std::string file = dir.file("picture-1024.png");
        tessary::testing::writeFile(file, tessary::testing::encodePng(makePicture()));
        return file;
    }();
    return path;
}

void BM_LoadImageFile(benchmark::State& state) {
    const std::string& path = pictureFile();
    for (auto _ : state) {
        std::shared_ptr<tessary::Image> image = tessary::loadImageFile(path.c_str());
        benchmark::DoNotOptimize(image->lock());
        image->unlock();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * kSize * kSize * 4);
}

void BM_LibpngSimplifiedApi(benchmark::State& state) {
    const std::string& path = pictureFile();
    for (auto _ : state) {
        png_image image{};
        image.version = PNG_IMAGE_VERSION;
        if (!png_image_begin_read_from_file(&image, path.c_str())) {
            state.SkipWithError(image.message);
            break;
        }
        image.format = PNG_FORMAT_BGRA;
        std::unique_ptr<uint8_t[]> pixels(new uint8_t[PNG_IMAGE_SIZE(image)]);
        if (!png_image_finish_read(&image, nullptr, pixels.get(), 0, nullptr)) {
            state.SkipWithError(image.message);
            break;
        }
        benchmark::DoNotOptimize(pixels.get());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * kSize * kSize * 4);
}

BENCHMARK(BM_LoadImageFile)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_LibpngSimplifiedApi)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_LoadImageFile)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_LibpngSimplifiedApi)->Unit(benchmark::kMillisecond)->MinTime(1.0);

}  // namespace

BENCHMARK_MAIN();

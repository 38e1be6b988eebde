// Blit throughput: the opaque Bgrx32 copy against memcpy of the same bytes,
// three blending cases against pixman's OVER/ADD with a solid mask on the
// same pixels, and every member of the family on every kernel path.

#include <benchmark/benchmark.h>
#include <pixman.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "PixelBenchSupport.h"
#include "pixel/Blit.h"
#include "pixel/Image.h"

namespace {

using namespace tessary;
using namespace tessary::bench;

const char* const kModeNames[] = {"Normal", "Add", "Subtract", "Multiply", "InverseMultiply"};
const char* const kFormatNames[] = {"Gray8", "Bgr24", "GrayAlpha16", "Bgra32", "Bgrx32"};

std::shared_ptr<Image> makeSource(const TargetSize& size, PixelFormat format) {
    auto image = std::make_shared<Image>(size.width, size.height, format);
    std::mt19937 random(11);
    const std::size_t bytes = std::size_t(image->getPitch()) * std::size_t(size.height) + Image::kSlackBytes;
    for (std::size_t i = 0; i < bytes; ++i) image->lock()[i] = static_cast<uint8_t>(random());
    return image;
}

void setPixels(benchmark::State& state, const TargetSize& size) {
    state.SetItemsProcessed(state.iterations() * int64_t{size.width} * size.height);
}

std::string memberName(BlendMode mode, PixelFormat format, uint8_t opacity) {
    return std::string(kFormatNames[static_cast<int>(format)]) + "/" + kModeNames[static_cast<int>(mode)] +
           (opacity < 255 ? "+opacity" + std::to_string(opacity) : "");
}

std::string registerBlit(KernelPath path, const TargetSize& size, const std::shared_ptr<Image>& target,
                         PixelFormat format, BlendMode mode, uint8_t opacity) {
    const std::string name = "blit/" + std::string(getKernelPathName(path)) + "/" + memberName(mode, format, opacity) +
                             "/" + size.name;
    auto source = makeSource(size, format);
    benchmark::RegisterBenchmark(name.c_str(), [=](benchmark::State& state) {
        const Rect rect{0, 0, size.width, size.height};
        for (auto _ : state) {
            blit(path, Point{0, 0}, nullptr, *source, *target, mode, rect, opacity);
            benchmark::ClobberMemory();
        }
        setPixels(state, size);
    });
    return name;
}

// pixman composites a 32-bit source (it has no 8-bit gray or gray-alpha
// source without a palette) through a solid mask of the opacity.
std::string registerPixman(const TargetSize& size, const std::shared_ptr<Image>& target, pixman_op_t op,
                           pixman_format_code_t sourceFormat, uint8_t opacity, const std::string& name) {
    const std::string fullName = name + "/" + size.name;
    auto source = makeSource(size, PixelFormat::Bgra32);
    benchmark::RegisterBenchmark(fullName.c_str(), [=](benchmark::State& state) {
        auto destination = wrapForPixman(*target, PIXMAN_x8r8g8b8);
        auto pixmanSource = wrapForPixman(*source, sourceFormat);
        auto mask = pixmanSolid(0, 0, 0, opacity);
        for (auto _ : state) {
            pixman_image_composite32(op, pixmanSource->image, mask->image, destination->image, 0, 0, 0, 0, 0, 0,
                                     size.width, size.height);
            benchmark::ClobberMemory();
        }
        setPixels(state, size);
    });
    return fullName;
}

void registerAll(RatioReporter& reporter) {
    for (const TargetSize& size : kSizes) {
        auto target = makeBandImage(size);
        const std::string suffix = std::string("/") + size.name;

        auto copySource = makeSource(size, PixelFormat::Bgrx32);
        const std::string memcpyName = "memcpy" + suffix;
        benchmark::RegisterBenchmark(memcpyName.c_str(), [=](benchmark::State& state) {
            const std::size_t bytes = std::size_t(size.width) * 4 * std::size_t(size.height);
            for (auto _ : state) {
                std::memcpy(target->lock(), copySource->lock(), bytes);
                benchmark::ClobberMemory();
            }
            setPixels(state, size);
        });
        const std::string overName =
            registerPixman(size, target, PIXMAN_OP_OVER, PIXMAN_a8r8g8b8, 128, "pixman_over_8888+mask128");
        const std::string addGrayName =
            registerPixman(size, target, PIXMAN_OP_ADD, PIXMAN_x8r8g8b8, 100, "pixman_add_x888+mask100");
        const std::string addGrayAlphaName =
            registerPixman(size, target, PIXMAN_OP_ADD, PIXMAN_a8r8g8b8, 64, "pixman_add_8888+mask64");

        struct NamedCase {
            PixelFormat format;
            BlendMode mode;
            uint8_t opacity;
            std::string baseline;
        };
        const NamedCase named[] = {
            {PixelFormat::Bgrx32, BlendMode::Normal, 255, memcpyName},
            {PixelFormat::Bgra32, BlendMode::Normal, 128, overName},
            {PixelFormat::Gray8, BlendMode::Add, 100, addGrayName},
            {PixelFormat::GrayAlpha16, BlendMode::Add, 64, addGrayAlphaName},
        };
        for (const KernelPath path : supportedPaths()) {
            for (const NamedCase& c : named) {
                const std::string name = registerBlit(path, size, target, c.format, c.mode, c.opacity);
                reporter.addRatio(memberName(c.mode, c.format, c.opacity) + " " + size.name + " " +
                                      getKernelPathName(path) + " vs " + c.baseline.substr(0, c.baseline.find('/')),
                                  name, c.baseline);
            }
        }

        // Every member on the band, on every path, and what AVX2 gains over SSE2.
        if (size.height != kSizes[0].height) continue;
        for (int f = 0; f < kPixelFormatCount; ++f)
            for (int m = 0; m < kBlendModeCount; ++m)
                for (const uint8_t opacity : {uint8_t{255}, uint8_t{200}}) {
                    const auto format = static_cast<PixelFormat>(f);
                    const auto mode = static_cast<BlendMode>(m);
                    const bool alreadyNamed =
                        format == PixelFormat::Bgrx32 && mode == BlendMode::Normal && opacity == 255;
                    if (alreadyNamed) continue;
                    for (const KernelPath path : supportedPaths()) registerBlit(path, size, target, format, mode, opacity);
                    if (!isKernelPathSupported(KernelPath::Avx2)) continue;
                    const std::string member = memberName(mode, format, opacity);
                    reporter.addRatio(member + suffix + " avx2 vs sse2", "blit/avx2/" + member + suffix,
                                      "blit/sse2/" + member + suffix);
                }
    }
}

}  // namespace

int main(int argc, char** argv) {
    RatioReporter reporter;
    registerAll(reporter);
    return runWithRatios(argc, argv, reporter);
}

#pragma once
// What the fill and blit benchmarks share: band- and frame-sized targets laid
// out like the render workers' band images, and a reporter that prints, after
// the usual table, each kernel's speed as a ratio to its baselines measured
// in the same run.

#include <benchmark/benchmark.h>
#include <pixman.h>

#include <cstdint>
#include <cstdio>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "pixel/Image.h"
#include "pixel/KernelPath.h"
#include "pixel/MemoryHelper.h"

namespace tessary::bench {

struct TargetSize {
    const char* name;
    int32_t width;
    int32_t height;
};

// A band (cache-resident) and a whole frame.
constexpr TargetSize kSizes[] = {{"band", 800, 10}, {"frame", 800, 620}};

inline std::shared_ptr<Image> makeBandImage(const TargetSize& size) {
    const std::size_t bytes = std::size_t(size.width) * 4 * std::size_t(size.height);
    auto image = std::make_shared<Image>(size.width, size.height, size.width * 4, MemoryHelper::allocate(bytes));
    std::mt19937 random(7);
    for (std::size_t i = 0; i < bytes; ++i) image->lock()[i] = static_cast<uint8_t>(random());
    return image;
}

inline std::vector<KernelPath> supportedPaths() {
    std::vector<KernelPath> paths;
    for (int32_t p = 0; p < kKernelPathCount; ++p)
        if (isKernelPathSupported(static_cast<KernelPath>(p))) paths.push_back(static_cast<KernelPath>(p));
    return paths;
}

// pixman's view of a 32-bit image's pixels (no copy).
struct PixmanImage {
    pixman_image_t* image;
    explicit PixmanImage(pixman_image_t* i) : image(i) {}
    PixmanImage(const PixmanImage&) = delete;
    PixmanImage& operator=(const PixmanImage&) = delete;
    ~PixmanImage() {
        if (image != nullptr) pixman_image_unref(image);
    }
};

inline std::shared_ptr<PixmanImage> wrapForPixman(Image& image, pixman_format_code_t format) {
    return std::make_shared<PixmanImage>(pixman_image_create_bits(format, image.getWidth(), image.getHeight(),
                                                                  reinterpret_cast<uint32_t*>(image.lock()),
                                                                  image.getPitch()));
}

inline std::shared_ptr<PixmanImage> pixmanSolid(uint8_t r, uint8_t g, uint8_t b, uint8_t a) {
    const auto scale = [a](uint8_t v) { return static_cast<uint16_t>(v * a / 255 * 257); };
    const pixman_color_t color{scale(r), scale(g), scale(b), static_cast<uint16_t>(a * 257)};
    return std::make_shared<PixmanImage>(pixman_image_create_solid_fill(&color));
}

// Records every run's time per iteration; every benchmark of one size
// processes the same pixels per iteration, so a ratio of times is a ratio of speeds.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    struct Ratio {
        std::string label;
        std::string kernel;
        std::string baseline;
    };

    void addRatio(std::string label, std::string kernel, std::string baseline) {
        ratios_.push_back(Ratio{std::move(label), std::move(kernel), std::move(baseline)});
    }

    // The machine is shared and noisy: a ratio uses each benchmark's median
    // over its repetitions (a single run stands for itself).
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.error_occurred) continue;
            if (run.run_type == Run::RT_Iteration && run.repetitions <= 1)
                times_[run.benchmark_name()] = run.GetAdjustedCPUTime();
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median")
                times_[run.run_name.str()] = run.GetAdjustedCPUTime();
        }
        ConsoleReporter::ReportRuns(runs);
    }

    void Finalize() override {
        ConsoleReporter::Finalize();
        std::printf("\nspeed ratio = baseline CPU time / kernel CPU time (above 1: the kernel is faster)\n");
        for (const Ratio& ratio : ratios_) {
            const auto kernel = times_.find(ratio.kernel);
            const auto baseline = times_.find(ratio.baseline);
            if (kernel == times_.end() || baseline == times_.end()) continue;
            std::printf("  %-58s %6.2fx  (%s vs %s)\n", ratio.label.c_str(), baseline->second / kernel->second,
                        ratio.kernel.c_str(), ratio.baseline.c_str());
        }
    }

private:
    std::vector<Ratio> ratios_;
    std::map<std::string, double> times_;
};

// Unless the command line says otherwise: short runs, repeated, shown as aggregates.
inline int runWithRatios(int argc, char** argv, RatioReporter& reporter) {
    std::vector<char*> arguments(argv, argv + argc);
    std::vector<std::string> defaults = {"--benchmark_min_time=0.1", "--benchmark_repetitions=3",
                                         "--benchmark_display_aggregates_only=true"};
    for (std::string& flag : defaults) {
        const std::string name = flag.substr(0, flag.find('='));
        bool given = false;
        for (int i = 1; i < argc; ++i) given = given || std::string(argv[i]).rfind(name, 0) == 0;
        if (!given) arguments.push_back(flag.data());
    }
    argc = static_cast<int>(arguments.size());
    argv = arguments.data();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}

}  // namespace tessary::bench

// Fill throughput of every member of the family on every kernel path, beside
// memset of the same bytes and pixman's nearest operation on the same pixels.

#include <benchmark/benchmark.h>
#include <pixman.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "PixelBenchSupport.h"
#include "pixel/Color.h"
#include "pixel/Fill.h"

namespace {

using namespace tessary;
using namespace tessary::bench;

constexpr BlendMode kModes[] = {BlendMode::Normal, BlendMode::Add, BlendMode::Subtract, BlendMode::Multiply,
                                BlendMode::InverseMultiply};
const char* const kModeNames[] = {"Normal", "Add", "Subtract", "Multiply", "InverseMultiply"};

struct Member {
    BlendMode mode;
    bool withOpacity;
    bool translucent;
    std::string name;
};

std::vector<Member> members() {
    std::vector<Member> result;
    for (int m = 0; m < 5; ++m)
        for (const bool withOpacity : {false, true})
            for (const bool translucent : {false, true})
                result.push_back(Member{kModes[m], withOpacity, translucent,
                                        std::string(kModeNames[m]) + (translucent ? "+alpha" : "") +
                                            (withOpacity ? "+opacity" : "")});
    return result;
}

// pixman's nearest operation for a member: a solid source under the matching
// operator, with a solid mask standing for the opacity. pixman has no
// subtract; ADD, the same saturating per-byte work, stands in. MULTIPLY and
// SCREEN run on pixman's general path, so those members are also set against
// OVER, pixman's fastest blending path.
struct PixmanEquivalent {
    std::string name;
    pixman_op_t op;
    bool fill;
};

PixmanEquivalent pixmanEquivalent(const Member& member) {
    const std::string mask = member.withOpacity ? "+mask" : "";
    const std::string alpha = member.translucent ? "+alpha" : "";
    switch (member.mode) {
        case BlendMode::Normal:
            if (!member.withOpacity && !member.translucent) return {"pixman_fill", PIXMAN_OP_SRC, true};
            return {"pixman_over" + alpha + mask, PIXMAN_OP_OVER, false};
        case BlendMode::Add: return {"pixman_add" + alpha + mask, PIXMAN_OP_ADD, false};
        case BlendMode::Subtract: return {"pixman_add" + alpha + mask, PIXMAN_OP_ADD, false};
        case BlendMode::Multiply: return {"pixman_multiply" + alpha + mask, PIXMAN_OP_MULTIPLY, false};
        case BlendMode::InverseMultiply: return {"pixman_screen" + alpha + mask, PIXMAN_OP_SCREEN, false};
    }
    return {"pixman_over", PIXMAN_OP_OVER, false};
}

void setPixels(benchmark::State& state, const TargetSize& size) {
    state.SetItemsProcessed(state.iterations() * int64_t{size.width} * size.height);
    state.SetBytesProcessed(state.iterations() * int64_t{size.width} * size.height * 4);
}

void registerAll(RatioReporter& reporter) {
    const std::vector<Member> all = members();
    for (const TargetSize& size : kSizes) {
        const std::string suffix = std::string("/") + size.name;
        auto target = makeBandImage(size);
        const Rect rect{0, 0, size.width, size.height};

        benchmark::RegisterBenchmark(("memset" + suffix).c_str(), [target, size](benchmark::State& state) {
            const std::size_t bytes = std::size_t(size.width) * 4 * std::size_t(size.height);
            for (auto _ : state) {
                std::memset(target->lock(), 0x5A, bytes);
                benchmark::ClobberMemory();
            }
            setPixels(state, size);
        });

        std::vector<std::string> pixmanDone;
        for (const Member& member : all) {
            const PixmanEquivalent equivalent = pixmanEquivalent(member);
            bool registered = false;
            for (const std::string& name : pixmanDone) registered = registered || name == equivalent.name;
            if (registered) continue;
            pixmanDone.push_back(equivalent.name);
            benchmark::RegisterBenchmark(
                (equivalent.name + suffix).c_str(), [target, size, member, equivalent](benchmark::State& state) {
                    auto destination = wrapForPixman(*target, PIXMAN_x8r8g8b8);
                    auto source = pixmanSolid(200, 100, 50, member.translucent ? 128 : 255);
                    auto mask = pixmanSolid(0, 0, 0, 128);
                    for (auto _ : state) {
                        if (equivalent.fill) {
                            pixman_fill(reinterpret_cast<uint32_t*>(target->lock()), target->getPitch() / 4, 32,
                                        0, 0, size.width, size.height, 0x00C86432);
                        } else {
                            pixman_image_composite32(equivalent.op, source->image,
                                                     member.withOpacity ? mask->image : nullptr, destination->image,
                                                     0, 0, 0, 0, 0, 0, size.width, size.height);
                        }
                        benchmark::ClobberMemory();
                    }
                    setPixels(state, size);
                });
        }

        for (const KernelPath path : supportedPaths()) {
            for (const Member& member : all) {
                const std::string name = "fill/" + std::string(getKernelPathName(path)) + "/" + member.name + suffix;
                benchmark::RegisterBenchmark(name.c_str(), [target, size, member, path, rect](benchmark::State& state) {
                    const Color color =
                        member.translucent ? Color::rgba(200, 100, 50, 128) : Color::rgb(200, 100, 50);
                    const uint8_t opacity = member.withOpacity ? 128 : 255;
                    for (auto _ : state) {
                        fill(path, color, nullptr, *target, member.mode, rect, opacity);
                        benchmark::ClobberMemory();
                    }
                    setPixels(state, size);
                });
                if (path != getBestKernelPath()) continue;
                const std::string label = member.name + " " + size.name;
                if (member.mode == BlendMode::Normal && !member.withOpacity && !member.translucent)
                    reporter.addRatio(label + " vs memset", name, "memset" + suffix);
                reporter.addRatio(label + " vs " + pixmanEquivalent(member).name, name,
                                  pixmanEquivalent(member).name + suffix);
                const bool generalPath =
                    member.mode == BlendMode::Multiply || member.mode == BlendMode::InverseMultiply;
                if (generalPath && (member.withOpacity || member.translucent)) {
                    const Member normal{BlendMode::Normal, member.withOpacity, member.translucent, ""};
                    reporter.addRatio(label + " vs " + pixmanEquivalent(normal).name, name,
                                      pixmanEquivalent(normal).name + suffix);
                }
            }
        }
        // What each wider path gains over SSE2, member by member.
        if (isKernelPathSupported(KernelPath::Avx2)) {
            for (const Member& member : all)
                reporter.addRatio(member.name + " " + size.name + " avx2 vs sse2",
                                  "fill/avx2/" + member.name + suffix, "fill/sse2/" + member.name + suffix);
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    RatioReporter reporter;
    registerAll(reporter);
    return runWithRatios(argc, argv, reporter);
}

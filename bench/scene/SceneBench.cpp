// The demo's scene, composed headless, against two peer compositors and the
// floors of memory traffic.
//
// Tessary runs the demo itself: the Scene with its image files, its unseeded
// `rand` sequence and its update rules, the cursor held still, over the
// in-memory window, through the real frame loop (frame thread, render
// workers, presentation of each band into the window), with 1 render worker
// and with one per processor. A pass of the loop composes a frame and then
// runs the demo's update step, which moves the flakes for the next frame. The
// update begins by asking for the cursor, so each pass is split there: its
// composition (snapshot, waking the workers, drawing the dirty bands, copying
// them into the window, waiting for the workers) is the frame time compared
// with the peers; the update step and the whole pass are reported beside it.
//
// The peers replay the very frames Tessary composed, recorded once from the
// same demo run beforehand: per frame the same dirty rectangles (one per
// band) and in each the same sprites in the same order, clipped to it, drawn
// straight into a window-sized picture (no band buffer, no copy). Which
// sprites reach which rectangle is worked out before the clock starts. See
// peers/PixmanScene.h and peers/SdlScene.h for exactly what each one calls.
// memset and memcpy of each frame's presented bytes are the floors.
//
// Every contender composes frames 2 .. 1 + warm-up + frames of the same run
// of the demo; the warm-up frames are not timed. The contenders take turns in
// rounds, so that a change in the machine's load falls on all of them. Times
// are wall-clock medians over all timed frames of all rounds.
//
// Options: --frames=N (timed frames per round, default 600), --rounds=N
// (default 3), --warm-up=N (default 20), --only=NAME (time only the contender
// whose name starts with NAME, for a profiler; no table). Google Benchmark's
// flags are ignored.

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/Scene.h"
#include "bench/peers/PixmanScene.h"
#include "bench/peers/SdlScene.h"
#include "bench/scene/DemoRecording.h"
#include "bench/scene/HeadlessDemo.h"
#include "bench/scene/SceneStatistics.h"
#include "pixel/KernelPath.h"
#include "platform/ProcessorCount.h"
#include "screen/WorkerCount.h"

namespace {

using namespace tessary;
using namespace tessary::bench;
using Clock = std::chrono::steady_clock;

struct Options {
    uint64_t frames = 600;
    uint32_t rounds = 3;
    uint64_t warmUp = 20;
    std::string only;
};

bool readOption(const char* argument, const char* name, uint64_t* value) {
    const std::size_t length = std::strlen(name);
    if (std::strncmp(argument, name, length) != 0 || argument[length] != '=') return false;
    char* end = nullptr;
    const unsigned long long parsed = std::strtoull(argument + length + 1, &end, 10);
    if (end == argument + length + 1 || *end != '\0' || parsed == 0 || parsed > 100000) {
        throw std::invalid_argument(std::string("bad value in ") + argument);
    }
    *value = parsed;
    return true;
}

Options readOptions(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        uint64_t rounds = options.rounds;
        if (readOption(argv[i], "--frames", &options.frames) || readOption(argv[i], "--warm-up", &options.warmUp)) {
            continue;
        }
        if (readOption(argv[i], "--rounds", &rounds)) {
            options.rounds = static_cast<uint32_t>(rounds);
            continue;
        }
        if (std::strncmp(argv[i], "--only=", 7) == 0) {
            options.only = argv[i] + 7;
            continue;
        }
        if (std::strncmp(argv[i], "--benchmark_", 12) == 0) continue;
        throw std::invalid_argument(std::string("unknown option ") + argv[i]);
    }
    return options;
}

// The demo reads its images from the current directory; the build writes them
// into the build directory, where `make bench` runs this program.
void findDemoImages() {
#ifdef TESSARY_DEMO_IMAGE_DIR
    if (access("load.gra", R_OK) != 0 && chdir(TESSARY_DEMO_IMAGE_DIR) != 0) {
        throw std::runtime_error(std::string("cannot enter ") + TESSARY_DEMO_IMAGE_DIR);
    }
#endif
}

double toMs(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

struct Contender {
    std::string name;
    std::vector<double> frameMs;
};

struct PassTimes {
    std::vector<double> passMs;
    std::vector<double> updateMs;
};

// Frames firstTimed .. lastFrame of the demo composed by Tessary's frame loop.
void timeTessary(WorkerCount workers, uint64_t lastFrame, uint64_t firstTimed, Contender& contender,
                 PassTimes& passes, std::vector<uint32_t>* picture) {
    HeadlessDemo demo(std::move(workers), MemoryDeviceContext::Recording::CountOnly);
    std::vector<Clock::time_point> updateStarts(lastFrame + 1);
    std::vector<Clock::time_point> passEnds(lastFrame + 1);
    demo.run(
        lastFrame, [&](uint64_t pass) { passEnds[pass] = Clock::now(); },
        [&](uint64_t pass) { updateStarts[pass] = Clock::now(); });
    for (uint64_t pass = firstTimed; pass <= lastFrame; ++pass) {
        contender.frameMs.push_back(toMs(updateStarts[pass] - passEnds[pass - 1]));
        passes.updateMs.push_back(toMs(passEnds[pass] - updateStarts[pass]));
        passes.passMs.push_back(toMs(passEnds[pass] - passEnds[pass - 1]));
    }
    if (picture != nullptr) *picture = demo.getWindow().getPicture();
}

RecordedFrame wholeWindowFrame(const RecordedFrame& frame) {
    RecordedFrame whole;
    whole.commands = frame.commands;
    DirtyArea area{Rect{0, 0, HeadlessDemo::kWidth, HeadlessDemo::kHeight}, {}};
    for (uint32_t i = 0; i < whole.commands.size(); ++i) area.commands.push_back(i);
    whole.areas.push_back(std::move(area));
    return whole;
}

void timePeer(IFrameCompositor& peer, const std::vector<RecordedFrame>& frames, std::size_t firstTimed,
              Contender& contender) {
    // Frame 1 is not recorded; the first recorded frame over the whole
    // window stands in for it, so that the picture is complete.
    peer.compose(wholeWindowFrame(frames.front()));
    for (std::size_t i = 0; i < frames.size(); ++i) {
        const auto begin = Clock::now();
        peer.compose(frames[i]);
        const auto end = Clock::now();
        if (i >= firstTimed) contender.frameMs.push_back(toMs(end - begin));
    }
}

enum class Floor { Memset, Memcpy };

void timeFloor(Floor floor, const std::vector<RecordedFrame>& frames, std::size_t firstTimed, Contender& contender) {
    const std::size_t windowBytes = std::size_t(HeadlessDemo::kWidth) * HeadlessDemo::kHeight * 4;
    static std::vector<uint8_t> source(windowBytes, 0x5A);
    static std::vector<uint8_t> target(windowBytes, 0);
    for (std::size_t i = firstTimed; i < frames.size(); ++i) {
        const auto bytes = static_cast<std::size_t>(frames[i].getPresentedBytes());
        const auto begin = Clock::now();
        if (floor == Floor::Memset) {
            std::memset(target.data(), static_cast<int>(i), bytes);
        } else {
            std::memcpy(target.data(), source.data(), bytes);
        }
        asm volatile("" : : "r"(target.data()) : "memory");
        contender.frameMs.push_back(toMs(Clock::now() - begin));
    }
}

// The same fixed amount of plain arithmetic on one thread and split over
// `threads`: how much faster the machine lets that many threads be right now.
double timeArithmetic(uint32_t threads) {
    constexpr uint64_t kSteps = 40000000;
    const auto begin = Clock::now();
    std::vector<std::thread> pool;
    for (uint32_t t = 0; t < threads; ++t) {
        pool.emplace_back([threads] {
            uint64_t x = 1;
            for (uint64_t i = 0; i < kSteps / threads; ++i) x = x * 6364136223846793005u + 1442695040888963407u;
            asm volatile("" : : "r"(x));
        });
    }
    for (std::thread& thread : pool) thread.join();
    return toMs(Clock::now() - begin);
}

void printTable(const Options& options, const std::vector<RecordedFrame>& frames, std::size_t firstTimed,
                const std::vector<Contender>& contenders, const PassTimes& single, const PassTimes& parallel,
                double machineSpeedup, uint32_t processors) {
    std::vector<double> bytes;
    double drawn = 0;
    for (std::size_t i = firstTimed; i < frames.size(); ++i) {
        bytes.push_back(static_cast<double>(frames[i].getPresentedBytes()));
        for (const DirtyArea& area : frames[i].areas) drawn += static_cast<double>(area.commands.size());
    }
    const double windowBytes = double(HeadlessDemo::kWidth) * HeadlessDemo::kHeight * 4;
    const double timedFrames = static_cast<double>(frames.size() - firstTimed);
    std::printf("\nThe demo's scene, %d x %d, cursor held at (%d, %d): frames %zu .. %zu of one demo run, "
                "%u rounds, kernel path %s\n",
                HeadlessDemo::kWidth, HeadlessDemo::kHeight, HeadlessDemo::kCursor.x, HeadlessDemo::kCursor.y,
                firstTimed + 2, frames.size() + 1, options.rounds, getKernelPathName(getBestKernelPath()));
    std::printf("bytes presented per frame: median %.0f (%.0f%% of the window); %.1f dirty rectangles and %.0f "
                "sprite draws per frame on average\n",
                median(bytes), 100.0 * median(bytes) / windowBytes,
                static_cast<double>(frames.back().areas.size()), drawn / timedFrames);
    const double pixmanMs = median(contenders[2].frameMs);
    std::printf("\n%-30s %12s %10s %8s\n", "composing one frame", "median ms", "x pixman", "frames");
    for (const Contender& contender : contenders) {
        const double ms = median(contender.frameMs);
        std::printf("%-30s %12.3f %10.3f %8zu\n", contender.name.c_str(), ms, ms / pixmanMs,
                    contender.frameMs.size());
    }
    const double singleMs = median(contenders[0].frameMs);
    const double parallelMs = median(contenders[1].frameMs);
    const double singlePass = median(single.passMs);
    const double parallelPass = median(parallel.passMs);
    std::printf("\nwhole passes of the frame loop (composition, then the demo's update step): 1 worker %.3f ms "
                "(%.3f x pixman), %u workers %.3f ms (%.3f x pixman); the update step alone %.3f ms\n",
                singlePass, singlePass / pixmanMs, processors, parallelPass, parallelPass / pixmanMs,
                median(single.updateMs));
    std::printf("Tessary, %u workers against 1: composition %.2fx faster, whole pass %.2fx (the machine's own "
                "speedup for plain arithmetic on %u threads, measured in the same rounds: %.2fx)\n",
                processors, singleMs / parallelMs, singlePass / parallelPass, processors, machineSpeedup);
    std::printf("targets: Tessary on 1 worker <= 0.60 x pixman: %.2f (%s); one worker per processor >= 1.8x "
                "faster than 1: %.2fx (%s)\n",
                singleMs / pixmanMs, singleMs / pixmanMs <= 0.6 ? "met" : "missed", singleMs / parallelMs,
                singleMs / parallelMs >= 1.8 ? "met" : "missed");
}

void printPictureCheck(const char* name, const std::vector<uint32_t>& reference, const std::vector<uint32_t>& picture) {
    const PictureDifference d = comparePictures(reference, picture);
    std::printf("picture of the last frame, %s against Tessary on 1 worker: %.3f%% of pixels differ, %.3f%% by "
                "more than 2 in a channel, at most by %d\n",
                name, 100.0 * d.differentShare, 100.0 * d.farShare, d.maxChannelDifference);
}

int runBenchmark(const Options& options) {
    findDemoImages();
    const uint64_t lastFrame = 1 + options.warmUp + options.frames;
    const std::size_t firstTimedIndex = static_cast<std::size_t>(options.warmUp);  // frame warmUp + 2
    const uint64_t firstTimedPass = options.warmUp + 2;
    const uint32_t processors = getProcessorCount();

    std::printf("scene_bench: the demo's scene composed by Tessary, pixman and SDL2's blitter\n");
    std::printf("recording %llu frames of the demo...\n", static_cast<unsigned long long>(lastFrame));
    std::fflush(stdout);
    const DemoRecording recording(lastFrame);
    const std::vector<RecordedFrame>& frames = recording.getFrames();
    PixmanScene pixman(HeadlessDemo::kWidth, HeadlessDemo::kHeight);
    pixman.prepare(frames);
    SdlScene sdl(HeadlessDemo::kWidth, HeadlessDemo::kHeight);
    sdl.prepare(frames);

    std::vector<Contender> contenders{{"Tessary, 1 worker", {}},
                                      {"Tessary, " + std::to_string(processors) + " workers", {}},
                                      {"pixman", {}},
                                      {"SDL2 blitter", {}},
                                      {"memset (floor)", {}},
                                      {"memcpy (floor)", {}}};
    PassTimes singlePasses;
    PassTimes parallelPasses;
    std::vector<uint32_t> singlePicture;
    std::vector<uint32_t> parallelPicture;
    double arithmeticSingle = 0;
    double arithmeticParallel = 0;
    const auto runs = [&](std::size_t contender) {
        return options.only.empty() || contenders[contender].name.rfind(options.only, 0) == 0;
    };
    for (uint32_t round = 0; round < options.rounds; ++round) {
        std::printf("round %u of %u...\n", round + 1, options.rounds);
        std::fflush(stdout);
        if (runs(0)) {
            timeTessary(singleWorker(), lastFrame, firstTimedPass, contenders[0], singlePasses,
                        round == 0 ? &singlePicture : nullptr);
        }
        if (runs(2)) timePeer(pixman, frames, firstTimedIndex, contenders[2]);
        if (runs(1)) {
            timeTessary(onePerProcessor(), lastFrame, firstTimedPass, contenders[1], parallelPasses,
                        round == 0 ? &parallelPicture : nullptr);
        }
        if (runs(3)) timePeer(sdl, frames, firstTimedIndex, contenders[3]);
        if (runs(4)) timeFloor(Floor::Memset, frames, firstTimedIndex, contenders[4]);
        if (runs(5)) timeFloor(Floor::Memcpy, frames, firstTimedIndex, contenders[5]);
        if (!options.only.empty()) continue;
        arithmeticSingle += timeArithmetic(1);
        arithmeticParallel += timeArithmetic(processors);
    }
    if (!options.only.empty()) {
        for (const Contender& contender : contenders) {
            if (!contender.frameMs.empty()) {
                std::printf("%s: median %.3f ms per frame\n", contender.name.c_str(), median(contender.frameMs));
            }
        }
        return 0;
    }

    printTable(options, frames, firstTimedIndex, contenders, singlePasses, parallelPasses,
               arithmeticSingle / arithmeticParallel, processors);
    std::printf("\n");
    printPictureCheck(("Tessary on " + std::to_string(processors) + " workers").c_str(), singlePicture,
                      parallelPicture);
    printPictureCheck("pixman", singlePicture, pixman.getPicture());
    printPictureCheck("SDL2 blitter", singlePicture, sdl.getPicture());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        return runBenchmark(readOptions(argc, argv));
    } catch (const std::exception& error) {
        std::fprintf(stderr, "scene_bench: %s\n", error.what());
        return 1;
    }
}

// Counts, from outside the demo program, how many passes its frame loop runs
// and how often it pushes pixels to the display, without changing it: loaded
// with LD_PRELOAD, this library stands between the program and two library
// functions and passes every call on unchanged.
//
// - rand: each pass of the demo's update draws exactly one random number per
//   flake, and nothing else draws any once the scene is built; passes =
//   calls / 900.
// - SDL_UpdateWindowSurfaceRects: one call per push to the display.
//
// Once a second it appends "passes/s P pushes/s U" to the file named by
// TESSARY_PASS_COUNTER_OUT (standard error when unset).

#include <dlfcn.h>
#include <pthread.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr double kFlakes = 900.0;

std::atomic<unsigned long> randCalls{0};
std::atomic<unsigned long> pushes{0};

template <typename Function>
Function nextDefinition(const char* name) {
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

double now() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

void* report(void*) {
    const char* path = std::getenv("TESSARY_PASS_COUNTER_OUT");
    FILE* out = path != nullptr ? std::fopen(path, "a") : stderr;
    if (out == nullptr) return nullptr;
    unsigned long lastCalls = randCalls.load();
    unsigned long lastPushes = pushes.load();
    double lastTime = now();
    for (;;) {
        sleep(1);
        const unsigned long calls = randCalls.load();
        const unsigned long pushed = pushes.load();
        const double time = now();
        const double seconds = time - lastTime;
        std::fprintf(out, "passes/s %.1f pushes/s %.1f\n", static_cast<double>(calls - lastCalls) / kFlakes / seconds,
                     static_cast<double>(pushed - lastPushes) / seconds);
        std::fflush(out);
        lastCalls = calls;
        lastPushes = pushed;
        lastTime = time;
    }
}

// Reports until the program exits; nothing joins it, as nothing could stop it early.
pthread_t reporter;

__attribute__((constructor)) void startReporting() { pthread_create(&reporter, nullptr, report, nullptr); }

}  // namespace

extern "C" {

int rand() {
    static const auto next = nextDefinition<int (*)()>("rand");
    randCalls.fetch_add(1, std::memory_order_relaxed);
    return next();
}

int SDL_UpdateWindowSurfaceRects(void* window, const void* rects, int count) {
    static const auto next = nextDefinition<int (*)(void*, const void*, int)>("SDL_UpdateWindowSurfaceRects");
    pushes.fetch_add(1, std::memory_order_relaxed);
    return next(window, rects, count);
}

}  // extern "C"

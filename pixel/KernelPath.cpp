#include "pixel/KernelPath.h"

#include <stdexcept>

#include "pixel/kernels/KernelTables.h"

namespace tessary {

namespace {

KernelPath detectBestKernelPath() {
#if defined(__x86_64__)
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx2") && isKernelPathSupported(KernelPath::Avx2)) return KernelPath::Avx2;
    return KernelPath::Sse2;
#else
    return KernelPath::Portable;
#endif
}

}  // namespace

bool isKernelPathSupported(KernelPath path) {
    switch (path) {
        case KernelPath::Portable: return true;
#if defined(__x86_64__)
        case KernelPath::Sse2: return true;
        case KernelPath::Avx2: __builtin_cpu_init(); return __builtin_cpu_supports("avx2");
#else
        case KernelPath::Sse2:
        case KernelPath::Avx2: return false;
#endif
    }
    return false;
}

KernelPath getBestKernelPath() {
    static const KernelPath best = detectBestKernelPath();
    return best;
}

const char* getKernelPathName(KernelPath path) {
    switch (path) {
        case KernelPath::Portable: return "portable";
        case KernelPath::Sse2: return "sse2";
        case KernelPath::Avx2: return "avx2";
    }
    return "unknown";
}

namespace kernels {

namespace {
[[noreturn]] void throwUnsupported() {
    throw std::invalid_argument("tessary: the requested kernel path is not supported on this processor");
}
}  // namespace

const FillKernelTable& getFillKernels(KernelPath path) {
    if (!isKernelPathSupported(path)) throwUnsupported();
    switch (path) {
#if defined(__x86_64__)
        case KernelPath::Sse2: return getSse2FillKernels();
        case KernelPath::Avx2: return getAvx2FillKernels();
#endif
        default: return getPortableFillKernels();
    }
}

const BlitKernelTable& getBlitKernels(KernelPath path) {
    if (!isKernelPathSupported(path)) throwUnsupported();
    switch (path) {
#if defined(__x86_64__)
        case KernelPath::Sse2: return getSse2BlitKernels();
        case KernelPath::Avx2: return getAvx2BlitKernels();
#endif
        default: return getPortableBlitKernels();
    }
}

}  // namespace kernels

}  // namespace tessary

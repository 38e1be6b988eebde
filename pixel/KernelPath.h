#pragma once
// Which instruction set the fill and blit kernels run on. Every path draws
// the same bytes; they differ only in speed. fill and blit without a path
// argument use getBestKernelPath().

#include <cstdint>

namespace tessary {

enum class KernelPath : int32_t {
    Portable = 0,  // plain C++, any processor
    Sse2 = 1,      // x86-64 baseline
    Avx2 = 2,      // chosen at run time when the processor has it
};

constexpr int32_t kKernelPathCount = 3;

// True when the path is built into this program and the processor runs it.
bool isKernelPathSupported(KernelPath path);

// The fastest supported path, decided once from the processor's features.
KernelPath getBestKernelPath();

const char* getKernelPathName(KernelPath path);

}  // namespace tessary

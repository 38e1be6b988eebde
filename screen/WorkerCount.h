#pragma once
// How many render workers a Screen's frame thread runs: the one thing in
// which the two programs differ. `tessary` runs one per online processor,
// `tessary-single` exactly one and never asks how many processors there are.

#include <cstdint>
#include <functional>

namespace tessary {

// Asked on the frame thread each time it starts, before any worker exists.
using WorkerCount = std::function<uint32_t()>;

// More is clamped to this many; a thread per processor stays far below it.
constexpr uint32_t kMaxRenderWorkers = 256;

// One worker per online processor (the processor query happens on each call).
WorkerCount onePerProcessor();

// Exactly `count` workers, with no processor query. With 0 the frame thread
// composes every band itself.
WorkerCount fixedWorkers(uint32_t count);

// fixedWorkers(1): the count of `tessary-single`.
WorkerCount singleWorker();

}  // namespace tessary

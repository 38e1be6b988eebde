#pragma once
// How many processors are online: the render-worker count of the program that
// runs one worker per processor.

#include <cstdint>

namespace tessary {

// At least 1: a failed query counts as one processor.
uint32_t getProcessorCount();

}  // namespace tessary

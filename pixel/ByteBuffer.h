#pragma once

#include <cstdint>
#include <memory>

namespace tessary {

// Pixel storage shared between an Image and whoever handed it in; freed by its
// own deleter when the last reference goes.
using ByteBuffer = std::shared_ptr<uint8_t[]>;

}  // namespace tessary

#pragma once
// Decoding a whole PNG file or stream into a new Image.

#include <memory>

#include "io/ISequentialStreamReader.h"
#include "pixel/Image.h"

namespace tessary {

// Opens path read-only with FileStreamReader and decodes it. Throws what the
// file reader or PngLoader throw; on failure no Image is left behind.
std::shared_ptr<Image> loadImageFile(const char* path);

// Decodes a PNG stream positioned at its signature into a new Image.
std::shared_ptr<Image> loadImage(std::shared_ptr<ISequentialStreamReader> stream);

}  // namespace tessary

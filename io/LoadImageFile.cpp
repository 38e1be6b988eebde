#include "io/LoadImageFile.h"

#include <cstdint>
#include <utility>

#include "io/FileStreamReader.h"
#include "io/PngLoader.h"
#include "pixel/IImage.h"

namespace tessary {

std::shared_ptr<Image> loadImageFile(const char* path) { return loadImage(std::make_shared<FileStreamReader>(path)); }

std::shared_ptr<Image> loadImage(std::shared_ptr<ISequentialStreamReader> stream) {
    PngLoader loader(std::move(stream));
    // The loader's limits keep both sizes far inside int32.
    auto image = std::make_shared<Image>(static_cast<int32_t>(loader.getWidth()),
                                         static_cast<int32_t>(loader.getHeight()), loader.getFormat());
    const int32_t pitch = image->getPitch();
    const uint32_t rows = loader.getHeight();
    for (uint32_t r = 0; r < rows; ++r) {
        ImageWriteLock pixels(*image);
        loader.load(pixels.pixels() + std::ptrdiff_t{pitch} * r, pitch);
    }
    return image;
}

}  // namespace tessary

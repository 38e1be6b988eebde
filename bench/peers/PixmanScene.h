#pragma once
// The demo's frames composed with pixman, as a program built on it would:
// every source image converted once to premultiplied a8r8g8b8, one solid
// image per opacity value as the mask, and one pixman_image_composite32 per
// sprite and dirty area, clipped to that area (fills: a solid source, OVER,
// which pixman itself turns into a plain fill for an opaque colour; images:
// OVER for Normal, ADD for Add, the opacity as a solid mask unless it is 255),
// straight into a window-sized x8r8g8b8 picture.

#include <pixman.h>

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "bench/scene/RecordedFrame.h"
#include "pixel/IImage.h"

namespace tessary::bench {

class PixmanScene final : public IFrameCompositor {
public:
    PixmanScene(int32_t width, int32_t height);
    ~PixmanScene() override;
    PixmanScene(const PixmanScene&) = delete;
    PixmanScene& operator=(const PixmanScene&) = delete;

    // Converts every image and colour the frames use; composing converts nothing.
    void prepare(const std::vector<RecordedFrame>& frames);

    const char* getName() const override { return "pixman"; }
    void compose(const RecordedFrame& frame) override;
    std::vector<uint32_t> getPicture() const override;

private:
    struct Source {
        std::vector<uint32_t> pixels;
        pixman_image_t* image = nullptr;
    };

    pixman_image_t* getSolid(uint32_t argb) const;

    std::vector<uint32_t> picture_;
    pixman_image_t* target_ = nullptr;
    pixman_image_t* masks_[256] = {};
    std::map<const IImage*, std::unique_ptr<Source>> sources_;
    std::map<uint32_t, pixman_image_t*> solids_;
};

}  // namespace tessary::bench

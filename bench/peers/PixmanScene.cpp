#include "bench/peers/PixmanScene.h"

#include <algorithm>
#include <new>
#include <stdexcept>

#include "bench/peers/PeerPixels.h"

namespace tessary::bench {

namespace {

uint16_t widen(uint32_t channel) { return static_cast<uint16_t>(channel * 257); }

pixman_image_t* createSolid(uint32_t premultipliedArgb) {
    const pixman_color_t color{widen(premultipliedArgb >> 16 & 0xFF), widen(premultipliedArgb >> 8 & 0xFF),
                               widen(premultipliedArgb & 0xFF), widen(premultipliedArgb >> 24)};
    pixman_image_t* image = pixman_image_create_solid_fill(&color);
    if (image == nullptr) throw std::bad_alloc();
    return image;
}

pixman_op_t operatorFor(BlendMode mode) {
    switch (mode) {
        case BlendMode::Normal: return PIXMAN_OP_OVER;
        case BlendMode::Add: return PIXMAN_OP_ADD;
        default: throw std::invalid_argument("PixmanScene: the demo uses only the Normal and Add modes");
    }
}

}  // namespace

PixmanScene::PixmanScene(int32_t width, int32_t height)
    : picture_(std::size_t(width) * std::size_t(height), 0) {
    target_ = pixman_image_create_bits(PIXMAN_x8r8g8b8, width, height, picture_.data(), width * 4);
    if (target_ == nullptr) throw std::bad_alloc();
    for (uint32_t opacity = 0; opacity < 256; ++opacity) masks_[opacity] = createSolid(opacity << 24);
}

PixmanScene::~PixmanScene() {
    for (auto& entry : solids_) pixman_image_unref(entry.second);
    for (auto& entry : sources_) pixman_image_unref(entry.second->image);
    for (pixman_image_t* mask : masks_) pixman_image_unref(mask);
    pixman_image_unref(target_);
}

void PixmanScene::prepare(const std::vector<RecordedFrame>& frames) {
    for (const RecordedFrame& frame : frames) {
        for (const DrawCommand& command : frame.commands) {
            if (command.kind == DrawKind::Fill) {
                const uint32_t argb = toArgb(command.color);
                if (solids_.count(argb) == 0) solids_[argb] = createSolid(toPremultipliedArgb(argb));
                continue;
            }
            if (command.image == nullptr || sources_.count(command.image) != 0) continue;
            auto source = std::make_unique<Source>();
            const IImage& image = *command.image;
            source->pixels = convertImage(image, AlphaLayout::Premultiplied);
            source->image = pixman_image_create_bits(PIXMAN_a8r8g8b8, image.getWidth(), image.getHeight(),
                                                     source->pixels.data(), image.getWidth() * 4);
            if (source->image == nullptr) throw std::bad_alloc();
            sources_[command.image] = std::move(source);
        }
    }
}

pixman_image_t* PixmanScene::getSolid(uint32_t argb) const { return solids_.at(argb); }

void PixmanScene::compose(const RecordedFrame& frame) {
    for (const DirtyArea& area : frame.areas) {
        for (const uint32_t index : area.commands) {
            const DrawCommand& command = frame.commands[index];
            const Rect& r = command.rect;
            const Rect clip{std::max(r.left, area.rect.left), std::max(r.top, area.rect.top),
                            std::min(r.right, area.rect.right), std::min(r.bottom, area.rect.bottom)};
            if (clip.left >= clip.right || clip.top >= clip.bottom || command.opacity == 0) continue;
            pixman_image_t* mask = command.opacity == 255 ? nullptr : masks_[command.opacity];
            pixman_image_t* source = nullptr;
            int32_t sourceX = 0;
            int32_t sourceY = 0;
            if (command.kind == DrawKind::Fill) {
                source = getSolid(toArgb(command.color));
            } else {
                source = sources_.at(command.image)->image;
                sourceX = clip.left - r.left + command.sourceOrigin.x;
                sourceY = clip.top - r.top + command.sourceOrigin.y;
            }
            pixman_image_composite32(operatorFor(command.blendMode), source, mask, target_, sourceX, sourceY, 0, 0,
                                     clip.left, clip.top, clip.right - clip.left, clip.bottom - clip.top);
        }
    }
}

std::vector<uint32_t> PixmanScene::getPicture() const {
    std::vector<uint32_t> picture(picture_);
    for (uint32_t& pixel : picture) pixel &= 0x00FFFFFFu;
    return picture;
}

}  // namespace tessary::bench

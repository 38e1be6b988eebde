#include "bench/peers/SdlScene.h"

#include <SDL.h>

#include <cstring>
#include <stdexcept>
#include <string>

#include "bench/peers/PeerPixels.h"

namespace tessary::bench {

namespace {

[[noreturn]] void throwSdlError(const char* call) {
    throw std::runtime_error(std::string(call) + " failed: " + SDL_GetError());
}

SDL_BlendMode blendModeFor(BlendMode mode) {
    switch (mode) {
        case BlendMode::Normal: return SDL_BLENDMODE_BLEND;
        case BlendMode::Add: return SDL_BLENDMODE_ADD;
        default: throw std::invalid_argument("SdlScene: the demo uses only the Normal and Add modes");
    }
}

int32_t widthOf(const Rect& r) { return r.right - r.left; }
int32_t heightOf(const Rect& r) { return r.bottom - r.top; }

}  // namespace

SdlScene::SdlScene(int32_t width, int32_t height) {
    target_ = SDL_CreateRGBSurfaceWithFormat(0, width, height, 32, SDL_PIXELFORMAT_XRGB8888);
    if (target_ == nullptr) throwSdlError("SDL_CreateRGBSurfaceWithFormat");
    std::memset(target_->pixels, 0, std::size_t(target_->pitch) * std::size_t(height));
}

SdlScene::~SdlScene() {
    for (auto& entry : images_) SDL_FreeSurface(entry.second->surface);
    for (auto& entry : fills_) SDL_FreeSurface(entry.second->surface);
    SDL_FreeSurface(target_);
}

std::unique_ptr<SdlScene::Source> SdlScene::makeSource(std::vector<uint32_t> pixels, int32_t width,
                                                         int32_t height) {
    auto source = std::make_unique<Source>();
    source->pixels = std::move(pixels);
    source->surface = SDL_CreateRGBSurfaceWithFormatFrom(source->pixels.data(), width, height, 32, width * 4,
                                                         SDL_PIXELFORMAT_ARGB8888);
    if (source->surface == nullptr) throwSdlError("SDL_CreateRGBSurfaceWithFormatFrom");
    return source;
}

bool SdlScene::isPlainFill(const DrawCommand& command) {
    return command.blendMode == BlendMode::Normal && command.opacity == 255 && !command.color.isTranslucent();
}

void SdlScene::prepare(const std::vector<RecordedFrame>& frames) {
    for (const RecordedFrame& frame : frames) {
        for (const DrawCommand& command : frame.commands) {
            if (command.kind == DrawKind::Fill) {
                if (isPlainFill(command)) continue;
                const FillKey key{widthOf(command.rect), heightOf(command.rect), toArgb(command.color)};
                if (fills_.count(key) != 0) continue;
                std::vector<uint32_t> pixels(std::size_t(std::get<0>(key)) * std::size_t(std::get<1>(key)),
                                             std::get<2>(key));
                fills_[key] = makeSource(std::move(pixels), std::get<0>(key), std::get<1>(key));
                continue;
            }
            if (command.image == nullptr || images_.count(command.image) != 0) continue;
            images_[command.image] = makeSource(convertImage(*command.image, AlphaLayout::Straight),
                                                command.image->getWidth(), command.image->getHeight());
        }
    }
}

void SdlScene::draw(const DrawCommand& command) {
    SDL_Rect target{command.rect.left, command.rect.top, widthOf(command.rect), heightOf(command.rect)};
    SDL_Surface* source = nullptr;
    SDL_Rect area{0, 0, target.w, target.h};
    if (command.kind == DrawKind::Fill) {
        const uint32_t argb = toArgb(command.color);
        if (isPlainFill(command)) {
            SDL_FillRect(target_, &target, argb & 0x00FFFFFFu);
            return;
        }
        source = fills_.at(FillKey{target.w, target.h, argb})->surface;
    } else {
        source = images_.at(command.image)->surface;
        area.x = command.sourceOrigin.x;
        area.y = command.sourceOrigin.y;
    }
    SDL_SetSurfaceAlphaMod(source, command.opacity);
    SDL_SetSurfaceBlendMode(source, blendModeFor(command.blendMode));
    SDL_BlitSurface(source, &area, target_, &target);
}

void SdlScene::compose(const RecordedFrame& frame) {
    for (const DirtyArea& area : frame.areas) {
        const SDL_Rect clip{area.rect.left, area.rect.top, widthOf(area.rect), heightOf(area.rect)};
        SDL_SetClipRect(target_, &clip);
        for (const uint32_t index : area.commands) draw(frame.commands[index]);
    }
    SDL_SetClipRect(target_, nullptr);
}

std::vector<uint32_t> SdlScene::getPicture() const {
    const auto width = std::size_t(target_->w);
    const auto height = std::size_t(target_->h);
    std::vector<uint32_t> picture(width * height);
    const auto* rows = static_cast<const uint8_t*>(target_->pixels);
    for (std::size_t y = 0; y < height; ++y) {
        std::memcpy(&picture[y * width], rows + y * std::size_t(target_->pitch), width * 4);
    }
    for (uint32_t& pixel : picture) pixel &= 0x00FFFFFFu;
    return picture;
}

}  // namespace tessary::bench

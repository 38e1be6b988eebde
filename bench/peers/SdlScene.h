#pragma once
// The demo's frames composed with SDL2's software surface blitter, as a
// program built on it would: every source image converted once to an
// ARGB8888 surface, and per sprite and dirty area, with the area as the
// target's clip rectangle, one SDL_BlitSurface after SDL_SetSurfaceAlphaMod
// (the opacity) and SDL_SetSurfaceBlendMode (BLEND for Normal, ADD for Add).
// Opaque Normal fills are SDL_FillRect; translucent fills blit a surface of
// the rectangle's size filled with the colour. The target is a window-sized
// XRGB8888 surface, composed in place. No window and no SDL_Init: the
// blitter works on plain surfaces.

#include <cstdint>
#include <map>
#include <memory>
#include <tuple>
#include <vector>

#include "bench/scene/RecordedFrame.h"
#include "pixel/IImage.h"

struct SDL_Surface;

namespace tessary::bench {

class SdlScene final : public IFrameCompositor {
public:
    SdlScene(int32_t width, int32_t height);
    ~SdlScene() override;
    SdlScene(const SdlScene&) = delete;
    SdlScene& operator=(const SdlScene&) = delete;

    // Converts every image and translucent fill the frames use.
    void prepare(const std::vector<RecordedFrame>& frames);

    const char* getName() const override { return "SDL2 blitter"; }
    void compose(const RecordedFrame& frame) override;
    std::vector<uint32_t> getPicture() const override;

private:
    struct Source {
        std::vector<uint32_t> pixels;
        SDL_Surface* surface = nullptr;
    };
    // Width, height and packed colour of a fill.
    using FillKey = std::tuple<int32_t, int32_t, uint32_t>;

    static std::unique_ptr<Source> makeSource(std::vector<uint32_t> pixels, int32_t width, int32_t height);
    static bool isPlainFill(const DrawCommand& command);
    void draw(const DrawCommand& command);

    SDL_Surface* target_ = nullptr;
    std::map<const IImage*, std::unique_ptr<Source>> images_;
    std::map<FillKey, std::unique_ptr<Source>> fills_;
};

}  // namespace tessary::bench

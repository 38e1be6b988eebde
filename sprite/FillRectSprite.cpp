#include "sprite/FillRectSprite.h"

#include <algorithm>
#include <limits>
#include <utility>

namespace tessary {

FillRectSprite::FillRectSprite(std::weak_ptr<SpriteManager> manager, std::weak_ptr<SpriteDrawer> drawer, int32_t id,
                               const Rect& rect, int32_t zOrder, const Color& color)
    : SpriteBase(std::move(manager), std::move(drawer), id, zOrder), rect_(rect), color_(color) {}

void FillRectSprite::setPosition(int32_t x, int32_t y) {
    // The shift itself may exceed int32 (from INT32_MIN to INT32_MAX), so it is
    // taken in 64 bits; only the far edges can saturate.
    const int64_t dx = int64_t{x} - rect_.left;
    const int64_t dy = int64_t{y} - rect_.top;
    const auto shifted = [](int32_t edge, int64_t delta) {
        const int64_t moved = edge + delta;
        return static_cast<int32_t>(std::clamp<int64_t>(moved, std::numeric_limits<int32_t>::min(),
                                                        std::numeric_limits<int32_t>::max()));
    };
    rect_ = Rect{x, y, shifted(rect_.right, dx), shifted(rect_.bottom, dy)};
}

DrawCommand FillRectSprite::getDrawCommand() const {
    DrawCommand command = makeDrawCommand(DrawKind::Fill);
    command.color = color_;
    return command;
}

}  // namespace tessary

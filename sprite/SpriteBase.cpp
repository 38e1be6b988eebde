#include "sprite/SpriteBase.h"

#include <utility>

#include "sprite/SpriteDrawer.h"
#include "sprite/SpriteManager.h"

namespace tessary {

SpriteBase::SpriteBase(std::weak_ptr<SpriteManager> manager, std::weak_ptr<SpriteDrawer> drawer, int32_t id,
                       int32_t zOrder)
    : manager_(std::move(manager)), drawer_(std::move(drawer)), id_(id), zOrder_(zOrder) {}

void SpriteBase::invalidate() {
    if (const std::shared_ptr<SpriteDrawer> drawer = drawer_.lock()) drawer->invalidate(getRect());
}

void SpriteBase::invalidateOrder() {
    if (const std::shared_ptr<SpriteManager> manager = manager_.lock()) manager->markUnsorted();
}

DrawCommand SpriteBase::makeDrawCommand(DrawKind kind) const {
    DrawCommand command;
    command.kind = kind;
    command.blendMode = blendMode_;
    command.opacity = opacity_;
    command.rect = getRect();
    return command;
}

}  // namespace tessary

#include "sprite/ImageSprite.h"

#include <stdexcept>
#include <utility>

namespace tessary {

ImageSprite::ImageSprite(std::weak_ptr<SpriteManager> manager, std::weak_ptr<SpriteDrawer> drawer, int32_t id,
                         int32_t x, int32_t y, int32_t zOrder, std::shared_ptr<Image> image)
    : SpriteBase(std::move(manager), std::move(drawer), id, zOrder), x_(x), y_(y), image_(std::move(image)) {
    if (!image_) throw std::invalid_argument("ImageSprite: empty image reference");
}

Rect ImageSprite::getRect() const {
    return Rect{x_, y_, saturatingAdd(x_, image_->getWidth()), saturatingAdd(y_, image_->getHeight())};
}

DrawCommand ImageSprite::getDrawCommand() const {
    DrawCommand command = makeDrawCommand(DrawKind::Blit);
    command.sourceOrigin = Point{0, 0};
    command.image = image_.get();
    return command;
}

}  // namespace tessary

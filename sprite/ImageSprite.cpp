#include "sprite/ImageSprite.h"

#include <stdexcept>
#include <utility>

#include "sprite/SpriteDrawer.h"
#include "sprite/SpriteManager.h"

namespace tessary {

ImageSprite::ImageSprite(std::weak_ptr<SpriteManager> manager, std::weak_ptr<SpriteDrawer> drawer, int32_t id,
                         int32_t x, int32_t y, int32_t zOrder, std::shared_ptr<Image> image)
    : manager_(std::move(manager)),
      drawer_(std::move(drawer)),
      id_(id),
      x_(x),
      y_(y),
      zOrder_(zOrder),
      image_(std::move(image)) {
    if (!image_) throw std::invalid_argument("ImageSprite: empty image reference");
}

Rect ImageSprite::getRect() const {
    return Rect{x_, y_, saturatingAdd(x_, image_->getWidth()), saturatingAdd(y_, image_->getHeight())};
}

DrawCommand ImageSprite::getDrawCommand() const {
    DrawCommand command;
    command.kind = DrawKind::Blit;
    command.blendMode = blendMode_;
    command.opacity = opacity_;
    command.rect = getRect();
    command.sourceOrigin = Point{0, 0};
    command.image = image_.get();
    return command;
}

void ImageSprite::invalidate() {
    if (const std::shared_ptr<SpriteDrawer> drawer = drawer_.lock()) drawer->invalidate(getRect());
}

void ImageSprite::invalidateOrder() {
    if (const std::shared_ptr<SpriteManager> manager = manager_.lock()) manager->markUnsorted();
}

}  // namespace tessary

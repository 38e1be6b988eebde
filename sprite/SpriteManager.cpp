#include "sprite/SpriteManager.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

namespace tessary {

SpriteManager::~SpriteManager() {
    // Sprites die in the order they were registered, not in whatever order the
    // vector's destructor happens to pick.
    for (SpriteEntry& entry : entries_) entry.sprite.reset();
}

void SpriteManager::add(std::shared_ptr<ISprite> sprite) {
    if (!sprite) throw std::invalid_argument("SpriteManager::add: empty sprite reference");
    const int32_t id = sprite->getId();
    entries_.push_back(SpriteEntry{id, std::move(sprite)});
    markUnsorted();
}

std::shared_ptr<ISprite> SpriteManager::find(int32_t id) const {
    for (const SpriteEntry& entry : entries_) {
        if (entry.id == id) return entry.sprite;
    }
    return nullptr;
}

void SpriteManager::markUnsorted() { unsorted_ = true; }

void SpriteManager::sortIfUnsorted() {
    if (!unsorted_) return;
    // The key is read afresh at every comparison: a z-order changed since the
    // last sort is the reason we are sorting at all.
    std::sort(entries_.begin(), entries_.end(), [](const SpriteEntry& a, const SpriteEntry& b) {
        return a.sprite->getZOrder() < b.sprite->getZOrder();
    });
    unsorted_ = false;
}

}  // namespace tessary

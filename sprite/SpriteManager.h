#pragma once
// The registry of every sprite of one screen, kept in drawing order (ascending
// z-order). Sorting is lazy: it happens when the drawer starts a frame.

#include <cstdint>
#include <memory>
#include <vector>

#include "sprite/ISprite.h"

namespace tessary {

struct SpriteEntry {
    int32_t id = 0;
    std::shared_ptr<ISprite> sprite;
};

class SpriteManager {
public:
    SpriteManager() = default;
    virtual ~SpriteManager();

    SpriteManager(const SpriteManager&) = delete;
    SpriteManager& operator=(const SpriteManager&) = delete;

    // Appends the sprite and marks the order stale. Throws
    // std::invalid_argument for an empty reference.
    void add(std::shared_ptr<ISprite> sprite);

    // The first entry with this id in the current order; empty if none.
    std::shared_ptr<ISprite> find(int32_t id) const;

    void markUnsorted();
    bool isUnsorted() const { return unsorted_; }

    // Unstable: sprites with equal z-orders may swap places on every sort.
    void sortIfUnsorted();

    const std::vector<SpriteEntry>& getEntries() const { return entries_; }

private:
    bool unsorted_ = false;
    std::vector<SpriteEntry> entries_;
};

}  // namespace tessary

#include "sprite/SpriteDrawer.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <numeric>
#include <stdexcept>
#include <string>
#include <utility>

#include "pixel/Blit.h"
#include "pixel/Fill.h"
#include "sprite/RectOverlap.h"
#include "sprite/SpriteManager.h"

namespace tessary {

namespace {

constexpr uint32_t kMaxExtent = static_cast<uint32_t>(std::numeric_limits<int32_t>::max());

// The band index may hold this many entries per command, plus two per band
// (room for full-height backgrounds); beyond that it would cost more memory
// than the walk it saves.
constexpr uint64_t kIndexEntriesPerCommand = 16;

uint32_t checkedExtent(uint32_t value, const char* name) {
    if (value == 0 || value > kMaxExtent) {
        throw std::invalid_argument(std::string("SpriteDrawer: the target ") + name +
                                    " must be between 1 and 2147483647 pixels, got " + std::to_string(value));
    }
    return value;
}

// How many sprites ahead beginFrame asks for a sprite's memory.
constexpr std::size_t kSnapshotPrefetchDistance = 8;

// How many commands ahead drawBand asks for a command's memory.
constexpr std::size_t kBandPrefetchDistance = 2;

// Hints only: the first two cache lines of an object, where its fields lie.
void prefetchObject(const void* object) {
#if defined(__GNUC__) || defined(__clang__)
    const char* bytes = static_cast<const char*>(object);
    __builtin_prefetch(bytes);
    __builtin_prefetch(bytes + 64);
#else
    (void)object;
#endif
}

void prefetchSprite(const ISprite* sprite) { prefetchObject(sprite); }
void prefetchCommand(const DrawCommand* command) { prefetchObject(command); }

// Bounding box; an empty operand adds nothing.
Rect unite(const Rect& a, const Rect& b) {
    if (isEmpty(a)) return b;
    if (isEmpty(b)) return a;
    return Rect{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                std::max(a.bottom, b.bottom)};
}

}  // namespace

SpriteDrawer::SpriteDrawer(uint32_t width, uint32_t height, uint32_t requestedBandHeight,
                           std::weak_ptr<SpriteManager> manager)
    : manager_(std::move(manager)),
      width_(checkedExtent(width, "width")),
      height_(checkedExtent(height, "height")),
      bandHeight_(std::max<uint32_t>(1, std::min(requestedBandHeight, height))) {
    // Rounded up without forming height + bandHeight - 1, which could wrap.
    const uint32_t bandCount = height_ / bandHeight_ + (height_ % bandHeight_ != 0 ? 1 : 0);
    bands_.assign(bandCount, Rect{});
}

SpriteDrawer::~SpriteDrawer() = default;

Rect SpriteDrawer::getBandArea(uint32_t index) const {
    // In 64 bits: the end of the last band may lie past INT32_MAX before it is
    // capped at the height.
    const uint64_t top = uint64_t{index} * bandHeight_;
    const uint64_t bottom = std::min<uint64_t>(height_, top + bandHeight_);
    return Rect{0, static_cast<int32_t>(top), static_cast<int32_t>(width_), static_cast<int32_t>(bottom)};
}

void SpriteDrawer::checkBandIndex(uint32_t index) const {
    if (index >= bands_.size()) {
        throw std::out_of_range("SpriteDrawer: band " + std::to_string(index) + " of " +
                                std::to_string(bands_.size()));
    }
}

Rect SpriteDrawer::getBandDirtyRect(uint32_t index) const {
    checkBandIndex(index);
    return bands_[index];
}

void SpriteDrawer::invalidate(const Rect& rect) {
    if (rect.left > rect.right || rect.top > rect.bottom) return;
    const Rect target{0, 0, static_cast<int32_t>(width_), static_cast<int32_t>(height_)};
    // Either all zero or inside the target, so both rows below are in 0 .. height.
    const Rect visible = intersect(rect, target);
    const uint64_t first = static_cast<uint64_t>(visible.top) / bandHeight_;
    const uint64_t end = std::min<uint64_t>(
        bands_.size(), (static_cast<uint64_t>(visible.bottom) + bandHeight_ - 1) / bandHeight_);
    // A zero-width visible part (rect touching a side edge) is an identity for
    // intersect, so the bands it spans become wholly dirty; one of zero height
    // spans no band at all.
    for (uint64_t i = first; i < end; ++i) {
        const Rect part = intersect(visible, getBandArea(static_cast<uint32_t>(i)));
        if (!isEmpty(part)) bands_[i] = unite(part, bands_[i]);
    }
    if (!isEmpty(visible)) dirty_ = true;
}

void SpriteDrawer::beginFrame() {
    if (!dirty_) return;
    // A second beginFrame without endFrame must not draw everything twice.
    clearSnapshot();
    // The screen keeps the manager alive for as long as the drawer; without
    // one there is nothing to draw.
    const std::shared_ptr<SpriteManager> manager = manager_.lock();
    if (!manager) return;
    manager->sortIfUnsorted();
    const std::vector<SpriteEntry>& entries = manager->getEntries();
    commands_.reserve(entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        // Sprites are separate heap objects, and after sorting their order
        // no longer follows their addresses: with many sprites, waiting for
        // each one's memory would cost more than everything else here.
        if (i + kSnapshotPrefetchDistance < entries.size()) {
            prefetchSprite(entries[i + kSnapshotPrefetchDistance].sprite.get());
        }
        const ISprite& sprite = *entries[i].sprite;
        if (sprite.isVisible()) commands_.push_back(sprite.getDrawCommand());
    }
    indexCommandsByBand();
}

SpriteDrawer::BandSpan SpriteDrawer::getBandSpan(const Rect& rect) const {
    const auto width = static_cast<int32_t>(width_);
    const auto height = static_cast<int32_t>(height_);
    // Bands span the full width, so sharing a pixel with one is a matter of rows.
    if (rect.left >= rect.right || rect.top >= rect.bottom || rect.right <= 0 || rect.left >= width ||
        rect.bottom <= 0 || rect.top >= height) {
        return BandSpan{};
    }
    const auto top = static_cast<uint64_t>(std::max(rect.top, 0));
    const auto bottom = static_cast<uint64_t>(std::min(rect.bottom, height));
    return BandSpan{static_cast<uint32_t>(top / bandHeight_),
                    static_cast<uint32_t>((bottom + bandHeight_ - 1) / bandHeight_)};
}

void SpriteDrawer::clearSnapshot() {
    // clear() keeps the capacity: the next frame allocates nothing.
    commands_.clear();
    commandSpans_.clear();
    bandCommandStart_.clear();
    bandCommands_.clear();
}

void SpriteDrawer::indexCommandsByBand() {
    if (commands_.size() > std::numeric_limits<uint32_t>::max()) return;

    uint64_t entries = 0;
    commandSpans_.reserve(commands_.size());
    for (const DrawCommand& command : commands_) {
        const BandSpan span = getBandSpan(command.rect);
        commandSpans_.push_back(span);
        entries += span.end - span.first;
    }
    if (entries > kIndexEntriesPerCommand * uint64_t{commands_.size()} + 2 * uint64_t{bands_.size()}) return;

    // A counting sort by band: counts go one slot to the right so that the
    // prefix sum leaves each band's first slot in its own place.
    bandCommandStart_.assign(bands_.size() + 1, 0);
    for (const BandSpan& span : commandSpans_) {
        for (uint32_t band = span.first; band < span.end; ++band) ++bandCommandStart_[band + 1];
    }
    std::partial_sum(bandCommandStart_.begin(), bandCommandStart_.end(), bandCommandStart_.begin());
    bandCommands_.resize(static_cast<std::size_t>(entries));
    for (std::size_t i = 0; i < commandSpans_.size(); ++i) {
        const BandSpan span = commandSpans_[i];
        for (uint32_t band = span.first; band < span.end; ++band) {
            bandCommands_[bandCommandStart_[band]++] = static_cast<uint32_t>(i);
        }
    }
    // Filling advanced each start to the next band's; move them back.
    std::copy_backward(bandCommandStart_.begin(), bandCommandStart_.end() - 1, bandCommandStart_.end());
    bandCommandStart_.front() = 0;
}

void SpriteDrawer::drawBand(uint32_t index, IImage& target) const {
    checkBandIndex(index);
    if (!dirty_) return;
    const Rect& dirtyRect = bands_[index];
    // An empty clip would clip nothing at all: the kernels would then draw the
    // whole band, outside the area that is presented.
    if (isEmpty(dirtyRect)) return;

    // Below height <= INT32_MAX, so it fits.
    const int32_t bandTop = static_cast<int32_t>(uint64_t{index} * bandHeight_);
    const ClipContext context{
        Rect{dirtyRect.left, dirtyRect.top - bandTop, dirtyRect.right, dirtyRect.bottom - bandTop},
        Point{0, -bandTop}};

    if (bandCommandStart_.empty()) {
        for (const DrawCommand& command : commands_) drawCommand(command, dirtyRect, context, target);
        return;
    }
    const std::size_t end = bandCommandStart_[index + 1];
    for (std::size_t k = bandCommandStart_[index]; k < end; ++k) {
        // A band's commands lie apart in the snapshot; with many sprites the
        // one two places on is asked for while this one draws.
        if (k + kBandPrefetchDistance < end) prefetchCommand(&commands_[bandCommands_[k + kBandPrefetchDistance]]);
        drawCommand(commands_[bandCommands_[k]], dirtyRect, context, target);
    }
}

void SpriteDrawer::drawCommand(const DrawCommand& command, const Rect& dirtyRect, const ClipContext& context,
                               IImage& target) const {
    // Rejecting here is cheaper than a trip through the dispatcher, and it
    // keeps an empty sprite rectangle from counting as "the whole clip".
    if (!shareAnyPixel(command.rect, dirtyRect)) return;
    switch (command.kind) {
        case DrawKind::Fill:
            fill(command.color, &context, target, command.blendMode, command.rect, command.opacity);
            break;
        case DrawKind::Blit:
            if (command.image == nullptr) break;
            blit(command.sourceOrigin, &context, *command.image, target, command.blendMode, command.rect,
                 command.opacity);
            break;
    }
}

void SpriteDrawer::endFrame() {
    if (!dirty_) return;
    clearSnapshot();
    std::fill(bands_.begin(), bands_.end(), Rect{});
    dirty_ = false;
}

}  // namespace tessary

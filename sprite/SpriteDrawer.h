#pragma once
// Composes the sprites of one screen band by band. The target is cut into
// horizontal bands with one dirty rectangle each; a frame redraws only those
// rectangles, from a snapshot of draw commands taken when the frame begins.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "pixel/Geometry.h"
#include "pixel/IImage.h"
#include "sprite/DrawCommand.h"

namespace tessary {

class SpriteManager;

class SpriteDrawer {
public:
    // Band height = min(requestedBandHeight, height), at least 1 row (a target
    // wider than 8192 pixels gets a requested height of 0 from the screen).
    // Throws std::invalid_argument unless 1 <= width, height <= INT32_MAX:
    // dirty rectangles are int32 Rects.
    SpriteDrawer(uint32_t width, uint32_t height, uint32_t requestedBandHeight, std::weak_ptr<SpriteManager> manager);
    virtual ~SpriteDrawer();

    SpriteDrawer(const SpriteDrawer&) = delete;
    SpriteDrawer& operator=(const SpriteDrawer&) = delete;

    // Marks the part of rect inside the target for redraw. An empty rect
    // (zero width or height) means the whole target. A rect that only touches
    // the left or right edge marks the bands it spans wholly but does not make
    // the drawer dirty; one touching only the top or bottom edge marks
    // nothing. An inverted rect (left > right or top > bottom) covers no pixel
    // and marks nothing.
    void invalidate(const Rect& rect);
    bool isDirty() const { return dirty_; }

    // When dirty: sorts the manager if needed and snapshots the visible
    // sprites' draw commands in drawing order.
    void beginFrame();

    // Composes band `index` into `target`, whose row 0 is the band's first
    // target row, touching only the band's dirty rectangle. Safe to call from
    // several threads at once for different targets between beginFrame and
    // endFrame. Throws std::out_of_range for an index >= getBandCount().
    void drawBand(uint32_t index, IImage& target) const;

    // Forgets the frame: snapshot (its capacity stays), dirty rectangles, dirty flag.
    void endFrame();

    uint32_t getWidth() const { return width_; }
    uint32_t getHeight() const { return height_; }
    uint32_t getBandHeight() const { return bandHeight_; }
    uint32_t getBandCount() const { return static_cast<uint32_t>(bands_.size()); }
    // Empty ({0, 0, 0, 0}) when the band needs no redraw. Throws
    // std::out_of_range for an index >= getBandCount().
    Rect getBandDirtyRect(uint32_t index) const;

    // The current frame's snapshot; empty outside a frame.
    const std::vector<DrawCommand>& getCommands() const { return commands_; }

private:
    // Bands first .. end - 1 are the ones a rectangle shares pixels with.
    struct BandSpan {
        uint32_t first = 0;
        uint32_t end = 0;
    };

    Rect getBandArea(uint32_t index) const;
    void checkBandIndex(uint32_t index) const;
    BandSpan getBandSpan(const Rect& rect) const;
    void clearSnapshot();
    void indexCommandsByBand();
    void drawCommand(const DrawCommand& command, const Rect& dirtyRect, const ClipContext& context,
                     IImage& target) const;

    std::weak_ptr<SpriteManager> manager_;
    uint32_t width_;
    uint32_t height_;
    uint32_t bandHeight_;
    std::vector<Rect> bands_;
    bool dirty_ = false;
    std::vector<DrawCommand> commands_;

    // Which commands reach which band, built with the snapshot so that a band
    // visits only the commands that can touch it instead of all of them.
    // Band b's command indices, in drawing order, are
    // bandCommands_[bandCommandStart_[b] .. bandCommandStart_[b + 1]).
    // bandCommandStart_ is empty when the index would be too large (many
    // tall commands over very many bands); then every band walks them all.
    std::vector<BandSpan> commandSpans_;
    std::vector<std::size_t> bandCommandStart_;
    std::vector<uint32_t> bandCommands_;
};

}  // namespace tessary

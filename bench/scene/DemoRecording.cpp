#include "bench/scene/DemoRecording.h"

#include <memory>
#include <stdexcept>

#include "screen/Screen.h"
#include "sprite/RectOverlap.h"
#include "sprite/SpriteManager.h"

namespace tessary::bench {

namespace {

void listCommandsPerArea(RecordedFrame& frame) {
    for (DirtyArea& area : frame.areas) {
        for (uint32_t i = 0; i < frame.commands.size(); ++i) {
            if (shareAnyPixel(frame.commands[i].rect, area.rect)) area.commands.push_back(i);
        }
    }
}

}  // namespace

DemoRecording::DemoRecording(uint64_t lastFrame)
    : demo_(std::make_unique<HeadlessDemo>(singleWorker(), MemoryDeviceContext::Recording::Everything)) {
    if (lastFrame < 2) throw std::invalid_argument("DemoRecording: at least two frames");
    frames_.resize(lastFrame - 1);
    MemoryDeviceContext& window = demo_->getWindow();
    const std::shared_ptr<SpriteManager> manager = demo_->getScene().getScreen()->getSpriteManager();
    demo_->run(lastFrame, [&](uint64_t pass) {
        // The workers have presented this pass's frame before the callbacks run.
        if (pass >= 2) {
            for (const MemoryDeviceContext::Presentation& presentation : window.getPresentations()) {
                frames_[pass - 2].areas.push_back(DirtyArea{presentation.dirty, {}});
            }
        }
        window.clearPresentations();
        // What the update left for the next pass: the drawer's snapshot will
        // hold the same commands, as the manager's order no longer changes
        // after the first frame sorted it.
        if (pass < lastFrame) {
            std::vector<DrawCommand>& commands = frames_[pass - 1].commands;
            commands.reserve(manager->getEntries().size());
            for (const SpriteEntry& entry : manager->getEntries()) {
                if (entry.sprite->isVisible()) commands.push_back(entry.sprite->getDrawCommand());
            }
        }
    });
    for (RecordedFrame& frame : frames_) listCommandsPerArea(frame);
}

}  // namespace tessary::bench

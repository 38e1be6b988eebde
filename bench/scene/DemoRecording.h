#pragma once
// The frames the demo composes, recorded once from a run of the real frame
// loop, for the peer compositors to replay.

#include <cstdint>
#include <memory>
#include <vector>

#include "bench/scene/HeadlessDemo.h"
#include "bench/scene/RecordedFrame.h"

namespace tessary::bench {

class DemoRecording {
public:
    // Runs the demo for `lastFrame` passes and keeps frames 2 .. lastFrame
    // (frame k is the one composed in pass k; frame 1, the first picture, is
    // composed before any observer could see what it drew).
    explicit DemoRecording(uint64_t lastFrame);

    // getFrames()[i] is frame i + 2.
    const std::vector<RecordedFrame>& getFrames() const { return frames_; }

private:
    // Owns the images the recorded commands point to; held inside its last
    // pass, it draws nothing more.
    std::unique_ptr<HeadlessDemo> demo_;
    std::vector<RecordedFrame> frames_;
};

}  // namespace tessary::bench

#pragma once
// Play Preview's frames: a movement played from the base frame, each keyframe reached by
// adding its per-vertex step (the difference from the pose before, over its frames) once a
// frame, and the last keyframe's pose shown at the end.
#include <chrono>

#include "animation/movement.h"

namespace kestrel::animation {

class PreviewPlayer {
public:
    PreviewPlayer(const model::Model& base, const Movement& movement);

    // Moves to the next frame; false when there is none left.
    bool next();
    // The pose of the frame last moved to (the base frame before the first).
    const model::Model& pose() const { return pose_; }
    int frame() const { return frame_; }
    // The frames in all: every keyframe's frames from the last, and the closing pose.
    int frameCount() const { return frameCount_; }

private:
    void startKeyframe();

    Movement movement_;  // a copy: the document may change while the preview plays
    model::Model reference_, pose_;
    std::vector<model::ModelVertex> step_;
    std::size_t keyframe_ = 0;
    int stepsLeft_ = 0;
    int frame_ = 0, frameCount_ = 0;
    bool closed_ = false;
};

// How long to wait before the next frame, once a frame has been moved to and drawn in
// `drawing`: frames start an interval apart, so the drawing's time comes out of the wait, and a
// drawing longer than the interval is followed at once. No frame is ever skipped: a view that
// draws slowly plays the movement slower, as fast as it draws.
inline constexpr std::chrono::milliseconds kPreviewFrameInterval{16};
std::chrono::milliseconds previewDelay(std::chrono::steady_clock::duration drawing);

}  // namespace kestrel::animation

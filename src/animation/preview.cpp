#include "animation/preview.h"

#include <algorithm>

namespace kestrel::animation {

PreviewPlayer::PreviewPlayer(const model::Model& base, const Movement& movement)
    : movement_(movement), reference_(base), pose_(base) {
    for (const Keyframe& k : movement.keyframes) frameCount_ += std::max(k.framesFromLast, 0);
    if (!movement.keyframes.empty()) ++frameCount_;  // the last keyframe's own pose
    closed_ = movement.keyframes.empty();
    if (!closed_) startKeyframe();
}

void PreviewPlayer::startKeyframe() {
    const Keyframe& k = movement_.keyframes[keyframe_];
    pose_ = reference_;
    stepsLeft_ = std::max(k.framesFromLast, 0);
    // A keyframe of no frames is reached at once, with nothing to divide by.
    const std::size_t n = std::min(k.model.vertices.size(), reference_.vertices.size());
    step_.assign(n, {});
    if (stepsLeft_ == 0) return;
    for (std::size_t i = 0; i < n; ++i) {
        const model::ModelVertex &to = k.model.vertices[i], &from = reference_.vertices[i];
        step_[i] = {(to.x - from.x) / stepsLeft_, (to.y - from.y) / stepsLeft_, (to.z - from.z) / stepsLeft_, 0};
    }
}

bool PreviewPlayer::next() {
    if (closed_) return false;
    while (stepsLeft_ == 0) {
        // This keyframe is reached: the next one starts from its pose.
        reference_ = movement_.keyframes[keyframe_].model;
        if (++keyframe_ == movement_.keyframes.size()) {
            pose_ = reference_;
            closed_ = true;
            ++frame_;
            return true;
        }
        startKeyframe();
    }
    auto& vertices = pose_.vertices;
    for (std::size_t i = 0; i < step_.size(); ++i) model::Add(vertices[i], step_[i]);
    --stepsLeft_;
    ++frame_;
    return true;
}

std::chrono::milliseconds previewDelay(std::chrono::steady_clock::duration drawing) {
    const auto took = std::chrono::ceil<std::chrono::milliseconds>(drawing);
    return std::clamp(kPreviewFrameInterval - took, std::chrono::milliseconds(0), kPreviewFrameInterval);
}

}  // namespace kestrel::animation

#pragma once
// The motion-speed graph's figures of a movement: how fast the model moves in each
// keyframe's stretch of time, on average over its vertices and at its fastest vertex.
#include <expected>
#include <string>
#include <vector>

#include "animation/movement.h"

namespace kestrel::animation {

struct MotionSpeed {
    std::vector<double> average;  // model units per frame, per keyframe
    std::vector<double> peak;
    std::vector<int> frames;  // each keyframe's frames from the last
    int totalFrames = 0;
};

// Keyframe k is measured against the one before it (the base frame for the first). A keyframe
// of no frames is refused: the speeds would divide by zero.
std::expected<MotionSpeed, std::string> motionSpeed(const model::Model& base, const Movement& movement);

// Pixels per frame along the time axis and per unit of speed for the bars (averages) and
// the lines (peaks), for a client area with 20-pixel margins; 0 where there is nothing to
// scale.
struct MotionGraphScales {
    double xPerFrame = 0, yAverage = 0, yPeak = 0;
};
MotionGraphScales motionGraphScales(const MotionSpeed& speed, int clientWidth, int clientHeight);

}  // namespace kestrel::animation

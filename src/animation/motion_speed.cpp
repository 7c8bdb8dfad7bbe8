#include "animation/motion_speed.h"

#include <algorithm>
#include <cmath>

namespace kestrel::animation {

std::expected<MotionSpeed, std::string> motionSpeed(const model::Model& base, const Movement& movement) {
    MotionSpeed speed;
    const model::Model* reference = &base;
    for (const Keyframe& k : movement.keyframes) {
        if (k.framesFromLast <= 0)
            return std::unexpected("keyframe \"" + k.name + "\" has " + std::to_string(k.framesFromLast) +
                                   " frames from the last; give it at least 1");
        const std::size_t count = std::min(reference->vertices.size(), k.model.vertices.size());
        double sum = 0, largest = 0;
        for (std::size_t i = 0; i < count; ++i) {
            const double d = model::Distance(model::vectorDifference(reference->vertices[i], k.model.vertices[i]));
            sum += d;
            largest = std::max(largest, d);
        }
        const double frames = k.framesFromLast;
        speed.average.push_back(count ? sum / static_cast<double>(count) / frames : 0.0);
        speed.peak.push_back(largest / frames);
        speed.frames.push_back(k.framesFromLast);
        speed.totalFrames += k.framesFromLast;
        reference = &k.model;
    }
    return speed;
}

MotionGraphScales motionGraphScales(const MotionSpeed& speed, int clientWidth, int clientHeight) {
    MotionGraphScales scales;
    const auto largest = [](const std::vector<double>& v) {
        return v.empty() ? 0.0 : *std::max_element(v.begin(), v.end());
    };
    const double height = clientHeight - 40.0;
    if (speed.totalFrames > 0) scales.xPerFrame = (clientWidth - 40.0) / speed.totalFrames;
    if (const double a = largest(speed.average); a > 0) scales.yAverage = height / a;
    if (const double p = largest(speed.peak); p > 0) scales.yPeak = height / p;
    return scales;
}

}  // namespace kestrel::animation

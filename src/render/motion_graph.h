#pragma once
// The edit view's motion-speed display: the selected movement along a time axis, a bar of
// each keyframe's average speed over its frames, a line at its fastest vertex's speed, its
// name and a marker at its end, drawn on the whole client area.
#include <string>
#include <vector>

#include "animation/motion_speed.h"
#include "render/render_device.h"

namespace kestrel::render {

struct MotionGraph {
    std::string message;  // when not empty, drawn alone at (10, 10) instead of the graph
    animation::MotionSpeed speed;
    std::vector<std::string> names;  // each keyframe's
    std::uint32_t background = 0;    // 0x00RRGGBB: labels stand on it, over the lines they cross
};

// The graph of the movement played from the base pose; no movement gives "No Movement
// Selected", a movement the speeds refuse gives the reason.
MotionGraph motionGraphOf(const model::Model& base, const animation::Movement* movement);

void drawMotionGraph(RenderDevice& device, const MotionGraph& graph);

// The drawing's colours, for those who look at its pixels.
inline constexpr std::uint32_t kGraphAxes = 0xFFFFFFFF, kGraphBar = 0xFF3070C0, kGraphPeak = 0xFFFF9040,
                               kGraphMarker = 0xFFFFE040, kGraphText = 0xFFFFFFFF;

}  // namespace kestrel::render

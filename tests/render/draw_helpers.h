#pragma once
// Small helpers for drawing into a software device and reading it back.
#include <cstdint>
#include <vector>

#include "render/software_device.h"

namespace kestrel::render::test {

inline ScreenVertex vertex(float x, float y, std::uint32_t colour = 0xFFFFFFFF, float z = 0.5f, float u = 0,
                           float v = 0) {
    ScreenVertex out;
    out.x = x, out.y = y, out.z = z, out.colour = colour, out.u = u, out.v = v;
    return out;
}

inline std::uint32_t at(const SoftwareDevice& device, int x, int y) {
    return device.pixels()[static_cast<std::size_t>(y) * static_cast<std::size_t>(device.width()) +
                           static_cast<std::size_t>(x)];
}

// Counting writes: over a black buffer, each white write at alpha 128 moves red along
// 0, 128, 192, 224. Draw with countingStates() and white128.
constexpr std::uint32_t white128 = 0x80FFFFFF;
inline RenderStates countingStates() {
    RenderStates states;
    states.depthTest = false;
    states.depthWrite = false;
    states.blend = Blend::SourceAlpha;
    return states;
}
inline int writes(std::uint32_t pixel) {
    switch (pixel >> 16 & 0xFF) {
        case 0: return 0;
        case 128: return 1;
        case 192: return 2;
        case 224: return 3;
        default: return -1;
    }
}
// The write count of every pixel, row by row.
inline std::vector<int> writeCounts(const SoftwareDevice& device) {
    std::vector<int> counts;
    for (std::uint32_t pixel : device.pixels()) counts.push_back(writes(pixel));
    return counts;
}

}  // namespace kestrel::render::test

#pragma once
// Drawing into a software device and reading it back.
#include <cstdint>

#include "render/software_device.h"

namespace kestrel::render::test {

inline ScreenVertex vertex(float x, float y, std::uint32_t colour = 0xFFFFFFFF, float z = 0.5f, float u = 0,
                           float v = 0) {
    return {x, y, z, 1, colour, 0, u, v};
}

inline std::uint32_t at(SoftwareDevice& device, int x, int y) {
    return device.pixels()[static_cast<std::size_t>(y * device.width() + x)];
}

// Counting writes: over black, each write of white128 with countingStates moves red along
// 0, 128, 192, 224.
constexpr std::uint32_t white128 = 0x80FFFFFF;
inline constexpr RenderStates countingStates{false, false, Blend::SourceAlpha, TextureBlend::Modulate};
inline int writes(std::uint32_t pixel) {
    switch (pixel >> 16 & 0xFF) {
        case 0:
            return 0;
        case 128:
            return 1;
        case 192:
            return 2;
        default:
            return 3;
    }
}

}  // namespace kestrel::render::test

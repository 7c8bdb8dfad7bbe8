#pragma once
// The scan converters behind the software device: one triangle or one line at a time into
// a window of rows of the colour and depth buffers. Windows that do not overlap can be drawn
// at the same time from different threads.
#include <cstddef>
#include <cstdint>

#include "render/render_device.h"

namespace kestrel::render::raster {

struct Target {
    std::uint32_t* colour;
    float* depth;
    int width, height;
    int top, end;  // the rows drawn: top ≤ y < end
};

struct Sampler {
    const std::uint32_t* texels = nullptr;
    int size = 0;
    int shift = 0;         // log2(size)
    std::size_t mask = 0;  // size - 1
};

// The switches of the pixel pipeline for one primitive.
enum Mode : unsigned {
    kTextured = 1,
    kAlphaModulate = 2,  // texel alpha × vertex alpha, else the texel alpha alone
    kBlended = 4,
    kDepthTest = 8,
    kDepthWrite = 16,
    kModeCount = 32,
};

unsigned modeOf(const RenderStates& states, bool textured);

// Largest |x| or |y| drawn; triangles reaching beyond it are skipped.
inline constexpr float kMaxCoordinate = 1e7f;

// corners: three vertices. The sampler is used when the mode is textured.
void drawTriangle(unsigned mode, const Target& target, const Sampler& sampler, const ScreenVertex* corners);
// ends: two vertices; lines are never textured.
void drawLine(unsigned mode, const Target& target, const ScreenVertex* ends);

}  // namespace kestrel::render::raster

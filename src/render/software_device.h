#pragma once
// The device that draws in memory: a 32-bit colour buffer and a float depth buffer, filled by
// a scan converter on the processor. Renders to files and the tests draw with it.
//
// Triangles cover the pixels whose centres (x + 0.5, y + 0.5) lie inside them, with the
// top-left rule deciding centres on an edge, so triangles sharing an edge draw each pixel
// along it exactly once. Vertex positions are snapped to 1/16 pixel first. Either winding is
// drawn. Triangles with zero area, a non-finite x, y, z, u or v, or a coordinate beyond
// ±kMaxCoordinate are skipped.
//
// Lines step along their major axis one pixel at a time from the first vertex and stop before
// the pixel of the second, so the outline of a polygon draws each corner once. They are never
// textured. Lines with a non-finite x, y or z are skipped.
//
// Colours, depth and texture coordinates are interpolated linearly in screen space. The
// colour buffer is opaque: every pixel written has alpha 255.
#include <cstdint>
#include <span>
#include <unordered_map>
#include <vector>

#include "render/render_device.h"

namespace kestrel::render {

class SoftwareDevice final : public RenderDevice {
public:
    static constexpr int kMaxSide = 8192;
    static constexpr float kMaxCoordinate = 1e7f;

    // The sides are clamped to 1..kMaxSide. Both buffers start cleared, to a black background.
    SoftwareDevice(int width, int height);

    int width() const override { return width_; }
    int height() const override { return height_; }
    void setBackground(std::uint32_t rgb) override { background_ = rgb & 0x00FFFFFFu; }
    std::uint32_t background() const { return background_; }
    // Fills the colour buffer with the background (alpha 255) and the depth buffer with 1.
    void clear(bool target, bool depth) override;

    // Copies the image; 0 when its size is not a power of two or its texels are not size².
    TextureHandle createTexture(const TextureImage& image) override;
    void releaseTexture(TextureHandle texture) override;
    // A handle that is unknown or released draws untextured.
    void selectTexture(TextureHandle texture) override { selected_ = texture; }
    void setStates(const RenderStates& states) override { states_ = states; }
    void drawLines(std::span<const ScreenVertex> vertices) override;
    void drawTriangles(std::span<const ScreenVertex> vertices) override;

    // 0xAARRGGBB, width() × height(), top row first.
    const std::vector<std::uint32_t>& pixels() const { return colour_; }
    // The depth of each pixel, laid out as pixels().
    std::span<const float> depth() const { return depth_; }

private:
    struct Texture {
        int size = 0;
        int shift = 0;  // log2(size)
        std::vector<std::uint32_t> texels;
    };
    const Texture* selectedTexture() const;

    int width_, height_;
    std::uint32_t background_ = 0;
    std::vector<std::uint32_t> colour_;
    std::vector<float> depth_;
    RenderStates states_;
    std::unordered_map<TextureHandle, Texture> textures_;
    TextureHandle nextHandle_ = 1;
    TextureHandle selected_ = 0;
};

}  // namespace kestrel::render

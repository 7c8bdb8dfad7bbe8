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
//
// Drawing is deferred: clears and draws are recorded, and present() (or reading the pixels
// or the depth) draws what is recorded, band by band of rows (each band's buffers stay in the processor's
// cache while everything over it is drawn), the bands shared among the processor's cores.
// Each band draws its primitives in the order they were sent, so the picture is the same
// however many cores draw it.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <unordered_map>
#include <vector>

#include "render/band_workers.h"
#include "render/render_device.h"
#include "render/software_raster.h"

namespace kestrel::render {

class SoftwareDevice final : public RenderDevice {
public:
    static constexpr int kMaxSide = kMaxSurfaceSide;
    static constexpr float kMaxCoordinate = raster::kMaxCoordinate;
    static constexpr int kBandRows = 32;

    // The sides are clamped to 1..kMaxSide. Both buffers start cleared, to a black background.
    SoftwareDevice(int width, int height);
    ~SoftwareDevice() override;
    SoftwareDevice(SoftwareDevice&&) = delete;

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

    // Draws what is recorded. Reading the pixels or the depth does this first.
    void present() override;
    // At most this many threads draw (at least 1); the default is one per core.
    void setMaxThreads(unsigned threads);
    // 0xAARRGGBB, width() × height(), top row first.
    const std::vector<std::uint32_t>& pixels() {
        present();
        return colour_;
    }
    // The depth of each pixel, laid out as pixels().
    std::span<const float> depth() {
        present();
        return depth_;
    }

private:
    struct Texture {
        int size = 0;
        int shift = 0;  // log2(size)
        std::vector<std::uint32_t> texels;
    };
    const Texture* selectedTexture() const;

    // One recorded clear or draw call; its primitives are found through the bands.
    struct Command {
        enum Kind { kClear, kTriangles, kLines } kind = kClear;
        unsigned mode = 0;
        raster::Sampler sampler;
        bool clearTarget = false, clearDepth = false;
        std::uint32_t background = 0;
        // Draws with the same switches and texture.
        bool sameDraw(const Command& other) const {
            return kind == other.kind && mode == other.mode && sampler.texels == other.sampler.texels;
        }
    };
    // A primitive in a band: its command and its first vertex in vertices_.
    struct BandItem {
        std::uint32_t command, vertex;
    };
    void record(Command::Kind kind, std::span<const ScreenVertex> vertices, std::size_t perPrimitive);
    void drawBand(std::size_t band);
    void clearBand(std::size_t band, const Command& clear);
    BandWorkers& workers();

    int width_, height_;
    std::uint32_t background_ = 0;
    std::vector<std::uint32_t> colour_;
    std::vector<float> depth_;
    RenderStates states_;
    std::unordered_map<TextureHandle, Texture> textures_;
    TextureHandle nextHandle_ = 1;
    TextureHandle selected_ = 0;

    std::vector<Command> commands_;
    std::vector<ScreenVertex> vertices_;
    std::vector<std::vector<BandItem>> bands_;
    std::size_t work_ = 0;  // band items recorded
    unsigned maxThreads_ = 1;
    bool clearing_ = false;                 // the helpers are clearing both buffers
    std::unique_ptr<BandWorkers> workers_;  // last: ends its threads before the buffers go
};

}  // namespace kestrel::render

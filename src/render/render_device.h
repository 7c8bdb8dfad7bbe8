#pragma once
// What the edit views draw with: pre-transformed, pre-lit screen vertices sent as line lists
// and triangle lists into a colour buffer with a depth buffer. The software device draws into
// a 32-bit image; a hardware device may stand behind the same interface.
#include <cstdint>
#include <span>
#include <vector>

namespace kestrel::render {

// The largest side of what a device draws into, and of a texture it keeps.
inline constexpr int kMaxSurfaceSide = 8192;

// One screen vertex: x, y in pixels (pixel centres at .5), z in 0..1 (0 nearest), rhw always
// 1, colour 0xAARRGGBB, specular unused, u and v over the whole texture surface (0..1).
struct ScreenVertex {
    float x = 0, y = 0, z = 0, rhw = 1;
    std::uint32_t colour = 0xFFFFFFFF;
    std::uint32_t specular = 0;
    float u = 0, v = 0;
};

// A texture as the device keeps it: a square power-of-two surface of 0xAARRGGBB texels, the
// picture in its top-left corner.
struct TextureImage {
    int size = 0;  // surface width and height
    int bitmapWidth = 0, bitmapHeight = 0;
    int bitCount = 0;                   // of the source picture
    std::vector<std::uint32_t> texels;  // size * size, top row first
};

using TextureHandle = int;  // 0: no texture

enum class Blend {
    Opaque,       // the source replaces the target
    SourceAlpha,  // source × alpha + target × (1 − alpha)
};

enum class TextureBlend {
    Modulate,       // texel colour × vertex colour, texel alpha
    ModulateAlpha,  // texel colour × vertex colour, texel alpha × vertex alpha
};

struct RenderStates {
    bool depthTest = true;  // draw only where nearer than (or as near as) what is there
    bool depthWrite = true;
    Blend blend = Blend::Opaque;
    TextureBlend textureBlend = TextureBlend::Modulate;
};

class RenderDevice {
public:
    virtual ~RenderDevice() = default;
    virtual int width() const = 0;
    virtual int height() const = 0;
    virtual void setBackground(std::uint32_t rgb) = 0;  // 0x00RRGGBB
    virtual void clear(bool target, bool depth) = 0;
    virtual TextureHandle createTexture(const TextureImage& image) = 0;
    virtual void releaseTexture(TextureHandle texture) = 0;
    virtual void selectTexture(TextureHandle texture) = 0;  // 0 draws untextured
    virtual void setStates(const RenderStates& states) = 0;
    virtual void drawLines(std::span<const ScreenVertex> vertices) = 0;      // pairs
    virtual void drawTriangles(std::span<const ScreenVertex> vertices) = 0;  // triples
    // The frame is complete: what was sent is drawn by the time this returns. A device may
    // draw as the calls come or keep them until here.
    virtual void present() = 0;
};

}  // namespace kestrel::render

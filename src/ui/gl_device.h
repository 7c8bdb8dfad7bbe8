#pragma once
// The device that draws with OpenGL, into whatever framebuffer is bound in the current context
// (an edit pane's QOpenGLWidget). It is made to give the software device's pictures:
//
// - Triangle corners are snapped to 1/16 pixel first, as the software device does, and cut on
//   the processor to a little beyond the picture, so the card only ever sees small coordinates.
//   Triangles the software device skips (zero area, non-finite values, coordinates beyond
//   kMaxCoordinate) are skipped here too.
// - Lines are drawn as thin quads whose fragment program keeps exactly the pixels the software
//   line stepper visits (one per column or row, first end drawn, last end not), with the colour
//   and depth it gives them; OpenGL's own line rules differ at the ends and at ties.
// - Depth is written by the fragment program through an order-keeping map of any z into the
//   depth range, so nothing is cut at z = 0 or z = 1: as in the software device, z below 0 is
//   nearer than everything and z above 1 fails against a cleared buffer.
// - Colours are rounded to bytes before they are modulated, as the software device does, and the
//   alpha of the framebuffer is left at 1: the picture is opaque.
// - OpenGL leaves open which of two triangles sharing an edge draws the pixel centres lying on
//   it. The software device gives them to the triangle below and to the right; Mesa, drawing
//   into a framebuffer object, to the one above. Where the window origin can be turned to the
//   top left (glClipControl), a small picture drawn when the device is made tells whether
//   turning it gives the software device's choice, and then the device draws that way.
//
// Draw calls with the same switches are gathered and sent together, at a change of switches,
// a clear, the release of a texture, or present(). Between two present() calls the device owns
// the context's drawing state; present() leaves it at OpenGL's defaults.
#include <QOpenGLContext>
#include <QPointer>
#include <cstddef>
#include <cstdint>
#include <expected>
#include <memory>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include "render/render_device.h"

class QOpenGLFunctions;
class QOpenGLShaderProgram;
class QOpenGLBuffer;
class QOpenGLVertexArrayObject;

namespace kestrel::ui {

class GlDevice final : public render::RenderDevice {
public:
    static constexpr int kMaxSide = render::kMaxSurfaceSide;
    static constexpr float kMaxCoordinate = 1e7f;

    // A device on the current context, or why there cannot be one: no current context, no
    // fragment depth output, or a shader program that does not build.
    static std::expected<std::unique_ptr<GlDevice>, std::string> create();
    // Releases the textures, programs and buffers. The device's context must be current; when
    // it is not (or is gone) they are left to the context, which frees them when it goes.
    ~GlDevice() override;
    GlDevice(const GlDevice&) = delete;
    GlDevice& operator=(const GlDevice&) = delete;

    // "OpenGL " and the renderer's name, e.g. "OpenGL llvmpipe (LLVM 15.0.6, 256 bits)".
    const std::string& name() const { return name_; }
    QOpenGLContext* context() const { return context_; }

    // The picture is width × height pixels in the top-left corner of the framebuffer drawn
    // into, which is framebufferHeight pixels tall. The sides are clamped to 1..kMaxSide and
    // to what the context can show. Takes effect at the next clear or draw.
    void resize(int width, int height, int framebufferHeight);
    void resize(int width, int height) { resize(width, height, height); }

    int width() const override { return width_; }
    int height() const override { return height_; }
    void setBackground(std::uint32_t rgb) override { background_ = rgb & 0x00FFFFFFu; }
    // Fills the picture (not the rest of the framebuffer) with the background and the depth
    // with that of z = 1.
    void clear(bool target, bool depth) override;
    // 0 when the image's size is not a power of two within what the context can hold, its
    // texels are not size², or the card refused it.
    render::TextureHandle createTexture(const render::TextureImage& image) override;
    void releaseTexture(render::TextureHandle texture) override;
    // A handle that is unknown or released draws untextured.
    void selectTexture(render::TextureHandle texture) override { selected_ = texture; }
    void setStates(const render::RenderStates& states) override { states_ = states; }
    void drawLines(std::span<const render::ScreenVertex> vertices) override;
    void drawTriangles(std::span<const render::ScreenVertex> vertices) override;
    // Sends what is gathered and gives the context's state back.
    void present() override;

    // What is drawn is kept until this many vertices are gathered.
    static constexpr std::size_t kMaxGathered = std::size_t{1} << 18;

private:
    struct TriangleVertex {
        float x, y, z, u, v;
        float colour[4];  // red, green, blue, alpha, 0..255
    };
    // Every corner of a line's quad carries the whole line.
    struct LineVertex {
        float x, y;
        float axis;    // 0: steps along x, 1: along y
        float first;   // the major coordinate of the first pixel centre drawn
        float across;  // the minor coordinate of the line there
        float slope;   // minor per major
        float t0, dt;  // the position along the line at the first centre, and per pixel
        float z0, dz;
        std::uint8_t colour0[4], colour1[4];  // red, green, blue, alpha
    };
    enum class Kind { None, Triangles, Lines };

    explicit GlDevice(QOpenGLContext* context);
    std::string build();  // empty when it worked
    void chooseOrigin();
    bool drawsLikeSoftware();
    bool current() const;
    void beginFrame();
    void endFrame();
    // Starts a new gathering when the kind, switches or texture change.
    void gather(Kind kind);
    void flush();
    void addTriangle(const render::ScreenVertex* corners, bool textured);
    void addLine(const render::ScreenVertex& from, const render::ScreenVertex& to);
    unsigned selectedTextureId() const;

    QPointer<QOpenGLContext> context_;
    QOpenGLFunctions* gl_ = nullptr;
    std::unique_ptr<QOpenGLShaderProgram> triangleProgram_, lineProgram_;
    std::unique_ptr<QOpenGLBuffer> buffer_;
    std::unique_ptr<QOpenGLVertexArrayObject> vertexArray_;  // when the context has them
    struct Uniforms {
        int scale = -1, flip = -1, top = -1, texture = -1, textureMode = -1;
    } triangleUniforms_, lineUniforms_;
    std::string name_;
    QFunctionPointer clipControl_ = nullptr;  // glClipControl, when the context has it
    bool upperLeft_ = false;                  // draw with the window origin at the top left
    int maxSide_ = kMaxSide, maxTextureSize_ = 0;

    int width_ = 1, height_ = 1, framebufferHeight_ = 1;
    std::uint32_t background_ = 0;
    render::RenderStates states_;
    render::TextureHandle selected_ = 0;
    std::unordered_map<render::TextureHandle, unsigned> textures_;
    render::TextureHandle nextHandle_ = 1;
    bool inFrame_ = false;

    // What is gathered, and the switches and texture it is drawn with.
    Kind kind_ = Kind::None;
    render::RenderStates gatheredStates_;
    unsigned gatheredTexture_ = 0;
    std::vector<TriangleVertex> triangles_;
    std::vector<LineVertex> lines_;
};

}  // namespace kestrel::ui

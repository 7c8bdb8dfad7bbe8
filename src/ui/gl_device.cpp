#include "ui/gl_device.h"

#include <QOpenGLBuffer>
#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>
#include <QOpenGLFunctions>
#include <QOpenGLShaderProgram>
#include <QOpenGLVertexArrayObject>
#include <QSurfaceFormat>
#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstddef>
#include <limits>

#include "render/line_span.h"
#include "ui/gl_programs.h"

namespace kestrel::ui {

using namespace gl;
using render::ScreenVertex;

namespace {

// glClipControl and its arguments.
using ClipControl = void(QOPENGLF_APIENTRYP)(GLenum origin, GLenum depth);
constexpr GLenum kLowerLeft = 0x8CA1, kUpperLeft = 0x8CA2, kNegativeOneToOne = 0x935E;

// The depth the fragment programs write for z = 1, what a cleared depth buffer holds.
constexpr float kClearedDepth = 0.75f;
// Triangles are cut this far beyond the picture: the card never sees large coordinates.
constexpr double kGuard = 16;
constexpr double kSubpixels = 16;  // the software device's snapping grid

// The attribute locations both programs share.
enum Attribute : unsigned { kPosition = 0, kAttribute1, kAttribute2, kAttribute3, kAttribute4, kAttributeCount };

using render::finite;

void bytesOf(std::uint32_t argb, std::uint8_t (&rgba)[4]) {
    rgba[0] = static_cast<std::uint8_t>(argb >> 16);
    rgba[1] = static_cast<std::uint8_t>(argb >> 8);
    rgba[2] = static_cast<std::uint8_t>(argb);
    rgba[3] = static_cast<std::uint8_t>(argb >> 24);
}

// A triangle corner on its way to the card: position, depth, texture coordinates and colour,
// all of which vary linearly over the screen.
struct Corner {
    std::array<double, 9> value;  // x, y, z, u, v, red, green, blue, alpha
    double x() const { return value[0]; }
    double y() const { return value[1]; }
};

Corner between(const Corner& a, const Corner& b, double t) {
    Corner c;
    for (std::size_t i = 0; i < c.value.size(); ++i) c.value[i] = a.value[i] + (b.value[i] - a.value[i]) * t;
    return c;
}

// Sutherland-Hodgman: the part of the polygon where coordinate axis is ≥ bound (sign 1) or
// ≤ bound (sign -1). Each crossing is worked out from the same end whichever way the edge runs,
// so that two triangles sharing an edge get the same point.
int clipPolygon(const Corner* in, int count, Corner* out, int axis, double bound, double sign) {
    int n = 0;
    for (int i = 0; i < count; ++i) {
        const Corner& a = in[i];
        const Corner& b = in[(i + 1) % count];
        const double da = (a.value[axis] - bound) * sign, db = (b.value[axis] - bound) * sign;
        if (da >= 0) out[n++] = a;
        if ((da < 0) != (db < 0)) {
            const bool ordered = std::pair(a.x(), a.y()) < std::pair(b.x(), b.y());
            const Corner& p = ordered ? a : b;
            const Corner& q = ordered ? b : a;
            const double dp = ordered ? da : db, dq = ordered ? db : da;
            out[n++] = between(p, q, dp / (dp - dq));
        }
    }
    return n;
}

}  // namespace

GlDevice::GlDevice(QOpenGLContext* context) : context_(context) {}

std::expected<std::unique_ptr<GlDevice>, std::string> GlDevice::create() {
    QOpenGLContext* context = QOpenGLContext::currentContext();
    if (!context) return std::unexpected("no OpenGL context is current");
    std::unique_ptr<GlDevice> device(new GlDevice(context));
    if (std::string error = device->build(); !error.empty()) return std::unexpected("OpenGL: " + error);
    return device;
}

std::string GlDevice::build() {
    gl_ = context_->functions();
    const auto* renderer = reinterpret_cast<const char*>(gl_->glGetString(GL_RENDERER));
    name_ = std::string("OpenGL ") + (renderer ? renderer : "(unnamed renderer)");
    if (!gl_->hasOpenGLFeature(QOpenGLFunctions::Shaders) || !gl_->hasOpenGLFeature(QOpenGLFunctions::Buffers))
        return "the context has no shader programs or vertex buffers";
    const auto preludes = preludesFor(*context_);
    if (!preludes) return preludes.error();

    const auto makeProgram = [&](const char* vertex, const char* fragment, std::span<const char* const> attributes,
                                 std::unique_ptr<QOpenGLShaderProgram>& program) -> std::string {
        program = std::make_unique<QOpenGLShaderProgram>();
        const std::string vertexSource = preludes->vertex + vertex;
        const std::string fragmentSource = preludes->fragment + kDepthOf + fragment;
        if (!program->addShaderFromSourceCode(QOpenGLShader::Vertex, vertexSource.c_str()) ||
            !program->addShaderFromSourceCode(QOpenGLShader::Fragment, fragmentSource.c_str()))
            return "a shader did not compile: " + program->log().toStdString();
        for (std::size_t i = 0; i < attributes.size(); ++i)
            program->bindAttributeLocation(attributes[i], static_cast<int>(i));
        if (!program->link()) return "a shader program did not link: " + program->log().toStdString();
        return {};
    };
    static constexpr const char* kTriangleAttributes[] = {"a_position", "a_depth", "a_colour", "a_texcoord"};
    static constexpr const char* kLineAttributes[] = {"a_position", "a_line", "a_along", "a_colour0", "a_colour1"};
    if (auto error = makeProgram(kTriangleVertex, kTriangleFragment, kTriangleAttributes, triangleProgram_);
        !error.empty())
        return error;
    if (auto error = makeProgram(kLineVertex, kLineFragment, kLineAttributes, lineProgram_); !error.empty())
        return error;
    triangleUniforms_ = {triangleProgram_->uniformLocation("u_scale"), triangleProgram_->uniformLocation("u_flip"), -1,
                         triangleProgram_->uniformLocation("u_texture"),
                         triangleProgram_->uniformLocation("u_textureMode")};
    lineUniforms_ = {lineProgram_->uniformLocation("u_scale"), lineProgram_->uniformLocation("u_flip"),
                     lineProgram_->uniformLocation("u_top"), -1, -1};
    triangleProgram_->bind();
    triangleProgram_->setUniformValue(triangleUniforms_.texture, 0);
    triangleProgram_->release();

    buffer_ = std::make_unique<QOpenGLBuffer>(QOpenGLBuffer::VertexBuffer);
    buffer_->setUsagePattern(QOpenGLBuffer::StreamDraw);
    if (!buffer_->create()) return "a vertex buffer could not be made";
    // Core profiles draw only through a vertex array object; elsewhere one is a convenience.
    vertexArray_ = std::make_unique<QOpenGLVertexArrayObject>();
    if (!vertexArray_->create()) {
        vertexArray_.reset();
        if (context_->format().profile() == QSurfaceFormat::CoreProfile) return "a vertex array could not be made";
    }

    GLint maxTexture = 0, viewport[2] = {0, 0};
    gl_->glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxTexture);
    gl_->glGetIntegerv(GL_MAX_VIEWPORT_DIMS, viewport);
    maxTextureSize_ = maxTexture;
    if (viewport[0] > 0 && viewport[1] > 0) maxSide_ = std::min({kMaxSide, int{viewport[0]}, int{viewport[1]}});

    if (context_->isOpenGLES()) {
        if (context_->hasExtension("GL_EXT_clip_control")) clipControl_ = context_->getProcAddress("glClipControlEXT");
    } else if (context_->format().version() >= std::pair(4, 5) || context_->hasExtension("GL_ARB_clip_control")) {
        clipControl_ = context_->getProcAddress("glClipControl");
    }
    chooseOrigin();
    return {};
}

void GlDevice::chooseOrigin() {
    if (!clipControl_ || !QOpenGLFramebufferObject::hasOpenGLFramebufferObjects()) return;
    GLint framebuffer = 0, viewport[4] = {0, 0, 0, 0};
    gl_->glGetIntegerv(GL_FRAMEBUFFER_BINDING, &framebuffer);
    gl_->glGetIntegerv(GL_VIEWPORT, viewport);
    {
        QOpenGLFramebufferObject scratch(4, 4);
        if (scratch.isValid() && scratch.bind()) {
            upperLeft_ = false;
            if (!drawsLikeSoftware()) {
                upperLeft_ = true;
                if (!drawsLikeSoftware()) upperLeft_ = false;
            }
        }
    }
    gl_->glBindFramebuffer(GL_FRAMEBUFFER, static_cast<GLuint>(framebuffer));
    gl_->glViewport(viewport[0], viewport[1], viewport[2], viewport[3]);
    resize(1, 1);
    background_ = 0;
    states_ = {};
}

// A square whose edges run through pixel centres, and a line along a row of them: the
// software device draws the square on columns and rows 0 and 1, the line on row 3.
bool GlDevice::drawsLikeSoftware() {
    resize(4, 4);
    setBackground(0);
    clear(true, true);
    setStates({false, false});
    selectTexture(0);
    const auto corner = [](float x, float y, std::uint32_t colour) { return ScreenVertex{x, y, 0.5f, 1, colour}; };
    const ScreenVertex square[] = {corner(0.5f, 0.5f, 0xFFFFFFFF), corner(2.5f, 0.5f, 0xFFFFFFFF),
                                   corner(2.5f, 2.5f, 0xFFFFFFFF), corner(0.5f, 0.5f, 0xFFFFFFFF),
                                   corner(2.5f, 2.5f, 0xFFFFFFFF), corner(0.5f, 2.5f, 0xFFFFFFFF)};
    const ScreenVertex line[] = {corner(0, 3.5f, 0xFFFF0000), corner(4, 3.5f, 0xFFFF0000)};
    drawTriangles(square);
    drawLines(line);
    present();
    std::uint8_t pixels[4 * 4 * 4] = {};
    gl_->glReadPixels(0, 0, 4, 4, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 4; ++column) {
            const std::uint8_t* pixel = pixels + 4 * ((3 - row) * 4 + column);  // the framebuffer's rows go up
            const bool white = row < 2 && column < 2, red = row == 3;
            const std::uint8_t expected[3] = {static_cast<std::uint8_t>(white || red ? 255 : 0),
                                              static_cast<std::uint8_t>(white ? 255 : 0),
                                              static_cast<std::uint8_t>(white ? 255 : 0)};
            if (!std::equal(expected, expected + 3, pixel)) return false;
        }
    }
    return true;
}

GlDevice::~GlDevice() {
    if (!current()) return;  // the objects go with the context
    endFrame();
    for (const auto& [handle, id] : textures_) gl_->glDeleteTextures(1, &id);
}

bool GlDevice::current() const { return context_ && gl_ && QOpenGLContext::currentContext() == context_; }

void GlDevice::resize(int width, int height, int framebufferHeight) {
    flush();
    width_ = std::clamp(width, 1, maxSide_);
    height_ = std::clamp(height, 1, maxSide_);
    framebufferHeight_ = std::max(framebufferHeight, 1);
    if (inFrame_ && current()) {
        inFrame_ = false;  // sets the viewport again
        beginFrame();
    }
}

void GlDevice::beginFrame() {
    if (inFrame_) return;
    inFrame_ = true;
    // Window coordinates grow upward: the picture's top row is the framebuffer's top row.
    const int bottom = framebufferHeight_ - height_;
    gl_->glViewport(0, bottom, width_, height_);
    gl_->glScissor(0, bottom, width_, height_);
    gl_->glEnable(GL_SCISSOR_TEST);
    gl_->glDisable(GL_CULL_FACE);
    gl_->glDisable(GL_STENCIL_TEST);
    gl_->glDisable(GL_DITHER);
    gl_->glDisable(GL_POLYGON_OFFSET_FILL);
    gl_->glDisable(GL_SAMPLE_ALPHA_TO_COVERAGE);
    gl_->glDepthRangef(0, 1);
    gl_->glBlendEquation(GL_FUNC_ADD);
    gl_->glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    gl_->glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_FALSE);  // the alpha stays as cleared: opaque
    gl_->glActiveTexture(GL_TEXTURE0);
    if (vertexArray_) vertexArray_->bind();
    if (upperLeft_) reinterpret_cast<ClipControl>(clipControl_)(kUpperLeft, kNegativeOneToOne);
}

void GlDevice::endFrame() {
    if (!inFrame_) return;
    inFrame_ = false;
    for (unsigned i = 0; i < kAttributeCount; ++i) gl_->glDisableVertexAttribArray(i);
    if (vertexArray_) vertexArray_->release();
    buffer_->release();
    gl_->glUseProgram(0);
    gl_->glBindTexture(GL_TEXTURE_2D, 0);
    gl_->glDisable(GL_SCISSOR_TEST);
    gl_->glDisable(GL_BLEND);
    gl_->glDisable(GL_DEPTH_TEST);
    gl_->glDepthFunc(GL_LESS);
    gl_->glDepthMask(GL_TRUE);
    gl_->glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    gl_->glEnable(GL_DITHER);
    if (upperLeft_) reinterpret_cast<ClipControl>(clipControl_)(kLowerLeft, kNegativeOneToOne);
}

void GlDevice::clear(bool target, bool depth) {
    flush();
    if ((!target && !depth) || !current()) return;
    beginFrame();
    GLbitfield bits = 0;
    if (target) {
        gl_->glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
        gl_->glClearColor(static_cast<float>(background_ >> 16 & 0xFF) / 255.0f,
                          static_cast<float>(background_ >> 8 & 0xFF) / 255.0f,
                          static_cast<float>(background_ & 0xFF) / 255.0f, 1.0f);
        bits |= GL_COLOR_BUFFER_BIT;
    }
    if (depth) {
        gl_->glDepthMask(GL_TRUE);
        gl_->glClearDepthf(kClearedDepth);
        bits |= GL_DEPTH_BUFFER_BIT;
    }
    gl_->glClear(bits);
    gl_->glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_FALSE);
}

render::TextureHandle GlDevice::createTexture(const render::TextureImage& image) {
    if (image.size < 1 || !std::has_single_bit(static_cast<unsigned>(image.size)) || image.size > maxTextureSize_)
        return 0;
    const auto side = static_cast<std::size_t>(image.size);
    if (image.texels.size() != side * side) return 0;
    if (nextHandle_ == std::numeric_limits<render::TextureHandle>::max() || !current()) return 0;
    std::vector<std::uint8_t> rgba(side * side * 4);
    for (std::size_t i = 0; i < image.texels.size(); ++i) {
        std::uint8_t bytes[4];
        bytesOf(image.texels[i], bytes);
        std::copy_n(bytes, 4, rgba.begin() + static_cast<std::ptrdiff_t>(4 * i));
    }
    for (int i = 0; i < 8 && gl_->glGetError() != GL_NO_ERROR; ++i) {
    }
    GLuint id = 0;
    gl_->glGenTextures(1, &id);
    if (id == 0) return 0;
    gl_->glBindTexture(GL_TEXTURE_2D, id);
    gl_->glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    gl_->glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, image.size, image.size, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    // Nearest texel, repeating: the software device's sampling.
    gl_->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    gl_->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    gl_->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    gl_->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    const GLenum error = gl_->glGetError();
    gl_->glBindTexture(GL_TEXTURE_2D, 0);
    if (error != GL_NO_ERROR) {
        gl_->glDeleteTextures(1, &id);
        return 0;
    }
    textures_.emplace(nextHandle_, id);
    return nextHandle_++;
}

void GlDevice::releaseTexture(render::TextureHandle texture) {
    const auto found = textures_.find(texture);
    if (found == textures_.end()) return;
    flush();  // what is gathered may use it
    if (current()) gl_->glDeleteTextures(1, &found->second);
    textures_.erase(found);
}

unsigned GlDevice::selectedTextureId() const {
    if (selected_ == 0) return 0;
    const auto found = textures_.find(selected_);
    return found == textures_.end() ? 0 : found->second;
}

void GlDevice::gather(Kind kind) {
    const unsigned texture = kind == Kind::Triangles ? selectedTextureId() : 0;
    const auto& a = states_;
    const auto& b = gatheredStates_;
    const bool same = kind == kind_ && texture == gatheredTexture_ && a.depthTest == b.depthTest &&
                      a.depthWrite == b.depthWrite && a.blend == b.blend &&
                      (texture == 0 || a.textureBlend == b.textureBlend);
    if (same) return;
    flush();
    kind_ = kind;
    gatheredStates_ = states_;
    gatheredTexture_ = texture;
}

void GlDevice::drawTriangles(std::span<const ScreenVertex> vertices) {
    const std::size_t count = vertices.size() / 3 * 3;
    if (count == 0) return;
    gather(Kind::Triangles);
    for (std::size_t at = 0; at < count; at += 3) {
        if (triangles_.size() >= kMaxGathered) {
            flush();
            gather(Kind::Triangles);
        }
        addTriangle(vertices.data() + at, gatheredTexture_ != 0);
    }
}

void GlDevice::drawLines(std::span<const ScreenVertex> vertices) {
    const std::size_t count = vertices.size() / 2 * 2;
    if (count == 0) return;
    gather(Kind::Lines);
    for (std::size_t at = 0; at < count; at += 2) {
        if (lines_.size() >= kMaxGathered) {
            flush();
            gather(Kind::Lines);
        }
        addLine(vertices[at], vertices[at + 1]);
    }
}

void GlDevice::addTriangle(const ScreenVertex* corners, bool textured) {
    std::array<Corner, 3> c{};
    std::array<std::int64_t, 3> sx{}, sy{};
    for (int i = 0; i < 3; ++i) {
        const ScreenVertex& v = corners[i];
        if (!finite(v.x, v.y, v.z)) return;
        if (textured && !finite(v.u, v.v, 0.0f)) return;
        if (std::abs(v.x) > kMaxCoordinate || std::abs(v.y) > kMaxCoordinate) return;
        sx[i] = static_cast<std::int64_t>(std::floor(static_cast<double>(v.x) * kSubpixels + 0.5));
        sy[i] = static_cast<std::int64_t>(std::floor(static_cast<double>(v.y) * kSubpixels + 0.5));
        c[i].value = {static_cast<double>(sx[i]) / kSubpixels,
                      static_cast<double>(sy[i]) / kSubpixels,
                      v.z,
                      v.u,
                      v.v,
                      static_cast<double>(v.colour >> 16 & 0xFF),
                      static_cast<double>(v.colour >> 8 & 0xFF),
                      static_cast<double>(v.colour & 0xFF),
                      static_cast<double>(v.colour >> 24)};
    }
    const std::int64_t area = (sx[1] - sx[0]) * (sy[2] - sy[0]) - (sy[1] - sy[0]) * (sx[2] - sx[0]);
    if (area == 0) return;
    // Depths or texture coordinates near the float limit can change faster across the screen
    // than a float holds; the software device refuses such triangles, and so does this.
    for (std::size_t a = 2; a < (textured ? 5u : 3u); ++a) {
        const double d1 = c[1].value[a] - c[0].value[a], d2 = c[2].value[a] - c[0].value[a];
        const double perArea = kSubpixels * kSubpixels / static_cast<double>(area);
        const double alongX =
            (d1 * static_cast<double>(sy[2] - sy[0]) - d2 * static_cast<double>(sy[1] - sy[0])) / kSubpixels;
        const double alongY =
            (d2 * static_cast<double>(sx[1] - sx[0]) - d1 * static_cast<double>(sx[2] - sx[0])) / kSubpixels;
        if (!(std::abs(alongX * perArea) <= std::numeric_limits<float>::max()) ||
            !(std::abs(alongY * perArea) <= std::numeric_limits<float>::max()))
            return;
    }
    if (textured) {
        // Whole repeats of the texture do not change the texels: taking them off keeps the
        // coordinates small, where floats are finest.
        const double uOffset = std::floor(std::min({c[0].value[3], c[1].value[3], c[2].value[3]}));
        const double vOffset = std::floor(std::min({c[0].value[4], c[1].value[4], c[2].value[4]}));
        for (auto& corner : c) corner.value[3] -= uOffset, corner.value[4] -= vOffset;
    }
    const double right = width_ + kGuard, bottom = height_ + kGuard;
    const auto [minX, maxX] = std::minmax({c[0].x(), c[1].x(), c[2].x()});
    const auto [minY, maxY] = std::minmax({c[0].y(), c[1].y(), c[2].y()});
    if (maxX < 0 || maxY < 0 || minX > width_ || minY > height_) return;

    const auto emit = [&](const Corner& corner) {
        const auto& v = corner.value;
        triangles_.push_back(
            {static_cast<float>(v[0]),
             static_cast<float>(v[1]),
             static_cast<float>(v[2]),
             static_cast<float>(v[3]),
             static_cast<float>(v[4]),
             {static_cast<float>(v[5]), static_cast<float>(v[6]), static_cast<float>(v[7]), static_cast<float>(v[8])}});
    };
    if (minX >= -kGuard && maxX <= right && minY >= -kGuard && maxY <= bottom) {
        for (const Corner& corner : c) emit(corner);
        return;
    }
    // Cut to the guard band, each side in turn (3 corners gain at most one per side), then
    // drawn as a fan: the attributes stay on the triangle's planes.
    std::array<Corner, 8> a{}, b{};
    std::copy(c.begin(), c.end(), a.begin());
    int n = 3;
    n = clipPolygon(a.data(), n, b.data(), 0, -kGuard, 1);
    n = clipPolygon(b.data(), n, a.data(), 0, right, -1);
    n = clipPolygon(a.data(), n, b.data(), 1, -kGuard, 1);
    n = clipPolygon(b.data(), n, a.data(), 1, bottom, -1);
    for (int i = 1; i + 1 < n; ++i) {
        emit(a[0]);
        emit(a[static_cast<std::size_t>(i)]);
        emit(a[static_cast<std::size_t>(i + 1)]);
    }
}

void GlDevice::addLine(const ScreenVertex& from, const ScreenVertex& to) {
    // The software device's centres along the major axis; the fragment program picks the
    // pixel across.
    const auto span = render::lineSpan(from, to, width_, 0, height_);
    if (!span) return;
    const auto [xMajor, m0, n0, length, rise, lo, hi] = *span;
    const float dz = to.z - from.z;
    if (!std::isfinite(dz)) return;
    const double inverseLength = 1 / length, slope = rise * inverseLength;
    const double first = lo + 0.5;
    LineVertex vertex{};
    vertex.axis = xMajor ? 0.0f : 1.0f;
    vertex.first = static_cast<float>(first);
    vertex.across = static_cast<float>(n0 + (first - m0) * slope);
    vertex.slope = static_cast<float>(slope);
    vertex.t0 = static_cast<float>((first - m0) * inverseLength);
    vertex.dt = static_cast<float>(inverseLength);
    vertex.z0 = from.z;
    vertex.dz = dz;
    bytesOf(from.colour, vertex.colour0);
    bytesOf(to.colour, vertex.colour1);
    // The quad: from the first pixel's edge to the last's along the major axis, a pixel either
    // side of the line across it, so every candidate centre lies well inside.
    const auto corner = [&](double major, double offset) {
        LineVertex v = vertex;
        const double minor = n0 + (major - m0) * slope + offset;
        v.x = static_cast<float>(xMajor ? major : minor);
        v.y = static_cast<float>(xMajor ? minor : major);
        return v;
    };
    const double start = lo, end = hi + 1.0;
    const LineVertex quad[4] = {corner(start, -1), corner(end, -1), corner(end, 1), corner(start, 1)};
    for (const int i : {0, 1, 2, 0, 2, 3}) lines_.push_back(quad[i]);
}

void GlDevice::flush() {
    const Kind kind = kind_;
    kind_ = Kind::None;
    const bool triangles = kind == Kind::Triangles;
    const std::size_t count = triangles ? triangles_.size() : lines_.size();
    if (kind == Kind::None || count == 0 || !current()) {
        triangles_.clear();
        lines_.clear();
        return;
    }
    beginFrame();
    const render::RenderStates& s = gatheredStates_;
    if (s.blend == render::Blend::SourceAlpha)
        gl_->glEnable(GL_BLEND);
    else
        gl_->glDisable(GL_BLEND);
    // With the test off OpenGL would not write the depth either: the software device does.
    if (s.depthTest || s.depthWrite) {
        gl_->glEnable(GL_DEPTH_TEST);
        gl_->glDepthFunc(s.depthTest ? GL_LEQUAL : GL_ALWAYS);
    } else {
        gl_->glDisable(GL_DEPTH_TEST);
    }
    gl_->glDepthMask(s.depthWrite ? GL_TRUE : GL_FALSE);

    QOpenGLShaderProgram& program = triangles ? *triangleProgram_ : *lineProgram_;
    const Uniforms& uniforms = triangles ? triangleUniforms_ : lineUniforms_;
    program.bind();
    program.setUniformValue(uniforms.scale, static_cast<float>(2.0 / width_), static_cast<float>(2.0 / height_));
    program.setUniformValue(uniforms.flip, upperLeft_ ? -1.0f : 1.0f);
    buffer_->bind();
    const auto attribute = [&](unsigned index, int size, GLenum type, bool normalised, std::size_t stride,
                               std::size_t offset) {
        gl_->glEnableVertexAttribArray(index);
        gl_->glVertexAttribPointer(index, size, type, normalised ? GL_TRUE : GL_FALSE, static_cast<GLsizei>(stride),
                                   reinterpret_cast<const void*>(offset));
    };
    if (triangles) {
        const int mode = gatheredTexture_ == 0                                                 ? 0
                         : gatheredStates_.textureBlend == render::TextureBlend::ModulateAlpha ? 2
                                                                                               : 1;
        program.setUniformValue(uniforms.textureMode, mode);
        gl_->glBindTexture(GL_TEXTURE_2D, gatheredTexture_);
        buffer_->allocate(triangles_.data(), static_cast<int>(count * sizeof(TriangleVertex)));
        constexpr std::size_t stride = sizeof(TriangleVertex);
        attribute(kPosition, 2, GL_FLOAT, false, stride, offsetof(TriangleVertex, x));
        attribute(kAttribute1, 1, GL_FLOAT, false, stride, offsetof(TriangleVertex, z));
        attribute(kAttribute2, 4, GL_FLOAT, false, stride, offsetof(TriangleVertex, colour));
        attribute(kAttribute3, 2, GL_FLOAT, false, stride, offsetof(TriangleVertex, u));
        gl_->glDisableVertexAttribArray(kAttribute4);
    } else {
        program.setUniformValue(uniforms.top, static_cast<float>(framebufferHeight_));
        buffer_->allocate(lines_.data(), static_cast<int>(count * sizeof(LineVertex)));
        constexpr std::size_t stride = sizeof(LineVertex);
        attribute(kPosition, 2, GL_FLOAT, false, stride, offsetof(LineVertex, x));
        attribute(kAttribute1, 4, GL_FLOAT, false, stride, offsetof(LineVertex, axis));
        attribute(kAttribute2, 4, GL_FLOAT, false, stride, offsetof(LineVertex, t0));
        attribute(kAttribute3, 4, GL_UNSIGNED_BYTE, true, stride, offsetof(LineVertex, colour0));
        attribute(kAttribute4, 4, GL_UNSIGNED_BYTE, true, stride, offsetof(LineVertex, colour1));
    }
    gl_->glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(count));
    triangles_.clear();
    lines_.clear();
}

void GlDevice::present() {
    flush();
    if (current())
        endFrame();
    else
        inFrame_ = false;
}

}  // namespace kestrel::ui

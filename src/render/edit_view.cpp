#include "render/edit_view.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "model/matrix.h"
#include "model/vector.h"

namespace kestrel::render {

using model::Matrix4;
using model::Model;
using model::ModelPolygon;
using model::ModelVertex;

namespace {

constexpr std::uint32_t kOpaque = 0xFF000000;
constexpr std::uint32_t kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF, kWhite = 0xFFFFFFFF;
constexpr std::uint32_t kActiveGreen = 0xFF80FF80;
constexpr double kAxisPixels = 200, kGridPixels = 300, kGridStep = 60;

int channel(std::int32_t rgb, int k) { return (rgb >> (16 - 8 * k)) & 0xFF; }

std::uint32_t argb(int alpha, int r, int g, int b) {
    return static_cast<std::uint32_t>(alpha) << 24 | static_cast<std::uint32_t>(r) << 16 |
           static_cast<std::uint32_t>(g) << 8 | static_cast<std::uint32_t>(b);
}

// One mask's share of a channel: the normal component mapped from -1..1 to 0..127.
// A broken normal (not a number, or far beyond unit length) lights nothing beyond the range.
int lightTerm(double component) {
    if (!std::isfinite(component)) component = 0;
    return static_cast<int>((std::clamp(component, -2.0, 2.0) * 127 + 128) * 0.5);
}

// Gathers the primitives of one pass and sends them in one draw.
class Batch {
public:
    explicit Batch(RenderDevice& target) : device(target) {}
    void vertex(const model::ScreenPoint& p, std::uint32_t colour, float u = 0, float v = 0) {
        vertices.push_back(
            {static_cast<float>(p.x), static_cast<float>(p.y), static_cast<float>(p.depth), 1.0f, colour, 0, u, v});
    }
    void line(const model::ScreenPoint& a, const model::ScreenPoint& b, std::uint32_t colour) {
        vertex(a, colour);
        vertex(b, colour);
    }
    // A square of half-size h about p, as four lines.
    void square(const model::ScreenPoint& p, double h, std::uint32_t colour) {
        const model::ScreenPoint c[4] = {{p.x - h, p.y - h, p.depth},
                                         {p.x + h, p.y - h, p.depth},
                                         {p.x + h, p.y + h, p.depth},
                                         {p.x - h, p.y + h, p.depth}};
        for (int i = 0; i < 4; ++i) line(c[i], c[(i + 1) % 4], colour);
    }
    void cross(const model::ScreenPoint& p, double h, std::uint32_t colour) {
        line({p.x - h, p.y - h, p.depth}, {p.x + h, p.y + h, p.depth}, colour);
        line({p.x + h, p.y - h, p.depth}, {p.x - h, p.y + h, p.depth}, colour);
    }
    void drawLines() {
        if (!vertices.empty()) device.drawLines(vertices);
        vertices.clear();
    }
    void drawTriangles() {
        if (!vertices.empty()) device.drawTriangles(vertices);
        vertices.clear();
    }

private:
    RenderDevice& device;
    std::vector<ScreenVertex> vertices;
};

// The light of a turned normal in each channel (red, green, blue), from the view's masks.
using Light = std::array<int, 3>;
Light lightOf(const ModelVertex& normal, const std::array<int, 3>& masks);
std::uint32_t litCornerColour(const ModelPolygon& polygon, int corner, Light lit, const ModelVertex& face,
                              bool selected, bool textured);

// A polygon's face normal turned by the camera, and its light where a corner takes it.
struct Face {
    ModelVertex normal;
    Light light{};
};

struct Scene {
    const Model& model;
    const EditView& view;
    model::ViewProjection projection;
    Matrix4 rotation;
    std::vector<model::ScreenPoint> points;  // every vertex projected
    std::vector<Light> vertexLight;          // each vertex normal's light, once per paint
    const model::Normals& normals;           // computed for this paint

    // Worked out as each polygon is drawn, in the same pass that reads its corners.
    Face face(std::size_t polygon) const {
        const ModelPolygon& p = model.polygons[polygon];
        Face f{model::transformVector(rotation, normals.face[polygon])};
        bool lit = p.shading == 'F';
        for (int corner = 0; corner < model::polygonCornerCount(p) && !lit; ++corner)
            lit = static_cast<std::size_t>(p.vId[corner]) >= vertexLight.size();
        if (lit) f.light = lightOf(f.normal, view.lightMasks);
        return f;
    }
    std::uint32_t colour(const ModelPolygon& p, const Face& face, int corner, bool textured, bool selected) const {
        const auto v = static_cast<std::size_t>(p.vId[corner]);
        const Light& lit = p.shading == 'F' || v >= vertexLight.size() ? face.light : vertexLight[v];
        return litCornerColour(p, corner, lit, face.normal, selected, textured);
    }
    bool facesViewer(std::size_t polygon) const {
        return model::transformVector(rotation, normals.face[polygon]).z >= 0;
    }
};

void drawWireframe(RenderDevice& device, Scene& s) {
    Batch batch(device);
    device.selectTexture(0);
    device.setStates({});
    static constexpr int kTriangleEdges[] = {0, 1, 1, 2, 2, 0};
    static constexpr int kQuadEdges[] = {0, 1, 1, 3, 3, 2, 2, 0};  // the console's corner order
    for (std::size_t i = 0; i < s.model.polygons.size(); ++i) {
        const ModelPolygon& p = s.model.polygons[i];
        const bool quad = model::polygonCornerCount(p) == 4;
        const bool selected = s.model.isPolygonSelected(p);
        const Face face = s.face(i);
        std::uint32_t colours[4];
        for (int corner = 0; corner < (quad ? 4 : 3); ++corner)
            colours[corner] = s.colour(p, face, corner, false, selected);
        const std::span<const int> edges =
            quad ? std::span<const int>(kQuadEdges) : std::span<const int>(kTriangleEdges);
        for (const int corner : edges) batch.vertex(s.points[static_cast<std::size_t>(p.vId[corner])], colours[corner]);
        batch.drawLines();  // one draw per polygon
    }
}

// The texture a polygon is drawn with: -1 for single and gradation colours.
int textureOf(const ModelPolygon& p) {
    return p.type == model::PTYPE_SINGLE_COLOUR || p.type == model::PTYPE_GRADATION_COLOUR ? -1 : p.tId;
}

void drawTextured(RenderDevice& device, Scene& s, std::span<const ViewTexture> textures) {
    Batch batch(device);
    static constexpr int kTriangleCorners[] = {1, 2, 0};
    static constexpr int kQuadCorners[] = {1, 2, 0, 1, 3, 2};
    int runTexture = std::numeric_limits<int>::min();
    bool runSemi = false;
    const auto flush = [&] {
        const bool known = runTexture >= 0 && runTexture < static_cast<int>(textures.size());
        device.selectTexture(known ? textures[static_cast<std::size_t>(runTexture)].handle : 0);
        RenderStates states;
        if (runSemi) {
            states.textureBlend = TextureBlend::ModulateAlpha;
            states.blend = Blend::SourceAlpha;
        }
        device.setStates(states);
        batch.drawTriangles();
    };
    for (std::size_t i = 0; i < s.model.polygons.size(); ++i) {
        const ModelPolygon& p = s.model.polygons[i];
        const int texture = textureOf(p);
        const bool semi = p.mat_flag & 4;
        if (texture != runTexture || semi != runSemi) {
            flush();
            runTexture = texture;
            runSemi = semi;
        }
        const Face face = s.face(i);
        if (face.normal.z < 0) continue;
        const ViewTexture* t = texture >= 0 && texture < static_cast<int>(textures.size())
                                   ? &textures[static_cast<std::size_t>(texture)]
                                   : nullptr;
        const float size = t && t->surfaceSize > 0 ? static_cast<float>(t->surfaceSize) : 1.0f;
        const bool quad = model::polygonCornerCount(p) == 4;
        const std::span<const int> corners =
            quad ? std::span<const int>(kQuadCorners) : std::span<const int>(kTriangleCorners);
        for (const int corner : corners)
            batch.vertex(s.points[static_cast<std::size_t>(p.vId[corner])], s.colour(p, face, corner, true, false),
                         static_cast<float>(p.tu[corner]) / size, static_cast<float>(p.tv[corner]) / size);
    }
    flush();
}

// Grey lines in the model's X-Z plane every 60 pixels over 300 pixels each way, dimmed with
// their depth behind the origin.
void drawGrid(RenderDevice& device, const Scene& s) {
    Batch batch(device);
    const double unit = 0.2 * s.view.scale;
    if (!(unit > 0) || !std::isfinite(unit)) return;
    const double extent = kGridPixels / unit, step = kGridStep / unit;
    const auto cued = [](const model::ScreenPoint& p) {
        const double behind = std::clamp(p.depth - 0.5, 0.0, 0.5);
        const int grey = static_cast<int>(0x80 * (1 - 2 * behind));
        return argb(0xFF, grey, grey, grey);
    };
    const auto add = [&](const ModelVertex& a, const ModelVertex& b) {
        const auto pa = s.projection.project(a), pb = s.projection.project(b);
        batch.vertex(pa, cued(pa));
        batch.vertex(pb, cued(pb));
    };
    for (int i = -5; i <= 5; ++i) {
        const double at = i * step;
        add({at, 0, -extent, 0}, {at, 0, extent, 0});
        add({-extent, 0, at, 0}, {extent, 0, at, 0});
    }
    device.setStates({});
    device.selectTexture(0);
    batch.drawLines();
}

void drawAxes(RenderDevice& device, const Scene& s) {
    Batch batch(device);
    const double unit = 0.2 * s.view.scale;
    if (!(unit > 0) || !std::isfinite(unit)) return;
    const double a = kAxisPixels / unit;
    const ModelVertex ends[3][2] = {
        {{-a, 0, 0, 0}, {a, 0, 0, 0}}, {{0, -a, 0, 0}, {0, a, 0, 0}}, {{0, 0, -a, 0}, {0, 0, a, 0}}};
    const std::uint32_t markers[3] = {kRed, kGreen, kBlue};
    for (int axis = 0; axis < 3; ++axis) {
        const auto from = s.projection.project(ends[axis][0]), to = s.projection.project(ends[axis][1]);
        batch.line(from, to, kGreen);
        batch.square(from, 8, markers[axis]);
    }
    device.setStates({});
    device.selectTexture(0);
    batch.drawLines();
}

// The vertices of polygons facing the viewer, red when selected and blue otherwise; only the
// selected ones over a textured model, which would hide the selection.
void drawVertices(RenderDevice& device, const Scene& s, bool selectedOnly) {
    Batch batch(device);
    std::vector<bool> marked(s.model.vertices.size(), false);
    for (std::size_t i = 0; i < s.model.polygons.size(); ++i) {
        if (!s.facesViewer(i)) continue;
        const ModelPolygon& p = s.model.polygons[i];
        for (int corner = 0; corner < model::polygonCornerCount(p); ++corner) {
            const auto v = static_cast<std::size_t>(p.vId[corner]);
            if (marked[v]) continue;
            marked[v] = true;
            const bool selected = s.model.vertices[v].flags & model::kVertexSelected;
            if (selected || !selectedOnly) batch.square(s.points[v], 3, selected ? kRed : kBlue);
        }
    }
    device.setStates({});
    device.selectTexture(0);
    batch.drawLines();
}

void drawOverlay(RenderDevice& device, std::span<const OverlayLine> lines) {
    std::vector<ScreenVertex> vertices;
    vertices.reserve(2 * lines.size());
    for (const OverlayLine& l : lines) {
        vertices.push_back({static_cast<float>(l.x0), static_cast<float>(l.y0), 0, 1, l.colour});
        vertices.push_back({static_cast<float>(l.x1), static_cast<float>(l.y1), 0, 1, l.colour});
    }
    RenderStates states;
    states.depthTest = states.depthWrite = false;
    device.setStates(states);
    device.selectTexture(0);
    device.drawLines(vertices);
}

void drawBones(RenderDevice& device, const Scene& s) {
    Batch batch(device);
    const model::Skeleton& skeleton = s.model.skeleton;
    const auto joint = [&](int j) {
        return j >= 0 && j < static_cast<int>(skeleton.joints.size())
                   ? s.projection.project(skeleton.joints[static_cast<std::size_t>(j)].position)
                   : model::ScreenPoint{};
    };
    for (const model::Bone& bone : skeleton.bones) {
        const auto start = joint(bone.startJoint), end = joint(bone.endJoint);
        batch.cross(start, 5, kWhite);
        batch.line(start, end, bone.flags & model::kBoneSelected ? kRed : kWhite);
        batch.square(end, 5, kWhite);
    }
    device.setStates({});
    device.selectTexture(0);
    batch.drawLines();
}

void drawActiveRectangle(RenderDevice& device) {
    Batch batch(device);
    const double right = device.width() - 2, bottom = device.height() - 1;
    const model::ScreenPoint c[4] = {{0, 0, 0}, {right, 0, 0}, {right, bottom, 0}, {0, bottom, 0}};
    for (int i = 0; i < 4; ++i) batch.line(c[i], c[(i + 1) % 4], kActiveGreen);
    device.setStates({false, false});
    device.selectTexture(0);
    batch.drawLines();
}

// The selected texture over the whole client area, and the texture coordinates of the
// selected polygons that use it, corner by corner.
void drawUvEdit(RenderDevice& device, const Model& m, std::span<const ViewTexture> textures, int selected) {
    if (selected < 0 || selected >= static_cast<int>(textures.size())) return;
    const ViewTexture& t = textures[static_cast<std::size_t>(selected)];
    if (t.surfaceSize <= 0 || t.bitmapWidth <= 0 || t.bitmapHeight <= 0) return;
    const float w = static_cast<float>(device.width()), h = static_cast<float>(device.height());
    const float uMax = static_cast<float>(t.bitmapWidth) / static_cast<float>(t.surfaceSize);
    const float vMax = static_cast<float>(t.bitmapHeight) / static_cast<float>(t.surfaceSize);
    const std::uint32_t c = 0x80FFFFFF;
    const ScreenVertex corners[4] = {{0, 0, 0.5f, 1, c, 0, 0, 0},
                                     {w, 0, 0.5f, 1, c, 0, uMax, 0},
                                     {0, h, 0.5f, 1, c, 0, 0, vMax},
                                     {w, h, 0.5f, 1, c, 0, uMax, vMax}};
    const ScreenVertex picture[6] = {corners[0], corners[1], corners[2], corners[1], corners[3], corners[2]};
    device.selectTexture(t.handle);
    device.setStates({false, false});
    device.drawTriangles(picture);
    device.selectTexture(0);

    Batch batch(device);
    for (const ModelPolygon& p : m.polygons) {
        if (!showsUvCorners(m, p, selected)) continue;
        const int n = model::polygonCornerCount(p);
        model::ScreenPoint at[4];
        for (int k = 0; k < n; ++k) at[k] = {w * p.tu[k] / t.bitmapWidth, h * p.tv[k] / t.bitmapHeight, 0};
        for (int k = 0; k < n; ++k) batch.square(at[k], 5, p.uvSelected[k] ? kRed : kBlue);
        if (n == 4) {
            batch.line(at[0], at[1], kWhite), batch.line(at[1], at[3], kWhite);
            batch.line(at[3], at[2], kWhite), batch.line(at[2], at[0], kWhite);
        } else {
            batch.line(at[0], at[1], kWhite), batch.line(at[1], at[2], kWhite), batch.line(at[2], at[0], kWhite);
        }
    }
    batch.drawLines();
}

}  // namespace

void EditView::dragTurn(int dx, int dy) {
    const auto wrap = [](double angle) {
        angle = std::fmod(angle, model::TWO_PI);
        return angle < 0 ? angle + model::TWO_PI : angle;
    };
    rotationX = wrap(rotationX + dy * 0.01);
    rotationY = wrap(rotationY - dx * 0.01);
}

bool EditView::toggleBackfaceRemoval() {
    if (!backfaceRemovalEnabled()) return false;
    backfaceRemoval = !backfaceRemoval;
    return true;
}

model::ViewProjection EditView::projection(int clientWidth, int clientHeight) const {
    return {rotationY, rotationX, scale, clientWidth, clientHeight, panX, panY};
}

void EditView::scaleToFit(const Model& model, int clientWidth, int clientHeight, Fit fit) {
    // A model that cannot be fitted keeps its scale, however often it is asked.
    if (fitBox(model, clientWidth, clientHeight) && fit == Fit::Margin) {
        // Zooming out about the centre moves the model's centre in with it.
        constexpr double kShare = 0.9;
        scale *= kShare;
        panX = static_cast<int>(panX * kShare);
        panY = static_cast<int>(panY * kShare);
    }
}

bool EditView::fitBox(const Model& model, int clientWidth, int clientHeight) {
    panX = panY = 0;
    if (model.vertices.empty()) return false;
    const Matrix4 turn = projection(clientWidth, clientHeight).rotation();
    double minX = std::numeric_limits<double>::infinity(), maxX = -minX, minY = minX, maxY = -minX;
    for (const ModelVertex& v : model.vertices) {
        const ModelVertex p = model::transformVector(turn, v);
        if (!std::isfinite(p.x) || !std::isfinite(p.y)) continue;
        minX = std::min(minX, p.x), maxX = std::max(maxX, p.x);
        minY = std::min(minY, p.y), maxY = std::max(maxY, p.y);
    }
    if (!(maxX >= minX)) return false;
    const double boxWidth = maxX - minX, boxHeight = maxY - minY;
    double fit = std::numeric_limits<double>::infinity();
    if (boxWidth > 0) fit = std::min(fit, clientWidth / boxWidth);
    if (boxHeight > 0) fit = std::min(fit, clientHeight / boxHeight);
    if (!std::isfinite(fit) || fit <= 0) return false;
    scale = 5 * fit;
    panX = static_cast<int>(std::trunc(0.2 * scale * -((minX + maxX) / 2)));
    panY = static_cast<int>(std::trunc(0.2 * scale * -((minY + maxY) / 2)));
    return true;
}

EditView EditViewMaker::make() {
    EditView view;
    view.mode = firstMade ? DisplayMode::Wireframe : DisplayMode::Textured;
    firstMade = true;
    return view;
}

std::uint32_t cornerColour(const Model& model, const ModelPolygon& polygon, int corner, const Matrix4& rotation,
                           const std::array<int, 3>& masks, bool textured) {
    const bool flat = polygon.shading == 'F';
    const auto vertex = static_cast<std::size_t>(polygon.vId[corner]);
    const ModelVertex normal = model::transformVector(
        rotation, flat || vertex >= model.normals.size() ? polygon.faceNormal : model.normals[vertex]);
    const ModelVertex face = model::transformVector(rotation, polygon.faceNormal);
    return litCornerColour(polygon, corner, lightOf(normal, masks), face, !textured && model.isPolygonSelected(polygon),
                           textured);
}

namespace {

Light lightOf(const ModelVertex& normal, const std::array<int, 3>& masks) {
    const double components[3] = {normal.x, normal.y, normal.z};
    Light lit{0, 0, 0};
    for (int k = 0; k < 3; ++k) {
        for (int m = 0; m < 3; ++m)
            if (masks[static_cast<std::size_t>(m)] >> k & 1) lit[k] += lightTerm(components[m]);
        lit[k] = std::min(lit[k], 127);
    }
    return lit;
}

std::uint32_t litCornerColour(const ModelPolygon& polygon, int corner, Light lit, const ModelVertex& face,
                              bool selected, bool textured) {
    if (!textured) {
        if (selected) {
            lit[0] = std::min(lightTerm(face.y), 127);
            lit[1] = lit[2] = 0;
        }
        int c[3];
        for (int k = 0; k < 3; ++k) c[k] = ((lit[k] + channel(polygon.rgb[1], k)) & 0x1FF) >> 1;
        return argb(0xFF, c[0], c[1], c[2]);
    }
    std::int32_t source = 0;
    switch (polygon.type) {
        case model::PTYPE_SINGLE_COLOUR:
        case model::PTYPE_TEXTURED_COLOURED:
            source = polygon.rgb[0];
            break;
        case model::PTYPE_GRADATION_COLOUR:
        case model::PTYPE_TEXTURED_GRADATION_COLOURED:
            source = polygon.rgb[corner];
            break;
        case model::PTYPE_TEXTURED:
            return argb(0x80, lit[0], lit[1], lit[2]);
        default:
            return 0;
    }
    int c[3];
    for (int k = 0; k < 3; ++k) c[k] = (channel(source, k) & 0xFE) / 2 + lit[k];
    return argb(0x80, c[0], c[1], c[2]);
}

void drawEditView(RenderDevice& device, const Model& model, const EditView& view, const PaintContext& context) {
    device.clear(true, true);
    if (view.mode == DisplayMode::TextureUvEdit) {
        drawUvEdit(device, model, context.textures, context.selectedTexture);
        if (context.active) drawActiveRectangle(device);
        return;
    }
    if (view.mode == DisplayMode::MovementTimeline) {
        drawMotionGraph(device, context.motionGraph ? *context.motionGraph : motionGraphOf(model, nullptr));
        if (context.active) drawActiveRectangle(device);
        return;
    }
    // The buffers outlive the paint, so that every frame reuses their memory.
    static thread_local model::Normals normals;
    model::computeNormals(model, normals);
    Scene s{model, view, view.projection(device.width(), device.height()), {}, {}, {}, normals};
    s.rotation = s.projection.rotation();
    // The camera matrix once, then every vertex through it.
    const model::Projector project(s.projection);
    s.points.reserve(model.vertices.size());
    for (const ModelVertex& v : model.vertices) s.points.push_back(project(v));
    s.vertexLight.reserve(s.normals.vertex.size());
    for (const ModelVertex& n : s.normals.vertex)
        s.vertexLight.push_back(lightOf(model::transformVector(s.rotation, n), view.lightMasks));

    if (view.showModel) {
        if (view.mode == DisplayMode::Textured)
            drawTextured(device, s, context.textures);
        else
            drawWireframe(device, s);
    }
    if (view.showGrid) drawGrid(device, s);
    if (view.showAxes) drawAxes(device, s);
    if (view.showVertices || (view.showModel && view.mode == DisplayMode::Textured))
        drawVertices(device, s, !view.showVertices);
    if (view.showBones && model.hasSkeleton()) drawBones(device, s);
    if (context.active) drawActiveRectangle(device);
    if (!context.overlay.empty()) drawOverlay(device, context.overlay);
}

}  // namespace

bool showsUvCorners(const Model& model, const ModelPolygon& polygon, int texture) {
    return polygon.tId == texture && textureOf(polygon) >= 0 && model.isPolygonSelected(polygon);
}

void paintEditView(RenderDevice& device, const Model& model, const EditView& view, const PaintContext& context) {
    drawEditView(device, model, view, context);
    device.present();
}

}  // namespace kestrel::render

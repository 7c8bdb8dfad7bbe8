#pragma once
// An edit view: its camera, display switches and mode, the commands that change only them,
// and its drawing of the model through a render device.
#include <array>
#include <cstdint>
#include <span>

#include "model/model.h"
#include "model/view_projection.h"
#include "render/motion_graph.h"
#include "render/render_device.h"

namespace kestrel::render {

enum class DisplayMode { Wireframe = 0, Textured = 1, TextureUvEdit = 2, MovementTimeline = 3 };

// Single-precision pi/2, as the view commands store it.
inline constexpr double kQuarterTurn = 1.5707963705062866;

struct EditView {
    model::ModelVertex marker{};  // the point the tools use
    int backfaceRemoval = 1;
    double scale = model::kInitialViewScale;  // 0.2 x scale pixels per model unit
    double rotationY = 0;                     // radians
    double rotationX = 0;
    int panX = 0, panY = 0;  // pixels
    int showFaceNormals = 0;
    int showVertices = 0;
    int showAxes = 1;
    int showGrid = 0;
    int showBones = 1;
    int showModel = 1;
    DisplayMode mode = DisplayMode::Wireframe;
    std::array<int, 3> lightMasks{4, 2, 1};  // X, Y, Z; bit 0 red, bit 1 green, bit 2 blue

    // The view commands.
    void side() { rotationX = 0, rotationY = kQuarterTurn; }
    void top() { rotationY = 0, rotationX = kQuarterTurn; }
    void front() { rotationX = 0, rotationY = 0; }
    void rotateY(double radians) { rotationY += radians; }
    void rotateX(double radians) { rotationX += radians; }
    // One press of "Rotate X +" and the others: a tenth of a radian, about the axis named.
    static constexpr double kRotationStep = 0.1;
    // A right-button drag by (dx, dy) pixels: 0.01 radian a pixel, down turning about X and
    // right turning about Y the other way; each angle is kept in [0, 2pi).
    void dragTurn(int dx, int dy);
    void scaleUp() { scale += 0.1; }
    // A scale already at 0 or below becomes 0.01.
    void scaleDown() { scale = scale <= 0 ? 0.01 : scale - 0.1; }
    // "Backface Removal" is offered in wireframe mode only; false when refused.
    bool backfaceRemovalEnabled() const { return mode == DisplayMode::Wireframe; }
    bool toggleBackfaceRemoval();
    // Centres the model and zooms so that its box fills the client area; the rotation stays.
    // A model without vertices, or one that is a single point on screen, keeps its scale.
    // With a margin ("Scale view to fit", and a set just opened) the box fills 90% of it, so
    // the outline does not lie on the edge.
    enum class Fit { Edge, Margin };
    void scaleToFit(const model::Model& model, int clientWidth, int clientHeight, Fit fit = Fit::Edge);

    model::ViewProjection projection(int clientWidth, int clientHeight) const;

private:
    // False when the model has no box to fit (no vertices, or one point on screen).
    bool fitBox(const model::Model& model, int clientWidth, int clientHeight);
};

// Views of one process: the first one made starts textured, every later one in wireframe.
class EditViewMaker {
public:
    EditView make();

private:
    bool firstMade = false;
};

// A texture as the views use it: the device texture and the picture's place on its surface.
struct ViewTexture {
    TextureHandle handle = 0;  // 0: draw untextured
    int bitmapWidth = 0, bitmapHeight = 0;
    int surfaceSize = 0;
};

// A line drawn over the view, in its pixels: what a tool shows while it drags.
struct OverlayLine {
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    std::uint32_t colour = 0xFFFFFFFF;
    bool operator==(const OverlayLine&) const = default;
};

struct PaintContext {
    bool active = false;                       // the frame's active view gets its rectangle
    std::span<const ViewTexture> textures;     // texture slot i of the model
    int selectedTexture = -1;                  // the project window's texture item, for UV mode
    std::span<const OverlayLine> overlay{};    // drawn last, over everything
    const MotionGraph* motionGraph = nullptr;  // what the motion-speed mode draws; none: no movement
};

// Whether the UV edit mode draws the polygon's texture corners for the texture: it uses it,
// is not plain colour, and is selected. The tools pick and move only these.
bool showsUvCorners(const model::Model& model, const model::ModelPolygon& polygon, int texture);

// Draws the view into the device, lit by normals computed for the paint (in the motion-speed
// mode, the context's graph instead of the model); the model is not changed.
void paintEditView(RenderDevice& device, const model::Model& model, const EditView& view, const PaintContext& context);

// The colour of a polygon's corner: lit by the view's masks from the face normal (flat) or the
// corner's vertex normal, both turned by the camera, and mixed with the polygon's colours.
std::uint32_t cornerColour(const model::Model& model, const model::ModelPolygon& polygon, int corner,
                           const model::Matrix4& rotation, const std::array<int, 3>& masks, bool textured);

}  // namespace kestrel::render

// The edit view's drawing, checked on the primitives it sends to a recording device: the
// numbers a user sees (axis lengths, marker colours, grid spacing), the corner colour rule
// and the view commands.
#include <gtest/gtest.h>

#include <cmath>

#include "render/edit_view.h"

namespace kestrel::render {
namespace {

using model::ModelVertex;

struct Draw {
    bool lines = false;
    TextureHandle texture = 0;
    RenderStates states;
    std::vector<ScreenVertex> vertices;
};

class RecordingDevice final : public RenderDevice {
public:
    std::vector<Draw> draws;
    int clears = 0;
    std::size_t presentedAfter = 0;  // draws sent before the last present
    int presents = 0;
    int width() const override { return 640; }
    int height() const override { return 480; }
    void setBackground(std::uint32_t) override {}
    void clear(bool, bool) override { ++clears; }
    TextureHandle createTexture(const TextureImage&) override { return 1; }
    void releaseTexture(TextureHandle) override {}
    void selectTexture(TextureHandle t) override { texture = t; }
    void setStates(const RenderStates& s) override { states = s; }
    void drawLines(std::span<const ScreenVertex> v) override {
        draws.push_back({true, texture, states, {v.begin(), v.end()}});
    }
    void drawTriangles(std::span<const ScreenVertex> v) override {
        draws.push_back({false, texture, states, {v.begin(), v.end()}});
    }
    void present() override {
        ++presents;
        presentedAfter = draws.size();
    }

    // Every line segment drawn, as vertex pairs.
    std::vector<std::pair<ScreenVertex, ScreenVertex>> segments() const {
        std::vector<std::pair<ScreenVertex, ScreenVertex>> all;
        for (const Draw& d : draws)
            if (d.lines)
                for (std::size_t i = 0; i + 1 < d.vertices.size(); i += 2)
                    all.emplace_back(d.vertices[i], d.vertices[i + 1]);
        return all;
    }
    int segmentsOfColour(std::uint32_t colour) const {
        int n = 0;
        for (const auto& [a, b] : segments()) n += a.colour == colour;
        return n;
    }

private:
    TextureHandle texture = 0;
    RenderStates states;
};

// One quadrilateral facing the viewer (its face normal towards +z after the camera) and one
// facing away, in the console's corner order.
model::Model twoQuads() {
    model::Model m;
    for (const ModelVertex& v : {ModelVertex{-50, -50, 0, 0}, ModelVertex{50, -50, 0, 0}, ModelVertex{-50, 50, 0, 0},
                                 ModelVertex{50, 50, 0, 0}})
        m.addVertex(v);
    m.addPolygon(0, 1, 2, 3);
    m.addPolygon(0, 2, 1, 3);
    for (auto& p : m.polygons) {
        p.flags = 1;
        p.type = model::PTYPE_SINGLE_COLOUR;
        p.rgb = {0x204060, 0x204060, 0x204060, 0x204060};
    }
    return m;
}

}  // namespace

TEST(EditView, ViewsStartTexturedOnceThenWireframeAndCommandsSetTheCamera) {
    EditViewMaker maker;
    EXPECT_EQ(maker.make().mode, DisplayMode::Textured);
    EditView second = maker.make();
    EXPECT_EQ(second.mode, DisplayMode::Wireframe);
    EXPECT_TRUE(second.toggleBackfaceRemoval());
    second.mode = DisplayMode::Textured;
    EXPECT_FALSE(second.toggleBackfaceRemoval());  // greyed out outside wireframe

    second.side();
    EXPECT_EQ(second.rotationY, kQuarterTurn);
    second.front();
    EXPECT_EQ(second.rotationX, 0.0);
    EXPECT_EQ(second.rotationY, 0.0);
    second.top();
    EXPECT_EQ(second.rotationX, kQuarterTurn);
    second.scale = 0.05;
    second.scaleDown();
    EXPECT_NEAR(second.scale, -0.05, 1e-12);
    second.scaleDown();
    EXPECT_EQ(second.scale, 0.01);
}

TEST(EditView, ARightDragTurnsTheCameraWithinOneTurn) {
    EditView view;
    view.dragTurn(10, 20);  // right and down
    EXPECT_NEAR(view.rotationX, 0.2, 1e-12);
    EXPECT_NEAR(view.rotationY, model::TWO_PI - 0.1, 1e-12);
    // Whole turns and more, either way, stay in [0, 2pi).
    view.dragTurn(-2000, -1000);
    EXPECT_GE(view.rotationX, 0.0);
    EXPECT_LT(view.rotationX, model::TWO_PI);
    EXPECT_NEAR(view.rotationX, std::fmod(0.2 - 10.0, model::TWO_PI) + model::TWO_PI, 1e-9);
    EXPECT_GE(view.rotationY, 0.0);
    EXPECT_LT(view.rotationY, model::TWO_PI);
}

TEST(EditView, AxesSpanTwoHundredPixelsWithColouredNegativeEnds) {
    for (const double scale : {0.7, 1.4}) {
        model::Model m;
        EditView view;
        view.scale = scale;
        RecordingDevice device;
        paintEditView(device, m, view, {});
        const auto segments = device.segments();
        ASSERT_GE(segments.size(), 3u);
        // The X axis: from (320 - 200, 240) to (320 + 200, 240).
        EXPECT_NEAR(segments[0].first.x, 120, 1e-6);
        EXPECT_NEAR(segments[0].second.x, 520, 1e-6);
        EXPECT_EQ(segments[0].first.colour, 0xFF00FF00u);
        EXPECT_EQ(device.segmentsOfColour(0xFFFF0000), 4);      // the -X square
        EXPECT_EQ(device.segmentsOfColour(0xFF0000FF), 4);      // -Z
        EXPECT_EQ(device.segmentsOfColour(0xFF00FF00), 3 + 4);  // the three axes and -Y
    }
}

TEST(EditView, GridLinesAreSixtyPixelsApart) {
    model::Model m;
    EditView view;
    view.showAxes = 0;
    view.showGrid = 1;
    view.scale = 1.3;
    RecordingDevice device;
    paintEditView(device, m, view, {});
    const auto segments = device.segments();
    ASSERT_EQ(segments.size(), 22u);  // 11 lines each way
    EXPECT_NEAR(segments[2].first.x - segments[0].first.x, 60, 1e-6);
    EXPECT_NEAR(segments[0].first.x, 320 - 300, 1e-6);
}

TEST(EditView, VerticesOfFrontFacesAreMarkedRedWhenSelected) {
    model::Model m = twoQuads();
    m.polygons.pop_back();  // only the quad facing the viewer
    m.vertices[3].flags |= model::kVertexSelected;
    EditView view;
    view.showAxes = 0;
    view.showModel = 0;
    view.showVertices = 1;
    RecordingDevice device;
    paintEditView(device, m, view, {});
    EXPECT_EQ(device.segmentsOfColour(0xFFFF0000), 4);
    EXPECT_EQ(device.segmentsOfColour(0xFF0000FF), 12);

    view.rotationY = 3.14159;  // now it faces away: no markers
    RecordingDevice turned;
    paintEditView(turned, m, view, {});
    EXPECT_TRUE(turned.segments().empty());
}

TEST(EditView, TexturedModeDrawsFrontFacesOnlyWithTheCornerColourRule) {
    model::Model m = twoQuads();
    EditView view;
    view.mode = DisplayMode::Textured;
    view.showAxes = 0;
    RecordingDevice device;
    paintEditView(device, m, view, {});
    std::size_t triangles = 0;
    for (const Draw& d : device.draws) triangles += d.lines ? 0 : d.vertices.size() / 3;
    EXPECT_EQ(triangles, 2u);  // one quadrilateral: the other faces away

    // Flat 'C' polygon, normal (0, 0, +-1) after the camera, default masks X=4, Y=2, Z=1:
    // red from z, green from y, blue from x, each (n * 127 + 128) / 2 truncated.
    const model::ModelPolygon& p = m.polygons[0];
    const double nz = p.faceNormal.z;
    const int fromZ = static_cast<int>((nz * 127 + 128) * 0.5), fromZero = 64;
    const int red = (0x20 & 0xFE) / 2 + fromZ, green = (0x40 & 0xFE) / 2 + fromZero,
              blue = (0x60 & 0xFE) / 2 + fromZero;
    const std::uint32_t expected = 0x80000000u | static_cast<std::uint32_t>(red << 16 | green << 8 | blue);
    EXPECT_EQ(cornerColour(m, p, 0, model::identityMatrix(), view.lightMasks, true), expected);
    // Wireframe mixes the light with the second corner colour: (L + c) / 2.
    const std::uint32_t wire =
        0xFF000000u | static_cast<std::uint32_t>(((fromZ + 0x20) >> 1) << 16 | ((fromZero + 0x40) >> 1) << 8 |
                                                 ((fromZero + 0x60) >> 1));
    EXPECT_EQ(cornerColour(m, p, 0, model::identityMatrix(), view.lightMasks, false), wire);
    model::ModelPolygon other = p;
    other.type = 'X';
    EXPECT_EQ(cornerColour(m, other, 0, model::identityMatrix(), view.lightMasks, true), 0u);
}

TEST(EditView, BonesAndTheActiveRectangleHaveTheirColours) {
    model::Model m;
    m.skeleton.joints.resize(2);
    m.skeleton.joints[1].position = {0, 100, 0, 0};
    m.skeleton.bones.push_back({0, 1, {}, model::kBoneSelected, -1});
    EditView view;
    view.showAxes = 0;
    RecordingDevice device;
    paintEditView(device, m, view, {.active = true, .textures = {}});
    EXPECT_EQ(device.segmentsOfColour(0xFFFF0000), 1);      // the selected bone
    EXPECT_EQ(device.segmentsOfColour(0xFFFFFFFF), 2 + 4);  // cross and square
    EXPECT_EQ(device.segmentsOfColour(0xFF80FF80), 4);      // the active view's rectangle
    const auto segments = device.segments();
    EXPECT_EQ(segments.back().first.x, 0.0f);
    EXPECT_EQ(segments[segments.size() - 3].first.x, 638.0f);  // right - 2
}

TEST(EditView, ScaleToFitCentresTheModelAndFillsTheView) {
    model::Model m;
    m.addVertex({100, 0, 0, 0});
    m.addVertex({300, 100, 0, 0});
    EditView view;
    view.panX = 7;
    view.scaleToFit(m, 640, 480);
    // Box 200 x 100: 640 / 200 = 3.2 against 480 / 100 = 4.8, so 5 x 3.2.
    EXPECT_DOUBLE_EQ(view.scale, 16);
    EXPECT_EQ(view.panX, static_cast<int>(0.2 * 16 * -200));
    EXPECT_EQ(view.panY, static_cast<int>(0.2 * 16 * -50));
    // With the margin the box fills 90% of the view, about the same centre.
    view.scaleToFit(m, 640, 480, EditView::Fit::Margin);
    EXPECT_DOUBLE_EQ(view.scale, 16 * 0.9);
    EXPECT_EQ(view.panX, static_cast<int>(static_cast<int>(0.2 * 16 * -200) * 0.9));

    model::Model point;
    point.addVertex({5, 5, 5, 0});
    view.scaleToFit(point, 640, 480);  // a single point: the scale stays
    EXPECT_DOUBLE_EQ(view.scale, 16 * 0.9);
    view.scaleToFit(point, 640, 480, EditView::Fit::Margin);  // and is not shrunk either
    EXPECT_DOUBLE_EQ(view.scale, 16 * 0.9);
    EXPECT_EQ(view.panX, 0);
}

TEST(EditView, BrokenModelsDrawWithoutTrouble) {
    model::Model m = twoQuads();
    m.vertices[0] = {std::nan(""), 1e300, -1e300, 0};
    m.polygons[0].tId = 7;  // no such texture
    m.polygons[0].type = model::PTYPE_TEXTURED;
    EditView view;
    view.scale = 0;
    for (const DisplayMode mode : {DisplayMode::Wireframe, DisplayMode::Textured, DisplayMode::TextureUvEdit}) {
        view.mode = mode;
        RecordingDevice device;
        paintEditView(device, m, view, {.active = false, .textures = {}, .selectedTexture = 3});
        EXPECT_EQ(device.clears, 1);
        EXPECT_EQ(device.presents, 1);  // once, after everything
        EXPECT_EQ(device.presentedAfter, device.draws.size());
    }
}

}  // namespace kestrel::render

// The tools driven through synthetic pointer events on a document, seen from the front at
// scale 0.5 in a 200 x 200 client area: a pixel is ten model units, and model x and y run
// with the screen's.
#include <gtest/gtest.h>

#include <cmath>

#include "model/vector.h"
#include "tools/double_click_menu.h"
#include "tools/view_tools.h"

namespace kestrel::tools {
namespace {

struct Bench {
    app::Document document{std::make_unique<formats::MemoryFileSystem>()};
    ToolWord word;
    ViewTools tools{document, word};
    render::EditView view;
    Bench() {
        view.scale = 0.5;
        view.mode = render::DisplayMode::Wireframe;
        document.edit("build", [](model::Model& m) {
            // Vertices at screen (100, 100), (110, 100), (100, 110) and (110, 110): a quad facing
            // the viewer; vertex 4 alone at (150, 100).
            for (const auto& v :
                 {model::makeVector(0, 0, 0), model::makeVector(100, 0, 0), model::makeVector(0, 100, 0),
                  model::makeVector(100, 100, 0), model::makeVector(500, 0, 0)})
                m.addVertex(v);
            m.polygons[static_cast<std::size_t>(m.addPolygon(0, 1, 2, 3))].flags = 1;
        });
    }
    ViewTarget target() { return {view, 200, 200}; }
    void drag(double x0, double y0, double x1, double y1, bool shift = false) {
        tools.leftPress(target(), {x0, y0, shift});
        tools.move(target(), {(x0 + x1) / 2, (y0 + y1) / 2, shift});
        tools.move(target(), {x1, y1, shift});
        tools.leftRelease(target(), {x1, y1, shift});
    }
    const model::ModelVertex& vertex(int i) const { return document.model().vertices[static_cast<std::size_t>(i)]; }
    bool selected(int i) const { return (vertex(i).flags & model::kVertexSelected) != 0; }
    void select(std::initializer_list<int> vertices) { document.selectVertices(std::vector<int>(vertices)); }
};

void expectNear(const model::ModelVertex& v, double x, double y, double z) {
    EXPECT_NEAR(v.x, x, 1e-9);
    EXPECT_NEAR(v.y, y, 1e-9);
    EXPECT_NEAR(v.z, z, 1e-9);
}

}  // namespace

TEST(ViewTools, PickingTogglesAndAMissFallsThroughToTheRubberBand) {
    Bench b;
    b.drag(101, 101, 101, 101);
    EXPECT_TRUE(b.selected(0));
    b.drag(101, 101, 101, 101);
    EXPECT_FALSE(b.selected(0));
    // From empty space a band round vertices 1 and 3 adds them; no undo step for a selection.
    const std::string before = b.document.undoName();
    b.drag(105, 95, 115, 115);
    EXPECT_TRUE(b.selected(1) && b.selected(3));
    EXPECT_FALSE(b.selected(0) || b.selected(2) || b.selected(4));
    EXPECT_EQ(b.document.undoName(), before);
    EXPECT_TRUE(b.tools.overlay().lines.empty());
}

TEST(ViewTools, TheRubberBandUsesTheViewItIsDrawnIn) {
    Bench b;
    b.view.side();  // looking along x: vertices 0 and 1 fall on one point, vertex 4 too
    b.drag(95, 95, 105, 105);
    EXPECT_TRUE(b.selected(0) && b.selected(1) && b.selected(4));
    EXPECT_FALSE(b.selected(2) || b.selected(3));
}

TEST(ViewTools, MoveWithTheXLockGoesAlongXOnlyAndIsOneUndoStep) {
    Bench b;
    b.select({0, 3});
    b.word.choose(bit::kMove);
    b.word.setLocks(bit::kLockY | bit::kLockZ);  // "Move X"
    const std::string before = b.document.undoName();
    b.drag(50, 50, 53, 57);
    expectNear(b.vertex(0), 30, 0, 0);
    expectNear(b.vertex(3), 130, 100, 0);
    expectNear(b.vertex(1), 100, 0, 0);
    EXPECT_EQ(b.document.undoName(), "Move");
    b.document.undo();
    expectNear(b.vertex(0), 0, 0, 0);
    EXPECT_EQ(b.document.undoName(), before);
}

TEST(ViewTools, RotateTurnsAboutTheMarkerSetByThePress) {
    Bench b;
    b.select({1});
    b.word.choose(bit::kRotate);
    b.word.setLocks(bit::kLockX | bit::kLockY);  // about z only: 2pi dx / height
    // Pressed on vertex 0 (the origin); 50 pixels across a 200-pixel height is a quarter turn.
    b.drag(100, 100, 150, 100);
    EXPECT_NEAR(std::hypot(b.vertex(1).x, b.vertex(1).y), 100, 1e-6);
    EXPECT_NEAR(b.vertex(1).x, 0, 1e-4);
    EXPECT_NEAR(std::fabs(b.vertex(1).y), 100, 1e-4);
    EXPECT_EQ(b.vertex(1).z, 0);
    expectNear(b.view.marker, 0, 0, 0);
}

TEST(ViewTools, ResizeAndStretchScaleAboutTheSelectionsBox) {
    Bench b;
    b.select({0, 1});  // box centre (50, 0, 0)
    b.word.choose(bit::kResize);
    // From 100 to 200 pixels from the client's corner: twice the size.
    b.tools.leftPress(b.target(), {100, 0});
    b.tools.move(b.target(), {200, 0});
    b.tools.leftRelease(b.target(), {200, 0});
    expectNear(b.vertex(0), -50, 0, 0);
    expectNear(b.vertex(1), 150, 0, 0);

    Bench s;
    s.select({0, 3});  // box (0, 0) to (100, 100), centre (50, 50)
    s.word.choose(bit::kStretch);
    s.word.setLocks(bit::kLockY);
    s.tools.leftPress(s.target(), {100, 0});
    s.tools.move(s.target(), {200, 0});
    s.tools.leftRelease(s.target(), {200, 0});
    expectNear(s.vertex(0), -50, 25, 0);  // x doubled, the locked y halved
    expectNear(s.vertex(3), 150, 75, 0);
}

TEST(ViewTools, TheMagnetPullsNearVerticesFurthest) {
    Bench b;
    b.select({1, 4});  // 100 and 500 units from the marker at the origin
    b.word.choose(bit::kMagnet);
    b.tools.leftPress(b.target(), {100, 100});
    b.tools.move(b.target(), {101, 100});  // a drag of 10 units along x
    b.tools.leftRelease(b.target(), {101, 100});
    expectNear(b.vertex(1), 101, 0, 0);    // 10 x 10 / 100
    expectNear(b.vertex(4), 500.2, 0, 0);  // 10 x 10 / 500
}

TEST(ViewTools, EscapeEndsADragAndLeavesEverythingAsBefore) {
    Bench b;
    b.select({0});
    b.word.choose(bit::kMove);
    const std::string before = b.document.undoName();
    b.tools.leftPress(b.target(), {10, 10});
    b.tools.move(b.target(), {30, 10});
    expectNear(b.vertex(0), 200, 0, 0);
    EXPECT_TRUE(b.tools.cancel(b.target()));
    expectNear(b.vertex(0), 0, 0, 0);
    EXPECT_TRUE(b.selected(0));
    EXPECT_EQ(b.document.undoName(), before);
    EXPECT_FALSE(b.document.canRedo());
    b.tools.leftRelease(b.target(), {30, 10});  // the release after Escape does nothing
    expectNear(b.vertex(0), 0, 0, 0);

    b.word.choose(bit::kPan);
    b.tools.leftPress(b.target(), {10, 10});
    b.tools.move(b.target(), {40, 30});
    EXPECT_EQ(b.view.panX, 30);
    b.tools.cancel(b.target());
    EXPECT_EQ(b.view.panX, 0);
    EXPECT_FALSE(b.tools.cancel(b.target()));
}

TEST(ViewTools, CameraToolsZoomPanAndTurn) {
    Bench b;
    b.word.choose(bit::kZoom);
    b.drag(100, 0, 0, 0);  // -100 pixels: -1.0 on a scale of 0.5
    EXPECT_EQ(b.view.scale, 0);
    b.view.scale = 0.5;
    b.word.choose(bit::kZoomArea);
    b.drag(100, 100, 150, 120);  // a quarter of the width: four times the scale
    EXPECT_DOUBLE_EQ(b.view.scale, 2.0);
    // The band's centre (125, 110) comes to the window centre.
    const model::ScreenPoint centre = b.view.projection(200, 200).project(model::makeVector(250, 100, 0));
    EXPECT_NEAR(centre.x, 100, 1);
    EXPECT_NEAR(centre.y, 100, 1);
    // The wheel zooms about the pointer; the right button turns, wrapping into [0, 2pi).
    render::EditView before = b.view;
    const auto under = before.projection(200, 200).unproject({40, 60, 0.5});
    b.tools.wheel(b.target(), {40, 60}, 2);
    EXPECT_DOUBLE_EQ(b.view.scale, 2.0 * 1.21);
    const model::ScreenPoint still = b.view.projection(200, 200).project(under);
    EXPECT_NEAR(still.x, 40, 1);
    EXPECT_NEAR(still.y, 60, 1);
    b.tools.rightPress(b.target(), {0, 0});
    b.tools.move(b.target(), {700, 0});
    b.tools.rightRelease(b.target(), {700, 0});
    EXPECT_NEAR(b.view.rotationY, 2 * model::TWO_PI - 7, 1e-6);  // -7 radians, brought into [0, 2pi)
}

TEST(ViewTools, MeasureAngleShowsTheLinesAngle) {
    Bench b;
    b.word.choose(bit::kMeasureAngle);
    b.tools.leftPress(b.target(), {10, 10});
    b.tools.move(b.target(), {20, 0});
    EXPECT_EQ(b.tools.overlay().info, "Angle=45.000000deg, 0.785398rad");
    EXPECT_EQ(b.tools.overlay().lines.size(), 1u);
    b.tools.leftRelease(b.target(), {20, 0});
    EXPECT_TRUE(b.tools.overlay().lines.empty());
}

TEST(ViewTools, MakeBoneMakesJointsAndJoinsExistingOnes) {
    Bench b;
    b.word.choose(bit::kMakeBone);
    b.drag(100, 100, 100, 150);  // origin to (0, 500, 0)
    const model::Skeleton& s = b.document.model().skeleton;
    ASSERT_EQ(s.bones.size(), 1u);
    ASSERT_EQ(s.joints.size(), 2u);
    expectNear(s.joints[static_cast<std::size_t>(s.bones[0].endJoint)].position, 0, 500, 0);
    EXPECT_EQ(b.document.undoName(), "Make Bone");
    b.drag(101, 151, 150, 150);  // from the end joint (within 5 pixels) to empty space
    const model::Skeleton& t = b.document.model().skeleton;
    ASSERT_EQ(t.bones.size(), 2u);
    EXPECT_EQ(t.joints.size(), 3u);
    EXPECT_EQ(t.bones[0].startJoint, s.bones[1].endJoint);  // the newest bone heads the list
}

TEST(ViewTools, RotateJointEndsAsTheJointRotationOfTheDraggedAngle) {
    Bench b, expected;
    for (Bench* d : {&b, &expected}) {
        d->word.choose(bit::kMakeBone);
        d->drag(100, 100, 100, 150);
        d->document.selectVertices({2, 3});
        d->document.attachToBone();
    }
    b.word.choose(bit::kRotateJoint);
    b.tools.leftPress(b.target(), {100, 150});
    b.tools.move(b.target(), {150, 150});  // a quarter of the width: a quarter turn
    EXPECT_EQ(b.tools.overlay().info, "Angle=90.000000deg, 1.570796rad");
    b.tools.leftRelease(b.target(), {150, 150});
    const int joint = expected.document.model().skeleton.bones[0].endJoint;
    expected.document.rotateJoint(joint, false, model::TWO_PI / 4, expected.view.projection(200, 200));
    EXPECT_EQ(b.document.model().vertices, expected.document.model().vertices);
    EXPECT_EQ(b.document.model().skeleton, expected.document.model().skeleton);
}

}  // namespace kestrel::tools

namespace kestrel::tools {

// The material items appear for wholly selected polygons only and are judged over them.
TEST(DoubleClickMenu, MaterialItemsFollowTheWhollySelectedPolygons) {
    model::Model m;
    for (int v = 0; v < 4; ++v) m.addVertex(model::makeVector(v, 0, 0));
    m.addPolygon(0, 1, 2, -1);
    m.addPolygon(1, 2, 3, -1);
    m.polygons[0].shading = 'G';
    m.polygons[0].mat_flag = 4;  // transparent, lit
    m.polygons[1].tId = 0;
    const auto texts = [](const std::vector<MenuItem>& items) {
        std::vector<std::string> checked;
        for (const MenuItem& i : items)
            if (i.checked) checked.push_back(i.text);
        return checked;
    };
    const auto viewOnly = doubleClickMenu(m, render::DisplayMode::Wireframe);
    ASSERT_EQ(viewOnly.size(), 9u);
    EXPECT_EQ(texts(viewOnly), std::vector<std::string>{"View Wireframe"});

    for (int v : {0, 1, 2}) m.vertices[static_cast<std::size_t>(v)].flags |= model::kVertexSelected;
    const auto one = doubleClickMenu(m, render::DisplayMode::Textured);
    ASSERT_EQ(one.size(), 18u);
    EXPECT_EQ(texts(one),
              (std::vector<std::string>{"Use Vertex Normal Lighting (Gourard Shading)", "Light source at runtime",
                                        "Coloured Face", "Transparent", "View Textured"}));
    m.vertices[3].flags |= model::kVertexSelected;  // both polygons: mixed, so fewer checks
    EXPECT_EQ(texts(doubleClickMenu(m, render::DisplayMode::TextureUvEdit)),
              (std::vector<std::string>{"Light source at runtime", "Textured Face", "View UV Edit"}));
    EXPECT_TRUE(one[1].separatorAfter && one[3].separatorAfter && one[8].separatorAfter && one[15].separatorAfter);
}

}  // namespace kestrel::tools

namespace kestrel::tools {

// In UV edit mode the pointer works on the selected texture's corners: a click toggles those
// under it, a Move drag shifts them by whole texels and never past the texture's edge.
TEST(ViewTools, UvEditModePicksAndMovesCornersWithinTheTexture) {
    app::Document document;
    ASSERT_TRUE(document.openFile(std::string(KESTREL_SOURCE_DIR) + "/data/samples/robot.rsd"));
    const auto& picture = document.textureSlots().at(0).picture;
    ASSERT_EQ(picture.width, 16);
    document.select({app::ProjectItem::Texture, "", 0});
    // Polygons 0 and 1 use the texture; 0 is selected, so only its corners are drawn.
    std::vector<int> corners;
    for (const int v : document.model().polygons[0].vId) corners.push_back(v);
    document.selectVertices(corners);
    ToolWord word;
    ViewTools tools(document, word);
    render::EditView view;
    view.mode = render::DisplayMode::TextureUvEdit;
    const ViewTarget target{view, 160, 160 * picture.height / 16, 0};  // ten pixels a texel
    const auto corner = [&](int polygon, int k) {
        const model::ModelPolygon& p = document.model().polygons[static_cast<std::size_t>(polygon)];
        return std::array<int, 3>{p.tu[static_cast<std::size_t>(k)], p.tv[static_cast<std::size_t>(k)],
                                  p.uvSelected[static_cast<std::size_t>(k)]};
    };
    ASSERT_EQ(corner(0, 3), (std::array<int, 3>{15, 15, 0}));
    const double y = 15.0 * target.height / picture.height;
    tools.leftPress(target, {151, y + 1});
    tools.leftRelease(target, {151, y + 1});
    EXPECT_EQ(corner(0, 3)[2], 1);
    EXPECT_EQ(corner(0, 0)[2], 0);
    EXPECT_EQ(corner(1, 3)[2], 0);  // the same texel on a polygon not selected, so not drawn

    word.choose(bit::kMove);
    tools.leftPress(target, {100, 100});
    tools.move(target, {115, 100});  // a texel and a half: one whole texel now
    tools.move(target, {130, 100 - 2.0 * target.height / picture.height});
    tools.leftRelease(target, {130, 100});
    EXPECT_EQ(corner(0, 3), (std::array<int, 3>{16, 13, 1}));  // 15 + 3 stops at the edge, 16
    EXPECT_EQ(corner(0, 0), (std::array<int, 3>{0, 0, 0}));
    EXPECT_EQ(corner(1, 3), (std::array<int, 3>{15, 15, 0}));
    EXPECT_EQ(document.undoName(), "Move");
    document.undo();
    EXPECT_EQ(corner(0, 3), (std::array<int, 3>{15, 15, 1}));
}

}  // namespace kestrel::tools

namespace kestrel::tools {

// Move Joint carries the joint with the pointer in the view's plane, keeping locked axes;
// Locked Move Joint ends as the document's locked move of the dragged angle.
TEST(ViewTools, JointDragsMoveAndTurnTheSkeleton) {
    Bench b, expected;
    for (Bench* d : {&b, &expected}) {
        d->word.choose(bit::kMakeBone);
        d->drag(100, 100, 100, 150);
        d->drag(100, 150, 150, 150);  // a second bone hangs from the first one's end
        d->document.selectVertices({4});
        d->document.attachToBone();
    }
    b.word.choose(bit::kMoveJoint);
    b.word.setLocks(bit::kLockY);
    b.drag(150, 150, 160, 170);
    const model::Skeleton& s = b.document.model().skeleton;
    const int moved = s.bones[0].endJoint;
    expectNear(s.joints[static_cast<std::size_t>(moved)].position, 600, 500, 0);  // x followed, y kept
    EXPECT_EQ(b.document.undoName(), "Move Joint");
    b.document.undo();
    expectNear(b.document.model().skeleton.joints[static_cast<std::size_t>(moved)].position, 500, 500, 0);

    b.word.setLocks(0);
    b.word.choose(bit::kLockedMoveJoint);
    b.tools.leftPress(b.target(), {100, 150});
    b.tools.move(b.target(), {125, 150});  // an eighth of a turn
    b.tools.leftRelease(b.target(), {125, 150});
    const int joint = expected.document.model().skeleton.bones[1].endJoint;
    expected.document.lockedMoveJoint(joint, false, model::TWO_PI / 8, expected.view.projection(200, 200));
    EXPECT_EQ(b.document.model().skeleton, expected.document.model().skeleton);
    EXPECT_EQ(b.document.model().vertices, expected.document.model().vertices);
}

}  // namespace kestrel::tools

namespace kestrel::tools {

// A click on a joint (nothing else under it) selects the bone ending there, or with Shift the
// one starting there; one bone at a time, and no undo step.
TEST(ViewTools, AClickOnAJointSelectsOneBone) {
    Bench b;
    b.word.choose(bit::kMakeBone);
    b.drag(150, 150, 150, 170);  // joints away from the model's vertices
    b.drag(150, 170, 170, 170);
    b.word.pick();
    const std::string before = b.document.undoName();
    const auto selectedBones = [&] {
        std::vector<int> bones;
        const auto& list = b.document.model().skeleton.bones;
        for (std::size_t i = 0; i < list.size(); ++i)
            if (list[i].flags & model::kBoneSelected) bones.push_back(static_cast<int>(i));
        return bones;
    };
    b.drag(150, 170, 150, 170);  // the first bone's end
    EXPECT_EQ(selectedBones(), std::vector<int>{1});
    b.drag(150, 170, 150, 170, true);  // the second bone's start, the same joint
    EXPECT_EQ(selectedBones(), std::vector<int>{0});
    EXPECT_EQ(b.document.undoName(), before);
}

}  // namespace kestrel::tools

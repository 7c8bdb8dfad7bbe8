// Document editing and optimisation commands: their enabling rules, refusals that change
// nothing, and the commands that reach every frame.
#include <gtest/gtest.h>

#include <algorithm>

#include <memory>

#include "app/document.h"
#include "formats/file_system.h"
#include "unit_quad.h"

namespace kestrel::app {
namespace {

using model::makeVector;

// The unit quadrilateral with a group and a skeleton, a base frame, and a movement of two
// keyframes in which vertex 0 and then vertex 2 move.
struct Frames {
    Document document{std::make_unique<formats::MemoryFileSystem>()};

    Frames() {
        document.edit("Quad", [](model::Model& m) {
            test::addUnitQuad(m);
            m.addGroup({"quad", {0}});
            m.skeleton.joints = {model::Joint{makeVector(1, 1, 1), {0}}, model::Joint{makeVector(2, 2, 2), {0}}};
            m.skeleton.bones = {model::Bone{0, 1, {0, 2}}};
        });
        document.select({ProjectItem::Root, "model", -1});
        EXPECT_TRUE(document.addKeyframe({}));
        EXPECT_TRUE(document.newMovement("walk"));
        document.select({ProjectItem::Movement, "walk", -1});
        const auto add = [&](int vertex, double x) {
            document.select({ProjectItem::Movement, "walk", -1});
            document.edit("Pose", [&](model::Model& m) { m.vertices[static_cast<std::size_t>(vertex)].x = x; });
            EXPECT_TRUE(document.addKeyframe([](const KeyframeEntry& e) { return e; }));
        };
        add(0, 5);
        add(2, 7);
    }
    std::vector<const model::Model*> frames() const {
        std::vector<const model::Model*> all{&document.model(), &document.animation().baseFrame->model};
        for (const auto& k : document.animation().movements[0].keyframes) all.push_back(&k.model);
        return all;
    }
};

void select(Document& d, std::initializer_list<int> vertices) { ASSERT_TRUE(d.selectVertices(vertices)); }

TEST(DocumentEditing, EnablingRulesAndRefusalsLeaveTheModelAlone) {
    Document d{std::make_unique<formats::MemoryFileSystem>()};
    d.edit("Quad", [](model::Model& m) { test::addUnitQuad(m); });
    EXPECT_FALSE(d.isEnabled(EditCommand::DeleteVertices));
    EXPECT_FALSE(d.deleteVertices());
    EXPECT_FALSE(d.isEnabled(EditCommand::GroupPolygons));
    d.selectAll();
    EXPECT_TRUE(d.isEnabled(EditCommand::DeletePolygons));
    EXPECT_FALSE(d.isEnabled(EditCommand::CreatePolygon));  // four vertices selected
    EXPECT_FALSE(d.isEnabled(EditCommand::GroupPolygons));  // one polygon only
    EXPECT_FALSE(d.isEnabled(EditCommand::PointLighting));  // the light sits on one vertex
    const model::Model before = d.model();
    EXPECT_FALSE(d.pointLight({}));
    EXPECT_FALSE(d.createPolygon());
    EXPECT_FALSE(d.groupPolygons("one"));
    EXPECT_FALSE(d.reScale({0.00001, false, false}));
    EXPECT_EQ(d.reScale({20000, false, false}).error(), "Please enter a number between 0.0001 and 10000.");
    EXPECT_EQ(d.reCentre({makeVector(0, 40000, 0)}).error(), "Please enter a number between -32767 and 32767.");
    EXPECT_FALSE(d.gridAlign({{0, 1, 1}}));
    EXPECT_FALSE(d.renameGroup("x"));
    EXPECT_FALSE(d.reorderVertices());
    EXPECT_EQ(d.model(), before);
    d.selectBone(3);  // there are no bones: nothing is selected, nothing breaks
    EXPECT_EQ(d.model(), before);
    select(d, {2});
    EXPECT_TRUE(d.isEnabled(EditCommand::PointLighting));
}

TEST(DocumentEditing, CreateWithThreeVerticesSelectedAddsOneTriangle) {
    Document d{std::make_unique<formats::MemoryFileSystem>()};
    d.edit("Quad", [](model::Model& m) { test::addUnitQuad(m); });
    select(d, {0, 1, 3});
    ASSERT_TRUE(d.isEnabled(EditCommand::CreatePolygon));
    ASSERT_TRUE(d.createPolygon());
    ASSERT_EQ(d.model().polygonCount(), 2);
    const model::ModelPolygon& made = d.model().polygons[1];
    EXPECT_EQ(made.flags & 7, 0);  // a triangle
    std::vector<int> corners{made.vId[0], made.vId[1], made.vId[2]};
    std::sort(corners.begin(), corners.end());
    EXPECT_EQ(corners, (std::vector<int>{0, 1, 3}));
    EXPECT_EQ(d.undoName(), "Create Polygon");
}

TEST(DocumentEditing, GroupPolygonsAddsToTheCurrentModelUpToTheCapacity) {
    Document d{std::make_unique<formats::MemoryFileSystem>()};
    d.edit("Quad", [](model::Model& m) { test::addUnitQuad(m); });
    d.edit("Add", [](model::Model& m) { m.addPolygon(0, 1, 2, -1); });
    d.selectAll();
    EXPECT_EQ(d.groupProposal().name, "New Polygon Group");
    EXPECT_EQ(d.groupProposal().polygons, 2);
    EXPECT_FALSE(d.groupPolygons("#comment"));  // names are whole lines of the group file
    ASSERT_TRUE(d.groupPolygons("both"));
    EXPECT_EQ(d.model().groups.back().polygons, (std::vector<int>{0, 1}));
    d.edit("Fill", [](model::Model& m) {
        while (m.groupCount() < model::kMaxGroups) m.addGroup({"filler", {}});
    });
    EXPECT_FALSE(d.groupPolygons("one too many"));
    EXPECT_EQ(d.model().groupCount(), model::kMaxGroups);
}

TEST(DocumentEditing, GroupsAreRenamedAndUngroupedInEveryFrame) {
    Frames f;
    select(f.document, {0});
    f.document.toggleAutoDeselect();
    f.document.select({ProjectItem::Group, "quad", 0});  // clears vertex 0's mark, then selects the group
    EXPECT_EQ(model::countSelectedVertices(f.document.model()), 4);
    ASSERT_TRUE(f.document.renameSelected("body"));
    for (const auto* m : f.frames()) EXPECT_EQ(m->groups[0].name, "body");
    EXPECT_EQ(f.document.selection().name, "body");
    ASSERT_TRUE(f.document.deleteSelected());
    for (const auto* m : f.frames()) EXPECT_EQ(m->groupCount(), 0);
    EXPECT_EQ(f.document.selection().kind, ProjectItem::None);
}

TEST(DocumentEditing, RescaleAndRecentreReachTheFramesWhenAsked) {
    Frames f;
    select(f.document, {1});
    ASSERT_TRUE(f.document.reScale({2, true, false}));
    EXPECT_EQ(f.document.model().vertices[1].x, 2);
    EXPECT_EQ(f.document.animation().baseFrame->model.vertices[1].x, 1);
    ASSERT_TRUE(f.document.reScale({2, false, true}));
    EXPECT_EQ(f.document.animation().baseFrame->model.vertices[1].x, 2);
    EXPECT_EQ(f.document.animation().movements[0].keyframes[1].model.skeleton.joints[0].position, makeVector(2, 2, 2));

    // The current model's skeleton always moves; the other frames' only when asked.
    ASSERT_TRUE(f.document.reCentre({makeVector(1, 0, 0), false, true}));
    EXPECT_EQ(f.document.model().skeleton.joints[0].position.x, 5);  // scaled twice, then moved
    EXPECT_EQ(f.document.animation().baseFrame->model.skeleton.joints[0].position.x, 2);
    EXPECT_EQ(f.document.animation().baseFrame->model.vertices[1].x, 3);
}

TEST(DocumentEditing, ReorderingPutsStillVerticesFirstInEveryFrameAlike) {
    Frames f;
    f.document.select({ProjectItem::Movement, "walk", -1});
    ASSERT_TRUE(f.document.isEnabled(EditCommand::ReorderVertices));
    ASSERT_TRUE(f.document.reorderVertices());
    // Vertex 0 moves into the first keyframe and vertex 2 into the second (20 frames each);
    // 1 and 3 never move, and keep their order ahead of the others.
    const auto& order = f.document.animation().baseFrame->model.vertices;
    EXPECT_EQ(order[0], makeVector(1, 0, 0));
    EXPECT_EQ(order[1], makeVector(1, 1, 0));
    EXPECT_EQ(order[2], makeVector(0, 0, 0));
    EXPECT_EQ(order[3], makeVector(0, 1, 0));
    for (const auto* m : f.frames()) {
        EXPECT_EQ(m->polygons[0].vId, (std::array<int, 4>{2, 0, 3, 1}));
        EXPECT_EQ(m->skeleton.bones[0].vertices, (std::vector<int>{2, 3}));
    }
    EXPECT_EQ(f.document.animation().movements[0].keyframes[1].model.vertices[3].x, 7);

    // A frame with other vertices than the model cannot be renumbered with it: nothing changes.
    f.document.edit("Add", [](model::Model& m) { m.addVertex(makeVector(9, 9, 9)); });
    const auto before = f.document.animation().baseFrame->model;
    const auto refused = f.document.reorderVertices();
    ASSERT_FALSE(refused);
    EXPECT_NE(refused.error().find("the base frame has 4 vertices"), std::string::npos) << refused.error();
    EXPECT_EQ(f.document.animation().baseFrame->model, before);
}

TEST(DocumentEditing, OptimiserCommandsActOnTheCurrentModelOnly) {
    Frames f;
    f.document.edit("Add", [](model::Model& m) { m.addVertex(makeVector(1, 1, 0.1)); });
    f.document.edit("Add", [](model::Model& m) { m.addPolygon(3, 4, 2, -1); });
    EXPECT_EQ(f.document.mergeVertices({0.5}), 1);
    EXPECT_EQ(f.document.model().polygons[1].vId, (std::array<int, 4>{3, 3, 2, -1}));
    EXPECT_EQ(f.document.reducePolygons().polygonsRemoved, 1);
    EXPECT_EQ(f.document.model().polygonCount(), 1);
    EXPECT_EQ(f.document.animation().baseFrame->model.polygonCount(), 1);
    EXPECT_EQ(f.document.animation().baseFrame->model.vertexCount(), 4);
}

}  // namespace
}  // namespace kestrel::app

namespace kestrel::app {

// A primitive is one step that undo takes away whole; a refused one changes nothing.
TEST(DocumentEditing, APrimitiveIsOneStepAndARefusedOneLeavesAllAsItWas) {
    Document document{std::make_unique<formats::MemoryFileSystem>()};
    document.edit("Quad", [](model::Model& m) { test::addUnitQuad(m); });
    const model::Model before = document.model();
    model::PrimitiveParams cube{model::PrimitiveKind::Cube, "Cube0"};
    ASSERT_TRUE(document.addPrimitive(cube));
    EXPECT_EQ(document.undoName(), "Add Cube");
    EXPECT_EQ(document.model().vertexCount(), before.vertexCount() + 8);
    EXPECT_EQ(document.model().groups.back().name, "Cube0");
    document.undo();
    EXPECT_EQ(document.model(), before);

    model::PrimitiveParams sphere{model::PrimitiveKind::Sphere, "Sphere1"};
    sphere.subdivisions = 15;
    const auto refused = document.addPrimitive(sphere);
    ASSERT_FALSE(refused);
    EXPECT_NE(refused.error().find("at most 9 subdivisions fit"), std::string::npos);
    EXPECT_EQ(document.model(), before);
    EXPECT_FALSE(document.canRedo() && document.redoName() != "Add Cube");
}

}  // namespace kestrel::app

namespace kestrel::app {

// An optimiser pass works on a copy: while it reports progress the document still holds the
// model as it was, and a pass whose progress callback throws (a Cancel) changes nothing.
TEST(DocumentEditing, OptimiserPassesShowNoHalfChangedModelAndStopCleanly) {
    Document d{std::make_unique<formats::MemoryFileSystem>()};
    d.edit("Quad", [](model::Model& m) { test::addUnitQuad(m); });
    const model::Model before = d.model();
    int seenVertices = -1;
    const auto watch = [&](int, int) { seenVertices = d.model().vertexCount(); };
    ASSERT_GT(d.mergeVertices({5.0}, watch), 0);
    EXPECT_EQ(seenVertices, before.vertexCount());
    EXPECT_LT(d.model().vertexCount(), before.vertexCount());

    ASSERT_TRUE(d.undo());
    struct Stopped {};
    EXPECT_THROW(d.mergeVertices({5.0}, [](int, int) { throw Stopped{}; }), Stopped);
    EXPECT_EQ(d.model(), before);
    EXPECT_EQ(d.undoName(), "Quad");
}

}  // namespace kestrel::app

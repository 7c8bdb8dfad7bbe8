// The editing commands on a model: selections, deleting and creating, turning, centring,
// scaling and the information they show.
#include <gtest/gtest.h>

#include <random>

#include "model/model_editing.h"

namespace kestrel::model {
namespace {

// Two quadrilaterals side by side sharing vertices 1 and 3, a triangle apart, a group of
// each polygon and a bone over vertices 0, 3 and 6.
Model strip() {
    Model m;
    for (double x : {0.0, 10.0, 20.0})
        for (double y : {0.0, 10.0}) m.addVertex(makeVector(x, y, 0));
    // vertices: 0 (0,0) 1 (0,10) 2 (10,0) 3 (10,10) 4 (20,0) 5 (20,10); then the triangle's
    m.addVertex(makeVector(50, 0, 0));
    m.addVertex(makeVector(60, 0, 0));
    m.addVertex(makeVector(50, 10, 0));
    m.addPolygon(0, 2, 1, 3);
    m.addPolygon(2, 4, 3, 5);
    m.addPolygon(6, 7, 8, -1);
    m.polygons[0].flags = m.polygons[1].flags = 1;
    m.addGroup({"left", {0}});
    m.addGroup({"right", {1}});
    m.addGroup({"apart", {2}});
    m.skeleton.joints = {Joint{makeVector(0, 0, 0), {0}}, Joint{makeVector(5, 5, 5), {0}}};
    m.skeleton.bones = {Bone{0, 1, {0, 3, 6}}};
    return m;
}

void select(Model& m, std::initializer_list<int> vertices) {
    for (int v : vertices) m.vertices[static_cast<std::size_t>(v)].flags |= kVertexSelected;
}

TEST(ModelEditing, DeletingASharedVertexTakesBothQuadrilateralsAndRenumbersTheRest) {
    Model m = strip();
    select(m, {2});
    EXPECT_EQ(deleteSelectedVertices(m), 1);
    ASSERT_EQ(m.polygonCount(), 1);
    EXPECT_EQ(m.polygons[0].vId, (std::array<int, 4>{5, 6, 7, -1}));
    EXPECT_EQ(m.vertexCount(), 8);
    EXPECT_TRUE(m.groups[0].polygons.empty());
    EXPECT_TRUE(m.groups[1].polygons.empty());
    EXPECT_EQ(m.groups[2].polygons, std::vector<int>{0});
    EXPECT_EQ(m.skeleton.bones[0].vertices, (std::vector<int>{0, 2, 5}));  // 3 and 6 moved down
}

TEST(ModelEditing, DeletingManyVerticesAtOnceIsDeletingThemOneByOne) {
    std::mt19937 random(7);
    for (int round = 0; round < 50; ++round) {
        Model m;
        for (int v = 0; v < 30; ++v) m.addVertex(makeVector(v, 0, 0));
        for (int p = 0; p < 25; ++p) {
            const auto pick = [&] { return static_cast<int>(random() % 34); };  // some beyond the vertices
            m.addPolygon(pick(), pick(), pick(), p % 3 ? pick() : -1);
            m.polygons.back().flags = p % 2;
        }
        m.addGroup({"g", {0, 3, 3, 7, 24, 40}});
        m.skeleton.bones = {Bone{0, 0, {1, 5, 29, 12}}};
        std::vector<bool> doomed(30);
        for (std::size_t v = 0; v < doomed.size(); ++v) doomed[v] = random() % 4 == 0;
        Model oneByOne = m;
        for (int v = 29; v >= 0; --v)
            if (doomed[static_cast<std::size_t>(v)]) oneByOne.deleteVertex(v);
        m.deleteVertices(doomed);
        ASSERT_EQ(m, oneByOne) << round;
    }
}

TEST(ModelEditing, CreateMakesUpToThreeCornersAndRefusesFour) {
    Model none;
    EXPECT_EQ(createTriangle(none), 0);
    ASSERT_EQ(none.vertexCount(), 3);
    EXPECT_EQ(none.vertices[1].x, 100);
    EXPECT_EQ(none.vertices[2].x, 200);
    EXPECT_EQ(none.polygons[0].vId, (std::array<int, 4>{0, 1, 2, -1}));
    EXPECT_EQ(none.vertices[2].flags & kVertexSelected, 0);

    Model two = strip();
    select(two, {4, 1});
    const int made = createTriangle(two);
    EXPECT_EQ(two.polygons[static_cast<std::size_t>(made)].vId, (std::array<int, 4>{1, 4, 9, -1}));
    EXPECT_EQ(two.vertices[9], makeVector(0, 0, 0));

    Model four = strip();
    select(four, {0, 1, 2, 3});
    const Model before = four;
    EXPECT_EQ(createTriangle(four), -1);
    EXPECT_EQ(four, before);
}

TEST(ModelEditing, SelectionCommandsAndInvertingNormalsTwice) {
    Model m = strip();
    m.vertices[0].flags = kVertexInUse | kVertexSelected;
    select(m, {2});
    invertVertexSelection(m);
    EXPECT_EQ(m.vertices[0].flags, kVertexInUse);
    EXPECT_EQ(countSelectedVertices(m), 7);
    const Model before = m;
    EXPECT_EQ(invertSelectedNormals(m), 2);  // the left quadrilateral has only two corners selected
    EXPECT_EQ(m.polygons[1].vId, (std::array<int, 4>{2, 3, 4, 5}));
    EXPECT_EQ(m.polygons[1].tu, before.polygons[1].tu);
    invertSelectedNormals(m);
    EXPECT_EQ(m, before);
    EXPECT_EQ(groupOfSelectedPolygons(m).polygons, (std::vector<int>{1, 2}));
}

TEST(ModelEditing, CentreScaleAndTheInformationShown) {
    Model m;
    for (double x : {10.0, 20.0}) m.addVertex(makeVector(x, 300000, -4));
    m.skeleton.joints = {Joint{makeVector(1, 2, 3), {}}};
    centreObject(m);
    EXPECT_EQ(m.vertices[0], makeVector(-5, 0, 0));  // far beyond 200000 too
    EXPECT_EQ(m.skeleton.joints[0].position, makeVector(1, 2, 3));

    const SelectionInfo empty = selectionInfo(m);
    EXPECT_EQ(empty.x.max, -200000);
    EXPECT_EQ(empty.x.min, 200000);
    EXPECT_EQ(empty.centre, makeVector(0, 0, 0));
    EXPECT_EQ(empty.vertices, 0);

    select(m, {1});
    rescale(m, 2, VertexSet::Selected);
    EXPECT_EQ(m.vertices[0].x, -5);
    EXPECT_EQ(m.vertices[1].x, 10);
    EXPECT_EQ(m.skeleton.joints[0].position, makeVector(2, 4, 6));
    ASSERT_TRUE(vertexInfo(m));
    EXPECT_EQ(vertexInfo(m)->index, 1);
    select(m, {0});
    EXPECT_FALSE(vertexInfo(m));
    m.vertices[0].x = 400000;
    const SelectionInfo both = selectionInfo(m);
    EXPECT_EQ(both.x.min, 10);
    EXPECT_EQ(both.x.max, 400000);
    EXPECT_EQ(both.centre.x, 200005);
    EXPECT_EQ(both.vertices, 2);
}

}  // namespace
}  // namespace kestrel::model

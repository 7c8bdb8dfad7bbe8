#include <gtest/gtest.h>

#include <cmath>

#include "model/model.h"

using namespace kestrel::model;

namespace {

// Two quads and a triangle over six vertices, in two groups, with two textures.
Model sampleModel() {
    Model m;
    for (int i = 0; i < 6; ++i) m.addVertex(makeVector(i, i * 2, -i));
    m.addPolygon(0, 1, 2, 3);
    m.polygons[0].flags = 1;
    m.addPolygon(2, 3, 4, 5);
    m.polygons[1].flags = 1;
    m.addPolygon(1, 4, 5, -1);
    m.textureFiles = {"a.tim", "b.tim", "c.tim"};
    m.addGroup({"front", {0, 2}});
    m.addGroup({"back", {1, 2, 1}});
    return m;
}

}  // namespace

TEST(Model, CornerCountComesFromAnyOfTheLowThreeFlagBits) {
    ModelPolygon p;
    for (int flags : {1, 2, 4, 7}) {
        p.flags = flags;
        EXPECT_EQ(polygonCornerCount(p), 4) << flags;
    }
    for (int flags : {0, 8, 16}) {
        p.flags = flags;
        EXPECT_EQ(polygonCornerCount(p), 3) << flags;
    }
}

TEST(Model, PolygonIsSelectedWithMoreThanTwoSelectedCorners) {
    Model m = sampleModel();
    m.vertices[0].flags = m.vertices[1].flags = kVertexSelected;
    EXPECT_EQ(m.countSelectedPolygons(), 0);
    m.vertices[2].flags = kVertexSelected;
    EXPECT_TRUE(m.isPolygonSelected(m.polygons[0]));
    EXPECT_FALSE(m.isPolygonSelected(m.polygons[2]));
    m.selectGroupVertices(1);
    EXPECT_EQ(m.countSelectedPolygons(), 3);
    m.deselectAllVertices();
    EXPECT_EQ(m.countSelectedPolygons(), 0);
}

TEST(Model, CopiesAreDeepAndIndependent) {
    Model m = sampleModel();
    m.skeleton.joints.push_back({makeVector(1, 1, 1), {0}, -1, 0});
    m.skeleton.bones.push_back({0, 0, {1, 2}, 0, -1});
    Model copy = m;
    EXPECT_EQ(copy, m);
    copy.groups[0].polygons.push_back(1);
    copy.skeleton.bones[0].vertices.push_back(3);
    copy.vertices[0].x = 99;
    EXPECT_EQ(m.groups[0].polygons.size(), 2u);
    EXPECT_EQ(m.skeleton.bones[0].vertices.size(), 2u);
    EXPECT_EQ(m.vertices[0].x, 0);
}

TEST(Model, DeletingAVertexRemovesItsPolygonsAndRenumbersTheRest) {
    Model m = sampleModel();
    m.addVertex(makeVector(9, 9, 9));  // vertex 6
    m.addPolygon(4, 5, 6, -1);         // polygon 3 survives, renumbered
    m.recomputeNormals();
    m.deleteVertex(4);  // used by polygons 1, 2 and 3
    ASSERT_EQ(m.polygonCount(), 1);
    EXPECT_EQ(m.polygons[0].vId, (std::array<int, 4>{0, 1, 2, 3}));
    EXPECT_EQ(m.vertexCount(), 6);
    EXPECT_EQ(m.normalCount(), 7);  // stale until the next recomputation
    EXPECT_EQ(m.groups[0].polygons, std::vector<int>{0});
    EXPECT_TRUE(m.groups[1].polygons.empty());
}

TEST(Model, DeletingAPolygonRenumbersGroupsAndDropsEveryOccurrence) {
    Model m = sampleModel();
    m.deletePolygon(1);
    EXPECT_EQ(m.groups[0].polygons, (std::vector<int>{0, 1}));
    EXPECT_EQ(m.groups[1].polygons, std::vector<int>{1});
    m.groups[1].remove(1);
    EXPECT_TRUE(m.groups[1].polygons.empty());
}

TEST(Model, DeletingATextureDecolouresItsPolygonsAndShiftsTheOthers) {
    Model m = sampleModel();
    for (int i = 0; i < 3; ++i) {
        m.polygons[i].tId = i;
        m.polygons[i].type = PTYPE_TEXTURED;
    }
    m.deleteTexture(0);
    EXPECT_EQ(m.polygons[0].tId, -1);
    EXPECT_EQ(m.polygons[0].type, PTYPE_SINGLE_COLOUR);
    EXPECT_EQ(m.polygons[1].tId, 0);
    EXPECT_EQ(m.polygons[2].tId, 1);
    EXPECT_EQ(m.textureFiles, (std::vector<std::string>{"b.tim", "c.tim"}));
}

TEST(Model, DeletingAGroupClosesTheGap) {
    Model m = sampleModel();
    m.addGroup({"third", {}});
    m.deleteGroup(0);
    ASSERT_EQ(m.groupCount(), 2);
    EXPECT_EQ(m.groups[0].name, "back");
    EXPECT_EQ(m.groups[1].name, "third");
}

TEST(Model, BoundsOfNoVerticesAreCentredOnTheOrigin) {
    Model m = sampleModel();
    EXPECT_EQ(m.boundingCentre(VertexSet::Selected), makeVector(0, 0, 0));
    EXPECT_EQ(m.boundingCentre(VertexSet::All), makeVector(2.5, 5, -2.5));
    m.vertices[5].flags = kVertexSelected;
    m.vertices[3].flags = kVertexSelected;
    EXPECT_EQ(m.extentX(VertexSet::Selected).max, 5);
    EXPECT_EQ(m.extentX(VertexSet::Selected).min, 3);
    EXPECT_EQ(m.extentZ(VertexSet::All).min, -5);
}

TEST(Model, TranslateMovesSelectedVerticesAndOptionallyTheSkeleton) {
    Model m = sampleModel();
    m.skeleton.joints.push_back({makeVector(1, 1, 1), {0}, -1, 0});
    m.vertices[2].flags = kVertexSelected;
    m.translate(makeVector(10, 0, 0), VertexSet::Selected, false);
    EXPECT_EQ(m.vertices[2].x, 12);
    EXPECT_EQ(m.vertices[1].x, 1);
    EXPECT_EQ(m.skeleton.joints[0].position.x, 1);
    m.translate(makeVector(0, 1, 0), VertexSet::All, true);
    EXPECT_EQ(m.vertices[1].y, 3);
    EXPECT_EQ(m.skeleton.joints[0].position.y, 2);
}

TEST(Model, SubdivideSplitsATriangleIntoFourWithDefaultMaterial) {
    Model m;
    m.addVertex(makeVector(0, 0, 0));
    m.addVertex(makeVector(2, 0, 0));
    m.addVertex(makeVector(0, 2, 0));
    m.addPolygon(0, 1, 2, -1);
    m.polygons[0].type = PTYPE_TEXTURED;
    m.addGroup({"g", {0}});
    m.subdivideTriangle(0, true);
    ASSERT_EQ(m.vertexCount(), 6);
    EXPECT_EQ(m.vertices[3], makeVector(1, 0, 0));  // a-b
    EXPECT_EQ(m.vertices[4], makeVector(1, 1, 0));  // c-b
    EXPECT_EQ(m.vertices[5], makeVector(0, 1, 0));  // c-a
    ASSERT_EQ(m.polygonCount(), 4);
    EXPECT_EQ(m.polygons[0].vId, (std::array<int, 4>{0, 3, 5, -1}));
    EXPECT_EQ(m.polygons[3].vId, (std::array<int, 4>{3, 4, 5, -1}));
    EXPECT_EQ(m.polygons[3].type, PTYPE_SINGLE_COLOUR);
    EXPECT_TRUE(m.groups[0].polygons.empty());
}

TEST(Model, NormalsOfATriangleAreNotLengthened) {
    Model m;
    m.addVertex(makeVector(0, 0, 0));
    m.addVertex(makeVector(1, 0, 0));
    m.addVertex(makeVector(0, 1, 0));
    m.addPolygon(0, 1, 2, -1);
    m.recomputeNormals();
    EXPECT_EQ(m.polygons[0].faceNormal, makeVector(0, 0, 1));
    for (const auto& n : m.normals) EXPECT_EQ(n, makeVector(0, 0, 1));
    EXPECT_EQ(m.polygons[0].nId[0], 0);
    EXPECT_EQ(m.polygons[0].nId[2], 2);

    m.vertices[1] = makeVector(0.5, 0, 0);
    m.vertices[2] = makeVector(0, 0.5, 0);
    m.recomputeNormals();
    EXPECT_EQ(m.polygons[0].faceNormal, makeVector(0, 0, 0.25));
}

TEST(Model, QuadNormalsFollowTheConsolesCornerOrder) {
    // Corners 0, 1, 3, 2 run round the edge: a flat square faces +z at every corner.
    Model m;
    for (auto v : {makeVector(0, 0, 0), makeVector(2, 0, 0), makeVector(0, 2, 0), makeVector(2, 2, 0)}) m.addVertex(v);
    m.addPolygon(0, 1, 2, 3);
    m.polygons[0].flags = 1;
    m.recomputeNormals();
    EXPECT_EQ(m.polygons[0].faceNormal, makeVector(0, 0, 1));
    for (const auto& n : m.normals) EXPECT_EQ(n, makeVector(0, 0, 1));
    EXPECT_EQ(m.polygons[0].nId, (std::array<int, 4>{0, 1, 2, 3}));
}

TEST(Model, VertexNormalsSumCornerProductsBeforeShortening) {
    // A unit quad folded along its diagonal: the shared corners average both faces.
    Model m;
    for (auto v : {makeVector(0, 0, 0), makeVector(1, 0, 0), makeVector(1, 1, 1), makeVector(0, 1, 0)}) m.addVertex(v);
    m.addPolygon(0, 1, 2, -1);
    m.addPolygon(0, 2, 3, -1);
    m.recomputeNormals();
    EXPECT_EQ(m.normalCount(), 4);
    const ModelVertex shared = m.normals[0];
    EXPECT_NEAR(Distance(shared), 1.0, 1e-12);
    // (0,-1,1) + (-1,0,1), shortened to unit length.
    EXPECT_NEAR(shared.x, -1 / std::sqrt(6.0), 1e-12);
    EXPECT_NEAR(shared.y, shared.x, 1e-12);
    EXPECT_GT(shared.z, 0);
}

TEST(Model, MarkerStyleCopiesRestoreTheSameModelTwice) {
    Model m = sampleModel();
    const Model marker = m;
    m.deleteVertex(0);
    m = marker;
    EXPECT_EQ(m, marker);
    m.deletePolygon(0);
    m = marker;
    EXPECT_EQ(m, marker);
}

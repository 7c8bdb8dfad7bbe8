// The object creator's primitives against the numbers worked out from their definitions.
#include <gtest/gtest.h>

#include <cmath>

#include "model/primitives.h"
#include "model/vector.h"

namespace kestrel::model {
namespace {

Model made(const PrimitiveParams& p, Model m = {}) {
    EXPECT_FALSE(primitiveRefusal(m, p)) << *primitiveRefusal(m, p);
    addPrimitive(m, p);
    return m;
}

std::array<int, 3> corners(const Model& m, int polygon) {
    const auto& v = m.polygons[static_cast<std::size_t>(polygon)].vId;
    return {v[0], v[1], v[2]};
}

}  // namespace

TEST(Primitives, PyramidAndCubeAreAppendedAfterWhatTheModelHas) {
    Model m;
    m.addVertex(makeVector(1, 2, 3));
    m.addPolygon(0, 0, 0, -1);
    m = made({PrimitiveKind::Pyramid, "Pyramid0"}, m);
    ASSERT_EQ(m.vertexCount(), 5);
    EXPECT_NEAR(m.vertices[2].x, 100 * std::cos(2 * PI / 3), 1e-12);
    EXPECT_NEAR(m.vertices[4].y, -100, 1e-12);
    EXPECT_NEAR(m.vertices[4].x, 0, 1e-5);                    // the single-precision pi leaves a trace
    EXPECT_EQ(corners(m, 2), (std::array<int, 3>{2, 1, 4}));  // (i+1, i, i+3) with i = 1
    ASSERT_EQ(m.groupCount(), 1);
    EXPECT_EQ(m.groups[0].name, "Pyramid0");
    EXPECT_EQ(m.groups[0].polygons, (std::vector<int>{1, 2, 3, 4}));
    EXPECT_EQ(m.polygons[1].vId[3], -1);
    EXPECT_EQ(m.polygons[1].type, 'C');

    const Model cube = made({PrimitiveKind::Cube, "Cube1"});
    ASSERT_EQ(cube.vertexCount(), 8);
    ASSERT_EQ(cube.polygonCount(), 12);
    EXPECT_EQ(cube.vertices[6], makeVector(50, 50, 50));
    EXPECT_EQ(corners(cube, 0), (std::array<int, 3>{3, 1, 0}));
    EXPECT_EQ(corners(cube, 11), (std::array<int, 3>{5, 2, 6}));
}

TEST(Primitives, CylinderCapsAndSides) {
    PrimitiveParams p{PrimitiveKind::Cylinder, "Cylinder0"};
    p.sides = 3;
    const Model three = made(p);
    EXPECT_EQ(three.vertexCount(), 6);
    ASSERT_EQ(three.polygonCount(), 8);  // one cap triangle a ring, six on the sides
    EXPECT_EQ(corners(three, 0), (std::array<int, 3>{0, 2, 1}));
    EXPECT_EQ(corners(three, 1), (std::array<int, 3>{3, 4, 5}));
    EXPECT_EQ(corners(three, 6), (std::array<int, 3>{2, 0, 5}));  // k = 2 wraps to m = 0
    EXPECT_EQ(corners(three, 7), (std::array<int, 3>{5, 0, 3}));
    p.sides = 6;
    const Model six = made(p);
    EXPECT_EQ(six.polygonCount(), 4 * 6 - 4);
    EXPECT_NEAR(six.vertices[6].y, 50, 0);
    EXPECT_NEAR(std::hypot(six.vertices[2].x, six.vertices[2].z), 50, 1e-5);
}

TEST(Primitives, SphereSubdividesWithoutSharingMidpoints) {
    PrimitiveParams p{PrimitiveKind::Sphere, "Sphere0"};
    p.subdivisions = 0;
    const Model flat = made(p);
    EXPECT_EQ(flat.vertexCount(), 5);
    EXPECT_EQ(flat.polygonCount(), 6);
    EXPECT_NEAR(flat.vertices[4].y, 100, 0);  // the double pyramid, untouched
    p.subdivisions = 1;
    const Model one = made(p);
    EXPECT_EQ(one.vertexCount(), 23);
    EXPECT_EQ(one.polygonCount(), 24);
    for (const auto& v : one.vertices) EXPECT_NEAR(Distance(v), 50, 1e-9);
    // The first triangle (i+1, i, i+3) is split first: its parts open the list.
    EXPECT_EQ(corners(one, 0), (std::array<int, 3>{1, 5, 7}));
    EXPECT_EQ(corners(one, 3), (std::array<int, 3>{5, 6, 7}));
    // The same as splitting one triangle at a time with the model's own subdivision.
    Model slow;
    p.subdivisions = 0;
    addPrimitive(slow, p);
    for (int round = 0; round < 2; ++round) {
        const int count = slow.polygonCount();
        for (int k = 0; k < count; ++k) slow.subdivideTriangle(0, true);
        for (auto& v : slow.vertices) {
            Unify(v);
            Scale(v, 50);
        }
    }
    p.subdivisions = 2;
    const Model two = made(p);
    EXPECT_EQ(two.vertices, slow.vertices);
    EXPECT_EQ(two.polygons, slow.polygons);
    EXPECT_EQ(two.polygonCount(), 96);
}

TEST(Primitives, MeshRowsAndTheOneSquareCase) {
    PrimitiveParams p{PrimitiveKind::Mesh, "Mesh0"};
    p.squaresX = p.squaresY = 1;
    const Model one = made(p);
    ASSERT_EQ(one.vertexCount(), 4);
    EXPECT_EQ(one.vertices[0], makeVector(-5, -5, 0));
    EXPECT_EQ(one.vertices[3], makeVector(5, 5, 0));
    EXPECT_EQ(corners(one, 0), (std::array<int, 3>{0, 1, 2}));
    EXPECT_EQ(corners(one, 1), (std::array<int, 3>{1, 3, 2}));
    p.squaresX = 5;
    p.squaresY = 3;
    const Model wide = made(p);
    EXPECT_EQ(wide.vertexCount(), 6 * 4);
    EXPECT_EQ(wide.polygonCount(), 2 * 5 * 3);
}

TEST(Primitives, RequestsPastTheLimitsAreRefusedBeforeAnythingIsMade) {
    Model m;
    PrimitiveParams p{PrimitiveKind::Sphere, "big"};
    p.subdivisions = 20;
    EXPECT_EQ(primitiveRefusal(m, p).value_or(""),
              "a sphere of 6597069766656 triangles is more than the 4000000 one primitive may have; at most 9 "
              "subdivisions fit");
    p.subdivisions = 21;
    EXPECT_EQ(primitiveRefusal(m, p).value_or(""), "a sphere takes 0 to 20 subdivisions, not 21");
    p = {PrimitiveKind::Mesh, "huge"};
    p.squaresX = p.squaresY = 100000;
    EXPECT_NE(primitiveRefusal(m, p).value_or("").find("at most 2000000 squares in all fit"), std::string::npos);
    p = {PrimitiveKind::Cylinder, "c"};
    p.sides = 2;
    EXPECT_TRUE(primitiveRefusal(m, p));
    for (int g = 0; g < kMaxGroups; ++g) m.addGroup({"g", {}});
    EXPECT_NE(primitiveRefusal(m, {PrimitiveKind::Cube, "one more"}).value_or("").find("100 groups"),
              std::string::npos);
}

}  // namespace kestrel::model

// Wrapping and painting textures: the projections' coordinates, the facing test, repeats,
// the kinds a wrap gives, and the guards for flat models and 256-texel textures.
#include <gtest/gtest.h>

#include <cmath>

#include "model/texture_wrap.h"

namespace kestrel::model {
namespace {

Model triangle(ModelVertex a, ModelVertex b, ModelVertex c, char type = PTYPE_SINGLE_COLOUR) {
    Model m;
    for (const auto& v : {a, b, c}) m.addVertex(v);
    m.addPolygon(0, 1, 2, -1);
    m.polygons[0].type = type;
    return m;
}

TEST(TextureWrap, CylinderYTakesTheNormalsAngleAndTheHeight) {
    // Facing +X: every vertex normal is (1, 0, 0), whose angle about Y is a quarter turn.
    Model m = triangle(makeVector(0, 0, 0), makeVector(0, 1, 0), makeVector(0, 0, 1));
    ASSERT_EQ(wrapTexture(m, 3, 64, 32, {}), 1);
    ASSERT_NEAR(m.normals[0].x, 1, 1e-12);
    EXPECT_EQ(m.polygons[0].tu, (std::array<int, 4>{15, 15, 15, 0}));  // 15.75, truncated
    EXPECT_EQ(m.polygons[0].tv, (std::array<int, 4>{0, 32, 0, 0}));
    EXPECT_EQ(m.polygons[0].tId, 3);
    EXPECT_EQ(m.polygons[0].type, PTYPE_TEXTURED_COLOURED);  // C becomes D, no longer lit
    EXPECT_EQ(m.polygons[0].mat_flag & 1, 1);
    EXPECT_EQ(m.polygons[0].wrapMark, 1);
}

TEST(TextureWrap, PlanarFacingTestRepeatsAndFlips) {
    // A face whose normal has y = 0.98: outside Exact Mode's 0.99, inside the plain test.
    const double c = 0.98, s = std::sqrt(1 - c * c);
    Model tilted = triangle(makeVector(0, 0, 0), makeVector(0, 0, 1), makeVector(c, -s, 0), PTYPE_TEXTURED);
    WrapOptions planar{.type = WrapType::Planar};
    EXPECT_EQ(wrapTexture(tilted, 1, 64, 64, planar), 0);
    EXPECT_EQ(tilted.polygons[0].tId, -1);
    EXPECT_EQ(tilted.polygons[0].wrapMark, 0);
    planar.exact = false;
    EXPECT_EQ(wrapTexture(tilted, 1, 64, 64, planar), 1);
    EXPECT_EQ(tilted.polygons[0].type, PTYPE_TEXTURED);  // textured kinds keep their kind
    EXPECT_EQ(tilted.polygons[0].tId, 1);

    // Facing +Y: with two repeats the far corner lands on the texture's edge, not its start.
    Model flat = triangle(makeVector(0, 0, 0), makeVector(0, 0, 1), makeVector(1, 0, 0));
    planar.repeatX = 2;
    wrapTexture(flat, 0, 64, 32, planar);
    EXPECT_EQ(flat.polygons[0].tu, (std::array<int, 4>{0, 0, 64, 0}));
    EXPECT_EQ(flat.polygons[0].tv, (std::array<int, 4>{0, 32, 0, 0}));
    planar.flipHorizontally = planar.swap = true;
    wrapTexture(flat, 0, 64, 32, planar);
    // Swapped: (64·tv/32, tu/64·32), then tu flipped to 64 − tu.
    EXPECT_EQ(flat.polygons[0].tu, (std::array<int, 4>{64, 0, 64, 0}));
    EXPECT_EQ(flat.polygons[0].tv, (std::array<int, 4>{0, 0, 32, 0}));
}

TEST(TextureWrap, FlatModelsAndLargeTexturesStayInRange) {
    // Every vertex at y = 5: no height to spread the texture over.
    Model flat = triangle(makeVector(0, 5, 0), makeVector(1, 5, 0), makeVector(0, 5, 1));
    wrapTexture(flat, 0, 256, 256, {.type = WrapType::CylinderY, .flipVertically = true});
    for (int k = 0; k < 3; ++k) EXPECT_EQ(flat.polygons[0].tv[k], 255);  // 256 − 0, held to 255
    wrapTexture(flat, 0, 256, 256, {.type = WrapType::CylinderX});
    for (int k = 0; k < 3; ++k) {
        EXPECT_GE(flat.polygons[0].tu[k], 0);
        EXPECT_LE(flat.polygons[0].tu[k], 255);
    }

    Model painted = triangle(makeVector(0, 0, 0), makeVector(1, 0, 0), makeVector(0, 1, 0), PTYPE_GRADATION_COLOUR);
    for (auto& v : painted.vertices) v.flags |= kVertexSelected;
    EXPECT_EQ(paintTexture(painted, 2, 64, 64), 1);
    EXPECT_EQ(painted.polygons[0].tu, (std::array<int, 4>{0, 64, 0, 64}));
    EXPECT_EQ(painted.polygons[0].tv, (std::array<int, 4>{0, 0, 64, 64}));
    EXPECT_EQ(painted.polygons[0].type, PTYPE_TEXTURED);
    paintTexture(painted, 2, 256, 256);
    EXPECT_EQ(painted.polygons[0].tu[3], 255);
}

TEST(TextureWrap, PathsCompareWholeWithoutLetterCase) {
    EXPECT_TRUE(sameTexturePath("TEX\\Robot.TIM", "tex\\robot.tim"));
    EXPECT_FALSE(sameTexturePath("robot.tim", "robot.tim2"));  // a prefix is another file
}

}  // namespace
}  // namespace kestrel::model

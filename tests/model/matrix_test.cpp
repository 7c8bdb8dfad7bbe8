#include <gtest/gtest.h>

#include <numbers>

#include "model/matrix.h"
#include "model/view_projection.h"

using namespace kestrel::model;

namespace {

void expectNear(const ModelVertex& actual, const ModelVertex& expected) {
    EXPECT_NEAR(actual.x, expected.x, 1e-15);
    EXPECT_NEAR(actual.y, expected.y, 1e-15);
    EXPECT_NEAR(actual.z, expected.z, 1e-15);
}

}  // namespace

TEST(Matrix, RotationsTurnRightHandedAboutTheirAxis) {
    const double h = std::numbers::pi / 2;
    expectNear(transformVector(rotationZ(h), makeVector(1, 0, 0)), makeVector(0, 1, 0));
    expectNear(transformVector(rotationX(h), makeVector(0, 1, 0)), makeVector(0, 0, 1));
    expectNear(transformVector(rotationY(h), makeVector(0, 0, 1)), makeVector(1, 0, 0));
    EXPECT_EQ(transformVector(identityMatrix(), ModelVertex{1, 2, 3, 9}).flags, 0);
}

TEST(Matrix, ProductAppliesTheLeftMatrixFirst) {
    const double h = std::numbers::pi / 2;
    const ModelVertex v = makeVector(0, 1, 0);
    // X first takes +Y to +Z, then Y takes +Z to +X; the other order leaves +Y to X alone.
    expectNear(transformVector(multiply(rotationX(h), rotationY(h)), v), makeVector(1, 0, 0));
    expectNear(transformVector(multiply(rotationY(h), rotationX(h)), v), makeVector(0, 0, 1));
    Matrix4 m = rotationZ(0.3);
    m = multiply(m, m);
    expectNear(transformVector(m, makeVector(1, 0, 0)), transformVector(rotationZ(0.6), makeVector(1, 0, 0)));
}

TEST(Matrix, ScaleMatrixSetsAllFourDiagonalElements) {
    const Matrix4 s = scaleMatrix(2);
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) EXPECT_EQ(s.m[i][j], i == j ? 2.0 : 0.0);
    EXPECT_EQ(zeroMatrix(), Matrix4{});
}

TEST(ViewProjection, UnprojectUndoesProjectAndTheViewCentreIsTheOrigin) {
    kestrel::model::ViewProjection view{0.7, -1.2, 1.3, 641, 480, 17, -9};
    const kestrel::model::ModelVertex p{12.5, -40, 300, 0};
    const auto back = view.unproject(view.project(p));
    EXPECT_NEAR(back.x, p.x, 1e-9);
    EXPECT_NEAR(back.y, p.y, 1e-9);
    EXPECT_NEAR(back.z, p.z, 1e-9);
    // The centre: (641 + 34) / 2 = 337 with integer division, (480 - 18) / 2 = 231.
    const auto origin = view.project({0, 0, 0, 0});
    EXPECT_EQ(origin.x, 337);
    EXPECT_EQ(origin.y, 231);
    view.scale = 0;
    EXPECT_EQ(view.unproject(origin), kestrel::model::ModelVertex{});
}

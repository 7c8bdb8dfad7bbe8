#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "model/vector.h"

using namespace kestrel::model;

TEST(Vector, ResultsCarryTheLeftOperandsFlagsOrNone) {
    const ModelVertex a{1, 2, 3, 5}, b{4, 5, 6, 2};
    EXPECT_EQ(vectorSum(a, b), (ModelVertex{5, 7, 9, 5}));
    EXPECT_EQ(vectorDifference(b, a), (ModelVertex{3, 3, 3, 2}));
    EXPECT_EQ(CrossProduct(a, b), (ModelVertex{-3, 6, -3, 5}));
    EXPECT_EQ(midpoint(a, b), (ModelVertex{2.5, 3.5, 4.5, 0}));
    ModelVertex c = a;
    Add(c, b);
    Subtract(c, ModelVertex{1, 1, 1, 7});
    EXPECT_EQ(c, (ModelVertex{4, 6, 8, 5}));
}

TEST(Vector, UnifyOnlyShortens) {
    ModelVertex long_ = makeVector(3, 4, 0);
    Unify(long_);
    EXPECT_DOUBLE_EQ(long_.x, 0.6);
    EXPECT_DOUBLE_EQ(long_.y, 0.8);
    EXPECT_LE(Distance(long_), 1.0);
    ModelVertex short_ = makeVector(0.3, 0.4, 0);
    Unify(short_);
    EXPECT_EQ(short_, makeVector(0.3, 0.4, 0));
    ModelVertex zero;
    Unify(zero);
    EXPECT_EQ(zero, ModelVertex{});
}

TEST(Vector, UnifyPsxScalesToFixedPointLength) {
    ModelVertex up = makeVector(0, 0, 1);
    UnifyPSX(up);
    EXPECT_EQ(up, makeVector(0, 0, 4096));
    ModelVertex half = makeVector(0, 0, 0.5);
    UnifyPSX(half);
    EXPECT_EQ(half, makeVector(0, 0, 2048));
    ModelVertex big = makeVector(100, 200, -300);
    UnifyPSX(big);
    EXPECT_LE(Distance(big), 4096.0);
    EXPECT_NEAR(Distance(big), 4096.0, 1e-9);
}

TEST(Vector, AnglesUseSinglePrecisionConstantsInEveryQuadrant) {
    EXPECT_EQ(AngleZ(makeVector(0, 1, 0)), 1.5707963705062866);
    EXPECT_EQ(AngleZ(makeVector(0, -1, 0)), THREE_HALF_PI);
    EXPECT_EQ(AngleZ(makeVector(-1, 0, 0)), PI);
    EXPECT_EQ(AngleZ(makeVector(0, 0, 5)), 0.0);
    EXPECT_EQ(AngleZ(makeVector(0, 0, 0)), 0.0);
    EXPECT_DOUBLE_EQ(AngleZ(makeVector(1, 1, 0)), std::numbers::pi / 4);
    EXPECT_DOUBLE_EQ(AngleZ(makeVector(1, 1, 1)), std::asin(1 / std::sqrt(3.0)));
    const double q = std::asin(std::sqrt(0.5));
    EXPECT_DOUBLE_EQ(AngleZ(makeVector(-1, 1, 0)), PI - q);
    EXPECT_DOUBLE_EQ(AngleZ(makeVector(-1, -1, 0)), q + PI);
    EXPECT_DOUBLE_EQ(AngleZ(makeVector(1, -1, 0)), TWO_PI - q);
    // The other planes: X measured from +Y towards +Z, Y from +Z towards +X.
    EXPECT_EQ(AngleX(makeVector(0, 0, 1)), HALF_PI);
    EXPECT_EQ(AngleX(makeVector(0, -1, 0)), PI);
    EXPECT_EQ(AngleY(makeVector(1, 0, 0)), HALF_PI);
    EXPECT_EQ(AngleY(makeVector(0, 0, -2)), PI);
}

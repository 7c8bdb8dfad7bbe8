#include <gtest/gtest.h>

#include "animation/motion_speed.h"

using namespace kestrel;

namespace {

animation::Keyframe keyframe(const std::string& name, int frames, std::vector<model::ModelVertex> vertices) {
    animation::Keyframe k;
    k.name = name;
    k.framesFromLast = frames;
    k.model.vertices = std::move(vertices);
    return k;
}

}  // namespace

TEST(MotionSpeed, EachKeyframeIsMeasuredAgainstTheOneBefore) {
    model::Model base;
    base.vertices = {{0, 0, 0, 0}, {10, 0, 0, 0}};
    animation::Movement walk{"walk", {}};
    walk.keyframes.push_back(keyframe("a", 10, {{3, 4, 0, 0}, {10, 0, 0, 0}}));  // one vertex moves 5
    walk.keyframes.push_back(keyframe("b", 5, {{3, 4, 0, 0}, {10, 0, 20, 0}}));  // the other moves 20
    const auto speed = animation::motionSpeed(base, walk);
    ASSERT_TRUE(speed) << speed.error();
    EXPECT_DOUBLE_EQ(speed->average[0], 2.5 / 10);
    EXPECT_DOUBLE_EQ(speed->peak[0], 0.5);
    EXPECT_DOUBLE_EQ(speed->average[1], 10.0 / 5);
    EXPECT_DOUBLE_EQ(speed->peak[1], 4.0);
    EXPECT_EQ(speed->totalFrames, 15);

    const auto scales = animation::motionGraphScales(*speed, 340, 240);
    EXPECT_DOUBLE_EQ(scales.xPerFrame, 300.0 / 15);
    EXPECT_DOUBLE_EQ(scales.yAverage, 200.0 / 2);
    EXPECT_DOUBLE_EQ(scales.yPeak, 200.0 / 4);
}

TEST(MotionSpeed, StillMovementsScaleToNothingAndEmptyFramesAreRefused) {
    model::Model base;
    base.vertices = {{1, 1, 1, 0}};
    animation::Movement still{"still", {keyframe("a", 20, base.vertices.toVector())}};
    const auto speed = animation::motionSpeed(base, still);
    ASSERT_TRUE(speed);
    const auto scales = animation::motionGraphScales(*speed, 100, 100);
    EXPECT_EQ(scales.yAverage, 0.0);
    EXPECT_EQ(scales.yPeak, 0.0);

    still.keyframes[0].framesFromLast = 0;
    const auto refused = animation::motionSpeed(base, still);
    ASSERT_FALSE(refused);
    EXPECT_NE(refused.error().find("\"a\""), std::string::npos);
}

// Play Preview's frames against poses worked out by hand: one vertex, two chained keyframes.
#include <gtest/gtest.h>

#include "animation/preview.h"

namespace kestrel::animation {
namespace {

model::Model at(double x, double y) {
    model::Model m;
    m.addVertex(model::makeVector(x, y, 0));
    return m;
}

std::vector<std::pair<double, double>> play(PreviewPlayer& player) {
    std::vector<std::pair<double, double>> frames;
    while (player.next()) frames.emplace_back(player.pose().vertices[0].x, player.pose().vertices[0].y);
    return frames;
}

}  // namespace

TEST(PreviewPlayer, StepsChainFromKeyframeToKeyframeAndEndOnTheLastPose) {
    Movement m{"walk", {}};
    appendKeyframe(m, {at(10, 0), "a"});
    m.keyframes[0].framesFromLast = 2;
    appendKeyframe(m, {at(10, 20), "b"});
    m.keyframes[1].framesFromLast = 4;
    PreviewPlayer player(at(0, 0), m);
    EXPECT_EQ(player.frameCount(), 7);
    EXPECT_EQ(player.pose().vertices[0].x, 0);  // the base frame before the first frame
    const std::vector<std::pair<double, double>> expected{{5, 0},   {10, 0},  {10, 5}, {10, 10},
                                                          {10, 15}, {10, 20}, {10, 20}};
    EXPECT_EQ(play(player), expected);
    EXPECT_EQ(player.frame(), 7);
    EXPECT_FALSE(player.next());
}

TEST(PreviewPlayer, EmptyMovementsAndKeyframesOfNoFrames) {
    PreviewPlayer none(at(1, 1), Movement{"still", {}});
    EXPECT_EQ(none.frameCount(), 0);
    EXPECT_FALSE(none.next());
    EXPECT_EQ(none.pose().vertices[0].x, 1);

    Movement jump{"jump", {}};
    appendKeyframe(jump, {at(4, 0), "up"});
    jump.keyframes[0].framesFromLast = 0;  // reached at once
    appendKeyframe(jump, {at(8, 0), "on"});
    jump.keyframes[1].framesFromLast = 2;
    PreviewPlayer player(at(0, 0), jump);
    EXPECT_EQ((play(player)), (std::vector<std::pair<double, double>>{{6, 0}, {8, 0}, {8, 0}}));
}

}  // namespace kestrel::animation

namespace kestrel::animation {

// The preview's pacing on simulated time: each frame's start, when its drawing takes the
// times given, is the last start plus the longer of the drawing and the interval.
TEST(PreviewPacing, FramesStartAnIntervalApartUnlessDrawingTakesLonger) {
    using std::chrono::microseconds;
    using std::chrono::milliseconds;
    EXPECT_EQ(previewDelay(milliseconds(0)), milliseconds(16));
    EXPECT_EQ(previewDelay(milliseconds(5)), milliseconds(11));
    EXPECT_EQ(previewDelay(microseconds(5200)), milliseconds(10));  // a started millisecond counts
    EXPECT_EQ(previewDelay(milliseconds(16)), milliseconds(0));
    EXPECT_EQ(previewDelay(milliseconds(90)), milliseconds(0));
    EXPECT_EQ(previewDelay(milliseconds(-3)), milliseconds(16));  // a clock stepped back waits no longer

    Movement m{"walk", {}};
    appendKeyframe(m, {at(10, 0), "a"});
    m.keyframes[0].framesFromLast = 6;
    PreviewPlayer player(at(0, 0), m);
    const int drawing[] = {4, 4, 30, 16, 2, 40, 1};
    std::vector<int> starts;
    int now = 0;
    for (int frame = 0; player.next(); ++frame) {
        starts.push_back(now);
        now += drawing[frame];
        now += static_cast<int>(previewDelay(milliseconds(drawing[frame])).count());
    }
    EXPECT_EQ(starts, (std::vector<int>{0, 16, 32, 62, 78, 94, 134}));  // all seven frames, none skipped
}

}  // namespace kestrel::animation

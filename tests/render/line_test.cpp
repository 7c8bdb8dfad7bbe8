#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <limits>
#include <set>
#include <utility>
#include <vector>

#include "draw_helpers.h"
#include "render/software_device.h"

using namespace kestrel::render;
using namespace kestrel::render::test;

namespace {

using Pixels = std::set<std::pair<int, int>>;

// The pixels one line writes, each checked to be written once.
Pixels linePixels(float x0, float y0, float x1, float y1, int width = 16, int height = 16) {
    SoftwareDevice device(width, height);
    device.setStates(countingStates());
    const ScreenVertex v[] = {vertex(x0, y0, white128), vertex(x1, y1, white128)};
    device.drawLines(v);
    Pixels written;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const int n = writes(at(device, x, y));
            EXPECT_TRUE(n == 0 || n == 1) << x << ", " << y;
            if (n > 0) written.insert({x, y});
        }
    return written;
}

TEST(Lines, AxisLinesStopBeforeTheirLastPixel) {
    EXPECT_EQ(linePixels(1.5f, 2.5f, 6.5f, 2.5f), (Pixels{{1, 2}, {2, 2}, {3, 2}, {4, 2}, {5, 2}}));
    EXPECT_EQ(linePixels(6.5f, 2.5f, 1.5f, 2.5f), (Pixels{{6, 2}, {5, 2}, {4, 2}, {3, 2}, {2, 2}}));
    EXPECT_EQ(linePixels(3.5f, 1.5f, 3.5f, 5.5f), (Pixels{{3, 1}, {3, 2}, {3, 3}, {3, 4}}));
    EXPECT_EQ(linePixels(3.5f, 5.5f, 3.5f, 1.5f), (Pixels{{3, 5}, {3, 4}, {3, 3}, {3, 2}}));
    // Ends between centres: the centres the segment passes.
    EXPECT_EQ(linePixels(1, 4, 4, 4), (Pixels{{1, 4}, {2, 4}, {3, 4}}));
    EXPECT_EQ(linePixels(1.2f, 4.9f, 3.4f, 4.9f), (Pixels{{1, 4}, {2, 4}}));
}

TEST(Lines, DiagonalAndShallowLinesPickTheNearestCentre) {
    EXPECT_EQ(linePixels(0.5f, 0.5f, 4.5f, 4.5f), (Pixels{{0, 0}, {1, 1}, {2, 2}, {3, 3}}));
    EXPECT_EQ(linePixels(4.5f, 4.5f, 0.5f, 0.5f), (Pixels{{4, 4}, {3, 3}, {2, 2}, {1, 1}}));
    EXPECT_EQ(linePixels(0.5f, 4.5f, 4.5f, 0.5f), (Pixels{{0, 4}, {1, 3}, {2, 2}, {3, 1}}));
    // Slope 1/4: the row changes where y crosses a whole number.
    EXPECT_EQ(linePixels(0.5f, 0.5f, 8.5f, 2.5f),
              (Pixels{{0, 0}, {1, 0}, {2, 1}, {3, 1}, {4, 1}, {5, 1}, {6, 2}, {7, 2}}));
    // Steep: one pixel per row.
    EXPECT_EQ(linePixels(2.5f, 0.5f, 4.5f, 8.5f),
              (Pixels{{2, 0}, {2, 1}, {3, 2}, {3, 3}, {3, 4}, {3, 5}, {4, 6}, {4, 7}}));
}

TEST(Lines, ClosedOutlineDrawsEachCornerOnce) {
    SoftwareDevice device(16, 16);
    device.setStates(countingStates());
    const ScreenVertex a = vertex(2.5f, 2.5f, white128), b = vertex(10.5f, 2.5f, white128),
                       c = vertex(10.5f, 9.5f, white128), d = vertex(2.5f, 9.5f, white128);
    const ScreenVertex outline[] = {a, b, b, c, c, d, d, a};
    device.drawLines(outline);
    int drawn = 0;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            const bool edge = (x >= 2 && x <= 10 && (y == 2 || y == 9)) || (y >= 2 && y <= 9 && (x == 2 || x == 10));
            ASSERT_EQ(writes(at(device, x, y)), edge ? 1 : 0) << x << ", " << y;
            drawn += edge;
        }
    EXPECT_EQ(drawn, 2 * 8 + 2 * 7);
}

TEST(Lines, ColourAndDepthAreInterpolatedAndDepthTested) {
    SoftwareDevice device(8, 4);
    const ScreenVertex v[] = {vertex(0.5f, 1.5f, 0xFFFF0000, 0.0f), vertex(4.5f, 1.5f, 0xFF0000FF, 1.0f)};
    device.drawLines(v);
    EXPECT_EQ(at(device, 0, 1), 0xFFFF0000u);
    EXPECT_EQ(at(device, 2, 1), 0xFF800080u);  // halfway: 127.5 either way rounds up
    EXPECT_FLOAT_EQ(device.depth()[8 + 2], 0.5f);
    EXPECT_FLOAT_EQ(device.depth()[8 + 3], 0.75f);

    // Behind what is there: hidden; level with it: drawn.
    SoftwareDevice covered(8, 4);
    const ScreenVertex triangle[] = {vertex(0, 0, 0xFF00FF00, 0.5f), vertex(8, 0, 0xFF00FF00, 0.5f),
                                     vertex(0, 4, 0xFF00FF00, 0.5f)};
    covered.drawTriangles(triangle);
    const ScreenVertex behind[] = {vertex(0.5f, 0.5f, 0xFFFF0000, 0.6f), vertex(6.5f, 0.5f, 0xFFFF0000, 0.6f)};
    const ScreenVertex level[] = {vertex(0.5f, 1.5f, 0xFFFF0000, 0.5f), vertex(6.5f, 1.5f, 0xFFFF0000, 0.5f)};
    covered.drawLines(behind);
    covered.drawLines(level);
    EXPECT_EQ(at(covered, 1, 0), 0xFF00FF00u);
    EXPECT_EQ(at(covered, 1, 1), 0xFFFF0000u);
}

TEST(Lines, ClippedToTheBufferWithoutWalkingTheOffScreenPart) {
    // Across the whole buffer from far outside: every pixel of the row, once.
    Pixels row;
    for (int x = 0; x < 16; ++x) row.insert({x, 5});
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(linePixels(-1e6f, 5.5f, 1e6f, 5.5f), row);
    EXPECT_EQ(linePixels(1e30f, 5.5f, -1e30f, 5.5f), row);
    Pixels column;
    for (int y = 0; y < 16; ++y) column.insert({7, y});
    EXPECT_EQ(linePixels(7.5f, 1e7f, 7.5f, -1e7f), column);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));

    // Through each edge and corner: only the pixels inside, along the same diagonal.
    EXPECT_EQ(linePixels(-3.5f, -3.5f, 2.5f, 2.5f), (Pixels{{0, 0}, {1, 1}}));
    EXPECT_EQ(linePixels(13.5f, 13.5f, 19.5f, 19.5f), (Pixels{{13, 13}, {14, 14}, {15, 15}}));
    EXPECT_EQ(linePixels(13.5f, -1.5f, 17.5f, 2.5f), (Pixels{{15, 0}}));
    EXPECT_EQ(linePixels(-2.5f, 18.5f, 1.5f, 14.5f), (Pixels{{0, 15}}));
    // A long shallow line crossing the top edge far out.
    const Pixels shallow = linePixels(-1e6f, -1e6f / 64, 1e6f, 1e6f / 64);
    ASSERT_FALSE(shallow.empty());
    for (auto [x, y] : shallow) EXPECT_EQ(y, 0) << x;
}

TEST(Lines, OffScreenEmptyAndNonFiniteLinesDrawNothing) {
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    EXPECT_TRUE(linePixels(-5, 3, -1, 9).empty());
    EXPECT_TRUE(linePixels(2, 16, 14, 20).empty());
    EXPECT_TRUE(linePixels(-10, 30, 30, 26).empty());  // passes the corner outside
    EXPECT_TRUE(linePixels(4.5f, 4.5f, 4.5f, 4.5f).empty());
    EXPECT_TRUE(linePixels(4.2f, 4.5f, 4.4f, 4.5f).empty());  // passes no centre
    EXPECT_TRUE(linePixels(nan, 1, 5, 5).empty());
    EXPECT_TRUE(linePixels(1, 1, 5, inf).empty());
    EXPECT_TRUE(linePixels(-inf, 1, inf, 1).empty());

    SoftwareDevice device(8, 8);
    const ScreenVertex badDepth[] = {vertex(0.5f, 0.5f, 0xFFFF0000, nan), vertex(6.5f, 0.5f)};
    device.drawLines(badDepth);
    const ScreenVertex odd[] = {vertex(0.5f, 2.5f), vertex(6.5f, 2.5f), vertex(0.5f, 4.5f)};  // the last is alone
    device.drawLines(odd);
    EXPECT_EQ(at(device, 1, 0), 0xFF000000u);
    EXPECT_EQ(at(device, 1, 2), 0xFFFFFFFFu);
    EXPECT_EQ(at(device, 0, 4), 0xFF000000u);
}

}  // namespace

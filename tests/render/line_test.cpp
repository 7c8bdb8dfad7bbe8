#include <gtest/gtest.h>

#include <chrono>
#include <limits>
#include <set>
#include <utility>

#include "draw_helpers.h"

using namespace kestrel::render;
using namespace kestrel::render::test;

namespace {

using Pixels = std::set<std::pair<int, int>>;

// The pixels one line writes on a 16 x 16 buffer, each checked to be written once.
Pixels linePixels(float x0, float y0, float x1, float y1) {
    SoftwareDevice device(16, 16);
    device.setStates(countingStates);
    const ScreenVertex v[] = {vertex(x0, y0, white128), vertex(x1, y1, white128)};
    device.drawLines(v);
    Pixels written;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            if (const int n = writes(at(device, x, y)); n > 0) {
                EXPECT_EQ(n, 1) << x << ", " << y;
                written.insert({x, y});
            }
    return written;
}

TEST(Lines, StepTheMajorAxisAndStopBeforeTheLastPixel) {
    EXPECT_EQ(linePixels(1.5f, 2.5f, 5.5f, 2.5f), (Pixels{{1, 2}, {2, 2}, {3, 2}, {4, 2}}));
    EXPECT_EQ(linePixels(5.5f, 2.5f, 1.5f, 2.5f), (Pixels{{5, 2}, {4, 2}, {3, 2}, {2, 2}}));  // so outlines
    EXPECT_EQ(linePixels(1.5f, 2.5f, 1.5f, 5.5f), (Pixels{{1, 2}, {1, 3}, {1, 4}}));          // draw corners once
    EXPECT_EQ(linePixels(3.5f, 5.5f, 3.5f, 1.5f), (Pixels{{3, 5}, {3, 4}, {3, 3}, {3, 2}}));
    EXPECT_EQ(linePixels(1.2f, 4, 3.4f, 4), (Pixels{{1, 4}, {2, 4}}));  // ends between centres
    EXPECT_EQ(linePixels(4.5f, 4.5f, 0.5f, 0.5f), (Pixels{{4, 4}, {3, 3}, {2, 2}, {1, 1}}));
    EXPECT_EQ(linePixels(0.5f, 4.5f, 4.5f, 0.5f), (Pixels{{0, 4}, {1, 3}, {2, 2}, {3, 1}}));
    // Slope 1/4: the row changes where y crosses a whole number; steep lines likewise.
    EXPECT_EQ(linePixels(0.5f, 0.5f, 8.5f, 2.5f),
              (Pixels{{0, 0}, {1, 0}, {2, 1}, {3, 1}, {4, 1}, {5, 1}, {6, 2}, {7, 2}}));
    EXPECT_EQ(linePixels(2.5f, 0.5f, 4.5f, 8.5f),
              (Pixels{{2, 0}, {2, 1}, {3, 2}, {3, 3}, {3, 4}, {3, 5}, {4, 6}, {4, 7}}));
}

TEST(Lines, ColourAndDepthAreInterpolatedAndDepthTested) {
    SoftwareDevice device(8, 4);
    const ScreenVertex triangle[] = {vertex(0, 0, 0xFF00FF00), vertex(8, 0, 0xFF00FF00), vertex(0, 2, 0xFF00FF00)};
    device.drawTriangles(triangle);  // depth 0.5 over row 0
    const ScreenVertex v[] = {vertex(0.5f, 0.5f, 0xFFFF0000, 0.6f), vertex(6.5f, 0.5f, 0xFFFF0000, 0.6f),  // behind
                              vertex(0.5f, 1.5f, 0xFFFF0000, 0.5f), vertex(6.5f, 1.5f, 0xFFFF0000, 0.5f),  // level
                              vertex(0.5f, 2.5f, 0xFFFF0000, 0.0f), vertex(4.5f, 2.5f, 0xFF0000FF, 1.0f)};
    device.drawLines(v);
    EXPECT_EQ(at(device, 1, 0), 0xFF00FF00u);
    EXPECT_EQ(at(device, 1, 1), 0xFFFF0000u);
    EXPECT_EQ(at(device, 0, 2), 0xFFFF0000u);
    EXPECT_EQ(at(device, 2, 2), 0xFF800080u);  // halfway: 127.5 rounds up both ways
    EXPECT_FLOAT_EQ(device.depth()[2 * 8 + 3], 0.75f);
}

TEST(Lines, ClippedWithoutWalkingTheOffScreenPart) {
    Pixels row, column;
    for (int i = 0; i < 16; ++i) row.insert({i, 5}), column.insert({7, i});
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(linePixels(-1e6f, 5.5f, 1e6f, 5.5f), row);
    EXPECT_EQ(linePixels(1e30f, 5.5f, -1e30f, 5.5f), row);
    EXPECT_EQ(linePixels(7.5f, 1e7f, 7.5f, -1e7f), column);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    // Through each corner: only the pixels inside, along the same diagonal.
    EXPECT_EQ(linePixels(-3.5f, -3.5f, 2.5f, 2.5f), (Pixels{{0, 0}, {1, 1}}));
    EXPECT_EQ(linePixels(13.5f, 13.5f, 19.5f, 19.5f), (Pixels{{13, 13}, {14, 14}, {15, 15}}));
    EXPECT_EQ(linePixels(12.5f, -2, 17.5f, 3), (Pixels{{14, 0}, {15, 1}}));  // enters on the edge exactly
    EXPECT_EQ(linePixels(-2.5f, 18.5f, 1.5f, 14.5f), (Pixels{{0, 15}}));
    const Pixels shallow = linePixels(-1e6f, -1e6f / 64, 1e6f, 1e6f / 64);  // enters through the top
    EXPECT_EQ(shallow.size(), 16u);
    for (auto [x, y] : shallow) EXPECT_EQ(y, 0) << x;
}

TEST(Lines, OffScreenEmptyAndNonFiniteLinesDrawNothing) {
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    const float lines[][4] = {{-5, 3, -1, 9},           {2, 16, 14, 20}, {-10, 30, 30, 26}, {4.5f, 4.5f, 4.5f, 4.5f},
                              {4.2f, 4.5f, 4.4f, 4.5f}, {nan, 1, 5, 5},  {1, 1, 5, inf},    {-inf, 1, inf, 1}};
    for (const auto& l : lines) EXPECT_TRUE(linePixels(l[0], l[1], l[2], l[3]).empty()) << l[0] << ", " << l[1];
    SoftwareDevice device(8, 8);
    const ScreenVertex v[] = {vertex(0.5f, 0.5f, 0xFFFF0000, nan), vertex(6.5f, 0.5f), vertex(0.5f, 4.5f)};
    device.drawLines(v);  // a bad depth, then a vertex alone
    for (std::uint32_t pixel : device.pixels()) ASSERT_EQ(pixel, 0xFF000000u);
}

}  // namespace

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <vector>

#include "draw_helpers.h"

using namespace kestrel::render;
using namespace kestrel::render::test;

namespace {

using Vertices = std::vector<ScreenVertex>;
using Point = std::array<float, 2>;

// Two triangles split along either diagonal, the second wound the other way round.
void addRectangle(Vertices& out, float x0, float y0, float x1, float y1, bool otherDiagonal,
                  std::uint32_t colour = white128, float z = 0.5f) {
    const auto c = [&](float x, float y) { return vertex(x, y, colour, z); };
    if (otherDiagonal)
        out.insert(out.end(), {c(x0, y0), c(x1, y0), c(x0, y1), c(x1, y0), c(x0, y1), c(x1, y1)});
    else
        out.insert(out.end(), {c(x0, y0), c(x1, y0), c(x1, y1), c(x0, y0), c(x0, y1), c(x1, y1)});
}

TEST(TriangleFill, RectanglesCoverEachPixelOnceAndStopAtTheBuffer) {
    // Edges between centres, through centres, anywhere; over each buffer edge; outside.
    const float boxes[][4] = {{2, 3, 10, 9},
                              {2.5f, 3.5f, 10.5f, 9.5f},
                              {1.25f, 0.8125f, 13.75f, 11},
                              {0, 0, 12, 12},
                              {-5, 2, 6, 8},
                              {10, 2, 25, 8},
                              {3, -7, 9, 5},
                              {3, 6, 9, 30},
                              {-99, -99, 99, 99},
                              {-10, 2, 0, 8},
                              {16, 2, 30, 8},
                              {2, 12, 8, 20}};
    for (const auto& b : boxes)
        for (bool other : {false, true}) {
            SoftwareDevice device(16, 12);
            device.setStates(countingStates);
            Vertices v;
            addRectangle(v, b[0], b[1], b[2], b[3], other);
            device.drawTriangles(v);
            for (int y = 0; y < 12; ++y)
                for (int x = 0; x < 16; ++x) {
                    // Centres on the left and top edges are in, on the right and bottom out.
                    const bool in = x + 0.5f >= b[0] && x + 0.5f < b[2] && y + 0.5f >= b[1] && y + 0.5f < b[3];
                    ASSERT_EQ(writes(at(device, x, y)), in ? 1 : 0) << b[0] << "," << b[1] << " " << x << "," << y;
                }
        }
}

// A fan around a centre: inside the outline each pixel once, outside never; centres exactly on
// the outline may go either way. All coordinates are sixteenths, so the crosses are exact.
void expectFanCoverage(Point centre, const std::vector<Point>& ring) {
    SoftwareDevice device(40, 40);
    device.setStates(countingStates);
    Vertices v;
    for (std::size_t i = 0; i < ring.size(); ++i) {
        const Point a = ring[i], b = ring[(i + 1) % ring.size()];
        const bool flip = i % 2 != 0;
        v.insert(v.end(),
                 {vertex(centre[0], centre[1], white128), vertex(flip ? b[0] : a[0], flip ? b[1] : a[1], white128),
                  vertex(flip ? a[0] : b[0], flip ? a[1] : b[1], white128)});
    }
    device.drawTriangles(v);
    int inside = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x) {
            bool in = true, out = false;
            for (std::size_t i = 0; i < ring.size(); ++i) {
                const Point a = ring[i], b = ring[(i + 1) % ring.size()];
                const double cross =
                    (double(b[0]) - a[0]) * (y + 0.5 - a[1]) - (double(b[1]) - a[1]) * (x + 0.5 - a[0]);
                in = in && cross > 0;
                out = out || cross < 0;
            }
            const int n = writes(at(device, x, y));
            inside += in;
            EXPECT_TRUE(in ? n == 1 : out ? n == 0 : n <= 1) << x << ", " << y << ": " << n;
        }
    EXPECT_GT(inside, 300);
}

TEST(TriangleFill, FansShareTheirSpokes) {
    // Horizontal, vertical and diagonal spokes through rows of pixel centres.
    expectFanCoverage({16.5f, 16.5f}, {{26.5f, 16.5f},
                                       {23.5f, 23.5f},
                                       {16.5f, 28.5f},
                                       {9.5f, 23.5f},
                                       {4.5f, 16.5f},
                                       {9.5f, 9.5f},
                                       {16.5f, 6.5f},
                                       {23.5f, 9.5f}});
    // Off the grid: spokes in every direction.
    expectFanCoverage({20.3125f, 17.6875f}, {{34, 19},
                                             {29.5f, 29.125f},
                                             {17.25f, 32.75f},
                                             {7.0625f, 25.5f},
                                             {6.5f, 12},
                                             {16.75f, 5.0625f},
                                             {28.9375f, 7.5f}});
}

TEST(TriangleFill, BadTrianglesAreSkippedAndHugeOnesCut) {
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    const Vertices bad[] = {
        {vertex(1, 1), vertex(5, 5), vertex(9, 9)},                    // no area
        {vertex(4.6f, 4.6f), vertex(4.9f, 4.6f), vertex(4.6f, 4.9f)},  // no centre inside
        {vertex(0, 0), vertex(nan, 0), vertex(0, 16)},
        {vertex(0, 0), vertex(16, inf), vertex(0, 16)},
        {vertex(0, 0, 0xFFFFFFFF, -inf), vertex(16, 0), vertex(0, 16)},
        {vertex(0, 0, 0xFFFFFFFF, 0.5f, nan), vertex(16, 0), vertex(0, 16)},
        {vertex(-1e30f, -1e30f), vertex(1e30f, -1e30f), vertex(0, 1e30f)},  // beyond the limit
        {vertex(2, 2), vertex(9, 2)},                                       // an incomplete triple
    };
    for (const Vertices& v : bad) {
        SoftwareDevice device(16, 16);
        device.selectTexture(device.createTexture({1, 1, 1, 8, {0xFFFFFFFF}}));
        device.drawTriangles(v);
        for (std::uint32_t pixel : device.pixels()) ASSERT_EQ(pixel, 0xFF000000u) << &v - bad;
    }
    // Extreme texture coordinates and depths draw without fault, somewhere in the texture.
    SoftwareDevice device(16, 16);
    device.selectTexture(device.createTexture({2, 2, 2, 8, std::vector<std::uint32_t>(4, 0xFFFFFFFF)}));
    device.drawTriangles(Vertices{vertex(0, 0, 0xFFFFFFFF, 0.5f, 1e30f, -3e38f),
                                  vertex(16, 0, 0xFFFFFFFF, 0.5f, -1e30f), vertex(0, 16, 0xFFFFFFFF, 0.5f, 0, 1e-30f)});
    EXPECT_EQ(at(device, 2, 2), 0xFFFFFFFFu);
    device.setStates({false, true, Blend::Opaque, TextureBlend::Modulate});
    device.drawTriangles(Vertices{vertex(0, 0, 0, 3e38f), vertex(16, 0, 0, -3e38f), vertex(0, 16, 0, 3e38f)});
    // Within the limit: the whole buffer, once.
    SoftwareDevice big(32, 24);
    big.setStates(countingStates);
    big.drawTriangles(
        Vertices{vertex(-1e6f, -1e6f, white128), vertex(4e6f, -1e6f, white128), vertex(-1e6f, 4e6f, white128)});
    for (std::uint32_t pixel : big.pixels()) ASSERT_EQ(writes(pixel), 1);
}

TEST(TriangleDepth, NearerWinsWhateverTheOrderAndStatesApply) {
    Vertices red, blue, green;
    addRectangle(red, 0, 0, 6, 6, false, 0xFFFF0000, 0.25f);
    addRectangle(blue, 3, 3, 8, 8, true, 0xFF0000FF, 0.75f);
    addRectangle(green, 0, 0, 8, 8, false, 0xFF00FF00, 0.25f);
    for (bool redFirst : {true, false}) {
        SoftwareDevice device(8, 8);
        device.drawTriangles(redFirst ? red : blue);
        device.drawTriangles(redFirst ? blue : red);
        EXPECT_EQ(at(device, 4, 4), 0xFFFF0000u);
        EXPECT_EQ(at(device, 7, 7), 0xFF0000FFu);
        device.drawTriangles(green);  // as near as red: drawn
        EXPECT_EQ(at(device, 4, 4), 0xFF00FF00u);
    }
    SoftwareDevice device(8, 8);
    device.setStates({true, false, Blend::Opaque, TextureBlend::Modulate});
    device.drawTriangles(red);  // not recorded
    device.setStates({});
    device.drawTriangles(blue);
    EXPECT_EQ(at(device, 4, 4), 0xFF0000FFu);
    device.setStates({false, true, Blend::Opaque, TextureBlend::Modulate});
    device.drawTriangles(red);  // not tested
    EXPECT_EQ(at(device, 4, 4), 0xFFFF0000u);
    EXPECT_FLOAT_EQ(device.depth()[4 * 8 + 4], 0.25f);
}

TEST(TriangleShade, GouraudColourAndDepthFollowTheBarycentres) {
    SoftwareDevice device(20, 20);
    device.drawTriangles(
        Vertices{vertex(0, 0, 0xFFFF0000, 0), vertex(16, 0, 0xFF00FF00, 0.5f), vertex(0, 16, 0xFF0000FF, 1)});
    for (auto [x, y] : {std::pair{0, 0}, {1, 1}, {8, 3}, {3, 8}, {10, 4}, {2, 12}, {7, 7}}) {
        const double b = (x + 0.5) / 16, c = (y + 0.5) / 16, a = 1 - b - c;
        const std::uint32_t pixel = at(device, x, y);
        EXPECT_NEAR(pixel >> 16 & 0xFF, 255 * a, 0.51) << x << ", " << y;
        EXPECT_NEAR(pixel >> 8 & 0xFF, 255 * b, 0.51) << x << ", " << y;
        EXPECT_NEAR(pixel & 0xFF, 255 * c, 0.51) << x << ", " << y;
        EXPECT_NEAR(device.depth()[static_cast<std::size_t>(y * 20 + x)], 0.5 * b + c, 1e-5);
    }
}

TEST(TriangleShade, SourceAlphaBlendsAndTheBufferStaysOpaque) {
    SoftwareDevice device(8, 8);
    device.setBackground(0xAB0000FF);  // the top byte is not a colour
    device.clear(true, true);
    EXPECT_EQ(at(device, 0, 0), 0xFF0000FFu);
    Vertices v;
    addRectangle(v, 0, 0, 4, 8, false, 0x80FF0000);
    addRectangle(v, 4, 0, 8, 8, false, 0x00FF0000, 0.4f);
    device.setStates({true, true, Blend::SourceAlpha, TextureBlend::Modulate});
    device.drawTriangles(v);
    EXPECT_EQ(at(device, 1, 1), 0xFF80007Fu);  // 255 × 128/255, 255 × 127/255
    EXPECT_EQ(at(device, 6, 1), 0xFF0000FFu);  // alpha 0 leaves the target, but writes depth
    EXPECT_FLOAT_EQ(device.depth()[8 + 6], 0.4f);
    device.clear(false, true);
    EXPECT_FLOAT_EQ(device.depth()[8 + 6], 1.0f);
    device.setStates({});
    device.drawTriangles(v);
    EXPECT_EQ(at(device, 6, 1), 0xFFFF0000u);
}

TEST(SoftwareDevice, SizesAreClamped) {
    EXPECT_EQ(SoftwareDevice(0, -5).pixels().size(), 1u);
    SoftwareDevice tall(3, 100000);
    EXPECT_EQ(tall.height(), SoftwareDevice::kMaxSide);
    EXPECT_EQ(tall.depth().size(), 3u * SoftwareDevice::kMaxSide);
}

}  // namespace

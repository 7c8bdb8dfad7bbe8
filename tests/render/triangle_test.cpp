#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "draw_helpers.h"
#include "render/software_device.h"

using namespace kestrel::render;
using namespace kestrel::render::test;

namespace {

using Vertices = std::vector<ScreenVertex>;

// A rectangle as two triangles, split along either diagonal, the second triangle wound the
// other way round.
void addRectangle(Vertices& out, float x0, float y0, float x1, float y1, bool otherDiagonal,
                  std::uint32_t colour = white128, float z = 0.5f) {
    const auto corner = [&](float x, float y) { return vertex(x, y, colour, z); };
    if (!otherDiagonal) {
        out.insert(out.end(), {corner(x0, y0), corner(x1, y0), corner(x1, y1)});
        out.insert(out.end(), {corner(x0, y0), corner(x0, y1), corner(x1, y1)});
    } else {
        out.insert(out.end(), {corner(x0, y0), corner(x1, y0), corner(x0, y1)});
        out.insert(out.end(), {corner(x1, y0), corner(x0, y1), corner(x1, y1)});
    }
}

// The pixels a rectangle covers: centres on its left and top edges are in, on its right and
// bottom edges out.
bool inRectangle(int x, int y, float x0, float y0, float x1, float y1) {
    const float cx = x + 0.5f, cy = y + 0.5f;
    return cx >= x0 && cx < x1 && cy >= y0 && cy < y1;
}

void expectRectangleCoverage(const SoftwareDevice& device, float x0, float y0, float x1, float y1) {
    for (int y = 0; y < device.height(); ++y)
        for (int x = 0; x < device.width(); ++x)
            ASSERT_EQ(writes(at(device, x, y)), inRectangle(x, y, x0, y0, x1, y1) ? 1 : 0)
                << "pixel " << x << ", " << y;
}

SoftwareDevice countingDevice(int width, int height) {
    SoftwareDevice device(width, height);
    device.setStates(countingStates());
    return device;
}

// Sharing edges: every pixel of the union drawn once, none twice.
TEST(TriangleFill, RectanglesSplitEitherWayCoverEachPixelOnce) {
    const float boxes[][4] = {
        {2, 3, 10, 9},                    // edges between pixel centres
        {2.5f, 3.5f, 10.5f, 9.5f},        // edges through the centres
        {1.25f, 0.8125f, 13.75f, 11.0f},  // anywhere in between
        {0, 0, 16, 16},                   // diagonals through the centres of a square
    };
    for (const auto& b : boxes)
        for (bool other : {false, true}) {
            SCOPED_TRACE(testing::Message() << b[0] << "," << b[1] << " " << b[2] << "," << b[3] << " " << other);
            SoftwareDevice device = countingDevice(20, 20);
            Vertices v;
            addRectangle(v, b[0], b[1], b[2], b[3], other);
            device.drawTriangles(v);
            expectRectangleCoverage(device, b[0], b[1], b[2], b[3]);
        }
}

TEST(TriangleFill, NeighbouringRectanglesShareTheirEdges) {
    SoftwareDevice device = countingDevice(20, 20);
    Vertices v;
    addRectangle(v, 2.5f, 2.5f, 9.5f, 9.5f, false);
    addRectangle(v, 9.5f, 2.5f, 15.5f, 9.5f, true);
    addRectangle(v, 2.5f, 9.5f, 15.5f, 14.5f, false);
    device.drawTriangles(v);
    expectRectangleCoverage(device, 2.5f, 2.5f, 15.5f, 14.5f);
}

// A fan around a centre: inside the outline each pixel is written once; outside never. Centres
// exactly on the outline may go either way.
void expectFanCoverage(float cx, float cy, const std::vector<std::array<float, 2>>& ring) {
    SoftwareDevice device = countingDevice(40, 40);
    Vertices v;
    for (std::size_t i = 0; i < ring.size(); ++i) {
        const auto& a = ring[i];
        const auto& b = ring[(i + 1) % ring.size()];
        if (i % 2 == 0)
            v.insert(v.end(), {vertex(cx, cy, white128), vertex(a[0], a[1], white128), vertex(b[0], b[1], white128)});
        else
            v.insert(v.end(), {vertex(b[0], b[1], white128), vertex(a[0], a[1], white128), vertex(cx, cy, white128)});
    }
    device.drawTriangles(v);
    int inside = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x) {
            // All values are multiples of 1/16, so these products are exact.
            bool in = true, out = false;
            for (std::size_t i = 0; i < ring.size(); ++i) {
                const auto& a = ring[i];
                const auto& b = ring[(i + 1) % ring.size()];
                const double cross = (double(b[0]) - a[0]) * (y + 0.5 - a[1]) - (double(b[1]) - a[1]) * (x + 0.5 - a[0]);
                in = in && cross > 0;
                out = out || cross < 0;
            }
            const int n = writes(at(device, x, y));
            if (in) {
                EXPECT_EQ(n, 1) << "pixel " << x << ", " << y;
                ++inside;
            } else if (out) {
                EXPECT_EQ(n, 0) << "pixel " << x << ", " << y;
            } else {
                EXPECT_TRUE(n == 0 || n == 1) << "pixel " << x << ", " << y;
            }
        }
    EXPECT_GT(inside, 200);
}

TEST(TriangleFill, FanAroundAPixelCentreWithSpokesThroughCentres) {
    // Horizontal, vertical and diagonal spokes, each running through a row of pixel centres.
    expectFanCoverage(16.5f, 16.5f,
                      {{26.5f, 16.5f}, {23.5f, 23.5f}, {16.5f, 28.5f}, {9.5f, 23.5f},
                       {4.5f, 16.5f}, {9.5f, 9.5f}, {16.5f, 6.5f}, {23.5f, 9.5f}});
}

TEST(TriangleFill, FanAroundAnOffGridCentre) {
    std::vector<std::array<float, 2>> ring;
    for (int i = 0; i < 11; ++i) {
        const double angle = i * 2 * 3.14159265358979 / 11;
        ring.push_back({static_cast<float>(std::round(16 * (20 + 14 * std::cos(angle))) / 16),
                        static_cast<float>(std::round(16 * (19 + 14 * std::sin(angle))) / 16)});
    }
    expectFanCoverage(20.3125f, 17.6875f, ring);
}

TEST(TriangleFill, JitteredMeshCoversItsRectangleOnce) {
    // A 4 x 4 grid of cells over (2, 3)-(34, 35); the inner corners moved by up to 1.5 pixels
    // in 1/16 steps, the cells split along alternating diagonals and wound alternately.
    constexpr int n = 4;
    float px[n + 1][n + 1], py[n + 1][n + 1];
    unsigned seed = 12345;
    const auto jitter = [&] {
        seed = seed * 1103515245u + 12345u;
        return static_cast<float>(static_cast<int>(seed >> 16) % 49 - 24) / 16;
    };
    for (int j = 0; j <= n; ++j)
        for (int i = 0; i <= n; ++i) {
            const bool inner = i > 0 && i < n && j > 0 && j < n;
            px[j][i] = 2 + 8.0f * i + (inner ? jitter() : 0);
            py[j][i] = 3 + 8.0f * j + (inner ? jitter() : 0);
        }
    SoftwareDevice device = countingDevice(40, 40);
    Vertices v;
    const auto corner = [&](int i, int j) { return vertex(px[j][i], py[j][i], white128); };
    for (int j = 0; j < n; ++j)
        for (int i = 0; i < n; ++i) {
            if ((i + j) % 2 == 0)
                v.insert(v.end(), {corner(i, j), corner(i + 1, j), corner(i + 1, j + 1), corner(i + 1, j + 1),
                                   corner(i, j + 1), corner(i, j)});
            else
                v.insert(v.end(), {corner(i + 1, j), corner(i, j), corner(i, j + 1), corner(i + 1, j),
                                   corner(i + 1, j + 1), corner(i, j + 1)});
        }
    device.drawTriangles(v);
    expectRectangleCoverage(device, 2, 3, 34, 35);
}

TEST(TriangleFill, DegenerateAndTinyTrianglesDrawNothing) {
    SoftwareDevice device = countingDevice(16, 16);
    const Vertices v = {
        vertex(1, 1, white128), vertex(5, 5, white128), vertex(9, 9, white128),     // a line
        vertex(3, 3, white128), vertex(3, 3, white128), vertex(3, 3, white128),     // a point
        vertex(4.6f, 4.6f, white128), vertex(4.9f, 4.6f, white128), vertex(4.6f, 4.9f, white128),  // no centre
        vertex(2, 2, white128), vertex(9, 2, white128),  // an incomplete triple
    };
    device.drawTriangles(v);
    for (std::uint32_t pixel : device.pixels()) ASSERT_EQ(pixel, 0xFF000000u);
}

// ---- Clipping and bad input ----

TEST(TriangleClip, RectanglesOverEachBufferEdgeStopAtIt) {
    const float boxes[][4] = {{-5, 2, 6, 8}, {10, 2, 25, 8}, {3, -7, 9, 5}, {3, 6, 9, 30}, {-100, -100, 100, 100}};
    for (const auto& b : boxes)
        for (bool other : {false, true}) {
            SoftwareDevice device = countingDevice(16, 12);
            Vertices v;
            addRectangle(v, b[0], b[1], b[2], b[3], other);
            device.drawTriangles(v);
            expectRectangleCoverage(device, b[0], b[1], b[2], b[3]);
        }
}

TEST(TriangleClip, TrianglesOffTheBufferDrawNothing) {
    SoftwareDevice device = countingDevice(16, 12);
    Vertices v;
    addRectangle(v, -10, 2, 0, 8, false);   // right edge on the buffer's left: excluded
    addRectangle(v, 16, 2, 30, 8, true);
    addRectangle(v, 2, -9, 8, 0, false);
    addRectangle(v, 2, 12, 8, 20, true);
    v.insert(v.end(), {vertex(-50, -1, white128), vertex(60, -1, white128), vertex(5, -40, white128)});
    device.drawTriangles(v);
    for (std::uint32_t pixel : device.pixels()) ASSERT_EQ(pixel, 0xFF000000u);
}

TEST(TriangleClip, NonFiniteCornersSkipTheTriangle) {
    const float bad[] = {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                         -std::numeric_limits<float>::infinity()};
    for (float value : bad)
        for (int field = 0; field < 5; ++field) {
            SoftwareDevice device(16, 16);
            const std::vector<std::uint32_t> texels(4, 0xFFFFFFFF);
            device.selectTexture(device.createTexture({2, 2, 2, 8, texels}));
            Vertices v = {vertex(0, 0, 0xFFFF0000, 0.5f), vertex(16, 0), vertex(0, 16)};
            float* fields[] = {&v[1].x, &v[1].y, &v[1].z, &v[1].u, &v[1].v};
            *fields[field] = value;
            device.drawTriangles(v);
            for (std::uint32_t pixel : device.pixels()) ASSERT_EQ(pixel, 0xFF000000u) << field;
        }
}

TEST(TriangleClip, HugeCoordinatesAreCutOrRefused) {
    // Within the limit: covers the whole buffer, once.
    SoftwareDevice device = countingDevice(32, 24);
    const Vertices big = {vertex(-1e6f, -1e6f, white128), vertex(4e6f, -1e6f, white128), vertex(-1e6f, 4e6f, white128)};
    device.drawTriangles(big);
    for (std::uint32_t pixel : device.pixels()) ASSERT_EQ(writes(pixel), 1);

    // Beyond it: refused, at once.
    SoftwareDevice other = countingDevice(32, 24);
    const Vertices huge = {vertex(-1e30f, -1e30f, white128), vertex(1e30f, -1e30f, white128), vertex(0, 1e30f, white128)};
    other.drawTriangles(huge);
    for (std::uint32_t pixel : other.pixels()) ASSERT_EQ(pixel, 0xFF000000u);
}

TEST(TriangleClip, ExtremeAttributesDrawWithoutFault) {
    // Texture coordinates and depths near the float limit: whatever is drawn stays in the
    // buffer and in the texture.
    SoftwareDevice device(16, 16);
    const std::vector<std::uint32_t> texels(16, 0xFFFFFFFF);
    device.selectTexture(device.createTexture({4, 4, 4, 8, texels}));
    RenderStates states;
    states.depthTest = false;
    device.setStates(states);
    const Vertices v = {vertex(0, 0, 0xFFFFFFFF, 3e38f, 1e30f, -1e30f), vertex(16, 0, 0xFFFFFFFF, -3e38f, -3e38f, 0),
                        vertex(0, 16, 0xFFFFFFFF, 0, 0, 3e38f), vertex(0, 0, 0xFFFFFFFF, 0.5f, 1e30f, 0),
                        vertex(16, 16, 0xFFFFFFFF, 0.5f, 0, 1e-30f), vertex(0, 16, 0xFFFFFFFF, 0.5f, -1e30f, 1)};
    device.drawTriangles(v);
    EXPECT_EQ(at(device, 8, 12), 0xFFFFFFFFu);  // from the second triangle, whose depth is usable
}

// ---- Depth ----

TEST(TriangleDepth, NearerWinsWhateverTheOrder) {
    for (bool nearFirst : {true, false}) {
        SoftwareDevice device(16, 16);
        Vertices nearer, farther;
        addRectangle(nearer, 0, 0, 10, 10, false, 0xFFFF0000, 0.25f);
        addRectangle(farther, 5, 5, 16, 16, true, 0xFF0000FF, 0.75f);
        device.drawTriangles(nearFirst ? nearer : farther);
        device.drawTriangles(nearFirst ? farther : nearer);
        EXPECT_EQ(at(device, 7, 7), 0xFFFF0000u);
        EXPECT_EQ(at(device, 2, 2), 0xFFFF0000u);
        EXPECT_EQ(at(device, 12, 12), 0xFF0000FFu);
        EXPECT_FLOAT_EQ(device.depth()[7 * 16 + 7], 0.25f);
        EXPECT_FLOAT_EQ(device.depth()[12 * 16 + 12], 0.75f);
        EXPECT_FLOAT_EQ(device.depth()[15], 1.0f);
    }
}

TEST(TriangleDepth, StatesChangeTheTestAndTheWrite) {
    Vertices first, second;
    addRectangle(first, 0, 0, 8, 8, false, 0xFFFF0000, 0.5f);
    addRectangle(second, 0, 0, 8, 8, true, 0xFF00FF00, 0.5f);
    Vertices behind;
    addRectangle(behind, 0, 0, 8, 8, false, 0xFF0000FF, 0.9f);

    SoftwareDevice device(8, 8);
    device.drawTriangles(first);
    device.drawTriangles(second);  // as near: drawn
    EXPECT_EQ(at(device, 3, 3), 0xFF00FF00u);
    device.drawTriangles(behind);
    EXPECT_EQ(at(device, 3, 3), 0xFF00FF00u);

    RenderStates noTest;
    noTest.depthTest = false;
    device.setStates(noTest);
    device.drawTriangles(behind);
    EXPECT_EQ(at(device, 3, 3), 0xFF0000FFu);
    EXPECT_FLOAT_EQ(device.depth()[3 * 8 + 3], 0.9f);

    SoftwareDevice unwritten(8, 8);
    RenderStates noWrite;
    noWrite.depthWrite = false;
    unwritten.setStates(noWrite);
    unwritten.drawTriangles(first);
    unwritten.setStates({});
    unwritten.drawTriangles(behind);  // nothing nearer was recorded
    EXPECT_EQ(at(unwritten, 3, 3), 0xFF0000FFu);
}

// ---- Colour ----

TEST(TriangleShade, GouraudColourAndDepthFollowTheBarycentres) {
    SoftwareDevice device(20, 20);
    const Vertices v = {vertex(0, 0, 0xFFFF0000, 0.0f), vertex(16, 0, 0xFF00FF00, 0.5f), vertex(0, 16, 0xFF0000FF, 1.0f)};
    device.drawTriangles(v);
    for (auto [x, y] : {std::pair{0, 0}, {1, 1}, {8, 3}, {3, 8}, {10, 4}, {2, 12}, {7, 7}}) {
        const double b = (x + 0.5) / 16, c = (y + 0.5) / 16, a = 1 - b - c;
        const std::uint32_t pixel = at(device, x, y);
        SCOPED_TRACE(testing::Message() << x << ", " << y);
        EXPECT_NEAR(pixel >> 16 & 0xFF, 255 * a, 0.51);
        EXPECT_NEAR(pixel >> 8 & 0xFF, 255 * b, 0.51);
        EXPECT_NEAR(pixel & 0xFF, 255 * c, 0.51);
        EXPECT_NEAR(device.depth()[static_cast<std::size_t>(y * 20 + x)], 0.5 * b + c, 1e-5);
    }
}

TEST(TriangleShade, SourceAlphaBlendsOverTheTargetAndStaysOpaque) {
    SoftwareDevice device(8, 8);
    device.setBackground(0x0000FF);
    device.clear(true, true);
    RenderStates states;
    states.blend = Blend::SourceAlpha;
    device.setStates(states);
    Vertices v;
    addRectangle(v, 0, 0, 4, 8, false, 0x80FF0000);
    addRectangle(v, 4, 0, 8, 8, false, 0x00FF0000, 0.4f);
    device.drawTriangles(v);
    EXPECT_EQ(at(device, 1, 1), 0xFF80007Fu);  // 255 × 128/255, 255 × 127/255
    EXPECT_EQ(at(device, 6, 1), 0xFF0000FFu);  // alpha 0 leaves the target
    EXPECT_FLOAT_EQ(device.depth()[8 + 6], 0.4f);  // but writes depth

    states.blend = Blend::Opaque;
    device.setStates(states);
    device.clear(true, true);
    device.drawTriangles(v);
    EXPECT_EQ(at(device, 1, 1), 0xFFFF0000u);
    EXPECT_EQ(at(device, 6, 1), 0xFFFF0000u);
}

// ---- The device itself ----

TEST(SoftwareDevice, SizesAreClampedAndBuffersStartCleared) {
    SoftwareDevice tiny(0, -5);
    EXPECT_EQ(tiny.width(), 1);
    EXPECT_EQ(tiny.height(), 1);
    SoftwareDevice tall(3, 100000);
    EXPECT_EQ(tall.height(), SoftwareDevice::kMaxSide);
    EXPECT_EQ(tall.pixels().size(), 3u * SoftwareDevice::kMaxSide);
    EXPECT_EQ(tall.pixels().front(), 0xFF000000u);
    EXPECT_EQ(tall.depth().back(), 1.0f);
}

TEST(SoftwareDevice, ClearFillsEachBufferAskedFor) {
    SoftwareDevice device(4, 4);
    device.setBackground(0xAB123456);  // the top byte is not a colour
    Vertices v;
    addRectangle(v, 0, 0, 4, 4, false, 0xFFFFFFFF, 0.3f);
    device.drawTriangles(v);
    device.clear(true, false);
    EXPECT_EQ(device.pixels()[5], 0xFF123456u);
    EXPECT_FLOAT_EQ(device.depth()[5], 0.3f);
    device.drawTriangles(v);
    device.clear(false, true);
    EXPECT_EQ(device.pixels()[5], 0xFFFFFFFFu);
    EXPECT_FLOAT_EQ(device.depth()[5], 1.0f);
}

}  // namespace

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "draw_helpers.h"
#include "formats/tim.h"
#include "render/render_texture.h"
#include "render/software_device.h"

using namespace kestrel::render;
using namespace kestrel::render::test;
using kestrel::formats::TimImage;

namespace {

// A 4 x 4 texture whose texel (i, j) holds red 20 + 40 i and green 20 + 40 j.
TextureImage gridTexture() {
    TextureImage image;
    image.size = 4;
    for (int j = 0; j < 4; ++j)
        for (int i = 0; i < 4; ++i)
            image.texels.push_back(0xFF000055u | static_cast<std::uint32_t>(20 + 40 * i) << 16 |
                                   static_cast<std::uint32_t>(20 + 40 * j) << 8);
    return image;
}
std::uint32_t gridTexel(int i, int j) { return gridTexture().texels[static_cast<std::size_t>(j * 4 + i)]; }

TextureImage plainTexture(std::uint32_t texel) { return {1, 1, 1, 8, {texel}}; }

// (x0, y0)-(x1, y1) with the texture coordinates running u0..u1 and v0..v1 across it.
std::vector<ScreenVertex> texturedRectangle(float x0, float y0, float x1, float y1, float u0, float v0,
                                            float u1, float v1, std::uint32_t colour = 0xFFFFFFFF) {
    return {vertex(x0, y0, colour, 0.5f, u0, v0), vertex(x1, y0, colour, 0.5f, u1, v0),
            vertex(x1, y1, colour, 0.5f, u1, v1), vertex(x0, y0, colour, 0.5f, u0, v0),
            vertex(x1, y1, colour, 0.5f, u1, v1), vertex(x0, y1, colour, 0.5f, u0, v1)};
}

TEST(TextureSampling, NearestTexelOverTheSurface) {
    SoftwareDevice device(8, 8);
    device.selectTexture(device.createTexture(gridTexture()));
    device.drawTriangles(texturedRectangle(0, 0, 8, 8, 0, 0, 1, 1));
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) ASSERT_EQ(at(device, x, y), gridTexel(x / 2, y / 2)) << x << ", " << y;
}

TEST(TextureSampling, CoordinatesWrapBothWays) {
    // Two repeats in each direction; negative and large coordinates land on the same texels.
    const float starts[][2] = {{0, 0}, {-1, -1}, {-7, 3}, {1000, -2000}};
    for (const auto& s : starts) {
        SoftwareDevice device(8, 8);
        device.selectTexture(device.createTexture(gridTexture()));
        device.drawTriangles(texturedRectangle(0, 0, 8, 8, s[0], s[1], s[0] + 2, s[1] + 2));
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x)
                ASSERT_EQ(at(device, x, y), gridTexel(x % 4, y % 4)) << s[0] << ": " << x << ", " << y;
    }
}

TEST(TextureSampling, ModulateTakesTexelAlphaModulateAlphaBothAlphas) {
    // Texel alpha 64, red 200, green 160, blue 100; vertex alpha 128, red 255, green 128, blue 0.
    const std::uint32_t texel = 0x40C8A064, colour = 0x80FF8000;
    const auto draw = [&](Blend blend, TextureBlend textureBlend) {
        SoftwareDevice device(4, 4);
        device.selectTexture(device.createTexture(plainTexture(texel)));
        RenderStates states;
        states.blend = blend;
        states.textureBlend = textureBlend;
        device.setStates(states);
        device.drawTriangles(texturedRectangle(0, 0, 4, 4, 0, 0, 1, 1, colour));
        return at(device, 1, 1);
    };
    // The colour: 200 × 255/255, 160 × 128/255, 100 × 0.
    EXPECT_EQ(draw(Blend::Opaque, TextureBlend::Modulate), 0xFFC85000u);
    EXPECT_EQ(draw(Blend::Opaque, TextureBlend::ModulateAlpha), 0xFFC85000u);
    // Over black: alpha 64 alone, then 64 × 128/255 = 32.
    EXPECT_EQ(draw(Blend::SourceAlpha, TextureBlend::Modulate), 0xFF321400u);
    EXPECT_EQ(draw(Blend::SourceAlpha, TextureBlend::ModulateAlpha), 0xFF190A00u);
}

TEST(TextureHandles, InvalidImagesAreRefusedAndUnknownHandlesDrawUntextured) {
    SoftwareDevice device(4, 4);
    EXPECT_EQ(device.createTexture({}), 0);
    EXPECT_EQ(device.createTexture({3, 3, 3, 8, std::vector<std::uint32_t>(9)}), 0);
    EXPECT_EQ(device.createTexture({-4, 4, 4, 8, {}}), 0);
    EXPECT_EQ(device.createTexture({4, 4, 4, 8, std::vector<std::uint32_t>(15)}), 0);

    TextureImage red = plainTexture(0xFFFF0000);
    const TextureHandle first = device.createTexture(red);
    red.texels[0] = 0xFF00FF00;  // the device holds its own copy
    const TextureHandle second = device.createTexture(red);
    EXPECT_EQ(first, 1);
    EXPECT_EQ(second, 2);

    const auto drawn = [&](TextureHandle handle) {
        device.clear(true, true);
        device.selectTexture(handle);
        device.drawTriangles(texturedRectangle(0, 0, 4, 4, 0, 0, 1, 1, 0xFF0000FF));
        return at(device, 2, 2);
    };
    EXPECT_EQ(drawn(first), 0xFF000000u);  // red texel × blue vertex
    EXPECT_EQ(drawn(0), 0xFF0000FFu);
    EXPECT_EQ(drawn(99), 0xFF0000FFu);
    device.releaseTexture(first);
    EXPECT_EQ(drawn(first), 0xFF0000FFu);
    EXPECT_EQ(drawn(second), 0xFF000000u);
    device.selectTexture(second);
    device.releaseTexture(second);  // released while selected
    device.drawTriangles(texturedRectangle(0, 0, 4, 4, 0, 0, 1, 1, 0xFF00FF00));
    EXPECT_EQ(at(device, 2, 2), 0xFF00FF00u);
}

// ---- Pictures ----

TimImage picture(int bits, int width, int height) {
    TimImage image;
    image.bitsPerPixel = bits;
    image.width = width;
    image.height = height;
    image.pixels.assign(static_cast<std::size_t>(image.stride()) * static_cast<std::size_t>(std::max(height, 0)), 0);
    for (std::uint32_t i = 0; i < 256; ++i) image.palette[i] = 0xAB000000u | i * 0x010203u;
    return image;
}

TEST(TextureFromPicture, SurfaceIsTheNextPowerOfTwoOfTheLongerSide) {
    const int cases[][3] = {{1, 1, 1},      {2, 1, 2},       {100, 30, 128}, {30, 100, 128}, {64, 64, 64},
                            {65, 2, 128},   {512, 1, 512},   {513, 1, 1024}, {1, 700, 1024}, {1024, 1024, 1024},
                            {2000, 3, 1024}, {4096, 4096, 1024}};
    for (const auto& c : cases) {
        const TextureImage image = textureFromPicture(picture(8, c[0], c[1]));
        EXPECT_EQ(image.size, c[2]) << c[0] << " x " << c[1];
        EXPECT_EQ(image.texels.size(), static_cast<std::size_t>(c[2]) * static_cast<std::size_t>(c[2]));
        EXPECT_EQ(image.bitmapWidth, c[0]);
        EXPECT_EQ(image.bitmapHeight, c[1]);
        EXPECT_EQ(image.bitCount, 8);
    }
}

TEST(TextureFromPicture, EmptyOrUnusablePicturesGiveNoTexture) {
    SoftwareDevice device(2, 2);
    for (const TimImage& bad : {picture(8, 0, 0), picture(4, 5, 0), picture(8, -3, 4), picture(16, 4, 4)}) {
        const TextureImage image = textureFromPicture(bad);
        EXPECT_EQ(image.size, 0);
        EXPECT_TRUE(image.texels.empty());
        EXPECT_EQ(device.createTexture(image), 0);
    }
}

TEST(TextureFromPicture, RowsAreFlippedIntoTheTopLeftCorner) {
    TimImage eight = picture(8, 3, 2);  // stride 4
    eight.pixels = {1, 2, 3, 0, 4, 5, 6, 0};  // bottom row first
    const TextureImage image = textureFromPicture(eight);
    ASSERT_EQ(image.size, 4);
    const auto texel = [](std::uint32_t i) { return 0xFF000000u | i * 0x010203u; };
    const std::vector<std::uint32_t> expected = {texel(4), texel(5), texel(6), 0, texel(1), texel(2), texel(3), 0,
                                                 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(image.texels, expected);

    // Drawn with v = 0 at the top, the top row shows at the top.
    SoftwareDevice device(4, 4);
    device.selectTexture(device.createTexture(image));
    device.drawTriangles(texturedRectangle(0, 0, 4, 4, 0, 0, 1, 1));
    EXPECT_EQ(at(device, 0, 0), texel(4));
    EXPECT_EQ(at(device, 2, 1), texel(3));
    EXPECT_EQ(at(device, 3, 3), 0xFF000000u);
}

TEST(TextureFromPicture, FourBitPixelsTakeTheHighNibbleFirst) {
    TimImage four = picture(4, 3, 2);  // stride 4
    four.pixels = {0x12, 0x3F, 0, 0, 0xAB, 0xC0, 0, 0};
    const TextureImage image = textureFromPicture(four);
    ASSERT_EQ(image.size, 4);
    const auto texel = [](std::uint32_t i) { return 0xFF000000u | i * 0x010203u; };
    EXPECT_EQ(image.texels[0], texel(0xA));
    EXPECT_EQ(image.texels[1], texel(0xB));
    EXPECT_EQ(image.texels[2], texel(0xC));
    EXPECT_EQ(image.texels[3], 0u);
    EXPECT_EQ(image.texels[4], texel(1));
    EXPECT_EQ(image.texels[5], texel(2));
    EXPECT_EQ(image.texels[6], texel(3));
    EXPECT_EQ(image.texels[7], 0u);  // the nibble past the width stays out
}

TEST(TextureFromPicture, OversizedAndShortPicturesStayInBounds) {
    TimImage wide = picture(8, 2000, 2);
    for (std::size_t x = 0; x < 2000; ++x) wide.pixels[static_cast<std::size_t>(wide.stride()) + x] = x % 251;
    const TextureImage cut = textureFromPicture(wide);
    ASSERT_EQ(cut.size, 1024);
    EXPECT_EQ(cut.texels[1023], 0xFF000000u | (1023 % 251) * 0x010203u);  // the right edge of the top row
    EXPECT_EQ(cut.texels[1024], 0xFF000000u);                           // the bottom row, index 0
    EXPECT_EQ(cut.texels[2 * 1024], 0u);

    TimImage shortRows = picture(8, 4, 4);
    shortRows.pixels.resize(6);  // the bottom row and part of the next
    const TextureImage partial = textureFromPicture(shortRows);
    ASSERT_EQ(partial.size, 4);
    for (std::size_t i = 0; i < 16; ++i) EXPECT_EQ(partial.texels[i], i < 12 ? 0u : 0xFF000000u) << i;
}

}  // namespace

#include <gtest/gtest.h>

#include <vector>

#include "draw_helpers.h"
#include "render/render_texture.h"

using namespace kestrel::render;
using namespace kestrel::render::test;
using kestrel::formats::TimImage;

namespace {

// A 4 x 4 texture whose texel (i, j) holds red 20 + 40 i and green 20 + 40 j.
std::uint32_t gridTexel(int i, int j) { return 0xFF000055u | (20u + 40u * i) << 16 | (20u + 40u * j) << 8; }
TextureImage gridTexture() {
    TextureImage image{4, 4, 4, 32, {}};
    for (int j = 0; j < 4; ++j)
        for (int i = 0; i < 4; ++i) image.texels.push_back(gridTexel(i, j));
    return image;
}

// (0, 0)-(side, side) with u and v running from u0, v0 over `repeats` textures.
std::vector<ScreenVertex> texturedSquare(float side, float u0, float v0, float repeats,
                                         std::uint32_t colour = 0xFFFFFFFF) {
    const auto c = [&](float x, float y) {
        return vertex(x, y, colour, 0.5f, u0 + repeats * x / side, v0 + repeats * y / side);
    };
    return {c(0, 0), c(side, 0), c(side, side), c(0, 0), c(side, side), c(0, side)};
}

TEST(TextureSampling, NearestTexelWithCoordinatesWrappingBothWays) {
    const float starts[][3] = {{0, 0, 1}, {0, 0, 2}, {-1, -1, 2}, {-7, 3, 2}, {1000, -2000, 2}};
    for (const auto& s : starts) {
        SoftwareDevice device(8, 8);
        device.selectTexture(device.createTexture(gridTexture()));
        device.drawTriangles(texturedSquare(8, s[0], s[1], s[2]));
        const int texelsPerPixel = s[2] == 1 ? 2 : 1;
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x)
                ASSERT_EQ(at(device, x, y), gridTexel(x / texelsPerPixel % 4, y / texelsPerPixel % 4))
                    << s[0] << ", " << s[1] << ": " << x << ", " << y;
    }
}

TEST(TextureSampling, ModulateTakesTexelAlphaModulateAlphaBothAlphas) {
    // Texel alpha 64, red 200, green 160, blue 100; vertex alpha 128, red 255, green 128, blue 0.
    const auto draw = [](Blend blend, TextureBlend textureBlend) {
        SoftwareDevice device(4, 4);
        device.selectTexture(device.createTexture({1, 1, 1, 32, {0x40C8A064}}));
        device.setStates({true, true, blend, textureBlend});
        device.drawTriangles(texturedSquare(4, 0, 0, 1, 0x80FF8000));
        return at(device, 1, 1);
    };
    EXPECT_EQ(draw(Blend::Opaque, TextureBlend::Modulate), 0xFFC85000u);  // 160 × 128/255 = 80
    EXPECT_EQ(draw(Blend::Opaque, TextureBlend::ModulateAlpha), 0xFFC85000u);
    // Over black: alpha 64 alone, then 64 × 128/255 = 32.
    EXPECT_EQ(draw(Blend::SourceAlpha, TextureBlend::Modulate), 0xFF321400u);
    EXPECT_EQ(draw(Blend::SourceAlpha, TextureBlend::ModulateAlpha), 0xFF190A00u);
}

TEST(TextureHandles, InvalidImagesAreRefusedAndUnknownHandlesDrawUntextured) {
    SoftwareDevice device(4, 4);
    for (const TextureImage& bad :
         {TextureImage{}, TextureImage{3, 3, 3, 8, std::vector<std::uint32_t>(9)}, TextureImage{-4, 4, 4, 8, {}},
          TextureImage{4, 4, 4, 8, std::vector<std::uint32_t>(15)}})
        EXPECT_EQ(device.createTexture(bad), 0);
    TextureImage red{1, 1, 1, 32, {0xFFFF0000}};
    const TextureHandle first = device.createTexture(red);
    red.texels[0] = 0xFF00FF00;  // the device holds its own copy
    const TextureHandle second = device.createTexture(red);
    EXPECT_EQ(first, 1);
    EXPECT_EQ(second, 2);
    const auto drawn = [&](TextureHandle handle) {
        device.selectTexture(handle);
        device.drawTriangles(texturedSquare(4, 0, 0, 1, 0xFF0000FF));  // red × blue is black
        return at(device, 2, 2);
    };
    EXPECT_EQ(drawn(first), 0xFF000000u);
    EXPECT_EQ(drawn(99), 0xFF0000FFu);
    device.releaseTexture(first);
    EXPECT_EQ(drawn(first), 0xFF0000FFu);
    EXPECT_EQ(drawn(second), 0xFF000000u);
    device.releaseTexture(second);  // while selected
    device.drawTriangles(texturedSquare(4, 0, 0, 1, 0xFF00FF00));
    EXPECT_EQ(at(device, 2, 2), 0xFF00FF00u);
}

// A picture whose palette entry i is i × 0x010203, with a stray top byte.
TimImage picture(int bits, int width, int height, std::vector<std::uint8_t> pixels = {}) {
    TimImage image;
    image.bitsPerPixel = bits;
    image.width = width;
    image.height = height;
    for (std::uint32_t i = 0; i < 256; ++i) image.palette[i] = 0xAB000000u | i * 0x010203u;
    image.pixels =
        pixels.empty() ? std::vector<std::uint8_t>(static_cast<std::size_t>(image.stride() * height)) : pixels;
    return image;
}
std::uint32_t paletteTexel(std::uint32_t i) { return 0xFF000000u | i * 0x010203u; }

TEST(TextureFromPicture, SurfaceIsTheNextPowerOfTwoOfTheLongerSide) {
    const int cases[][3] = {{1, 1, 1},    {2, 1, 2},     {100, 30, 128}, {30, 100, 128},
                            {64, 64, 64}, {512, 1, 512}, {513, 1, 1024}, {2000, 3, 1024}};
    for (const auto& c : cases) {
        const TextureImage image = textureFromPicture(picture(8, c[0], c[1]));
        EXPECT_EQ(image.size, c[2]) << c[0] << " x " << c[1];
        EXPECT_EQ(image.texels.size(), static_cast<std::size_t>(c[2] * c[2]));
        EXPECT_EQ(image.bitmapWidth, c[0]);
    }
    for (const TimImage& empty : {picture(8, 0, 0), picture(4, 5, 0), picture(8, -3, 4), picture(16, 4, 4)})
        EXPECT_EQ(textureFromPicture(empty).size, 0);
}

TEST(TextureFromPicture, RowsAreFlippedIntoTheTopLeftCornerAndNibblesReadHighFirst) {
    // Bottom row first, 4 bytes a row.
    const TextureImage eight = textureFromPicture(picture(8, 3, 2, {1, 2, 3, 9, 4, 5, 6, 9}));
    const TextureImage four = textureFromPicture(picture(4, 3, 2, {0x12, 0x39, 0, 0, 0x45, 0x69, 0, 0}));
    for (const TextureImage* image : {&eight, &four}) {
        const std::vector<std::uint32_t> expected = {paletteTexel(4),
                                                     paletteTexel(5),
                                                     paletteTexel(6),
                                                     0,
                                                     paletteTexel(1),
                                                     paletteTexel(2),
                                                     paletteTexel(3),
                                                     0,
                                                     0,
                                                     0,
                                                     0,
                                                     0,
                                                     0,
                                                     0,
                                                     0,
                                                     0};
        EXPECT_EQ(image->texels, expected);
    }
}

TEST(TextureFromPicture, OversizedAndShortPicturesStayInBounds) {
    TimImage wide = picture(8, 2000, 2);
    wide.pixels[static_cast<std::size_t>(wide.stride()) + 1023] = 7;
    const TextureImage cut = textureFromPicture(wide);
    EXPECT_EQ(cut.texels[1023], paletteTexel(7));  // the top row's right edge
    EXPECT_EQ(cut.texels[2 * 1024], 0u);
    TimImage shortRows = picture(8, 4, 4);
    shortRows.pixels.resize(6);  // the bottom row and part of the next
    const TextureImage partial = textureFromPicture(shortRows);
    for (std::size_t i = 0; i < 16; ++i) EXPECT_EQ(partial.texels[i], i < 12 ? 0u : paletteTexel(0)) << i;
}

}  // namespace

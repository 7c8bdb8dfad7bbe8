#include <gtest/gtest.h>
#include <png.h>

#include "formats/png_writer.h"

using kestrel::formats::writePng;

TEST(PngWriter, PixelsReadBackExactlyWithTheirAlpha) {
    const std::vector<std::uint32_t> pixels = {0xFF102030, 0x00FFFFFF, 0x80A0B0C0, 0xFF000000, 0x7F010203, 0xFFFFFFFF};
    const std::string png = writePng(3, 2, pixels);
    ASSERT_FALSE(png.empty());
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_memory(&image, png.data(), png.size()));
    EXPECT_EQ(image.width, 3u);
    EXPECT_EQ(image.height, 2u);
    image.format = PNG_FORMAT_BGRA;  // little-endian 0xAARRGGBB words
    std::vector<std::uint32_t> back(6);
    ASSERT_TRUE(png_image_finish_read(&image, nullptr, back.data(), 0, nullptr));
    EXPECT_EQ(back, pixels);
}

TEST(PngWriter, ImpossibleImagesGiveNothing) {
    EXPECT_TRUE(writePng(0, 4, {}).empty());
    EXPECT_TRUE(writePng(2, 2, {1, 2, 3}).empty());  // fewer pixels than the size says
}

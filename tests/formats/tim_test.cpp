#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "formats/tim.h"

using namespace kestrel::formats;

namespace {

void u16(std::string& s, unsigned v) {
    s += static_cast<char>(v & 0xFF);
    s += static_cast<char>(v >> 8);
}
void u32(std::string& s, unsigned v) {
    u16(s, v & 0xFFFF);
    u16(s, v >> 16);
}

// A TIM of the given mode with a CLUT of `colours` entries and `words` x `rows` pixel words,
// each pixel byte numbered by its position.
std::string tim(unsigned mode, unsigned colours, unsigned words, unsigned rows) {
    std::string s;
    u32(s, 0x10);
    u32(s, mode | 8);
    u32(s, 12 + 2 * colours);
    u16(s, 320), u16(s, 480), u16(s, colours), u16(s, 1);
    for (unsigned i = 0; i < colours; ++i) u16(s, i == 1 ? 0x7C1F : i);
    u32(s, 12 + 2 * words * rows);
    u16(s, 640), u16(s, 256), u16(s, words), u16(s, rows);
    for (unsigned i = 0; i < 2 * words * rows; ++i) s += static_cast<char>(i * 7 + 0x12);
    return s;
}

std::string fileText(const std::string& name) {
    std::ifstream in(std::string(KESTREL_SOURCE_DIR) + "/data/samples/" + name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

}  // namespace

TEST(Tim, FourBitRowsAreReversedPaddedAndNibbleSwapped) {
    // 64 pixels wide: 16 VRAM words, 32 bytes a row; two rows.
    const auto image = readTim(tim(0, 16, 16, 2), "a.tim");
    ASSERT_TRUE(image) << image.error().describe();
    EXPECT_EQ(image->bitsPerPixel, 4);
    EXPECT_EQ(image->width, 64);
    EXPECT_EQ(image->stride(), 32);
    EXPECT_EQ(image->imageX, 640);
    EXPECT_EQ(image->clutY, 480);
    // The file's first byte (0x12) is the top row's first: bottom-up it lies in the second row.
    EXPECT_EQ(image->pixels[32], 0x21);
    EXPECT_EQ(image->pixels[0],
              static_cast<std::uint8_t>(((32 * 7 + 0x12) & 0xFF) << 4 | ((32 * 7 + 0x12) & 0xFF) >> 4));
    EXPECT_EQ(image->palette[1], 0x00F800F8u);  // red 31, blue 31, no green
    EXPECT_EQ(image->palette[2], 0x00100000u);  // red 2 << 3, in the red byte

    const std::string bmp = writeBitmap(*image);
    ASSERT_EQ(bmp.size(), 54u + 16 * 4 + 64);
    EXPECT_EQ(bmp.substr(0, 2), "BM");
    EXPECT_EQ(static_cast<unsigned char>(bmp[10]), 54 + 64);  // pixel offset
    EXPECT_EQ(static_cast<unsigned char>(bmp[46]), 16);       // colours used
    const auto back = readBitmap(bmp, "a.bmp");
    ASSERT_TRUE(back) << back.error().describe();
    EXPECT_EQ(back->pixels, image->pixels);
    EXPECT_EQ(back->palette, image->palette);
}

TEST(Tim, EightBitRowsArePaddedToFourBytesAndTheMiddleRowStays) {
    // 6 pixels wide (3 words) and 3 rows: rows of 6 bytes padded to 8.
    const auto image = readTim(tim(1, 256, 3, 3), "b.tim");
    ASSERT_TRUE(image) << image.error().describe();
    EXPECT_EQ(image->width, 6);
    EXPECT_EQ(image->stride(), 8);
    ASSERT_EQ(image->pixels.size(), 24u);
    EXPECT_EQ(image->pixels[8], static_cast<std::uint8_t>(6 * 7 + 0x12));  // the middle row
    EXPECT_EQ(image->pixels[6], 0);                                        // padding
}

TEST(Tim, TheSampleTexturesRead) {
    const auto body = readTim(fileText("robot_body.tim"), "robot_body.tim");
    ASSERT_TRUE(body) << body.error().describe();
    EXPECT_EQ(body->bitsPerPixel, 4);
    const auto face = readTim(fileText("robot_face.tim"), "robot_face.tim");
    ASSERT_TRUE(face) << face.error().describe();
    EXPECT_EQ(face->bitsPerPixel, 8);
}

TEST(Tim, MalformedFilesAreRefusedWithoutReadingPastTheEnd) {
    std::string wrongLength = tim(1, 256, 3, 3);
    wrongLength[8 + 12 + 512] = 20;  // the image block length, after header and colour table: too short
    std::string cut = tim(0, 16, 16, 2);
    cut.resize(cut.size() - 1);
    std::string sixteen = tim(2, 0, 2, 2);
    const std::pair<std::string, std::string> cases[] = {
        {"", "t.tim: the file is too short for a TIM header"},
        {wrongLength, "t.tim: the image's block length 20 disagrees with its size"},
        {cut, "t.tim: the file ends inside the pixels"},
        {tim(0, 16, 0, 2), "t.tim: the image is 0 x 2 pixels"},
        {sixteen, "t.tim: 16-bit TIM images cannot be used as console textures"},
    };
    for (const auto& [bytes, expected] : cases) {
        const auto image = readTim(bytes, "t.tim");
        ASSERT_FALSE(image) << expected;
        EXPECT_EQ(image.error().describe(), expected);
    }
    for (std::size_t n = 0; n < 200; ++n) (void)readTim(tim(1, 256, 3, 3).substr(0, n), "t.tim");
    EXPECT_FALSE(readBitmap("BM", "b.bmp"));
    std::string bmp = writeBitmap(*readTim(tim(0, 16, 16, 2), "a.tim"));
    bmp.resize(bmp.size() - 1);
    EXPECT_EQ(readBitmap(bmp, "b.bmp").error().describe(), "b.bmp: the file ends inside the pixels");
}

TEST(Tim, EveryDepthDecodesToStraightColours) {
    // 16-bit: 2 x 1 pixels, pure red then the transparent 0x0000.
    std::string direct;
    u32(direct, 0x10), u32(direct, 2), u32(direct, 12 + 4);
    u16(direct, 0), u16(direct, 0), u16(direct, 2), u16(direct, 1);
    u16(direct, 0x001F), u16(direct, 0);
    const auto sixteen = decodeTim(direct, "d.tim");
    ASSERT_TRUE(sixteen) << sixteen.error().describe();
    EXPECT_EQ(sixteen->pixels, (std::vector<std::uint32_t>{0xFFF80000u, 0}));

    // 24-bit: 2 pixels in 3 words.
    std::string deep;
    u32(deep, 0x10), u32(deep, 3), u32(deep, 12 + 6);
    u16(deep, 0), u16(deep, 0), u16(deep, 3), u16(deep, 1);
    for (unsigned char c : {1, 2, 3, 4, 5, 6}) deep += static_cast<char>(c);
    const auto twentyFour = decodeTim(deep, "e.tim");
    ASSERT_TRUE(twentyFour) << twentyFour.error().describe();
    EXPECT_EQ(twentyFour->pixels, (std::vector<std::uint32_t>{0xFF010203u, 0xFF040506u}));

    // 4-bit: top row first, left pixel from the low nibble of the file's byte.
    const auto four = decodeTim(tim(0, 16, 16, 2), "a.tim");
    ASSERT_TRUE(four);
    EXPECT_EQ(four->width, 64);
    EXPECT_EQ(four->pixels[0], 0xFF100000u);  // index 2 (0x12 low nibble): red 2 << 3
    EXPECT_EQ(four->pixels[1], 0xFFF800F8u);  // index 1: the 0x7C1F colour
    deep.resize(deep.size() - 1);
    EXPECT_FALSE(decodeTim(deep, "e.tim"));
}

// Tools pad some pixel blocks beyond what the size needs, and some files hold only a colour
// table for an image sent on its own.
TEST(Tim, PaddedBlocksReadAndColourTablesOnTheirOwnAreDescribed) {
    std::string direct;
    u32(direct, 0x10), u32(direct, 2), u32(direct, 12 + 4 + 2);  // two bytes of slack
    u16(direct, 0), u16(direct, 0), u16(direct, 2), u16(direct, 1);
    u16(direct, 0x001F), u16(direct, 0), u16(direct, 0);
    const auto sixteen = decodeTim(direct, "d.tim");
    ASSERT_TRUE(sixteen) << sixteen.error().describe();
    EXPECT_EQ(sixteen->pixels, (std::vector<std::uint32_t>{0xFFF80000u, 0}));
    direct.resize(direct.size() - 2);  // the slack may even lie past the end: the pixels are there
    EXPECT_TRUE(decodeTim(direct, "d.tim"));

    const std::string exact = tim(1, 256, 3, 3);
    std::string padded = exact;
    padded[8 + 12 + 512] += 4;
    padded += std::string(4, '\0');
    EXPECT_EQ(readTim(padded, "p.tim").value(), readTim(exact, "p.tim").value());
    EXPECT_FALSE(timColourTableOnly(exact));

    std::string table = tim(0, 128, 1, 1).substr(0, 8 + 12 + 256);
    const auto only = timColourTableOnly(table + std::string(8, '\0'));
    ASSERT_TRUE(only);
    EXPECT_EQ(only->x, 320);
    EXPECT_EQ(only->y, 480);
    EXPECT_EQ(only->width * only->height, 128);
    EXPECT_EQ(readTim(table, "c.tim").error().describe(), "c.tim: the file ends inside the image header");
}

TEST(Tim, WrittenImagesReadBackAndTheSampleTexturesAreRewrittenByteForByte) {
    for (const char* name : {"robot_body.tim", "robot_face.tim"}) {
        SCOPED_TRACE(name);
        const std::string bytes = fileText(name);
        const auto image = readTim(bytes, name);
        ASSERT_TRUE(image) << image.error().describe();
        EXPECT_EQ(writeTim(*image), bytes);
    }
    const auto eight = readTim(tim(1, 256, 3, 3), "b.tim");
    ASSERT_TRUE(eight);
    TimImage opaque = *eight;
    opaque.palette[0] = 0x00080808;  // the table's colour 0 is transparent, which an image cannot say
    const auto back = readTim(writeTim(opaque), "c.tim");
    ASSERT_TRUE(back) << back.error().describe();
    EXPECT_EQ(*back, opaque);
}

TEST(Tim, WritingPacksColoursToFifteenBitsAndPadsTheLastWord) {
    // 4-bit, 3 x 1 pixels (indices 1, 2, 3): one 16-bit word of four pixels, the fourth 0.
    TimImage image;
    image.bitsPerPixel = 4;
    image.width = 3;
    image.height = 1;
    image.clutX = 16, image.clutY = 500;
    image.imageX = 320, image.imageY = 8;
    image.palette[1] = 0x00FF0000;      // red 255 >> 3 = 31: 0x001F
    image.palette[2] = 0x0000FF08;      // green 31 << 5 = 0x03E0, blue 8 >> 3 = 1 << 10
    image.palette[3] = 0x00070707;      // every channel below 8: 0x0000, written as opaque 0x8000
    image.pixels = {0x12, 0x30, 0, 0};  // one row, stride 4; left pixel in the high nibble
    const std::string out = writeTim(image);
    // 8 header bytes, a colour table block of 12 + 2 * 16, an image block of 12 + 2 * 1 * 1.
    ASSERT_EQ(out.size(), 8u + 44 + 14);
    const auto u16at = [&](std::size_t at) {
        return static_cast<unsigned>(static_cast<unsigned char>(out[at]) | static_cast<unsigned char>(out[at + 1])
                                                                               << 8);
    };
    EXPECT_EQ(u16at(0), 0x10u);
    EXPECT_EQ(u16at(4), 0x08u);  // 4-bit, colour table present
    EXPECT_EQ(u16at(8), 44u);
    EXPECT_EQ(u16at(12), 16u);
    EXPECT_EQ(u16at(14), 500u);
    EXPECT_EQ(u16at(16), 16u);  // colours in the table
    EXPECT_EQ(u16at(18), 1u);
    EXPECT_EQ(u16at(20 + 0), 0x8000u);  // an unused black entry is opaque too
    EXPECT_EQ(u16at(20 + 2), 0x001Fu);
    EXPECT_EQ(u16at(20 + 4), 0x07E0u);
    EXPECT_EQ(u16at(20 + 6), 0x8000u);
    EXPECT_EQ(u16at(52), 14u);
    EXPECT_EQ(u16at(56), 320u);
    EXPECT_EQ(u16at(58), 8u);
    EXPECT_EQ(u16at(60), 1u);  // words a row
    EXPECT_EQ(u16at(62), 1u);
    // The file holds the left pixel in the low nibble: 0x21, then 0x03 (the padding pixel 0).
    EXPECT_EQ(static_cast<unsigned char>(out[64]), 0x21);
    EXPECT_EQ(static_cast<unsigned char>(out[65]), 0x03);
    const auto back = decodeTim(out, "p.tim");
    ASSERT_TRUE(back) << back.error().describe();
    EXPECT_EQ(back->width, 4);
    EXPECT_EQ(back->pixels, (std::vector<std::uint32_t>{0xFFF80000u, 0xFF00F808u, 0xFF000000u, 0xFF000000u}));
}

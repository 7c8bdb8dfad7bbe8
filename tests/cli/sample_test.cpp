// The bundled samples: their TIM textures follow the TIM layout the loader will read (block
// lengths that add up, a CLUT of the right size, no pixel on the transparent colour 0).
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "cli_process.h"

namespace kestrel::cli::test {
namespace {

std::uint32_t u32(const std::string& b, std::size_t at) {
    return static_cast<std::uint8_t>(b.at(at)) | static_cast<std::uint8_t>(b.at(at + 1)) << 8 |
           static_cast<std::uint8_t>(b.at(at + 2)) << 16 |
           static_cast<std::uint32_t>(static_cast<std::uint8_t>(b.at(at + 3))) << 24;
}

std::uint16_t u16(const std::string& b, std::size_t at) {
    return static_cast<std::uint16_t>(static_cast<std::uint8_t>(b.at(at)) | static_cast<std::uint8_t>(b.at(at + 1))
                                                                                << 8);
}

struct Expected {
    const char* name;
    int bits;
    int width, height;  // in pixels
};

TEST(SampleTextures, AreWellFormedTimFilesWithAClut) {
    for (const Expected e : {Expected{"robot_body.tim", 4, 16, 16}, Expected{"robot_face.tim", 8, 32, 32},
                             Expected{"dog_plate.tim", 8, 64, 64}, Expected{"dog_face.tim", 8, 64, 64},
                             Expected{"dog_pads.tim", 4, 32, 32}}) {
        SCOPED_TRACE(e.name);
        const std::string tim = readFile(sourceDir() / "data/samples" / e.name);
        ASSERT_GE(tim.size(), 8u + 12u);
        EXPECT_EQ(u32(tim, 0), 0x10u);
        const std::uint32_t flags = u32(tim, 4);
        EXPECT_EQ(flags & 7, e.bits == 4 ? 0u : 1u);
        ASSERT_TRUE(flags & 8) << "CLUT block present";

        // CLUT block: length, x, y, entries per row, rows; then the 16-bit colours.
        const std::uint32_t clutLength = u32(tim, 8);
        const int entries = u16(tim, 16) * u16(tim, 18);
        EXPECT_EQ(entries, 1 << e.bits);
        EXPECT_EQ(clutLength, 12u + 2u * entries);
        EXPECT_EQ(u16(tim, 12) % 16, 0) << "CLUT x on a 16-word boundary";

        // Image block: length, x, y, width in 16-bit words, height; then the pixels.
        const std::size_t image = 8 + clutLength;
        ASSERT_GE(tim.size(), image + 12);
        const int words = u16(tim, image + 8), height = u16(tim, image + 10);
        EXPECT_EQ(words * (16 / e.bits), e.width);
        EXPECT_EQ(height, e.height);
        EXPECT_EQ(u32(tim, image), 12u + 2u * words * height);
        ASSERT_EQ(tim.size(), image + u32(tim, image)) << "nothing after the image block";

        for (std::size_t at = image + 12; at < tim.size(); ++at) {
            const auto byte = static_cast<std::uint8_t>(tim[at]);
            const int first = e.bits == 4 ? byte & 15 : byte;
            const int second = e.bits == 4 ? byte >> 4 : byte;
            for (const int index : {first, second}) ASSERT_NE(u16(tim, 20 + 2 * index), 0) << "pixel at byte " << at;
        }
    }
}

}  // namespace
}  // namespace kestrel::cli::test

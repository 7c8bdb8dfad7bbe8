// Animated GIFs read back with giflib: the frames, their size, delay and colours.
#include <gif_lib.h>
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <cstring>

#include "formats/gif_writer.h"

using namespace kestrel::formats;

namespace {

struct Reader {
    const std::string& bytes;
    std::size_t at = 0;
};

int readBytes(GifFileType* gif, GifByteType* into, int length) {
    auto* r = static_cast<Reader*>(gif->UserData);
    const std::size_t n = std::min<std::size_t>(static_cast<std::size_t>(length), r->bytes.size() - r->at);
    std::memcpy(into, r->bytes.data() + r->at, n);
    r->at += n;
    return static_cast<int>(n);
}

}  // namespace

TEST(AnimatedGif, FramesReadBackWithTheirSizeDelayAndColours) {
    AnimatedGif gif(4, 2, 2);
    std::vector<std::uint32_t> red(8, 0xFFFF0000u), mixed(8, 0xFF0000FFu);
    mixed[5] = 0xFF00FF00u;
    ASSERT_TRUE(gif.add(red));
    ASSERT_TRUE(gif.add(mixed));
    EXPECT_FALSE(gif.add(std::vector<std::uint32_t>(3)));  // not the frame's size: the file is spoilt
    EXPECT_TRUE(gif.finish().empty());

    AnimatedGif good(4, 2, 2);
    ASSERT_TRUE(good.add(red));
    ASSERT_TRUE(good.add(mixed));
    const std::string bytes = good.finish();
    ASSERT_EQ(bytes.substr(0, 6), "GIF89a");
    Reader reader{bytes};
    int error = 0;
    GifFileType* in = DGifOpen(&reader, readBytes, &error);
    ASSERT_TRUE(in);
    ASSERT_EQ(DGifSlurp(in), GIF_OK);
    EXPECT_EQ(in->SWidth, 4);
    EXPECT_EQ(in->SHeight, 2);
    ASSERT_EQ(in->ImageCount, 2);
    GraphicsControlBlock control{};
    ASSERT_EQ(DGifSavedExtensionToGCB(in, 1, &control), GIF_OK);
    EXPECT_EQ(control.DelayTime, 2);
    const SavedImage& second = in->SavedImages[1];
    const auto colour = [&](int i) {
        const GifColorType c = second.ImageDesc.ColorMap->Colors[second.RasterBits[i]];
        return std::array<int, 3>{c.Red, c.Green, c.Blue};
    };
    // giflib's quantiser keeps five bits a channel: within 8 of the colour given.
    const auto near = [](std::array<int, 3> got, std::array<int, 3> want) {
        for (int k = 0; k < 3; ++k)
            if (std::abs(got[k] - want[k]) > 8) return false;
        return true;
    };
    EXPECT_TRUE(near(colour(0), {0, 0, 255}));
    EXPECT_TRUE(near(colour(5), {0, 255, 0}));
    EXPECT_FALSE(near(colour(4), {0, 255, 0}));
    DGifCloseFile(in, &error);
}

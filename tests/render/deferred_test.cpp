#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <random>
#include <vector>

#include "draw_helpers.h"
#include "render/band_workers.h"

using namespace kestrel::render;
using namespace kestrel::render::test;

namespace {

TextureImage checkTexture() {
    TextureImage image{8, 8, 8, 32, {}};
    for (int i = 0; i < 64; ++i) image.texels.push_back(i % 3 == 0 ? 0x80FF2040u : 0xFF30C0A0u);
    return image;
}

// A frame with everything the device does: clears at the start and part-way, opaque, blended,
// textured and untextured triangles of every size, lines across many bands, and texture changes.
void drawScene(SoftwareDevice& device, unsigned seed, bool readAfterEach) {
    std::mt19937 random(seed);
    const auto real = [&](float lo, float hi) { return std::uniform_real_distribution<float>(lo, hi)(random); };
    const auto colour = [&] { return static_cast<std::uint32_t>(random()); };
    const float w = static_cast<float>(device.width()), h = static_cast<float>(device.height());
    const TextureHandle texture = device.createTexture(checkTexture());
    const auto step = [&] {
        if (readAfterEach) (void)device.pixels();
    };
    device.setBackground(0x102030);
    device.clear(true, true);
    step();
    for (int i = 0; i < 400; ++i) {
        const int kind = static_cast<int>(random() % 8);
        if (kind == 0) {
            device.clear(false, true);
        } else if (kind <= 5) {
            const float size = kind == 1 ? h : 40;
            const float x = real(-20, w), y = real(-20, h);
            std::vector<ScreenVertex> v;
            for (int k = 0; k < 3; ++k)
                v.push_back(vertex(x + real(-size, size), y + real(-size, size), colour(), real(0, 1), real(-2, 2),
                                   real(-2, 2)));
            device.selectTexture(kind % 2 ? texture : 0);
            device.setStates({true, kind != 3, kind == 4 ? Blend::SourceAlpha : Blend::Opaque,
                              kind == 5 ? TextureBlend::ModulateAlpha : TextureBlend::Modulate});
            device.drawTriangles(v);
        } else {
            const ScreenVertex line[] = {vertex(real(-50, w + 50), real(-50, h + 50), colour(), real(0, 1)),
                                         vertex(real(-50, w + 50), real(-50, h + 50), colour(), real(0, 1))};
            device.setStates({kind == 6, true, kind == 7 ? Blend::SourceAlpha : Blend::Opaque});
            device.drawLines(line);
        }
        step();
    }
}

TEST(DeferredDrawing, ThreadsAndReadsInBetweenDrawTheSamePicture) {
    // Large enough for the helpers to clear and draw.
    constexpr int kWidth = 1024, kHeight = 600;
    for (unsigned seed : {1u, 2u, 3u}) {
        SoftwareDevice alone(kWidth, kHeight), shared(kWidth, kHeight), stepped(kWidth, kHeight);
        alone.setMaxThreads(1);
        shared.setMaxThreads(4);
        drawScene(alone, seed, false);
        drawScene(shared, seed, false);
        drawScene(stepped, seed, true);
        const auto& picture = alone.pixels();
        EXPECT_EQ(picture, shared.pixels()) << seed;
        EXPECT_EQ(picture, stepped.pixels()) << seed;
        const std::vector<float> depth(alone.depth().begin(), alone.depth().end());
        EXPECT_TRUE(std::ranges::equal(depth, shared.depth())) << seed;
        std::size_t drawn = 0;
        for (std::uint32_t p : picture) drawn += p != 0xFF102030u;
        EXPECT_GT(drawn, picture.size() / 4) << seed;
    }
}

TEST(DeferredDrawing, DrawsKeepTheStatesTextureAndBackgroundTheyWereSentWith) {
    SoftwareDevice device(8, 8);
    device.setBackground(0x0000FF);
    device.clear(true, true);
    device.setBackground(0x00FF00);  // for later clears only
    TextureImage white{1, 1, 1, 32, {0xFFFFFFFFu}};
    const TextureHandle texture = device.createTexture(white);
    device.selectTexture(texture);
    device.drawTriangles(std::vector{vertex(0, 0, 0xFFFF0000), vertex(4, 0, 0xFFFF0000), vertex(0, 4, 0xFFFF0000)});
    device.releaseTexture(texture);  // after the draw was sent: it still samples the texture
    device.selectTexture(0);
    device.setStates({false, false, Blend::SourceAlpha});
    EXPECT_EQ(at(device, 0, 0), 0xFFFF0000u);
    EXPECT_EQ(at(device, 7, 7), 0xFF0000FFu);
    device.clear(true, false);
    EXPECT_EQ(at(device, 0, 0), 0xFF00FF00u);
    EXPECT_EQ(device.depth()[0], 0.5f);  // the depth was kept
}

TEST(BandWorkers, EveryBandOfEveryJobIsDoneOnce) {
    for (unsigned helpers : {0u, 1u, 3u}) {
        BandWorkers workers(helpers);
        workers.wait();  // nothing started yet
        for (std::size_t count : {0u, 1u, 7u, 200u}) {
            std::vector<std::atomic<int>> times(count);
            workers.start(count, [&](std::size_t band) { ++times[band]; });
            workers.help();
            workers.wait();
            for (std::size_t band = 0; band < count; ++band) ASSERT_EQ(times[band], 1) << helpers << " " << count;
        }
        // Left running: the destructor waits for it.
        std::atomic<int> total{0};
        workers.start(50, [&](std::size_t) { ++total; });
        if (helpers == 0) workers.help();
        workers.wait();
        EXPECT_EQ(total, 50);
    }
}

TEST(BandWorkers, EndingWhileAJobRunsWaitsForIt) {
    std::atomic<int> total{0};
    {
        BandWorkers workers(2);
        workers.start(64, [&](std::size_t) { ++total; });
    }
    EXPECT_EQ(total, 64);
}

}  // namespace

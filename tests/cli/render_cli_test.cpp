// kestrel-cli render against golden pictures of the sample, with a small tolerance so that
// rounding changes in the rasteriser do not fail the test while a wrong drawing does.
#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "cli_process.h"

namespace kestrel::cli::test {
namespace {

struct Picture {
    unsigned width = 0, height = 0;
    std::vector<std::uint32_t> pixels;  // 0xAARRGGBB
};

Picture readPng(const std::string& bytes) {
    Picture p;
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size())) return p;
    image.format = PNG_FORMAT_BGRA;
    p.pixels.resize(static_cast<std::size_t>(image.width) * image.height);
    if (!png_image_finish_read(&image, nullptr, p.pixels.data(), 0, nullptr)) return {};
    p.width = image.width, p.height = image.height;
    return p;
}

// The share of pixels whose channels differ by more than 16 from the golden picture's.
double differing(const Picture& a, const Picture& b) {
    std::size_t off = 0;
    for (std::size_t i = 0; i < a.pixels.size(); ++i)
        for (int shift = 0; shift < 24; shift += 8) {
            const int x = static_cast<int>(a.pixels[i] >> shift & 0xFF),
                      y = static_cast<int>(b.pixels[i] >> shift & 0xFF);
            if (std::abs(x - y) > 16) {
                ++off;
                break;
            }
        }
    return static_cast<double>(off) / static_cast<double>(a.pixels.size());
}

}  // namespace

TEST(CliRender, TheSampleDrawsAsItsGoldenPicturesInEveryMode) {
    const std::string sample = (sourceDir() / "data/samples/robot.rsd").string();
    const struct {
        const char* golden;
        std::vector<std::string> options;
    } cases[] = {
        {"robot_textured.png", {"--mode", "textured", "--fit"}},
        {"robot_wireframe.png", {"--fit", "--rotate", "20,30", "--grid", "--vertices"}},
        {"robot_uv.png", {"--mode", "uv", "--texture", "1"}},
    };
    const TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.golden);
        const std::string out = (dir / c.golden).string();
        std::vector<std::string> arguments{"render", sample, "-o", out, "--size", "320x240"};
        arguments.insert(arguments.end(), c.options.begin(), c.options.end());
        const CliRun run = runCli(arguments);
        ASSERT_EQ(run.status, 0) << run.err;
        const Picture drawn = readPng(readFile(out));
        const Picture golden = readPng(readFile(sourceDir() / "tests/data/render" / c.golden));
        ASSERT_EQ(drawn.width, 320u);
        ASSERT_EQ(golden.width, 320u);
        ASSERT_EQ(drawn.height, golden.height);
        EXPECT_LT(differing(drawn, golden), 0.01);
    }
}

TEST(CliRender, RefusesBadSizesAndUnknownKeyframes) {
    const std::string sample = (sourceDir() / "data/samples/robot.rsd").string();
    const TempDir dir;
    EXPECT_EQ(runCli({"render", sample, "-o", (dir / "a.png").string(), "--size", "0x10"}).status, 2);
    EXPECT_EQ(runCli({"render", sample, "-o", (dir / "a.png").string(), "--background", "red"}).status, 2);
    const CliRun missing = runCli({"render", sample, "-o", (dir / "a.png").string(), "--keyframe", "nothing"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("nothing"), std::string::npos);
    const CliRun pose = runCli({"render", sample, "-o", (dir / "b.png").string(), "--keyframe", "Keyframe_2"});
    EXPECT_EQ(pose.status, 0) << pose.err;
}

}  // namespace kestrel::cli::test

namespace kestrel::cli::test {

// A movement's preview frames: one PNG each, numbered through the output's %d; the last is
// the last keyframe's pose, drawn as --keyframe draws it.
TEST(CliRender, AMovementsPreviewFramesAreWrittenOneAPicture) {
    const TempDir dir;
    const std::string sample = (sourceDir() / "data/samples/robot.rsd").string();
    const CliRun some =
        runCli({"render", sample, "--movement", "nod", "--frames", "2-4", "-o", (dir / "f_%03d.png").string()});
    ASSERT_EQ(some.status, 0) << some.err;
    EXPECT_EQ(some.out, "wrote " + (dir / "f_002.png").string() + "\nwrote " + (dir / "f_003.png").string() +
                            "\nwrote " + (dir / "f_004.png").string() + "\n");
    EXPECT_NE(readFile(dir / "f_002.png"), readFile(dir / "f_004.png"));  // the head moves

    const CliRun all = runCli({"render", sample, "--movement", "nod", "-o", (dir / "all_%d.png").string()});
    ASSERT_EQ(all.status, 0) << all.err;
    const auto lines = static_cast<int>(std::count(all.out.begin(), all.out.end(), '\n'));
    ASSERT_GT(lines, 3);
    const CliRun last = runCli({"render", sample, "--keyframe", "Keyframe_3", "-o", (dir / "last.png").string()});
    ASSERT_EQ(last.status, 0) << last.err;
    EXPECT_EQ(readFile(dir / ("all_" + std::to_string(lines) + ".png")), readFile(dir / "last.png"));

    // As one animated GIF: a picture of the same size, a frame a preview frame.
    const CliRun gif =
        runCli({"render", sample, "--movement", "nod", "--size", "160x120", "-o", (dir / "nod.gif").string()});
    ASSERT_EQ(gif.status, 0) << gif.err;
    EXPECT_EQ(gif.out, "wrote " + (dir / "nod.gif").string() + "\n");
    const std::string animation = readFile(dir / "nod.gif");
    ASSERT_EQ(animation.substr(0, 6), "GIF89a");
    EXPECT_EQ(static_cast<unsigned char>(animation[6]) | static_cast<unsigned char>(animation[7]) << 8, 160);
    std::size_t controls = 0;
    for (std::size_t at = animation.find("\x21\xF9\x04"); at != std::string::npos;
         at = animation.find("\x21\xF9\x04", at + 1))
        ++controls;
    EXPECT_EQ(static_cast<int>(controls), lines);  // one graphic control block a frame

    EXPECT_EQ(runCli({"render", sample, "--movement", "nod", "-o", (dir / "one.png").string()}).status, 1);
    EXPECT_EQ(
        runCli({"render", sample, "--movement", "nod", "--frames", "4-2", "-o", (dir / "x%d.png").string()}).status, 1);
}

}  // namespace kestrel::cli::test

namespace kestrel::cli::test {

// The timeline mode draws the movement's motion-speed graph: its axes, and bars that stand on
// the time axis; without a movement, only the message.
TEST(CliRender, TheTimelineModeDrawsTheMovementsGraph) {
    const TempDir dir;
    const std::string sample = (sourceDir() / "data/samples/robot.rsd").string();
    const CliRun run = runCli({"render", sample, "--mode", "timeline", "--movement", "nod", "--size", "340x240", "-o",
                               (dir / "graph.png").string()});
    ASSERT_EQ(run.status, 0) << run.err;
    const Picture graph = readPng(readFile(dir / "graph.png"));
    ASSERT_EQ(graph.width, 340u);
    const auto pixel = [&](const Picture& p, unsigned x, unsigned y) { return p.pixels[y * p.width + x] & 0xFFFFFF; };
    EXPECT_EQ(pixel(graph, 20, 100), 0xFFFFFFu);   // the velocity axis
    EXPECT_EQ(pixel(graph, 200, 220), 0xFFFFFFu);  // the time axis
    int bar = 0;
    for (unsigned x = 21; x < 320; ++x) bar += pixel(graph, x, 219) == 0x3070C0u;
    EXPECT_GT(bar, 150);  // the bars cover the time the movement moves

    ASSERT_EQ(
        runCli({"render", sample, "--mode", "timeline", "--size", "340x240", "-o", (dir / "none.png").string()}).status,
        0);
    const Picture none = readPng(readFile(dir / "none.png"));
    EXPECT_EQ(pixel(none, 20, 100), 0u);
    EXPECT_EQ(
        runCli({"render", sample, "--mode", "timeline", "--movement", "shrug", "-o", (dir / "x.png").string()}).status,
        1);
}

}  // namespace kestrel::cli::test

// kestrel-cli as a user or a build pipeline sees it: what it prints, what it writes and the
// exit status, run as a separate process on the bundled sample and on copies of it.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "cli_process.h"
#include "json_value.h"

namespace kestrel::cli::test {
namespace {

namespace fs = std::filesystem;

const std::string kSample = (sourceDir() / "data/samples/robot.rsd").string();

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> result;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            result.push_back(text.substr(start));
            break;
        }
        result.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return result;
}

// The document printed by "info --json", which must succeed and be valid JSON on one line.
Json infoJson(const std::string& file, std::vector<std::string> flags = {}) {
    std::vector<std::string> arguments{"info", "--json"};
    arguments.insert(arguments.end(), flags.begin(), flags.end());
    arguments.push_back(file);
    const CliRun run = runCli(arguments);
    if (run.status != 0) throw std::runtime_error("info failed: " + run.err);
    if (lines(run.out).size() != 1 || run.out.back() != '\n')
        throw std::runtime_error("info --json did not print exactly one line");
    std::string error;
    auto document = parseJson(run.out, &error);
    if (!document) throw std::runtime_error("not valid JSON (" + error + "): " + run.out);
    return *document;
}

// Copies the sample set into dir and returns the new RSD path.
fs::path copySample(const TempDir& dir) {
    for (const char* name : {"robot.rsd", "robot.ply", "robot.mat", "robot.xgrp"})
        fs::copy_file(sourceDir() / "data/samples" / name, dir / name);
    return dir / "robot.rsd";
}

void replaceLine(const fs::path& file, const std::string& from, const std::string& to) {
    std::string text = readFile(file);
    const auto at = text.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    text.replace(at, from.size(), to);
    writeFile(file, text);
}

std::int64_t packed(int r, int g, int b) { return r * 65536 + g * 256 + b; }

TEST(CliInfo, JsonDescribesTheSample) {
    const Json info = infoJson(kSample);
    EXPECT_EQ(info.keys(), (std::vector<std::string>{"counts", "paths", "textures", "groups", "bounds", "skeleton",
                                                     "movements", "baseFrame"}));
    // The sample's skeleton: pelvis-neck, neck-crown, crown-tip, newest first.
    EXPECT_EQ(info["skeleton"]["joints"].number, 4);
    EXPECT_EQ(info["skeleton"]["bones"].items.size(), 3u);
    EXPECT_EQ(info["skeleton"]["bones"][0]["vertices"].items.size(), 1u);
    EXPECT_EQ(info["movements"][0]["name"].string, "nod");
    EXPECT_EQ(info["movements"][0]["keyframes"].items.size(), 3u);
    EXPECT_EQ(info["baseFrame"].string, "BaseFrame");

    const Json& counts = info["counts"];
    EXPECT_EQ(counts.keys(), (std::vector<std::string>{"vertices", "normals", "polygons", "groups", "textures"}));
    EXPECT_EQ(counts["vertices"].number, 17);
    EXPECT_EQ(counts["normals"].number, 17);
    EXPECT_EQ(counts["polygons"].number, 14);
    EXPECT_EQ(counts["groups"].number, 3);
    EXPECT_EQ(counts["textures"].number, 2);

    const Json& paths = info["paths"];
    EXPECT_EQ(paths.keys(), (std::vector<std::string>{"rsd", "ply", "mat", "grp"}));
    EXPECT_EQ(paths["rsd"].string, kSample);
    EXPECT_EQ(fs::path(paths["ply"].string), sourceDir() / "data/samples/robot.ply");
    EXPECT_EQ(fs::path(paths["mat"].string), sourceDir() / "data/samples/robot.mat");

    ASSERT_EQ(info["textures"].items.size(), 2u);
    EXPECT_EQ(fs::path(info["textures"][0].string).filename(), "robot_body.tim");
    EXPECT_EQ(fs::path(info["textures"][1].string).filename(), "robot_face.tim");

    const Json& groups = info["groups"];
    ASSERT_EQ(groups.items.size(), 3u);
    EXPECT_EQ(groups[0]["name"].string, "body");
    EXPECT_EQ(groups[0]["polygons"].numbers(), (std::vector<double>{0, 1, 2, 3, 4, 5}));
    EXPECT_EQ(groups[1]["name"].string, "head");
    EXPECT_EQ(groups[2]["name"].string, "hat");
    EXPECT_EQ(groups[2]["polygons"].numbers(), (std::vector<double>{10, 11, 12, 13}));

    EXPECT_EQ(info["bounds"]["min"].numbers(), (std::vector<double>{-30, -145, -20}));
    EXPECT_EQ(info["bounds"]["max"].numbers(), (std::vector<double>{30, 0, 20}));
}

TEST(CliInfo, ListsVerticesAndPolygonsOnlyWhenAsked) {
    EXPECT_FALSE(infoJson(kSample).has("vertices"));
    EXPECT_FALSE(infoJson(kSample).has("polygons"));
    EXPECT_FALSE(infoJson(kSample, {"--polygons"}).has("vertices"));

    const Json info = infoJson(kSample, {"--vertices", "--polygons"});
    const Json& vertices = info["vertices"];
    ASSERT_EQ(vertices.items.size(), 17u);
    EXPECT_EQ(vertices[16].keys(), (std::vector<std::string>{"x", "y", "z"}));
    EXPECT_EQ(vertices[16]["y"].number, -145);
    EXPECT_EQ(vertices[0]["x"].number, -30);

    const Json& polygons = info["polygons"];
    ASSERT_EQ(polygons.items.size(), 14u);
    const Json& front = polygons[0];
    EXPECT_EQ(front.keys(), (std::vector<std::string>{"flags", "vId", "nId", "tu", "tv", "rgb", "tId", "mat_flag",
                                                      "shading", "type"}));
    EXPECT_EQ(front["flags"].number, 1);
    EXPECT_EQ(front["vId"].numbers(), (std::vector<double>{0, 1, 4, 5}));
    EXPECT_EQ(front["tu"].numbers(), (std::vector<double>{0, 15, 0, 15}));
    EXPECT_EQ(front["tv"].numbers(), (std::vector<double>{0, 0, 15, 15}));
    EXPECT_EQ(front["tId"].number, 0);
    EXPECT_EQ(front["mat_flag"].number, 1);
    EXPECT_EQ(front["shading"].string, "F");
    EXPECT_EQ(front["type"].string, "T");

    // The sample's MAT item "2-3,5" names polygons 2, 3 and 5.
    for (const std::size_t side : {2u, 3u, 5u})
        EXPECT_EQ(polygons[side]["rgb"][0].number, packed(70, 90, 150)) << "polygon " << side;
    EXPECT_EQ(polygons[6]["type"].string, "H");
    EXPECT_EQ(polygons[6]["tId"].number, 1);
    EXPECT_EQ(polygons[6]["rgb"][2].number, packed(200, 200, 220));

    std::set<std::string> kinds, shadings;
    std::set<double> flags;
    for (const auto& p : polygons.items) {
        kinds.insert(p["type"].string);
        shadings.insert(p["shading"].string);
        flags.insert(p["flags"].number);
    }
    EXPECT_EQ(kinds, (std::set<std::string>{"C", "D", "G", "H", "T"}));
    EXPECT_EQ(shadings, (std::set<std::string>{"F", "G"}));
    EXPECT_EQ(flags, (std::set<double>{0, 1})) << "triangles and quadrilaterals";
}

TEST(CliInfo, TextShowsCountsGroupsAndBounds) {
    const CliRun run = runCli({"info", kSample});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    for (const char* expected :
         {"Polygons  14", "body (6 polygons): 0 1 2 3 4 5", "robot_face.tim", "min  -30 -145 -20", "max  30 0 20"})
        EXPECT_NE(run.out.find(expected), std::string::npos) << expected << "\n" << run.out;
}

TEST(CliInfo, BoundsAreExactForEmptyAndFarAwayModels) {
    const TempDir dir;
    writeFile(dir / "empty.rsd", "@RSD940102\nPLY=empty.ply\n");
    writeFile(dir / "empty.ply", "@PLY940102\n0 0 0\n");
    const Json empty = infoJson((dir / "empty.rsd").string());
    EXPECT_EQ(empty["counts"]["vertices"].number, 0);
    EXPECT_EQ(empty["bounds"]["min"].numbers(), (std::vector<double>{0, 0, 0}));
    EXPECT_EQ(empty["bounds"]["max"].numbers(), (std::vector<double>{0, 0, 0}));
    EXPECT_TRUE(empty["groups"].items.empty());
    EXPECT_TRUE(empty["textures"].items.empty());

    // Every coordinate lies beyond 200000 on its axis: a box seeded with +-200000 would be wrong.
    writeFile(dir / "far.rsd", "@RSD940102\nPLY=far.ply\n");
    writeFile(dir / "far.ply",
              "@PLY940102\n2 2 0\n300000 -250000.5 0.125\n400000 -300000 0.375\n"
              "0 0 1\n0 0 1\n");
    const Json far = infoJson((dir / "far.rsd").string());
    EXPECT_EQ(far["bounds"]["min"].numbers(), (std::vector<double>{300000, -300000, 0.125}));
    EXPECT_EQ(far["bounds"]["max"].numbers(), (std::vector<double>{400000, -250000.5, 0.375}));
}

TEST(CliInfo, NamesFromFilesCannotBreakTheOutput) {
    const TempDir dir;
    const fs::path rsd = copySample(dir);
    // Quote, backslash, tab, a control byte, a Latin-1 e-acute, a UTF-8 e-acute, an escape
    // sequence that would turn a terminal red.
    const std::string name = "q\"b\\c\td\x01\xE9\xC3\xA9\x1B[31m";
    writeFile(dir / "robot.xgrp", "2\n# Group Descriptions\n" + name + "\n1 0 \nplain\n0 \n");

    const Json info = infoJson(rsd.string());
    ASSERT_EQ(info["groups"].items.size(), 2u);
    // The Latin-1 byte reads back as U+00E9, which is its meaning in that code page.
    EXPECT_EQ(info["groups"][0]["name"].string, "q\"b\\c\td\x01\xC3\xA9\xC3\xA9\x1B[31m");
    EXPECT_EQ(info["groups"][1]["name"].string, "plain");
    EXPECT_TRUE(info["groups"][1]["polygons"].items.empty());

    const CliRun text = runCli({"info", rsd.string()});
    ASSERT_EQ(text.status, 0) << text.err;
    EXPECT_EQ(text.out.find('\x1B'), std::string::npos);
    EXPECT_EQ(text.out.find('\x01'), std::string::npos);
    EXPECT_NE(text.out.find("\\x1b[31m (1 polygons): 0"), std::string::npos) << text.out;
}

TEST(CliInfo, WarningsGoToStderrOnePerLine) {
    const TempDir dir;
    const fs::path rsd = copySample(dir);
    replaceLine(dir / "robot.mat", "7 0 F C 180 180 190", "7 0 F X 180 180 190");

    const CliRun run = runCli({"info", "--json", "--polygons", rsd.string()});
    ASSERT_EQ(run.status, 0) << run.err;
    const auto warnings = lines(run.err);
    ASSERT_FALSE(warnings.empty());
    for (const auto& line : warnings) EXPECT_TRUE(line.starts_with("warning: ")) << line;
    EXPECT_NE(run.err.find("robot.mat"), std::string::npos) << run.err;

    const auto document = parseJson(run.out);
    ASSERT_TRUE(document) << "warnings must not leak into the JSON on stdout";
    EXPECT_EQ((*document)["polygons"][7]["type"].string, "X");
}

// What convert writes must read back as the same model: only the paths change, and the
// flat polygons' normal indices, which the writer points at their face normals.
TEST(CliConvert, WritesASetThatReadsBackEqual) {
    const TempDir dir;
    const std::string first = (dir / "robot2.rsd").string();
    const CliRun run = runCli({"convert", kSample, first});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    for (const char* name : {"robot2.rsd", "robot2.ply", "robot2.mat", "robot2.xgrp"}) {
        EXPECT_TRUE(fs::is_regular_file(dir / name)) << name;
        EXPECT_NE(run.out.find((dir / name).string()), std::string::npos) << run.out;
    }

    const Json original = infoJson(kSample, {"--vertices", "--polygons"});
    Json converted = infoJson(first, {"--vertices", "--polygons"});
    EXPECT_EQ(converted["paths"]["rsd"].string, first);
    EXPECT_EQ(fs::path(converted["paths"]["ply"].string), dir / "robot2.ply");
    EXPECT_EQ(fs::path(converted["paths"]["grp"].string), dir / "robot2.grp");
    for (const char* key : {"counts", "textures", "groups", "bounds", "vertices"})
        EXPECT_EQ(converted[key], original[key]) << key;
    ASSERT_EQ(converted["polygons"].items.size(), original["polygons"].items.size());
    for (std::size_t i = 0; i < original["polygons"].items.size(); ++i) {
        for (auto& [key, value] : converted["polygons"].items[i].members) {
            if (key == "nId") continue;
            EXPECT_EQ(value, original["polygons"][i][key]) << i << " " << key;
        }
    }

    // A set written by the program converts again without any change but its paths.
    const std::string second = (dir / "robot3.rsd").string();
    ASSERT_EQ(runCli({"convert", first, second}).status, 0);
    Json again = infoJson(second, {"--vertices", "--polygons"});
    again.members[1] = converted.members[1];  // "paths"
    EXPECT_EQ(again, converted);
}

TEST(CliConvert, RelativeInputKeepsNamingTheSameTextures) {
    const TempDir dir;
    const CliRun run =
        runCli({"convert", "data/samples/robot.rsd", (dir / "out.rsd").string()}, CliSetup{sourceDir(), "", {}});
    ASSERT_EQ(run.status, 0) << run.err;
    const Json converted = infoJson((dir / "out.rsd").string());
    ASSERT_EQ(converted["textures"].items.size(), 2u);
    for (const auto& texture : converted["textures"].items)
        EXPECT_TRUE(fs::is_regular_file(texture.string)) << texture.string;
}

TEST(CliConvert, CurrentWritesNoMovements) {
    const TempDir dir;
    const CliRun run = runCli({"convert", kSample, (dir / "now.rsd").string(), "--current"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(lines(run.out).size(), 5u) << run.out;  // the set and its skeleton
    EXPECT_TRUE(fs::exists(dir / "now.bone"));
    EXPECT_FALSE(fs::exists(dir / "now.move"));
    EXPECT_EQ(readFile(dir / "now.rsd").find("MOVE="), std::string::npos);
    EXPECT_EQ(infoJson((dir / "now.rsd").string())["counts"], infoJson(kSample)["counts"]);
}

TEST(CliConvert, FailsWithoutWritingWhenTheOutputCannotBeAnRsdSet) {
    const TempDir dir;
    for (const fs::path& out : {dir / "robot.txt", dir / "robot", dir / "no-such-folder/x.rsd"}) {
        const CliRun run = runCli({"convert", kSample, out.string()});
        EXPECT_EQ(run.status, 1) << out;
        ASSERT_EQ(lines(run.err).size(), 1u) << run.err;
        EXPECT_TRUE(run.err.starts_with("error: ")) << run.err;
        EXPECT_EQ(run.out, "");
    }
    EXPECT_TRUE(fs::is_empty(dir.path())) << "nothing may be written";
}

TEST(CliExit, AFailedJobIsOneWithOneLineSayingWhy) {
    const TempDir dir;
    const std::string missing = (dir / "missing.rsd").string();
    const std::string scene = (dir / "scene.ase").string();
    struct Case {
        std::vector<std::string> arguments;
        std::string named;  // the file the reason must name
    };
    for (const auto& [arguments, named] :
         std::vector<Case>{{{"info", missing}, "missing.rsd"},
                           {{"info", "--json", missing}, "missing.rsd"},
                           {{"convert", missing, (dir / "out.rsd").string()}, "missing.rsd"},
                           {{"info", scene}, "scene.ase"}}) {
        const CliRun run = runCli(arguments);
        EXPECT_EQ(run.status, 1) << named;
        EXPECT_EQ(run.out, "");
        ASSERT_EQ(lines(run.err).size(), 1u) << run.err;
        EXPECT_TRUE(run.err.starts_with("error: ")) << run.err;
        EXPECT_NE(run.err.find(named), std::string::npos) << run.err;
    }
    EXPECT_TRUE(fs::is_empty(dir.path()));
}

TEST(CliExit, BadUsageIsTwo) {
    for (const auto& arguments :
         std::vector<std::vector<std::string>>{{},
                                               {"info"},
                                               {"frobnicate", kSample},
                                               {"info", "--bogus", kSample},
                                               {"info", kSample, "extra"},
                                               {"convert", kSample},
                                               {"info", kSample, "convert", kSample, "x.rsd"}}) {
        const CliRun run = runCli(arguments);
        EXPECT_EQ(run.status, 2) << ::testing::PrintToString(arguments);
        EXPECT_NE(run.err, "");
    }
    const CliRun help = runCli({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("convert"), std::string::npos);
}

TEST(CliExit, OutputThatCannotBeWrittenIsAFailure) {
    if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    const CliRun run = runCli({"info", "--json", kSample}, CliSetup{{}, "/dev/full", {}});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err, "");
}

TEST(CliTim, ShowsAndConvertsTheSampleTextures) {
    const fs::path face = sourceDir() / "data/samples/robot_face.tim";
    const CliRun info = runCli({"tim", face.string()});
    ASSERT_EQ(info.status, 0) << info.err;
    EXPECT_NE(info.out.find("Depth     8 bits\nSize      32 x 32\n"), std::string::npos) << info.out;

    const TempDir dir;
    const CliRun convert = runCli({"tim", (sourceDir() / "data/samples/robot_body.tim").string(), "--bmp",
                                   (dir / "body.bmp").string(), "--png", (dir / "body.png").string()});
    ASSERT_EQ(convert.status, 0) << convert.err;
    EXPECT_EQ(convert.out, "");
    const std::string bmp = readFile(dir / "body.bmp");
    EXPECT_EQ(bmp.substr(0, 2), "BM");
    EXPECT_EQ(bmp.size(), 54u + 16 * 4 + 16 * 8);  // 16 x 16 at 4 bits: 8-byte rows
    const std::string png = readFile(dir / "body.png");
    EXPECT_EQ(png.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
    EXPECT_EQ(png.substr(12, 4), "IHDR");

    const CliRun missing = runCli({"tim", (dir / "none.tim").string()});
    EXPECT_EQ(missing.status, 1);
}

TEST(CliKeyframes, PrintsEveryPoseOfAMovement) {
    const CliRun run = runCli({"keyframes", kSample, "--movement", "nod", "--json"});
    ASSERT_EQ(run.status, 0) << run.err;
    const auto doc = parseJson(run.out);
    ASSERT_TRUE(doc);
    EXPECT_EQ((*doc)["movement"].string, "nod");
    const Json& keyframes = (*doc)["keyframes"];
    ASSERT_EQ(keyframes.items.size(), 3u);
    EXPECT_EQ(keyframes[0]["framesFromLast"].number, 20);
    EXPECT_EQ(keyframes[0]["vertices"].items.size(), 17u);
    ASSERT_EQ(keyframes[0]["joints"].items.size(), 4u);
    // The head nods forward and back about the neck; the last pose is upright again.
    EXPECT_GT(keyframes[0]["joints"][0][2].number, 0);
    EXPECT_LT(keyframes[1]["joints"][0][2].number, 0);
    EXPECT_NEAR(keyframes[2]["joints"][0][2].number, 0, 1e-6);

    const CliRun missing = runCli({"keyframes", kSample, "--movement", "jump"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("no movement is named 'jump'"), std::string::npos) << missing.err;
    EXPECT_EQ(runCli({"keyframes", kSample}).status, 2);
}

}  // namespace
}  // namespace kestrel::cli::test

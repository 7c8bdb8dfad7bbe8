#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "formats/rsd_set.h"
#include "rsd_fixture.h"

using namespace kestrel;

namespace {

struct BadCase {
    const char* file;  // which file of the cube set is replaced
    std::string text;
    const char* expected;  // the whole error as the user reads it
};

std::string describeFailure(const std::string& file, const std::string& text) {
    formats::MemoryFileSystem files = test::cubeFiles();
    files.files["m/" + file] = text;
    auto loaded = formats::loadRsdSet(files, "m/cube.rsd");
    return loaded ? std::string("loaded") : loaded.error().describe();
}

const std::string kPlyHead = "@PLY940102\n";
const std::string kVertices = "0 0 0\n1 0 0\n0 1 0\n";

}  // namespace

TEST(RsdBadInput, EachFaultIsNamedWithFileAndLine) {
    const BadCase cases[] = {
        {"cube.rsd", "@RSD940102\nMAT=cube.mat\n", "m/cube.rsd: no PLY= line names the geometry file"},
        {"cube.rsd", "PLY=gone.ply\n", "m/cube.rsd:1: cannot open the PLY file m/gone.ply (no such file or directory)"},
        {"cube.rsd", "PLY=cube.ply\nNTEX=two\n", "m/cube.rsd:2: NTEX= needs a texture count of 0 or more"},
        {"cube.rsd", "PLY=cube.ply\nTEX[=a.tim\n", "m/cube.rsd:2: a TEX[ line needs a slot number and '='"},
        {"cube.rsd", "PLY=cube.ply\n" + std::string(199, 'x') + "\n",
         "m/cube.rsd:2: the line is 199 characters long (limit is 198)"},
        {"cube.ply", "8 6 6\n0 0 0\n", "m/cube.ply: the file has no '@' version line; it is not a PLY file"},
        {"cube.ply", kPlyHead + "3 3\n",
         "m/cube.ply:2: expected the numbers of vertices, normals and polygons (three whole numbers of 0 or more)"},
        {"cube.ply", kPlyHead + "3 -1 0\n",
         "m/cube.ply:2: expected the numbers of vertices, normals and polygons (three whole numbers of 0 or more)"},
        {"cube.ply", kPlyHead + "2000000000 0 0\n0 0 0\n",
         "m/cube.ply:2: the file declares 2000000000 vertices, 0 normals and 0 polygons, more than its 6 remaining "
         "bytes can hold"},
        {"cube.ply", kPlyHead + "1 1 1\n0 0 0\n0 0 1\n", "m/cube.ply:4: the file ends before polygon 0 of 1"},
        {"cube.ply", kPlyHead + "3 1 1\n" + kVertices + "0 0 1\n0 0 1 3 0 0 0 0 0\n",
         "m/cube.ply:7: polygon 0 uses vertex 3 but the file has 3 vertices"},
        {"cube.ply", kPlyHead + "3 0 1\n" + kVertices + "0 0 1 2 0 0 0\n",
         "m/cube.ply:6: polygon 0 needs nine whole numbers: flags, four vertices and four normals"},
        {"cube.ply", kPlyHead + "3 0 0\n0 0 0\n1 x 0\n0 1 0\n", "m/cube.ply:4: vertex 1 needs three numbers"},
        {"cube.ply", kPlyHead + "3 0 0\n0 0 0\n1 nan 0\n0 1 0\n", "m/cube.ply:4: vertex 1 needs three numbers"},
        {"cube.ply", kPlyHead + "1 1 0\n0 0 0\n0 -1e10 0\n",
         "m/cube.ply:4: normal 0 has a coordinate beyond +/-1000000000"},
        {"cube.ply", kPlyHead + "3 3 0\n" + kVertices + "0 0 1\n", "m/cube.ply:6: the file ends before normal 1 of 3"},
        {"cube.mat", "@MAT940801\n1\n1;2 0 F C 1 2 3\n",
         "m/cube.mat:3: the polygon list needs numbers such as 12, 0-3 or 0,4,9-12"},
        {"cube.mat", "@MAT940801\n1\n1 0 F\n",
         "m/cube.mat:3: a material line needs a polygon list, a flag, a shading letter and a material letter"},
        {"cube.mat", "@MAT940801\n1\n1 0 F T 0 1 2\n", "m/cube.mat:3: material T needs 9 numbers, the line has 3"},
        {"cube.mat", "@MAT940801\n1\n1 0 F T -1 0 0 1 1 2 2 3 3\n",
         "m/cube.mat:3: the material uses texture -1, which is not a texture number"},
        {"cube.ply", std::string("\x41\0\0\0\0\0\0\0\x01\0\0\0\n", 13),
         "m/cube.ply:1: the line holds a zero byte: this is a binary file, not a text PLY file"},
        {"cube.rsd", "@RSD940102\n# " + std::string(300, '-') + "\nPLY=cube.ply\n" + std::string(199, 'x') + "\n",
         "m/cube.rsd:4: the line is 199 characters long (limit is 198)"},
        {"cube.xgrp", "1\n# Group Descriptions\nbad\n2 0 6\n",
         "m/cube.xgrp:4: group 'bad' names polygon 6 but the model has 6 polygons"},
        {"cube.xgrp", "2\n# Group Descriptions\nonly\n1 0\n", "m/cube.xgrp:4: the file ends after 1 of 2 groups"},
        {"cube.xgrp", "1\n# Group Descriptions\nshort\n3 0\n1\n",
         "m/cube.xgrp:5: group 'short' lists fewer polygons than its count of 3"},
        {"cube.xgrp", "1\n# Group Descriptions\nhuge\n99999999 0\n",
         "m/cube.xgrp:4: group 'huge' needs its number of polygons"},
        {"cube.xgrp", "many\n", "m/cube.xgrp:1: expected the number of groups (0 or more)"},
    };
    for (const auto& c : cases) EXPECT_EQ(describeFailure(c.file, c.text), c.expected) << c.text;
}

// What the console's own tools accept loads, with a located warning and nothing the file
// holds lost.
TEST(RsdBadInput, FilesTheConsoleToolsOpenLoadWithLocatedWarnings) {
    const auto load = [](const std::string& file, const std::string& text) {
        formats::MemoryFileSystem files = test::cubeFiles();
        files.files["m/" + file] = text;
        if (file == "cube.ply") files.files.erase("m/cube.xgrp");  // its groups need the cube's polygons
        auto loaded = formats::loadRsdSet(files, "m/cube.rsd");
        EXPECT_TRUE(loaded) << loaded.error().describe();
        std::vector<std::string> said;
        if (loaded)
            for (const auto& w : loaded->warnings) said.push_back(w.describe());
        return std::make_pair(std::move(loaded), said);
    };
    using Said = std::vector<std::string>;

    auto [beyond, beyondSaid] = load("cube.mat", "@MAT940801\n2\n0-9 0 F C 1 2 3\n9,12 0 F C 4 5 6\n");
    EXPECT_EQ(beyondSaid,
              (Said{"m/cube.mat:3: polygons 6-9 named here are beyond the PLY file's 6 polygons and ignored",
                    "m/cube.mat:4: polygon 9 named here is beyond the PLY file's 6 polygons and ignored",
                    "m/cube.mat:4: polygon 12 named here is beyond the PLY file's 6 polygons and ignored"}));
    ASSERT_TRUE(beyond);
    for (const auto& p : beyond->model.polygons) EXPECT_EQ(p.rgb[0], 0x010203);  // the rest of the line applied

    auto [stray, straySaid] = load("cube.mat", "@MAT940801\n2\n0-4 0 F C 1 2 3\n5 0 F T 7 0 0 1 1 2 2 3 3\n");
    ASSERT_TRUE(stray);
    EXPECT_EQ(straySaid, (Said{"m/cube.mat:4: the material uses texture 7 but the RSD file names 2 textures; the "
                               "polygons keep the number and show no picture until it exists"}));
    EXPECT_EQ(stray->model.polygons[5].tId, 7);
    EXPECT_NE(formats::formatRsdSet(stray->model)->mat.find("5 0 F T 7 "), std::string::npos);  // saved as read

    auto [normals, normalsSaid] =
        load("cube.ply", kPlyHead + "3 1 2\n" + kVertices + "0 0 0\n0 0 1 2 0 0 1 0 0\n0 0 1 2 0 5 5 5 0\n");
    ASSERT_TRUE(normals);
    EXPECT_EQ(normals->model.polygonCount(), 2);
    EXPECT_EQ(normalsSaid.at(0),
              "m/cube.ply:7: polygon 0 uses normal 1 but the file has 1 normal (and 3 more such corners); "
              "normals are computed again from the geometry, so nothing is lost");
}

// Byte-order marks as other programs write them: UTF-8's is dropped, UTF-16 in either byte
// order is read as the same text.
TEST(RsdBadInput, TextWithAByteOrderMarkReadsAsWithout) {
    const auto utf16 = [](const std::string& text, bool big) {
        std::string out = big ? "\xFE\xFF" : "\xFF\xFE";
        for (const char c : text) out += big ? std::string{'\0', c} : std::string{c, '\0'};
        return out;
    };
    formats::MemoryFileSystem plain = test::cubeFiles();
    const auto expected = formats::loadRsdSet(plain, "m/cube.rsd");
    ASSERT_TRUE(expected);
    formats::MemoryFileSystem marked = test::cubeFiles();
    marked.files["m/cube.rsd"] = "\xEF\xBB\xBF" + std::string(test::kCubeRsd);
    marked.files["m/cube.ply"] = utf16(test::kCubePly, false);
    marked.files["m/cube.mat"] = utf16(test::kCubeMat, true);
    const auto loaded = formats::loadRsdSet(marked, "m/cube.rsd");
    ASSERT_TRUE(loaded) << loaded.error().describe();
    EXPECT_EQ(loaded->model.polygons, expected->model.polygons);
    EXPECT_EQ(loaded->model.vertices, expected->model.vertices);
    EXPECT_EQ(loaded->model.textureFiles, expected->model.textureFiles);
}

TEST(RsdBadInput, FilesCutShortOrGarbledNeverLoadHalfway) {
    // Every prefix of a valid set and a byte-flipped copy either load or fail cleanly.
    const std::string files[] = {"cube.ply", "cube.mat", "cube.xgrp", "cube.rsd"};
    for (const auto& name : files) {
        const std::string whole = test::cubeFiles().files.at("m/" + name);
        for (std::size_t cut = 0; cut < whole.size(); ++cut) {
            describeFailure(name, whole.substr(0, cut));
            std::string garbled = whole;
            garbled[cut] = static_cast<char>(garbled[cut] ^ 0xA5);
            describeFailure(name, garbled);
        }
    }
    std::string binary(4096, '\0');
    for (std::size_t i = 0; i < binary.size(); ++i) binary[i] = static_cast<char>(i * 131 + 7);
    EXPECT_NE(describeFailure("cube.ply", binary), "loaded");
    EXPECT_NE(describeFailure("cube.ply", kPlyHead + "1 0 0\n" + binary), "loaded");
}

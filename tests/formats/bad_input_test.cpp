#include <gtest/gtest.h>

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
        {"cube.rsd", "PLY=gone.ply\n", "m/cube.rsd:1: cannot open the PLY file m/gone.ply"},
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
         "m/cube.ply:2: the file declares 2000000000 vertices, 0 normals and 0 polygons, more than its 6 remaining bytes can hold"},
        {"cube.ply", kPlyHead + "1 1 1\n0 0 0\n0 0 1\n", "m/cube.ply:4: the file ends before polygon 0 of 1"},
        {"cube.ply", kPlyHead + "3 1 1\n" + kVertices + "0 0 1\n0 0 1 3 0 0 0 0 0\n",
         "m/cube.ply:7: polygon 0 uses vertex 3 but the file has 3 vertices"},
        {"cube.ply", kPlyHead + "3 1 1\n" + kVertices + "0 0 0 0\n0 0 1 2 0 0 1 0 0\n",
         "m/cube.ply:7: polygon 0 uses normal 1 but the file has 1 normals"},
        {"cube.ply", kPlyHead + "3 0 1\n" + kVertices + "0 0 1 2 0 0 0\n",
         "m/cube.ply:6: polygon 0 needs nine whole numbers: flags, four vertices and four normals"},
        {"cube.ply", kPlyHead + "3 0 0\n0 0 0\n1 x 0\n0 1 0\n", "m/cube.ply:4: vertex 1 needs three numbers"},
        {"cube.ply", kPlyHead + "3 0 0\n0 0 0\n1 nan 0\n0 1 0\n", "m/cube.ply:4: vertex 1 needs three numbers"},
        {"cube.ply", kPlyHead + "1 1 0\n0 0 0\n0 -1e10 0\n",
         "m/cube.ply:4: normal 0 has a coordinate beyond +/-1000000000"},
        {"cube.ply", kPlyHead + "3 3 0\n" + kVertices + "0 0 1\n",
         "m/cube.ply:6: the file ends before normal 1 of 3"},
        {"cube.mat", "@MAT940801\n1\n9 0 F C 1 2 3\n",
         "m/cube.mat:3: polygon 9 is named but the PLY file has 6 polygons"},
        {"cube.mat", "@MAT940801\n1\n0-99 0 F C 1 2 3\n",
         "m/cube.mat:3: polygon 99 is named but the PLY file has 6 polygons"},
        {"cube.mat", "@MAT940801\n1\n1;2 0 F C 1 2 3\n",
         "m/cube.mat:3: the polygon list needs numbers such as 12, 0-3 or 0,4,9-12"},
        {"cube.mat", "@MAT940801\n1\n1 0 F\n",
         "m/cube.mat:3: a material line needs a polygon list, a flag, a shading letter and a material letter"},
        {"cube.mat", "@MAT940801\n1\n1 0 F T 0 1 2\n", "m/cube.mat:3: material T needs 9 numbers, the line has 3"},
        {"cube.mat", "@MAT940801\n1\n1 0 F T 2 0 0 1 1 2 2 3 3\n",
         "m/cube.mat:3: the material uses texture 2 but the RSD file names 2 textures"},
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

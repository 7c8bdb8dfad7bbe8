#include <gtest/gtest.h>

#include "formats/rsd_parts.h"
#include "formats/rsd_set.h"
#include "rsd_fixture.h"

using namespace kestrel;
using formats::loadRsdSet;

namespace {

model::Model loadCube(formats::MemoryFileSystem files) {
    auto loaded = loadRsdSet(files, "m/cube.rsd");
    EXPECT_TRUE(loaded) << loaded.error().describe();
    return loaded ? loaded->model : model::Model{};
}

}  // namespace

TEST(RsdReader, PathsKeepAbsoluteValuesAndJoinRelativeOnesToTheRsdFolder) {
    const auto m = loadCube(test::cubeFiles());
    EXPECT_EQ(m.rsdFileName, "m/cube.rsd");
    EXPECT_EQ(m.plyFileName, "m/cube.ply");
    EXPECT_EQ(m.grpFileName, "m/cube.grp");
    EXPECT_EQ(m.textureFiles, (std::vector<std::string>{"m/tex\\a.tim", "c:\\art\\b.tim"}));

    // The rule as it applies to sets written on Windows.
    model::Model windows;
    windows.rsdFileName = "c:\\models\\x.rsd";
    std::vector<formats::Warning> warnings;
    const auto plyLine = formats::readRsdText(
        "@RSD940102\nPLY=c:\\models\\a.ply\nMAT=\\models\\a.mat\nGRP=a.grp\nNTEX=2\n"
        "TEX[1]=tex\\b.tim\n",
        "x.rsd", windows, warnings);
    ASSERT_TRUE(plyLine);
    EXPECT_EQ(*plyLine, 2);
    EXPECT_EQ(windows.plyFileName, "c:\\models\\a.ply");
    EXPECT_EQ(windows.matFileName, "\\models\\a.mat");
    EXPECT_EQ(windows.grpFileName, "c:\\models\\a.grp");
    EXPECT_EQ(windows.textureFiles[1], "c:\\models\\tex\\b.tim");

    // Stored Windows paths find the files beside the RSD file on this machine.
    formats::MemoryFileSystem files = test::cubeFiles();
    files.files["m/cube.rsd"] = "PLY=c:\\models\\CUBE.PLY\nMAT=\\models\\cube.mat\nNTEX=2\n";
    const auto found = loadCube(files);
    EXPECT_EQ(found.plyFileName, "c:\\models\\CUBE.PLY");
    EXPECT_EQ(found.polygons[0].type, 'C');
    EXPECT_EQ(found.groupCount(), 2);
}

TEST(RsdReader, GeometryCountsAndDefaultMaterial) {
    formats::MemoryFileSystem files = test::cubeFiles();
    files.files.erase("m/cube.mat");
    const auto m = loadCube(files);
    EXPECT_EQ(m.vertexCount(), 8);
    EXPECT_EQ(m.normalCount(), 8);  // always one normal per vertex
    EXPECT_EQ(m.normals[5], model::makeVector(1, 0, 0));
    EXPECT_EQ(m.normals[7], model::ModelVertex{});
    ASSERT_EQ(m.polygonCount(), 6);
    const auto& tri = m.polygons[5];
    EXPECT_EQ(model::polygonCornerCount(tri), 3);
    EXPECT_EQ(tri.nId, (std::array<int, 4>{5, 5, 5, 0}));
    EXPECT_EQ(tri.rgb, (std::array<int, 4>{0x808080, 0x808080, 0x808080, 0x808080}));
    EXPECT_EQ(tri.tId, -1);
    EXPECT_EQ(tri.shading, 'F');
    EXPECT_EQ(tri.type, 'C');
    EXPECT_EQ(tri.mat_flag, 0);
}

TEST(RsdReader, MaterialLinesSetEveryKind) {
    const auto m = loadCube(test::cubeFiles());
    for (int i : {0, 1}) {
        EXPECT_EQ(m.polygons[i].type, 'C');
        EXPECT_EQ(m.polygons[i].rgb, (std::array<int, 4>{0xFF0000, 0xFF0000, 0xFF0000, 0xFF0000}));
    }
    EXPECT_EQ(m.polygons[2].shading, 'G');
    EXPECT_EQ(m.polygons[2].mat_flag, 1);
    EXPECT_EQ(m.polygons[2].rgb, (std::array<int, 4>{0x010203, 0x040506, 0x070809, 0x0A0B0C}));
    EXPECT_EQ(m.polygons[3].tId, 0);
    EXPECT_EQ(m.polygons[3].tu, (std::array<int, 4>{0, 31, 31, 0}));
    EXPECT_EQ(m.polygons[3].tv, (std::array<int, 4>{0, 0, 31, 31}));
    EXPECT_EQ(m.polygons[4].rgb[3], 8405024);
    EXPECT_EQ(m.polygons[4].tId, 1);
    // A triangle given three corners' values keeps a zero fourth corner.
    const auto& tri = m.polygons[5];
    EXPECT_EQ(tri.type, 'H');
    EXPECT_EQ(tri.tu, (std::array<int, 4>{1, 3, 5, 0}));
    EXPECT_EQ(tri.rgb, (std::array<int, 4>{0x0A141E, 0x28323C, 0x46505A, 0}));
}

TEST(RsdReader, PolygonListsNameRangesAndSkipBackwardRanges) {
    formats::MemoryFileSystem files = test::cubeFiles();
    files.files["m/cube.mat"] = "@MAT940801\n#c\n2\n1-3,5 0 G C 1 1 1\n4-2 0 G C 9 9 9\n";
    const auto m = loadCube(files);
    for (int i : {1, 2, 3, 5}) EXPECT_EQ(m.polygons[i].rgb[0], 0x010101) << i;
    EXPECT_EQ(m.polygons[0].rgb[0], 0x808080);
    EXPECT_EQ(m.polygons[4].rgb[0], 0x808080);
}

TEST(RsdReader, UnknownMaterialLetterIsKeptWithAWarning) {
    formats::MemoryFileSystem files = test::cubeFiles();
    files.files["m/cube.mat"] = "@MAT940801\n1\n0-5 3 G X 1 2 3\n";
    auto loaded = loadRsdSet(files, "m/cube.rsd");
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->model.polygons[0].type, 'X');
    EXPECT_EQ(loaded->model.polygons[0].shading, 'G');
    EXPECT_EQ(loaded->model.polygons[0].mat_flag, 3);
    ASSERT_EQ(loaded->warnings.size(), 1u);
    EXPECT_EQ(loaded->warnings[0].describe(),
              "m/cube.mat:3: unknown material letter 'X': the polygons keep it without colours or "
              "texture");
}

TEST(RsdReader, GroupsReadFreeFormatMembersAndSkipCommentNames) {
    formats::MemoryFileSystem files = test::cubeFiles();
    auto m = loadCube(files);
    ASSERT_EQ(m.groupCount(), 2);
    EXPECT_EQ(m.groups[0].name, "sides");
    EXPECT_EQ(m.groups[0].polygons, (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(m.groups[1].polygons, std::vector<int>{5});

    files.files["m/cube.xgrp"] = "2\n# Group Descriptions\n# a note\nempty\n0 \n#x\nall\n2 4 5\n";
    m = loadCube(files);
    ASSERT_EQ(m.groupCount(), 2);
    EXPECT_TRUE(m.groups[0].polygons.empty());
    EXPECT_EQ(m.groups[1].name, "all");
}

// Sets from the console tools name their groups in the GRP file: read when there is no XGRP
// file, which otherwise holds the groups.
TEST(RsdReader, TheGrpFileGivesTheGroupsOfASetWithoutAnXgrpFile) {
    formats::MemoryFileSystem files = test::cubeFiles();
    files.files["m/cube.grp"] =
        "# made by the converter\r\n@GRP940102\r\n# Number of Groups\r\n2\r\n# Groups\r\n"
        "Side Faces\t1  1\r\n0-2\r\n3\r\nlid\t1  1\r\n5\r\n4-x\r\n";
    files.files.erase("m/cube.xgrp");
    auto loaded = loadRsdSet(files, "m/cube.rsd");
    ASSERT_TRUE(loaded) << loaded.error().describe();
    const model::Model& m = loaded->model;
    ASSERT_EQ(m.groupCount(), 2);
    EXPECT_EQ(m.groups[0].name, "Side Faces");
    EXPECT_EQ(m.groups[0].polygons, (std::vector<int>{0, 1, 2, 3}));  // list lines run to the next name
    EXPECT_EQ(m.groups[1].name, "lid");
    EXPECT_EQ(m.groups[1].polygons, std::vector<int>{5});
    std::vector<std::string> said;
    for (const auto& w : loaded->warnings)
        if (w.file == "m/cube.grp") said.push_back(w.describe());
    EXPECT_EQ(said,
              std::vector<std::string>{
                  "m/cube.grp:11: the polygon list needs numbers such as 12, 0-3 or 0,4,9-12; the line is ignored"});

    files.files["m/cube.xgrp"] = test::kCubeXgrp;
    const model::Model withXgrp = loadCube(files);
    ASSERT_EQ(withXgrp.groupCount(), 2);
    EXPECT_EQ(withXgrp.groups[0].name, "sides");
}

TEST(RsdReader, WindowsLineEndsReadLikeUnixOnes) {
    formats::MemoryFileSystem files = test::cubeFiles();
    for (auto& [name, text] : files.files) {
        std::string crlf;
        for (char c : text) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
        text = crlf;
    }
    const auto crlf = loadCube(files);
    const auto plain = loadCube(test::cubeFiles());
    EXPECT_EQ(crlf, plain);
}

TEST(RsdReader, MissingOptionalFilesAreSilent) {
    formats::MemoryFileSystem files = test::cubeFiles();
    files.files.erase("m/cube.mat");
    files.files.erase("m/cube.xgrp");
    auto loaded = loadRsdSet(files, "m/cube.rsd");
    ASSERT_TRUE(loaded);
    EXPECT_TRUE(loaded->warnings.empty());
    EXPECT_EQ(loaded->model.groupCount(), 0);
}

TEST(RsdReader, CapacityOverrunsAreClampedWithWarnings) {
    formats::MemoryFileSystem files = test::cubeFiles();
    files.files["m/cube.rsd"] = "PLY=cube.ply\nNTEX=31\nTEX[30]=x.tim\nTEX[-1]=y.tim\nTEX[2]=z.tim\n";
    std::string xgrp = "101\n# Group Descriptions\n";
    for (int i = 0; i < 101; ++i) {
        // Appended piece by piece: GCC 12 warns falsely about "literal" + string here.
        xgrp += 'g';
        xgrp += std::to_string(i);
        xgrp += "\n1 0\n";
    }
    files.files["m/cube.xgrp"] = xgrp;
    files.files.erase("m/cube.mat");
    auto loaded = loadRsdSet(files, "m/cube.rsd");
    ASSERT_TRUE(loaded) << loaded.error().describe();
    EXPECT_EQ(loaded->model.textureCount(), 30);
    EXPECT_EQ(loaded->model.textureFiles[2], "m/z.tim");
    EXPECT_EQ(loaded->model.groupCount(), 100);
    EXPECT_EQ(loaded->warnings.size(), 4u);

    // A relative name that the folder makes too long for its line opens with a warning.
    files.files["m/cube.rsd"] = "PLY=cube.ply\nNTEX=1\nTEX[0]=" + std::string(186, 't') + ".tim\n";
    files.files.erase("m/cube.xgrp");
    loaded = loadRsdSet(files, "m/cube.rsd");
    ASSERT_TRUE(loaded);
    ASSERT_EQ(loaded->warnings.size(), 1u);
    EXPECT_NE(loaded->warnings[0].message.find("is too long to be saved again"), std::string::npos);
}

TEST(RsdReader, MaterialCountsAndCoverageAreCheckedWithLocatedWarnings) {
    const auto warningsFor = [](const std::string& mat) {
        formats::MemoryFileSystem files = test::cubeFiles();
        files.files["m/cube.mat"] = mat;
        auto loaded = loadRsdSet(files, "m/cube.rsd");
        EXPECT_TRUE(loaded);
        std::vector<std::string> said;
        if (loaded)
            for (const auto& w : loaded->warnings) said.push_back(w.describe());
        return said;
    };
    const std::string all = "0-5 0 F C 1 2 3\n";
    EXPECT_TRUE(warningsFor("@MAT940801\n1\n" + all).empty());
    EXPECT_EQ(warningsFor("@MAT940801\n2000000000\n" + all),
              (std::vector<std::string>{"m/cube.mat:2: the file says it has 2000000000 material lines but it has 1",
                                        "m/cube.mat:2: the file counts 2000000000 material lines but the PLY file "
                                        "has only 6 polygons"}));
    EXPECT_EQ(warningsFor("@MAT940801\n-1\n" + all),
              (std::vector<std::string>{"m/cube.mat:2: the file says it has -1 material lines but it has 1"}));
    EXPECT_EQ(warningsFor("@MAT940801\n2\n" + all + "2147483647-0 0 F C 1 2 3\n"),
              (std::vector<std::string>{"m/cube.mat:4: the range 2147483647-0 runs backwards and names no polygon"}));
    EXPECT_EQ(warningsFor("@MAT940801\n1\n0-3 0 F C 1 2 3\n"),
              (std::vector<std::string>{"m/cube.mat: 2 polygons have no material line (the first is polygon 4); "
                                        "they keep the default material (flat, colour 0)"}));
}

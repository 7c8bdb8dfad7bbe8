#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "formats/rsd_set.h"
#include "rsd_fixture.h"

using namespace kestrel;
using formats::MemoryFileSystem;

namespace {

// A quad strip with every material kind, groups (one empty) and textures.
model::Model generatedModel(int quads) {
    model::Model m;
    std::mt19937 random(7);
    std::uniform_real_distribution<double> wobble(-0.5, 0.5);
    for (int i = 0; i <= quads; ++i) {
        m.addVertex(model::makeVector(i, wobble(random), 0));
        m.addVertex(model::makeVector(i, 1 + wobble(random), wobble(random)));
    }
    const char kinds[] = {'C', 'G', 'T', 'D', 'H'};
    for (int i = 0; i < quads; ++i) {
        const int p = m.addPolygon(2 * i, 2 * i + 2, 2 * i + 3, 2 * i + 1);
        auto& poly = m.polygons[p];
        poly.flags = 1;
        poly.shading = i % 3 ? 'F' : 'G';
        poly.type = kinds[i % 5];
        poly.mat_flag = i % 2;
        poly.rgb = {0x102030 + i, 0xFF0000, 0x00FF00, 0x0000FF};
        if (poly.type == 'C' || poly.type == 'D') poly.rgb.fill(poly.rgb[0]);
        if (poly.type == 'T') poly.rgb.fill(model::kMidGrey);  // no colour in the file
        if (poly.type != 'C' && poly.type != 'G') {
            poly.tId = i % 2;
            poly.tu = {0, 63, 63, 0};
            poly.tv = {0, 0, 63, i % 64};
        }
    }
    m.textureFiles = {"/m/skin.tim", "c:\\art\\face.tim"};
    m.addGroup({"left", {0, 2, 4}});
    m.addGroup({"empty", {}});
    m.addGroup({"right side", {1, 3}});
    return m;
}

formats::LoadedModel saveAndLoad(MemoryFileSystem& files, model::Model& m, const std::string& path) {
    auto saved = formats::saveRsdSet(files, m, {path, false});
    EXPECT_TRUE(saved) << saved.error().describe();
    auto loaded = formats::loadRsdSet(files, path);
    EXPECT_TRUE(loaded) << loaded.error().describe();
    return loaded ? *loaded : formats::LoadedModel{};
}

// The text with every occurrence of name replaced by "X".
std::string withoutName(std::string_view text, std::string_view name) {
    std::string out;
    for (std::size_t at = 0;;) {
        const std::size_t hit = text.find(name, at);
        out += text.substr(at, hit - at);
        if (hit == std::string_view::npos) return out;
        out += 'X';
        at = hit + name.size();
    }
}

}  // namespace

TEST(RsdWriter, SavedModelLoadsBackEqual) {
    MemoryFileSystem files;
    model::Model m = generatedModel(40);
    auto loaded = saveAndLoad(files, m, "/out/strip.rsd");
    EXPECT_TRUE(loaded.warnings.empty());
    model::Model back = loaded.model;
    // Coordinates come back to six decimals; the materials, groups and paths exactly.
    ASSERT_EQ(back.vertexCount(), m.vertexCount());
    for (int i = 0; i < m.vertexCount(); ++i) {
        EXPECT_NEAR(back.vertices[i].x, m.vertices[i].x, 5e-7);
        EXPECT_NEAR(back.vertices[i].y, m.vertices[i].y, 5e-7);
        back.vertices[i] = m.vertices[i];
    }
    back.normals = m.normals;
    for (int i = 0; i < m.polygonCount(); ++i) {
        back.polygons[i].nId = m.polygons[i].nId;
        back.polygons[i].faceNormal = m.polygons[i].faceNormal;
    }
    for (int i = 0; i < m.polygonCount(); ++i) EXPECT_EQ(back.polygons[i], m.polygons[i]) << i;
    EXPECT_EQ(back.groups, m.groups);
    EXPECT_EQ(back.textureFiles, m.textureFiles);
    // Saving names the files after the new path and leaves the model it was given alone.
    EXPECT_TRUE(m.plyFileName.empty());
    EXPECT_EQ(back.plyFileName, "/out/strip.ply");
    EXPECT_EQ(back.grpFileName, "/out/strip.grp");
    formats::nameSetAfter(m, "/out/strip.rsd");
    EXPECT_EQ(back, m);
}

TEST(RsdWriter, SavingTwiceGivesTheSameBytesApartFromThePaths) {
    MemoryFileSystem files;
    model::Model m = generatedModel(12);
    // Once loaded, coordinates are what the file says, so the next saves agree exactly.
    auto first = saveAndLoad(files, m, "/a/one.rsd");
    auto second = saveAndLoad(files, first.model, "/b/two.rsd");
    saveAndLoad(files, second.model, "/c/three.rsd");
    for (const char* ext : {"rsd", "ply", "mat", "xgrp"}) {
        const std::string two = withoutName(files.files.at(std::string("/b/two.") + ext), "b/two");
        const std::string three = withoutName(files.files.at(std::string("/c/three.") + ext), "c/three");
        EXPECT_EQ(two, three) << ext;
    }
}

TEST(RsdWriter, FlatPolygonsGetTheirOwnNegatedFaceNormals) {
    MemoryFileSystem files = test::cubeFiles();
    auto loaded = formats::loadRsdSet(files, "m/cube.rsd");
    ASSERT_TRUE(loaded);
    model::Model& m = loaded->model;
    for (int i : {0, 1, 2, 3}) m.polygons[i].shading = 'F';
    m.polygons[4].shading = m.polygons[5].shading = 'G';
    const model::Model before = m;
    const auto texts = formats::formatRsdSet(m).value();
    EXPECT_NE(texts.ply.find("\n8 12 6\n"), std::string::npos);
    EXPECT_NE(texts.ply.find("1 0 3 1 2 8 8 8 8\n1 4 5 7 6 9 9 9 9\n1 0 1 4 5 10 10 10 10\n"
                             "1 2 3 6 7 11 11 11 11\n1 0 4 3 7 0 4 3 7\n0 1 2 6 0 1 2 6 0\n"),
              std::string::npos)
        << texts.ply;
    // Face 0 lies in z = 0 and winds clockwise seen from +z: its normal points down, and
    // the file holds it negated. The model itself is not changed.
    EXPECT_NE(texts.ply.find("# Normals\n"), std::string::npos);
    EXPECT_NE(texts.ply.find("\n-0.000000 -0.000000 1.000000\n"), std::string::npos) << texts.ply;
    EXPECT_EQ(m, before);
    EXPECT_TRUE(texts.ply.ends_with("#END OF GENERATED FILE==================\n"));
}

TEST(RsdWriter, FileLayoutsAndHeaders) {
    MemoryFileSystem files = test::cubeFiles();
    auto loaded = formats::loadRsdSet(files, "m/cube.rsd");
    ASSERT_TRUE(loaded);
    const auto texts = formats::formatRsdSet(loaded->model).value();
    EXPECT_TRUE(texts.rsd.starts_with("# m/cube.rsd\n#=====================\n#RSD file generated by Kestrel\n#"));
    EXPECT_NE(texts.rsd.find("@RSD940102\nPLY=m/cube.ply\nMAT=m/cube.mat\nGRP=m/cube.grp\nXGRP=m/cube.xgrp\n"
                             "# Number of Texture Files\nNTEX=2\nTEX[0]=m/tex\\a.tim\nTEX[1]=c:\\art\\b.tim\n"),
              std::string::npos);
    EXPECT_EQ(texts.rsd.find("#END"), std::string::npos);
    EXPECT_EQ(texts.rsd.find("MOVE="), std::string::npos);
    EXPECT_TRUE(texts.mat.starts_with("# m/cube.mat\n#=====================\n#MAT file generated by Kestrel\n"));
    EXPECT_NE(texts.mat.find("@MAT940801\n# Number of Lines\n6\n# Polygon Material descriptors\n"
                             "0 0 F C 255 0 0\n1 0 F C 255 0 0\n"
                             "2 1 G G 1 2 3 4 5 6 7 8 9 10 11 12\n3 0 F T 0 0 0 31 0 31 31 0 31\n"
                             "4 0 F D 1 0 0 63 0 63 63 0 63 128 64 32\n"
                             "5 2 G H 0 1 2 3 4 5 6 0 0 10 20 30 40 50 60 70 80 90 0 0 0\n"),
              std::string::npos)
        << texts.mat;
    EXPECT_NE(texts.xgrp.find("#XGRP file generated by Kestrel\n"), std::string::npos);
    EXPECT_NE(texts.xgrp.find("# Number Of Groups\n2\n# Group Descriptions\nsides\n4 0 1 2 3 \nlid\n1 5 \n#END"),
              std::string::npos)
        << texts.xgrp;
}

TEST(RsdWriter, EmptyGroupWritesZeroAndReadsBackEmpty) {
    MemoryFileSystem files;
    model::Model m = generatedModel(5);
    saveAndLoad(files, m, "/e/g.rsd");
    EXPECT_NE(files.files.at("/e/g.xgrp").find("\nempty\n0 \n"), std::string::npos);
    auto loaded = formats::loadRsdSet(files, "/e/g.rsd");
    ASSERT_TRUE(loaded);
    EXPECT_TRUE(loaded->model.groups[1].polygons.empty());
}

TEST(RsdWriter, BackupKeepsTheVersionFromBeforeTheFirstSave) {
    MemoryFileSystem files = test::cubeFiles();
    auto loaded = formats::loadRsdSet(files, "m/cube.rsd");
    ASSERT_TRUE(loaded);
    ASSERT_TRUE(formats::saveRsdSet(files, loaded->model, {}));
    loaded->model.vertices[0].x = 42;
    ASSERT_TRUE(formats::saveRsdSet(files, loaded->model, {}));
    EXPECT_EQ(files.files.at("m/cube.rsd_backup"), test::kCubeRsd);
    EXPECT_EQ(files.files.at("m/cube.ply_backup"), test::kCubePly);
    EXPECT_EQ(files.files.at("m/cube.mat_backup"), test::kCubeMat);
    EXPECT_EQ(files.files.at("m/cube.xgrp_backup"), test::kCubeXgrp);
    EXPECT_NE(files.files.at("m/cube.ply").find("\n42.000000 "), std::string::npos);
}

TEST(RsdWriter, AFailedWriteLeavesEveryFileAsItWasAndTheModelsNames) {
    MemoryFileSystem files = test::cubeFiles();
    auto loaded = formats::loadRsdSet(files, "m/cube.rsd");
    ASSERT_TRUE(loaded);
    files.failingWrites.insert("n/NEW.mat");
    files.files["n/NEW.mat"] = "precious";
    auto saved = formats::saveRsdSet(files, loaded->model, {"n/NEW.RSD", true});
    ASSERT_FALSE(saved);
    EXPECT_EQ(saved.error().describe(),
              "n/NEW.mat: cannot write the file: No space left on device; nothing was replaced");
    EXPECT_EQ(files.files.at("n/NEW.mat"), "precious");
    EXPECT_FALSE(files.files.contains("n/NEW.mat_backup"));
    // A set is saved whole or not at all: no file before the failure is written either, and
    // nothing of the attempt is left behind.
    for (const auto& [name, bytes] : files.files)
        EXPECT_FALSE(name.starts_with("n/NEW.") && name != "n/NEW.mat") << name;
    EXPECT_EQ(loaded->model.rsdFileName, "m/cube.rsd");
    EXPECT_EQ(loaded->model.plyFileName, "m/cube.ply");
}

TEST(RsdWriter, SetsThatCouldNotBeReadBackAreNotWritten) {
    MemoryFileSystem files = test::cubeFiles();
    auto loaded = formats::loadRsdSet(files, "m/cube.rsd");
    ASSERT_TRUE(loaded);
    const auto before = files.files;
    model::Model huge = loaded->model;
    huge.vertices[2].y = 1e200;  // printed with six decimals, a 200-digit number
    auto saved = formats::saveRsdSet(files, huge, {"m/big.rsd", true});
    ASSERT_FALSE(saved);
    EXPECT_EQ(saved.error().describe(),
              "m/big.ply:11: cannot save: this line would be 225 characters long and model files "
              "hold at most 198 (a path, a name or a coordinate is too long); nothing was written");
    model::Model longPath = loaded->model;
    longPath.textureFiles[0] = "/" + std::string(190, 'p') + ".tim";
    EXPECT_FALSE(formats::saveRsdSet(files, longPath, {}));
    model::Model notANumber = loaded->model;
    notANumber.vertices[1].x = std::nan("");
    saved = formats::saveRsdSet(files, notANumber, {});
    ASSERT_FALSE(saved);
    EXPECT_EQ(saved.error().describe(),
              "m/cube.ply: cannot save: a coordinate or normal is not a finite number; nothing was "
              "written");
    model::Model longName = loaded->model;
    longName.groups[0].name = std::string(199, 'n');
    EXPECT_FALSE(formats::saveRsdSet(files, longName, {}));
    EXPECT_EQ(files.files, before);
    EXPECT_EQ(huge.rsdFileName, "m/cube.rsd");
}

TEST(RsdWriter, EmptyTextureSlotsStayEmpty) {
    MemoryFileSystem files = test::cubeFiles("/m/");
    files.files["/m/cube.rsd"] = "PLY=cube.ply\nNTEX=2\nTEX[1]=b.tim\n";
    files.files.erase("/m/cube.mat");
    auto loaded = formats::loadRsdSet(files, "/m/cube.rsd");
    ASSERT_TRUE(loaded);
    ASSERT_TRUE(formats::saveRsdSet(files, loaded->model, {"/o/x.rsd", false}));
    auto again = formats::loadRsdSet(files, "/o/x.rsd");
    ASSERT_TRUE(again);
    EXPECT_EQ(again->model.textureFiles, (std::vector<std::string>{"", "/m/b.tim"}));
}

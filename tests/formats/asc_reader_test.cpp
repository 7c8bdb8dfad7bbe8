#include "formats/asc_reader.h"

#include <gtest/gtest.h>

#include <string>

using namespace kestrel;
using formats::importAsc;

namespace {

// A mesh in the program's layout: vertex i at (i, 2i, 3i) but vertex 3 at (1, 2, 3); face j
// joins vertices j, j + 1 and j + 2, each followed by its smoothing line.
std::string mesh(const std::string& name, int vertices, int faces) {
    std::string s = "Named object: \"" + name + "\"\nTri-mesh, Vertices: " + std::to_string(vertices) +
                    "     Faces: " + std::to_string(faces) + "\nVertex list:\n";
    for (int i = 0; i < vertices; ++i) {
        const std::string x = i == 3 ? "1" : std::to_string(i), y = i == 3 ? "2" : std::to_string(2 * i),
                          z = i == 3 ? "3" : std::to_string(3 * i);
        s += "Vertex " + std::to_string(i) + ":  X: " + x + ".000000     Y: " + y + ".000000     Z: " + z + ".000000\n";
    }
    s += "Face list:\n";
    for (int j = 0; j < faces; ++j)
        s += "Face " + std::to_string(j) + ":    A:" + std::to_string(j) + " B:" + std::to_string(j + 1) +
             " C:" + std::to_string(j + 2) + " AB:1 BC:1 CA:0\nSmoothing:  1\n";
    return s;
}

const std::string kHead = "Ambient light color: Red=0.3 Green=0.3 Blue=0.3\n\n";

std::string failure(const std::string& text) {
    auto loaded = importAsc(text, "a.asc");
    return loaded ? "loaded" : loaded.error().describe();
}

}  // namespace

TEST(AscImport, AMeshBecomesGreyTriangles) {
    const auto loaded = importAsc(kHead + mesh("Box01", 5, 3) + "\n", "/art/box.ASC");
    ASSERT_TRUE(loaded) << loaded.error().describe();
    const model::Model& m = loaded->model;
    EXPECT_EQ(m.rsdFileName, "/art/box.rsd");
    EXPECT_EQ(m.matFileName, "/art/box.mat");
    ASSERT_EQ(m.vertexCount(), 5);
    EXPECT_EQ(m.normalCount(), 5);
    EXPECT_EQ(m.vertices[3], model::makeVector(1, -3, -2));
    EXPECT_EQ(m.vertices[4], model::makeVector(4, -12, -8));
    ASSERT_EQ(m.polygonCount(), 3);
    EXPECT_EQ(m.polygons[2].vId, (std::array<std::int32_t, 4>{2, 3, 4, 0}));
    for (const auto& p : m.polygons)
        EXPECT_TRUE(p.type == 'C' && p.shading == 'F' && p.tId == -1 && p.rgb[3] == model::kMidGrey);
    EXPECT_EQ(m.groupCount(), 0);
    EXPECT_EQ(m.textureCount(), 0);
    ASSERT_TRUE(loaded->animation.baseFrame);
    EXPECT_EQ(loaded->animation.baseFrame->name, "BaseFrame");
    EXPECT_EQ(loaded->animation.baseFrame->model, m);
    EXPECT_TRUE(loaded->animation.movements.empty());

    // Labels written against their numbers read the same.
    const auto tight = importAsc("Tri-mesh, Vertices: 1 Faces: 0\nVertex list:\nVertex 0: X:1 Y:2 Z:3\n", "t.asc");
    ASSERT_TRUE(tight);
    EXPECT_EQ(tight->model.vertices[0], model::makeVector(1, -3, -2));
}

// A scene of several objects keeps them all, each as a group named after it, with its corners
// counted from its own first vertex; lights and other objects between them are passed over.
TEST(AscImport, EveryMeshOfASceneIsImportedAsAGroup) {
    const std::string light = "Named object: \"Omni01\"\nDirect light\nPosition:  X:1 Y:2 Z:3\n\n";
    const auto loaded = importAsc(kHead + mesh("Box01", 5, 3) + "\n" + light + mesh("#Second", 7, 4), "box.asc");
    ASSERT_TRUE(loaded) << loaded.error().describe();
    const model::Model& m = loaded->model;
    ASSERT_EQ(m.vertexCount(), 12);
    EXPECT_EQ(m.normalCount(), 12);
    EXPECT_EQ(m.vertices[5 + 4], model::makeVector(4, -12, -8));
    ASSERT_EQ(m.polygonCount(), 7);
    EXPECT_EQ(m.polygons[2].vId, (std::array<std::int32_t, 4>{2, 3, 4, 0}));
    EXPECT_EQ(m.polygons[3].vId, (std::array<std::int32_t, 4>{5, 6, 7, 0}));
    EXPECT_EQ(m.polygons[6].vId, (std::array<std::int32_t, 4>{8, 9, 10, 0}));
    ASSERT_EQ(m.groupCount(), 2);
    EXPECT_EQ(m.groups[0].name, "Box01");
    EXPECT_EQ(m.groups[0].polygons, (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(m.groups[1].name, "_Second");  // a name line cannot start a comment
    EXPECT_EQ(m.groups[1].polygons, (std::vector<int>{3, 4, 5, 6}));
    EXPECT_EQ(loaded->animation.baseFrame->model, m);

    // Names without quotes, or with no colon at all, still name their mesh (or none).
    const auto bare = importAsc(
        "Named object\nTri-mesh, Vertices: 0 Faces: 0\nNamed object: Plain\n"
        "Tri-mesh, Vertices: 0 Faces: 0\n",
        "b.asc");
    ASSERT_TRUE(bare) << bare.error().describe();
    ASSERT_EQ(bare->model.groupCount(), 2);
    EXPECT_EQ(bare->model.groups[0].name, "Object 0");
    EXPECT_EQ(bare->model.groups[1].name, "Plain");

    std::string outside = mesh("Second", 4, 2);
    outside.replace(outside.find("B:2"), 3, "B:4");  // vertex 4 of the model, but not of this mesh
    EXPECT_EQ(failure(mesh("Box", 5, 1) + outside), "a.asc:22: face 1 uses vertex 4 but the mesh has 4 vertices");
}

TEST(AscImport, ShortOrMalformedFilesGiveLocatedErrors) {
    std::string outside = mesh("Box", 4, 2);
    outside.replace(outside.find("B:2"), 3, "B:9");
    std::string twice = mesh("Box", 4, 2);
    twice.replace(twice.find("Vertex 1:"), 9, "Vertex 0:");
    const std::pair<std::string, std::string> cases[] = {
        {kHead, "a.asc: the file holds no triangle mesh (no \"Tri-mesh\" line)"},
        {"Tri-mesh, Vertices: many\n", "a.asc:1: the mesh line reads \"Tri-mesh, Vertices: 8  Faces: 12\""},
        {"Tri-mesh, Vertices: 900000 Faces: 0\nVertex list:\n",
         "a.asc:1: the mesh announces 900000 vertices and 0 faces, more than the rest of the file "
         "can hold"},
        {mesh("Box", 4, 2).substr(0, 120), "a.asc:4: the file ends after 1 of the 4 vertices the mesh announces"},
        {"Tri-mesh, Vertices: 5 Faces: 0\nVertex list:\nVertex 0: X: 0 Y: 0 Z: 0\nFace list:\n" + mesh("B", 5, 0),
         "a.asc:4: the \"Face list:\" line comes after 1 of the 5 vertices the mesh announces"},
        {"Tri-mesh, Vertices: 2 Faces: 0\nVertex list:\nVertex 2: X: 0 Y: 0 Z: 0\n",
         "a.asc:3: vertex 2 lies outside the 2 vertices the mesh announces"},
        {"Tri-mesh, Vertices: 1 Faces: 0\nVertex list:\nVertex 0: X: 0 Y: 0 Z: 1e10\n",
         "a.asc:3: vertex 0 has a coordinate beyond +/-1000000000"},
        {"Tri-mesh, Vertices: 1 Faces: 0\nVertex list:\nVertex 0: X 0 Y 0 Z 0\n",
         "a.asc:3: a vertex line reads \"Vertex 3:  X: 1.0  Y: 2.0  Z: 3.0\""},
        {twice, "a.asc:5: vertex 0 is listed twice"},
        {outside, "a.asc:11: face 1 uses vertex 9 but the mesh has 4 vertices"},
        {mesh("Box", 4, 2).substr(0, mesh("Box", 4, 2).find("Face 1")),
         "a.asc:10: the file ends after 1 of the 2 faces the mesh announces"},
    };
    for (const auto& [text, expected] : cases) EXPECT_EQ(failure(text), expected) << text;
}

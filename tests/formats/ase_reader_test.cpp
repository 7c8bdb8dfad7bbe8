#include "formats/ase_reader.h"

#include <gtest/gtest.h>

#include <string>

using namespace kestrel;
using formats::importAse;

namespace {

// An object in the exporter's layout. Vertex i is (1 + i, 2 + i, 3 + i); face j joins the
// vertices j, j + 1 and j + 2 (modulo the count). inMesh goes at the end of the mesh block,
// after it the lines that follow the mesh.
std::string geomObject(const std::string& name, int vertices, int faces, const std::string& inMesh = "",
                       const std::string& after = "") {
    std::string s = "*GEOMOBJECT {\n\t*NODE_NAME \"" + name + "\"\n\t*NODE_TM {\n\t\t*NODE_NAME \"" + name +
                    "\"\n\t\t*TM_POS 0.0000\t0.0000\t0.0000\n\t}\n\t*MESH {\n\t\t*TIMEVALUE 0\n" +
                    "\t\t*MESH_NUMVERTEX " + std::to_string(vertices) + "\n\t\t*MESH_NUMFACES " +
                    std::to_string(faces) + "\n\t\t*MESH_VERTEX_LIST {\n";
    for (int i = 0; i < vertices; ++i)
        s += "\t\t\t*MESH_VERTEX    " + std::to_string(i) + "\t" + std::to_string(1 + i) + ".0000\t" +
             std::to_string(2 + i) + ".0000\t" + std::to_string(3 + i) + ".0000\n";
    s += "\t\t}\n\t\t*MESH_FACE_LIST {\n";
    for (int j = 0; j < faces; ++j)
        s += "\t\t\t*MESH_FACE    " + std::to_string(j) + ":    A:    " + std::to_string(j % vertices) +
             " B:    " + std::to_string((j + 1) % vertices) + " C:    " + std::to_string((j + 2) % vertices) +
             " AB:    1 BC:    1 CA:    0\t *MESH_SMOOTHING 1 \t*MESH_MTLID 0\n";
    s += "\t\t}\n" + inMesh + "\t\t*MESH_NORMALS {\n\t\t\t*MESH_FACENORMAL 0\t0.0\t0.0\t1.0\n\t\t}\n\t}\n" +
         "\t*PROP_MOTIONBLUR 0\n\t*PROP_CASTSHADOW 1\n\t*PROP_RECVSHADOW 1\n" + after + "}\n";
    return s;
}

const std::string kHead =
    "*3DSMAX_ASCIIEXPORT\t200\n*COMMENT \"AsciiExport Version  2.00 - Mon Feb 04 12:00:00 2002\"\n"
    "*SCENE {\n\t*SCENE_FILENAME \"scene.max\"\n\t*SCENE_TICKSPERFRAME 160\n}\n";

const std::string kMaterials =
    "*MATERIAL_LIST {\n\t*MATERIAL_COUNT 2\n\t*MATERIAL 0 {\n\t\t*MATERIAL_NAME \"Plain\"\n\t}\n"
    "\t*MATERIAL 1 {\n\t\t*MATERIAL_NAME \"Brick\"\n\t\t*MAP_DIFFUSE {\n\t\t\t*MAP_NAME \"Map "
    "#1\"\n"
    "\t\t\t*BITMAP \"C:\\3dsmax\\maps\\brick.tga\"\n\t\t}\n\t}\n"
    "\t*MATERIAL 2 {\n\t\t*MAP_DIFFUSE {\n\t\t\t*BITMAP \"maps\\wood.bmp\"\n\t\t}\n\t}\n}\n";

std::string animationBlock(const std::string& node, const std::string& keys) {
    return "\t*TM_ANIMATION {\n\t\t*NODE_NAME \"" + node + "\"\n\t\t*CONTROL_POS_BEZIER {\n" + keys +
           "\t\t}\n\t\t*CONTROL_ROT_TCB {\n\t\t\t*CONTROL_TCB_ROT_KEY "
           "0\t0.0\t0.0\t1.0\t0.0\n\t\t}\n\t}\n";
}

std::string key(int time, double x, double y, double z) {
    return "\t\t\t*CONTROL_BEZIER_POS_KEY " + std::to_string(time) + "\t" + std::to_string(x) + "\t" +
           std::to_string(y) + "\t" + std::to_string(z) + "\t0.0\t0.0\t0.0\t0.0\t0.0\t0.0\t0\n";
}

formats::LoadedModel import(const std::string& text, bool textures = false) {
    auto loaded = importAse(text, "/art/scene.ase", textures);
    EXPECT_TRUE(loaded) << loaded.error().describe();
    return loaded ? std::move(*loaded) : formats::LoadedModel{};
}

std::string failure(const std::string& text, bool textures = true) {
    auto loaded = importAse(text, "s.ase", textures);
    return loaded ? "loaded" : loaded.error().describe();
}

}  // namespace

TEST(AseImport, ObjectsBecomeGroupsOfConvertedTriangles) {
    const auto loaded = import(kHead + kMaterials + geomObject("Box01", 4, 4) +
                               geomObject("#Wedge", 6, 6, "", "\t*WIREFRAME_COLOR 1.0000\t0.5000\t0.0000\n"));
    const model::Model& m = loaded.model;
    EXPECT_EQ(m.rsdFileName, "/art/scene.rsd");
    EXPECT_EQ(m.plyFileName, "/art/scene.ply");
    EXPECT_EQ(m.grpFileName, "/art/scene.grp");
    ASSERT_EQ(m.vertexCount(), 10);
    EXPECT_EQ(m.normalCount(), 10);
    EXPECT_EQ(m.vertices[0], model::makeVector(1, -3, -2));
    ASSERT_EQ(m.groupCount(), 2);
    EXPECT_EQ(m.groups[0].name, "Box01");
    EXPECT_EQ(m.groups[0].polygons, (std::vector<std::int32_t>{0, 1, 2, 3}));
    EXPECT_EQ(m.groups[1].polygons.size(), 6u);
    // The group file would read a name beginning with '#' as a comment.
    EXPECT_EQ(m.groups[1].name, "_Wedge");
    ASSERT_EQ(loaded.warnings.size(), 1u);
    // The second object's corners follow the first object's four vertices.
    EXPECT_EQ(m.polygons[4].vId, (std::array<std::int32_t, 4>{4, 5, 6, 0}));
    EXPECT_EQ(m.polygons[3].rgb[0], model::kMidGrey);
    EXPECT_EQ(m.polygons[9].rgb, (std::array<std::int32_t, 4>{0xFF7F00, 0xFF7F00, 0xFF7F00, 0xFF7F00}));
    // Without texture information the material list is not read at all.
    EXPECT_TRUE(m.textureFiles.empty());
    for (const auto& p : m.polygons) EXPECT_TRUE(p.type == 'C' && p.tId == -1 && p.uRel[0] == 0.0);
    ASSERT_TRUE(loaded.animation.baseFrame);
    EXPECT_EQ(loaded.animation.baseFrame->model, m);
    EXPECT_TRUE(loaded.animation.movements.empty());
}

// 3ds Max writes UTF-16 when a scene holds names outside Latin-1: either byte order, with its
// mark, reads as the same scene, names turned into UTF-8.
TEST(AseImport, UnicodeScenesReadWhateverTheirByteOrderMark) {
    const std::string scene = kHead + kMaterials + geomObject("Kasten\xC3\xA4\xE2\x82\xAC", 4, 4);
    const auto plain = importAse(scene, "/art/scene.ase", false);
    ASSERT_TRUE(plain) << plain.error().describe();
    // UTF-16 of the UTF-8 text (every character here is below U+10000).
    const auto utf16 = [&](bool big) {
        std::string out = big ? "\xFE\xFF" : "\xFF\xFE";
        for (std::size_t i = 0; i < scene.size();) {
            const auto c = static_cast<unsigned char>(scene[i]);
            std::uint32_t code = c;
            int more = c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
            if (more) code = c & (more == 2 ? 0x0F : 0x1F);
            for (++i; more-- > 0; ++i) code = code << 6 | (static_cast<unsigned char>(scene[i]) & 0x3F);
            const char high = static_cast<char>(code >> 8), low = static_cast<char>(code & 0xFF);
            out += big ? std::string{high, low} : std::string{low, high};
        }
        return out;
    };
    for (const bool big : {false, true}) {
        const auto loaded = importAse(utf16(big), "/art/scene.ase", false);
        ASSERT_TRUE(loaded) << loaded.error().describe();
        EXPECT_EQ(loaded->model, plain->model) << (big ? "big-endian" : "little-endian");
        EXPECT_EQ(loaded->model.groups[0].name, "Kasten\xC3\xA4\xE2\x82\xAC");
    }
    const auto marked = importAse("\xEF\xBB\xBF" + scene, "/art/scene.ase", false);
    ASSERT_TRUE(marked);
    EXPECT_EQ(marked->model, plain->model);
}

TEST(AseImport, TexturesComeFromMaterialsAndTextureVertices) {
    const std::string mapping =
        "\t\t*MESH_NUMTVERTEX 3\n\t\t*MESH_TVERTLIST {\n\t\t\t*MESH_TVERT "
        "0\t-0.2500\t0.5000\t0.0000\n"
        "\t\t\t*MESH_TVERT 1\t1.0000\t0.0000\t0.0000\n\t\t\t*MESH_TVERT "
        "2\t0.2500\t-0.5000\t0.0000\n\t\t}\n"
        "\t\t*MESH_NUMTVFACES 1\n\t\t*MESH_TFACELIST {\n\t\t\t*MESH_TFACE 1\t2\t0\t1\n\t\t}\n";
    const std::string scene = kHead + kMaterials + geomObject("Plain", 3, 1, "", "\t*MATERIAL_REF 0\n") +
                              geomObject("Brick", 3, 2, mapping, "\t*WIREFRAME_COLOR 1 0 0\n\t*MATERIAL_REF 1\n") +
                              geomObject("Lost", 3, 1, "", "\t*MATERIAL_REF 7\n");
    const auto loaded = import(scene, true);
    const model::Model& m = loaded.model;
    // Only materials with a bitmap give textures, named as the TIM beside the map; a relative
    // name is taken from the scene's folder.
    EXPECT_EQ(m.textureFiles, (std::vector<std::string>{"C:\\3dsmax\\maps\\brick.tim", "/art/maps\\wood.tim"}));
    EXPECT_EQ(m.polygons[0].type, 'C');
    const auto& mapped = m.polygons[2];
    EXPECT_EQ(mapped.type, 'D');
    EXPECT_EQ(mapped.tId, 0);
    EXPECT_EQ(mapped.rgb[0], model::kMidGrey);  // untinted, unlike the untextured face
    EXPECT_EQ(m.polygons[1].rgb[0], 0xFF0000);
    EXPECT_EQ(mapped.uRel, (std::array<double, 4>{0.25, 1.25, 1.0, 0.0}));
    EXPECT_EQ(mapped.vRel, (std::array<double, 4>{1.5, 0.5, 0.0, 0.0}));
    // A face without a *MESH_TFACE line and a material the list lacks stay untextured.
    EXPECT_EQ(m.polygons[1].type, 'C');
    EXPECT_EQ(m.polygons[3].tId, -1);
    ASSERT_EQ(loaded.warnings.size(), 2u);
    EXPECT_NE(loaded.warnings[0].message.find("1 of the 2 polygons of object 'Brick'"), std::string::npos);
    EXPECT_NE(loaded.warnings[1].message.find("material 7"), std::string::npos);
    // The same file without texture information.
    for (const auto& p : import(scene).model.polygons) EXPECT_EQ(p.tId, -1);
}

TEST(AseImport, PositionKeysOfEveryObjectShareOneMovement) {
    const std::string scene =
        kHead + geomObject("Still", 3, 1) +
        geomObject("Walker", 3, 1, "",
                   animationBlock("Walker", key(0, 10, 0, 0) + key(4800, 14, 0, 0) + key(9600, 10, 2, 6))) +
        geomObject("Hopper", 3, 1, "", animationBlock("Hopper", key(2400, 0, 0, 0) + key(9600, 0, 0, 8))) +
        geomObject("Camera", 3, 1, "", animationBlock("Nobody", key(100, 1, 1, 1)));
    const auto loaded = import(scene);
    ASSERT_EQ(loaded.animation.movements.size(), 1u);
    const auto& movement = loaded.animation.movements[0];
    EXPECT_EQ(movement.name, "Imported_3DS_Max_Sequence");
    ASSERT_EQ(movement.keyframes.size(), 3u);
    const model::Model& base = loaded.animation.baseFrame->model;
    auto moved = [&](int k, int vertex) {
        const auto d = vectorDifference(movement.keyframes[k].model.vertices[vertex], base.vertices[vertex]);
        return model::makeVector(d.x, d.y, d.z);
    };
    EXPECT_EQ(movement.keyframes[0].name, "Keyframe_0");
    EXPECT_EQ(movement.keyframes[0].importTime, 2400);
    EXPECT_EQ(movement.keyframes[2].name, "Keyframe_2");
    EXPECT_EQ(movement.keyframes[2].framesFromLast, 20);
    // Walker halfway to its 4800 key at 2400; at 9600 its key less the time-0 key, converted.
    EXPECT_EQ(moved(0, 3), model::makeVector(2, 0, 0));
    EXPECT_EQ(moved(1, 4), model::makeVector(4, 0, 0));
    EXPECT_EQ(moved(2, 5), model::makeVector(0, -6, -2));
    // Hopper's first key is at 2400: it stands there from time 0, then moves a third of the way.
    EXPECT_EQ(moved(0, 6), model::makeVector(0, 0, 0));
    EXPECT_DOUBLE_EQ(moved(1, 6).y, -8.0 / 3);
    EXPECT_EQ(moved(2, 8), model::makeVector(0, -8, 0));
    EXPECT_EQ(movement.keyframes[2].model.vertices[8].flags, model::kVertexMoved);
    EXPECT_EQ(moved(2, 0), model::makeVector(0, 0, 0));
    ASSERT_EQ(loaded.warnings.size(), 1u);
    EXPECT_NE(loaded.warnings[0].message.find("'Nobody', which is no imported object"), std::string::npos);
}

TEST(AseImport, ListsBeyondTheirCountsAreKeptWithAWarning) {
    std::string scene = kHead + geomObject("Box", 4, 3);
    scene.replace(scene.find("*MESH_NUMFACES 3"), 16, "*MESH_NUMFACES 2");
    const auto loaded = import(scene);
    EXPECT_EQ(loaded.model.polygonCount(), 3);
    ASSERT_EQ(loaded.warnings.size(), 1u);
    EXPECT_EQ(loaded.warnings[0].describe(),
              "/art/scene.ase:31: object 'Box' lists 3 faces, more than the 2 it "
              "announces; all are kept");
}

TEST(AseImport, MalformedFilesGiveLocatedErrors) {
    std::string manyObjects = kHead;
    for (int i = 0; i < 101; ++i) manyObjects += geomObject("O" + std::to_string(i), 3, 1);
    std::string twoMissing = kHead + geomObject("Box", 4, 2);
    twoMissing.replace(twoMissing.find("*MESH_NUMVERTEX 4"), 17, "*MESH_NUMVERTEX 6");
    std::string badCorner = kHead + geomObject("Box", 4, 2);
    badCorner.replace(badCorner.find("C:    3"), 7, "C:    9");
    const std::pair<std::string, std::string> cases[] = {
        {kHead, "s.ase: the file holds no geometry object (*GEOMOBJECT); there is nothing to import"},
        {manyObjects,
         "s.ase:2607: the scene has more than 100 objects; a model "
         "holds at most 100 polygon groups, so nothing was imported"},
        {"*MATERIAL_LIST {\n\t*MATERIAL_COUNT 31\n}\n",
         "s.ase:2: the scene has 31 materials; a model holds at most 30 textures, so nothing was "
         "imported "
         "(import without texture information to take the geometry alone)"},
        {twoMissing, "s.ase:15: object 'Box' announces 6 vertices but lists only 4"},
        {badCorner, "s.ase:25: face 1 of object 'Box' uses vertex 9 but the object has 4 vertices"},
        {kHead + "*GEOMOBJECT {\n\t*MESH {\n\t\t*MESH_NUMVERTEX 2000000\n",
         "s.ase:9: the objects announce 2000000 vertices, more than the file's 203 bytes can hold"},
        {kHead + "*GEOMOBJECT {\n\t*MESH {\n\t\t*MESH_VERTEX_LIST {\n\t\t\t*MESH_VERTEX 7 1 2 3\n",
         "s.ase:10: vertex 7 of object (unnamed) lies outside its 0 vertices"},
        {kHead + "*GEOMOBJECT {\n\t*MESH {\n\t\t*MESH_VERTEX_LIST {\n\t\t\t*MESH_VERTEX 0 1 x 3\n",
         "s.ase:10: *MESH_VERTEX needs a vertex number and three coordinates"},
        {kHead + "*GEOMOBJECT {\n\t*NODE_NAME \"A\"\n\t*TM_ANIMATION {\n\t\t*CONTROL_POS_BEZIER {\n",
         "s.ase:10: the *CONTROL_POS_BEZIER block opened here is not closed before the end of the "
         "file"},
        {kHead + geomObject("Box", 3, 1,
                            "\t\t*MESH_NUMTVERTEX 1\n\t\t*MESH_TVERTLIST {\n\t\t\t*MESH_TVERT 0 0 0 0\n"
                            "\t\t}\n\t\t*MESH_TFACELIST {\n\t\t\t*MESH_TFACE 0\t0\t1\t0\n\t\t}\n"),
         "s.ase:30: texture face 0 uses texture vertex 1 but object 'Box' has 1 texture vertices"},
    };
    for (const auto& [text, expected] : cases) EXPECT_EQ(failure(text), expected) << text.substr(0, 400);
}

TEST(AseImport, TextureFractionsBecomeTexelsOfLoadedTextures) {
    model::Model m;
    m.textureFiles = {"a.tim", "gone.tim"};
    m.polygons.resize(2);
    m.polygons[0].tId = 0;
    m.polygons[0].uRel = {0.5, 1.25, 0.999, 0};
    m.polygons[0].vRel = {0.5, 0.0, 1.0, 0};
    m.polygons[1].tId = 1;
    m.polygons[1].uRel = {0.5, 0.5, 0.5, 0};
    formats::TextureSlots slots(2);
    slots[0].loaded = true;
    slots[0].bitsPerPixel = 8;
    slots[0].picture.width = 64;
    slots[0].picture.height = 32;
    const auto warnings = formats::applyTextureFractions(m, slots);
    EXPECT_EQ(m.polygons[0].tu, (std::array<std::int32_t, 4>{32, 63, 63, 0}));
    EXPECT_EQ(m.polygons[0].tv, (std::array<std::int32_t, 4>{16, 0, 31, 0}));
    EXPECT_EQ(m.polygons[1].tu[0], 0);
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_EQ(warnings[0].file, "gone.tim");
}

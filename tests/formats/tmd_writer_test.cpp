#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <map>
#include <sstream>
#include <utility>

#include "formats/tmd_reader.h"
#include "formats/tmd_writer.h"
#include "rsd_fixture.h"

using namespace kestrel::formats;
using kestrel::model::Model;
using kestrel::model::ModelPolygon;
using kestrel::model::ModelVertex;

namespace {

std::uint32_t word(const std::string& bytes, std::size_t offset) {
    std::uint32_t w = 0;
    for (int i = 3; i >= 0; --i) w = w << 8 | static_cast<unsigned char>(bytes.at(offset + i));
    return w;
}
std::int16_t half(const std::string& bytes, std::size_t offset) {
    return static_cast<std::int16_t>(static_cast<unsigned char>(bytes.at(offset)) |
                                     static_cast<unsigned char>(bytes.at(offset + 1)) << 8);
}

ModelPolygon polygon(char type, char shading, std::array<std::int32_t, 4> vId, std::int32_t matFlag = 0) {
    ModelPolygon p;
    p.type = type;
    p.shading = shading;
    p.vId = vId;
    p.flags = vId[3] >= 0 ? 1 : 0;
    p.mat_flag = matFlag;
    p.rgb = {0x102030, 0x405060, 0x708090, 0xA0B0C0};
    return p;
}

// Four vertices in the z = 0 plane, so every normal is (0, 0, +-4096) in the console's units.
Model square() {
    Model m;
    for (const auto& v :
         {ModelVertex{0, 0, 0, 0}, ModelVertex{100, 0, 0, 0}, ModelVertex{0, 100, 0, 0}, ModelVertex{100, 100, 0, 0}})
        m.addVertex(v);
    return m;
}

std::string bytesOf(Model& m, const TextureSlots& slots = {}) {
    m.recomputeNormals();
    auto tmd = tmdBytes(m, slots, "x.tmd");
    EXPECT_TRUE(tmd) << tmd.error().describe();
    return tmd ? tmd->bytes : std::string{};
}

}  // namespace

TEST(TmdWriter, OneFlatLitTriangleIsTheSmallestFile) {
    Model m = square();
    m.vertices.pop_back();
    m.normals.pop_back();
    m.polygons.push_back(polygon('C', 'F', {0, 1, 2, -1}));
    const std::string b = bytesOf(m);
    ASSERT_EQ(b.size(), 112u);
    const std::uint32_t header[] = {0x41, 0, 1, 44, 3, 68, 4, 28, 1, 0};
    for (std::size_t i = 0; i < std::size(header); ++i) EXPECT_EQ(word(b, 4 * i), header[i]) << "word " << i;
    EXPECT_EQ(word(b, 40), 0x20000304u);                          // olen 4, ilen 3, flag 0, mode 0x20
    EXPECT_EQ(word(b, 44), 0x20302010u);                          // red, green, blue, mode
    EXPECT_EQ(word(b, 48), 0x00000003u);                          // face normal 3, vertex 0
    EXPECT_EQ(word(b, 52), 0x00020001u);                          // vertices 1 and 2
    EXPECT_EQ(half(b, 56 + 8), 100);                              // vertex 1's x
    EXPECT_EQ(half(b, 56 + 16 + 2), 100);                         // vertex 2's y
    const int z = m.polygons[0].faceNormal.z > 0 ? -4096 : 4096;  // the PLY file's way: negated
    for (int n = 0; n < 4; ++n) {
        EXPECT_EQ(half(b, 80 + 8 * n), 0);
        EXPECT_EQ(half(b, 80 + 8 * n + 4), z) << "normal " << n;
    }
}

TEST(TmdWriter, UnlitAndTexturedPacketsFollowTheirKinds) {
    Model m = square();
    // A Gouraud-shaded textured-coloured quadrilateral is unlit: four colours, no normals.
    ModelPolygon d = polygon('D', 'G', {0, 1, 2, 3});
    d.tId = 0;
    d.tu = {0, 10, 256, 30};
    d.tv = {1, 2, 3, 4};
    m.polygons.push_back(d);
    TextureSlot slot;
    slot.imageX = 320 + 16;  // page 5, 16 words (64 four-bit texels) into it
    slot.imageY = 256 + 10;
    slot.clutX = 480;
    slot.clutY = 481;
    slot.bitsPerPixel = 4;
    const std::string b = bytesOf(m, {slot});
    EXPECT_EQ(word(b, 40), 0x3D010A0Cu);  // olen 12, ilen 10, flag 1, mode 0x3D
    const std::uint32_t cba = 30 | 481 << 6, tsb = 5 | 0x10;
    EXPECT_EQ(word(b, 44), (64 | 11 << 8) | cba << 16);
    EXPECT_EQ(word(b, 48), (74 | 12 << 8) | tsb << 16);
    EXPECT_EQ(word(b, 52), 63u | 13 << 8);  // 256 is the last texel, 255, then the offset wraps
    EXPECT_EQ(word(b, 56), 94u | 14 << 8);
    EXPECT_EQ(word(b, 60), 0x00302010u);  // colours without the mode byte
    EXPECT_EQ(word(b, 72), 0x00C0B0A0u);
    EXPECT_EQ(word(b, 76), 0x00010000u);
    EXPECT_EQ(word(b, 80), 0x00030002u);
    EXPECT_EQ(word(b, 12 + 12), 4u);  // no flat polygon: one normal per vertex

    // An 8-bit texture counts two texels per VRAM word and sets the depth bit of the page.
    slot.bitsPerPixel = 8;
    m.polygons[0].type = 'T';
    m.polygons[0].mat_flag = 0x1C;  // semi-transparent at rate 3, lit
    const std::string t = bytesOf(m, {slot});
    EXPECT_EQ(word(t, 40) >> 24, 0x3Eu);  // lit Gouraud textured quadrilateral, semi-transparent
    EXPECT_EQ(word(t, 44) & 0xFF, 32u);
    EXPECT_EQ(word(t, 48) >> 16, tsb | 0x60 | 0x80);
}

TEST(TmdWriter, UnlitGradationKeepsTheModeOnThreeColours) {
    Model m = square();
    m.polygons.push_back(polygon('G', 'F', {0, 1, 2, 3}, 1));
    const std::string b = bytesOf(m);
    EXPECT_EQ(word(b, 40), 0x39010608u);  // olen 8, ilen 6, flag 1, mode 0x39
    EXPECT_EQ(word(b, 44) >> 24, 0x39u);
    EXPECT_EQ(word(b, 48) >> 24, 0x39u);
    EXPECT_EQ(word(b, 52) >> 24, 0x39u);
    EXPECT_EQ(word(b, 56) >> 24, 0u);
}

TEST(TmdWriter, FaceNormalsFollowTheFlatPolygonsInOrder) {
    Model m = square();
    m.polygons.push_back(polygon('C', 'F', {0, 1, 2, -1}, 1));  // flat and unlit: still counted
    m.polygons.push_back(polygon('X', 'F', {0, 1, 2, -1}));     // no known kind: left out
    m.polygons.push_back(polygon('C', 'F', {1, 3, 2, -1}));
    m.recomputeNormals();
    const auto tmd = tmdBytes(m, {}, "x.tmd");
    ASSERT_TRUE(tmd);
    const std::string& b = tmd->bytes;
    EXPECT_EQ(word(b, 12 + 20), 2u);  // primitive count leaves out the unknown kind
    EXPECT_EQ(word(b, 12 + 12), 6u);  // 4 vertex normals and 2 face normals
    EXPECT_EQ(word(b, 40), 0x21010304u);
    EXPECT_EQ(word(b, 56), 0x20000304u);
    EXPECT_EQ(word(b, 64) & 0xFFFF, 5u);  // the face normal after the unlit polygon's
    ASSERT_EQ(tmd->warnings.size(), 1u);
    EXPECT_NE(tmd->warnings[0].message.find("1 polygon"), std::string::npos);
}

TEST(TmdWriter, CoordinatesTruncateAndWrapToSixteenBits) {
    Model m;
    m.addVertex({-1.7, 2.9, 40000.2, 0});
    m.recomputeNormals();
    const auto tmd = tmdBytes(m, {}, "x.tmd");
    ASSERT_TRUE(tmd);
    EXPECT_EQ(half(tmd->bytes, 40), -1);
    EXPECT_EQ(half(tmd->bytes, 42), 2);
    EXPECT_EQ(half(tmd->bytes, 44), -25536);
    ASSERT_EQ(tmd->warnings.size(), 1u);
    EXPECT_NE(tmd->warnings[0].message.find("wrap"), std::string::npos);
}

TEST(TmdWriter, ModelsBeyondSixteenBitIndicesAreRefused) {
    Model m;
    m.vertices.resize(65536);
    m.normals.resize(65536);
    EXPECT_TRUE(tmdBytes(m, {}, "x.tmd"));
    m.polygons.push_back(polygon('C', 'F', {0, 1, 2, -1}));  // its face normal would be 65536
    const auto refused = tmdBytes(m, {}, "x.tmd");
    ASSERT_FALSE(refused);
    EXPECT_NE(refused.error().message.find("65536"), std::string::npos);
}

TEST(TmdWriter, SavingKeepsTheOldFileAsBackupAndFailsCleanly) {
    MemoryFileSystem files;
    files.files["m/x.tmd"] = "old";
    Model m = square();
    m.polygons.push_back(polygon('C', 'G', {0, 1, 2, -1}));
    const Model before = m;
    const auto saved = saveTmd(files, m, {}, "m/x.tmd");
    ASSERT_TRUE(saved) << saved.error().describe();
    EXPECT_EQ(files.files["m/x.tmd_backup"], "old");
    EXPECT_EQ(word(files.files["m/x.tmd"], 0), 0x41u);
    EXPECT_EQ(m, before);  // the normals are worked out for the file, not stored in the model

    files.failingWrites.insert("m/y.tmd");
    files.files["m/y.tmd"] = "keep";
    EXPECT_FALSE(saveTmd(files, m, {}, "m/y.tmd"));
    EXPECT_EQ(files.files["m/y.tmd"], "keep");
}

// Every material kind, corner count, shading and light flag gives one of the eighteen packet
// kinds the console knows, and reads back with its corners, normals, colours and UVs.
TEST(TmdWriter, EveryPolygonReadsBackThroughTheTmdReader) {
    // (mode without semi-transparency, flag) -> olen, for each packet kind.
    const std::map<std::pair<int, int>, int> kinds = {
        {{0x20, 0}, 4}, {{0x20, 4}, 6}, {{0x30, 0}, 6}, {{0x30, 4}, 6}, {{0x21, 1}, 4},  {{0x31, 1}, 6},
        {{0x24, 0}, 7}, {{0x34, 0}, 9}, {{0x35, 1}, 9}, {{0x28, 0}, 5}, {{0x28, 4}, 8},  {{0x38, 0}, 8},
        {{0x38, 4}, 8}, {{0x29, 1}, 5}, {{0x39, 1}, 8}, {{0x2C, 0}, 9}, {{0x3C, 0}, 12}, {{0x3D, 1}, 12}};
    Model m = square();
    for (char type : {'C', 'G', 'T', 'D', 'H'})
        for (bool quad : {false, true})
            for (char shading : {'F', 'G'})
                for (int matFlag : {0, 1, 4, 0x1D}) {
                    ModelPolygon p = polygon(type, shading, {3, 1, 2, quad ? 0 : -1}, matFlag);
                    p.tId = 0;
                    p.tu = {1, 2, 3, 4};
                    p.tv = {5, 6, 7, 8};
                    m.polygons.push_back(p);
                }
    TextureSlot slot;
    slot.bitsPerPixel = 8;
    slot.imageX = 65;  // one word into page 1: two texels
    slot.imageY = 3;
    const std::string b = bytesOf(m, {slot});
    const auto tmd = readTmd(b, "x.tmd");
    ASSERT_TRUE(tmd) << tmd.error().describe();
    ASSERT_EQ(tmd->objects.size(), 1u);
    const auto& packets = tmd->objects[0].packets();
    ASSERT_EQ(packets.size(), m.polygons.size());
    std::size_t faceNormal = m.vertices.size();
    std::map<std::pair<int, int>, int> seen;
    for (std::size_t i = 0; i < packets.size(); ++i) {
        const ModelPolygon& p = m.polygons[i];
        const TmdPacket& t = packets[i];
        SCOPED_TRACE(testing::Message() << "polygon " << i << " " << p.type << p.shading << " mat_flag " << p.mat_flag);
        const auto kind = kinds.find({t.mode & ~0x02, t.flag});
        ASSERT_NE(kind, kinds.end()) << "mode " << int{t.mode} << " flag " << int{t.flag};
        EXPECT_EQ(t.olen, kind->second);
        ++seen[kind->first];
        const bool unlit = p.type == 'D' || p.type == 'H' || (p.mat_flag & 1);
        const int n = p.vId[3] >= 0 ? 4 : 3;
        EXPECT_EQ(t.unlit, unlit);
        EXPECT_EQ(t.semiTransparent, (p.mat_flag & 4) != 0);
        ASSERT_EQ(t.corners, n);
        for (int k = 0; k < n; ++k) EXPECT_EQ(t.vertex[k], p.vId[k]);
        if (!unlit && p.shading == 'F') {
            ASSERT_EQ(t.normalCount, 1);
            EXPECT_EQ(t.normal[0], faceNormal);
        } else if (!unlit) {
            ASSERT_EQ(t.normalCount, n);
            for (int k = 0; k < n; ++k) EXPECT_EQ(t.normal[k], p.vId[k]);
        }
        if (p.shading == 'F') ++faceNormal;
        const bool textured = p.type == 'T' || p.type == 'D' || p.type == 'H';
        EXPECT_EQ(t.textured, textured);
        if (textured)
            for (int k = 0; k < n; ++k) {
                EXPECT_EQ(t.u[k], p.tu[k] + 2);
                EXPECT_EQ(t.v[k], p.tv[k] + 3);
            }
        for (int k = 0; k < t.colourCount; ++k) EXPECT_EQ(t.colour[k], static_cast<std::uint32_t>(p.rgb[k]));
    }
    EXPECT_EQ(seen.size(), kinds.size());  // every kind was written
    EXPECT_EQ(tmd->objects[0].normalCount, faceNormal);
}

// The console lights a face from the side its normal points to, which is the PLY file's
// direction: the TMD's normals are the PLY file's, in units of 1/4096.
TEST(TmdWriter, NormalsPointTheWayThePlyFilesDo) {
    kestrel::formats::MemoryFileSystem files = kestrel::test::cubeFiles();
    auto loaded = loadRsdSet(files, "m/cube.rsd");
    ASSERT_TRUE(loaded);
    Model& m = loaded->model;
    for (ModelPolygon& p : m.polygons) p.type = 'C', p.shading = 'F', p.mat_flag = 0, p.tId = -1;
    m.recomputeNormals();
    const auto texts = formatRsdSet(m).value();
    std::istringstream ply(texts.ply.substr(texts.ply.find("# Normals\n") + 10));
    std::vector<std::array<double, 3>> plyNormals(8 + 6);
    for (auto& n : plyNormals) ply >> n[0] >> n[1] >> n[2];
    ASSERT_TRUE(ply);

    const auto tmd = readTmd(tmdBytes(m, {}, "x.tmd").value().bytes, "x.tmd");
    ASSERT_TRUE(tmd) << tmd.error().describe();
    const auto normals = tmd->objects[0].normals();
    ASSERT_EQ(normals.size(), plyNormals.size());
    for (std::size_t i = 0; i < normals.size(); ++i)
        for (int k = 0; k < 3; ++k)
            EXPECT_EQ(normals[i][k], std::trunc(4096 * plyNormals[i][k])) << "normal " << i << " axis " << k;
    // Face 0 lies in z = 0 and its PLY normal is (0, 0, 1): the TMD says (0, 0, 4096), and the
    // packet of that face names it.
    EXPECT_EQ(normals[8][2], 4096);
    EXPECT_EQ(tmd->objects[0].packets()[0].normal[0], 8);
}

// A texture the writer has no VRAM place for is named, with how many polygons it leaves
// pointing at the top of VRAM.
TEST(TmdWriter, TexturesWithoutAPlaceAreNamed) {
    Model m = square();
    m.textureFiles = {"a.tim", "missing.tim"};
    for (const int t : {1, 0, 1, 5}) {
        ModelPolygon p = polygon('T', 'F', {0, 1, 2, -1});
        p.tId = t;
        m.polygons.push_back(p);
    }
    TextureSlot placed;
    placed.bitsPerPixel = 4;
    m.recomputeNormals();
    const TextureSlots slots{placed, TextureSlot{}};
    const auto tmd = tmdBytes(m, slots, "x.tmd");
    ASSERT_TRUE(tmd) << tmd.error().describe();
    std::vector<std::string> said;
    for (const auto& w : tmd->warnings) said.push_back(w.describe());
    EXPECT_EQ(
        said,
        (std::vector<std::string>{
            "x.tmd: texture 1 (missing.tim) could not be read, so the 2 polygons that use it get CBA 0 and TSB 0",
            "x.tmd: texture 5, which the model does not name, so the polygon that uses it gets CBA 0 and TSB 0"}));
}

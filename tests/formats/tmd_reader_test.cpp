#include <gtest/gtest.h>

#include "formats/tmd_reader.h"

using namespace kestrel::formats;

namespace {

using Words = std::vector<std::uint32_t>;

void put(std::string& s, std::uint32_t word) {
    for (int i = 0; i < 4; ++i) s += static_cast<char>(word >> (8 * i) & 0xFF);
}

std::string patched(std::string s, std::size_t at, std::uint32_t word) {
    std::string w;
    put(w, word);
    return s.replace(at, 4, w);
}

std::uint32_t header(unsigned mode, unsigned flag, unsigned olen, unsigned ilen) {
    return olen | ilen << 8 | flag << 16 | mode << 24;
}

std::uint32_t halves(unsigned low, unsigned high) { return low | high << 16; }

Words wordsOf(const TmdObject& object, const TmdPacket& packet) {
    const auto words = object.words(packet);
    return {words.begin(), words.end()};
}

// A one-object file: header, object table, the packets, then the vertex table (vertex i is
// (100 + i, -200 - i, 300 + i)) and the normal table (normal i is (i, 0, 4096 - i)).
std::string oneObject(const std::vector<Words>& packets, unsigned vertices, unsigned normals) {
    std::string body;
    unsigned count = 0;
    for (const auto& packet : packets)
        for (const auto word : packet) put(body, word), ++count;
    std::string s;
    for (const std::uint32_t word : {0x41u, 0u, 1u, 28 + 4 * count, vertices, 28 + 4 * count + 8 * vertices, normals,
                                     28u, static_cast<unsigned>(packets.size()), 0u})
        put(s, word);
    s += body;
    for (unsigned i = 0; i < vertices; ++i) put(s, halves(100 + i, 0xFFFF & (-200 - i))), put(s, 300 + i);
    for (unsigned i = 0; i < normals; ++i) put(s, halves(i, 0)), put(s, 4096 - i);
    return s;
}

// The lit flat triangle: colour #123456, face normal 3, corners 0, 1, 2; 112 bytes.
const Words kTriangle{header(0x20, 0, 4, 3), 0x20563412, halves(3, 0), halves(1, 2)};

std::string errorOf(std::string_view bytes) {
    const auto tmd = readTmd(bytes, "t.tmd");
    return tmd ? "read" : tmd.error().describe();
}

}  // namespace

TEST(TmdReader, TheSmallestLitTriangleReadsBackFieldByField) {
    const std::string bytes = oneObject({kTriangle}, 3, 4);
    ASSERT_EQ(bytes.size(), 112u);
    const auto tmd = readTmd(bytes, "t.tmd");
    ASSERT_TRUE(tmd) << tmd.error().describe();
    EXPECT_EQ(tmd->id, 0x41u);
    EXPECT_EQ(tmd->flags, 0u);
    ASSERT_EQ(tmd->objects.size(), 1u);
    const TmdObject& o = tmd->objects[0];
    EXPECT_EQ(o.vertexOffset, 44u);  // byte 56 of the file
    EXPECT_EQ(o.vertexCount, 3u);
    EXPECT_EQ(o.normalOffset, 68u);  // byte 80
    EXPECT_EQ(o.normalCount, 4u);
    EXPECT_EQ(o.primitiveOffset, 28u);
    EXPECT_EQ(o.primitiveCount, 1u);
    EXPECT_EQ(o.scale, 0);
    ASSERT_EQ(o.vertices().size(), 3u);
    EXPECT_EQ(o.vertices()[2], (std::array<std::int16_t, 3>{102, -202, 302}));
    ASSERT_EQ(o.normals().size(), 4u);
    EXPECT_EQ(o.normals()[3], (std::array<std::int16_t, 3>{3, 0, 4093}));
    ASSERT_EQ(o.packets().size(), 1u);
    const TmdPacket& p = o.packets()[0];
    EXPECT_EQ(p.offset, 40u);
    EXPECT_EQ(p.olen, 4);
    EXPECT_EQ(p.ilen, 3);
    EXPECT_EQ(p.flag, 0);
    EXPECT_EQ(p.mode, 0x20);
    EXPECT_EQ(wordsOf(o, p), (Words{kTriangle.begin() + 1, kTriangle.end()}));
    EXPECT_TRUE(p.polygon);
    EXPECT_EQ(p.corners, 3);
    EXPECT_FALSE(p.gouraud || p.quad || p.textured || p.semiTransparent || p.unlit || p.twoSided || p.gradation);
    EXPECT_EQ(p.vertex, (std::array<std::uint16_t, 4>{0, 1, 2, 0}));
    EXPECT_EQ(p.normalCount, 1);
    EXPECT_EQ(p.normal[0], 3);
    EXPECT_EQ(p.colourCount, 1);
    EXPECT_EQ(p.colour[0], 0x123456u);
    EXPECT_EQ(tmdPacketKind(p), "lit flat triangle");
}

namespace {

// Index halfwords in file order and the normals they name; the corners are always 2, 0, 3
// (and 1 on quadrilaterals).
struct Indices {
    std::vector<std::uint16_t> halfwords, normals;
};
const Indices kTriFlat{{1, 2, 0, 3}, {1}}, kTriGouraud{{1, 2, 3, 0, 0, 3}, {1, 3, 0}}, kTriUnlit{{2, 0, 3}, {}},
    kQuadFlat{{1, 2, 0, 3, 1}, {1}}, kQuadGouraud{{1, 2, 3, 0, 0, 3, 2, 1}, {1, 3, 0, 2}}, kQuadUnlit{{2, 0, 3, 1}, {}};

struct Kind {
    unsigned mode, flag, olen, ilen;
    int colours;
    const Indices& indices;
    const char* name;
};

// The packet kinds model tools write, with their header lengths.
const Kind kKinds[] = {
    {0x20, 0, 4, 3, 1, kTriFlat, "lit flat triangle"},
    {0x20, 4, 6, 5, 3, kTriFlat, "lit flat gradation triangle"},
    {0x30, 0, 6, 4, 1, kTriGouraud, "lit Gouraud triangle"},
    {0x30, 4, 6, 6, 3, kTriGouraud, "lit Gouraud gradation triangle"},
    {0x21, 1, 4, 3, 1, kTriUnlit, "unlit flat triangle"},
    {0x31, 1, 6, 5, 3, kTriUnlit, "unlit Gouraud triangle"},
    {0x24, 0, 7, 5, 0, kTriFlat, "lit flat textured triangle"},
    {0x34, 0, 9, 6, 0, kTriGouraud, "lit Gouraud textured triangle"},
    {0x35, 1, 9, 8, 3, kTriUnlit, "unlit Gouraud textured triangle"},
    {0x28, 0, 5, 4, 1, kQuadFlat, "lit flat quadrilateral"},
    {0x28, 4, 8, 7, 4, kQuadFlat, "lit flat gradation quadrilateral"},
    {0x38, 0, 8, 5, 1, kQuadGouraud, "lit Gouraud quadrilateral"},
    {0x38, 4, 8, 8, 4, kQuadGouraud, "lit Gouraud gradation quadrilateral"},
    {0x29, 1, 5, 3, 1, kQuadUnlit, "unlit flat quadrilateral"},
    {0x39, 1, 8, 6, 4, kQuadUnlit, "unlit Gouraud quadrilateral"},
    {0x2C, 0, 9, 7, 0, kQuadFlat, "lit flat textured quadrilateral"},
    {0x3C, 0, 12, 8, 0, kQuadGouraud, "lit Gouraud textured quadrilateral"},
    {0x3D, 1, 12, 10, 4, kQuadUnlit, "unlit Gouraud textured quadrilateral"},
};

// UV word k holds (0x10 + k, 0x20 + k) and CBA 0x7A35 or TSB 0x0112; colour k is
// #(0x40 + k)(0x50 + k)(0x60 + k).
Words packetOf(const Kind& kind, unsigned mode) {
    const unsigned corners = mode & 0x08 ? 4 : 3;
    Words words{header(mode, kind.flag, kind.olen, kind.ilen)};
    const unsigned high[] = {0x7A35, 0x0112, 0, 0};  // CBA, TSB, then nothing
    for (unsigned k = 0; mode & 0x04 && k < corners; ++k) words.push_back((0x10 + k) | (0x20 + k) << 8 | high[k] << 16);
    for (unsigned k = 0; k < static_cast<unsigned>(kind.colours); ++k)
        words.push_back((0x40 + k) | (0x50 + k) << 8 | (0x60 + k) << 16 | mode << 24);
    const auto& h = kind.indices.halfwords;
    for (std::size_t i = 0; i < h.size(); i += 2) words.push_back(halves(h[i], i + 1 < h.size() ? h[i + 1] : 0));
    return words;
}

}  // namespace

TEST(TmdPolygons, EveryKnownKindHasItsLengthAndDecodes) {
    for (const Kind& kind : kKinds) {
        for (const unsigned mode : {kind.mode, kind.mode | 0x02}) {  // opaque and semi-transparent
            SCOPED_TRACE(testing::Message() << "mode 0x" << std::hex << mode << " flag " << kind.flag);
            EXPECT_EQ(tmdPolygonDataWords(static_cast<std::uint8_t>(mode), static_cast<std::uint8_t>(kind.flag)),
                      static_cast<int>(kind.ilen));
            const Words words = packetOf(kind, mode);
            ASSERT_EQ(words.size(), kind.ilen + 1);  // the case itself matches the known length
            const auto tmd = readTmd(oneObject({words}, 4, 4), "k.tmd");
            ASSERT_TRUE(tmd) << tmd.error().describe();
            const TmdPacket& p = tmd->objects[0].packets()[0];
            const int corners = mode & 0x08 ? 4 : 3;
            ASSERT_EQ(p.corners, corners);
            EXPECT_EQ(p.semiTransparent, (mode & 0x02) != 0);
            EXPECT_EQ(p.unlit, kind.flag == 1);
            std::string name = kind.name;
            if (mode & 0x02) name.insert(name.rfind(' '), " semi-transparent");
            EXPECT_EQ(tmdPacketKind(p), name);
            const std::array<std::uint16_t, 4> corner{2, 0, 3, 1};
            for (int k = 0; k < corners; ++k) EXPECT_EQ(p.vertex[k], corner[k]) << "corner " << k;
            ASSERT_EQ(p.normalCount, static_cast<int>(kind.indices.normals.size()));
            for (int k = 0; k < p.normalCount; ++k) EXPECT_EQ(p.normal[k], kind.indices.normals[k]);
            ASSERT_EQ(p.colourCount, kind.colours);
            for (int k = 0; k < kind.colours; ++k)
                EXPECT_EQ(p.colour[k], (0x40u + k) << 16 | (0x50u + k) << 8 | (0x60u + k));
            EXPECT_EQ(p.textured, (mode & 0x04) != 0);
            if (!p.textured) continue;
            EXPECT_EQ(p.cba, 0x7A35);
            EXPECT_EQ(p.tsb, 0x0112);
            for (int k = 0; k < corners; ++k) EXPECT_EQ(p.u[k] | p.v[k] << 8, (0x10 + k) | (0x20 + k) << 8);
        }
    }
}

TEST(TmdPolygons, KindsBeyondTheKnownOnesFollowTheSameLayout) {
    // Unlit flat ones with gradation carry a colour per corner; lit textured ones none.
    const std::array<unsigned, 3> cases[] = {{0x21, 5, 5}, {0x25, 1, 6}, {0x25, 5, 8}, {0x2D, 4, 7}, {0x3E, 2, 8}};
    for (const auto& [mode, flag, words] : cases)
        EXPECT_EQ(tmdPolygonDataWords(static_cast<std::uint8_t>(mode), static_cast<std::uint8_t>(flag)),
                  static_cast<int>(words))
            << "mode " << mode << " flag " << flag;
}

TEST(TmdPackets, OtherKindsKeepTheirRawWordsAndIndicesGoUnchecked) {
    const Words line{header(0x40, 1, 3, 2), 0x00FF00FF, halves(0xFFFF, 7)};
    const Words sprite{header(0x64, 0, 5, 0)};
    const Words odd{header(0x80, 0, 0, 1), 0xDEADBEEF};
    const auto tmd = readTmd(oneObject({line, sprite, odd, kTriangle}, 3, 4), "o.tmd");
    ASSERT_TRUE(tmd) << tmd.error().describe();
    const auto& packets = tmd->objects[0].packets();
    ASSERT_EQ(packets.size(), 4u);
    EXPECT_EQ(wordsOf(tmd->objects[0], packets[0]), (Words{0x00FF00FF, halves(0xFFFF, 7)}));
    EXPECT_EQ(packets[1].offset, 40u + 12);
    EXPECT_EQ(wordsOf(tmd->objects[0], packets[2]), Words{0xDEADBEEF});
    const char* kinds[] = {"line", "sprite", "unknown packet", "lit flat triangle"};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(packets[i].polygon, i == 3);
        EXPECT_EQ(tmdPacketKind(packets[i]), kinds[i]);
    }
}

namespace {

// Two objects; the second shares the first one's vertex table, keeps its one normal before
// its packet, has a scale and is followed by bytes nobody points at. 168 bytes.
std::string twoObjects() {
    std::string s;
    for (const std::uint32_t word : {0x41u, 0u, 2u, 72u, 3u, 96u, 4u, 56u, 1u, 0u,  //
                                     72u, 3u, 128u, 1u, 136u, 1u, static_cast<std::uint32_t>(-3)})
        put(s, word);
    s += oneObject({kTriangle}, 3, 4).substr(40);  // the first packet at byte 68
    put(s, halves(0, 0)), put(s, 4096);            // the second normal table at byte 140
    Words triangle = kTriangle;
    triangle[2] = halves(0, 0);
    for (const auto word : triangle) put(s, word);  // the second packet at byte 148
    return s + "tail";
}

// n objects that all use the same table of 1000 vertices.
std::string sharingObjects(std::uint32_t n) {
    std::string s;
    for (const std::uint32_t word : {0x41u, 0u, n}) put(s, word);
    for (std::uint32_t i = 0; i < n; ++i)
        for (const std::uint32_t word : {28 * n, 1000u, 28 * n, 0u, 28 * n, 0u, 0u}) put(s, word);
    return s + std::string(8000, '\0');
}

// n objects whose packet areas all begin at a different word of one run of `packets` bare
// one-word packets, each area running to its end: every area is new, and together they
// decode to many times the file.
std::string overlappingObjects(std::uint32_t n, std::uint32_t packets) {
    std::string s;
    for (const std::uint32_t word : {0x41u, 0u, n}) put(s, word);
    for (std::uint32_t i = 0; i < n; ++i)
        for (const std::uint32_t word : {0u, 0u, 0u, 0u, 28 * n + 4 * i, packets - i, 0u}) put(s, word);
    for (std::uint32_t i = 0; i < packets; ++i) put(s, header(0x00, 0, 0, 0));
    return s;
}

}  // namespace

TEST(TmdReader, UnusualButWellFormedFilesRead) {
    const auto tmd = readTmd(twoObjects(), "u.tmd");
    ASSERT_TRUE(tmd) << tmd.error().describe();
    ASSERT_EQ(tmd->objects.size(), 2u);
    EXPECT_EQ(tmd->objects[0].packets()[0].vertex[2], 2);
    const TmdObject& o = tmd->objects[1];
    EXPECT_EQ(o.scale, -3);
    EXPECT_EQ(o.vertices(), tmd->objects[0].vertices());
    ASSERT_EQ(o.normals().size(), 1u);
    EXPECT_EQ(o.normals()[0][2], 4096);
    EXPECT_EQ(o.packets()[0].offset, 148u);
    EXPECT_EQ(readTmd(sharingObjects(10), "s.tmd")->objects.size(), 10u);
    std::string empty;
    for (const std::uint32_t word : {0x41u, 0u, 0u}) put(empty, word);
    EXPECT_EQ(readTmd(empty, "e.tmd")->objects.size(), 0u);
}

TEST(TmdReader, MalformedFilesAreRefusedWithTheirPlace) {
    const std::string good = oneObject({kTriangle}, 3, 4);
    const std::pair<std::string, std::string> cases[] = {
        {good.substr(0, 11), "the file is too short for a TMD header"},
        {patched(good, 0, 0x42), "the file's ID is 0x42, not 0x41: it is not a TMD file"},
        {patched(patched(good, 4, 1), 28, 20),
         "the FIXP flag says the table positions are memory addresses, and the first object's packet "
         "address 0x14 gives no base to read them from"},
        {patched(good, 8, 0xFFFFFFFF), "the header's 4294967295 objects need 120259084272 bytes but the file has 112"},
        {patched(good, 12, 0xFFFFFFFA),
         "the vertex table of 3 entries at byte 4294967302 runs past the end of the file (112 "
         "bytes)"},
        {patched(good, 24, 5), "the normal table of 5 entries at byte 80 runs past the end of the file (112 bytes)"},
        {patched(good, 28, 98), "packet 0 at byte 110: the file ends before the packet's header word"},
        {patched(good, 28, 0xFFFFFFFF), "packet 0 at byte 4294967307: the file ends before the packet's header word"},
        {patched(good, 40, header(0x20, 0, 4, 200)),
         "packet 0 at byte 40: the file ends inside the packet's 200 data words"},
        {oneObject({{header(0x34, 0, 9, 5), 0, 0, 0, 0, 0}}, 3, 4),
         "packet 0 at byte 40: mode 0x34 needs 6 data words but ilen says 5"},
        {patched(good, 40, header(0x20, 4, 4, 3)),
         "packet 0 at byte 40: mode 0x20 with flag 0x04 needs 5 data words but ilen says 3"},
        {patched(good, 52, halves(1, 3)), "packet 0 at byte 40: corner 2 uses vertex 3 but the object has 3 vertices"},
        {patched(good, 48, halves(4, 0)), "packet 0 at byte 40: the face uses normal 4 but the object has 4 normals"},
        {oneObject({{header(0x30, 0, 6, 4), 0, halves(0, 0), halves(9, 1), halves(0, 2)}}, 3, 4),
         "packet 0 at byte 40: corner 1 uses normal 9 but the object has 4 normals"},
        {patched(twoObjects(), 44, 0),
         "object 1 packet 0 at byte 148: corner 0 uses vertex 0 but the object has 0 vertices"},
        {patched(twoObjects(), 48, 200),
         "object 1: the normal table of 1 entry at byte 212 runs past the end of the file (168 "
         "bytes)"},
    };
    for (const auto& [bytes, expected] : cases) EXPECT_EQ(errorOf(bytes), "t.tmd: " + expected);

    // Objects may overlap their areas, but not so much that a small file decodes to a huge
    // model.
    EXPECT_EQ(errorOf(overlappingObjects(200, 1000)),
              "t.tmd: object 4 packet 529 at byte 7744: the objects' tables and packets overlap so much "
              "that decoding them takes more than 32 times the file's size in memory");
}

// A TMD saved from console memory holds addresses: read from the address of the object
// table, which the first object's packets follow, it is the file it was.
TEST(TmdReader, MemoryAddressesReadFromTheObjectTablesAddress) {
    const std::string good = oneObject({kTriangle}, 3, 4);
    std::string saved = patched(good, 4, 1);
    const auto wordAt = [&](std::size_t at) {
        std::uint32_t w = 0;
        for (int k = 3; k >= 0; --k) w = w << 8 | static_cast<unsigned char>(good[at + k]);
        return w;
    };
    for (const std::size_t at : {12u, 20u, 28u}) saved = patched(saved, at, 0x80012340u + wordAt(at));
    const auto plain = readTmd(good, "t.tmd"), fixed = readTmd(saved, "t.tmd");
    ASSERT_TRUE(fixed) << fixed.error().describe();
    EXPECT_EQ(fixed->addressBase, 0x80012340u);
    EXPECT_FALSE(plain->addressBase);
    EXPECT_EQ(fixed->objects[0].primitiveOffset, plain->objects[0].primitiveOffset);
    EXPECT_EQ(fixed->objects[0].vertices(), plain->objects[0].vertices());
    EXPECT_EQ(fixed->objects[0].normals(), plain->objects[0].normals());
    ASSERT_EQ(fixed->objects[0].packets().size(), 1u);
    EXPECT_EQ(fixed->objects[0].packets()[0].vertex, plain->objects[0].packets()[0].vertex);
}

// Objects that name one table or packet area share one copy of it, however many they are.
TEST(TmdReader, SharedAreasAreDecodedOnce) {
    const auto tmd = readTmd(sharingObjects(2000), "s.tmd");
    ASSERT_TRUE(tmd) << tmd.error().describe();
    ASSERT_EQ(tmd->objects.size(), 2000u);
    EXPECT_EQ(tmd->objects[0].vertexTable, tmd->objects[1999].vertexTable);
    EXPECT_EQ(tmd->objects[0].vertices().size(), 1000u);

    // One area, two objects with different tables: each is checked against its own.
    std::string two;
    for (const std::uint32_t word : {0x41u, 0u, 2u, 56u, 3u, 56u, 0u, 80u, 1u, 0u,  //
                                     56u, 2u, 56u, 0u, 80u, 1u, 0u})
        put(two, word);
    for (int i = 0; i < 3; ++i) put(two, halves(0, 0)), put(two, 0);
    for (const auto word : Words{header(0x20, 1, 3, 3), 0x00FFFFFF, halves(0, 1), halves(2, 0)}) put(two, word);
    EXPECT_EQ(errorOf(two),
              "t.tmd: object 1 packet 0 at byte 92: corner 2 uses vertex 2 but the object has 2 vertices");
}

TEST(TmdReader, EveryTruncationIsRefusedWithinTheBytes) {
    const std::string whole = oneObject({kTriangle, packetOf(kKinds[12], 0x38), packetOf(kKinds[17], 0x3F)}, 4, 4);
    ASSERT_TRUE(readTmd(whole, "w.tmd"));
    for (std::size_t n = 0; n < whole.size(); ++n) {
        // A buffer of exactly n bytes, so that the sanitizer build sees any read past it.
        const std::vector<char> cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(n));
        EXPECT_FALSE(readTmd(std::string_view(cut.data(), n), "w.tmd")) << n << " bytes";
    }
}

#include "animation/mime.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

using namespace kestrel;
using namespace kestrel::animation;
using namespace std::string_literals;
using model::makeVector;
using model::ModelVertex;

namespace {

model::Model modelOf(std::vector<ModelVertex> vertices) {
    model::Model m;
    m.vertices = std::move(vertices);
    return m;
}

// count vertices at the origin except those listed, which stand at x.
model::Model movedInX(int count, std::vector<int> moved = {}, double x = 0.0) {
    model::Model m = modelOf(std::vector<ModelVertex>(count));
    for (int i : moved) m.vertices[i].x = x;
    return m;
}

Keyframe keyframe(std::string name, model::Model m, int frames = 20) {
    Keyframe k;
    k.model = std::move(m);
    k.name = std::move(name);
    k.framesFromLast = frames;
    return k;
}

Movement walk(std::vector<Keyframe> keyframes) { return Movement{"walk", std::move(keyframes)}; }

std::string le16(int v) {
    const auto u = static_cast<std::uint16_t>(v);
    return {static_cast<char>(u & 0xFF), static_cast<char>(u >> 8)};
}
std::string le32(std::uint32_t v) { return le16(v & 0xFFFF) + le16(v >> 16); }
int at16(const std::string& bytes, std::size_t offset) {
    return static_cast<std::int16_t>(static_cast<std::uint8_t>(bytes[offset]) |
                                     static_cast<std::uint8_t>(bytes[offset + 1]) << 8);
}

std::string cText(const model::Model& base, const Movement& movement) {
    const auto out = mimeCSource(base, movement, "robot_mime.C", "robot.ply");
    EXPECT_TRUE(out) << out.error();
    return out ? out->bytes : "";
}

// Magic, n + 1, a descriptor (0, frames) per keyframe and the terminator.
std::string type2Head(int keyframes, int frames) {
    std::string head = std::string("KESTREL MIMe TYPE2\0\0", 20) + le32(keyframes + 1);
    for (int j = 0; j < keyframes; ++j) head += le32(0) + le32(frames);
    return head + le32(0) + le32(0);
}
std::string blockHead(std::uint32_t marker, int first, int entries, int multiplier) {
    return le32(marker) + le16(first) + le16(entries) + le16(multiplier) + le16(0xFFFF);
}
std::string entry(int x, int y, int z) { return le16(x) + le16(y) + le16(z) + le16(0xACE1); }

// The multiplier as the console tools find it: count up, one vertex after another.
int countedMultiplier(const model::Model& from, const Keyframe& k, double minimum) {
    int m = 1;
    for (std::size_t i = 0; i < k.model.vertices.size(); ++i) {
        const ModelVertex &a = k.model.vertices[i], &b = from.vertices[i];
        const auto over = [&] {
            for (double d : {a.x - b.x, a.y - b.y, a.z - b.z})
                if (std::fabs(std::fabs(d) < minimum ? 0.0 : d) * 4096.0 / m / k.framesFromLast > 32767.0) return true;
            return false;
        };
        while (over()) ++m;
    }
    return m;
}

}  // namespace

TEST(MimeValues, AreTheMovePerFrameInFixedPointOverTheSmallestFittingMultiplier) {
    const model::Model base = movedInX(1);
    // 20 over 20 frames is 1.0 a frame: 4096.
    const auto tiny = mimeType1(base, walk({keyframe("step", movedInX(1, {0}, 20.0))}));
    ASSERT_TRUE(tiny) << tiny.error();
    EXPECT_EQ(*tiny,
              "\x10\x00\x00\x00\x14\x00\x01\x00"s  // offset 16, 20 frames, multiplier 1
              "\x00\x00\x00\x00\x00\x00\x00\x00"s  // terminator
              "\x00\x10\x00\x00\x00\x00\xAD\xDE"s);
    // 200 over 20 frames is 40960, beyond 32767: multiplier 2 and 20480.
    const Movement far = walk({keyframe("step", movedInX(1, {0}, -200.0))});
    EXPECT_EQ(frameMultipliers(base, far, 0.0), std::vector<int>{2});
    const auto halved = mimeType1(base, far);
    ASSERT_TRUE(halved);
    EXPECT_EQ(at16(*halved, 6), 2);
    EXPECT_EQ(at16(*halved, 16), -20480);
}

TEST(MimeValues, TruncateTowardZeroAndMeasureEachKeyframeAgainstTheOneBefore) {
    const model::Model base = movedInX(1);
    const model::Model nudged = movedInX(1, {0}, -0.0001);  // -0.02048 a frame
    const std::string text = cText(base, walk({keyframe("a", nudged), keyframe("b", nudged)}));
    EXPECT_NE(text.find("MIMe_walk_a0[1]={\n0,0,0,0    // v[0]\n};\n"), std::string::npos);
    EXPECT_NE(text.find("MIMe_walk_b1[1]={\n0,0,0,0    // v[0]\n};\n"), std::string::npos);
    EXPECT_NE(text.find("MIMe_walk_b1,20,1,\n"), std::string::npos);
    // 20 then 25: the second moves 5 (1024 a frame), not 25 (5120).
    const auto out =
        mimeType1(base, walk({keyframe("a", movedInX(1, {0}, 20.0)), keyframe("b", movedInX(1, {0}, 25.0))}));
    ASSERT_TRUE(out);
    EXPECT_EQ(at16(*out, 24), 4096);
    EXPECT_EQ(at16(*out, 32), 1024);
}

TEST(MimeMultiplier, MatchesCountingUpOnAwkwardValues) {
    std::vector<std::pair<int, double>> cases;  // frames, move
    // Moves that come to exactly 32767 at multiplier m, and neighbours a few units in the last
    // place away.
    for (int frames : {1, 3, 7, 20, 255, 32767})
        for (int m : {1, 2, 3, 10, 4097, 30001}) {
            const double edge = 32767.0 * frames * m / 4096.0;
            double below = edge, above = edge;
            for (int step = 0; step < 3; ++step) {
                below = std::nextafter(below, 0.0);
                above = std::nextafter(above, 1e300);
                cases.insert(cases.end(), {{frames, below}, {frames, above}});
            }
            cases.insert(cases.end(), {{frames, edge}, {frames, -edge}});
        }
    for (int frames : {1, 20, 997})
        for (double move : {0.0, 0.1, 1.0 / 3, 1e-300, -7.0, 1e6}) cases.push_back({frames, move});
    cases.insert(cases.end(), {{32767, 2e9}, {997, -1e9}});  // coordinates of 1e9 either way

    const model::Model base = movedInX(3);
    for (const auto& [frames, a] : cases)
        for (int axis = 0; axis < 3; ++axis) {
            // The largest move on each axis in turn, after a smaller one, so that the count
            // carries from one vertex to the next.
            model::Model pose = modelOf({makeVector(1, 0.5, a / 3), {}, makeVector(0, 0, 5)});
            (axis == 0 ? pose.vertices[1].x : axis == 1 ? pose.vertices[1].y : pose.vertices[1].z) = a;
            const Keyframe k = keyframe("k", pose, frames);
            for (double minimum : {0.0, 1.0})
                ASSERT_EQ(frameMultipliers(base, walk({k}), minimum)[0], countedMultiplier(base, k, minimum))
                    << a << " over " << frames << " frames on axis " << axis;
        }
    // Large moves where a first guess from the move alone misses by one either way.
    for (const auto& [frames, a] : {std::pair{17177, 2305389618041.0962}, {32767, 8796096405296.5039}}) {
        const Keyframe k = keyframe("k", movedInX(1, {0}, a), frames);
        EXPECT_EQ(frameMultipliers(movedInX(1), walk({k}), 0.0)[0], countedMultiplier(movedInX(1), k, 0.0));
    }
    // Ignoring a difference below the minimum can lower the multiplier.
    const Movement far = walk({keyframe("step", movedInX(1, {0}, 200.0))});
    EXPECT_EQ(frameMultipliers(movedInX(1), far, 250.0), std::vector<int>{1});
    // Counting up never ends for an infinite move; the fast search gives up at INT_MAX.
    const Movement endless = walk({keyframe("step", movedInX(1, {0}, HUGE_VAL))});
    EXPECT_EQ(frameMultipliers(movedInX(1), endless, 0.0)[0], std::numeric_limits<int>::max());
}

TEST(MimeCSource, DefaultPathsAndTheTableNameComeFromThePlyName) {
    EXPECT_EQ(mimeDefaultPath("robot.ply", MimeFormat::CSource), "robot_mime.C");
    EXPECT_EQ(mimeDefaultPath("robot.ply", MimeFormat::Type1), "robot_mime.MIM");
    EXPECT_EQ(mimeDefaultPath("C:\\models\\robot.PLY", MimeFormat::Type2), "C:\\models\\robot_mime.MIM");
    // Only the file name's extension goes, whatever its length, and only when there is one.
    EXPECT_EQ(mimeDefaultPath("dir.v2/robot", MimeFormat::CSource), "dir.v2/robot_mime.C");
    EXPECT_EQ(mimeDefaultPath("a.p", MimeFormat::CSource), "a_mime.C");

    const auto out = mimeCSource(
        movedInX(1), walk({keyframe("a", movedInX(1)), keyframe("b", movedInX(1)), keyframe("step", movedInX(1), 15)}),
        "x.C", "/home/me/models/robot.ply");
    ASSERT_TRUE(out);
    EXPECT_NE(out->bytes.find("MIME_MOVEMENT robot_walk_mime[]={\n"), std::string::npos);
    EXPECT_NE(out->bytes.find("\nMIMe_walk_step2,15,1,\n"), std::string::npos);
    EXPECT_TRUE(out->warnings.empty());
}

TEST(MimeCSource, WritesTheWholeFile) {
    const model::Model step = modelOf({makeVector(20, -10, 0.0001), makeVector(0, 0, 0)});
    model::Model jump = step;
    jump.vertices[1].y = 100;  // 40960 over 10 frames: multiplier 2
    const auto out = mimeCSource(movedInX(2), walk({keyframe("step", step), keyframe("jump", jump, 10)}),
                                 "models/robot_mime.C", "models/robot.ply");
    ASSERT_TRUE(out) << out.error();
    EXPECT_EQ(out->bytes,
              "// models/robot_mime.C\n"
              "//-----------\n"
              "// Model: models/robot.ply\n"
              "// MIMe Generated by Kestrel\n"
              "// Version:Dec 25 1998\n"
              "//-----------\n"
              "\n"
              "SVECTOR MIMe_walk_step0[2]={\n"
              "4096,-2048,0,0,   // v[0]\n"
              "0,0,0,0    // v[1]\n"
              "};\n"
              "SVECTOR MIMe_walk_jump1[2]={\n"
              "0,0,0,0,   // v[0]\n"
              "0,20480,0,0    // v[1]\n"
              "};\n"
              "\n"
              "\n"
              "MIME_MOVEMENT robot_walk_mime[]={\n"
              "MIMe_walk_step0,20,1,\n"
              "MIMe_walk_jump1,10,2,\n"
              "NULL,0};\n"
              "\n"
              "//END OF GENERATED FILE=============\n");
    // A keyframe without vertices still closes its array.
    EXPECT_NE(cText(movedInX(0), walk({keyframe("step", movedInX(0))}))
                  .find("SVECTOR MIMe_walk_step0[0]={\n};\n\n\nMIME_MOVEMENT"),
              std::string::npos);
}

TEST(MimeCSource, NamesThatAreNotCAreMadeSoWithAWarningEach) {
    const Movement movement{"walk cycle", {keyframe("walk cycle", movedInX(1)), keyframe("step-1", movedInX(1))}};
    const auto out = mimeCSource(movedInX(1), movement, "a\nb", "3d robot.ply");
    ASSERT_TRUE(out);
    EXPECT_NE(out->bytes.find("SVECTOR MIMe_walk_cycle_walk_cycle0[1]"), std::string::npos);
    EXPECT_NE(out->bytes.find("SVECTOR MIMe_walk_cycle_step_11[1]"), std::string::npos);
    EXPECT_NE(out->bytes.find("MIME_MOVEMENT _3d_robot_walk_cycle_mime[]"), std::string::npos);
    EXPECT_EQ(out->bytes.substr(0, 7), "// a b\n");  // a line end would leave the comment
    ASSERT_EQ(out->warnings.size(), 3u);             // "walk cycle" once, though used twice
    EXPECT_EQ(out->warnings[0],
              "the name \"walk cycle\" is written as walk_cycle in the C source, where names hold "
              "only letters, digits and '_'");
    EXPECT_NE(out->warnings[2].find("\"3d robot\" is written as _3d_robot"), std::string::npos);

    // Keyframe "a1" first and "a" eleventh would both make MIMe_walk_a10.
    std::vector<Keyframe> keyframes{keyframe("a1", movedInX(1))};
    for (int j = 1; j < 10; ++j) keyframes.push_back(keyframe("k" + std::to_string(j), movedInX(1)));
    keyframes.push_back(keyframe("a", movedInX(1)));
    const auto twins = mimeCSource(movedInX(1), walk(keyframes), "x.C", "x.ply");
    ASSERT_FALSE(twins);
    EXPECT_EQ(twins.error(),
              "keyframe \"a\" of movement \"walk\" and keyframe \"a1\" would both be written as "
              "the C array MIMe_walk_a10; rename one of them");
}

TEST(MimeType1, OffsetsPointAtEachKeyframesEntries) {
    const auto out = mimeType1(
        movedInX(10), walk({keyframe("a", movedInX(10, {9}, 20.0)), keyframe("b", movedInX(10, {0, 9}, 20.0), 10)}));
    ASSERT_TRUE(out);
    ASSERT_EQ(out->size(), 24u + 2 * 10 * 8);
    EXPECT_EQ(out->substr(0, 24), le32(24) + le16(20) + le16(1) + le32(104) + le16(10) + le16(1) + le32(0) + le32(0));
    EXPECT_EQ(out->substr(24 + 9 * 8, 8), "\x00\x10\0\0\0\0\xAD\xDE"s);  // a's vertex 9
    EXPECT_EQ(at16(*out, 104), 8192);                                    // b's vertex 0
    EXPECT_EQ(at16(*out, 104 + 9 * 8), 0);                               // vertex 9 stays where a left it
}

TEST(MimeType2, BlocksHoldTheMovingRunsAndShortStillGaps) {
    const std::string e = entry(4096, 0, 0), zero = entry(0, 0, 0);
    const auto one = mimeType2(movedInX(100), walk({keyframe("k", movedInX(100, {5}, 20.0))}), 0);
    ASSERT_TRUE(one);
    EXPECT_EQ(*one, type2Head(1, 20) + blockHead(0, 5, 1, 1) + e);
    EXPECT_EQ(one->substr(0, 24), "KESTREL MIMe TYPE2\0\0\x02\0\0\0"s);

    // One still vertex stays in the block as a zero entry; three end it, and the last block,
    // whose still run reaches the end, says no block follows.
    const auto gaps = mimeType2(movedInX(100), walk({keyframe("k", movedInX(100, {0, 1, 2, 4, 8}, 20.0))}), 0);
    ASSERT_TRUE(gaps);
    EXPECT_EQ(*gaps,
              type2Head(1, 20) + blockHead(0xDEADC001, 0, 5, 1) + e + e + e + zero + e + blockHead(0, 8, 1, 1) + e);

    // Two still vertices at the very end are written as zero entries; leading ones are skipped.
    const auto tail = mimeType2(movedInX(6), walk({keyframe("k", movedInX(6, {1, 2, 3}, 20.0))}), 0);
    ASSERT_TRUE(tail);
    EXPECT_EQ(*tail, type2Head(1, 20) + blockHead(0, 1, 5, 1) + e + e + e + zero + zero);
}

TEST(MimeType2, AKeyframeThatMovesNothingIsTheEmptyBlock) {
    const model::Model moved = movedInX(4, {0}, 200.0);  // multiplier 2
    const auto out = mimeType2(movedInX(4), walk({keyframe("a", moved), keyframe("b", moved)}), 0.0);
    ASSERT_TRUE(out);
    // The empty block: marker 0, first 0, no entries, multiplier field 1, and 8 zero bytes.
    EXPECT_EQ(*out, type2Head(2, 20) + blockHead(0, 0, 1, 2) + entry(20480, 0, 0) + blockHead(0, 0, 0, 1) +
                        std::string(8, '\0'));
}

TEST(MimeType2, MovesBelowTheMinimumCountAsStill) {
    const model::Model drift = modelOf({makeVector(0, 0.35, 0), makeVector(20, 0.35, 0)});
    const Movement movement = walk({keyframe("step", drift)});
    const auto out = mimeType2(movedInX(2), movement, 0.5);
    ASSERT_TRUE(out);
    EXPECT_EQ(*out, type2Head(1, 20) + blockHead(0, 1, 1, 1) + entry(4096, 0, 0));
    // Without the minimum, 0.35 over 20 frames is 71.68: written as 71.
    const auto all = mimeType2(movedInX(2), movement, 0.0);
    ASSERT_TRUE(all);
    EXPECT_EQ(all->substr(type2Head(1, 20).size()), blockHead(0, 0, 2, 1) + entry(0, 71, 0) + entry(4096, 71, 0));
    EXPECT_FALSE(mimeType2(movedInX(2), movement, -1.0));
    EXPECT_FALSE(mimeType2(movedInX(2), movement, std::nan("")));
}

TEST(MimeType2, RefusesVertexNumbersAndBlocksBeyondSixteenBits) {
    const model::Model base = movedInX(40000);
    const auto late = mimeType2(base, walk({keyframe("step", movedInX(40000, {39000}, 1.0))}), 0.0);
    ASSERT_FALSE(late);
    EXPECT_EQ(late.error(),
              "keyframe \"step\" of movement \"walk\" moves vertex 39000, but Type 2 MIMe files "
              "number vertices only up to 32767; Type 1 and C source have no such limit");
    model::Model everything = base;
    for (auto& v : everything.vertices) v.x = 1.0;
    const auto wide = mimeType2(base, walk({keyframe("step", everything)}), 0.0);
    ASSERT_FALSE(wide);
    EXPECT_EQ(wide.error(),
              "keyframe \"step\" of movement \"walk\" moves 40000 vertices in a row from vertex 0, "
              "but a Type 2 block holds at most 32767; Type 1 and C source have no such limit");
    EXPECT_TRUE(mimeType1(base, walk({keyframe("step", everything)})));
}

TEST(MimeRefusals, NameTheKeyframeInEveryFormat) {
    const model::Model base = movedInX(2);
    const auto refusal = [&](const Movement& movement) {
        const auto c = mimeCSource(base, movement, "x.C", "x.ply");
        const auto t1 = mimeType1(base, movement);
        const auto t2 = mimeType2(base, movement, 0.0);
        if (c || t1 || t2) return std::string("accepted");
        EXPECT_EQ(c.error(), t2.error());
        EXPECT_EQ(t1.error(), t2.error());
        return t2.error();
    };
    const std::string step = "keyframe \"step\" of movement \"walk\"";
    EXPECT_EQ(refusal(walk({})), "movement \"walk\" has no keyframes; add one before making MIMe data");
    EXPECT_EQ(refusal(walk({keyframe("step", movedInX(2), 0)})),
              step + " has 0 frames from the last; give it at least 1");
    EXPECT_EQ(refusal(walk({keyframe("step", movedInX(2), 40000)})),
              step + " has 40000 frames from the last; MIMe data holds at most 32767");
    EXPECT_EQ(refusal(walk({keyframe("step", movedInX(3))})),
              step +
                  " has 3 vertices but the base frame has 2; every keyframe needs the same "
                  "vertices");
    EXPECT_EQ(refusal(walk({keyframe("a", movedInX(2)), keyframe("b", movedInX(1))})),
              "keyframe \"b\" of movement \"walk\" has 1 vertices but keyframe \"a\" before it "
              "has 2; every keyframe needs the same vertices");
    for (double bad : {HUGE_VAL, std::nan("")})
        EXPECT_EQ(refusal(walk({keyframe("step", modelOf({{}, makeVector(0, bad, 0)}))})),
                  step + " moves vertex 1 by an amount that is not a finite number");
    // Finite positions whose difference is not.
    EXPECT_FALSE(
        mimeType1(modelOf({makeVector(-1e308, 0, 0)}), walk({keyframe("step", modelOf({makeVector(1e308, 0, 0)}))})));
    // 300000 in one frame needs 300000 * 4096 / 32767 = 37501.1: multiplier 37502.
    EXPECT_EQ(refusal(walk({keyframe("step", movedInX(2, {1}, 300000.0), 1)})),
              step +
                  " moves too far in 1 frame: it needs a frame multiplier of 37502 and MIMe "
                  "data holds at most 32767; give it more frames");
    // The same move spread over 2 frames fits: 18751.
    EXPECT_TRUE(mimeType1(base, walk({keyframe("step", movedInX(2, {1}, 300000.0), 2)})));
}

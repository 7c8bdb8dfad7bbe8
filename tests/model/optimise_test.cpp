#include "model/optimise.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <utility>

#include "optimise_reference.h"

using namespace kestrel::model;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

using Rng = std::mt19937;
int uniform(Rng& rng, int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); }
double real(Rng& rng, double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(rng); }
bool chance(Rng& rng, double p) { return std::bernoulli_distribution(p)(rng); }

// A polygon over random vertices: quadrilaterals carry any of the low flag bits; triangles
// hold -1 in their fourth slot, or the junk files leave there.
ModelPolygon randomPolygon(Rng& rng, int vertexCount) {
    ModelPolygon p;
    const bool quad = chance(rng, 0.4);
    p.flags = quad ? std::array{1, 2, 4, 7}[uniform(rng, 0, 3)] : 8 * uniform(rng, 0, 1);
    for (int c = 0; c < 4; ++c) {
        p.vId[c] = uniform(rng, 0, vertexCount - 1);
        p.tu[c] = uniform(rng, 0, 255);
        p.tv[c] = uniform(rng, 0, 255);
        p.rgb[c] = uniform(rng, 0, 0xffffff);
    }
    if (!quad) p.vId[3] = std::array{-1, -1, p.vId[3], 1'000'000, -7}[uniform(rng, 0, 4)];
    p.tId = uniform(rng, -1, 2);
    p.type = "CGTDH"[uniform(rng, 0, 4)];
    return p;
}

// Polygons, groups, a skeleton carrying vertex lists in no particular order, and stale
// normals, around the vertices already in the model; a random share of vertices selected.
void dress(Rng& rng, Model& m, int polygons) {
    const int n = m.vertexCount();
    const double selectedShare = std::array{0.0, 0.3, 0.7, 1.0}[uniform(rng, 0, 3)];
    for (auto& v : m.vertices)
        v.flags = static_cast<std::uint16_t>((chance(rng, selectedShare) ? kVertexSelected : 0) |
                                             (chance(rng, 0.2) ? kVertexInUse : 0));
    for (int i = 0; i < polygons && n > 0; ++i) m.polygons.push_back(randomPolygon(rng, n));
    for (int g = uniform(rng, 0, 2); g > 0; --g) {
        PolygonGroup group{"g" + std::to_string(g), {}};
        for (int i = 0; i < m.polygonCount(); ++i)
            if (chance(rng, 0.3)) group.append(i);
        std::shuffle(group.polygons.begin(), group.polygons.end(), rng);
        m.addGroup(group);
    }
    m.skeleton.joints.push_back({makeVector(0, 0, 0), {}, -1, 0});
    for (int b = uniform(rng, 0, 2); b > 0; --b) {
        Bone bone{0, 0, {}, 0, -1};
        for (int v = 0; v < n; ++v)
            if (chance(rng, 0.3)) bone.vertices.push_back(v);
        std::shuffle(bone.vertices.begin(), bone.vertices.end(), rng);
        m.skeleton.bones.push_back(bone);
    }
    m.normals.resize(m.vertices.size());
    for (auto& normal : m.normals) normal = makeVector(real(rng, -1, 1), real(rng, -1, 1), 0);
}

// Vertices laid out to stress a merge of the given radius: scattered, bunched well within
// the radius, exact copies, or on a lattice whose spacing is the radius itself; now and then
// with a vertex that is not a number, infinite or astronomically far away.
Model mergeModel(Rng& rng, int layout, double radius) {
    Model m;
    const int n = uniform(rng, 1, 120);
    const double r = std::isfinite(radius) && radius > 1e-6 && radius < 1e6 ? radius : 1.0;
    std::vector<ModelVertex> centres(static_cast<std::size_t>(uniform(rng, 1, 6)));
    for (auto& c : centres) c = makeVector(real(rng, -20, 20), real(rng, -20, 20), real(rng, -20, 20));
    for (int i = 0; i < n; ++i) {
        const ModelVertex& c = centres[static_cast<std::size_t>(uniform(rng, 0, static_cast<int>(centres.size()) - 1))];
        const auto near = [&](double spread) { return c.x + real(rng, -spread, spread); };
        switch (layout) {
            case 0:
                m.addVertex(makeVector(real(rng, -30, 30), real(rng, -30, 30), real(rng, -30, 30)));
                break;
            case 1:
                m.addVertex(makeVector(near(1.5 * r), c.y + real(rng, -r, r), c.z));
                break;
            case 2:
                m.addVertex(c);
                break;
            default:
                m.addVertex(makeVector(uniform(rng, -3, 3) * r, uniform(rng, -3, 3) * r, uniform(rng, -1, 1) * r));
        }
    }
    if (chance(rng, 0.3)) {
        const ModelVertex odd[] = {makeVector(kNaN, 0, 0), makeVector(kInf, 0, 0), makeVector(-kInf, kInf, 0),
                                   makeVector(1e200, -1e200, 1e300), makeVector(0, 0, kNaN)};
        for (const auto& v : odd)
            if (chance(rng, 0.5)) m.vertices.insert(m.vertices.begin() + uniform(rng, 0, m.vertexCount()), v);
    }
    dress(rng, m, uniform(rng, 0, 2 * m.vertexCount()));
    return m;
}

// A height field cut into triangles, each square by either diagonal, some wound the other
// way, in random order; with duplicated triangles, triangles on repeated or copied
// vertices, and quadrilaterals among them.
Model triangleModel(Rng& rng) {
    Model m;
    const int w = uniform(rng, 2, 7), h = uniform(rng, 2, 7);
    const double spacing = real(rng, 0.5, 3), bump = std::array{0.0, 0.0, 0.2, 2.0}[uniform(rng, 0, 3)];
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) m.addVertex(makeVector(x * spacing, y * spacing, bump * std::sin(x * 1.7 + y)));
    for (int i = uniform(rng, 0, 4); i > 0; --i)
        m.addVertex(m.vertices[static_cast<std::size_t>(uniform(rng, 0, w * h - 1))]);
    dress(rng, m, 0);
    const auto at = [&](int x, int y) { return y * w + x; };
    const auto corner = [&](int v) { return chance(rng, 0.05) ? uniform(rng, 0, m.vertexCount() - 1) : v; };
    for (int y = 0; y + 1 < h; ++y)
        for (int x = 0; x + 1 < w; ++x) {
            const int a = at(x, y), b = at(x + 1, y), c = at(x, y + 1), d = at(x + 1, y + 1);
            if (chance(rng, 0.1)) {
                ModelPolygon q = randomPolygon(rng, m.vertexCount());
                q.flags = 1;
                q.vId = {a, b, c, d};
                m.polygons.push_back(q);
                continue;
            }
            const bool other = chance(rng, 0.5);
            for (std::array<int, 3> t : {other ? std::array{a, b, d} : std::array{a, b, c},
                                         other ? std::array{a, d, c} : std::array{b, d, c}}) {
                if (chance(rng, 0.15)) std::swap(t[1], t[2]);
                if (chance(rng, 0.04)) t[2] = t[0];
                if (chance(rng, 0.02)) t[1] = t[2] = t[0];
                std::rotate(t.begin(), t.begin() + uniform(rng, 0, 2), t.end());
                ModelPolygon p = randomPolygon(rng, m.vertexCount());
                p.flags = 0;
                p.vId = {corner(t[0]), corner(t[1]), corner(t[2]), p.vId[3]};
                m.polygons.push_back(p);
                if (chance(rng, 0.05)) m.polygons.push_back(p);
            }
        }
    std::shuffle(m.polygons.begin(), m.polygons.end(), rng);
    for (int g = 0; g < m.groupCount(); ++g)
        for (int i = 0; i < m.polygonCount(); ++i)
            if (chance(rng, 0.3)) m.groups[static_cast<std::size_t>(g)].append(i);
    return m;
}

// Polygon reduction done one deletion at a time; a quadrilateral with one repeated corner
// keeps its outline (corners 0, 1, 3, 2) without the later corner of the pair, and is
// marked for the comparison to take its other fields as they come.
constexpr int kMadeTriangle = -12345;
Model reducedByHand(Model m) {
    for (auto& v : m.vertices) v.flags &= static_cast<std::uint16_t>(~kVertexInUse);
    for (int i = 0; i < m.polygonCount();) {
        ModelPolygon& p = m.polygons[static_cast<std::size_t>(i)];
        const int n = polygonCornerCount(p);
        int pairs = 0, later = -1;
        for (int a = 0; a < n; ++a)
            for (int b = a + 1; b < n; ++b)
                if (p.vId[a] == p.vId[b]) ++pairs, later = b;
        if (pairs > 0 && (n == 3 || pairs > 1)) {
            m.deletePolygon(i);
            continue;
        }
        if (pairs == 1) {
            std::vector<int> kept;
            for (int c : {0, 1, 3, 2})
                if (c != later) kept.push_back(p.vId[c]);
            p.vId = {kept[0], kept[1], kept[2], -1};
            p.flags &= ~7;
            p.wrapMark = kMadeTriangle;
        }
        ++i;
    }
    for (const auto& p : m.polygons)
        for (int c = 0; c < polygonCornerCount(p); ++c)
            m.vertices[static_cast<std::size_t>(p.vId[c])].flags |= kVertexInUse;
    for (int v = 0; v < m.vertexCount();)
        if (m.vertices[static_cast<std::size_t>(v)].flags & kVertexInUse)
            ++v;
        else
            m.deleteVertex(v);
    return m;
}

// Equal models, where a coordinate that is not a number matches another that is not; the
// failure names the first vertex and polygon that differ.
testing::AssertionResult sameModel(Model a, Model b) {
    for (Model* m : {&a, &b}) {
        const auto settle = [](ModelVertex& v) {
            for (double* c : {&v.x, &v.y, &v.z})
                if (std::isnan(*c)) *c = -1.25e-300;
        };
        std::ranges::for_each(m->vertices, settle);
        std::ranges::for_each(m->normals, settle);
        for (auto& p : m->polygons) settle(p.faceNormal);
    }
    if (a == b) return testing::AssertionSuccess();
    auto failure = testing::AssertionFailure() << a.vertexCount() << " and " << b.vertexCount() << " vertices, "
                                               << a.polygonCount() << " and " << b.polygonCount() << " polygons";
    const auto v = std::ranges::mismatch(a.vertices, b.vertices).in1 - a.vertices.begin();
    const auto p = std::ranges::mismatch(a.polygons, b.polygons).in1 - a.polygons.begin();
    if (v < std::min(a.vertexCount(), b.vertexCount())) failure << "; vertex " << v << " differs";
    if (p < std::min(a.polygonCount(), b.polygonCount())) {
        failure << "; polygon " << p << " differs, with corners";
        for (const auto* m : {&a, &b})
            for (int c : m->polygons[static_cast<std::size_t>(p)].vId) failure << ' ' << c;
    }
    if (a.normals != b.normals) failure << "; normals differ";
    if (a.groups != b.groups) failure << "; groups differ";
    if (a.skeleton != b.skeleton) failure << "; bones differ";
    return failure;
}

// Progress reports: every one out of the same total, in order, the last at `last`.
struct ProgressLog {
    std::vector<std::pair<int, int>> calls;
    Progress callback() {
        return [this](int step, int steps) { calls.emplace_back(step, steps); };
    }
    void expect(int last, int total) const {
        ASSERT_FALSE(calls.empty());
        EXPECT_EQ(calls.back(), std::make_pair(last, total));
        for (std::size_t i = 0; i < calls.size(); ++i) {
            EXPECT_EQ(calls[i].second, total);
            EXPECT_GE(calls[i].first, i ? calls[i - 1].first : 0);
        }
    }
};

Model modelOf(std::initializer_list<ModelVertex> vertices) {
    Model m;
    for (const auto& v : vertices) m.addVertex(v);
    return m;
}

}  // namespace

TEST(MergeVertices, MatchesThePairwiseWalkOnRandomModels) {
    Rng rng(20240611);
    const double radii[] = {0.1, 0.5, 1, 2.5, 0, -1, kNaN, kInf, 1e-300, 1e300};
    for (int round = 0; round < 400; ++round) {
        const double radius = radii[round % std::size(radii)];
        const Model original = mergeModel(rng, round / 10 % 4, radius);
        for (int combination = 0; combination < 4; ++combination) {
            const VertexMergeOptions options{radius, (combination & 1) != 0, (combination & 2) != 0};
            Model fast = original, plain = original;
            const int merged = mergeVertices(fast, options);
            EXPECT_EQ(merged, referenceMergeVertices(plain, options));
            ASSERT_TRUE(sameModel(fast, plain))
                << "round " << round << ", radius " << radius << ", options " << combination;
        }
    }
}

TEST(MergeVertices, OnlyVerticesCloserThanTheRadiusMerge) {
    Model m = modelOf({makeVector(0, 0, 0), makeVector(0.5, 0, 0), makeVector(5, 0, 0), makeVector(kNaN, 0, 0),
                       makeVector(kInf, 0, 0)});
    m.addPolygon(1, 2, 0, -1);
    m.addPolygon(2, 4, 1, 3);
    m.polygons[1].flags = 1;
    m.skeleton.bones.push_back({0, 0, {2, 1, 4}, 0, -1});
    for (double radius : {0.5, 0.0, -1.0, kNaN}) {
        Model copy = m;
        EXPECT_EQ(mergeVertices(copy, {radius}), 0) << radius;
        EXPECT_TRUE(sameModel(copy, m));
    }
    ProgressLog log;
    EXPECT_EQ(mergeVertices(m, {0.6}, log.callback()), 1);
    log.expect(5, 5);  // a step for each vertex there was
    EXPECT_EQ(m.polygons[0].vId, (std::array{0, 1, 0, -1}));
    EXPECT_EQ(m.polygons[1].vId, (std::array{1, 3, 0, 2}));
    EXPECT_EQ(m.skeleton.bones[0].vertices, (std::vector{1, 3}));
    EXPECT_EQ(m.vertices[1], makeVector(5, 0, 0));
    // Nothing that is not a number, or infinitely far, is close to anything.
    EXPECT_EQ(mergeVertices(m, {kInf}), 1);
    EXPECT_EQ(m.vertexCount(), 3);
    EXPECT_TRUE(std::isnan(m.vertices[1].x));
}

TEST(MergeVertices, SelectedVerticesStayInPlace) {
    Model m = modelOf({makeVector(0, 0, 0), makeVector(0.1, 0, 0), makeVector(0.2, 0, 0), makeVector(9, 0, 0),
                       makeVector(9.1, 0, 0), makeVector(0.15, 0, 0)});
    m.vertices[1].flags = m.vertices[3].flags = m.vertices[5].flags = kVertexSelected;
    const Model original = m;
    const auto at = [&](std::initializer_list<int> kept) {
        std::vector<ModelVertex> v;
        for (int i : kept) v.push_back(original.vertices[static_cast<std::size_t>(i)]);
        return v;
    };
    EXPECT_EQ(mergeVertices(m, {1, false, true}), 2);  // 0 takes 2 and 3 takes 4; 1 and 5 stay
    EXPECT_EQ(m.vertices, at({0, 1, 3, 5}));
    m = original;
    // 1 takes 2 and 5 (not 0, before it); 3 takes 4.
    EXPECT_EQ(mergeVertices(m, {1, true, true}), 3);
    EXPECT_EQ(m.vertices, at({0, 1, 3}));
    m = original;
    EXPECT_EQ(mergeVertices(m, {1, true, false}), 1);  // only selected ones: 1 takes 5
    EXPECT_EQ(m.vertices, at({0, 1, 2, 3, 4}));
}

TEST(ReducePolygons, MatchesOneDeletionAtATimeOnRandomModels) {
    Rng rng(7);
    for (int round = 0; round < 300; ++round) {
        Model m = mergeModel(rng, round % 4, 1.0);
        mergeVertices(m, {chance(rng, 0.5) ? 1.0 : 0.0});  // degenerate polygons
        Model plain = reducedByHand(m);
        const Model before = m;
        const PolygonReduction done = reducePolygons(m);
        EXPECT_EQ(done.verticesRemoved, before.vertexCount() - plain.vertexCount());
        EXPECT_EQ(done.polygonsRemoved, before.polygonCount() - plain.polygonCount());
        // The triangles made from quadrilaterals are checked for their corners only.
        for (std::size_t i = 0; i < m.polygons.size() && i < plain.polygons.size(); ++i)
            if (plain.polygons[i].wrapMark == kMadeTriangle) {
                const ModelPolygon made = std::exchange(plain.polygons[i], m.polygons[i]);
                plain.polygons[i].vId = made.vId;
                plain.polygons[i].flags = made.flags;
            }
        ASSERT_TRUE(sameModel(m, plain)) << round;
    }
}

TEST(ReducePolygons, DegeneratePolygonsThenUnusedVerticesGo) {
    Model m;
    for (int i = 0; i < 9; ++i) m.addVertex(makeVector(i, 0, 0));
    m.vertices[6].flags = kVertexSelected;
    m.addPolygon(0, 1, 0, -1);  // goes
    m.addPolygon(2, 2, 3, 3);   // two pairs: goes
    m.polygons[1].flags = 1;
    m.addPolygon(8, 2, 6, 7);  // 0, 1, 3, 4 and 5 go; 2, 6, 7 and 8 stay
    m.polygons[2].flags = 1;
    m.addGroup({"g", {2, 0, 1}});
    m.skeleton.bones.push_back({0, 0, {5, 8, 1, 2, 6}, 0, -1});
    ProgressLog log;
    const PolygonReduction done = reducePolygons(m, log.callback());
    log.expect(3, 3);
    EXPECT_EQ(done.polygonsRemoved, 2);
    EXPECT_EQ(done.verticesRemoved, 5);
    ASSERT_EQ(m.polygonCount(), 1);
    EXPECT_EQ(m.polygons[0].vId, (std::array{3, 0, 1, 2}));
    ASSERT_EQ(m.vertices.size(), 4u);
    EXPECT_EQ(m.vertices[3].x, 8);
    for (const auto& v : m.vertices) EXPECT_TRUE(v.flags & kVertexInUse);
    EXPECT_EQ(m.vertices[1].flags, kVertexSelected | kVertexInUse);
    EXPECT_EQ(m.groups[0].polygons, std::vector{0});
    EXPECT_EQ(m.skeleton.bones[0].vertices, (std::vector{3, 0, 1}));
}

TEST(ReducePolygons, AQuadWithOneRepeatedCornerBecomesATriangleAlongItsOutline) {
    // The pair's later corner goes; the other corners keep their texture places and colours.
    const struct {
        int first, second;
        std::array<int, 3> kept;
    } cases[] = {{0, 1, {0, 3, 2}}, {1, 3, {0, 1, 2}}, {0, 2, {0, 1, 3}}, {0, 3, {0, 1, 2}}, {2, 3, {0, 1, 2}}};
    for (const auto& c : cases) {
        Model m = modelOf({makeVector(0, 0, 0), makeVector(1, 0, 0), makeVector(2, 0, 0), makeVector(3, 0, 0)});
        ModelPolygon quad;
        quad.flags = 1 | 16;
        quad.vId = {0, 1, 2, 3};
        quad.vId[static_cast<std::size_t>(c.second)] = c.first;
        quad.tu = {10, 11, 12, 13};
        quad.tv = {20, 21, 22, 23};
        quad.rgb = {30, 31, 32, 33};
        m.polygons.push_back(quad);
        EXPECT_EQ(reducePolygons(m).trianglesMade, 1);
        const ModelPolygon& p = m.polygons.at(0);
        EXPECT_EQ(p.flags & 7, 0);
        EXPECT_EQ(p.vId[3], -1);
        for (int k = 0; k < 3; ++k) {
            const int from = c.kept[static_cast<std::size_t>(k)];
            EXPECT_EQ(m.vertices[static_cast<std::size_t>(p.vId[k])].x, quad.vId[from]) << c.first << c.second;
            EXPECT_EQ(p.tu[k], quad.tu[from]);
            EXPECT_EQ(p.tv[k], quad.tv[from]);
            EXPECT_EQ(p.rgb[k], quad.rgb[from]);
        }
    }
}

TEST(ConvertTrianglesToQuads, MatchesThePairwiseWalkOnRandomMeshes) {
    Rng rng(99);
    for (int round = 0; round < 400; ++round) {
        const Model original = triangleModel(rng);
        const QuadConversionOptions options{std::array{0.0, 0.01, 0.5, 3.0}[round % 4], round % 8 >= 4};
        Model fast = original, plain = original;
        const int joined = convertTrianglesToQuads(fast, options);
        EXPECT_EQ(joined, referenceConvertTrianglesToQuads(plain, options));
        ASSERT_TRUE(sameModel(fast, plain)) << "round " << round;
    }
}

TEST(ConvertTrianglesToQuads, JoinsIntoTheFirstTriangleFacingTheWayItDid) {
    Model m = modelOf({makeVector(0, 0, 0), makeVector(10, 0, 0), makeVector(0, 10, 0), makeVector(-10, 10, 0),
                       makeVector(0, 0, 10)});
    m.addPolygon(0, 1, 2, -1);
    m.addPolygon(0, 1, 4, -1);  // shares an edge, but stands upright
    m.addPolygon(1, 2, 3, -1);
    m.addPolygon(0, 1, 2, 3);  // a quadrilateral: no part of the pass
    m.polygons[3].flags = 1;
    for (int c = 0; c < 3; ++c) {
        m.polygons[0].tu[c] = c;
        m.polygons[2].tu[c] = 10 + c;
        m.polygons[0].uvSelected[c] = 1;
    }
    m.polygons[0].type = PTYPE_TEXTURED;
    m.polygons[0].tId = 0;
    m.polygons[2].tId = 1;
    m.addGroup({"g", {2, 1}});
    ProgressLog log;
    EXPECT_EQ(convertTrianglesToQuads(m, {0.01}, log.callback()), 1);
    log.expect(1, 3);  // out of the three triangles
    ASSERT_EQ(m.polygonCount(), 3);
    // Corners 3, 2, 1, 0 face down, so they turn over to 2, 3, 0, 1.
    const ModelPolygon& q = m.polygons[0];
    EXPECT_EQ(q.flags, 1);
    EXPECT_EQ(q.vId, (std::array{2, 3, 0, 1}));
    EXPECT_EQ(q.nId, q.vId);
    EXPECT_EQ(q.tu, (std::array{11, 12, 0, 10}));
    EXPECT_EQ(q.uvSelected, (std::array<std::uint8_t, 4>{}));
    EXPECT_EQ(q.tId, -1);
    EXPECT_EQ(q.type, PTYPE_TEXTURED);
    EXPECT_GT(q.faceNormal.z, 0);
    EXPECT_EQ(m.polygons[1].vId, (std::array{0, 1, 4, -1}));
    EXPECT_EQ(m.groups[0].polygons, std::vector{1});
    EXPECT_EQ(m.polygons[2].vId, (std::array{0, 1, 2, 3}));
}

TEST(GridAlign, SnapsEnabledAxesToTheNearestCellTruncatingTowardZero) {
    Model m =
        modelOf({makeVector(14, 0.7, 3.3), makeVector(15, -0.7, -2.6), makeVector(-14, 1.4, 9), makeVector(-15, 0, 0)});
    m.vertices[0].flags = m.vertices[1].flags = kVertexSelected;
    gridAlign(m, {{10, 1, 2}, {true, true, false}, true});
    EXPECT_EQ(m.vertices[0], (ModelVertex{10, 1, 3.3, kVertexSelected}));
    EXPECT_EQ(m.vertices[1], (ModelVertex{20, 0, -2.6, kVertexSelected}));
    EXPECT_EQ(m.vertices[2].x, -14);
    for (double unusable : {0.0, -2.0, kNaN, kInf}) {
        Model copy = m;
        gridAlign(copy, {{unusable, unusable, unusable}, {true, true, true}, false});
        EXPECT_EQ(copy, m) << unusable;
    }
    gridAlign(m, {{10, 0, 2}, {true, true, true}, false});
    EXPECT_EQ(m.vertices[2], makeVector(0, 1.4, 10));  // -0.9 truncates to 0
    EXPECT_EQ(m.vertices[3], makeVector(-10, 0, 0));
}

TEST(MakeRsdToolCompatible, TexturedColouredKindsBecomePlainTexturedInMidGrey) {
    Model m;
    for (char kind : {'C', 'D', 'G', 'H', 'T'}) {
        ModelPolygon p;
        p.type = kind;
        p.rgb = {1, 2, 3, 4};
        m.polygons.push_back(p);
    }
    const Model before = m;
    EXPECT_EQ(makeRsdToolCompatible(m), 2);
    for (int i : {0, 2, 4}) EXPECT_EQ(m.polygons[i], before.polygons[i]);
    for (int i : {1, 3}) {
        EXPECT_EQ(m.polygons[i].type, PTYPE_TEXTURED);
        EXPECT_EQ(m.polygons[i].rgb, (std::array{kMidGrey, kMidGrey, kMidGrey, kMidGrey}));
    }
}

TEST(ReorderVertices, StillVerticesComeFirstAndEveryIndexFollows) {
    Model start = modelOf(
        {makeVector(0, 0, 0), makeVector(1, 0, 0), makeVector(2, 0, 0), makeVector(3, 0, 0), makeVector(4, 0, 0)});
    Model first = start, second;
    first.vertices[1].x += 0.6;
    first.vertices[3].y += 0.5;  // not more than the threshold
    first.vertices[4].z -= 0.7;
    second = first;
    second.vertices[4].z += 0.7;
    second.vertices[2].y += 1;
    const Pose poses[] = {{&first, 2}, {&second, 3}};
    const std::vector<int> order = orderByMovement(start, poses, 0.5);
    EXPECT_EQ(order, (std::vector{0, 3, 1, 2, 4}));  // keys 0, 2, 3, 0, 5

    start.addPolygon(0, 2, 3, -1);
    start.polygons[0].nId[3] = 9;
    start.addPolygon(4, 1, 2, 3);
    start.polygons[1].flags = 1;
    start.skeleton.bones.push_back({0, 0, {3, 1}, 0, -1});
    for (std::size_t v = 0; v < 5; ++v) start.normals[v] = makeVector(0, start.vertices[v].x, 0);
    applyVertexOrder(start, order);
    for (std::size_t v = 0; v < 5; ++v) {
        EXPECT_EQ(start.vertices[v].x, order[v]);
        EXPECT_EQ(start.normals[v].y, order[v]);
    }
    EXPECT_EQ(start.polygons[0].vId, (std::array{0, 3, 1, -1}));
    EXPECT_EQ(start.polygons[0].nId, (std::array{0, 3, 1, 9}));
    EXPECT_EQ(start.polygons[1].vId, (std::array{4, 2, 3, 1}));
    EXPECT_EQ(start.polygons[1].nId, start.polygons[1].vId);
    EXPECT_EQ(start.skeleton.bones[0].vertices, (std::vector{1, 2}));
}

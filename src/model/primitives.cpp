#include "model/primitives.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

#include "model/vector.h"

namespace kestrel::model {

namespace {

// The pyramid's and the sphere's first three corners: a triangle of radius 100 in y = 0.
void addTriangleRing(Model& model) {
    model.addVertex(makeVector(100, 0, 0));
    model.addVertex(makeVector(100 * std::cos(2 * PI / 3), 0, 100 * std::sin(2 * PI / 3)));
    model.addVertex(makeVector(100 * std::cos(4 * PI / 3), 0, 100 * std::sin(4 * PI / 3)));
}

ModelVertex ringCentre(const Model& model, int i, double y) {
    const auto& v = model.vertices;
    const auto at = [&](int k) { return v[static_cast<std::size_t>(i + k)]; };
    return makeVector((at(0).x + at(1).x + at(2).x) / 3, y, (at(0).z + at(1).z + at(2).z) / 3);
}

void triangle(Model& model, int a, int b, int c) { model.addPolygon(a, b, c, -1); }

void pyramid(Model& model, int i) {
    addTriangleRing(model);
    model.addVertex(ringCentre(model, i, -100));
    for (const auto& t : {std::array{i, i + 1, i + 2}, std::array{i + 1, i, i + 3}, std::array{i + 2, i + 1, i + 3},
                          std::array{i, i + 2, i + 3}})
        triangle(model, t[0], t[1], t[2]);
}

void cube(Model& model, int i) {
    for (const auto& v :
         {makeVector(-50, -50, -50), makeVector(50, -50, -50), makeVector(50, -50, 50), makeVector(-50, -50, 50),
          makeVector(-50, 50, -50), makeVector(50, 50, -50), makeVector(50, 50, 50), makeVector(-50, 50, 50)})
        model.addVertex(v);
    static constexpr int kTriangles[12][3] = {{3, 1, 0}, {3, 2, 1}, {5, 7, 4}, {5, 6, 7}, {7, 2, 3}, {7, 6, 2},
                                              {4, 0, 1}, {4, 1, 5}, {7, 3, 0}, {7, 0, 4}, {5, 1, 2}, {5, 2, 6}};
    for (const auto& t : kTriangles) triangle(model, i + t[0], i + t[1], i + t[2]);
}

void cylinder(Model& model, int n) {
    // The angle grows by repeated addition of the single-precision 2pi / n.
    const double step = 6.2831855 / n;
    const auto ring = [&](double y) {
        const int first = model.vertexCount();
        double angle = 0;
        for (int k = 0; k < n; ++k, angle += step)
            model.addVertex(makeVector(50 * std::cos(angle), y, 50 * std::sin(angle)));
        return first;
    };
    const int a = ring(-50);
    for (int k = 1; k <= n - 2; ++k) triangle(model, a, a + k + 1, a + k);
    const int b = ring(50);
    for (int k = 1; k <= n - 2; ++k) triangle(model, b, b + k, b + k + 1);
    for (int k = 0; k < n; ++k) {
        const int m = (k + 1) % n;
        triangle(model, a + k, a + m, b + k);
        triangle(model, b + k, a + m, b + m);
    }
}

// Each round replaces every triangle of the sphere, in order, by its four parts, as the
// model's triangle subdivision does one at a time (deleting the triangle and appending the
// parts and three unshared midpoints at the end), without moving the list once per triangle.
void subdivideRound(Model& model, int first) {
    const std::vector<ModelPolygon> old(model.polygons.begin() + first, model.polygons.end());
    model.polygons.resize(static_cast<std::size_t>(first));
    model.polygons.reserve(static_cast<std::size_t>(first) + 4 * old.size());
    model.vertices.reserve(model.vertices.size() + 3 * old.size());
    for (const ModelPolygon& p : old) {
        const int a = p.vId[0], b = p.vId[1], c = p.vId[2];
        const auto v = [&](int k) { return model.vertices[static_cast<std::size_t>(k)]; };
        const ModelVertex mids[3] = {midpoint(v(a), v(b)), midpoint(v(c), v(b)), midpoint(v(c), v(a))};
        const int mab = model.addVertices(mids), mcb = mab + 1, mca = mab + 2;
        triangle(model, a, mab, mca);
        triangle(model, b, mcb, mab);
        triangle(model, c, mca, mcb);
        triangle(model, mab, mcb, mca);
    }
}

void sphere(Model& model, int i, int subdivisions) {
    addTriangleRing(model);
    model.addVertex(ringCentre(model, i, -100));
    model.addVertex(ringCentre(model, i, 100));
    const int first = model.polygonCount();
    for (const auto& t : {std::array{i + 1, i, i + 3}, std::array{i + 2, i + 1, i + 3}, std::array{i, i + 2, i + 3},
                          std::array{i, i + 1, i + 4}, std::array{i + 1, i + 2, i + 4}, std::array{i + 2, i, i + 4}})
        triangle(model, t[0], t[1], t[2]);
    for (int round = 0; round < subdivisions; ++round) {
        subdivideRound(model, first);
        for (std::size_t v = static_cast<std::size_t>(i); v < model.vertices.size(); ++v) {
            Unify(model.vertices[v]);
            Scale(model.vertices[v], 50);
        }
    }
}

void mesh(Model& model, const PrimitiveParams& p, int i) {
    const long long w = p.squaresX, h = p.squaresY;
    double y = -static_cast<double>(h) * p.spacingY / 2;
    for (long long r = 0; r <= h; ++r, y += p.spacingY) {
        double x = -static_cast<double>(w) * p.spacingX / 2;
        for (long long c = 0; c <= w; ++c, x += p.spacingX) model.addVertex(makeVector(x, y, 0));
    }
    for (long long r = 0; r < h; ++r)
        for (long long c = 0; c < w; ++c) {
            const int g = static_cast<int>(i + c + r * (w + 1)), k = static_cast<int>(i + c + (r + 1) * (w + 1));
            triangle(model, g, g + 1, k);
            triangle(model, g + 1, k + 1, k);
        }
}

const char* kindName(PrimitiveKind kind) {
    switch (kind) {
        case PrimitiveKind::Pyramid:
            return "pyramid";
        case PrimitiveKind::Cube:
            return "cube";
        case PrimitiveKind::Cylinder:
            return "cylinder";
        case PrimitiveKind::Sphere:
            return "sphere";
        case PrimitiveKind::Mesh:
            return "mesh";
    }
    return "";
}

}  // namespace

PrimitiveSize primitiveSize(const PrimitiveParams& p) {
    switch (p.kind) {
        case PrimitiveKind::Pyramid:
            return {4, 4};
        case PrimitiveKind::Cube:
            return {8, 12};
        case PrimitiveKind::Cylinder:
            return {2LL * p.sides, 4LL * p.sides - 4};
        case PrimitiveKind::Sphere: {
            // Past 24 subdivisions the count overflows; the range stops at 20 anyway.
            const long long triangles = 6LL << (2 * std::min(p.subdivisions, 24));
            return {triangles - 1, triangles};  // five, and three unshared midpoints per split
        }
        case PrimitiveKind::Mesh: {
            const double w = static_cast<double>(p.squaresX), h = static_cast<double>(p.squaresY);
            const double triangles = 2 * w * h, vertices = (w + 1) * (h + 1);
            const double cap = 1e18;
            return {static_cast<long long>(std::min(vertices, cap)), static_cast<long long>(std::min(triangles, cap))};
        }
    }
    return {};
}

std::optional<std::string> primitiveRefusal(const Model& model, const PrimitiveParams& p) {
    if (p.kind == PrimitiveKind::Cylinder && (p.sides < 3 || p.sides > 100))
        return "a cylinder has 3 to 100 sides, not " + std::to_string(p.sides);
    if (p.kind == PrimitiveKind::Sphere && (p.subdivisions < 0 || p.subdivisions > 20))
        return "a sphere takes 0 to 20 subdivisions, not " + std::to_string(p.subdivisions);
    if (p.kind == PrimitiveKind::Mesh && (p.squaresX < 0 || p.squaresY < 0))
        return "a mesh needs a grid of 0 or more squares each way";
    if (p.kind == PrimitiveKind::Mesh && !(std::isfinite(p.spacingX) && std::isfinite(p.spacingY) &&
                                           std::fabs(p.spacingX * static_cast<double>(p.squaresX)) <= 1e9 &&
                                           std::fabs(p.spacingY * static_cast<double>(p.squaresY)) <= 1e9))
        return "the mesh would reach beyond +/-1000000000";
    if (model.groupCount() >= kMaxGroups)
        return "the model has " + std::to_string(kMaxGroups) +
               " groups, as many as it can hold, and a primitive makes one more";
    const PrimitiveSize size = primitiveSize(p);
    const long long room = kMaxPrimitiveTriangles;
    if (size.triangles <= room && model.vertexCount() + size.vertices <= INT32_MAX / 2) return std::nullopt;
    std::string fits;
    if (p.kind == PrimitiveKind::Sphere) {
        int d = 0;
        while (d < 20 && (6LL << (2 * (d + 1))) <= room) ++d;
        fits = "; at most " + std::to_string(d) + " subdivisions fit";
    } else if (p.kind == PrimitiveKind::Mesh) {
        fits = "; at most " + std::to_string(room / 2) + " squares in all fit (X times Y)";
    }
    return "a " + std::string(kindName(p.kind)) + " of " + std::to_string(size.triangles) +
           " triangles is more than the " + std::to_string(room) + " one primitive may have" + fits;
}

void addPrimitive(Model& model, const PrimitiveParams& p) {
    const int i = model.vertexCount(), first = model.polygonCount();
    switch (p.kind) {
        case PrimitiveKind::Pyramid:
            pyramid(model, i);
            break;
        case PrimitiveKind::Cube:
            cube(model, i);
            break;
        case PrimitiveKind::Cylinder:
            cylinder(model, p.sides);
            break;
        case PrimitiveKind::Sphere:
            sphere(model, i, p.subdivisions);
            break;
        case PrimitiveKind::Mesh:
            mesh(model, p, i);
            break;
    }
    PolygonGroup group{p.name, {}};
    group.polygons.reserve(static_cast<std::size_t>(model.polygonCount() - first));
    for (int t = first; t < model.polygonCount(); ++t) group.append(t);
    model.addGroup(group);
}

}  // namespace kestrel::model

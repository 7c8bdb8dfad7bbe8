// Joining pairs of triangles into quadrilaterals.
//
// Each triangle i in turn takes the first later triangle j that faces the same way within
// the uniformity and shares two of its corners, that is an edge; the candidates come from a
// map of the triangles by edge rather than from every later triangle. A triangle with a
// repeated corner has no edge to share (joined, it would make a quadrilateral of unrelated
// or repeated corners): it takes no part, and "Do Polygon Reduction" is what removes it.
// Face normals depend on a polygon's own vertices only, which the joins never move, so
// they are computed once; the normals are recomputed at the end.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>

#include "model/optimise.h"

namespace kestrel::model {

namespace {

// The triangles by each pair of their vertices.
class TriangleIndex {
public:
    TriangleIndex(const Model& model, const std::vector<bool>& eligible) {
        for (std::size_t t = 0; t < model.polygons.size(); ++t) {
            if (!eligible[t]) continue;
            const auto& v = model.polygons[t].vId;
            for (int a = 0; a < 3; ++a)
                for (int b = a + 1; b < 3; ++b) byEdge_.push_back({edgeKey(v[a], v[b]), static_cast<int>(t)});
        }
        std::ranges::sort(byEdge_);
    }

    // The triangles after i that share an edge with it.
    void candidates(int i, const std::array<std::int32_t, 4>& v, std::vector<int>& out) const {
        out.clear();
        for (int a = 0; a < 3; ++a)
            for (int b = a + 1; b < 3; ++b) collect(byEdge_, edgeKey(v[a], v[b]), i, out);
        std::ranges::sort(out);
        out.erase(std::unique(out.begin(), out.end()), out.end());
    }

private:
    using Entry = std::pair<std::uint64_t, int>;
    static std::uint64_t edgeKey(std::int32_t a, std::int32_t b) {
        const auto first = static_cast<std::uint32_t>(a), second = static_cast<std::uint32_t>(b);
        return first < second ? static_cast<std::uint64_t>(first) << 32 | second
                              : static_cast<std::uint64_t>(second) << 32 | first;
    }
    static void collect(const std::vector<Entry>& entries, std::uint64_t key, int after, std::vector<int>& out) {
        auto it = std::ranges::lower_bound(entries, Entry{key, after + 1});
        for (; it != entries.end() && it->first == key; ++it) out.push_back(it->second);
    }

    std::vector<Entry> byEdge_;
};

struct Corner {
    std::int32_t vertex = -1;
    std::int32_t tu = 0, tv = 0;
    int uses = 0;
};

bool oppositeSigns(double a, double b) { return (a > 0 && b < 0) || (a < 0 && b > 0); }

// Builds the quadrilateral of triangles i and j into i, as the join does, when they share
// two corners; false (and i untouched) otherwise.
bool join(Model& model, std::size_t i, std::size_t j, const ModelVertex& faceOfJ) {
    ModelPolygon& first = model.polygons[i];
    const ModelPolygon& second = model.polygons[j];
    // The second triangle's corners, then the first's corner that is not among them.
    std::array<Corner, 4> a{};
    for (int k = 0; k < 3; ++k) a[static_cast<std::size_t>(k)] = {second.vId[k], second.tu[k], second.tv[k], 1};
    int filled = 3, shared = 0;
    for (int k = 0; k < 3; ++k) {
        const auto slot =
            std::find_if(a.begin(), a.begin() + filled, [&](const Corner& c) { return c.vertex == first.vId[k]; });
        if (slot != a.begin() + filled) {
            ++slot->uses;
            ++shared;
        } else {
            a[3] = {first.vId[k], first.tu[k], first.tv[k], 1};
            filled = 4;
        }
    }
    // Two triangles on the same three vertices would leave the fourth corner empty.
    if (shared < 2 || filled < 4) return false;
    // The second's unshared corner first, the shared edge in the middle, the first's last.
    if (a[0].uses > 1) std::swap(a[0], a[1].uses > 1 ? a[2] : a[1]);
    first.flags = 1;
    if (first.tId != second.tId) first.tId = -1;
    for (std::size_t k = 0; k < 4; ++k) {
        first.vId[k] = first.nId[k] = a[k].vertex;
        first.tu[k] = a[k].tu;
        first.tv[k] = a[k].tv;
        first.uvSelected[k] = 0;
    }
    // Facing the other way on some axis: turn it over.
    const ModelVertex face = faceNormalOf(model, first);
    if (oppositeSigns(face.x, faceOfJ.x) || oppositeSigns(face.y, faceOfJ.y) || oppositeSigns(face.z, faceOfJ.z)) {
        for (const auto& [p, q] : {std::pair{0, 1}, std::pair{2, 3}}) {
            std::swap(first.vId[p], first.vId[q]);
            std::swap(first.nId[p], first.nId[q]);
            std::swap(first.tu[p], first.tu[q]);
            std::swap(first.tv[p], first.tv[q]);
        }
    }
    return true;
}

}  // namespace

int convertTrianglesToQuads(Model& model, const QuadConversionOptions& options, const Progress& progress) {
    model.recomputeNormals();
    const std::size_t count = model.polygons.size();
    int steps = 0;                             // the triangles there are
    std::vector<bool> eligible(count, false);  // a triangle (and selected, when asked)
    for (std::size_t t = 0; t < count; ++t) {
        const ModelPolygon& p = model.polygons[t];
        const bool triangle = polygonCornerCount(p) == 3;
        steps += triangle;
        const bool repeated = p.vId[0] == p.vId[1] || p.vId[1] == p.vId[2] || p.vId[0] == p.vId[2];
        eligible[t] = triangle && !repeated && (!options.selectedOnly || model.isPolygonSelected(p));
    }
    const TriangleIndex index(model, eligible);
    std::vector<ModelVertex> faces(count);
    for (std::size_t t = 0; t < count; ++t) faces[t] = model.polygons[t].faceNormal;
    const double u = options.uniformity;
    std::vector<bool> doomed(count, false);
    std::vector<int> candidates;
    int joined = 0;
    for (std::size_t i = 0; i < count; ++i) {
        if (!eligible[i]) continue;
        index.candidates(static_cast<int>(i), model.polygons[i].vId, candidates);
        for (const int c : candidates) {
            const auto j = static_cast<std::size_t>(c);
            if (!eligible[j]) continue;  // joined already, or gone
            const ModelVertex d = vectorDifference(faces[j], faces[i]);
            if (!(std::abs(d.x) <= u && std::abs(d.y) <= u && std::abs(d.z) <= u)) continue;
            if (!join(model, i, j, faces[j])) continue;
            eligible[i] = eligible[j] = false;
            doomed[j] = true;
            ++joined;
            if (progress) progress(joined, steps);
            break;
        }
    }
    if (joined > 0) model.deletePolygons(doomed);
    model.recomputeNormals();
    return joined;
}

}  // namespace kestrel::model

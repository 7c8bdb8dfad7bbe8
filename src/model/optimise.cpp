#include "model/optimise.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numeric>

#include "model/vertex_grid.h"

namespace kestrel::model {

namespace {

bool isSelected(const ModelVertex& v) { return (v.flags & kVertexSelected) != 0; }

void report(const Progress& progress, int step, int steps) {
    if (progress) progress(step, steps);
}

}  // namespace

// ---- Vertex merging ----
//
// Walking every vertex i in turn and every later vertex j, j is absorbed by the first
// surviving i that may absorb it and lies closer than the radius. Absorbers never move, and
// whether i survives depends only on the vertices before it, so each j can be decided on
// its own, in index order: its absorber is the lowest-numbered surviving candidate i < j
// within the radius. A grid over the vertices finds the candidates; the corners are
// renumbered once at the end.
int mergeVertices(Model& model, const VertexMergeOptions& options, const Progress& progress) {
    const auto count = model.vertices.size();
    const int steps = static_cast<int>(count);
    const double radius = options.radius;
    const bool s = options.selectedOnly, k = options.selectedStayInPlace;
    std::vector<int> absorber(count, -1);
    if (radius > 0 && count > 1) {  // nothing is closer than 0, or than NaN
        const VertexGrid grid(model.vertices, radius);
        const auto vertices = model.vertices.view();
        const auto canAbsorb = [&](int i) {
            return absorber[static_cast<std::size_t>(i)] < 0 &&
                   (!s || isSelected(vertices[static_cast<std::size_t>(i)]));
        };
        for (std::size_t j = 0; j < count; ++j) {
            report(progress, static_cast<int>(j) + 1, steps);
            const ModelVertex& v = vertices[j];
            // Who may be absorbed: with only one box ticked, the selected vertices (S) or
            // the unselected ones (K); with none or both, everyone.
            const bool considered = s == k || (s ? isSelected(v) : !isSelected(v));
            if (!considered) continue;
            int best = static_cast<int>(j);
            grid.forEachNear(j, [&](std::span<const int> cell) {
                for (const int i : cell) {
                    if (i >= best) break;  // cells list their vertices in index order
                    if (canAbsorb(i) && Distance(vectorDifference(vertices[static_cast<std::size_t>(i)], v)) < radius)
                        best = i;
                }
            });
            if (best < static_cast<int>(j)) absorber[j] = best;
        }
    }

    std::vector<int> newIndex(count, -1);
    int kept = 0;
    for (std::size_t v = 0; v < count; ++v)
        if (absorber[v] < 0) newIndex[v] = kept++;
    const int merged = static_cast<int>(count) - kept;
    if (merged == 0) return 0;
    // All four corner slots are renumbered, as each merge renumbers them: an absorbed vertex
    // becomes its absorber, and values beyond the vertices move down with them.
    for (ModelPolygon& p : model.polygons)
        for (std::int32_t& corner : p.vId) {
            if (corner < 0) continue;
            const auto c = static_cast<std::size_t>(corner);
            corner = c < count ? newIndex[static_cast<std::size_t>(absorber[c] < 0 ? corner : absorber[c])]
                               : corner - merged;
        }
    for (std::size_t v = 0; v < count; ++v)
        if (newIndex[v] >= 0) model.vertices[static_cast<std::size_t>(newIndex[v])] = model.vertices[v];
    model.vertices.resize(static_cast<std::size_t>(kept));
    renumberBoneVertices(model.skeleton, newIndex);
    return merged;
}

// ---- Polygon reduction ----

namespace {

// Where a quadrilateral's outline goes: corners 0, 1, 3, 2.
constexpr int kQuadOutline[] = {0, 1, 3, 2};

// The quadrilateral without the corner at slot `dropped`, as a triangle keeping the order
// of the outline from corner 0 (never dropped: the later of a pair is).
void dropCorner(ModelPolygon& p, int dropped) {
    const ModelPolygon quad = p;
    int to = 0;
    for (const int from : kQuadOutline) {
        if (from == dropped) continue;
        p.vId[to] = quad.vId[from];
        p.nId[to] = quad.nId[from];
        p.tu[to] = quad.tu[from];
        p.tv[to] = quad.tv[from];
        p.uRel[to] = quad.uRel[from];
        p.vRel[to] = quad.vRel[from];
        p.rgb[to] = quad.rgb[from];
        p.uvSelected[to] = quad.uvSelected[from];
        ++to;
    }
    p.vId[3] = -1;
    p.nId[3] = p.tu[3] = p.tv[3] = p.rgb[3] = 0;
    p.uRel[3] = p.vRel[3] = 0;
    p.uvSelected[3] = 0;
    p.flags &= ~7;
}

}  // namespace

PolygonReduction reducePolygons(Model& model, const Progress& progress) {
    PolygonReduction done;
    for (ModelVertex& v : model.vertices) v.flags &= static_cast<std::uint16_t>(~kVertexInUse);
    const int steps = model.polygonCount();
    std::vector<bool> doomed(model.polygons.size(), false);
    for (std::size_t i = 0; i < model.polygons.size(); ++i) {
        report(progress, static_cast<int>(i) + 1, steps);
        ModelPolygon& p = model.polygons[i];
        const int corners = polygonCornerCount(p);
        int pairs = 0, later = -1;
        for (int a = 0; a < corners; ++a)
            for (int b = a + 1; b < corners; ++b)
                if (p.vId[a] == p.vId[b]) {
                    ++pairs;
                    later = b;
                }
        if (pairs == 0) continue;
        if (corners == 3 || pairs > 1) {
            doomed[i] = true;
            ++done.polygonsRemoved;
        } else {
            dropCorner(p, later);
            ++done.trianglesMade;
        }
    }
    model.deletePolygons(doomed);
    const auto vertexCount = model.vertices.size();
    for (const ModelPolygon& p : model.polygons)
        for (int k = 0; k < polygonCornerCount(p); ++k)
            if (p.vId[k] >= 0 && static_cast<std::size_t>(p.vId[k]) < vertexCount)
                model.vertices[static_cast<std::size_t>(p.vId[k])].flags |= kVertexInUse;
    std::vector<bool> unused(vertexCount, false);
    for (std::size_t v = 0; v < vertexCount; ++v) {
        unused[v] = !(model.vertices[v].flags & kVertexInUse);
        done.verticesRemoved += unused[v];
    }
    if (done.verticesRemoved > 0) model.deleteVertices(unused);
    return done;
}

// ---- Grid align, RSDTOOL ----

void gridAlign(Model& model, const GridAlignOptions& options) {
    double ModelVertex::*const axes[] = {&ModelVertex::x, &ModelVertex::y, &ModelVertex::z};
    for (ModelVertex& v : model.vertices) {
        if (options.selectedOnly && !isSelected(v)) continue;
        for (std::size_t a = 0; a < 3; ++a) {
            const double g = options.size[a];
            if (!options.enabled[a] || !(g > 0) || !std::isfinite(g)) continue;
            double& c = v.*axes[a];
            c = g * std::trunc((c + g / 2) / g);
        }
    }
}

int makeRsdToolCompatible(Model& model) {
    int changed = 0;
    for (ModelPolygon& p : model.polygons) {
        if (p.type != PTYPE_TEXTURED_COLOURED && p.type != PTYPE_TEXTURED_GRADATION_COLOURED) continue;
        p.type = PTYPE_TEXTURED;
        p.rgb.fill(kMidGrey);
        ++changed;
    }
    return changed;
}

// ---- Reordering ----

std::vector<int> orderByMovement(const Model& start, std::span<const Pose> poses, double threshold) {
    const auto count = start.vertices.size();
    std::vector<long long> key(count, 0);
    const Model* previous = &start;
    for (const Pose& pose : poses) {
        const auto& now = pose.model->vertices;
        const auto& before = previous->vertices;
        for (std::size_t v = 0; v < count && v < now.size() && v < before.size(); ++v) {
            const ModelVertex& a = now[v];
            const ModelVertex& b = before[v];
            if (std::abs(a.x - b.x) > threshold || std::abs(a.y - b.y) > threshold || std::abs(a.z - b.z) > threshold)
                key[v] += pose.framesFromLast;
        }
        previous = pose.model;
    }
    std::vector<int> order(count);
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b) { return key[static_cast<std::size_t>(a)] < key[static_cast<std::size_t>(b)]; });
    return order;
}

void applyVertexOrder(Model& model, std::span<const int> order) {
    const auto count = model.vertices.size();
    if (order.size() != count) return;
    std::vector<int> newIndex(count, -1);
    for (std::size_t at = 0; at < count; ++at) newIndex[static_cast<std::size_t>(order[at])] = static_cast<int>(at);
    std::vector<ModelVertex> moved(count);
    for (std::size_t at = 0; at < count; ++at) moved[at] = model.vertices[static_cast<std::size_t>(order[at])];
    model.vertices = std::move(moved);
    for (ModelPolygon& p : model.polygons)
        for (int k = 0; k < polygonCornerCount(p); ++k) {
            const int v = p.vId[k];
            if (v < 0 || static_cast<std::size_t>(v) >= count) continue;
            p.vId[k] = p.nId[k] = newIndex[static_cast<std::size_t>(v)];
        }
    renumberBoneVertices(model.skeleton, newIndex);
    renumberNormals(model.normals, newIndex, static_cast<int>(count));
}

}  // namespace kestrel::model

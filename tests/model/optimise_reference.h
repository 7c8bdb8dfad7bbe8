#pragma once
// The plain walks the optimisation tools are defined by, one vertex pair or triangle pair
// at a time, with every renumbering done on the spot. Slow (quadratic, and more), but simple
// enough to check by eye; the tests and benchmarks hold the fast passes to them.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "model/model.h"
#include "model/optimise.h"

namespace kestrel::model {

// Each vertex i in turn absorbs every later vertex j closer than the radius. With only
// "Selected Vertices Only" ticked, just selected vertices absorb or are absorbed; with only
// "Selected stay in place", any vertex absorbs but only unselected ones are absorbed; with
// both, selected vertices absorb anyone; with neither, anyone absorbs anyone.
inline int referenceMergeVertices(Model& model, const VertexMergeOptions& options) {
    const bool s = options.selectedOnly, k = options.selectedStayInPlace;
    const auto selected = [](const ModelVertex& v) { return (v.flags & kVertexSelected) != 0; };
    int merged = 0;
    for (int i = 0; i < model.vertexCount(); ++i) {
        if (s && !selected(model.vertices[static_cast<std::size_t>(i)])) continue;
        for (int j = i + 1; j < model.vertexCount();) {
            const ModelVertex& vi = model.vertices[static_cast<std::size_t>(i)];
            const ModelVertex& vj = model.vertices[static_cast<std::size_t>(j)];
            const bool considered = s == k || (s ? selected(vj) : !selected(vj));
            if (!considered || !(Distance(vectorDifference(vi, vj)) < options.radius)) {
                ++j;
                continue;
            }
            for (ModelPolygon& p : model.polygons)
                for (std::int32_t& corner : p.vId) {
                    if (corner == j)
                        corner = i;
                    else if (corner > j)
                        --corner;
                }
            for (Bone& bone : model.skeleton.bones) {
                std::erase(bone.vertices, j);
                for (int& v : bone.vertices)
                    if (v > j) --v;
            }
            model.vertices.erase(model.vertices.begin() + j);
            ++merged;  // j now names the next vertex: examine it too
        }
    }
    return merged;
}

// Each triangle i in turn joins the first later triangle j that faces the same way within
// the uniformity and shares two corners with it: i becomes the quadrilateral, j goes. The
// corners are counted as the join lays them out. Triangles with a repeated corner take no
// part, and a pair whose three corners all lie on the same vertices leaves no fourth corner
// and is not joined.
inline int referenceConvertTrianglesToQuads(Model& model, const QuadConversionOptions& options) {
    const double u = options.uniformity;
    const auto eligible = [&](const ModelPolygon& p) {
        const bool repeated = p.vId[0] == p.vId[1] || p.vId[1] == p.vId[2] || p.vId[0] == p.vId[2];
        return polygonCornerCount(p) == 3 && !repeated && (!options.selectedOnly || model.isPolygonSelected(p));
    };
    int joined = 0;
    model.recomputeNormals();
    for (int i = 0; i < model.polygonCount(); ++i) {
        if (!eligible(model.polygons[static_cast<std::size_t>(i)])) continue;
        for (int j = i + 1; j < model.polygonCount(); ++j) {
            ModelPolygon& pi = model.polygons[static_cast<std::size_t>(i)];
            const ModelPolygon& pj = model.polygons[static_cast<std::size_t>(j)];
            if (!eligible(pj)) continue;
            const ModelVertex d = vectorDifference(pj.faceNormal, pi.faceNormal);
            if (!(std::abs(d.x) <= u && std::abs(d.y) <= u && std::abs(d.z) <= u)) continue;

            struct Corner {
                int v = -1, tu = 0, tv = 0, uses = 0;
            };
            Corner a[4];
            for (int c = 0; c < 3; ++c) a[c] = {pj.vId[c], pj.tu[c], pj.tv[c], 1};
            int shared = 0;
            for (int c = 0; c < 3; ++c) {
                int found = -1;
                for (int slot = 0; slot < 4 && found < 0; ++slot)
                    if (a[slot].uses > 0 && a[slot].v == pi.vId[c]) found = slot;
                if (found >= 0) {
                    ++a[found].uses;
                    ++shared;
                } else {
                    a[3] = {pi.vId[c], pi.tu[c], pi.tv[c], 1};
                }
            }
            if (shared < 2 || a[3].uses == 0) continue;
            if (a[0].uses > 1) std::swap(a[0], a[a[1].uses > 1 ? 2 : 1]);

            pi.flags = 1;
            if (pi.tId != pj.tId) pi.tId = -1;
            for (int c = 0; c < 4; ++c) {
                pi.vId[c] = pi.nId[c] = a[c].v;
                pi.tu[c] = a[c].tu;
                pi.tv[c] = a[c].tv;
                pi.uvSelected[c] = 0;
            }
            model.recomputeNormals();
            const ModelVertex& n = pi.faceNormal;
            const ModelVertex& m = model.polygons[static_cast<std::size_t>(j)].faceNormal;
            const auto opposite = [](double x, double y) { return (x > 0 && y < 0) || (x < 0 && y > 0); };
            if (opposite(n.x, m.x) || opposite(n.y, m.y) || opposite(n.z, m.z))
                for (auto* field : {&pi.vId, &pi.nId, &pi.tu, &pi.tv}) {
                    std::swap((*field)[0], (*field)[1]);
                    std::swap((*field)[2], (*field)[3]);
                }
            model.deletePolygon(j);
            ++joined;
            break;
        }
    }
    model.recomputeNormals();  // the last turned quadrilateral's normals, and none stale
    return joined;
}

}  // namespace kestrel::model

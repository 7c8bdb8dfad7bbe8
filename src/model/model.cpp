#include "model/model.h"

#include <algorithm>

namespace kestrel::model {

void PolygonGroup::remove(std::int32_t polygon) {
    auto it = std::find(polygons.begin(), polygons.end(), polygon);
    if (it != polygons.end()) polygons.erase(it);
}

bool Model::isPolygonSelected(const ModelPolygon& polygon) const {
    const int corners = polygonCornerCount(polygon);
    int selected = 0;
    for (int i = 0; i < corners; ++i) {
        const int v = polygon.vId[i];
        if (v >= 0 && v < vertexCount() && (vertices[v].flags & kVertexSelected)) ++selected;
    }
    return selected > 2;
}

int Model::countSelectedPolygons() const {
    return static_cast<int>(
        std::count_if(polygons.begin(), polygons.end(), [this](const auto& p) { return isPolygonSelected(p); }));
}

Extent Model::extent(double ModelVertex::*axis, VertexSet which) const {
    Extent e;
    for (const auto& v : vertices) {
        if (which == VertexSet::Selected && !(v.flags & kVertexSelected)) continue;
        e.max = std::max(e.max, v.*axis);
        e.min = std::min(e.min, v.*axis);
    }
    return e;
}

Extent Model::extentX(VertexSet which) const { return extent(&ModelVertex::x, which); }
Extent Model::extentY(VertexSet which) const { return extent(&ModelVertex::y, which); }
Extent Model::extentZ(VertexSet which) const { return extent(&ModelVertex::z, which); }

ModelVertex Model::boundingCentre(VertexSet which) const {
    const Extent x = extentX(which), y = extentY(which), z = extentZ(which);
    return makeVector((x.max + x.min) / 2, (y.max + y.min) / 2, (z.max + z.min) / 2);
}

int Model::addVertex(const ModelVertex& vertex) { return addVertices({&vertex, 1}); }

int Model::addVertices(std::span<const ModelVertex> added) {
    const int first = vertexCount();
    vertices.insert(vertices.end(), added.begin(), added.end());
    normals.resize(vertices.size());
    return first;
}

int Model::addPolygon(int a, int b, int c, int d) {
    ModelPolygon p;
    p.vId = {a, b, c, d};
    polygons.push_back(p);
    return polygonCount() - 1;
}

void Model::subdivideTriangle(int index, bool removeOriginal) {
    const ModelPolygon& p = polygons.at(index);
    const int a = p.vId[0], b = p.vId[1], c = p.vId[2];
    if (removeOriginal) deletePolygon(index);
    const ModelVertex mids[3] = {midpoint(vertices[a], vertices[b]), midpoint(vertices[c], vertices[b]),
                                 midpoint(vertices[c], vertices[a])};
    const int mab = addVertices(mids), mcb = mab + 1, mca = mab + 2;
    addPolygon(a, mab, mca, -1);
    addPolygon(b, mcb, mab, -1);
    addPolygon(c, mca, mcb, -1);
    addPolygon(mab, mcb, mca, -1);
}

void Model::addGroup(const PolygonGroup& group) { groups.push_back(group); }

void Model::deleteGroup(int index) { groups.erase(groups.begin() + index); }

void Model::deletePolygon(int index) {
    std::vector<bool> doomed(polygons.size(), false);
    doomed.at(static_cast<std::size_t>(index)) = true;
    deletePolygons(doomed);
}

void Model::deletePolygons(const std::vector<bool>& doomed) {
    std::vector<int> newIndex(polygons.size(), -1);
    int kept = 0;
    for (std::size_t i = 0; i < polygons.size(); ++i)
        if (i >= doomed.size() || !doomed[i]) {
            newIndex[i] = kept;
            polygons[static_cast<std::size_t>(kept++)] = std::move(polygons[i]);
        }
    polygons.resize(static_cast<std::size_t>(kept));
    for (auto& g : groups) {
        // Members that name no polygon are left as they are, as deleting one at a time would.
        std::erase_if(g.polygons, [&](int member) {
            return member >= 0 && static_cast<std::size_t>(member) < newIndex.size() &&
                   newIndex[static_cast<std::size_t>(member)] < 0;
        });
        for (auto& member : g.polygons)
            if (member >= 0 && static_cast<std::size_t>(member) < newIndex.size())
                member = newIndex[static_cast<std::size_t>(member)];
    }
}

void Model::deleteVertex(int index) {
    std::vector<bool> doomed(vertices.size(), false);
    doomed.at(static_cast<std::size_t>(index)) = true;
    deleteVertices(doomed);
}

void Model::deleteVertices(const std::vector<bool>& doomed) {
    const auto count = vertices.size();
    const auto isDoomed = [&](int v) {
        return v >= 0 && static_cast<std::size_t>(v) < count && static_cast<std::size_t>(v) < doomed.size() &&
               doomed[static_cast<std::size_t>(v)];
    };
    std::vector<int> newIndex(count, -1);
    int kept = 0;
    for (std::size_t v = 0; v < count; ++v)
        if (!isDoomed(static_cast<int>(v))) newIndex[v] = kept++;
    std::vector<bool> doomedPolygons(polygons.size(), false);
    for (std::size_t i = 0; i < polygons.size(); ++i) {
        ModelPolygon& p = polygons[i];
        const int corners = polygonCornerCount(p);
        for (int k = 0; k < corners; ++k) doomedPolygons[i] = doomedPolygons[i] || isDoomed(p.vId[k]);
        if (doomedPolygons[i]) continue;
        // Corners beyond the vertices move down by the number of vertices deleted.
        for (int k = 0; k < corners; ++k) {
            const int v = p.vId[k];
            if (v < 0) continue;
            p.vId[k] = static_cast<std::size_t>(v) < count ? newIndex[static_cast<std::size_t>(v)]
                                                           : v - (static_cast<int>(count) - kept);
        }
    }
    deletePolygons(doomedPolygons);
    for (std::size_t v = 0; v < count; ++v)
        if (newIndex[v] >= 0) vertices[static_cast<std::size_t>(newIndex[v])] = vertices[v];
    vertices.resize(static_cast<std::size_t>(kept));
    renumberBoneVertices(skeleton, newIndex);
    // The normals stay as they are, matching the polygons' normal indices, until the next
    // recomputation.
}

void Model::deleteTexture(int index) {
    for (auto& p : polygons) {
        if (p.tId == index) {
            p.tId = -1;
            p.type = PTYPE_SINGLE_COLOUR;
        } else if (p.tId > index) {
            --p.tId;
        }
    }
    textureFiles.erase(textureFiles.begin() + index);
}

void Model::translate(const ModelVertex& offset, VertexSet which, bool moveSkeleton) {
    for (auto& v : vertices)
        if (which == VertexSet::All || (v.flags & kVertexSelected)) Add(v, offset);
    if (moveSkeleton)
        for (auto& j : skeleton.joints) Add(j.position, offset);
}

void Model::deselectAllVertices() {
    for (auto& v : vertices) v.flags &= ~kVertexSelected;
}

void Model::selectGroupVertices(int groupIndex) {
    if (groupIndex < 0 || groupIndex >= groupCount()) return;
    for (int member : groups[static_cast<std::size_t>(groupIndex)].polygons) {
        if (member < 0 || member >= polygonCount()) continue;
        const ModelPolygon& p = polygons[static_cast<std::size_t>(member)];
        for (int k = 0; k < polygonCornerCount(p); ++k)
            if (p.vId[k] >= 0 && p.vId[k] < vertexCount())
                vertices[static_cast<std::size_t>(p.vId[k])].flags |= kVertexSelected;
    }
}

void renumberBoneVertices(Skeleton& skeleton, std::span<const int> newIndex) {
    const auto renumbered = [&](int v) {
        return v >= 0 && static_cast<std::size_t>(v) < newIndex.size() ? newIndex[static_cast<std::size_t>(v)] : -1;
    };
    for (Bone& bone : skeleton.bones) {
        std::erase_if(bone.vertices, [&](int v) { return renumbered(v) < 0; });
        for (int& v : bone.vertices) v = renumbered(v);
    }
}

void renumberNormals(CowArray<ModelVertex>& normals, std::span<const int> newIndex, int vertexCount) {
    if (normals.size() != newIndex.size()) return;  // stale already: left for the next recomputation
    CowArray<ModelVertex> moved(static_cast<std::size_t>(vertexCount));
    for (std::size_t v = 0; v < newIndex.size(); ++v)
        if (newIndex[v] >= 0) moved[static_cast<std::size_t>(newIndex[v])] = normals[v];
    normals = std::move(moved);
}

ModelVertex faceNormalOf(const Model& model, const ModelPolygon& p) {
    // Either walk round the outline ends at corner 0, between corners 1 and 2.
    const auto at = [&](int corner) { return model.vertices[static_cast<std::size_t>(p.vId[corner])]; };
    const ModelVertex& v = at(0);
    ModelVertex normal = CrossProduct(vectorDifference(at(1), v), vectorDifference(at(2), v));
    Unify(normal);
    return normal;
}

Normals computeNormals(const Model& model) {
    Normals out;
    computeNormals(model, out);
    return out;
}

void computeNormals(const Model& model, Normals& out) {
    const auto vertices = model.vertices.view();
    const auto polygons = model.polygons.view();
    out.vertex.assign(vertices.size(), ModelVertex{});
    out.face.assign(polygons.size(), ModelVertex{});
    // Quadrilaterals keep the console's corner order, whose edges run 0-1, 1-3, 3-2, 2-0, so
    // the walk round a polygon's edge visits corner 3 before corner 2.
    static constexpr int kTriangleWalk[] = {0, 1, 2}, kQuadWalk[] = {0, 1, 3, 2};
    for (std::size_t at = 0; at < polygons.size(); ++at) {
        const ModelPolygon& p = polygons[at];
        const int n = polygonCornerCount(p);
        const int* walk = n == 4 ? kQuadWalk : kTriangleWalk;
        ModelVertex& face = out.face[at];
        // Corner 0 is visited last, so the face normal is the product at corner 0.
        for (int k = 1; k <= n; ++k) {
            const int v = p.vId[walk[k % n]];
            const ModelVertex& V = vertices[static_cast<std::size_t>(v)];
            const ModelVertex eNext = vectorDifference(vertices[static_cast<std::size_t>(p.vId[walk[(k + 1) % n]])], V);
            const ModelVertex ePrev = vectorDifference(vertices[static_cast<std::size_t>(p.vId[walk[(k - 1) % n]])], V);
            face = CrossProduct(eNext, ePrev);
            Add(out.vertex[static_cast<std::size_t>(v)], face);
        }
        Unify(face);
    }
    for (auto& n : out.vertex) Unify(n);
}

void Model::recomputeNormals() {
    Normals computed = computeNormals(*this);
    normals.assign(computed.vertex.begin(), computed.vertex.end());
    for (std::size_t at = 0; at < polygons.size(); ++at) {
        ModelPolygon& p = polygons[at];
        for (int k = 0; k < polygonCornerCount(p); ++k) p.nId[k] = p.vId[k];
        p.faceNormal = computed.face[at];
    }
}

}  // namespace kestrel::model

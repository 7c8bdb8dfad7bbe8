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
    return static_cast<int>(std::count_if(polygons.begin(), polygons.end(),
                                          [this](const auto& p) { return isPolygonSelected(p); }));
}

Extent Model::extent(double ModelVertex::*axis, int mode) const {
    Extent e;
    for (const auto& v : vertices) {
        if (mode == 1 && !(v.flags & kVertexSelected)) continue;
        e.max = std::max(e.max, v.*axis);
        e.min = std::min(e.min, v.*axis);
    }
    return e;
}

Extent Model::extentX(int mode) const { return extent(&ModelVertex::x, mode); }
Extent Model::extentY(int mode) const { return extent(&ModelVertex::y, mode); }
Extent Model::extentZ(int mode) const { return extent(&ModelVertex::z, mode); }

ModelVertex Model::boundingCentre(int mode) const {
    const Extent x = extentX(mode), y = extentY(mode), z = extentZ(mode);
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
    const ModelVertex mids[3] = {midpoint(vertices[a], vertices[b]),
                                 midpoint(vertices[c], vertices[b]),
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
    for (auto& g : groups) {
        std::erase(g.polygons, index);
        for (auto& member : g.polygons)
            if (member > index) --member;
    }
    polygons.erase(polygons.begin() + index);
}

void Model::deleteVertex(int index) {
    for (int i = 0; i < polygonCount();) {
        ModelPolygon& p = polygons[i];
        const int corners = polygonCornerCount(p);
        if (std::find(p.vId.begin(), p.vId.begin() + corners, index) != p.vId.begin() + corners) {
            deletePolygon(i);
            continue;
        }
        for (int k = 0; k < corners; ++k)
            if (p.vId[k] > index) --p.vId[k];
        ++i;
    }
    // The normals stay as they are: stale until the next recomputation.
    vertices.erase(vertices.begin() + index);
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

void Model::translate(const ModelVertex& offset, int mode, bool moveSkeleton) {
    for (auto& v : vertices)
        if (mode == 0 || (v.flags & kVertexSelected)) Add(v, offset);
    if (moveSkeleton)
        for (auto& j : skeleton.joints) Add(j.position, offset);
}

void Model::deselectAllVertices() {
    for (auto& v : vertices) v.flags &= ~kVertexSelected;
}

void Model::selectGroupVertices(int groupIndex) {
    for (int member : groups.at(groupIndex).polygons) {
        const ModelPolygon& p = polygons.at(member);
        for (int k = 0; k < polygonCornerCount(p); ++k) vertices.at(p.vId[k]).flags |= kVertexSelected;
    }
}

void Model::recomputeNormals() {
    normals.assign(vertices.size(), ModelVertex{});
    // Quadrilaterals keep the console's corner order, whose edges run 0-1, 1-3, 3-2, 2-0, so
    // the walk round a polygon's edge visits corner 3 before corner 2.
    static constexpr int kTriangleWalk[] = {0, 1, 2}, kQuadWalk[] = {0, 1, 3, 2};
    for (std::size_t at = 0; at < polygons.size(); ++at) {
        // Polygons are large: fetching a few ahead keeps the walk from waiting on memory.
        if (at + 8 < polygons.size()) __builtin_prefetch(&polygons[at + 8]);
        ModelPolygon& p = polygons[at];
        const int n = polygonCornerCount(p);
        const int* walk = n == 4 ? kQuadWalk : kTriangleWalk;
        // Corner 0 is visited last, so the face normal is the product at corner 0.
        for (int k = 1; k <= n; ++k) {
            const int i = walk[k % n];
            const int v = p.vId[i];
            p.nId[i] = v;
            const ModelVertex& V = vertices[v];
            const ModelVertex eNext = vectorDifference(vertices[p.vId[walk[(k + 1) % n]]], V);
            const ModelVertex ePrev = vectorDifference(vertices[p.vId[walk[(k - 1) % n]]], V);
            p.faceNormal = CrossProduct(eNext, ePrev);
            Add(normals[v], p.faceNormal);
        }
        Unify(p.faceNormal);
    }
    for (auto& n : normals) Unify(n);
}

}  // namespace kestrel::model

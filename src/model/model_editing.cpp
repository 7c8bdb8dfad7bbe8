#include "model/model_editing.h"

#include <algorithm>
#include <limits>

namespace kestrel::model {

namespace {

bool isSelected(const ModelVertex& v) { return (v.flags & kVertexSelected) != 0; }

// The extent of the vertices that pass, from the vertices themselves: with none, the empty
// extent.
template <typename Pass>
std::array<Extent, 3> extentsOf(const Model& model, Pass pass) {
    constexpr double inf = std::numeric_limits<double>::infinity();
    std::array<Extent, 3> e{Extent{-inf, inf}, Extent{-inf, inf}, Extent{-inf, inf}};
    bool any = false;
    for (const ModelVertex& v : model.vertices) {
        if (!pass(v)) continue;
        any = true;
        const double c[] = {v.x, v.y, v.z};
        for (std::size_t a = 0; a < 3; ++a) {
            e[a].max = std::max(e[a].max, c[a]);
            e[a].min = std::min(e[a].min, c[a]);
        }
    }
    if (!any) return {};
    return e;
}

ModelVertex middle(const std::array<Extent, 3>& e) {
    return makeVector((e[0].max + e[0].min) / 2, (e[1].max + e[1].min) / 2, (e[2].max + e[2].min) / 2);
}

}  // namespace

void selectAllVertices(Model& model) {
    for (ModelVertex& v : model.vertices) v.flags |= kVertexSelected;
}

void invertVertexSelection(Model& model) {
    for (ModelVertex& v : model.vertices) v.flags ^= kVertexSelected;
}

int countSelectedVertices(const Model& model) {
    return static_cast<int>(std::ranges::count_if(model.vertices, isSelected));
}

int deleteSelectedVertices(Model& model) {
    std::vector<bool> doomed(model.vertices.size());
    for (std::size_t v = 0; v < doomed.size(); ++v) doomed[v] = isSelected(model.vertices[v]);
    const auto count = static_cast<int>(std::ranges::count(doomed, true));
    if (count > 0) model.deleteVertices(doomed);
    return count;
}

int deleteSelectedPolygons(Model& model) {
    std::vector<bool> doomed(model.polygons.size());
    for (std::size_t p = 0; p < doomed.size(); ++p) doomed[p] = model.isPolygonSelected(model.polygons[p]);
    const auto count = static_cast<int>(std::ranges::count(doomed, true));
    if (count > 0) model.deletePolygons(doomed);
    return count;
}

int createTriangle(Model& model) {
    std::vector<int> corners;
    for (int v = 0; v < model.vertexCount(); ++v)
        if (isSelected(model.vertices[static_cast<std::size_t>(v)])) corners.push_back(v);
    if (corners.size() > 3) return -1;
    for (double x = 0; corners.size() < 3; x += 100) corners.push_back(model.addVertex(makeVector(x, 0, 0)));
    return model.addPolygon(corners[0], corners[1], corners[2], -1);
}

int invertSelectedNormals(Model& model) {
    int turned = 0;
    for (ModelPolygon& p : model.polygons)
        if (model.isPolygonSelected(p)) {
            std::swap(p.vId[1], p.vId[2]);
            ++turned;
        }
    return turned;
}

PolygonGroup groupOfSelectedPolygons(const Model& model) {
    PolygonGroup group;
    for (int p = 0; p < model.polygonCount(); ++p)
        if (model.isPolygonSelected(model.polygons[static_cast<std::size_t>(p)])) group.append(p);
    return group;
}

std::array<Extent, 3> vertexExtents(const Model& model, bool selectedOnly) {
    return extentsOf(model, [selectedOnly](const ModelVertex& v) { return !selectedOnly || isSelected(v); });
}

void centreObject(Model& model) {
    if (model.vertices.empty()) return;
    const ModelVertex centre = middle(vertexExtents(model, false));
    for (ModelVertex& v : model.vertices) Subtract(v, centre);
}

void rescale(Model& model, double scale, VertexSet which) {
    for (ModelVertex& v : model.vertices)
        if (which == VertexSet::All || isSelected(v)) Scale(v, scale);
    for (Joint& joint : model.skeleton.joints) Scale(joint.position, scale);
}

SelectionInfo selectionInfo(const Model& model) {
    SelectionInfo info;
    const auto e = extentsOf(model, isSelected);
    info.x = e[0];
    info.y = e[1];
    info.z = e[2];
    info.centre = middle(e);
    info.vertices = countSelectedVertices(model);
    info.polygons = model.countSelectedPolygons();
    return info;
}

std::optional<VertexInfo> vertexInfo(const Model& model) {
    std::optional<VertexInfo> found;
    for (int v = 0; v < model.vertexCount(); ++v) {
        if (!isSelected(model.vertices[static_cast<std::size_t>(v)])) continue;
        if (found) return std::nullopt;
        found = VertexInfo{v, model.vertices[static_cast<std::size_t>(v)]};
    }
    return found;
}

}  // namespace kestrel::model

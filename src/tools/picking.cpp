#include "tools/picking.h"

#include <algorithm>
#include <cmath>

#include "model/matrix.h"
#include "render/edit_view.h"

namespace kestrel::tools {

using model::Model;
using model::ModelPolygon;

ScreenRect ScreenRect::between(double x0, double y0, double x1, double y1) {
    return {std::min(x0, x1), std::min(y0, y1), std::max(x0, x1), std::max(y0, y1)};
}

std::optional<int> nearestVisibleVertex(const Model& model, const model::ViewProjection& view, double x, double y,
                                        double tolerance) {
    // Only the vertices near the pointer matter: find them first, so that the walk over the
    // polygons looks at a flag and projects nothing.
    const std::size_t count = model.vertices.size();
    std::vector<std::uint8_t> near(count, 0);
    std::vector<model::ScreenPoint> points(count);
    const model::Projector project(view);
    bool any = false;
    for (std::size_t v = 0; v < count; ++v) {
        const model::ScreenPoint s = project(model.vertices[v]);
        if (std::fabs(s.x - x) < tolerance && std::fabs(s.y - y) < tolerance) {
            near[v] = 1;
            points[v] = s;
            any = true;
        }
    }
    if (!any) return std::nullopt;
    const model::Matrix4 turn = view.rotation();
    for (const ModelPolygon& p : model.polygons) {
        const int corners = model::polygonCornerCount(p);
        bool candidate = false;
        for (int k = 0; k < corners; ++k) {
            const auto v = static_cast<std::size_t>(p.vId[k]);
            candidate = candidate || (v < count && near[v]);
        }
        if (!candidate || model::transformVector(turn, model::faceNormalOf(model, p)).z < 0) continue;
        double bestDistance = tolerance, bestDepth = 2;
        int best = -1;
        for (int k = 0; k < corners; ++k) {
            const auto v = static_cast<std::size_t>(p.vId[k]);
            if (v >= count || !near[v]) continue;
            const model::ScreenPoint& s = points[v];
            const double distance = std::hypot(s.x - x, s.y - y);
            if (distance < bestDistance || s.depth < bestDepth) {
                bestDistance = std::min(bestDistance, distance);
                bestDepth = s.depth;
                best = p.vId[k];
            }
        }
        if (best >= 0) return best;
    }
    return std::nullopt;
}

std::vector<int> verticesInside(const Model& model, const model::ViewProjection& view, const ScreenRect& rect) {
    std::vector<int> inside;
    const model::Projector project(view);
    for (std::size_t v = 0; v < model.vertices.size(); ++v) {
        const model::ScreenPoint s = project(model.vertices[v]);
        if (rect.contains(s.x, s.y)) inside.push_back(static_cast<int>(v));
    }
    return inside;
}

std::vector<int> magicWandFrom(const Model& model, int vertex) {
    const std::size_t count = model.vertices.size();
    if (vertex < 0 || static_cast<std::size_t>(vertex) >= count) return {};
    // The polygons on each vertex, so that the flood visits each polygon once per corner.
    std::vector<std::vector<int>> on(count);
    for (std::size_t i = 0; i < model.polygons.size(); ++i) {
        const ModelPolygon& p = model.polygons[i];
        for (int k = 0; k < model::polygonCornerCount(p); ++k)
            if (static_cast<std::size_t>(p.vId[k]) < count)
                on[static_cast<std::size_t>(p.vId[k])].push_back(static_cast<int>(i));
    }
    std::vector<std::uint8_t> selected(count);
    for (std::size_t v = 0; v < count; ++v) selected[v] = (model.vertices[v].flags & model::kVertexSelected) != 0;
    std::vector<int> found, pending{vertex};
    while (!pending.empty()) {
        const int from = pending.back();
        pending.pop_back();
        for (const int i : on[static_cast<std::size_t>(from)]) {
            const ModelPolygon& p = model.polygons[static_cast<std::size_t>(i)];
            const int corners = model::polygonCornerCount(p);
            bool whole = true;
            for (int k = 0; k < corners; ++k) whole = whole && selected[static_cast<std::size_t>(p.vId[k])];
            if (whole) continue;
            for (int k = 0; k < corners; ++k) {
                const auto v = static_cast<std::size_t>(p.vId[k]);
                if (selected[v]) continue;
                selected[v] = 1;
                found.push_back(p.vId[k]);
                pending.push_back(p.vId[k]);
            }
        }
    }
    return found;
}

std::vector<UvCorner> uvCornersInside(const Model& model, int texture, const UvView& view, const ScreenRect& rect) {
    std::vector<UvCorner> inside;
    for (std::size_t i = 0; i < model.polygons.size(); ++i) {
        const ModelPolygon& p = model.polygons[i];
        if (!render::showsUvCorners(model, p, texture)) continue;
        for (int k = 0; k < model::polygonCornerCount(p); ++k)
            if (rect.contains(view.x(p.tu[k]), view.y(p.tv[k]))) inside.push_back({static_cast<int>(i), k});
    }
    return inside;
}

}  // namespace kestrel::tools

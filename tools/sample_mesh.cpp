#include "sample_mesh.h"

#include <cmath>
#include <numbers>

namespace kestrel::samples {

using model::ModelVertex;

Outline octagon(double w, double h) {
    const double a = 0.7 * w, b = 0.7 * h;
    return {{-a, -h}, {a, -h}, {w, -b}, {w, b}, {a, h}, {-a, h}, {-w, b}, {-w, -b}};
}

Outline regular(int sides, double radius) {
    Outline out;
    for (int k = 0; k < sides; ++k) {
        const double angle = 2 * std::numbers::pi * k / sides;
        out.emplace_back(radius * std::cos(angle), radius * std::sin(angle));
    }
    return out;
}

std::vector<ModelVertex> place(const Outline& outline, const ModelVertex& centre, const ModelVertex& across,
                               const ModelVertex& up) {
    std::vector<ModelVertex> points;
    for (const auto& [a, b] : outline)
        points.push_back(model::makeVector(centre.x + a * across.x + b * up.x, centre.y + a * across.y + b * up.y,
                                           centre.z + a * across.z + b * up.z));
    return points;
}

std::vector<int> addPoints(model::Model& model, const std::vector<ModelVertex>& points) {
    std::vector<int> indices;
    for (const ModelVertex& p : points) indices.push_back(model.addVertex(p));
    return indices;
}

ModelVertex centroid(const model::Model& model, const std::vector<int>& vertices) {
    ModelVertex sum;
    for (int v : vertices) model::Add(sum, model.vertices[static_cast<std::size_t>(v)]);
    model::Scale(sum, 1.0 / static_cast<double>(vertices.size()));
    return model::makeVector(sum.x, sum.y, sum.z);
}

bool facesOut(const model::Model& model, int a, int b, int c, const ModelVertex& inside) {
    const auto at = [&](int v) { return model.vertices[static_cast<std::size_t>(v)]; };
    const ModelVertex normal =
        model::CrossProduct(model::vectorDifference(at(b), at(a)), model::vectorDifference(at(c), at(a)));
    const ModelVertex toInside = model::vectorDifference(inside, centroid(model, {a, b, c}));
    return normal.x * toInside.x + normal.y * toInside.y + normal.z * toInside.z > 0;
}

std::vector<int> tube(model::Model& model, const std::vector<std::vector<int>>& rings) {
    // Which way round the rings run decides which way every face turns: take the way that
    // turns the first face away from the middle of the first two rings.
    const ModelVertex inside = model::midpoint(centroid(model, rings[0]), centroid(model, rings[1]));
    const bool forward = facesOut(model, rings[0][0], rings[0][1], rings[1][0], inside);
    std::vector<int> made;
    for (std::size_t i = 0; i + 1 < rings.size(); ++i) {
        const std::vector<int>& a = rings[i];
        const std::vector<int>& b = rings[i + 1];
        for (std::size_t j = 0; j < a.size(); ++j) {
            const std::size_t k = (j + 1) % a.size();
            const int p = forward ? model.addPolygon(a[j], a[k], b[j], b[k]) : model.addPolygon(a[k], a[j], b[k], b[j]);
            model.polygons[static_cast<std::size_t>(p)].flags = 1;
            made.push_back(p);
        }
    }
    return made;
}

std::vector<int> cap(model::Model& model, const std::vector<int>& ring, const ModelVertex& inside) {
    const int centre = model.addVertex(centroid(model, ring));
    std::vector<int> made;
    for (std::size_t j = 0; j < ring.size(); ++j) {
        const int a = ring[j], b = ring[(j + 1) % ring.size()];
        made.push_back(facesOut(model, centre, a, b, inside) ? model.addPolygon(centre, a, b, -1)
                                                             : model.addPolygon(centre, b, a, -1));
    }
    return made;
}

}  // namespace kestrel::samples

#pragma once
// Lofted shapes for the sample tools: rings of points joined into tubes and closed with caps,
// each face turned outwards as the program's views draw it.
#include <utility>
#include <vector>

#include "model/model.h"

namespace kestrel::samples {

// An outline in its own plane, as (across, up) pairs in order round it.
using Outline = std::vector<std::pair<double, double>>;

// A rectangle of half sides w and h with its corners cut by 0.3 of each half side, starting at
// the top edge's left end (up negative, as the model's Y runs).
Outline octagon(double w, double h);
// A regular polygon of that radius, its first corner on the across axis.
Outline regular(int sides, double radius);

// The outline's points about centre, its first coordinate along `across`, its second along `up`.
std::vector<model::ModelVertex> place(const Outline& outline, const model::ModelVertex& centre,
                                      const model::ModelVertex& across, const model::ModelVertex& up);

// Appends the points as vertices and returns their indices.
std::vector<int> addPoints(model::Model& model, const std::vector<model::ModelVertex>& points);

// The middle of the vertices, by their mean.
model::ModelVertex centroid(const model::Model& model, const std::vector<int>& vertices);

// Whether a face with corners a, b, c (in the console's order) shows from outside a solid that
// holds the point `inside`: the program's face normal, (b - a) x (c - a), points into the solid.
bool facesOut(const model::Model& model, int a, int b, int c, const model::ModelVertex& inside);

// Quadrilaterals between consecutive rings of equal size, facing away from the rings' middles.
// Returns the polygons made.
std::vector<int> tube(model::Model& model, const std::vector<std::vector<int>>& rings);
// A fan of triangles from a new vertex at the ring's middle, facing away from `inside`.
std::vector<int> cap(model::Model& model, const std::vector<int>& ring, const model::ModelVertex& inside);

}  // namespace kestrel::samples

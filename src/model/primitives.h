#pragma once
// The object creator's primitives: a pyramid, a cube, a cylinder, a sphere and a flat mesh,
// each appended to a model as new vertices and new triangles that form a new named group.
#include <optional>
#include <string>

#include "model/model.h"

namespace kestrel::model {

enum class PrimitiveKind { Pyramid, Cube, Cylinder, Sphere, Mesh };

struct PrimitiveParams {
    PrimitiveKind kind = PrimitiveKind::Pyramid;
    std::string name;                      // the new group's
    int sides = 6;                         // cylinder, 3-100
    int subdivisions = 2;                  // sphere, 0-20
    double spacingX = 10, spacingY = 10;   // mesh
    long long squaresX = 5, squaresY = 5;  // mesh
};

// The largest primitive one command makes: every vertex and triangle costs memory in the
// model, its history and every keyframe, and a million-polygon model is already a lot.
inline constexpr long long kMaxPrimitiveTriangles = 4'000'000;

struct PrimitiveSize {
    long long vertices = 0, triangles = 0;
};
PrimitiveSize primitiveSize(const PrimitiveParams& params);

// Why the primitive cannot be made on this model (a value out of range, a size past the
// limit naming the largest that fits, no room for another group); nothing when it can.
std::optional<std::string> primitiveRefusal(const Model& model, const PrimitiveParams& params);

// Appends the primitive and its group. The caller has asked primitiveRefusal.
void addPrimitive(Model& model, const PrimitiveParams& params);

}  // namespace kestrel::model

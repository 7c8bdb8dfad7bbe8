#pragma once
// The 4x4 matrix of all transforms; vectors are rows multiplied on the left, so
// transformVector(multiply(A, B), v) applies A first and then B.
#include <array>

#include "model/vector.h"

namespace kestrel::model {

struct Matrix4 {
    std::array<std::array<double, 4>, 4> m{};  // m[row][column]

    bool operator==(const Matrix4&) const = default;
};

Matrix4 zeroMatrix();
Matrix4 identityMatrix();
// All four diagonal elements, m[3][3] included, become k.
Matrix4 scaleMatrix(double k);
Matrix4 rotationX(double theta);
Matrix4 rotationY(double theta);
Matrix4 rotationZ(double theta);
Matrix4 multiply(const Matrix4& a, const Matrix4& b);
// Only the upper-left 3x3 block takes part; the result has flags 0.
// Inline: every paint sends every vertex and normal of the model through it.
inline ModelVertex transformVector(const Matrix4& m, const ModelVertex& v) {
    return {v.x * m.m[0][0] + v.y * m.m[1][0] + v.z * m.m[2][0], v.x * m.m[0][1] + v.y * m.m[1][1] + v.z * m.m[2][1],
            v.x * m.m[0][2] + v.y * m.m[1][2] + v.z * m.m[2][2], 0};
}

}  // namespace kestrel::model

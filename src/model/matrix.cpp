#include "model/matrix.h"

#include <cmath>

namespace kestrel::model {

Matrix4 zeroMatrix() { return {}; }

Matrix4 identityMatrix() { return scaleMatrix(1.0); }

Matrix4 scaleMatrix(double k) {
    Matrix4 r;
    for (int i = 0; i < 4; ++i) r.m[i][i] = k;
    return r;
}

Matrix4 rotationX(double theta) {
    Matrix4 r = identityMatrix();
    const double c = std::cos(theta), s = std::sin(theta);
    r.m[1][1] = c;
    r.m[2][2] = c;
    r.m[1][2] = s;
    r.m[2][1] = -s;
    return r;
}

Matrix4 rotationY(double theta) {
    Matrix4 r = identityMatrix();
    const double c = std::cos(theta), s = std::sin(theta);
    r.m[0][0] = c;
    r.m[2][2] = c;
    r.m[2][0] = s;
    r.m[0][2] = -s;
    return r;
}

Matrix4 rotationZ(double theta) {
    Matrix4 r = identityMatrix();
    const double c = std::cos(theta), s = std::sin(theta);
    r.m[0][0] = c;
    r.m[1][1] = c;
    r.m[0][1] = s;
    r.m[1][0] = -s;
    return r;
}

Matrix4 multiply(const Matrix4& a, const Matrix4& b) {
    Matrix4 r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            double sum = 0.0;
            for (int k = 0; k < 4; ++k) sum += a.m[i][k] * b.m[k][j];
            r.m[i][j] = sum;
        }
    return r;
}

}  // namespace kestrel::model

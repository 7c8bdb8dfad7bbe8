#include "model/vector.h"

#include <cmath>

namespace kestrel::model {

ModelVertex makeVector(double x, double y, double z) { return {x, y, z, 0}; }

ModelVertex vectorSum(const ModelVertex& a, const ModelVertex& b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z, a.flags};
}

ModelVertex vectorDifference(const ModelVertex& a, const ModelVertex& b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z, a.flags};
}

void Add(ModelVertex& a, const ModelVertex& b) {
    a.x += b.x;
    a.y += b.y;
    a.z += b.z;
}

void Subtract(ModelVertex& a, const ModelVertex& b) {
    a.x -= b.x;
    a.y -= b.y;
    a.z -= b.z;
}

void Scale(ModelVertex& a, double s) {
    a.x *= s;
    a.y *= s;
    a.z *= s;
}

ModelVertex midpoint(const ModelVertex& a, const ModelVertex& b) {
    return {(a.x + b.x) / 2, (a.y + b.y) / 2, (a.z + b.z) / 2, 0};
}

ModelVertex CrossProduct(const ModelVertex& a, const ModelVertex& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x, a.flags};
}

double Distance(const ModelVertex& a) { return std::sqrt(a.z * a.z + (a.x * a.x + a.y * a.y)); }

void Unify(ModelVertex& a) {
    // The loop repeats only while rounding leaves the length above 1.
    for (double d = Distance(a); d > 1.0; d = Distance(a)) Scale(a, 1.0 / d);
}

void UnifyPSX(ModelVertex& a) {
    Scale(a, 4096.0);
    for (double d = Distance(a); d > 4096.0; d = Distance(a)) Scale(a, 4096.0 / d);
}

namespace {

// s is the component whose sine is taken, d the one that decides the half-plane.
double planeAngle(double s, double d) {
    const double q = std::asin(std::fabs(s));
    if (d > 0 && s > 0) return q;
    if (d < 0 && s > 0) return PI - q;
    if (d < 0 && s < 0) return q + PI;
    if (d > 0 && s < 0) return TWO_PI - q;
    if (d == 0 && s > 0) return HALF_PI;
    if (d == 0 && s < 0) return THREE_HALF_PI;
    if (s == 0 && d < 0) return PI;
    return 0.0;
}

ModelVertex unified(ModelVertex a) {
    Unify(a);
    return a;
}

}  // namespace

double AngleX(const ModelVertex& a) {
    const ModelVertex u = unified(a);
    return planeAngle(u.z, u.y);
}

double AngleY(const ModelVertex& a) {
    const ModelVertex u = unified(a);
    return planeAngle(u.x, u.z);
}

double AngleZ(const ModelVertex& a) {
    const ModelVertex u = unified(a);
    return planeAngle(u.y, u.x);
}

}  // namespace kestrel::model

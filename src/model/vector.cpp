#include "model/vector.h"

#include <cmath>

namespace kestrel::model {

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

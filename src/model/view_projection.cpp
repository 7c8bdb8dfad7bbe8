#include "model/view_projection.h"

namespace kestrel::model {

Matrix4 ViewProjection::rotation() const { return multiply(rotationY(angleY), rotationX(angleX)); }

Matrix4 ViewProjection::inverseRotation() const {
    return multiply(rotationX(-angleX), rotationY(-angleY));
}

Matrix4 ViewProjection::matrix() const { return multiply(rotation(), scaleMatrix(0.2 * scale)); }

ScreenPoint ViewProjection::project(const ModelVertex& p) const {
    // The centre uses integer division, as the window's pixel grid does.
    const int cx = (clientWidth + 2 * panX) / 2;
    const int cy = (clientHeight + 2 * panY) / 2;
    const ModelVertex v = transformVector(matrix(), p);
    return {cx + v.x, cy + v.y, v.z / 32760 + 0.5};
}

ModelVertex ViewProjection::unproject(const ScreenPoint& s) const {
    const double unit = 0.2 * scale;
    if (unit == 0) return {};
    const int cx = (clientWidth + 2 * panX) / 2;
    const int cy = (clientHeight + 2 * panY) / 2;
    const ModelVertex turned{(s.x - cx) / unit, (s.y - cy) / unit, (s.depth - 0.5) * 32760 / unit, 0};
    return transformVector(inverseRotation(), turned);
}

Matrix4 ViewProjection::depthRotation(double angle) const {
    // Into the view, about its Z axis, and back: row vectors apply left to right.
    return multiply(multiply(rotation(), rotationZ(angle)), inverseRotation());
}

}  // namespace kestrel::model

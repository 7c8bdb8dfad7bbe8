#include "model/view_projection.h"

namespace kestrel::model {

Matrix4 ViewProjection::rotation() const { return multiply(rotationY(angleY), rotationX(angleX)); }

Matrix4 ViewProjection::inverseRotation() const { return multiply(rotationX(-angleX), rotationY(-angleY)); }

Matrix4 ViewProjection::matrix() const { return multiply(rotation(), scaleMatrix(0.2 * scale)); }

Projector::Projector(const ViewProjection& view)
    : m(view.matrix()), cx((view.clientWidth + 2 * view.panX) / 2), cy((view.clientHeight + 2 * view.panY) / 2) {}

ScreenPoint ViewProjection::project(const ModelVertex& p) const { return Projector(*this)(p); }

ModelVertex ViewProjection::unproject(const ScreenPoint& s) const {
    const double unit = 0.2 * scale;
    if (unit == 0) return {};
    const int cx = (clientWidth + 2 * panX) / 2;
    const int cy = (clientHeight + 2 * panY) / 2;
    const ModelVertex turned{(s.x - cx) / unit, (s.y - cy) / unit, (s.depth - 0.5) * kDepthDivisor / unit, 0};
    return transformVector(inverseRotation(), turned);
}

Matrix4 ViewProjection::depthRotation(double angle) const {
    // Into the view, about its Z axis, and back: row vectors apply left to right.
    return multiply(multiply(rotation(), rotationZ(angle)), inverseRotation());
}

}  // namespace kestrel::model

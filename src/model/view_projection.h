#pragma once
// How an edit view's camera puts model points on the screen: turned about Y, then about X,
// then scaled by 0.2 x scale pixels per model unit, about the window centre moved by the pan.
#include "model/matrix.h"

namespace kestrel::model {

struct ScreenPoint {
    double x = 0, y = 0;
    double depth = 0.5;  // 0 near ... 1 far
};

// A view's zoom when it opens: 0.2 x 0.7 pixels per model unit.
inline constexpr double kInitialViewScale = 0.7;
// Camera-space z over this, plus 0.5, is the depth the devices test (0 near, 1 far).
inline constexpr double kDepthDivisor = 32760;

struct ViewProjection;

// ViewProjection::project with the camera matrix and the centre worked out once, for the
// callers that project many points.
struct Projector {
    explicit Projector(const ViewProjection& view);
    ScreenPoint operator()(const ModelVertex& p) const {
        const ModelVertex v = transformVector(m, p);
        return {cx + v.x, cy + v.y, v.z / kDepthDivisor + 0.5};
    }
    Matrix4 m;
    int cx, cy;  // integer division, as the window's pixel grid does
};

struct ViewProjection {
    double angleY = 0, angleX = 0, scale = kInitialViewScale;  // the camera rotations (radians) and zoom
    int clientWidth = 0, clientHeight = 0, panX = 0, panY = 0;

    // Ry(angleY) . Rx(angleX) . S(0.2 x scale).
    Matrix4 matrix() const;
    // The camera's rotation alone, and its inverse.
    Matrix4 rotation() const;
    Matrix4 inverseRotation() const;
    ScreenPoint project(const ModelVertex& p) const;
    // The model point that projects to the screen point: project's inverse, for the tools
    // that turn the pointer's position into model coordinates. A zero scale has no inverse
    // and gives the origin.
    ModelVertex unproject(const ScreenPoint& s) const;
    // The rotation by angle about the view's depth axis, in model space.
    Matrix4 depthRotation(double angle) const;
};

}  // namespace kestrel::model

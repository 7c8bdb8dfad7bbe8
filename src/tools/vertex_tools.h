#pragma once
// What the vertex tools do to the selected vertices for one step of a drag, and how a pointer
// position or movement becomes a model point or displacement.
#include "model/model.h"
#include "model/view_projection.h"

namespace kestrel::tools {

// The model point under a screen point, in the plane through the origin facing the viewer.
model::ModelVertex pointUnder(const model::ViewProjection& view, double x, double y);
// The model displacement of a screen drag: turned back by the camera, unscaled, no depth.
model::ModelVertex dragDisplacement(const model::ViewProjection& view, double dx, double dy);
// The displacement with the locked axes' components set to 0 (locks: tool word lock bits).
model::ModelVertex withoutLocked(model::ModelVertex v, unsigned locks);

void moveSelected(model::Model& model, const model::ModelVertex& displacement);
// Rotate: angles of 2pi dx / width, 2pi dy / height and 2pi dx / height; with no lock the angle
// vector is turned back by the camera, otherwise the locked components are 0. Each selected
// vertex turns about the marker by Rx, Ry and Rz in that order; weighted, its angles scale with
// its distance from the marker over the largest such distance.
void rotateSelected(model::Model& model, const model::ViewProjection& view, const model::ModelVertex& marker, double dx,
                    double dy, unsigned locks, bool weighted);
// The factor of a resize step: the pointer's distance from the client's corner over the last
// one's; 1 when the last position was the corner itself.
double resizeFactor(double x, double y, double lastX, double lastY);
// Scales the selected vertices by the factor about the centre of their box on the free axes;
// a stretch scales the locked axes by its reciprocal as well.
void resizeSelected(model::Model& model, double factor, unsigned locks, bool stretch);
// The magnet: each selected vertex moves by d x |d| / |its offset from the marker|, so the
// vertices near the marker follow the pointer most; one at the marker itself stays.
// Locked components of each movement are 0.
void magnetSelected(model::Model& model, const model::ModelVertex& marker, const model::ModelVertex& displacement,
                    unsigned locks);

}  // namespace kestrel::tools

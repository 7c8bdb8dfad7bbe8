#include "tools/vertex_tools.h"

#include <algorithm>
#include <cmath>

#include "model/matrix.h"
#include "model/vector.h"
#include "tools/tool_word.h"

namespace kestrel::tools {

using model::Model;
using model::ModelVertex;

namespace {

bool selected(const ModelVertex& v) { return (v.flags & model::kVertexSelected) != 0; }

template <typename Change>
void forSelected(Model& model, Change change) {
    for (ModelVertex& v : model.vertices)
        if (selected(v)) change(v);
}

}  // namespace

ModelVertex pointUnder(const model::ViewProjection& view, double x, double y) { return view.unproject({x, y, 0.5}); }

ModelVertex dragDisplacement(const model::ViewProjection& view, double dx, double dy) {
    const double unit = 0.2 * view.scale;
    if (unit == 0) return {};
    return model::transformVector(view.inverseRotation(), {dx / unit, dy / unit, 0, 0});
}

ModelVertex withoutLocked(ModelVertex v, unsigned locks) {
    if (locks & bit::kLockX) v.x = 0;
    if (locks & bit::kLockY) v.y = 0;
    if (locks & bit::kLockZ) v.z = 0;
    return v;
}

void moveSelected(Model& model, const ModelVertex& d) {
    forSelected(model, [&](ModelVertex& v) { model::Add(v, d); });
}

void rotateSelected(Model& model, const model::ViewProjection& view, const ModelVertex& marker, double dx, double dy,
                    unsigned locks, bool weighted) {
    const double w = view.clientWidth > 0 ? view.clientWidth : 1, h = view.clientHeight > 0 ? view.clientHeight : 1;
    ModelVertex angles{model::TWO_PI * dx / w, model::TWO_PI * dy / h, model::TWO_PI * dx / h, 0};
    angles = locks ? withoutLocked(angles, locks) : model::transformVector(view.inverseRotation(), angles);
    double farthest = 0;
    if (weighted)
        forSelected(model, [&](const ModelVertex& v) {
            farthest = std::max(farthest, model::Distance(model::vectorDifference(v, marker)));
        });
    const auto turn = [&](double share) {
        return model::multiply(model::multiply(model::rotationX(angles.x * share), model::rotationY(angles.y * share)),
                               model::rotationZ(angles.z * share));
    };
    const model::Matrix4 whole = turn(1);
    forSelected(model, [&](ModelVertex& v) {
        const ModelVertex offset = model::vectorDifference(v, marker);
        double share = 1;
        if (weighted) share = farthest > 0 ? model::Distance(offset) / farthest : 0;
        const ModelVertex turned = model::transformVector(weighted ? turn(share) : whole, offset);
        v.x = marker.x + turned.x;
        v.y = marker.y + turned.y;
        v.z = marker.z + turned.z;
    });
}

double resizeFactor(double x, double y, double lastX, double lastY) {
    const double last = std::hypot(lastX, lastY);
    return last > 0 ? std::hypot(x, y) / last : 1;
}

void resizeSelected(Model& model, double factor, unsigned locks, bool stretch) {
    ModelVertex low{200000, 200000, 200000, 0}, high{-200000, -200000, -200000, 0};
    forSelected(model, [&](const ModelVertex& v) {
        low = {std::min(low.x, v.x), std::min(low.y, v.y), std::min(low.z, v.z), 0};
        high = {std::max(high.x, v.x), std::max(high.y, v.y), std::max(high.z, v.z), 0};
    });
    const ModelVertex centre{(low.x + high.x) / 2, (low.y + high.y) / 2, (low.z + high.z) / 2, 0};
    const double lockedFactor = stretch && factor != 0 ? 1 / factor : 1;
    const auto axis = [&](double value, double middle, unsigned lock) {
        const double k = (locks & lock) ? lockedFactor : factor;
        return middle + (value - middle) * k;
    };
    forSelected(model, [&](ModelVertex& v) {
        v.x = axis(v.x, centre.x, bit::kLockX);
        v.y = axis(v.y, centre.y, bit::kLockY);
        v.z = axis(v.z, centre.z, bit::kLockZ);
    });
}

void magnetSelected(Model& model, const ModelVertex& marker, const ModelVertex& d, unsigned locks) {
    const double pull = model::Distance(d);
    forSelected(model, [&](ModelVertex& v) {
        const double reach = model::Distance(model::vectorDifference(v, marker));
        if (reach == 0) return;
        ModelVertex step = d;
        model::Scale(step, pull / reach);
        model::Add(v, withoutLocked(step, locks));
    });
}

}  // namespace kestrel::tools

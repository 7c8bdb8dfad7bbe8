#include "tools/view_tools.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>

#include "animation/skeleton_ops.h"
#include "model/vector.h"
#include "tools/picking.h"
#include "tools/vertex_tools.h"

namespace kestrel::tools {

using model::Model;
using model::ModelVertex;

namespace {

constexpr std::uint32_t kMagenta = 0xFFFF00FF, kWhite = 0xFFFFFFFF;
constexpr int kPickPixels = 4, kWandPixels = 10, kUvPixels = 5;
constexpr double kWheelStep = 1.1;  // the scale grows by a tenth a notch

double wrapTurn(double angle) {
    while (angle >= model::TWO_PI) angle -= model::TWO_PI;
    while (angle < 0) angle += model::TWO_PI;
    return angle;
}

void addRectangle(Overlay& overlay, const ScreenRect& r) {
    overlay.lines.push_back({r.left, r.top, r.right, r.top, kMagenta});
    overlay.lines.push_back({r.right, r.top, r.right, r.bottom, kMagenta});
    overlay.lines.push_back({r.right, r.bottom, r.left, r.bottom, kWhite});
    overlay.lines.push_back({r.left, r.bottom, r.left, r.top, kWhite});
}

// The first bone on the joint that ends there (starts there, with shift), replaced by any later
// such bone that is selected: the bone a joint rotation turns.
int boneTurnedAt(const model::Skeleton& skeleton, int joint, bool shift) {
    int chosen = -1;
    for (const int b : skeleton.joints[static_cast<std::size_t>(joint)].bones) {
        const model::Bone& bone = skeleton.bones[static_cast<std::size_t>(b)];
        if ((shift ? bone.startJoint : bone.endJoint) != joint) continue;
        if (chosen < 0 || (bone.flags & model::kBoneSelected)) chosen = b;
    }
    return chosen;
}

int jointAt(const Model& model, double x, double y, int mode, const model::ViewProjection& view) {
    model::Skeleton skeleton = model.skeleton;  // shares its records: picking reads only
    return animation::pickJoint(skeleton, x, y, mode, view);
}

}  // namespace

std::string angleText(double radians, double fullTurn) {
    char text[96];
    std::snprintf(text, sizeof text, "Angle=%lfdeg, %lfrad", radians * 360 / fullTurn, radians);
    return text;
}

bool ViewTools::uvMode(const ViewTarget& target) const {
    const auto& slots = document_.textureSlots();
    return target.view.mode == render::DisplayMode::TextureUvEdit && target.selectedTexture >= 0 &&
           target.selectedTexture < static_cast<int>(slots.size()) &&
           slots[static_cast<std::size_t>(target.selectedTexture)].picture.width > 0;
}

void ViewTools::startEdit(const char* name) {
    document_.beginStep(name);
    stepOpen_ = true;
    drag_ = Drag::VertexTool;
}

bool ViewTools::leftPress(ViewTarget target, Pointer at) {
    if (drag_ != Drag::None) return false;
    viewBefore_ = target.view;
    pressX_ = lastX_ = at.x;
    pressY_ = lastY_ = at.y;
    overlay_ = {};
    word_.bits |= bit::kButtonDown;
    const model::ViewProjection view = target.projection();
    const unsigned tool = word_.tool();
    if (tool & bit::kMagicWand) {
        if (const auto hit = nearestVisibleVertex(document_.model(), view, at.x, at.y, kWandPixels))
            document_.selectVertices(magicWandFrom(document_.model(), *hit), true);
        return true;
    }
    if (tool & (bit::kRotate | bit::kMagnet | bit::kWeightedRotate)) target.view.marker = pointUnder(view, at.x, at.y);
    if (tool & bit::kMove) {
        startEdit("Move");
        if (uvMode(target)) drag_ = Drag::UvMove, fractionU_ = fractionV_ = 0;
    } else if (tool & bit::kRotate) {
        startEdit("Rotate");
    } else if (tool & bit::kWeightedRotate) {
        startEdit("Weighted Rotate");
    } else if (tool & bit::kResize) {
        startEdit("Resize");
    } else if (tool & bit::kStretch) {
        startEdit("Stretch");
    } else if (tool & bit::kMagnet) {
        startEdit("Magnet Tool");
    } else if (tool & bit::kZoom) {
        drag_ = Drag::Zoom;
    } else if (tool & bit::kPan) {
        drag_ = Drag::Pan;
    } else if (tool & bit::kZoomArea) {
        drag_ = Drag::ZoomArea;
    } else if (tool & bit::kMeasureAngle) {
        drag_ = Drag::MeasureAngle;
    } else if (tool & (bit::kMakeBone | bit::kMoveJoint | bit::kRotateJoint | bit::kLockedMoveJoint)) {
        return pressJointTool(target, at);
    } else {
        return pressPick(target, at);
    }
    updateOverlay(target, at);
    return true;
}

bool ViewTools::pressPick(ViewTarget& target, const Pointer& at) {
    const Model& model = document_.model();
    if (uvMode(target)) {
        const auto& picture = document_.textureSlots()[static_cast<std::size_t>(target.selectedTexture)].picture;
        const UvView uv{target.width, target.height, picture.width, picture.height};
        const auto hit =
            uvCornersInside(model, target.selectedTexture, uv,
                            {at.x - kUvPixels, at.y - kUvPixels, at.x + kUvPixels + 1, at.y + kUvPixels + 1});
        if (!hit.empty()) {
            document_.changeSelection([&](Model& m) {
                for (const UvCorner& c : hit) {
                    auto& flag =
                        m.polygons[static_cast<std::size_t>(c.polygon)].uvSelected[static_cast<std::size_t>(c.corner)];
                    flag = !flag;
                }
            });
            return true;
        }
        drag_ = Drag::UvRubberBand;
        return true;
    }
    const model::ViewProjection view = target.projection();
    if (target.view.showModel || target.view.showVertices)
        if (const auto hit = nearestVisibleVertex(model, view, at.x, at.y, kPickPixels)) {
            document_.changeSelection(
                [v = *hit](Model& m) { m.vertices[static_cast<std::size_t>(v)].flags ^= model::kVertexSelected; });
            return true;
        }
    if (target.view.showBones && !model.skeleton.empty()) {
        // With Shift the bone starting at the joint, else the one ending there: the first in the
        // joint's list. It becomes the one selected bone.
        const int joint =
            jointAt(model, at.x, at.y, at.shift ? animation::kPickStartJoints : animation::kPickEndJoints, view);
        int bone = -1;
        if (joint >= 0)
            for (const int b : model.skeleton.joints[static_cast<std::size_t>(joint)].bones) {
                const model::Bone& candidate = model.skeleton.bones[static_cast<std::size_t>(b)];
                if ((at.shift ? candidate.startJoint : candidate.endJoint) == joint) {
                    bone = b;
                    break;
                }
            }
        if (bone >= 0) {
            document_.selectBone(bone);
            return true;
        }
    }
    drag_ = Drag::RubberBand;
    return true;
}

bool ViewTools::pressJointTool(ViewTarget& target, const Pointer& at) {
    const Model& model = document_.model();
    const model::ViewProjection view = target.projection();
    const unsigned tool = word_.tool();
    const int both = animation::kPickStartJoints | animation::kPickEndJoints;
    if (tool & bit::kMakeBone) {
        const int joint = jointAt(model, at.x, at.y, both, view);
        startJoint_ = joint >= 0 ? std::optional<int>(joint) : std::nullopt;
        startPoint_ =
            joint >= 0 ? model.skeleton.joints[static_cast<std::size_t>(joint)].position : pointUnder(view, at.x, at.y);
        drag_ = Drag::MakeBone;
        updateOverlay(target, at);
        return true;
    }
    if (tool & bit::kMoveJoint) {
        joint_ = jointAt(model, at.x, at.y, both, view);
        if (joint_ < 0) return false;
        jointStart_ = model.skeleton.joints[static_cast<std::size_t>(joint_)].position;
        document_.beginStep("Move Joint");
        stepOpen_ = true;
        drag_ = Drag::MoveJoint;
        return true;
    }
    // Rotate Joint and Locked Move Joint: the angle is dragged out first and applied on release.
    joint_ = jointAt(model, at.x, at.y, at.shift ? animation::kPickStartJoints : animation::kPickEndJoints, view);
    if (joint_ < 0) return false;
    const int bone = boneTurnedAt(model.skeleton, joint_, at.shift);
    if (bone < 0) return false;
    const model::Bone& b = model.skeleton.bones[static_cast<std::size_t>(bone)];
    pivot_ = model.skeleton.joints[static_cast<std::size_t>(at.shift ? b.endJoint : b.startJoint)].position;
    jointStart_ = model.skeleton.joints[static_cast<std::size_t>(joint_)].position;
    angle_ = 0;
    shiftAtPress_ = at.shift;
    drag_ = Drag::JointAngle;
    updateOverlay(target, at);
    return true;
}

bool ViewTools::move(ViewTarget target, Pointer at) {
    if (drag_ == Drag::None) return false;
    const double dx = at.x - lastX_, dy = at.y - lastY_;
    const model::ViewProjection view = target.projection();
    const unsigned tool = word_.tool(), locks = word_.locks();
    switch (drag_) {
        case Drag::VertexTool: {
            const ModelVertex marker = target.view.marker;
            if (tool & bit::kMove) {
                const ModelVertex d = withoutLocked(dragDisplacement(view, dx, dy), locks);
                document_.edit("Move", [&](Model& m) { moveSelected(m, d); });
            } else if (tool & (bit::kRotate | bit::kWeightedRotate)) {
                const bool weighted = (tool & bit::kWeightedRotate) != 0;
                document_.edit(weighted ? "Weighted Rotate" : "Rotate",
                               [&](Model& m) { rotateSelected(m, view, marker, dx, dy, locks, weighted); });
            } else if (tool & (bit::kResize | bit::kStretch)) {
                const double factor = resizeFactor(at.x, at.y, lastX_, lastY_);
                const bool stretch = (tool & bit::kStretch) != 0;
                document_.edit(stretch ? "Stretch" : "Resize",
                               [&](Model& m) { resizeSelected(m, factor, locks, stretch); });
            } else if (tool & bit::kMagnet) {
                const ModelVertex d = dragDisplacement(view, dx, dy);
                document_.edit("Magnet Tool", [&](Model& m) { magnetSelected(m, marker, d, locks); });
            }
            break;
        }
        case Drag::UvMove: {
            if (!uvMode(target)) break;  // the texture went while the drag lasted
            const auto& picture = document_.textureSlots()[static_cast<std::size_t>(target.selectedTexture)].picture;
            const int texture = target.selectedTexture, bw = picture.width, bh = picture.height;
            // Whole texels only; the part of a texel left over waits for the next move.
            fractionU_ += target.width > 0 ? dx * bw / target.width : 0;
            fractionV_ += target.height > 0 ? dy * bh / target.height : 0;
            const int du = static_cast<int>(fractionU_), dv = static_cast<int>(fractionV_);
            fractionU_ -= du;
            fractionV_ -= dv;
            if (du || dv)
                document_.edit("Move", [&](Model& m) {
                    for (model::ModelPolygon& p : m.polygons) {
                        if (!render::showsUvCorners(m, p, texture)) continue;
                        for (int k = 0; k < model::polygonCornerCount(p); ++k) {
                            if (!p.uvSelected[static_cast<std::size_t>(k)]) continue;
                            p.tu[static_cast<std::size_t>(k)] =
                                std::clamp(p.tu[static_cast<std::size_t>(k)] + du, 0, bw);
                            p.tv[static_cast<std::size_t>(k)] =
                                std::clamp(p.tv[static_cast<std::size_t>(k)] + dv, 0, bh);
                        }
                    }
                });
            break;
        }
        case Drag::Zoom:
            target.view.scale = std::max(0.0, target.view.scale + dx * 0.01);
            break;
        case Drag::Pan:
        case Drag::MiddlePan:
            target.view.panX += static_cast<int>(dx);
            target.view.panY += static_cast<int>(dy);
            break;
        case Drag::Turn:
            target.view.dragTurn(static_cast<int>(dx), static_cast<int>(dy));
            break;
        case Drag::MoveJoint: {
            ModelVertex position = jointStart_;
            model::Add(position, withoutLocked(dragDisplacement(view, at.x - pressX_, at.y - pressY_), locks));
            document_.moveJoint(joint_, position);
            break;
        }
        case Drag::JointAngle:
            angle_ = wrapTurn(angle_ + (target.width > 0 ? dx / target.width : 0) * model::TWO_PI);
            break;
        default:
            break;
    }
    // Camera drags move by whole pixels: what was not used stays for the next move.
    if (drag_ == Drag::Pan || drag_ == Drag::MiddlePan || drag_ == Drag::Turn) {
        lastX_ += static_cast<int>(dx);
        lastY_ += static_cast<int>(dy);
    } else {
        lastX_ = at.x;
        lastY_ = at.y;
    }
    updateOverlay(target, at);
    return true;
}

void ViewTools::updateOverlay(const ViewTarget& target, const Pointer& at) {
    overlay_.lines.clear();
    const model::ViewProjection view = target.projection();
    switch (drag_) {
        case Drag::RubberBand:
        case Drag::UvRubberBand:
        case Drag::ZoomArea:
            addRectangle(overlay_, ScreenRect::between(pressX_, pressY_, at.x, at.y));
            break;
        case Drag::MeasureAngle: {
            overlay_.lines.push_back({pressX_, pressY_, at.x, at.y, kMagenta});
            // Counter-clockwise from the right on screen, as angles are read off a protractor.
            double a = std::atan2(pressY_ - at.y, at.x - pressX_);
            if (a < 0) a += 2 * std::numbers::pi;
            overlay_.info = angleText(a, 2 * std::numbers::pi);
            break;
        }
        case Drag::MakeBone: {
            const model::ScreenPoint s = view.project(startPoint_);
            overlay_.lines.push_back({s.x, s.y, at.x, at.y, kMagenta});
            break;
        }
        case Drag::JointAngle: {
            const model::ScreenPoint s = view.project(pivot_), j = view.project(jointStart_);
            const double r = std::hypot(j.x - s.x, j.y - s.y), base = std::atan2(j.y - s.y, j.x - s.x);
            constexpr int kSegments = 48;
            for (int i = 0; i < kSegments; ++i) {
                const double a0 = model::TWO_PI * i / kSegments, a1 = model::TWO_PI * (i + 1) / kSegments;
                overlay_.lines.push_back({s.x + r * std::cos(a0), s.y + r * std::sin(a0), s.x + r * std::cos(a1),
                                          s.y + r * std::sin(a1), kMagenta});
            }
            overlay_.lines.push_back(
                {s.x, s.y, s.x + r * std::cos(base + angle_), s.y + r * std::sin(base + angle_), kMagenta});
            overlay_.info = angleText(angle_, model::TWO_PI);
            break;
        }
        default:
            break;
    }
}

bool ViewTools::leftRelease(ViewTarget target, Pointer at) {
    const bool leftDrag = drag_ != Drag::None && drag_ != Drag::Turn && drag_ != Drag::MiddlePan;
    word_.bits &= ~bit::kButtonDown;
    if (!leftDrag) return false;
    return finish(target, at);
}

bool ViewTools::finish(ViewTarget& target, const Pointer& at) {
    const Model& model = document_.model();
    const model::ViewProjection view = target.projection();
    const ScreenRect band = ScreenRect::between(pressX_, pressY_, at.x, at.y);
    const int both = animation::kPickStartJoints | animation::kPickEndJoints;
    switch (drag_) {
        case Drag::RubberBand: {
            const auto inside = verticesInside(model, view, band);
            if (!inside.empty()) document_.selectVertices(inside, true);
            break;
        }
        case Drag::UvRubberBand: {
            if (!uvMode(target)) break;
            const auto& picture = document_.textureSlots()[static_cast<std::size_t>(target.selectedTexture)].picture;
            const auto inside = uvCornersInside(model, target.selectedTexture,
                                                {target.width, target.height, picture.width, picture.height}, band);
            if (!inside.empty())
                document_.changeSelection([&](Model& m) {
                    for (const UvCorner& c : inside)
                        m.polygons[static_cast<std::size_t>(c.polygon)].uvSelected[static_cast<std::size_t>(c.corner)] =
                            1;
                });
            break;
        }
        case Drag::ZoomArea: {
            const double w = band.right - band.left, h = band.bottom - band.top;
            if (w < 1 || h < 1) break;
            render::EditView& v = target.view;
            const double k = std::min(target.width / w, target.height / h);
            const int cx = (target.width + 2 * v.panX) / 2, cy = (target.height + 2 * v.panY) / 2;
            v.scale *= k;
            v.panX = static_cast<int>(std::lround(-k * ((band.left + band.right) / 2 - cx)));
            v.panY = static_cast<int>(std::lround(-k * ((band.top + band.bottom) / 2 - cy)));
            break;
        }
        case Drag::MakeBone: {
            const int joint = jointAt(model, at.x, at.y, both, view);
            const ModelVertex end = joint >= 0 ? model.skeleton.joints[static_cast<std::size_t>(joint)].position
                                               : pointUnder(view, at.x, at.y);
            document_.makeBone(startJoint_, startPoint_, joint >= 0 ? std::optional<int>(joint) : std::nullopt, end);
            break;
        }
        case Drag::JointAngle: {
            if (word_.tool() & bit::kLockedMoveJoint)
                document_.lockedMoveJoint(joint_, shiftAtPress_, angle_, view);
            else
                document_.rotateJoint(joint_, shiftAtPress_, angle_, view);
            break;
        }
        default:
            break;
    }
    if (stepOpen_) document_.endStep();
    stepOpen_ = false;
    drag_ = Drag::None;
    overlay_.lines.clear();
    return true;
}

bool ViewTools::startCameraDrag(ViewTarget& target, const Pointer& at, Drag kind) {
    if (drag_ != Drag::None) return false;
    viewBefore_ = target.view;
    lastX_ = at.x;
    lastY_ = at.y;
    drag_ = kind;
    return false;
}

bool ViewTools::endCameraDrag(Drag kind) {
    if (drag_ == kind) drag_ = Drag::None;
    return false;
}

bool ViewTools::rightPress(ViewTarget target, Pointer at) { return startCameraDrag(target, at, Drag::Turn); }
bool ViewTools::rightRelease(ViewTarget, Pointer) { return endCameraDrag(Drag::Turn); }
bool ViewTools::middlePress(ViewTarget target, Pointer at) { return startCameraDrag(target, at, Drag::MiddlePan); }
bool ViewTools::middleRelease(ViewTarget, Pointer) { return endCameraDrag(Drag::MiddlePan); }

bool ViewTools::wheel(ViewTarget target, Pointer at, double notches) {
    if (notches == 0 || drag_ != Drag::None) return false;
    render::EditView& v = target.view;
    const double k = std::pow(kWheelStep, notches);
    // The model point under the pointer stays there: its offset from the centre grows by k.
    const int cx = (target.width + 2 * v.panX) / 2, cy = (target.height + 2 * v.panY) / 2;
    v.scale *= k;
    v.panX = static_cast<int>(std::lround(at.x - k * (at.x - cx))) - target.width / 2;
    v.panY = static_cast<int>(std::lround(at.y - k * (at.y - cy))) - target.height / 2;
    return true;
}

bool ViewTools::cancel(ViewTarget target) {
    if (drag_ == Drag::None) return false;
    if (stepOpen_) document_.cancelStep();
    stepOpen_ = false;
    if (drag_ == Drag::Zoom || drag_ == Drag::Pan || drag_ == Drag::MiddlePan || drag_ == Drag::Turn)
        target.view = viewBefore_;
    drag_ = Drag::None;
    overlay_ = {};
    word_.bits &= ~bit::kButtonDown;
    return true;
}

}  // namespace kestrel::tools

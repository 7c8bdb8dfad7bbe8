// The Document's commands on movements, keyframes and bones.
#include <algorithm>
#include <cstdio>

#include "animation/skeleton_ops.h"
#include "app/document.h"

namespace kestrel::app {

animation::Keyframe* Document::selectedKeyframe() {
    if (selected.kind != ProjectItem::Keyframe) return nullptr;
    if (auto* keyframe = animation::findKeyframeByName(anim.movements, selected.name)) return keyframe;
    return anim.baseFrame ? &*anim.baseFrame : nullptr;
}

const animation::Movement* Document::selectedMovement() const {
    if (state.selected.kind != ProjectItem::Movement) return nullptr;
    for (const animation::Movement& movement : state.anim.movements)
        if (movement.name == state.selected.name) return &movement;
    return nullptr;
}

void Document::select(const ProjectSelection& item) {
    selected = item;
    // Picking an item, even a keyframe that becomes the edit frame, edits nothing.
    unsigned what = kSelectionChanged | kOnlySelection;
    if (autoDeselecting) {
        current.deselectAllVertices();
        what |= kModelChanged;
    }
    if (item.kind == ProjectItem::Group && item.index >= 0 && item.index < current.groupCount()) {
        current.selectGroupVertices(item.index);
        what |= kModelChanged;
    }
    bool discarded = false;
    if (item.kind == ProjectItem::Keyframe) {
        const animation::Keyframe* keyframe = animation::findKeyframeByName(anim.movements, item.name);
        if (keyframe || anim.baseFrame) {
            discarded = state.editUnstored;
            setEditFrame(keyframe ? keyframe->model : anim.baseFrame->model);
            state.editKeyframe = keyframe ? std::optional(keyframe->name) : std::nullopt;
            state.editUnstored = false;
            what |= kModelChanged;
        }
    }
    if (!discarded) {
        changed(what);
        return;
    }
    // The edit frame's changes that were never stored in their keyframe are gone from it, so
    // the switch is a step that Undo takes back.
    record(what & ~kOnlySelection, "Select Keyframe", true);
}

CommandResult Document::newMovement(const std::string& name) {
    if (auto why = animation::invalidName(name)) return refused(*why);
    anim.movements.insert(anim.movements.begin(), animation::Movement{name, {}});
    changed(kAnimationChanged, "New Movement");
    return {};
}

CommandResult Document::addKeyframe(const KeyframeDialog& dialog) {
    const bool onRoot = selected.kind == ProjectItem::Root;
    if (!onRoot && selected.kind != ProjectItem::Movement)
        return refused("select a movement, or the model for a base frame");
    KeyframeEntry entry{"BaseFrame", true};
    if (!onRoot) {
        char name[32];
        std::snprintf(name, sizeof name, "Keyframe_%d", anim.keyframeCounter);
        entry = {name, false};
    }
    // Without movements there is no name to clash with and no dialog is shown. Otherwise the
    // dialog comes back, with what was entered, until the name is new and can be stored.
    if (!anim.movements.empty()) {
        for (;;) {
            const auto answer = dialog(entry);
            if (!answer) return refused("cancelled");
            entry = *answer;
            if (!animation::invalidName(entry.name) && !animation::findKeyframeByName(anim.movements, entry.name))
                break;
        }
    }
    if (onRoot && !entry.baseFrame) return refused("a keyframe made with the model selected must be the base frame");
    animation::Movement* movement =
        entry.baseFrame ? nullptr : animation::findMovementByName(anim.movements, selected.name);
    if (!entry.baseFrame && !movement) return refused("the selected movement no longer exists");
    animation::Keyframe keyframe{current, entry.name};
    if (entry.baseFrame) {
        anim.baseFrame = std::move(keyframe);
        // The edit frame is the new base frame's pose.
        state.editKeyframe.reset();
        state.editUnstored = false;
    } else {
        // The edit frame is the new keyframe's pose: the next change is that keyframe's.
        state.editKeyframe = keyframe.name;
        state.editUnstored = false;
        animation::appendKeyframe(*movement, std::move(keyframe));
    }
    ++anim.keyframeCounter;
    changed(kAnimationChanged, "Add Keyframe");
    return {};
}

CommandResult Document::replaceKeyframe() {
    animation::Keyframe* keyframe = selectedKeyframe();
    if (!keyframe) return refused("select a keyframe");
    keyframe->model = current;
    const bool isBase = anim.baseFrame && keyframe == &*anim.baseFrame;
    if (state.editKeyframe ? *state.editKeyframe == keyframe->name : isBase) state.editUnstored = false;
    changed(kAnimationChanged, "Replace Keyframe");
    return {};
}

CommandResult Document::storeEditFrame() {
    animation::Keyframe* keyframe = state.editKeyframe
                                        ? animation::findKeyframeByName(anim.movements, *state.editKeyframe)
                                    : anim.baseFrame ? &*anim.baseFrame
                                                     : nullptr;
    if (!keyframe) return refused("the edit frame's keyframe no longer exists");
    keyframe->model = current;
    state.editUnstored = false;
    changed(kAnimationChanged, "Replace Keyframe");
    return {};
}

void Document::followRename(const std::string& from, const std::string& to) {
    if (state.editKeyframe && *state.editKeyframe == from) state.editKeyframe = to;
}

CommandResult Document::setKeyframeInfo(const std::string& name, int framesFromLast) {
    animation::Keyframe* keyframe = selectedKeyframe();
    if (!keyframe) return refused("select a keyframe");
    if (auto why = animation::invalidName(name)) return refused(*why);
    const bool isBase = anim.baseFrame && keyframe == &*anim.baseFrame;
    if (!isBase && framesFromLast <= 0) return refused("a keyframe needs at least one frame");
    if (!isBase) followRename(keyframe->name, name);
    keyframe->name = name;
    if (!isBase) keyframe->framesFromLast = framesFromLast;
    selected.name = name;
    changed(kAnimationChanged | kSelectionChanged, "Edit Keyframe Info");
    return {};
}

CommandResult Document::deleteKeyframe() {
    if (selected.kind != ProjectItem::Keyframe) return refused("select a keyframe");
    animation::Movement* movement = animation::findMovementOfKeyframe(anim.movements, selected.name);
    if (!movement) return refused("the base frame cannot be deleted");
    std::erase_if(movement->keyframes, [&](const auto& k) { return k.name == selected.name; });
    if (anim.baseFrame) setEditFrame(anim.baseFrame->model);
    state.editKeyframe.reset();
    state.editUnstored = false;
    selected = {};
    changed(kModelChanged | kAnimationChanged | kSelectionChanged, "Delete Keyframe");
    return {};
}

CommandResult Document::deleteMovement() {
    if (selected.kind != ProjectItem::Movement) return refused("select a movement");
    const auto it = std::find_if(anim.movements.begin(), anim.movements.end(),
                                 [&](const auto& m) { return m.name == selected.name; });
    if (it == anim.movements.end()) return refused("the selected movement no longer exists");
    // An edit frame whose keyframe goes with the movement goes back to the base frame, as
    // deleting that keyframe alone would.
    const bool holdsEditFrame =
        state.editKeyframe && std::any_of(it->keyframes.begin(), it->keyframes.end(),
                                          [&](const auto& k) { return k.name == *state.editKeyframe; });
    anim.movements.erase(it);
    unsigned what = kAnimationChanged | kSelectionChanged;
    if (holdsEditFrame) {
        if (anim.baseFrame) setEditFrame(anim.baseFrame->model);
        state.editKeyframe.reset();
        state.editUnstored = false;
        what |= kModelChanged;
    }
    selected = {};
    changed(what, "Delete Movement");
    return {};
}

CommandResult Document::renameMovement(const std::string& name) {
    if (selected.kind != ProjectItem::Movement) return refused("select a movement");
    if (auto why = animation::invalidName(name)) return refused(*why);
    animation::Movement* movement = animation::findMovementByName(anim.movements, selected.name);
    if (!movement) return refused("the selected movement no longer exists");
    movement->name = name;
    selected.name = name;
    changed(kAnimationChanged | kSelectionChanged, "Rename Movement");
    return {};
}

CommandResult Document::moveKeyframe(const std::string& dragged, const std::string& target) {
    if (dragged == target) return refused("a keyframe dropped on itself stays where it is");
    animation::Movement* from = animation::findMovementOfKeyframe(anim.movements, dragged);
    animation::Movement* to = animation::findMovementOfKeyframe(anim.movements, target);
    if (!from || !to) return refused("the base frame has no place in a movement to move from or to");
    const auto indexIn = [](const animation::Movement& m, const std::string& name) {
        for (std::size_t i = 0; i < m.keyframes.size(); ++i)
            if (m.keyframes[i].name == name) return static_cast<int>(i);
        return -1;
    };
    animation::Keyframe moved = animation::unlinkKeyframe(*from, indexIn(*from, dragged));
    animation::insertKeyframeBefore(*to, indexIn(*to, target), std::move(moved));
    changed(kAnimationChanged, "Move Keyframe");
    return {};
}

CommandResult Document::renameKeyframe(const std::string& name) {
    animation::Keyframe* keyframe = selectedKeyframe();
    if (!keyframe) return refused("select a keyframe");
    if (auto why = animation::invalidName(name)) return refused(*why);
    if (!anim.baseFrame || keyframe != &*anim.baseFrame) followRename(keyframe->name, name);
    keyframe->name = name;
    selected.name = name;
    changed(kAnimationChanged | kSelectionChanged, "Rename Keyframe");
    return {};
}

namespace {

// The vertices a bone would gain, refused as a whole when they would overfill it.
CommandResult addVertices(model::Bone& bone, const std::vector<int>& vertices) {
    std::size_t added = 0;
    for (int v : vertices) added += std::find(bone.vertices.begin(), bone.vertices.end(), v) == bone.vertices.end();
    if (bone.vertices.size() + added > static_cast<std::size_t>(model::kMaxVerticesPerBone))
        return refused("too many vertices on one bone (limit is " + std::to_string(model::kMaxVerticesPerBone) + ")");
    for (int v : vertices) animation::addVertex(bone, v);
    return {};
}

std::vector<int> selectedVertices(const model::Model& m) {
    std::vector<int> out;
    for (int i = 0; i < m.vertexCount(); ++i)
        if (m.vertices[i].flags & model::kVertexSelected) out.push_back(i);
    return out;
}

}  // namespace

CommandResult Document::attachToBone() {
    const int bone = animation::firstSelectedBone(current.skeleton);
    const std::vector<int> vertices = selectedVertices(current);
    if (bone < 0 || vertices.empty()) return refused("select vertices and a bone");
    if (auto result = addVertices(current.skeleton.bones[bone], vertices); !result) return result;
    changed(kModelChanged, "Attatch to Bone");
    return {};
}

CommandResult Document::removeSelectedFromBone() {
    const int bone = animation::firstSelectedBone(current.skeleton);
    const std::vector<int> vertices = selectedVertices(current);
    if (bone < 0 || vertices.empty()) return refused("select vertices and a bone");
    for (int v : vertices) animation::removeVertex(current.skeleton.bones[bone], v);
    changed(kModelChanged, "Remove Selected");
    return {};
}

CommandResult Document::deleteBone() {
    const int bone = animation::firstSelectedBone(current.skeleton);
    if (bone < 0) return refused("select a bone");
    animation::deleteBone(current.skeleton, bone);
    changed(kModelChanged, "Delete Bone");
    return {};
}

CommandResult Document::addGroupToBone() {
    const int bone = animation::firstSelectedBone(current.skeleton);
    if (bone < 0 || selected.kind != ProjectItem::Group || selected.index < 0 || selected.index >= current.groupCount())
        return refused("select a bone and a group");
    std::vector<int> vertices;
    for (int p : current.groups[selected.index].polygons) {
        const auto& polygon = current.polygons[p];
        for (int k = 0; k < model::polygonCornerCount(polygon); ++k) vertices.push_back(polygon.vId[k]);
    }
    if (auto result = addVertices(current.skeleton.bones[bone], vertices); !result) return result;
    changed(kModelChanged, "Add Group To Bone");
    return {};
}

CommandResult Document::makeBone(std::optional<int> startJoint, const model::ModelVertex& start,
                                 std::optional<int> endJoint, const model::ModelVertex& end) {
    model::Skeleton& s = current.skeleton;
    const int jointCount = static_cast<int>(s.joints.size());
    for (auto j : {startJoint, endJoint})
        if (j && (*j < 0 || *j >= jointCount)) return refused("no such joint");
    const int a = startJoint ? *startJoint : animation::addJoint(s, start);
    const int b = endJoint ? *endJoint : animation::addJoint(s, end);
    if (auto made = animation::addBone(s, a, b); !made) {
        s.joints.resize(jointCount);  // the joints made for it go again
        return refused(made.error());
    }
    changed(kModelChanged, "Make Bone");
    return {};
}

CommandResult Document::moveJoint(int joint, const model::ModelVertex& position) {
    if (joint < 0 || joint >= static_cast<int>(current.skeleton.joints.size())) return refused("no such joint");
    auto& p = current.skeleton.joints[joint].position;
    p.x = position.x;
    p.y = position.y;
    p.z = position.z;
    changed(kModelChanged, "Move Joint");
    return {};
}

CommandResult Document::rotateJoint(int joint, bool shift, double angle, const model::ViewProjection& view) {
    return turnJoint(joint, shift, angle, view, false, "Rotate Joint");
}

CommandResult Document::lockedMoveJoint(int joint, bool shift, double angle, const model::ViewProjection& view) {
    return turnJoint(joint, shift, angle, view, true, "Locked Move Joint");
}

CommandResult Document::turnJoint(int j, bool shift, double angle, const model::ViewProjection& view, bool keepFarSide,
                                  const char* name) {
    model::Skeleton& s = current.skeleton;
    if (j < 0 || j >= static_cast<int>(s.joints.size())) return refused("no such joint");
    // The bone that ends (or with shift starts) at the joint; a selected one wins.
    int chosen = -1;
    for (int b : s.joints[j].bones) {
        const bool fits = shift ? s.bones[b].startJoint == j : s.bones[b].endJoint == j;
        if (fits && (chosen < 0 || (s.bones[b].flags & model::kBoneSelected))) chosen = b;
    }
    if (chosen < 0) return refused(shift ? "no bone starts at that joint" : "no bone ends at that joint");
    const model::Matrix4 r = view.depthRotation(angle);
    const model::Matrix4 back = view.depthRotation(-angle);
    const int far = s.bones[chosen].endJoint;
    animation::resetPending(s);
    animation::clearMovedMarks(current);
    if (!shift) {
        const model::ModelVertex pivot = s.joints[s.bones[chosen].startJoint].position;
        animation::rotateFrom(current, j, pivot, r);
    } else {
        const model::ModelVertex pivot = s.joints[far].position;
        s.joints[far].pending = 0;
        animation::lockBelow(current, far);
        animation::rotateChain(current, j, pivot, r);
    }
    if (keepFarSide) {
        animation::resetPending(s);
        animation::clearMovedMarks(current);
        s.joints[j].pending = 0;
        const model::ModelVertex pivot = s.joints[j].position;
        const std::vector<int> bones = s.joints[j].bones;
        if (!shift) {
            for (int q : bones)
                if (s.bones[q].startJoint == j) animation::rotateFrom(current, s.bones[q].endJoint, pivot, back);
        } else {
            animation::lockBelow(current, j);
            for (int d : bones)
                if (s.bones[d].endJoint == j) animation::rotateChain(current, s.bones[d].startJoint, pivot, back);
        }
    }
    changed(kModelChanged, name);
    return {};
}

void Document::selectBone(int bone) {
    for (auto& b : current.skeleton.bones) b.flags &= ~model::kBoneSelected;
    if (bone >= 0 && bone < static_cast<int>(current.skeleton.bones.size()))  // else none is selected
        current.skeleton.bones[static_cast<std::size_t>(bone)].flags |= model::kBoneSelected;
    changed(kModelChanged | kOnlySelection);
}

}  // namespace kestrel::app

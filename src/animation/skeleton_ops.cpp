#include "animation/skeleton_ops.h"

#include <algorithm>
#include <cmath>

namespace kestrel::animation {

using model::Bone;
using model::Joint;
using model::Model;
using model::ModelVertex;

namespace {

// True when joint `above` is reached walking up from joint `from` through the bones that
// end at each joint (start side is "up").
bool isAbove(const Skeleton& skeleton, int above, int from) {
    std::vector<bool> seen(skeleton.joints.size());
    std::vector<int> todo{from};
    while (!todo.empty()) {
        const int j = todo.back();
        todo.pop_back();
        if (j == above) return true;
        if (seen[j]) continue;
        seen[j] = true;
        for (int b : skeleton.joints[j].bones)
            if (skeleton.bones[b].endJoint == j) todo.push_back(skeleton.bones[b].startJoint);
    }
    return false;
}

ModelVertex turned(const ModelVertex& point, const ModelVertex& pivot, const model::Matrix4& r) {
    return model::vectorSum(pivot, model::transformVector(r, model::vectorDifference(point, pivot)));
}

}  // namespace

int addJoint(Skeleton& skeleton, const ModelVertex& position) {
    skeleton.joints.push_back(Joint{position, {}, -1, 0});
    return static_cast<int>(skeleton.joints.size()) - 1;
}

std::expected<int, std::string> addBone(Skeleton& skeleton, int startJoint, int endJoint) {
    if (startJoint == endJoint) return std::unexpected("a bone needs two different joints");
    for (int j : {startJoint, endJoint})
        if (static_cast<int>(skeleton.joints[j].bones.size()) >= model::kMaxBonesPerJoint)
            return std::unexpected("too many bones on one joint (limit is " + std::to_string(model::kMaxBonesPerJoint) +
                                   ")");
    if (isAbove(skeleton, endJoint, startJoint))
        return std::unexpected("the bone would close a loop: its end joint is above its start");
    for (auto& joint : skeleton.joints)
        for (int& b : joint.bones) ++b;
    skeleton.bones.insert(skeleton.bones.begin(), Bone{startJoint, endJoint, {}, 0, -1});
    skeleton.joints[startJoint].bones.push_back(0);
    skeleton.joints[endJoint].bones.push_back(0);
    return 0;
}

void deleteBone(Skeleton& skeleton, int bone) {
    const int ends[] = {skeleton.bones[bone].startJoint, skeleton.bones[bone].endJoint};
    for (int j : ends) std::erase(skeleton.joints[j].bones, bone);
    skeleton.bones.erase(skeleton.bones.begin() + bone);
    for (auto& joint : skeleton.joints)
        for (int& b : joint.bones)
            if (b > bone) --b;
    // Joints that no bone uses any more go, highest index first so the others keep theirs.
    std::vector<int> orphans;
    for (int j : ends)
        if (skeleton.joints[j].bones.empty()) orphans.push_back(j);
    std::sort(orphans.rbegin(), orphans.rend());
    for (int j : orphans) {
        skeleton.joints.erase(skeleton.joints.begin() + j);
        for (auto& b : skeleton.bones) {
            if (b.startJoint > j) --b.startJoint;
            if (b.endJoint > j) --b.endJoint;
        }
    }
}

bool addVertex(Bone& bone, int vertex) {
    if (std::find(bone.vertices.begin(), bone.vertices.end(), vertex) != bone.vertices.end()) return true;
    if (static_cast<int>(bone.vertices.size()) >= model::kMaxVerticesPerBone) return false;
    bone.vertices.push_back(vertex);
    return true;
}

void removeVertex(Bone& bone, int vertex) { std::erase(bone.vertices, vertex); }

int firstSelectedBone(const Skeleton& skeleton) {
    for (int b = 0; b < static_cast<int>(skeleton.bones.size()); ++b)
        if (skeleton.bones[b].flags & model::kBoneSelected) return b;
    return -1;
}

std::vector<int> listSkeleton(Skeleton& skeleton) {
    for (auto& joint : skeleton.joints) joint.number = -1;
    std::vector<int> byNumber;
    for (int b = 0; b < static_cast<int>(skeleton.bones.size()); ++b) {
        Bone& bone = skeleton.bones[b];
        bone.number = b;
        for (int j : {bone.startJoint, bone.endJoint}) {
            if (skeleton.joints[j].number != -1) continue;
            skeleton.joints[j].number = static_cast<int>(byNumber.size());
            byNumber.push_back(j);
        }
    }
    return byNumber;
}

Skeleton copySkeleton(const Skeleton& skeleton) {
    Skeleton listed = skeleton;
    const std::vector<int> byNumber = listSkeleton(listed);
    Skeleton copy;
    for (int j : byNumber) addJoint(copy, listed.joints[j].position);
    for (const Bone& bone : listed.bones) {
        const int start = listed.joints[bone.startJoint].number;
        const int end = listed.joints[bone.endJoint].number;
        const int b = static_cast<int>(copy.bones.size());
        copy.bones.push_back(Bone{start, end, bone.vertices, 0, -1});
        copy.joints[start].bones.push_back(b);
        copy.joints[end].bones.push_back(b);
    }
    return copy;
}

int pickJoint(Skeleton& skeleton, double x, double y, int mode, const model::ViewProjection& view) {
    double bestDistance = 1000.0, bestDepth = 2.0;
    int chosen = -1;
    for (const Bone& bone : skeleton.bones) {
        for (const auto& [joint, bit] :
             {std::pair{bone.startJoint, kPickStartJoints}, std::pair{bone.endJoint, kPickEndJoints}}) {
            if (!(mode & bit)) continue;
            const model::ScreenPoint p = view.project(skeleton.joints[joint].position);
            const double dx = p.x - x, dy = p.y - y;
            if (std::fabs(dx) >= 5.0 || std::fabs(dy) >= 5.0) continue;
            const double distance = std::sqrt(dx * dx + dy * dy);
            if (distance < bestDistance || bestDepth > p.depth) {
                bestDistance = distance;
                bestDepth = p.depth;
                chosen = joint;
            }
        }
    }
    return chosen;
}

void resetPending(Skeleton& skeleton) {
    for (const Bone& bone : skeleton.bones) {
        skeleton.joints[bone.startJoint].pending = 1;
        skeleton.joints[bone.endJoint].pending = 1;
    }
}

void clearMovedMarks(Model& model) {
    for (auto& v : model.vertices) v.flags &= ~model::kVertexMoved;
}

void rotateFrom(Model& model, int joint, const ModelVertex& pivot, const model::Matrix4& rotation) {
    Skeleton& skeleton = model.skeleton;
    Joint& j = skeleton.joints[joint];
    if (j.pending == 0) return;
    j.position = turned(j.position, pivot, rotation);
    j.pending = 0;
    // The bone list of j cannot change during the walk; copy it all the same, since the
    // recursion takes references into the same vectors.
    const std::vector<int> bones = j.bones;
    for (int b : bones) {
        if (skeleton.bones[b].startJoint == joint) rotateFrom(model, skeleton.bones[b].endJoint, pivot, rotation);
        for (int i : skeleton.bones[b].vertices) {
            ModelVertex& v = model.vertices[i];
            if (v.flags & model::kVertexMoved) continue;
            // A turned vertex keeps its own flags, so a selection survives posing.
            const std::uint16_t flags = v.flags;
            v = turned(v, pivot, rotation);
            v.flags = flags | model::kVertexMoved;
        }
    }
}

void rotateChain(Model& model, int joint, const ModelVertex& pivot, const model::Matrix4& rotation) {
    Skeleton& skeleton = model.skeleton;
    if (skeleton.joints[joint].pending == 0) return;
    const std::vector<int> bones = skeleton.joints[joint].bones;
    for (int b : bones)
        if (skeleton.bones[b].endJoint == joint) rotateChain(model, skeleton.bones[b].startJoint, pivot, rotation);
    rotateFrom(model, joint, pivot, rotation);
}

void lockBelow(Model& model, int joint) {
    // Bones cannot close a loop (addBone refuses), but files can describe one: walk each
    // joint once.
    const Skeleton& skeleton = model.skeleton;
    std::vector<bool> seen(skeleton.joints.size());
    std::vector<int> todo{joint};
    while (!todo.empty()) {
        const int j = todo.back();
        todo.pop_back();
        if (seen[j]) continue;
        seen[j] = true;
        for (int b : skeleton.joints[j].bones) {
            const Bone& bone = skeleton.bones[b];
            if (bone.startJoint != j) continue;
            for (int i : bone.vertices) model.vertices[i].flags |= model::kVertexMoved;
            todo.push_back(bone.endJoint);
        }
    }
}

}  // namespace kestrel::animation

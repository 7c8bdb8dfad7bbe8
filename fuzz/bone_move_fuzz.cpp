// Fuzz target for the BONE and MOVE readers, and for their writers through them.
//
// An input is a BONE file, then a line holding only "%%%%", then a MOVE file (no marker: no
// MOVE file). They are read against a model of 20 vertices, as the set loader reads them.
// What loads must keep its skeleton consistent, and written out and read back it must give
// the same skeleton and the same keyframes (coordinates to six decimals).
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "animation/skeleton_ops.h"
#include "formats/bone_file.h"
#include "formats/move_file.h"

namespace {

using namespace kestrel;

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "bone_move_fuzz: %s\n", what);
    std::abort();
}

void checkSkeleton(const model::Skeleton& s, int vertexCount) {
    const int joints = static_cast<int>(s.joints.size());
    for (const auto& bone : s.bones) {
        if (bone.startJoint < 0 || bone.startJoint >= joints || bone.endJoint < 0 || bone.endJoint >= joints)
            fail("a bone names a joint that does not exist");
        if (bone.vertices.size() > static_cast<std::size_t>(model::kMaxVerticesPerBone))
            fail("a bone carries too many vertices");
        for (int v : bone.vertices)
            if (v < 0 || v >= vertexCount) fail("a bone names a vertex that does not exist");
    }
    for (const auto& joint : s.joints) {
        if (joint.bones.empty() || joint.bones.size() > static_cast<std::size_t>(model::kMaxBonesPerJoint))
            fail("a joint with no bones or too many");
        for (int b : joint.bones)
            if (b < 0 || b >= static_cast<int>(s.bones.size())) fail("a joint names a bone that does not exist");
    }
}

bool near(const model::ModelVertex& a, const model::ModelVertex& b) {
    return std::fabs(a.x - b.x) <= 2e-6 && std::fabs(a.y - b.y) <= 2e-6 && std::fabs(a.z - b.z) <= 2e-6;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t marker = input.find("\n%%%%\n");
    const std::string_view boneText = input.substr(0, marker == std::string_view::npos ? input.size() : marker + 1);
    const std::string_view moveText = marker == std::string_view::npos ? std::string_view() : input.substr(marker + 6);

    model::Model base;
    for (int i = 0; i < 20; ++i) base.addVertex(model::makeVector(i, -i, 2 * i));
    auto bones = formats::readBoneText(boneText, "f.bone", base.vertexCount());
    if (!bones) return 0;
    checkSkeleton(bones->skeleton, base.vertexCount());
    base.skeleton = bones->skeleton;
    std::vector<formats::Warning> warnings;
    formats::KeyframeJointReader joints(boneText, "f.bone", *bones);
    auto movements = formats::readMoveText(moveText, "f.move", base, joints, warnings);
    if (!movements) return 0;
    for (const auto& m : *movements)
        for (const auto& k : m.keyframes) checkSkeleton(k.model.skeleton, base.vertexCount());

    // Written out and read back, the same skeleton and poses.
    if (base.skeleton.empty()) return 0;
    const std::string bone2 = formats::boneText(base.skeleton, "g.bone", 0, &*movements).take();
    auto move2 = formats::moveText(*movements, base, "g.move");
    if (!move2) return 0;  // refused: a keyframe longer than the frame before it
    const std::string moveText2 = move2->take();
    auto bonesBack = formats::readBoneText(bone2, "g.bone", base.vertexCount());
    if (!bonesBack) fail("a written BONE file could not be read");
    // The same bones and joints, the positions to the six decimals the file keeps.
    const model::Skeleton expected = animation::copySkeleton(base.skeleton);
    if (bonesBack->skeleton.bones != expected.bones || bonesBack->skeleton.joints.size() != expected.joints.size())
        fail("the skeleton changed");
    for (std::size_t j = 0; j < expected.joints.size(); ++j)
        if (bonesBack->skeleton.joints[j].bones != expected.joints[j].bones ||
            !near(bonesBack->skeleton.joints[j].position, expected.joints[j].position))
            fail("a joint changed");
    formats::KeyframeJointReader jointsBack(bone2, "g.bone", *bonesBack);
    model::Model baseBack = base;
    baseBack.skeleton = bonesBack->skeleton;
    auto back = formats::readMoveText(moveText2, "g.move", baseBack, jointsBack, warnings);
    if (!back) fail("a written MOVE file could not be read");
    if (back->size() != movements->size()) fail("the number of movements changed");
    for (std::size_t m = 0; m < back->size(); ++m) {
        // The list comes back reversed.
        const auto& a = (*movements)[m];
        const auto& b = (*back)[back->size() - 1 - m];
        if (a.name != b.name || a.keyframes.size() != b.keyframes.size()) fail("a movement changed");
        for (std::size_t k = 0; k < a.keyframes.size(); ++k) {
            const auto& ka = a.keyframes[k].model;
            const auto& kb = b.keyframes[k].model;
            if (a.keyframes[k].name != b.keyframes[k].name) fail("a keyframe name changed");
            for (int i = 0; i < ka.vertexCount(); ++i)
                if (!near(ka.vertices[i], kb.vertices[i])) fail("a keyframe vertex moved");
        }
    }
    return 0;
}

#pragma once
// The skeleton record a Model carries: joints linked by bones, index-based so that copying
// a model copies its skeleton and pose walks cannot follow a pointer cycle. The animation
// layer owns the operations on it.
#include <cstdint>
#include <vector>

#include "model/cow_array.h"
#include "model/vector.h"

namespace kestrel::model {

inline constexpr int kMaxBonesPerJoint = 10;
inline constexpr int kMaxVerticesPerBone = 1000;

struct Joint {
    ModelVertex position;
    std::vector<int> bones;  // the bones using this joint, in the order they were attached
    int number = -1;         // scratch: written by the skeleton listing
    int pending = 0;         // scratch: 1 while a pose operation may still move the joint

    // Scratch state has no meaning between operations and takes no part in comparisons.
    bool operator==(const Joint& o) const { return position == o.position && bones == o.bones; }
};

struct Bone {
    int startJoint = -1;  // nearer the root; pose walks go from start to end
    int endJoint = -1;
    std::vector<int> vertices;  // the model's vertices the bone carries, no duplicates
    std::int32_t flags = 0;     // bit 0: selected
    int number = -1;            // scratch: written by the skeleton listing

    bool operator==(const Bone& o) const {
        return startJoint == o.startJoint && endJoint == o.endJoint && vertices == o.vertices && flags == o.flags;
    }
};

inline constexpr std::int32_t kBoneSelected = 1;

// Bones are kept in list order (the head of the list first); joints in no particular order,
// each used by at least one bone.
struct Skeleton {
    CowArray<Joint> joints;
    CowArray<Bone> bones;

    bool empty() const { return bones.empty(); }
    bool operator==(const Skeleton&) const = default;
};

}  // namespace kestrel::model

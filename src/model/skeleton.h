#pragma once
// The skeleton record a Model carries: joints linked by bones, index-based so that copying
// a model copies its skeleton and pose walks cannot follow a pointer cycle. The animation
// layer owns the operations on it.
#include <vector>

#include "model/vector.h"

namespace kestrel::model {

struct Joint {
    ModelVertex position;

    bool operator==(const Joint&) const = default;
};

struct Bone {
    int startJoint = -1;
    int endJoint = -1;
    std::vector<int> vertices;  // indices of the vertices the bone carries

    bool operator==(const Bone&) const = default;
};

struct Skeleton {
    std::vector<Joint> joints;
    std::vector<Bone> bones;  // in list order

    bool empty() const { return bones.empty(); }
    bool operator==(const Skeleton&) const = default;
};

}  // namespace kestrel::model

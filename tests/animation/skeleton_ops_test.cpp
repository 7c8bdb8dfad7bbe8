#include <gtest/gtest.h>

#include <numbers>

#include "animation/skeleton_ops.h"

using namespace kestrel;
using namespace kestrel::animation;
using model::makeVector;
using model::ModelVertex;

namespace {

void expectAt(const ModelVertex& actual, const ModelVertex& expected) {
    EXPECT_NEAR(actual.x, expected.x, 1e-12);
    EXPECT_NEAR(actual.y, expected.y, 1e-12);
    EXPECT_NEAR(actual.z, expected.z, 1e-12);
}

// The chain root -> A -> B along +x, with vertices on each bone, one on both, one on none.
struct Chain {
    model::Model model;
    int root, a, b, rootA, aB;

    Chain() {
        auto& s = model.skeleton;
        root = addJoint(s, makeVector(0, 0, 0));
        a = addJoint(s, makeVector(1, 0, 0));
        b = addJoint(s, makeVector(2, 0, 0));
        EXPECT_TRUE(addBone(s, a, b));     // ends up second in the list
        EXPECT_TRUE(addBone(s, root, a));  // the head of the list
        rootA = 0;
        aB = 1;
        for (auto v : {makeVector(0.5, 0, 0), makeVector(1.5, 0, 0), makeVector(1, 0, 0), makeVector(-1, 0, 0)})
            model.addVertex(v);
        addVertex(s.bones[rootA], 0);
        addVertex(s.bones[aB], 1);
        addVertex(s.bones[rootA], 2);
        addVertex(s.bones[aB], 2);
    }

    // Rotate Joint on A's end: the bone root-A swings about the root.
    void rotateA(const model::Matrix4& r) {
        resetPending(model.skeleton);
        clearMovedMarks(model);
        rotateFrom(model, a, model.skeleton.joints[root].position, r);
    }
};

const double kQuarter = std::numbers::pi / 2;

}  // namespace

TEST(Skeleton, RotatingAJointTurnsEverythingBelowItOnce) {
    Chain c;
    c.model.vertices[1].flags = model::kVertexSelected;
    c.rotateA(model::rotationZ(kQuarter));
    const auto& joints = c.model.skeleton.joints;
    expectAt(joints[c.root].position, makeVector(0, 0, 0));
    expectAt(joints[c.a].position, makeVector(0, 1, 0));
    expectAt(joints[c.b].position, makeVector(0, 2, 0));
    expectAt(c.model.vertices[0], makeVector(0, 0.5, 0));  // on the parent bone
    expectAt(c.model.vertices[1], makeVector(0, 1.5, 0));
    expectAt(c.model.vertices[2], makeVector(0, 1, 0));  // on both bones, turned once
    expectAt(c.model.vertices[3], makeVector(-1, 0, 0));
    EXPECT_TRUE(c.model.vertices[2].flags & model::kVertexMoved);
    EXPECT_TRUE(c.model.vertices[1].flags & model::kVertexSelected);  // still selected
}

TEST(Skeleton, LockedMoveCarriesTheBonesBelowWithoutTurningThem) {
    Chain c;
    c.rotateA(model::rotationZ(kQuarter));
    auto& s = c.model.skeleton;
    resetPending(s);
    clearMovedMarks(c.model);
    s.joints[c.a].pending = 0;
    for (int q : std::vector<int>(s.joints[c.a].bones))
        if (s.bones[q].startJoint == c.a)
            rotateFrom(c.model, s.bones[q].endJoint, s.joints[c.a].position, model::rotationZ(-kQuarter));
    // A moved by (-1, 1, 0); B and the A-B bone's own vertex moved by the same amount.
    expectAt(s.joints[c.b].position, makeVector(1, 1, 0));
    expectAt(c.model.vertices[1], makeVector(0.5, 1, 0));
    expectAt(s.joints[c.a].position, makeVector(0, 1, 0));
}

TEST(Skeleton, RotateChainTurnsTheWholeTreeFromTheTopAndLockBelowHoldsThePartUnderAJoint) {
    Chain c;
    auto& s = c.model.skeleton;
    resetPending(s);
    clearMovedMarks(c.model);
    s.joints[c.b].pending = 0;
    lockBelow(c.model, c.b);  // nothing hangs below B
    lockBelow(c.model, c.a);  // holds the A-B bone's vertices
    rotateChain(c.model, c.a, makeVector(0, 0, 0), model::rotationZ(kQuarter));
    expectAt(s.joints[c.root].position, makeVector(0, 0, 0));
    expectAt(s.joints[c.a].position, makeVector(0, 1, 0));
    expectAt(s.joints[c.b].position, makeVector(2, 0, 0));
    expectAt(c.model.vertices[0], makeVector(0, 0.5, 0));
    expectAt(c.model.vertices[1], makeVector(1.5, 0, 0));
}

TEST(Skeleton, ListingNumbersJointsByFirstAppearanceStartBeforeEnd) {
    Chain c;
    auto& s = c.model.skeleton;
    EXPECT_EQ(listSkeleton(s), (std::vector<int>{c.root, c.a, c.b}));
    EXPECT_EQ(s.bones[0].number, 0);
    EXPECT_EQ(s.bones[1].number, 1);

    s.bones[1].flags = model::kBoneSelected;
    const Skeleton copy = copySkeleton(s);
    ASSERT_EQ(copy.joints.size(), 3u);
    expectAt(copy.joints[0].position, makeVector(0, 0, 0));
    EXPECT_EQ(copy.bones[0].startJoint, 0);
    EXPECT_EQ(copy.bones[0].endJoint, 1);
    EXPECT_EQ(copy.bones[1].vertices, (std::vector<int>{1, 2}));
    EXPECT_EQ(copy.bones[1].flags, 0);
    EXPECT_EQ(copy.joints[1].bones, (std::vector<int>{0, 1}));
}

TEST(Skeleton, DeletingBonesDestroysJointsNoBoneUses) {
    Chain c;
    auto& s = c.model.skeleton;
    deleteBone(s, c.aB);
    ASSERT_EQ(s.joints.size(), 2u);  // B went with its only bone
    EXPECT_EQ(s.joints[c.a].bones, std::vector<int>{0});
    EXPECT_EQ(s.bones[0].endJoint, c.a);
    deleteBone(s, 0);
    EXPECT_TRUE(s.joints.empty());
    EXPECT_TRUE(s.empty());
}

TEST(Skeleton, NewBonesGoToTheHeadAndAreRefusedWhenTheyWouldLoopOrOverfillAJoint) {
    Chain c;
    auto& s = c.model.skeleton;
    EXPECT_FALSE(addBone(s, c.b, c.root));  // the root is above B
    EXPECT_FALSE(addBone(s, c.a, c.a));
    const int hub = addJoint(s, makeVector(5, 5, 5));
    for (int i = 0; i < model::kMaxBonesPerJoint; ++i) ASSERT_TRUE(addBone(s, hub, addJoint(s, makeVector(i, 9, 9))));
    const auto refused = addBone(s, hub, addJoint(s, makeVector(0, 0, 9)));
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.error(), "too many bones on one joint (limit is 10)");
    // The newest bone is the head; older bones moved up and their joints followed.
    EXPECT_EQ(s.bones.back().startJoint, c.a);
    EXPECT_EQ(s.joints[c.b].bones, std::vector<int>{11});
}

TEST(Skeleton, BonesHoldEachVertexOnceAndAtMostAThousand) {
    model::Bone bone;
    EXPECT_TRUE(addVertex(bone, 4));
    EXPECT_TRUE(addVertex(bone, 4));
    EXPECT_EQ(bone.vertices, std::vector<int>{4});
    for (int i = 0; i < 2000; ++i) addVertex(bone, i);
    EXPECT_EQ(bone.vertices.size(), 1000u);
    EXPECT_FALSE(addVertex(bone, 5000));
    removeVertex(bone, 4);
    EXPECT_EQ(bone.vertices.size(), 999u);
    EXPECT_EQ(firstSelectedBone(model::Skeleton{}), -1);
}

TEST(Skeleton, PickingTakesTheNearestJointOnScreenThenTheNearerInDepth) {
    Chain c;
    model::ViewProjection view;
    view.scale = 5;  // one pixel per model unit
    view.clientWidth = view.clientHeight = 100;
    auto& s = c.model.skeleton;
    s.joints[c.b].position = makeVector(10, 0, 0);  // on screen at (60, 50)
    EXPECT_EQ(pickJoint(s, 62, 51, kPickEndJoints, view), c.b);
    EXPECT_EQ(pickJoint(s, 62, 51, kPickStartJoints, view), -1);  // B starts no bone
    EXPECT_EQ(pickJoint(s, 65, 50, kPickEndJoints | kPickStartJoints, view), -1);
    EXPECT_EQ(pickJoint(s, 50, 50, kPickStartJoints, view), c.root);
    // A at the root's screen spot but nearer the viewer wins the tie.
    s.joints[c.a].position = makeVector(0, 0, -1000);
    EXPECT_EQ(pickJoint(s, 50, 50, kPickEndJoints | kPickStartJoints, view), c.a);
    view.panX = 10;
    EXPECT_EQ(pickJoint(s, 70, 50, kPickEndJoints, view), c.b);
}

// Document commands on movements, keyframes and bones, over a small model in memory.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "app/document.h"
#include "formats/file_system.h"
#include "unit_quad.h"

namespace kestrel::app {
namespace {

using model::makeVector;

struct Scene {
    Document document{std::make_unique<formats::MemoryFileSystem>()};
    std::vector<KeyframeEntry> shown;  // what the Create Keyframe dialog was shown with
    std::vector<std::optional<KeyframeEntry>> answers;
    unsigned changes = 0;

    Scene() {
        document.edit("Quad", [](model::Model& m) {
            test::addUnitQuad(m);
            m.addGroup({"quad", {0}});
        });
        document.subscribe([this](const ChangeNotice& notice) { changes |= notice.what; });
    }
    KeyframeDialog dialog() {
        return [this](const KeyframeEntry& proposed) -> std::optional<KeyframeEntry> {
            shown.push_back(proposed);
            if (answers.empty()) return proposed;
            auto answer = answers.front();
            answers.erase(answers.begin());
            return answer;
        };
    }
    void selectRoot() { document.select({ProjectItem::Root, "model", -1}); }
    void selectMovement(const std::string& name) { document.select({ProjectItem::Movement, name, -1}); }
};

}  // namespace

TEST(DocumentKeyframes, TheFirstKeyframeOnTheModelIsTheBaseFrameWithoutADialog) {
    Scene s;
    s.selectRoot();
    ASSERT_TRUE(s.document.addKeyframe(s.dialog()));
    EXPECT_TRUE(s.shown.empty());
    ASSERT_TRUE(s.document.animation().baseFrame);
    EXPECT_EQ(s.document.animation().baseFrame->name, "BaseFrame");
    EXPECT_EQ(s.document.animation().baseFrame->model, s.document.model());
    EXPECT_EQ(s.document.animation().keyframeCounter, 1);
    EXPECT_TRUE(s.changes & kAnimationChanged);
}

TEST(DocumentKeyframes, DefaultNamesCountAcrossMovementsAndClashesBringTheDialogBack) {
    Scene s;
    ASSERT_TRUE(s.document.newMovement("walk"));
    ASSERT_TRUE(s.document.newMovement("run"));
    s.selectMovement("walk");
    ASSERT_TRUE(s.document.addKeyframe(s.dialog()));
    s.selectMovement("run");
    ASSERT_TRUE(s.document.addKeyframe(s.dialog()));
    ASSERT_EQ(s.shown.size(), 2u);
    EXPECT_EQ(s.shown[0].name, "Keyframe_0");
    EXPECT_EQ(s.shown[1].name, "Keyframe_1");
    EXPECT_FALSE(s.shown[1].baseFrame);

    // A taken name, then one the file cannot hold, then a good one.
    s.shown.clear();
    s.answers = {KeyframeEntry{"Keyframe_0", false}, KeyframeEntry{"#hidden", false}, KeyframeEntry{"lift", false}};
    ASSERT_TRUE(s.document.addKeyframe(s.dialog()));
    ASSERT_EQ(s.shown.size(), 3u);
    EXPECT_EQ(s.shown[1].name, "Keyframe_0");  // shown again with what was entered
    const auto& run = s.document.animation().movements[0];
    ASSERT_EQ(run.keyframes.size(), 2u);
    EXPECT_EQ(run.keyframes[1].name, "lift");
    EXPECT_EQ(run.keyframes[1].framesFromLast, 20);

    // Deleting does not free a default name.
    s.document.select({ProjectItem::Keyframe, "lift", -1});
    ASSERT_TRUE(s.document.deleteKeyframe());
    s.selectMovement("run");
    s.shown.clear();
    ASSERT_TRUE(s.document.addKeyframe(s.dialog()));
    EXPECT_EQ(s.shown[0].name, "Keyframe_3");
}

TEST(DocumentKeyframes, CancelAndAClearedBaseFrameOnTheModelChangeNothing) {
    Scene s;
    ASSERT_TRUE(s.document.newMovement("walk"));
    s.selectRoot();
    s.answers = {std::nullopt};
    EXPECT_FALSE(s.document.addKeyframe(s.dialog()));
    ASSERT_EQ(s.shown.size(), 1u);
    EXPECT_EQ(s.shown[0].name, "BaseFrame");
    EXPECT_TRUE(s.shown[0].baseFrame);
    s.answers = {KeyframeEntry{"pose", false}};
    EXPECT_FALSE(s.document.addKeyframe(s.dialog()));
    EXPECT_FALSE(s.document.animation().baseFrame);
    EXPECT_EQ(s.document.animation().keyframeCounter, 0);
}

TEST(DocumentKeyframes, SelectingReplacingAndDeletingKeyframes) {
    Scene s;
    s.selectRoot();
    ASSERT_TRUE(s.document.addKeyframe(s.dialog()));
    ASSERT_TRUE(s.document.newMovement("walk"));
    s.selectMovement("walk");
    ASSERT_TRUE(s.document.addKeyframe(s.dialog()));
    const model::Model base = s.document.model();

    s.document.select({ProjectItem::Keyframe, "Keyframe_1", -1});
    s.document.edit("Lift", [](model::Model& m) { m.vertices[0].z = 5; });
    ASSERT_TRUE(s.document.replaceKeyframe());
    s.document.select({ProjectItem::Keyframe, "BaseFrame", -1});
    EXPECT_EQ(s.document.model(), base);
    s.document.select({ProjectItem::Keyframe, "Keyframe_1", -1});
    EXPECT_EQ(s.document.model().vertices[0].z, 5);

    EXPECT_FALSE(s.document.setKeyframeInfo("step", 0));
    ASSERT_TRUE(s.document.setKeyframeInfo("step", 12));
    EXPECT_EQ(s.document.animation().movements[0].keyframes[0].framesFromLast, 12);
    ASSERT_TRUE(s.document.deleteKeyframe());
    EXPECT_EQ(s.document.model(), base);  // the edit frame is the base frame again
    EXPECT_TRUE(s.document.animation().movements[0].keyframes.empty());

    s.document.select({ProjectItem::Keyframe, "BaseFrame", -1});
    EXPECT_FALSE(s.document.deleteKeyframe());
    EXPECT_FALSE(s.document.newMovement(""));
    EXPECT_FALSE(s.document.newMovement("two\nlines"));
    s.selectMovement("walk");
    EXPECT_FALSE(s.document.renameMovement("#walk"));
    ASSERT_TRUE(s.document.renameMovement("stroll"));
    ASSERT_TRUE(s.document.deleteMovement());
    EXPECT_TRUE(s.document.animation().movements.empty());
}

// The project window's keyframe drag: before the target, into the target's movement, as one
// undo step; on itself or the base frame nothing moves.
TEST(DocumentKeyframes, ADraggedKeyframeGoesJustBeforeItsTarget) {
    Scene s;
    s.selectRoot();
    ASSERT_TRUE(s.document.addKeyframe(s.dialog()));  // the base frame
    ASSERT_TRUE(s.document.newMovement("walk"));
    ASSERT_TRUE(s.document.newMovement("run"));
    for (const char* movement : {"walk", "walk", "walk", "run"}) {
        s.selectMovement(movement);
        ASSERT_TRUE(s.document.addKeyframe(s.dialog()));
    }
    const auto names = [&](const std::string& movement) {
        std::vector<std::string> list;
        for (const auto& m : s.document.animation().movements)
            if (m.name == movement)
                for (const auto& k : m.keyframes) list.push_back(k.name);
        return list;
    };
    ASSERT_EQ(names("walk"), (std::vector<std::string>{"Keyframe_1", "Keyframe_2", "Keyframe_3"}));
    ASSERT_TRUE(s.document.moveKeyframe("Keyframe_3", "Keyframe_1"));
    EXPECT_EQ(names("walk"), (std::vector<std::string>{"Keyframe_3", "Keyframe_1", "Keyframe_2"}));
    EXPECT_EQ(s.document.undoName(), "Move Keyframe");
    ASSERT_TRUE(s.document.moveKeyframe("Keyframe_1", "Keyframe_4"));  // into the other movement
    EXPECT_EQ(names("run"), (std::vector<std::string>{"Keyframe_1", "Keyframe_4"}));
    EXPECT_EQ(names("walk"), (std::vector<std::string>{"Keyframe_3", "Keyframe_2"}));
    EXPECT_FALSE(s.document.moveKeyframe("Keyframe_2", "Keyframe_2"));
    EXPECT_FALSE(s.document.moveKeyframe("Keyframe_2", "BaseFrame"));
    EXPECT_FALSE(s.document.moveKeyframe("BaseFrame", "Keyframe_2"));
    s.document.undo();
    s.document.undo();
    EXPECT_EQ(names("walk"), (std::vector<std::string>{"Keyframe_1", "Keyframe_2", "Keyframe_3"}));
}

TEST(DocumentBones, MakeAttachAndDeleteBones) {
    Scene s;
    const auto& skeleton = s.document.model().skeleton;
    ASSERT_TRUE(s.document.makeBone(std::nullopt, makeVector(0, 0, 0), std::nullopt, makeVector(0, 1, 0)));
    ASSERT_TRUE(s.document.makeBone(1, {}, std::nullopt, makeVector(0, 2, 0)));
    EXPECT_EQ(skeleton.joints.size(), 3u);
    EXPECT_EQ(skeleton.joints[1].bones.size(), 2u);
    // A bone back up the chain is refused and leaves no joint behind.
    EXPECT_FALSE(s.document.makeBone(2, {}, 0, {}));
    EXPECT_EQ(skeleton.joints.size(), 3u);
    // A refused bone takes back the joint made for it.
    for (int i = 0; i < 8; ++i) ASSERT_TRUE(s.document.makeBone(1, {}, std::nullopt, makeVector(i, 3, 0)));
    const auto full = s.document.makeBone(1, {}, std::nullopt, makeVector(9, 3, 0));
    ASSERT_FALSE(full);
    EXPECT_EQ(full.error(), "too many bones on one joint (limit is 10)");
    EXPECT_EQ(skeleton.joints.size(), 11u);
    for (int i = 0; i < 8; ++i) {
        s.document.selectBone(0);
        ASSERT_TRUE(s.document.deleteBone());
    }

    EXPECT_FALSE(s.document.attachToBone());  // nothing selected
    s.document.selectBone(1);
    ASSERT_TRUE(s.document.selectVertices({2}));
    ASSERT_TRUE(s.document.attachToBone());
    ASSERT_TRUE(s.document.attachToBone());
    EXPECT_EQ(skeleton.bones[1].vertices, std::vector<int>{2});
    s.document.select({ProjectItem::Group, "quad", 0});  // selects the group's vertices too
    ASSERT_TRUE(s.document.addGroupToBone());
    EXPECT_EQ(skeleton.bones[1].vertices, (std::vector<int>{2, 0, 1, 3}));
    s.document.selectNone();
    ASSERT_TRUE(s.document.selectVertices({2}));
    ASSERT_TRUE(s.document.removeSelectedFromBone());
    EXPECT_EQ(skeleton.bones[1].vertices, (std::vector<int>{0, 1, 3}));
    ASSERT_TRUE(s.document.deleteBone());
    EXPECT_EQ(skeleton.bones.size(), 1u);
    EXPECT_EQ(skeleton.joints.size(), 2u);
}

}  // namespace kestrel::app

namespace kestrel::app {

namespace {

// root (0,0,0) -> A (1,0,0) -> B (2,0,0), made through the document.
struct Chain : Scene {
    model::ViewProjection front;
    Chain() {
        EXPECT_TRUE(document.makeBone(std::nullopt, makeVector(0, 0, 0), std::nullopt, makeVector(1, 0, 0)));
        EXPECT_TRUE(document.makeBone(1, {}, std::nullopt, makeVector(2, 0, 0)));
    }
    const model::ModelVertex& joint(int i) { return document.model().skeleton.joints[i].position; }
};

void expectAt(const model::ModelVertex& actual, const model::ModelVertex& expected) {
    EXPECT_NEAR(actual.x, expected.x, 1e-12);
    EXPECT_NEAR(actual.y, expected.y, 1e-12);
    EXPECT_NEAR(actual.z, expected.z, 1e-12);
}

constexpr double kQuarter = 1.5707963267948966;

}  // namespace

TEST(DocumentJointTools, RotateAndLockedMoveAboutTheViewsDepthAxis) {
    Chain turn;
    ASSERT_TRUE(turn.document.rotateJoint(1, false, kQuarter, turn.front));
    expectAt(turn.joint(0), makeVector(0, 0, 0));
    expectAt(turn.joint(1), makeVector(0, 1, 0));
    expectAt(turn.joint(2), makeVector(0, 2, 0));

    Chain locked;
    ASSERT_TRUE(locked.document.lockedMoveJoint(1, false, kQuarter, locked.front));
    expectAt(locked.joint(1), makeVector(0, 1, 0));
    expectAt(locked.joint(2), makeVector(1, 1, 0));  // carried, not turned

    // With shift the part above swings about the far end of the bone starting at A.
    Chain above;
    ASSERT_TRUE(above.document.rotateJoint(1, true, kQuarter, above.front));
    expectAt(above.joint(2), makeVector(2, 0, 0));
    expectAt(above.joint(1), makeVector(2, -1, 0));
    expectAt(above.joint(0), makeVector(2, -2, 0));

    // Seen from the side, the depth axis is the model's X axis.
    Chain side;
    side.front.angleY = kQuarter;
    ASSERT_TRUE(side.document.makeBone(2, {}, std::nullopt, makeVector(2, 1, 0)));
    ASSERT_TRUE(side.document.rotateJoint(3, false, kQuarter, side.front));
    EXPECT_NEAR(side.joint(3).x, 2, 1e-12);
    EXPECT_NEAR(std::abs(side.joint(3).z), 1, 1e-12);

    EXPECT_FALSE(turn.document.rotateJoint(0, false, kQuarter, turn.front));  // nothing ends at the root
}

}  // namespace kestrel::app

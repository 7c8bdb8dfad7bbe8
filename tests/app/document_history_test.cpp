// The document as the one way in: saves that keep the edit frame, names written exactly as
// given, exports that leave the document where it is, undo and redo of every kind of command,
// the modified state from the history, and the change notices.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <iterator>
#include <memory>

#include "app/document.h"
#include "formats/file_system.h"
#include "render/edit_view.h"
#include "render/software_device.h"

namespace kestrel::app {
namespace {

// The sample robot (a skeleton, a base frame and a movement "nod"), copied into memory at /m.
struct Robot {
    formats::MemoryFileSystem* files = new formats::MemoryFileSystem;
    Document document{std::unique_ptr<formats::FileSystem>(files)};
    std::vector<std::string> notices;  // the command each notice named, "" for none

    Robot() {
        for (const char* name : {"robot.rsd", "robot.ply", "robot.mat", "robot.xgrp", "robot.bone", "robot.move",
                                 "robot_body.tim", "robot_face.tim"}) {
            std::ifstream in(std::string("data/samples/") + name, std::ios::binary);
            files->files[std::string("/m/") + name] = {std::istreambuf_iterator<char>(in), {}};
        }
        const auto opened = document.openFile("/m/robot.rsd");
        EXPECT_TRUE(opened) << opened.error().describe();
        document.subscribe([this](const ChangeNotice& notice) { notices.push_back(notice.command); });
    }
    Document reopened(const std::string& path) const {
        Document again{std::make_unique<formats::MemoryFileSystem>(*files)};
        EXPECT_TRUE(again.openFile(path));
        return again;
    }
};

// Everything an undo step must bring back.
struct Everything {
    model::Model current;
    std::vector<animation::Movement> movements;
    std::optional<animation::Keyframe> baseFrame;
    std::vector<std::string> textures;
    std::vector<std::vector<std::uint8_t>> pictures;  // each texture slot's pixels
    explicit Everything(const Document& d)
        : current(d.model()),
          movements(d.animation().movements),
          baseFrame(d.animation().baseFrame),
          textures(d.model().textureFiles) {
        for (const auto& slot : d.textureSlots()) pictures.push_back(slot.picture.pixels);
    }
    bool operator==(const Everything&) const = default;
};

TEST(DocumentSaveRules, AnEditOfTheBaseFrameIsWhatSaveWrites) {
    Robot r;
    r.document.selectAll();
    ASSERT_TRUE(r.document.invertNormals());
    ASSERT_TRUE(r.document.reScale({2.0, true, false}));
    ASSERT_TRUE(r.document.quickMaterial(model::QuickMaterial::Transparent));
    const model::Model edited = r.document.model();
    ASSERT_TRUE(r.document.modified());
    ASSERT_TRUE(r.document.save());
    EXPECT_FALSE(r.document.modified());

    Document again = r.reopened("/m/robot.rsd");
    EXPECT_EQ(again.model().polygons[0].vId, edited.polygons[0].vId);
    EXPECT_EQ(again.model().polygons[3].mat_flag, edited.polygons[3].mat_flag);
    EXPECT_NEAR(again.model().vertices[5].y, edited.vertices[5].y, 1e-6);
    // The movement is kept: its keyframes, differenced against the new base frame, come back.
    ASSERT_EQ(again.animation().movements.size(), 1u);
    EXPECT_NEAR(again.animation().movements[0].keyframes[0].model.vertices[5].y,
                r.document.animation().movements[0].keyframes[0].model.vertices[5].y, 1e-5);
}

TEST(DocumentSaveRules, AnEditThatTheMovementsCannotFollowIsRefusedNotDropped) {
    Robot r;
    r.document.selectAll();
    ASSERT_TRUE(r.document.deleteVertices());
    const std::string ply = r.files->files.at("/m/robot.ply");
    const auto saved = r.document.save();
    // Either the files hold the edit or the save says why not; never the old model as success.
    if (saved) {
        EXPECT_EQ(r.reopened("/m/robot.rsd").model().vertexCount(), 0);
    } else {
        EXPECT_FALSE(saved.error().message.empty());
        EXPECT_EQ(r.files->files.at("/m/robot.ply"), ply);
        EXPECT_TRUE(r.document.modified());
    }
}

TEST(DocumentSaveRules, AKeyframesUnstoredEditIsAskedAboutBeforeSaving) {
    Robot r;
    const std::string key = r.document.animation().movements[0].keyframes[0].name;
    r.document.select({ProjectItem::Keyframe, key, -1});
    EXPECT_FALSE(r.document.unstoredKeyframe());  // taking a keyframe's pose is no edit
    r.document.edit("Move", [](model::Model& m) { m.vertices[0].x += 100; });
    EXPECT_EQ(r.document.unstoredKeyframe(), key);
    const std::string move = r.files->files.at("/m/robot.move");

    // Callers that cannot ask are refused, and nothing is written.
    const auto refused = r.document.save();
    ASSERT_FALSE(refused);
    EXPECT_NE(refused.error().message.find(key), std::string::npos);
    EXPECT_EQ(r.files->files.at("/m/robot.move"), move);
    // Without it: the keyframes as they are, and the document still unsaved.
    ASSERT_TRUE(r.document.save(UnstoredEdit::LeaveOut));
    EXPECT_TRUE(r.document.modified());
    EXPECT_EQ(r.reopened("/m/robot.rsd").animation().movements[0].keyframes[0].model.vertices[0].x,
              r.document.animation().movements[0].keyframes[0].model.vertices[0].x);
    // With it: "Replace Keyframe" first, one undo step, then the save.
    ASSERT_TRUE(r.document.save(UnstoredEdit::StoreFirst));
    EXPECT_FALSE(r.document.modified());
    EXPECT_EQ(r.document.undoName(), "Replace Keyframe");
    EXPECT_NEAR(r.reopened("/m/robot.rsd").animation().movements[0].keyframes[0].model.vertices[0].x,
                r.document.model().vertices[0].x, 1e-6);
}

TEST(DocumentSaveRules, APoseMadeWithAMovementSelectedIsForAKeyframeNotTheBaseFrame) {
    Robot r;
    const model::Model base = r.document.animation().baseFrame->model;
    r.document.select({ProjectItem::Movement, "nod", -1});
    r.document.edit("Pose", [](model::Model& m) { m.vertices[0].x += 7; });
    EXPECT_EQ(r.document.animation().baseFrame->model, base);
    EXPECT_EQ(r.document.unstoredKeyframe(), "BaseFrame");
    ASSERT_TRUE(r.document.addKeyframe([](const KeyframeEntry& e) { return e; }));
    EXPECT_FALSE(r.document.unstoredKeyframe());  // the pose is the new keyframe's
    ASSERT_TRUE(r.document.save());
    EXPECT_EQ(r.reopened("/m/robot.rsd").animation().movements[0].keyframes.size(), 4u);
}

TEST(DocumentSaveRules, SaveAsWritesTheNameGivenToTheLetter) {
    Robot r;
    const auto before = r.files->files;
    ASSERT_TRUE(r.document.saveAs("/m/Robot.rsd"));
    for (const char* name : {"/m/robot.ply", "/m/robot.mat", "/m/robot.xgrp", "/m/robot.bone", "/m/robot.move"})
        EXPECT_EQ(r.files->files.at(name), before.at(name)) << name;
    for (const char* name : {"/m/Robot.ply", "/m/Robot.mat", "/m/Robot.xgrp", "/m/Robot.bone", "/m/Robot.move"})
        EXPECT_TRUE(r.files->files.contains(name)) << name;
    EXPECT_NE(r.files->files.at("/m/Robot.rsd").find("PLY=/m/Robot.ply"), std::string::npos);
    // A plain Save of the set goes back to the files the set names.
    ASSERT_TRUE(r.document.save());
    EXPECT_EQ(r.files->files.at("/m/robot.ply"), before.at("/m/robot.ply"));
}

TEST(DocumentSaveRules, SaveCurrentAsIsAnExportThatLeavesTheDocumentWhereItIs) {
    Robot r;
    r.document.selectAll();
    ASSERT_TRUE(r.document.invertNormals());
    ASSERT_TRUE(r.document.saveCurrentAs("/x/pose.rsd"));
    EXPECT_EQ(r.document.windowTitle(), "Kestrel - /m/robot.rsd *");
    EXPECT_TRUE(r.document.modified());
    ASSERT_TRUE(r.document.save());
    EXPECT_FALSE(r.files->files.contains("/x/pose.move"));
    EXPECT_NE(r.files->files.at("/m/robot.rsd").find("MOVE="), std::string::npos);
    EXPECT_EQ(r.document.windowTitle(), "Kestrel - /m/robot.rsd");
    // A TMD is an export too.
    ASSERT_TRUE(r.document.saveAs("/x/robot.tmd"));
    EXPECT_EQ(r.document.path(), "/m/robot.rsd");
}

TEST(DocumentSaveRules, NewAndOpenLeaveNothingOfThePreviousDocument) {
    Robot r;
    r.document.select({ProjectItem::Movement, "nod", -1});
    r.document.setMarker();
    r.document.selectAll();
    ASSERT_TRUE(r.document.invertNormals());
    r.document.newModel();
    EXPECT_EQ(r.document.selection().kind, ProjectItem::None);
    EXPECT_FALSE(r.document.hasMarker());
    EXPECT_FALSE(r.document.animation().baseFrame);
    EXPECT_TRUE(r.document.textureSlots().empty());
    EXPECT_FALSE(r.document.canUndo());
    EXPECT_FALSE(r.document.modified());
    EXPECT_EQ(r.document.windowTitle(), "Kestrel");
    EXPECT_FALSE(r.document.generateMime());  // no movement is selected any more
}

TEST(DocumentSaveRules, WritersAndPainterLeaveTheDocumentAsItWas) {
    Robot r;
    r.document.selectAll();
    ASSERT_TRUE(r.document.invertNormals());
    const Everything before(r.document);
    ASSERT_TRUE(r.document.saveAs("/m/robot.tmd"));
    ASSERT_TRUE(r.document.consoleModel());
    ASSERT_TRUE(r.document.saveCurrentAs("/y/copy.rsd"));
    render::SoftwareDevice device(64, 48);
    for (auto mode : {render::DisplayMode::Textured, render::DisplayMode::Wireframe}) {
        render::EditView view;
        view.mode = mode;
        render::paintEditView(device, r.document.model(), view, {});
    }
    EXPECT_TRUE(Everything(r.document) == before);
}

// Each command kind, run on the robot with everything selected and "nod" open, after what
// it needs selected first.
struct Command {
    const char* name;
    std::function<bool(Document&)> run;
    std::function<void(Document&)> prepare = [](Document&) {};
};

std::vector<Command> everyKind() {
    using model::QuickMaterial;
    return {
        {"Delete Polygons", [](Document& d) { return bool(d.deletePolygons()); }},
        {"Create Polygon", [](Document& d) { return bool(d.createPolygon()); },
         [](Document& d) {
             ASSERT_TRUE(d.selectVertices({0, 1, 2}));
         }},
        {"Invert Normals", [](Document& d) { return bool(d.invertNormals()); }},
        {"Group Polygons", [](Document& d) { return bool(d.groupPolygons("all")); }},
        {"Centre Object", [](Document& d) { return d.centreObject(), true; }},
        {"ReScale",
         [](Document& d) {
             return bool(d.reScale({0.5, false, true}));
         }},
        {"Re-Centre",
         [](Document& d) {
             return bool(d.reCentre({model::makeVector(1, 2, 3), false, true}));
         }},
        {"Grid Align",
         [](Document& d) {
             model::GridAlignOptions grid;
             grid.enabled = {true, true, true};
             grid.size = {7, 7, 7};
             return bool(d.gridAlign(grid));
         }},
        {"Merge Vertices", [](Document& d) { return d.mergeVertices({40.0}) > 0; }},
        {"Reorder Vertices", [](Document& d) { return bool(d.reorderVertices()); }},
        {"Polygon Properties",
         [](Document& d) {
             auto settings = *d.polygonProperties();
             settings.transparent = !settings.transparent;
             return bool(d.setPolygonProperties(settings));
         }},
        {"Set Face Colour", [](Document& d) { return bool(d.quickMaterial(QuickMaterial::FaceColour, 0x123456)); }},
        {"Point Lighting",
         [](Document& d) {
             return bool(d.pointLight({0xFFFFFF, 200}));
         },
         [](Document& d) { ASSERT_TRUE(d.selectVertices({3})); }},
        {"New Movement", [](Document& d) { return bool(d.newMovement("wave")); }},
        {"Add Keyframe", [](Document& d) { return bool(d.addKeyframe([](const KeyframeEntry& e) { return e; })); }},
        {"Rename Movement", [](Document& d) { return bool(d.renameMovement("bow")); }},
        {"Delete Movement", [](Document& d) { return bool(d.deleteMovement()); }},
        {"Make Bone",
         [](Document& d) {
             return bool(
                 d.makeBone(std::nullopt, model::makeVector(0, 0, 0), std::nullopt, model::makeVector(9, 9, 9)));
         }},
        {"Delete Bone", [](Document& d) { return bool(d.deleteBone()); }, [](Document& d) { d.selectBone(0); }},
        {"Rotate Joint", [](Document& d) { return bool(d.rotateJoint(2, false, 0.3, {})); }},
        {"Move Joint", [](Document& d) { return bool(d.moveJoint(1, model::makeVector(4, 4, 4))); }},
        {"Restore Marker", [](Document& d) { return d.restoreMarker(), true; },
         [](Document& d) {
             d.setMarker();
             d.edit("Move", [](model::Model& m) { m.vertices[0].x = 99; });
         }},
    };
}

TEST(DocumentHistory, UndoAndRedoOfEveryKindOfCommandRestoreEqualDocuments) {
    for (const Command& command : everyKind()) {
        Robot r;
        r.document.select({ProjectItem::Movement, "nod", -1});
        r.document.selectAll();
        command.prepare(r.document);
        const Everything before(r.document);
        ASSERT_TRUE(command.run(r.document)) << command.name;
        const Everything after(r.document);
        ASSERT_FALSE(after == before) << command.name;
        EXPECT_EQ(r.document.undoName(), command.name);
        ASSERT_TRUE(r.document.undo()) << command.name;
        EXPECT_TRUE(Everything(r.document) == before) << command.name;
        EXPECT_EQ(r.document.redoName(), command.name);
        ASSERT_TRUE(r.document.redo()) << command.name;
        EXPECT_TRUE(Everything(r.document) == after) << command.name;
    }
}

TEST(DocumentHistory, TexturesAndTheirPicturesAreUndoneWithTheCommand) {
    Robot r;
    ASSERT_EQ(r.document.textureSlots().size(), 2u);
    const Everything before(r.document);
    r.files->files["/m/extra.tim"] = r.files->files.at("/m/robot_face.tim");
    ASSERT_TRUE(r.document.wrapTexture({{.type = model::WrapType::CylinderY}, "/m/extra.tim", true}));
    EXPECT_EQ(r.document.textureSlots().size(), 3u);
    ASSERT_TRUE(r.document.undo());
    EXPECT_TRUE(Everything(r.document) == before);

    r.document.select({ProjectItem::Texture, "robot_body.tim", 0});
    ASSERT_TRUE(r.document.removeTexture());
    EXPECT_EQ(r.document.textureSlots().size(), 1u);
    ASSERT_TRUE(r.document.undo());
    EXPECT_TRUE(Everything(r.document) == before);
}

TEST(DocumentHistory, ANewCommandAfterUndoDropsTheRedoSteps) {
    Robot r;
    r.document.selectAll();
    ASSERT_TRUE(r.document.invertNormals());
    r.document.centreObject();
    ASSERT_TRUE(r.document.undo());
    EXPECT_TRUE(r.document.canRedo());
    ASSERT_TRUE(r.document.quickMaterial(model::QuickMaterial::Solid));
    EXPECT_FALSE(r.document.canRedo());
    EXPECT_EQ(r.document.undoName(), "Solid");
    ASSERT_TRUE(r.document.undo());
    EXPECT_EQ(r.document.undoName(), "Invert Normals");
}

TEST(DocumentHistory, ModifiedFollowsTheHistoryAcrossSaves) {
    Robot r;
    EXPECT_FALSE(r.document.modified());
    r.document.selectAll();  // selections are no steps and change no file
    EXPECT_FALSE(r.document.canUndo());
    EXPECT_FALSE(r.document.modified());
    ASSERT_TRUE(r.document.invertNormals());
    EXPECT_TRUE(r.document.modified());
    ASSERT_TRUE(r.document.undo());
    EXPECT_FALSE(r.document.modified());  // back where the files are
    ASSERT_TRUE(r.document.redo());
    ASSERT_TRUE(r.document.save());
    EXPECT_FALSE(r.document.modified());
    ASSERT_TRUE(r.document.undo());
    EXPECT_TRUE(r.document.modified());  // the files hold the step undone
    EXPECT_EQ(r.document.windowTitle(), "Kestrel - /m/robot.rsd *");
    ASSERT_TRUE(r.document.redo());
    EXPECT_FALSE(r.document.modified());
    // Undoing past the save and branching off loses the saved state for good.
    ASSERT_TRUE(r.document.undo());
    r.document.centreObject();
    ASSERT_TRUE(r.document.undo());
    EXPECT_TRUE(r.document.modified());
}

TEST(DocumentHistory, StepsAreKeptUpToTheLimitAndGroupsAreOneStep) {
    Robot r;
    for (std::size_t i = 0; i < Document::kHistorySteps + 20; ++i)
        r.document.edit("Nudge", [](model::Model& m) { m.vertices[0].x += 1; });
    std::size_t undone = 0;
    while (r.document.undo()) ++undone;
    EXPECT_EQ(undone, Document::kHistorySteps);
    EXPECT_EQ(r.document.model().vertices[0].x, r.reopened("/m/robot.rsd").model().vertices[0].x + 20);
    EXPECT_TRUE(r.document.modified());  // the saved state fell off the end

    r.document.beginStep("Drag");
    for (int i = 0; i < 5; ++i) r.document.edit("Nudge", [](model::Model& m) { m.vertices[1].y += 1; });
    r.document.endStep();
    EXPECT_EQ(r.document.undoName(), "Drag");
    const double dragged = r.document.model().vertices[1].y;
    ASSERT_TRUE(r.document.undo());
    EXPECT_EQ(r.document.model().vertices[1].y, dragged - 5);
    // A group that changed nothing is no step.
    r.document.beginStep("Nothing");
    r.document.selectAll();
    r.document.endStep();
    EXPECT_NE(r.document.undoName(), "Nothing");
}

TEST(DocumentHistory, UndoKeepsTheNameTheDocumentWasSavedUnder) {
    Robot r;
    r.document.selectAll();
    ASSERT_TRUE(r.document.invertNormals());
    ASSERT_TRUE(r.document.saveAs("/n/copy.rsd"));
    ASSERT_TRUE(r.document.undo());
    EXPECT_EQ(r.document.path(), "/n/copy.rsd");
    // Selecting a keyframe whose model was read under the old name keeps the new one too.
    r.document.select({ProjectItem::Keyframe, r.document.animation().movements[0].keyframes[0].name, -1});
    EXPECT_EQ(r.document.path(), "/n/copy.rsd");
}

TEST(DocumentHistory, SwitchingAwayFromAnUnstoredPoseCanBeUndone) {
    Robot r;
    const auto& keys = r.document.animation().movements[0].keyframes;
    r.document.select({ProjectItem::Keyframe, keys[0].name, -1});
    r.document.edit("Pose", [](model::Model& m) { m.vertices[2].z = 55; });
    r.document.select({ProjectItem::Keyframe, keys[1].name, -1});
    EXPECT_NE(r.document.model().vertices[2].z, 55);
    EXPECT_EQ(r.document.undoName(), "Select Keyframe");
    ASSERT_TRUE(r.document.undo());
    EXPECT_EQ(r.document.model().vertices[2].z, 55);
    EXPECT_EQ(r.document.unstoredKeyframe(), keys[0].name);
}

TEST(DocumentNotices, EveryChangeIsToldToEveryListenerWithItsCommand) {
    Robot r;
    std::vector<unsigned> second;
    const int id = r.document.subscribe([&](const ChangeNotice& n) { second.push_back(n.what); });
    r.document.selectAll();
    ASSERT_TRUE(r.document.invertNormals());
    ASSERT_TRUE(r.document.save());
    r.document.undo();
    r.document.newModel();
    ASSERT_TRUE(r.document.openFile("/m/robot.rsd"));
    Settings settings = r.document.settings();
    settings.portBase = 0x378;
    r.document.setSettings(settings);
    const std::vector<std::string> expected{"", "Invert Normals", "", "Undo Invert Normals", "", "", ""};
    EXPECT_EQ(r.notices, expected);
    ASSERT_EQ(second.size(), expected.size());
    EXPECT_TRUE(second[0] & kOnlySelection);
    EXPECT_TRUE(second[2] & kSaved);
    EXPECT_TRUE(second[4] & kDocumentReplaced);
    EXPECT_TRUE(second[5] & kDocumentReplaced);
    EXPECT_TRUE(second[6] & kSettingsChanged);
    r.document.unsubscribe(id);
    r.document.selectNone();
    EXPECT_EQ(second.size(), expected.size());
    EXPECT_EQ(r.notices.size(), expected.size() + 1);
}

}  // namespace
}  // namespace kestrel::app

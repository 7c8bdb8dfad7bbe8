// Document: the commands behind Open, the Save family and the marker, over files in memory.
#include "app/document.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>

#include "formats/file_system.h"

namespace kestrel::app {
namespace {

using formats::MemoryFileSystem;

// A triangle and a quadrilateral, a material line each and one group.
std::map<std::string, std::string> smallSet(const std::string& stem) {
    return {
        {"/m/" + stem + ".rsd", "@RSD940102\nPLY=" + stem + ".ply\nMAT=" + stem +
                                    ".mat\n"
                                    "NTEX=1\nTEX[0]=skin.tim\n"},
        {"/m/" + stem + ".ply",
         "@PLY940102\n5 5 2\n0 0 0\n10 0 0\n0 10 0\n10 10 0\n5 5 -8\n"
         "0 0 1\n0 0 1\n0 0 1\n0 0 1\n0 0 1\n"
         "1 0 1 2 3 0 1 2 3\n0 0 1 4 0 0 1 4 0\n"},
        {"/m/" + stem + ".mat", "@MAT940801\n2\n0 0 F C 255 0 0\n1 0 G T 0 0 0 31 0 0 31 0 0\n"},
        {"/m/" + stem + ".xgrp", "1\n# Group Descriptions\nall\n2 0 1 \n"},
    };
}

struct Fixture {
    MemoryFileSystem* files;  // owned by the document
    Document document;

    Fixture() : Fixture(std::make_unique<MemoryFileSystem>()) {}

private:
    explicit Fixture(std::unique_ptr<MemoryFileSystem> owned) : files(owned.get()), document(std::move(owned)) {
        files->files = smallSet("a");
        files->files.merge(smallSet("b"));
        // A PLY file without its "@" version line cannot be read.
        files->files["/m/broken.rsd"] = "@RSD940102\nPLY=broken.ply\n";
        files->files["/m/broken.ply"] = "3 3 1\n0 0 0\n1 0 0\n0 1 0\n";
    }
};

TEST(DocumentOpen, ReplacesTheModelAndTitle) {
    Fixture f;
    EXPECT_EQ(f.document.windowTitle(), "Kestrel");
    const auto opened = f.document.openFile("/m/a.rsd");
    ASSERT_TRUE(opened) << opened.error().describe();
    EXPECT_EQ(f.document.windowTitle(), "Kestrel - /m/a.rsd");
    EXPECT_EQ(f.document.model().vertexCount(), 5);
    EXPECT_EQ(f.document.model().polygonCount(), 2);
    EXPECT_EQ(f.document.model().groupCount(), 1);
    EXPECT_EQ(f.document.model().polygons[1].type, 'T');
}

TEST(DocumentOpen, AFailedOpenLeavesModelAndTitleUntouched) {
    Fixture f;
    // Before anything is open, a failure keeps the empty model and the bare title.
    ASSERT_FALSE(f.document.openFile("/m/missing.rsd"));
    EXPECT_EQ(f.document.model(), model::Model{});
    EXPECT_EQ(f.document.windowTitle(), "Kestrel");

    ASSERT_TRUE(f.document.openFile("/m/a.rsd"));
    const model::Model before = f.document.model();
    // The reason names the file at fault: for the broken set, that is its PLY file.
    const std::map<std::string, std::string> failures{{"/m/missing.rsd", "missing.rsd"},
                                                      {"/m/broken.rsd", "broken.ply"},
                                                      {"/m/scene.ase", "scene.ase"},
                                                      {"/m/scene.asc", "scene.asc"},
                                                      {"/m/start.ks", "start.ks"}};
    for (const auto& [path, named] : failures) {
        const auto opened = f.document.openFile(path);
        ASSERT_FALSE(opened) << path;
        EXPECT_NE(opened.error().describe().find(named), std::string::npos) << opened.error().describe();
        EXPECT_EQ(f.document.model(), before) << path;
        EXPECT_EQ(f.document.windowTitle(), "Kestrel - /m/a.rsd") << path;
    }
}

TEST(DocumentSave, SaveAsWithAnotherExtensionWritesNothingAndSaysSo) {
    Fixture f;
    ASSERT_TRUE(f.document.openFile("/m/a.rsd"));
    const auto filesBefore = f.files->files;
    const model::Model modelBefore = f.document.model();
    for (const char* path : {"/m/out.txt", "/m/out", "/m/out.rsd.bak", "/m/rsd"}) {
        for (const bool current : {false, true}) {
            const auto saved = current ? f.document.saveCurrentAs(path) : f.document.saveAs(path);
            ASSERT_FALSE(saved) << path;
            EXPECT_NE(saved.error().message.find("nothing was written"), std::string::npos) << saved.error().describe();
        }
    }
    EXPECT_EQ(f.files->files, filesBefore);
    EXPECT_EQ(f.document.model(), modelBefore) << "a refused Save As must not rename the model";
}

TEST(DocumentSave, SaveAsTakesRsdInAnyLetterCase) {
    Fixture f;
    ASSERT_TRUE(f.document.openFile("/m/a.rsd"));
    const auto saved = f.document.saveAs("/m/OUT.Rsd");
    ASSERT_TRUE(saved) << saved.error().describe();
    for (const char* name : {"/m/OUT.Rsd", "/m/OUT.ply", "/m/OUT.mat", "/m/OUT.xgrp"})
        EXPECT_TRUE(f.files->isFile(name)) << name;
    EXPECT_EQ(f.document.model().rsdFileName, "/m/OUT.Rsd");
    EXPECT_EQ(f.document.model().plyFileName, "/m/OUT.ply");
}

// A set saved and opened again names the same files: no path may drift from one save to the
// next, or the texture references and the PLY file would be lost.
TEST(DocumentSave, ASavedSetReopensWithTheSameModelAndPaths) {
    Fixture f;
    ASSERT_TRUE(f.document.openFile("/m/a.rsd"));
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        ASSERT_TRUE(f.document.save());
        const model::Model saved = f.document.model();
        ASSERT_TRUE(f.document.openFile("/m/a.rsd"));
        const model::Model& back = f.document.model();
        EXPECT_EQ(back.plyFileName, saved.plyFileName);
        EXPECT_EQ(back.matFileName, saved.matFileName);
        EXPECT_EQ(back.textureFiles, saved.textureFiles);
        EXPECT_EQ(back.vertices, saved.vertices);
        EXPECT_EQ(back.groups, saved.groups);
        ASSERT_EQ(back.polygonCount(), 2);
        EXPECT_EQ(back.polygons[1].tu, saved.polygons[1].tu);
        EXPECT_EQ(back.polygons[0].rgb, saved.polygons[0].rgb);
    }
}

TEST(DocumentSave, AFailedSaveIsReportedAndKeepsTheFile) {
    Fixture f;
    ASSERT_TRUE(f.document.openFile("/m/a.rsd"));
    const std::string plyBefore = f.files->files.at("/m/a.ply");
    f.files->failingWrites.insert("/m/a.ply");
    const auto saved = f.document.saveCurrent();
    ASSERT_FALSE(saved);
    EXPECT_NE(saved.error().describe().find("a.ply"), std::string::npos) << saved.error().describe();
    EXPECT_EQ(f.files->readFile("/m/a.ply"), plyBefore);
}

TEST(DocumentSave, SaveWithoutAFileNameWritesNothing) {
    Fixture f;
    const auto filesBefore = f.files->files;
    EXPECT_FALSE(f.document.save());
    EXPECT_FALSE(f.document.saveCurrent());
    EXPECT_EQ(f.files->files, filesBefore);
}

TEST(DocumentSave, ModifiedFromAnEditUntilTheNextSaveOpenOrNew) {
    Fixture f;
    ASSERT_TRUE(f.document.openFile("/m/a.rsd"));
    EXPECT_FALSE(f.document.modified());
    // Optimiser passes that find nothing to do change nothing.
    EXPECT_EQ(f.document.reducePolygons().verticesRemoved, 0);
    EXPECT_EQ(f.document.convertToQuads({}), 0);
    EXPECT_EQ(f.document.mergeVertices({}), 0);
    EXPECT_FALSE(f.document.modified());
    f.document.selectAll();
    f.document.invertSelection();
    f.document.selectAll();
    EXPECT_FALSE(f.document.modified());  // no file keeps what is selected
    ASSERT_TRUE(f.document.deletePolygons());
    EXPECT_TRUE(f.document.modified());
    // A TMD is an output, not the model's files: the model stays unsaved.
    ASSERT_TRUE(f.document.saveAs("/m/a.tmd"));
    EXPECT_TRUE(f.document.modified());
    EXPECT_EQ(f.document.windowTitle(), "Kestrel - /m/a.rsd *");
    ASSERT_TRUE(f.document.saveAs("/m/c.rsd"));
    EXPECT_FALSE(f.document.modified());
    EXPECT_EQ(f.document.windowTitle(), "Kestrel - /m/c.rsd");
    f.document.centreObject();
    EXPECT_TRUE(f.document.modified());
    ASSERT_FALSE(f.document.openFile("/m/missing.rsd"));
    EXPECT_TRUE(f.document.modified());  // the edited model is still there
    f.document.newModel();
    EXPECT_FALSE(f.document.modified());
}

TEST(DocumentMarker, RestoresTheSameModelEveryTime) {
    Fixture f;
    ASSERT_TRUE(f.document.openFile("/m/a.rsd"));
    f.document.restoreMarker();  // no marker yet: nothing happens
    EXPECT_FALSE(f.document.hasMarker());
    const model::Model marked = f.document.model();
    f.document.setMarker();

    f.document.edit("Move", [](model::Model& m) {
        m.translate(model::makeVector(1, 2, 3), model::VertexSet::All, false);
        m.deletePolygon(0);
    });
    f.document.restoreMarker();
    EXPECT_EQ(f.document.model(), marked);
    EXPECT_EQ(f.document.undoName(), "Restore Marker");

    // The restored model is a copy: changing it leaves the marker as it was.
    f.document.edit("Cut", [](model::Model& m) {
        m.deleteVertex(4);
        m.groups.clear();
    });
    f.document.restoreMarker();
    EXPECT_EQ(f.document.model(), marked);

    // A marker belongs to its document: another file or "New" leaves none behind.
    ASSERT_TRUE(f.document.openFile("/m/b.rsd"));
    EXPECT_FALSE(f.document.hasMarker());
    f.document.setMarker();
    f.document.newModel();
    EXPECT_FALSE(f.document.hasMarker());
}

}  // namespace
TEST(DocumentAnimation, SaveWritesTheBaseFrameWithItsMovementsAndSaveCurrentNeither) {
    Fixture f;
    // A movement of one keyframe whose first vertex sits 2 units higher than the base frame.
    f.files->files["/m/a.move"] = "# Number of Movement Descriptions\n1\nrun\n1\nstride\n5 1\n0 2 0\n";
    ASSERT_TRUE(f.document.openFile("/m/a.rsd"));
    const auto& anim = f.document.animation();
    ASSERT_EQ(anim.movements.size(), 1u);
    ASSERT_TRUE(anim.baseFrame);
    EXPECT_EQ(anim.movements[0].keyframes[0].model.vertices[0].y, 2);
    EXPECT_EQ(anim.movements[0].keyframes[0].framesFromLast, 5);

    // The edit frame is a keyframe's pose with a change the keyframe lacks: Save asks first,
    // and saving without it writes the base frame.
    f.document.select({ProjectItem::Keyframe, "stride", -1});
    f.document.edit("Move", [](model::Model& m) { m.vertices[1].x = 99; });
    EXPECT_EQ(f.document.unstoredKeyframe(), "stride");
    const auto refused = f.document.saveAs("/s/p.rsd");
    ASSERT_FALSE(refused);
    EXPECT_NE(refused.error().message.find("keyframe 'stride'"), std::string::npos);
    EXPECT_FALSE(f.files->files.contains("/s/p.rsd"));
    ASSERT_TRUE(f.document.saveAs("/s/p.rsd", UnstoredEdit::LeaveOut));
    EXPECT_TRUE(f.document.modified());  // the edit frame's change is still only in memory
    EXPECT_NE(f.files->files.at("/s/p.rsd").find("\nMOVE=/s/p.move\n"), std::string::npos);
    EXPECT_NE(f.files->files.at("/s/p.move").find("\nstride\n5 5\n0.000000 2.000000 0.000000\n"), std::string::npos);
    EXPECT_NE(f.files->files.at("/s/p.ply").find("\n10.000000 0.000000 0.000000\n"), std::string::npos);
    EXPECT_EQ(f.document.model().rsdFileName, "/s/p.rsd");

    ASSERT_TRUE(f.document.saveCurrentAs("/c/q.rsd"));
    EXPECT_FALSE(f.files->files.contains("/c/q.move"));
    EXPECT_EQ(f.files->files.at("/c/q.rsd").find("MOVE="), std::string::npos);
    EXPECT_NE(f.files->files.at("/c/q.ply").find("\n99.000000 0.000000 0.000000\n"), std::string::npos);

    f.document.newModel();
    EXPECT_TRUE(f.document.animation().movements.empty());
    EXPECT_FALSE(f.document.animation().baseFrame);
}

}  // namespace kestrel::app

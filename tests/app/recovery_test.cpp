// Recovery files: the whole document written after a crash comes back equal and modified;
// damaged files, files of another version and files of running processes are handled.
#include "app/recovery.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "formats/file_system.h"

namespace kestrel::app {
namespace {

struct Crashed {
    formats::MemoryFileSystem* files = new formats::MemoryFileSystem;
    Document document{std::unique_ptr<formats::FileSystem>(files)};
    const std::string recovery = recoveryPathFor("/state/kestrel", 4242);

    Crashed() {
        for (const char* name : {"robot.rsd", "robot.ply", "robot.mat", "robot.xgrp", "robot.bone", "robot.move",
                                 "robot_body.tim", "robot_face.tim"}) {
            std::ifstream in(std::string("data/samples/") + name, std::ios::binary);
            files->files[std::string("/m/") + name] = {std::istreambuf_iterator<char>(in), {}};
        }
        EXPECT_TRUE(document.openFile("/m/robot.rsd"));
    }
};

TEST(Recovery, ACrashedSessionsDocumentComesBackEqualAndModified) {
    Crashed c;
    c.document.selectAll();
    ASSERT_TRUE(c.document.invertNormals());
    ASSERT_TRUE(c.document.newMovement("wave"));
    const auto& keys = c.document.animation().movements[1].keyframes;
    c.document.select({ProjectItem::Keyframe, keys[1].name, -1});
    c.document.edit("Pose", [](model::Model& m) { m.vertices[3].x += 100; });
    const auto disk = c.files->files;
    ASSERT_TRUE(writeRecovery(*c.files, c.recovery, c.document, 1765000000));

    // A fresh start over the same files.
    Document fresh{std::make_unique<formats::MemoryFileSystem>(*c.files)};
    const auto found = findRecoveries(fresh.files(), "/state/kestrel", [](int) { return false; });
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].setPath, "/m/robot.rsd");
    EXPECT_EQ(found[0].savedAt, 1765000000);
    EXPECT_EQ(found[0].processId, 4242);
    auto recovered = readRecovery(fresh.files(), found[0].file);
    ASSERT_TRUE(recovered) << recovered.error().describe();
    fresh.adoptRecovered(std::move(*recovered));

    EXPECT_TRUE(fresh.modified());
    EXPECT_EQ(fresh.path(), "/m/robot.rsd");
    EXPECT_EQ(fresh.windowTitle(), "Kestrel - /m/robot.rsd *");
    const auto& was = c.document;
    ASSERT_EQ(fresh.model().vertexCount(), was.model().vertexCount());
    for (int v = 0; v < was.model().vertexCount(); ++v) {
        EXPECT_NEAR(fresh.model().vertices[v].x, was.model().vertices[v].x, 1e-6) << v;
        EXPECT_NEAR(fresh.model().vertices[v].y, was.model().vertices[v].y, 1e-6) << v;
    }
    EXPECT_EQ(fresh.model().polygons[0].vId, was.model().polygons[0].vId);
    EXPECT_EQ(fresh.model().textureFiles, was.model().textureFiles);
    EXPECT_EQ(fresh.textureSlots().size(), 2u);
    EXPECT_EQ(fresh.model().skeleton.bones.size(), was.model().skeleton.bones.size());
    ASSERT_EQ(fresh.animation().movements.size(), 2u);
    EXPECT_EQ(fresh.animation().movements[0].name, was.animation().movements[0].name);
    EXPECT_EQ(fresh.animation().movements[1].keyframes.size(), keys.size());
    EXPECT_EQ(fresh.animation().keyframeCounter, was.animation().keyframeCounter);
    ASSERT_TRUE(fresh.animation().baseFrame);
    EXPECT_EQ(fresh.animation().baseFrame->model.polygons[0].vId, was.animation().baseFrame->model.polygons[0].vId);
    // The pose still belongs to its keyframe, unstored, so a save still asks about it.
    EXPECT_EQ(fresh.unstoredKeyframe(), keys[1].name);
    // Recovering wrote nothing of the user's files.
    EXPECT_EQ(c.files->files.size(), disk.size() + 1);
    for (const auto& [name, bytes] : disk) EXPECT_EQ(c.files->files.at(name), bytes) << name;
}

TEST(Recovery, DamagedAndForeignFilesAreReportedAndSetAside) {
    Crashed c;
    c.document.selectAll();
    ASSERT_TRUE(c.document.invertNormals());
    const std::string good = recoveryBytes(c.document, 1).value();
    // The first part's byte count, one too many.
    std::string longer = good;
    const std::size_t count = longer.rfind('\t', longer.find('\n', longer.find("part\t"))) + 1;
    longer.insert(count, "1");
    const std::string cases[] = {
        good.substr(0, good.size() / 2),  // cut off by the crash
        "KESTREL RECOVERY 99\nend\n",     // from another version
        "not a recovery file at all",     // something else of that name
        longer,
    };
    for (const std::string& bytes : cases) {
        c.files->files[c.recovery] = bytes;
        const auto read = readRecovery(*c.files, c.recovery);
        ASSERT_FALSE(read);
        EXPECT_EQ(read.error().file, c.recovery);
        EXPECT_FALSE(read.error().message.empty());
    }
    EXPECT_NE(readRecovery(*c.files, c.recovery).error().message.size(), 0u);
    setAsideRecovery(*c.files, c.recovery);
    EXPECT_FALSE(c.files->files.contains(c.recovery));
    EXPECT_TRUE(c.files->files.contains(c.recovery + ".bad"));
    EXPECT_TRUE(findRecoveries(*c.files, "/state/kestrel", [](int) { return false; }).empty());
}

TEST(Recovery, FilesOfRunningSessionsAreNotOffered) {
    Crashed c;
    c.document.selectAll();
    ASSERT_TRUE(c.document.invertNormals());
    ASSERT_TRUE(writeRecovery(*c.files, recoveryPathFor("/state/kestrel", 10), c.document, 300));
    ASSERT_TRUE(writeRecovery(*c.files, recoveryPathFor("/state/kestrel", 11), c.document, 200));
    ASSERT_TRUE(writeRecovery(*c.files, recoveryPathFor("/state/kestrel", 12), c.document, 100));
    const auto found = findRecoveries(*c.files, "/state/kestrel", [](int pid) { return pid == 11; });
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].processId, 12);  // oldest first
    EXPECT_EQ(found[1].processId, 10);
}

}  // namespace
}  // namespace kestrel::app

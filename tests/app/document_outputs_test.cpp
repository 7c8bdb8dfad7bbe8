// The document's runtime outputs: TMD through Save As, MIMe files of the selected movement,
// and the texture slots filled when a model is opened.
#include <gtest/gtest.h>

#include <memory>

#include "app/document.h"
#include "formats/file_system.h"
#include "unit_quad.h"

namespace kestrel::app {
namespace {

// A saved quad with a base frame and a movement "walk" of one keyframe moving vertex 1.
struct Scene {
    formats::MemoryFileSystem* files = new formats::MemoryFileSystem;
    Document document{std::unique_ptr<formats::FileSystem>(files)};

    Scene() {
        document.edit("Quad", [](model::Model& m) { test::addUnitQuad(m); });
        const auto proposed = [](const KeyframeEntry& entry) { return std::optional(entry); };
        document.select({ProjectItem::Root, "model", -1});
        EXPECT_TRUE(document.addKeyframe(proposed));
        EXPECT_TRUE(document.newMovement("walk"));
        document.select({ProjectItem::Movement, "walk", -1});
        document.edit("Pose", [](model::Model& m) { m.vertices[1].x += 20.0; });
        EXPECT_TRUE(document.addKeyframe(proposed));
        EXPECT_TRUE(document.saveAs("m/robot.rsd"));
        document.select({ProjectItem::Movement, "walk", -1});
    }
};

void setMimeVersion(Document& document, int version) {
    Settings settings = document.settings();
    settings.mimeVersion = version;
    document.setSettings(settings);
}

}  // namespace

TEST(DocumentOutputs, GenerateMimeWritesTheVersionsFileBesideThePly) {
    Scene s;
    const auto c = s.document.generateMime();
    ASSERT_TRUE(c) << c.error();
    EXPECT_EQ(c->written, "m/robot_mime.C");
    const std::string& text = s.files->files["m/robot_mime.C"];
    EXPECT_TRUE(text.starts_with("// m/robot_mime.C\n//-----------\n// Model: m/robot.ply\n"));
    EXPECT_NE(text.find("4096,0,0,0,   // v[1]"), std::string::npos);  // 20 units over 20 frames
    EXPECT_NE(text.find("MIME_MOVEMENT robot_walk_mime[]={\n"), std::string::npos);

    setMimeVersion(s.document, kMimeType2);
    const auto type2 = s.document.generateMime();
    ASSERT_TRUE(type2) << type2.error();
    EXPECT_TRUE(s.files->files["m/robot_mime.MIM"].starts_with(std::string("KESTREL MIMe TYPE2\0\0", 20)));
}

TEST(DocumentOutputs, BinaryMimeNeedsAMimName) {
    Scene s;
    const auto saved = s.document.saveBinaryMime("m/walk.mim");
    ASSERT_TRUE(saved) << saved.error();
    EXPECT_EQ(saved->written, "m/walk.MIM");
    EXPECT_EQ(s.files->files["m/walk.MIM"].size(), 16u + 8u * 4);  // Type 1: one keyframe, 4 vertices

    const auto before = s.files->files.size();
    EXPECT_FALSE(s.document.saveBinaryMime("m/walk.bin"));
    EXPECT_EQ(s.files->files.size(), before);
}

TEST(DocumentOutputs, MimeExportNeedsAMovementWithUsableKeyframes) {
    Scene s;
    const auto before = s.files->files.size();
    s.document.select({ProjectItem::Root, "model", -1});
    EXPECT_FALSE(s.document.generateMime());
    s.document.select({ProjectItem::Movement, "run", -1});
    EXPECT_FALSE(s.document.generateMime());
    s.document.select({ProjectItem::Movement, "walk", -1});
    setMimeVersion(s.document, kMimeType1);
    auto& kf = const_cast<animation::AnimationState&>(s.document.animation()).movements[0].keyframes[0];
    kf.framesFromLast = 0;
    const auto refused = s.document.generateMime();
    ASSERT_FALSE(refused);
    EXPECT_NE(refused.error().find(kf.name), std::string::npos);
    EXPECT_EQ(s.files->files.size(), before);
}

TEST(DocumentOutputs, SaveAsATmdNameWritesTheCurrentModel) {
    Scene s;
    const auto saved = s.document.saveCurrentAs("m/robot.TMD");
    ASSERT_TRUE(saved) << saved.error().describe();
    const std::string& tmd = s.files->files["m/robot.TMD"];
    ASSERT_GE(tmd.size(), 40u);
    EXPECT_EQ(tmd[0], 0x41);
    EXPECT_EQ(s.document.model().rsdFileName, "m/robot.rsd");  // the document's files stay
    EXPECT_FALSE(s.document.saveAs("m/robot.txt"));
}

TEST(DocumentOutputs, OpeningAModelLoadsItsTextures) {
    Document document;  // the sample on disk
    const auto opened = document.openFile("data/samples/robot.rsd");
    ASSERT_TRUE(opened) << opened.error().describe();
    EXPECT_TRUE(opened->empty());
    ASSERT_EQ(document.textureSlots().size(), 2u);
    EXPECT_TRUE(document.textureSlots()[0].loaded);
    EXPECT_EQ(document.textureSlots()[1].imageX, 704);
    document.newModel();
    EXPECT_TRUE(document.textureSlots().empty());
}

}  // namespace kestrel::app

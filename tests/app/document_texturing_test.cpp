// Texture mapping commands over the sample on disk: reusing or adding a texture for every
// frame, and removing one from every frame.
#include <gtest/gtest.h>

#include <cctype>

#include "app/document.h"

namespace kestrel::app {
namespace {

struct Sample {
    Document document;
    Sample() { EXPECT_TRUE(document.openFile("data/samples/robot.rsd")); }
    std::vector<const model::Model*> frames() const {
        std::vector<const model::Model*> all{&document.model()};
        if (document.animation().baseFrame) all.push_back(&document.animation().baseFrame->model);
        for (const auto& m : document.animation().movements)
            for (const auto& k : m.keyframes) all.push_back(&k.model);
        return all;
    }
};

TEST(DocumentTexturing, AListedTextureIsReusedAndANewOneJoinsEveryFrame) {
    Sample s;
    ASSERT_GT(s.frames().size(), 2u);
    // The listed path in other letters, as "Browse" may give it.
    std::string shouted = s.document.model().textureFiles[0];
    for (char& c : shouted) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    WrapParams params{{.type = model::WrapType::SphereNormal}, shouted, false};
    ASSERT_TRUE(s.document.wrapTexture(params));
    EXPECT_EQ(s.document.model().textureCount(), 2);
    for (const auto& p : s.document.model().polygons) EXPECT_EQ(p.tId, 0);

    const model::Model before = s.document.model();
    EXPECT_FALSE(s.document.wrapTexture({{}, "missing.tim", true}));  // unreadable: nothing changes
    EXPECT_EQ(s.document.model(), before);

    params.texture = "./robot_face.tim";  // another path to a TIM: a third texture
    params.allFrames = true;
    ASSERT_TRUE(s.document.wrapTexture(params));
    ASSERT_EQ(s.document.textureSlots().size(), 3u);
    EXPECT_EQ(s.document.textureSlots()[2].picture.width, s.document.textureSlots()[1].picture.width);
    for (const auto* m : s.frames()) {
        ASSERT_EQ(m->textureCount(), 3);
        EXPECT_EQ(m->textureFiles[2], "./robot_face.tim");
        for (const auto& p : m->polygons) EXPECT_EQ(p.tId, 2);
    }
}

TEST(DocumentTexturing, RemovingATextureDecoloursItsPolygonsInEveryFrame) {
    Sample s;
    ASSERT_TRUE(s.document.wrapTexture({{}, "./robot_face.tim", true}));
    s.document.select({ProjectItem::Texture, "robot_face.tim", 1});
    ASSERT_TRUE(s.document.removeTexture());
    ASSERT_EQ(s.document.textureSlots().size(), 2u);
    for (const auto* m : s.frames()) {
        ASSERT_EQ(m->textureCount(), 2);
        for (const auto& p : m->polygons) EXPECT_EQ(p.tId, 1);  // the third moved down
    }
    EXPECT_EQ(s.document.selection().kind, ProjectItem::None);
    EXPECT_FALSE(s.document.paintTexture());  // no texture selected any more
}

}  // namespace
}  // namespace kestrel::app

namespace kestrel::app {
namespace {

TEST(DocumentMaterials, CommandsNeedTheirSelectionAndRefuseBadValues) {
    Sample s;
    EXPECT_FALSE(s.document.pointLight({}));  // no vertex selected
    EXPECT_FALSE(s.document.quickMaterial(model::QuickMaterial::Solid));
    EXPECT_FALSE(s.document.polygonProperties());
    ASSERT_TRUE(s.document.selectVertices({16}));
    EXPECT_FALSE(s.document.pointLight({0xFFFFFF, 40000}));
    ASSERT_TRUE(s.document.pointLight({0xFFFFFF, 60}));

    s.document.selectAll();
    auto settings = s.document.polygonProperties();
    ASSERT_TRUE(settings);
    settings->texture = 7;  // the sample has two textures
    EXPECT_FALSE(s.document.setPolygonProperties(*settings));
    settings->texture = 1;
    ASSERT_TRUE(s.document.setPolygonProperties(*settings));
    ASSERT_TRUE(s.document.quickMaterial(model::QuickMaterial::Transparent));
    for (const auto& p : s.document.model().polygons) EXPECT_EQ(p.mat_flag & 4, 4);
}

}  // namespace
}  // namespace kestrel::app

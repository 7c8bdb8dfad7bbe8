// The material commands: Polygon Properties, Point Lighting and the quick material commands.
#include <gtest/gtest.h>

#include "model/polygon_materials.h"

namespace kestrel::model {
namespace {

using Colours = std::array<std::int32_t, 4>;

// Triangles (0, 1, 2) at x 500 and (3, 4, 5) at x 1000, corners 100 apart, coloured
// (100, 100, 100); vertex 6 at the origin. Polygon 0 is selected.
Model pair() {
    Model m;
    for (double x : {500.0, 1000.0})
        for (auto [y, z] : {std::pair{0.0, 0.0}, {0.0, 100.0}, {100.0, 0.0}}) m.addVertex(makeVector(x, y, z));
    m.addVertex(makeVector(0, 0, 0));
    m.textureFiles = {"a.tim", "b.tim", "c.tim"};
    m.addPolygon(0, 1, 2, -1);
    m.addPolygon(3, 4, 5, -1);
    for (ModelPolygon& p : m.polygons) p.rgb.fill(0x646464);
    for (int v : {0, 1, 2}) m.vertices[static_cast<std::size_t>(v)].flags |= kVertexSelected;
    return m;
}

Model litFromOrigin() {
    Model m = pair();
    m.deselectAllVertices();
    m.vertices[6].flags |= kVertexSelected;
    return m;
}

TEST(PointLight, WeighsByDistanceAndSaturates) {
    Model m = litFromOrigin();
    EXPECT_TRUE(canPointLight(m));
    m.polygons[0].type = PTYPE_GRADATION_COLOUR;
    m.polygons[0].rgb[1] = 0xFA6464;  // red at 250; this corner is 509.9 away
    EXPECT_EQ(pointLight(m, {.colour = 0xC86400, .radius = 1000}), 3);
    EXPECT_EQ(m.polygons[0].rgb[0], 0xC89664);  // + (200, 100, 0) × 0.5
    EXPECT_EQ(m.polygons[0].rgb[1], 0xFF9564);  // 250 + 98 saturates
    EXPECT_EQ(m.polygons[1], pair().polygons[1]);
    // The radius is exclusive, and radius 0 lights nothing.
    Model edge = litFromOrigin();
    EXPECT_EQ(pointLight(edge, {.radius = 500}) + pointLight(edge, {.radius = 0}), 0);
    EXPECT_EQ(edge, litFromOrigin());
}

TEST(PointLight, LitPolygonsBecomeGradationKindsFromTheColourTheyShowed) {
    Model m = litFromOrigin();
    m.polygons[0].type = PTYPE_TEXTURED;
    m.polygons[0].rgb.fill(0);  // as read: a texture carries no colour
    m.polygons[0].mat_flag = 4;
    m.polygons[1].rgb = {0x102030, 0, 0, 0};  // single colour: only the first counts
    Model unchanged = m;
    pointLight(m, {.colour = 0x404040, .radius = 2000});
    EXPECT_EQ(m.polygons[0].type, PTYPE_TEXTURED_GRADATION_COLOURED);
    EXPECT_EQ(m.polygons[0].mat_flag, 5);
    EXPECT_EQ(m.polygons[0].rgb[0], 0xB0B0B0);  // mid grey + 48, not black + 48
    EXPECT_EQ(m.polygons[1].type, PTYPE_GRADATION_COLOUR);
    EXPECT_EQ(m.polygons[1].mat_flag, 0);
    EXPECT_EQ(m.polygons[1].rgb[1], 0x2F3F4F);  // 0x102030 + 31, not 0 + 31
    pointLight(unchanged, {.radius = 2000, .allowTypeChange = false});
    EXPECT_EQ(unchanged.polygons[0].type, PTYPE_TEXTURED);
    EXPECT_EQ(unchanged.polygons[0].mat_flag, 4);
}

TEST(PointLight, FirstSelectedVertexAndSelectedPolygonsOnly) {
    Model m = pair();
    EXPECT_FALSE(canPointLight(m));
    m.vertices[6].flags |= kVertexSelected;  // vertex 0 still comes first
    EXPECT_EQ(pointLight(m, {.radius = 2000, .selectedOnly = true}), 3);
    EXPECT_EQ(m.polygons[0].rgb[0], 0xFFFFFF);
    EXPECT_EQ(m.polygons[1], pair().polygons[1]);
    m.deselectAllVertices();
    EXPECT_EQ(pointLight(m, {}), 0);
}

TEST(PolygonProperties, ReadsTheLastSelectedPolygonAndTheLastTexture) {
    Model m = pair();
    ModelPolygon& p = m.polygons[0];
    p.tId = 2;
    p.rgb = {0x0000FF, 0x00FF00, 0xFF0000, 0};
    p.mat_flag = 1 | 2 | 4 | 3 << 3;
    p.shading = 'G';
    p.type = PTYPE_TEXTURED_GRADATION_COLOURED;
    EXPECT_EQ(polygonPropertiesFromSelection(m),
              (PolygonPropertiesSettings{.colouringStyle = 2,
                                         .textured = true,
                                         .lightSourced = false,
                                         .doubleFaced = true,
                                         .sides = 3,
                                         .shading = 0,
                                         .transparencyMode = 3,
                                         .transparent = true,
                                         .texture = 2,
                                         .cornerColours = {0xFF0000, 0x00FF00, 0x0000FF, 0}}));
    for (int v : {3, 4, 5}) m.vertices[static_cast<std::size_t>(v)].flags |= kVertexSelected;
    const auto both = polygonPropertiesFromSelection(m);
    EXPECT_TRUE(both->colouringStyle == 1 && !both->textured && both->texture == 2);
    p.type = PTYPE_GRADATION_COLOUR;
    EXPECT_EQ(polygonPropertiesFromSelection(m)->texture, -1);
    m.deselectAllVertices();
    EXPECT_FALSE(polygonPropertiesFromSelection(m));
}

TEST(PolygonProperties, ClickRules) {
    using enum PropertiesClick;
    const PolygonPropertiesSettings litTextured{.colouringStyle = 1, .textured = true};
    EXPECT_FALSE(afterClick(litTextured, StyleUniform).lightSourced);
    EXPECT_EQ(afterClick(litTextured, LightSourced).colouringStyle, 0);
    EXPECT_EQ(afterClick(litTextured, Textured).colouringStyle, 0);
    const PolygonPropertiesSettings plainNone{.colouringStyle = 0, .textured = false};
    EXPECT_EQ(afterClick(plainNone, Textured).colouringStyle, 1);
    EXPECT_EQ(afterClick(plainNone, StyleNone).colouringStyle, 1);
    EXPECT_TRUE(afterClick({.colouringStyle = 2}, StyleGradation).lightSourced);
}

TEST(PolygonProperties, OkRewritesTheSelectedPolygons) {
    Model m = pair();
    m.polygons[0].mat_flag = 2 | 32;
    m.polygons[0].type = PTYPE_TEXTURED;
    PolygonPropertiesSettings s{.colouringStyle = 0,
                                .lightSourced = false,
                                .shading = 0,
                                .transparencyMode = 2,
                                .transparent = true,
                                .texture = 0,
                                .cornerColours = {0x0000FF, 0, 0, 0}};
    EXPECT_EQ(applyPolygonProperties(m, s), 1);
    EXPECT_EQ(m.polygons[0].type, PTYPE_TEXTURED);  // style "None", untextured: kept
    EXPECT_EQ(m.polygons[0].tId, 0);
    EXPECT_EQ(m.polygons[0].mat_flag, 1 | 4 | 2 << 3);  // double faced unticked: bit 1 gone
    EXPECT_EQ(m.polygons[0].shading, 'G');
    EXPECT_EQ(m.polygons[0].rgb, (Colours{0xFF0000, 0, 0, 0}));
    EXPECT_EQ(m.polygons[1], pair().polygons[1]);
    m.polygons[0].mat_flag |= 2;  // confirming what was read changes nothing
    EXPECT_EQ(applyPolygonProperties(m, *polygonPropertiesFromSelection(m)), 0);
    // Without a texture from the list nothing becomes textured ...
    applyPolygonProperties(m, {.colouringStyle = 1, .textured = true, .texture = 3});
    EXPECT_EQ(m.polygons[0].type, PTYPE_SINGLE_COLOUR);
    EXPECT_EQ(m.polygons[0].tId, -1);
    // ... and a polygon left textured keeps its texture.
    m.polygons[0].type = PTYPE_TEXTURED;
    m.polygons[0].tId = 2;
    applyPolygonProperties(m, {.colouringStyle = 0, .texture = -1});
    EXPECT_EQ(m.polygons[0].tId, 2);
}

TEST(QuickMaterial, TexturedThenColouredOnATriangle) {
    Model m = pair();
    m.polygons[0].tId = 1;
    EXPECT_EQ(applyQuickMaterial(m, QuickMaterial::Textured), 1);
    EXPECT_EQ(m.polygons[0].type, PTYPE_TEXTURED);
    EXPECT_EQ(m.polygons[0].rgb, (Colours{kMidGrey, kMidGrey, kMidGrey, 0x646464}));
    EXPECT_EQ(m.polygons[0].tId, 1);
    EXPECT_EQ(applyQuickMaterial(m, QuickMaterial::Textured), 0);
    applyQuickMaterial(m, QuickMaterial::Coloured);
    EXPECT_EQ(m.polygons[0].type, PTYPE_SINGLE_COLOUR);
    EXPECT_EQ(m.polygons[0].tId, -1);
    EXPECT_EQ(m.polygons[0].rgb[0], kMidGrey);
    // A gradation becomes the uniformly tinted kind, and comes back a single colour.
    m.polygons[0].type = PTYPE_GRADATION_COLOUR;
    applyQuickMaterial(m, QuickMaterial::Textured);
    EXPECT_EQ(m.polygons[0].type, PTYPE_TEXTURED_COLOURED);
    applyQuickMaterial(m, QuickMaterial::Coloured);
    EXPECT_EQ(m.polygons[0].type, PTYPE_SINGLE_COLOUR);
    EXPECT_EQ(m.polygons[1], pair().polygons[1]);
    EXPECT_EQ(applyQuickMaterial(m, QuickMaterial::FaceColour, 0x123456), 1);
    EXPECT_EQ(m.polygons[0].rgb, (Colours{0x123456, 0x123456, 0x123456, 0x123456}));
}

}  // namespace
}  // namespace kestrel::model

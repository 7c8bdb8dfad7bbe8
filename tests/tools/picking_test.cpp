// Picking, the rubber band, the magic wand and the tool word, against small hand-built models
// seen from the front: model x and y are the screen's, 0.1 pixel a unit (scale 0.5) about
// the centre of a 200 x 200 client area.
#include <gtest/gtest.h>

#include "model/model.h"
#include "tools/picking.h"
#include "tools/tool_word.h"

namespace kestrel::tools {
namespace {

model::ViewProjection front() {
    model::ViewProjection v;
    v.scale = 0.5;
    v.clientWidth = v.clientHeight = 200;
    return v;
}

// Corners in the console's order: 0 top left, 1 top right, 2 bottom left, 3 bottom right, so
// the outline 0-1-3-2 runs clockwise on screen and the quad faces the viewer.
void addSquare(model::Model& m, double x, double y, double z, double side, bool facing) {
    const int a = m.addVertex(model::makeVector(x, y, z)), b = m.addVertex(model::makeVector(x + side, y, z));
    const int c = m.addVertex(model::makeVector(x, y + side, z)),
              d = m.addVertex(model::makeVector(x + side, y + side, z));
    const int p = facing ? m.addPolygon(a, b, c, d) : m.addPolygon(b, a, d, c);
    m.polygons[static_cast<std::size_t>(p)].flags = 1;  // a quadrilateral
}

}  // namespace

TEST(ToolWord, ToolsKeepTheLocksAndPickClearsEverything) {
    ToolWord word;
    word.setLocks(lockCommands()[4].locks);  // "Move X" locks Y and Z
    EXPECT_EQ(word.locks(), bit::kLockY | bit::kLockZ);
    word.choose(bit::kRotate);
    word.choose(bit::kMove);
    EXPECT_EQ(word.bits, bit::kMove | bit::kLockY | bit::kLockZ);
    EXPECT_FALSE(word.picking());
    word.pick();
    EXPECT_EQ(word.bits, 0u);
    EXPECT_TRUE(word.picking());
    EXPECT_EQ(toolCommands().size(), 16u);
    EXPECT_EQ(lockCommands().size(), 7u);
}

TEST(Picking, OnlyCornersOfPolygonsFacingTheViewerArePicked) {
    model::Model m;
    addSquare(m, 0, 0, 0, 100, true);     // screen (100, 100) to (110, 110)
    addSquare(m, 300, 0, 0, 100, false);  // screen (130, 100) to (140, 110), turned away
    const model::ViewProjection view = front();
    EXPECT_EQ(nearestVisibleVertex(m, view, 101, 101, 4), 0);
    EXPECT_EQ(nearestVisibleVertex(m, view, 109, 111, 4), 3);
    EXPECT_FALSE(nearestVisibleVertex(m, view, 105, 105, 4));  // 5 pixels from every corner
    EXPECT_FALSE(nearestVisibleVertex(m, view, 130, 100, 4));  // on the back of the model
    // The rubber band takes the vertices behind as well; right and bottom edges are outside.
    EXPECT_EQ(verticesInside(m, view, ScreenRect::between(129, 99, 141, 111)), (std::vector<int>{4, 5, 6, 7}));
    EXPECT_EQ(verticesInside(m, view, ScreenRect::between(100, 100, 110, 110)), std::vector<int>{0});
}

TEST(Picking, TheFirstPolygonInModelOrderDecidesAndItsNearestCornerWins) {
    model::Model m;
    addSquare(m, 0, 0, 0, 20, true);   // corners 2 pixels apart around (100, 100)
    addSquare(m, 0, 0, -5, 20, true);  // the same place, nearer the viewer, but later
    const model::ViewProjection view = front();
    EXPECT_EQ(nearestVisibleVertex(m, view, 100.4, 100.4, 4), 0);
    EXPECT_EQ(nearestVisibleVertex(m, view, 101.6, 100.4, 4), 1);
}

TEST(Picking, TheMagicWandFloodsThroughSharedCornersOnly) {
    model::Model m;
    for (int v = 0; v < 6; ++v) m.addVertex(model::makeVector(v % 3, v / 3, 0));
    m.addPolygon(0, 1, 3, 4);
    m.addPolygon(1, 2, 4, 5);
    m.polygons[0].flags = m.polygons[1].flags = 1;
    addSquare(m, 10, 10, 0, 1, true);  // not joined to the others
    EXPECT_EQ(magicWandFrom(m, 0), (std::vector<int>{0, 1, 3, 4, 2, 5}));
    // A polygon already wholly selected stops the flood there.
    for (int v : {1, 2, 4, 5}) m.vertices[static_cast<std::size_t>(v)].flags |= model::kVertexSelected;
    EXPECT_EQ(magicWandFrom(m, 5), std::vector<int>{});
    EXPECT_EQ(magicWandFrom(m, 6), (std::vector<int>{6, 7, 8, 9}));
    EXPECT_EQ(magicWandFrom(m, 99), std::vector<int>{});
}

TEST(Picking, UvCornersAreFoundWhereUvEditDrawsThemOnly) {
    model::Model m;
    addSquare(m, 0, 0, 0, 1, true);
    m.polygons[0].type = 'T';
    m.polygons[0].tId = 1;
    m.polygons[0].tu = {0, 64, 0, 64};
    m.polygons[0].tv = {0, 0, 32, 32};
    const UvView uv{200, 100, 64, 32};  // a texel is 3.125 pixels across and down
    EXPECT_TRUE(uvCornersInside(m, 1, uv, ScreenRect::between(190, 90, 201, 101)).empty());  // not drawn: not selected
    for (auto& v : m.vertices) v.flags |= model::kVertexSelected;
    EXPECT_EQ(uvCornersInside(m, 1, uv, ScreenRect::between(190, 90, 201, 101)), (std::vector<UvCorner>{{0, 3}}));
    EXPECT_TRUE(uvCornersInside(m, 0, uv, ScreenRect::between(0, 0, 201, 101)).empty());
    m.polygons[0].type = 'C';  // a plain colour polygon has no corners to edit
    EXPECT_TRUE(uvCornersInside(m, 1, uv, ScreenRect::between(0, 0, 201, 101)).empty());
}

}  // namespace kestrel::tools

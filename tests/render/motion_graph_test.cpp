// The motion-speed graph and the device text it is labelled with, read back from the
// software device's pixels: where the bars, peak lines, ticks and labels fall.
#include <gtest/gtest.h>

#include "draw_helpers.h"
#include "render/edit_view.h"
#include "render/screen_text.h"

namespace kestrel::render {
namespace {

using test::at;

std::uint32_t rgb(SoftwareDevice& device, int x, int y) { return at(device, x, y) & 0xFFFFFF; }
constexpr std::uint32_t rgbOf(std::uint32_t argb) { return argb & 0xFFFFFF; }

animation::Keyframe keyframe(const std::string& name, int frames, std::vector<model::ModelVertex> vertices) {
    animation::Keyframe k;
    k.name = name;
    k.framesFromLast = frames;
    k.model.vertices = std::move(vertices);
    return k;
}

// Two keyframes over 30 frames: "up" moves one of two vertices 10 in 10 frames (average 0.5,
// peak 1 a frame), "over" the same vertex 40 in 20 (average 1, peak 2).
struct Crafted {
    model::Model base;
    animation::Movement movement{"walk", {}};
    Crafted() {
        base.vertices = {{0, 0, 0, 0}, {5, 5, 5, 0}};
        movement.keyframes.push_back(keyframe("up", 10, {{10, 0, 0, 0}, {5, 5, 5, 0}}));
        movement.keyframes.push_back(keyframe("over", 20, {{10, 40, 0, 0}, {5, 5, 5, 0}}));
    }
};

void paintGraph(SoftwareDevice& device, const MotionGraph& graph) {
    EditView view;
    view.mode = DisplayMode::MovementTimeline;
    device.setBackground(0);
    paintEditView(device, model::Model{}, view, {false, {}, -1, {}, &graph});
}

// The pixels of the rectangle in `device` against the same text drawn alone in `reference`.
void expectTextAt(SoftwareDevice& device, double x, double y, const std::string& text) {
    SoftwareDevice reference(device.width(), device.height());
    reference.setBackground(0);
    reference.clear(true, true);
    std::vector<ScreenVertex> triangles;
    addText(triangles, x, y, text, 0xFFFFFFFF);
    reference.setStates({false, false});
    reference.drawTriangles(triangles);
    reference.present();
    int lit = 0;
    for (int row = static_cast<int>(y); row < static_cast<int>(y) + kTextHeight; ++row)
        for (int column = static_cast<int>(x); column < static_cast<int>(x) + textWidth(text); ++column) {
            ASSERT_EQ(rgb(device, column, row), rgb(reference, column, row)) << text << " at " << column << "," << row;
            lit += rgb(reference, column, row) != 0;
        }
    EXPECT_GT(lit, 4 * static_cast<int>(text.size())) << text;
}

TEST(ScreenText, GlyphsAreSquaresOfTheScaleAndOddCharactersShowAsQuestionMarks) {
    EXPECT_EQ(textWidth(""), 0);
    EXPECT_EQ(textWidth("Time"), 4 * kTextAdvance - kTextScale);
    EXPECT_TRUE(glyphPixel('H', 0, 0) && !glyphPixel('H', 1, 0) && glyphPixel('H', 2, 3));
    EXPECT_FALSE(glyphPixel('H', 5, 0) || glyphPixel('H', -1, 0) || glyphPixel('H', 0, 7));
    for (int row = 0; row < kGlyphHeight; ++row)
        for (int column = 0; column < kGlyphWidth; ++column)
            EXPECT_EQ(glyphPixel('\xE9', column, row), glyphPixel('?', column, row));

    SoftwareDevice device(40, 30);
    device.setBackground(0);
    device.clear(true, true);
    std::vector<ScreenVertex> triangles;
    addText(triangles, 3, 4, "HI", 0xFF00FF00);
    device.setStates({false, false});
    device.drawTriangles(triangles);
    device.present();
    // H's left stem: two columns wide, fourteen rows tall; its gap, and I's top bar beside it.
    for (int row = 4; row < 4 + kTextHeight; ++row) {
        EXPECT_EQ(rgb(device, 3, row), 0x00FF00u) << row;
        EXPECT_EQ(rgb(device, 4, row), 0x00FF00u) << row;
        EXPECT_EQ(rgb(device, 2, row), 0u) << row;
    }
    EXPECT_EQ(rgb(device, 5, 4), 0u);
    EXPECT_EQ(rgb(device, 3 + kTextAdvance + 2, 4), 0x00FF00u);
    EXPECT_EQ(rgb(device, 3, 4 + kTextHeight), 0u);
}

TEST(MotionGraph, BarsPeaksAndTicksStandWhereTheSpeedsPutThem) {
    const Crafted c;
    const MotionGraph graph = motionGraphOf(c.base, &c.movement);
    ASSERT_TRUE(graph.message.empty()) << graph.message;
    ASSERT_EQ(graph.names, (std::vector<std::string>{"up", "over"}));
    // 340 x 240: 10 pixels a frame, 200 pixels for the largest average (1) and the largest peak (2).
    SoftwareDevice device(340, 240);
    paintGraph(device, graph);
    const int axis = 220;
    EXPECT_EQ(rgb(device, 20, 100), rgbOf(kGraphAxes));    // the velocity axis
    EXPECT_EQ(rgb(device, 200, axis), rgbOf(kGraphAxes));  // the time axis
    EXPECT_EQ(rgb(device, 5, axis), 0u);
    // "up": frames 0 to 10, x 20 to 120, a bar 100 high, its peak 1 at 100 pixels up.
    EXPECT_EQ(rgb(device, 75, axis - 1), rgbOf(kGraphBar));
    EXPECT_EQ(rgb(device, 75, axis - 99), rgbOf(kGraphBar));
    EXPECT_EQ(rgb(device, 75, axis - 100), rgbOf(kGraphPeak));
    EXPECT_EQ(rgb(device, 75, axis - 101), 0u);
    // "over": x 120 to 320, the full 200 high, its peak 2 at 200 pixels up.
    EXPECT_EQ(rgb(device, 205, axis - 199), rgbOf(kGraphBar));
    EXPECT_EQ(rgb(device, 205, axis - 200), rgbOf(kGraphPeak));
    EXPECT_EQ(rgb(device, 205, axis - 201), 0u);
    EXPECT_EQ(rgb(device, 330, axis - 50), 0u);  // nothing after the last frame
    EXPECT_EQ(rgb(device, 323, 55), 0u);         // inside the last marker
    // Each keyframe's end has its marker, a circle about (end, 55) and a stem to the axis.
    for (int end : {120, 320}) {
        EXPECT_TRUE(rgb(device, end, 150) == rgbOf(kGraphMarker) || rgb(device, end - 1, 150) == rgbOf(kGraphMarker))
            << end;
        EXPECT_EQ(rgb(device, end - 5, 55), rgbOf(kGraphMarker)) << end;
    }
    // 30 ticks, a frame apart from x = 20, all on even columns here: 5 pixels up from the axis.
    for (int i = 0; i < 30; ++i) {
        EXPECT_EQ(rgb(device, 20 + 10 * i, axis - 5), rgbOf(kGraphAxes)) << i;
        if (i > 0) {
            EXPECT_NE(rgb(device, 20 + 10 * i, axis - 6), rgbOf(kGraphAxes)) << i;
        }
    }
    EXPECT_EQ(rgb(device, 320, axis - 5), rgbOf(kGraphMarker));  // the last marker's stem, no tick
    EXPECT_EQ(rgb(device, 25, axis - 1), rgbOf(kGraphBar));
    // The labels, and each keyframe's name centred on its end, over the axes; the last name
    // moves left to show whole, into "Time", and is drawn over it.
    expectTextAt(device, 25, 5, "Velocity");
    expectTextAt(device, 340 - 60, 240 - 15, "T");
    expectTextAt(device, 340 - textWidth("over") - 2, 240 - 15, "over");
    expectTextAt(device, 5, 240 - 15, "BaseFram");  // the first name's box takes its last column
    expectTextAt(device, 120 - textWidth("up") / 2.0, 240 - 15, "up");

    // At 10.5 pixels a frame the ticks fall on odd columns too, and those are 2 pixels long.
    SoftwareDevice wider(355, 240);
    paintGraph(wider, graph);
    EXPECT_EQ(rgb(wider, 41, axis - 2), rgbOf(kGraphAxes));
    EXPECT_EQ(rgb(wider, 41, axis - 3), rgbOf(kGraphBar));
    EXPECT_EQ(rgb(wider, 30, axis - 5), rgbOf(kGraphAxes));
}

TEST(MotionGraph, WithoutAMovementOnlyTheMessageIsDrawn) {
    SoftwareDevice device(300, 120);
    paintGraph(device, motionGraphOf(model::Model{}, nullptr));
    expectTextAt(device, 10, 10, "No Movement Selected");
    for (int y = 0; y < 120; ++y)
        for (int x = 0; x < 300; ++x) {
            if (y < 10 || y >= 10 + kTextHeight || x >= 10 + textWidth("No Movement Selected")) {
                ASSERT_EQ(rgb(device, x, y), 0u) << x << "," << y;
            }
        }
    // The view's own default: no graph given is no movement.
    SoftwareDevice same(300, 120);
    EditView view;
    view.mode = DisplayMode::MovementTimeline;
    same.setBackground(0);
    paintEditView(same, model::Model{}, view, {});
    EXPECT_TRUE(std::equal(same.pixels().begin(), same.pixels().end(), device.pixels().begin()));

    // A keyframe of no frames cannot be measured: its reason shows in place of the graph.
    Crafted c;
    c.movement.keyframes[1].framesFromLast = 0;
    const MotionGraph refused = motionGraphOf(c.base, &c.movement);
    EXPECT_NE(refused.message.find("\"over\" has 0 frames"), std::string::npos) << refused.message;
}

}  // namespace
}  // namespace kestrel::render

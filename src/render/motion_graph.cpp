#include "render/motion_graph.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "render/screen_text.h"

namespace kestrel::render {

MotionGraph motionGraphOf(const model::Model& base, const animation::Movement* movement) {
    MotionGraph graph;
    if (!movement) {
        graph.message = "No Movement Selected";
        return graph;
    }
    auto speed = animation::motionSpeed(base, *movement);
    if (!speed) {
        graph.message = speed.error();
        return graph;
    }
    graph.speed = std::move(*speed);
    for (const auto& keyframe : movement->keyframes) graph.names.push_back(keyframe.name);
    return graph;
}

namespace {

struct Strokes {
    std::vector<ScreenVertex> lines, triangles;

    void line(double x0, double y0, double x1, double y1, std::uint32_t colour) {
        lines.push_back({static_cast<float>(x0), static_cast<float>(y0), 0, 1, colour});
        lines.push_back({static_cast<float>(x1), static_cast<float>(y1), 0, 1, colour});
    }
    void rectangle(double x0, double y0, double x1, double y1, std::uint32_t colour) {
        const auto v = [colour](double x, double y) {
            return ScreenVertex{static_cast<float>(x), static_cast<float>(y), 0, 1, colour};
        };
        triangles.insert(triangles.end(), {v(x0, y0), v(x1, y0), v(x0, y1), v(x1, y0), v(x1, y1), v(x0, y1)});
    }
    void circle(double x, double y, double radius, std::uint32_t colour) {
        constexpr int kSides = 16;
        for (int i = 0; i < kSides; ++i) {
            const double a0 = 2 * std::numbers::pi * i / kSides, a1 = 2 * std::numbers::pi * (i + 1) / kSides;
            line(x + radius * std::cos(a0), y + radius * std::sin(a0), x + radius * std::cos(a1),
                 y + radius * std::sin(a1), colour);
        }
    }
    void draw(RenderDevice& device) {
        RenderStates states;
        states.depthTest = states.depthWrite = false;
        device.setStates(states);
        device.selectTexture(0);
        if (!triangles.empty()) device.drawTriangles(triangles);
        if (!lines.empty()) device.drawLines(lines);
    }
};

}  // namespace

void drawMotionGraph(RenderDevice& device, const MotionGraph& graph) {
    Strokes s;
    // Labels are drawn last, each on a box of the background, so that the axes and the names
    // that run into them stay readable.
    Strokes labels;
    const std::uint32_t box = 0xFF000000 | graph.background;
    const auto label = [&](double x, double y, std::string_view text) {
        labels.rectangle(x - 2, y, x + textWidth(text) + 2, y + kTextHeight, box);
        addText(labels.triangles, x, y, text, kGraphText);
    };
    if (!graph.message.empty()) {
        label(10, 10, graph.message);
        labels.draw(device);
        return;
    }
    // Lines run through pixel centres: a line at y covers the row y, one at x the column x.
    const double right = device.width(), bottom = device.height();
    const double axisY = bottom - 20;
    s.line(20.5, 10, 20.5, bottom - 10, kGraphAxes);
    s.line(10, axisY + 0.5, right, axisY + 0.5, kGraphAxes);
    label(25, 5, "Velocity");
    label(right - 60, bottom - 15, "Time");
    label(5, bottom - 15, "BaseFrame");

    const animation::MotionSpeed& speed = graph.speed;
    const animation::MotionGraphScales scales = animation::motionGraphScales(speed, device.width(), device.height());
    int framesSoFar = 0;
    for (std::size_t k = 0; k < speed.frames.size(); ++k) {
        framesSoFar += speed.frames[k];
        const double end = 20 + framesSoFar * scales.xPerFrame;
        const double start = end - speed.frames[k] * scales.xPerFrame;
        // The bar stands on the axis row; the peak line and the marker's stem end on it.
        s.rectangle(start, axisY - speed.average[k] * scales.yAverage, end, axisY, kGraphBar);
        const double peakY = std::floor(axisY - speed.peak[k] * scales.yPeak) + 0.5;
        s.line(start, peakY, end, peakY, kGraphPeak);
        s.circle(end, 55, 5, kGraphMarker);
        s.line(end, 60, end, axisY, kGraphMarker);
        const std::string& name = k < graph.names.size() ? graph.names[k] : std::string();
        // Centred, unless that would cut it at the right edge, where the last one ends.
        label(std::min(end - textWidth(name) / 2.0, right - textWidth(name) - 2), bottom - 15, name);
    }
    // A tick a frame, rising from the axis (below it are the labels), long where its column is
    // even.
    for (int i = 0; i < speed.totalFrames; ++i) {
        const int x = static_cast<int>(20 + i * scales.xPerFrame);
        s.line(x + 0.5, axisY, x + 0.5, axisY - (x % 2 ? 2 : 5), kGraphAxes);
    }
    s.draw(device);
    labels.draw(device);
}

}  // namespace kestrel::render

// The edit view tools on large models in a 1280 x 1024 pane:
//   figure pick_100k_ms T        one pick (the nearest visible vertex to a click) among
//                                100,000 quadrilaterals
//   figure rubber_band_1m_ms T   a rubber band over a 1,000,000-vertex model, from the press
//                                to the selection made on release (the selection is cleared
//                                between bands, outside the time)
//   figure drag_10k_frame_ms T   one step of a Move drag of 10,000 selected vertices and the
//                                software repaint of the pane that follows it
#include <benchmark/benchmark.h>

#include <memory>

#include "app/document.h"
#include "figures.h"
#include "render/edit_view.h"
#include "render/software_device.h"
#include "tools/picking.h"
#include "tools/view_tools.h"
#include "view_sheet.h"

namespace {

using namespace kestrel;

constexpr int kWidth = 1280, kHeight = 1024;

std::unique_ptr<app::Document> documentOf(model::Model m) {
    auto document = std::make_unique<app::Document>(std::make_unique<formats::MemoryFileSystem>());
    document->edit("bench", [&](model::Model& current) { current = std::move(m); });
    return document;
}

void BM_Pick100k(benchmark::State& state) {
    const model::Model m = bench::viewSheet(316, 316);
    render::EditView view;
    view.scaleToFit(m, kWidth, kHeight);
    const model::ViewProjection projection = view.projection(kWidth, kHeight);
    const model::ScreenPoint target = projection.project(m.vertices[m.vertices.size() / 2]);
    for (auto _ : state)
        benchmark::DoNotOptimize(tools::nearestVisibleVertex(m, projection, target.x + 1, target.y, 4));
}

void BM_RubberBand1m(benchmark::State& state) {
    auto document = documentOf(bench::viewSheet(1000, 1000));
    tools::ToolWord word;
    tools::ViewTools tools(*document, word);
    render::EditView view;
    view.scaleToFit(document->model(), kWidth, kHeight);
    const tools::ViewTarget target{view, kWidth, kHeight};
    for (auto _ : state) {
        state.PauseTiming();
        document->selectNone();
        state.ResumeTiming();
        tools.leftPress(target, {0, 0});
        tools.move(target, {kWidth / 2.0, kHeight / 2.0});
        tools.leftRelease(target, {kWidth / 2.0, kHeight / 2.0});
    }
    state.counters["selected"] = static_cast<double>(document->modelInformation().vertices);
}

void BM_Drag10kFrame(benchmark::State& state) {
    auto document = documentOf(bench::viewSheet(100, 100));
    document->selectAll();
    tools::ToolWord word;
    word.choose(tools::bit::kMove);
    tools::ViewTools tools(*document, word);
    render::EditView view;
    view.scaleToFit(document->model(), kWidth, kHeight);
    render::SoftwareDevice device(kWidth, kHeight);
    const tools::ViewTarget target{view, kWidth, kHeight};
    double x = 100;
    tools.leftPress(target, {x, 100});
    for (auto _ : state) {
        x += (static_cast<int>(x) % 40 < 20) ? 1 : -1;
        tools.move(target, {x, 100});
        render::paintEditView(device, document->model(), view, {});
        benchmark::DoNotOptimize(device.pixels().data());
    }
    tools.leftRelease(target, {x, 100});
}

BENCHMARK(BM_Pick100k)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RubberBand1m)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Drag10kFrame)->Unit(benchmark::kMillisecond)->UseRealTime();

const bool registered = [] {
    bench::addMilliseconds("pick_100k_ms", "BM_Pick100k");
    bench::addMilliseconds("rubber_band_1m_ms", "BM_RubberBand1m");
    bench::addMilliseconds("drag_10k_frame_ms", "BM_Drag10kFrame");
    return true;
}();

}  // namespace

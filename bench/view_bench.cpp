// Whole edit-view frames on a 1280 x 1024 software device:
//   figure textured_10k_frame_ms T   a textured frame of 10,000 quadrilaterals
//   figure wireframe_100k_frame_ms T a wireframe frame of 100,000 polygons
// Each frame is what a paint does: normals recomputed, every vertex projected, the model and
// the axes drawn.
#include <benchmark/benchmark.h>

#include <cmath>

#include "figures.h"
#include "render/edit_view.h"
#include "render/software_device.h"
#include "view_sheet.h"

namespace {

using kestrel::model::Model;

// The share of the picture drawn on, so that a frame that culls everything cannot pass
// for a fast one.
double coverage(kestrel::render::SoftwareDevice& device) {
    std::size_t drawn = 0;
    for (const std::uint32_t p : device.pixels()) drawn += (p & 0xFFFFFF) != 0;
    return static_cast<double>(drawn) / static_cast<double>(device.pixels().size());
}

void BM_TexturedFrame10k(benchmark::State& state) {
    Model m = kestrel::bench::viewSheet(100, 100);
    kestrel::render::SoftwareDevice device(1280, 1024);
    kestrel::render::TextureImage picture;
    picture.size = picture.bitmapWidth = picture.bitmapHeight = 64;
    picture.bitCount = 8;
    for (int i = 0; i < 64 * 64; ++i)
        picture.texels.push_back(0xFF000000u | static_cast<std::uint32_t>(i * 2654435761u >> 8));
    const kestrel::render::ViewTexture textures[2] = {{device.createTexture(picture), 64, 64, 64},
                                                      {device.createTexture(picture), 64, 64, 64}};
    kestrel::render::EditView view;
    view.mode = kestrel::render::DisplayMode::Textured;
    view.scaleToFit(m, device.width(), device.height());
    for (auto _ : state) {
        kestrel::render::paintEditView(device, m, view, {false, textures, -1, {}});
        benchmark::DoNotOptimize(device.pixels().data());
    }
    state.counters["covered"] = coverage(device);
}

void BM_WireframeFrame100k(benchmark::State& state) {
    Model m = kestrel::bench::viewSheet(400, 250);
    kestrel::render::SoftwareDevice device(1280, 1024);
    kestrel::render::EditView view;
    view.scaleToFit(m, device.width(), device.height());
    for (auto _ : state) {
        kestrel::render::paintEditView(device, m, view, {});
        benchmark::DoNotOptimize(device.pixels().data());
    }
    state.counters["covered"] = coverage(device);
}

BENCHMARK(BM_TexturedFrame10k)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_WireframeFrame100k)->Unit(benchmark::kMillisecond)->UseRealTime();

const bool registered = [] {
    kestrel::bench::addMilliseconds("textured_10k_frame_ms", "BM_TexturedFrame10k");
    kestrel::bench::addMilliseconds("wireframe_100k_frame_ms", "BM_WireframeFrame100k");
    return true;
}();

}  // namespace

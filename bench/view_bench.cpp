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

namespace {

using kestrel::model::Model;

// A sheet of quadrilaterals across the view, facing the camera, some textured and some in
// plain colours, with a few semi-transparent ones.
Model sheet(int columns, int rows) {
    Model m;
    for (int y = 0; y <= rows; ++y)
        for (int x = 0; x <= columns; ++x)
            m.vertices.push_back({(x - columns / 2.0) * 30.0, (y - rows / 2.0) * 30.0, std::sin(x * 0.3) * 40.0, 0});
    for (int y = 0; y < rows; ++y)
        for (int x = 0; x < columns; ++x) {
            const int a = y * (columns + 1) + x;
            kestrel::model::ModelPolygon p;
            p.flags = 1;
            p.vId = {a, a + 1, a + columns + 1, a + columns + 2};
            const int i = y * columns + x;
            p.type = i % 4 == 0 ? 'G' : 'T';
            p.tId = i % 2;
            p.shading = 'G';
            p.mat_flag = i % 16 == 0 ? 4 : 0;
            p.tu = {0, 63, 0, 63};
            p.tv = {0, 0, 63, 63};
            p.rgb = {0x808080, 0x406080, 0x804060, 0x608040};
            m.polygons.push_back(p);
        }
    return m;
}

// The share of the picture drawn on, so that a frame that culls everything cannot pass
// for a fast one.
double coverage(kestrel::render::SoftwareDevice& device) {
    std::size_t drawn = 0;
    for (const std::uint32_t p : device.pixels()) drawn += (p & 0xFFFFFF) != 0;
    return static_cast<double>(drawn) / static_cast<double>(device.pixels().size());
}

void BM_TexturedFrame10k(benchmark::State& state) {
    Model m = sheet(100, 100);
    kestrel::render::SoftwareDevice device(1280, 1024);
    kestrel::render::TextureImage picture;
    picture.size = picture.bitmapWidth = picture.bitmapHeight = 64;
    picture.bitCount = 8;
    for (int i = 0; i < 64 * 64; ++i) picture.texels.push_back(0xFF000000u | static_cast<std::uint32_t>(i * 2654435761u >> 8));
    const kestrel::render::ViewTexture textures[2] = {{device.createTexture(picture), 64, 64, 64},
                                                      {device.createTexture(picture), 64, 64, 64}};
    kestrel::render::EditView view;
    view.mode = kestrel::render::DisplayMode::Textured;
    view.scaleToFit(m, device.width(), device.height());
    for (auto _ : state) {
        kestrel::render::paintEditView(device, m, view, {false, textures, -1});
        benchmark::DoNotOptimize(device.pixels().data());
    }
    state.counters["covered"] = coverage(device);
}

void BM_WireframeFrame100k(benchmark::State& state) {
    Model m = sheet(400, 250);
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

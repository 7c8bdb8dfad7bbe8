// Play Preview on a large model in a 1280 x 1024 software pane:
//   figure preview_frame_ms T   one interpolated frame of a 10,000-quadrilateral movement: the
//                               step added to every vertex and the textured repaint
#include <benchmark/benchmark.h>

#include "animation/preview.h"
#include "figures.h"
#include "render/edit_view.h"
#include "render/software_device.h"
#include "view_sheet.h"

namespace {

using namespace kestrel;

void BM_PreviewFrame10k(benchmark::State& state) {
    const model::Model base = bench::viewSheet(100, 100);
    model::Model raised = base;
    for (auto& v : raised.vertices) v.y -= 200;
    animation::Movement movement{"lift", {}};
    animation::appendKeyframe(movement, {raised, "up"});
    movement.keyframes[0].framesFromLast = 1'000'000;  // never runs out while timed
    animation::PreviewPlayer player(base, movement);
    render::SoftwareDevice device(1280, 1024);
    render::TextureImage picture;
    picture.size = picture.bitmapWidth = picture.bitmapHeight = 64;
    picture.bitCount = 8;
    picture.texels.assign(64 * 64, 0xFF808080u);
    const render::ViewTexture textures[2] = {{device.createTexture(picture), 64, 64, 64},
                                             {device.createTexture(picture), 64, 64, 64}};
    render::EditView view;
    view.mode = render::DisplayMode::Textured;
    view.scaleToFit(base, device.width(), device.height());
    for (auto _ : state) {
        player.next();
        render::paintEditView(device, player.pose(), view, {false, textures, -1, {}});
        benchmark::DoNotOptimize(device.pixels().data());
    }
}

BENCHMARK(BM_PreviewFrame10k)->Unit(benchmark::kMillisecond)->UseRealTime();

const bool registered = [] {
    bench::addMilliseconds("preview_frame_ms", "BM_PreviewFrame10k");
    return true;
}();

}  // namespace

// What the main window adds to a frame: a software pane of 1280 x 1024 painted on screen (the
// offscreen platform's screen) against the same scene drawn straight into a device.
//   figure pane_paint_vs_device R   a pane's paint over the bare frame (textured, 10k quads)
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QWindow>
#include <memory>

#include "app/document.h"
#include "figures.h"
#include "render/software_device.h"
#include "ui/pane_surface.h"
#include "ui/software_surface.h"
#include "view_sheet.h"

namespace {

using namespace kestrel;

// The application the panes need, on the offscreen platform unless another is set. It lives
// for one run of the benchmark: one left to the program's exit outlives parts of Qt.
struct Application {
    int argc = 1;
    char name[14] = "kestrel_bench";
    char* argv[2] = {name, nullptr};
    std::unique_ptr<QApplication> app;
    Application() {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QApplication>(argc, argv);
    }
};

// A document holding the sheet, and a textured scene of it fitted to 1280 x 1024.
struct Scene {
    app::Document document;
    ui::PaneScene scene;
    Scene() {
        document.edit("Sheet", [](kestrel::model::Model& m) { m = bench::viewSheet(100, 100); });
        scene.document = &document;
        scene.view.mode = render::DisplayMode::Textured;
        scene.view.scaleToFit(document.model(), 1280, 1024);
    }
};

void BM_PanePaint(benchmark::State& state) {
    Application application;
    Scene s;
    ui::SoftwareSurface pane(s.scene);
    pane.resize(1280, 1024);
    pane.show();
    // Painting needs the window on the (offscreen) screen.
    for (int i = 0; i < 100 && !pane.windowHandle()->isExposed(); ++i) QApplication::processEvents();
    for (auto _ : state) {
        pane.redraw();
        pane.repaint();
    }
    state.counters["drawn"] = pane.picture().width() == 1280;
}

void BM_PaneFrameOnly(benchmark::State& state) {
    Scene s;
    render::SoftwareDevice device(1280, 1024);
    for (auto _ : state) {
        ui::drawScene(device, s.scene, {});
        benchmark::DoNotOptimize(device.pixels().data());
    }
}

BENCHMARK(BM_PanePaint)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PaneFrameOnly)->Unit(benchmark::kMillisecond)->UseRealTime();

const bool registered = [] {
    kestrel::bench::addRatio("pane_paint_vs_device", "BM_PanePaint", "BM_PaneFrameOnly");
    return true;
}();

}  // namespace

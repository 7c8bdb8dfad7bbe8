// The document's history on a large model: 100,000 quadrilaterals with a base frame and a
// skeleton whose bones carry 20,000 vertices.
//   figure undo_step_ms T          undoing one vertex move
//   figure vertex_move_step_ms T   the move itself, made a step of the history
//   figure history_100_vs_model R  heap held by 100 single-vertex moves / the model's own heap
//   figure move_empty_keyframes_mb M  heap taken by reading a MOVE file of 100 keyframes that
//                                     move nothing, beside the same model
// The memory figures count the heap in use (mallinfo2) before and after, so it holds every
// byte the history keeps, block tables included.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <memory>

#include "app/document.h"
#include "figures.h"
#include "formats/bone_file.h"
#include "formats/move_file.h"

namespace {

using kestrel::app::Document;
using kestrel::model::Model;

constexpr int kColumns = 400, kRows = 250;  // 100,000 quadrilaterals

Model quadSheet() {
    Model m;
    for (int y = 0; y <= kRows; ++y)
        for (int x = 0; x <= kColumns; ++x) m.addVertex({x * 10.0, y * 10.0, (x * y % 7) * 1.0, 0});
    for (int y = 0; y < kRows; ++y)
        for (int x = 0; x < kColumns; ++x) {
            const int v = y * (kColumns + 1) + x;
            m.addPolygon(v, v + 1, v + kColumns + 1, v + kColumns + 2);
            m.polygons.back().flags = 1;
        }
    // Twenty bones in a chain, each carrying a thousand vertices.
    for (int j = 0; j <= 20; ++j) m.skeleton.joints.push_back({kestrel::model::makeVector(0, j * 100.0, 0), {}});
    for (int b = 0; b < 20; ++b) {
        kestrel::model::Bone bone{b, b + 1, {}};
        for (int v = 0; v < 1000; ++v) bone.vertices.push_back(b * 1000 + v);
        m.skeleton.bones.push_back(bone);
        m.skeleton.joints[b].bones.push_back(b);
        m.skeleton.joints[b + 1].bones.push_back(b);
    }
    return m;
}

std::size_t heapInUse() { return mallinfo2().uordblks + mallinfo2().hblkhd; }

// A document holding the sheet as its base frame, as an opened set would.
std::unique_ptr<Document> sheetDocument() {
    auto document = std::make_unique<Document>(std::make_unique<kestrel::formats::MemoryFileSystem>());
    Model sheet = quadSheet();
    document->edit("Load", [&](Model& m) { m = std::move(sheet); });
    document->select({kestrel::app::ProjectItem::Root, "sheet", -1});
    document->addKeyframe({});
    return document;
}

void moveVertex(Document& document, int step) {
    // Vertices far apart, so each move changes storage of its own.
    const auto v = static_cast<std::size_t>(step * 997 % ((kColumns + 1) * (kRows + 1)));
    document.edit("Move", [&](Model& m) { m.vertices[v].x += 1.0; });
}

void BM_UndoVertexMove(benchmark::State& state) {
    auto document = sheetDocument();
    int step = 0;
    for (auto _ : state) {
        state.PauseTiming();
        moveVertex(*document, step++);
        state.ResumeTiming();
        benchmark::DoNotOptimize(document->undo());
    }
}
BENCHMARK(BM_UndoVertexMove)->Unit(benchmark::kMillisecond);

void BM_VertexMoveStep(benchmark::State& state) {
    auto document = sheetDocument();
    int step = 0;
    for (auto _ : state) moveVertex(*document, step++);
}
BENCHMARK(BM_VertexMoveStep)->Unit(benchmark::kMillisecond);

void BM_HistoryMemory(benchmark::State& state) {
    for (auto _ : state) {
        const std::size_t empty = heapInUse();
        Model alone = quadSheet();
        const std::size_t modelBytes = heapInUse() - empty;
        alone = Model{};
        auto document = sheetDocument();
        const std::size_t before = heapInUse();
        for (int step = 0; step < 100; ++step) moveVertex(*document, step);
        const std::size_t held = heapInUse() - before;
        kestrel::bench::setValue("history_100_vs_model", static_cast<double>(held) / static_cast<double>(modelBytes));
    }
}
BENCHMARK(BM_HistoryMemory)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_StillKeyframesMemory(benchmark::State& state) {
    const Model sheet = quadSheet();
    std::string move = "1\nstill\n100\n";
    for (int k = 0; k < 100; ++k) move += "Keyframe_" + std::to_string(k) + "\n20 0\n";
    const kestrel::formats::BoneFile noBones;
    for (auto _ : state) {
        const std::size_t before = heapInUse();
        kestrel::formats::KeyframeJointReader joints("", "bench.bone", noBones);
        std::vector<kestrel::formats::Warning> warnings;
        const auto read = kestrel::formats::readMoveText(move, "bench.move", sheet, joints, warnings);
        if (!read) return state.SkipWithError(read.error().describe().c_str());
        kestrel::bench::setValue("move_empty_keyframes_mb", static_cast<double>(heapInUse() - before) / (1 << 20));
    }
}
BENCHMARK(BM_StillKeyframesMemory)->Unit(benchmark::kMillisecond)->Iterations(1);

const bool kFigures = [] {
    kestrel::bench::addMilliseconds("undo_step_ms", "BM_UndoVertexMove");
    kestrel::bench::addMilliseconds("vertex_move_step_ms", "BM_VertexMoveStep");
    return true;
}();

}  // namespace

// The optimiser's passes against the plain pairwise walks they must agree with:
//   figure merge_50k_vs_reference R   merging a 50,000-vertex mesh / the pairwise walk on it
//   figure merge_1m_ms T              merging a 1,000,000-vertex mesh
//   figure quads_20k_vs_reference R   joining 20,000 triangles into quadrilaterals / the walk
//   figure merge_50k_ms T, figure quads_20k_ms T
// Every iteration works on a fresh copy of the model; the copy is made with the timer
// paused, on both sides alike, so only the pass itself is timed.
#include <benchmark/benchmark.h>

#include <cmath>
#include <string>

#include "figures.h"
#include "model/optimise.h"
#include "optimise_reference.h"

namespace {

using kestrel::model::Model;
using kestrel::model::ModelPolygon;

// A gently rolling sheet of quadrilaterals cut along seams, as texturing leaves a mesh: every
// seam column has a twin vertex a hair's breadth away (appended after the sheet), which the
// quadrilaterals on the seam's right use. rows * (columns + seams) vertices, one in
// (columns / seams + 1) of them a twin to merge.
Model seamedSheet(int columns, int rows, int seams) {
    Model m;
    const int every = columns / seams;
    m.vertices.reserve(static_cast<std::size_t>(rows) * static_cast<std::size_t>(columns + seams));
    for (int y = 0; y < rows; ++y)
        for (int x = 0; x < columns; ++x)
            m.vertices.push_back({x * 10.0, y * 10.0, std::sin(x * 0.05) * std::cos(y * 0.07) * 40.0, 0});
    std::vector<int> twin(static_cast<std::size_t>(rows) * static_cast<std::size_t>(columns), -1);
    for (int y = 0; y < rows; ++y)
        for (int x = every / 2; x < columns; x += every) {
            const int v = y * columns + x;
            twin[static_cast<std::size_t>(v)] = m.vertexCount();
            auto copy = m.vertices[static_cast<std::size_t>(v)];
            copy.z += 0.05;
            m.vertices.push_back(copy);
        }
    for (int y = 0; y + 1 < rows; ++y)
        for (int x = 0; x + 1 < columns; ++x) {
            const auto at = [&](int cx, int cy) {
                const int v = cy * columns + cx;
                const int t = twin[static_cast<std::size_t>(v)];
                return cx == x && t >= 0 ? t : v;  // the left corners of a seam's right side
            };
            ModelPolygon p;
            p.flags = 1;
            p.vId = {at(x, y), at(x + 1, y), at(x, y + 1), at(x + 1, y + 1)};
            p.tId = 0;
            m.polygons.push_back(p);
        }
    return m;
}

// A flat grid of squares, each cut by its diagonal into two triangles wound alike and listed
// one after the other.
Model triangulatedGrid(int columns, int rows) {
    Model m;
    for (int y = 0; y <= rows; ++y)
        for (int x = 0; x <= columns; ++x) m.vertices.push_back({x * 16.0, y * 16.0, 0, 0});
    for (int y = 0; y < rows; ++y)
        for (int x = 0; x < columns; ++x) {
            const int a = y * (columns + 1) + x, b = a + 1, c = a + columns + 1, d = c + 1;
            for (const auto& corners : {std::array{a, b, c, -1}, std::array{b, d, c, -1}}) {
                ModelPolygon p;
                p.vId = corners;
                p.tu = {0, 63, 0, 0};
                p.tv = {0, 0, 63, 0};
                m.polygons.push_back(p);
            }
        }
    return m;
}

const Model& sheet50k() {
    static const Model model = seamedSheet(240, 200, 10);  // 50,000 vertices, 2,000 twins
    return model;
}
const Model& sheet1m() {
    static const Model model = seamedSheet(960, 1000, 40);  // 1,000,000 vertices, 40,000 twins
    return model;
}
const Model& grid20k() {
    static const Model model = triangulatedGrid(100, 100);  // 20,000 triangles
    return model;
}

constexpr kestrel::model::VertexMergeOptions kMerge{0.5};
constexpr kestrel::model::QuadConversionOptions kQuads{0.01};

// Every seam twin merges; every square's two triangles join. A pass that does less is not
// timed as if it had done the work.
constexpr int kTwins50k = 2'000, kTwins1m = 40'000, kSquares20k = 10'000;

template <typename Pass>
void onFreshCopies(benchmark::State& state, const Model& original, int expected, Pass pass) {
    for (auto _ : state) {
        state.PauseTiming();
        Model model = original;
        state.ResumeTiming();
        const int done = pass(model);
        state.PauseTiming();
        if (done != expected) {
            state.SkipWithError(("did " + std::to_string(done) + " of " + std::to_string(expected)).c_str());
            break;
        }
        model = Model{};  // freed untimed too
        state.ResumeTiming();
    }
}

void BM_MergeVertices50k(benchmark::State& state) {
    onFreshCopies(state, sheet50k(), kTwins50k, [](Model& m) { return kestrel::model::mergeVertices(m, kMerge); });
}
void BM_MergeVerticesReference50k(benchmark::State& state) {
    onFreshCopies(state, sheet50k(), kTwins50k,
                  [](Model& m) { return kestrel::model::referenceMergeVertices(m, kMerge); });
}
void BM_MergeVertices1M(benchmark::State& state) {
    onFreshCopies(state, sheet1m(), kTwins1m, [](Model& m) { return kestrel::model::mergeVertices(m, kMerge); });
}
void BM_QuadConversion20k(benchmark::State& state) {
    onFreshCopies(state, grid20k(), kSquares20k,
                  [](Model& m) { return kestrel::model::convertTrianglesToQuads(m, kQuads); });
}
void BM_QuadConversionReference20k(benchmark::State& state) {
    onFreshCopies(state, grid20k(), kSquares20k,
                  [](Model& m) { return kestrel::model::referenceConvertTrianglesToQuads(m, kQuads); });
}

// The walks take seconds: one iteration of each.
BENCHMARK(BM_MergeVertices50k)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_MergeVerticesReference50k)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_MergeVertices1M)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_QuadConversion20k)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_QuadConversionReference20k)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

const bool registered = [] {
    kestrel::bench::addRatio("merge_50k_vs_reference", "BM_MergeVertices50k", "BM_MergeVerticesReference50k");
    kestrel::bench::addMilliseconds("merge_50k_ms", "BM_MergeVertices50k");
    kestrel::bench::addMilliseconds("merge_1m_ms", "BM_MergeVertices1M");
    kestrel::bench::addRatio("quads_20k_vs_reference", "BM_QuadConversion20k", "BM_QuadConversionReference20k");
    kestrel::bench::addMilliseconds("quads_20k_ms", "BM_QuadConversion20k");
    return true;
}();

}  // namespace

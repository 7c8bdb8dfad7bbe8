// The runtime outputs against copying the bytes they produce:
//   figure tmd_vs_copy R     the TMD of a 100,000-polygon model / copying as many bytes
//   figure mime2_vs_copy R   a Type 2 MIMe file of 32,768 vertices and 20 keyframes / copying it
//   figure mime2_100k_vs_copy R   the same movement in a model of 100,000 vertices
//   figure tmd_ms T, figure mime2_ms T, figure mime2_100k_ms T
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <string>

#include "animation/mime.h"
#include "figures.h"
#include "formats/tmd_writer.h"

namespace {

using kestrel::model::Model;

constexpr int kTmdVertices = 50'000;
constexpr int kTmdPolygons = 100'000;
constexpr int kMimeVertices = 100'000;
constexpr int kMimeKeyframes = 20;

// Every packet kind in turn: five material kinds, triangles and quadrilaterals, lit and
// unlit, flat and Gouraud; one polygon in eight is flat, so the face normals stay in range.
Model tmdModel() {
    Model m;
    m.vertices.reserve(kTmdVertices);
    for (int i = 0; i < kTmdVertices; ++i)
        m.vertices.push_back({std::sin(i) * 900.0, std::cos(i * 0.5) * 900.0, i * 0.01, 0});
    const char kinds[] = {'C', 'G', 'T', 'D', 'H'};
    m.polygons.resize(kTmdPolygons);
    for (int i = 0; i < kTmdPolygons; ++i) {
        auto& p = m.polygons[static_cast<std::size_t>(i)];
        const int a = i % (kTmdVertices - 3);
        p.vId = {a, a + 1, a + 2, i % 2 ? a + 3 : -1};
        p.flags = i % 2;
        p.type = kinds[i % 5];
        p.shading = i % 8 == 0 ? 'F' : 'G';
        p.mat_flag = i % 7 == 0 ? 1 : 0;
        p.tId = i % 2;
        p.tu = {0, 63, 63, 0};
        p.tv = {0, 0, 63, 63};
        p.rgb = {0x808080, 0x408020, 0x204080, 0x102030};
    }
    m.recomputeNormals();
    return m;
}

kestrel::formats::TextureSlots tmdSlots() {
    kestrel::formats::TextureSlots slots(2);
    slots[0].imageX = 640, slots[0].clutY = 480, slots[0].bitsPerPixel = 4;
    slots[1].imageX = 704, slots[1].clutY = 481, slots[1].bitsPerPixel = 8;
    return slots;
}

// A waving sheet: in each keyframe four vertices in five move, the rest stand still in runs.
// Type 2 files number vertices in 16 bits, so only the first 32,768 can move; in a larger
// model the vertices beyond stay still, and the writer still weighs each of them in every
// keyframe.
struct MimeScene {
    Model base;
    kestrel::animation::Movement movement{"wave", {}};
    explicit MimeScene(int vertexCount) {
        base.vertices.reserve(static_cast<std::size_t>(vertexCount));
        for (int i = 0; i < vertexCount; ++i) base.vertices.push_back({i * 0.5, 0, (i % 300) * 2.0, 0});
        Model pose = base;
        for (int k = 0; k < kMimeKeyframes; ++k) {
            for (int i = 0; i < vertexCount && i <= kestrel::animation::kMimeFieldMax; ++i)
                if ((i / 7 + k) % 5 != 0) pose.vertices[static_cast<std::size_t>(i)].y += std::sin(i * 0.01 + k) * 3.0;
            kestrel::animation::Keyframe keyframe;
            keyframe.model = pose;
            keyframe.name = "k" + std::to_string(k);
            movement.keyframes.push_back(std::move(keyframe));
        }
    }
};

const Model& benchTmdModel() {
    static const Model model = tmdModel();
    return model;
}

// The largest model whose every vertex a Type 2 file can carry, and the 100,000-vertex one.
const MimeScene& mimeScene(bool large) {
    static const MimeScene full(kestrel::animation::kMimeFieldMax + 1);
    static const MimeScene hundredThousand(kMimeVertices);
    return large ? hundredThousand : full;
}

void copyBench(benchmark::State& state, const std::string& source) {
    std::string target(source.size(), '\0');
    for (auto _ : state) {
        std::memcpy(target.data(), source.data(), source.size());
        benchmark::DoNotOptimize(target.data());
        benchmark::ClobberMemory();
    }
}

void BM_TmdBytes(benchmark::State& state) {
    const auto slots = tmdSlots();
    for (auto _ : state) {
        auto tmd = kestrel::formats::tmdBytes(benchTmdModel(), slots, "bench.tmd");
        if (!tmd) {
            state.SkipWithError(tmd.error().describe().c_str());
            break;
        }
        benchmark::DoNotOptimize(tmd->bytes.data());
    }
}

void BM_TmdCopy(benchmark::State& state) {
    const auto tmd = kestrel::formats::tmdBytes(benchTmdModel(), tmdSlots(), "bench.tmd");
    copyBench(state, tmd ? tmd->bytes : std::string{});
}

void BM_MimeType2(benchmark::State& state) {
    const MimeScene& scene = mimeScene(state.range(0) != 0);
    for (auto _ : state) {
        auto bytes = kestrel::animation::mimeType2(scene.base, scene.movement, 0.0);
        if (!bytes) {
            state.SkipWithError(bytes.error().c_str());
            break;
        }
        benchmark::DoNotOptimize(bytes->data());
    }
}

void BM_MimeType2Copy(benchmark::State& state) {
    const MimeScene& scene = mimeScene(state.range(0) != 0);
    const auto bytes = kestrel::animation::mimeType2(scene.base, scene.movement, 0.0);
    copyBench(state, bytes ? *bytes : std::string{});
}

BENCHMARK(BM_TmdCopy)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_TmdBytes)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_MimeType2Copy)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_MimeType2)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

const bool registered = [] {
    kestrel::bench::addRatio("tmd_vs_copy", "BM_TmdBytes", "BM_TmdCopy");
    kestrel::bench::addRatio("mime2_vs_copy", "BM_MimeType2/0", "BM_MimeType2Copy/0");
    kestrel::bench::addRatio("mime2_100k_vs_copy", "BM_MimeType2/1", "BM_MimeType2Copy/1");
    kestrel::bench::addMilliseconds("tmd_ms", "BM_TmdBytes");
    kestrel::bench::addMilliseconds("mime2_ms", "BM_MimeType2/0");
    kestrel::bench::addMilliseconds("mime2_100k_ms", "BM_MimeType2/1");
    return true;
}();

}  // namespace

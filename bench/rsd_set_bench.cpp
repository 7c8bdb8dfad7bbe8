// Load and save of a 300,000-polygon RSD set against bare std::from_chars and snprintf
// passes over the same numbers (for the load: every number of the RSD, PLY, MAT and XGRP
// files it reads). After the usual table the program prints
//   figure load_vs_from_chars R   load time / from_chars time
//   figure save_vs_snprintf R     save time / snprintf time
//   figure load_ms T, figure save_ms T
// from the median of the repetitions when repetitions were asked for.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "bench_set.h"
#include "figures.h"
#include "formats/file_system.h"
#include "formats/rsd_set.h"

namespace {

namespace fs = std::filesystem;
using kestrel::bench::SetTexts;
using kestrel::formats::HostFileSystem;
using kestrel::formats::MemoryFileSystem;

constexpr int kVertexCount = 300'000;
constexpr int kPolygonCount = 300'000;

void writeHostFile(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        std::cerr << "cannot write " << path << "\n";
        std::exit(1);
    }
}

// The generated set, on disk in a folder of its own under the system temp folder, and the
// model loaded from it. Built on first use, removed at exit.
struct BenchSet {
    fs::path folder;
    std::string rsdPath;
    SetTexts texts;
    kestrel::model::Model model;
    std::string loadError;

    BenchSet() {
        folder = fs::temp_directory_path() / ("kestrel-bench-" + std::to_string(::getpid()));
        fs::create_directories(folder);
        texts = kestrel::bench::generateSet("bench", kVertexCount, kPolygonCount);
        writeHostFile(folder / "bench.rsd", texts.rsd);
        writeHostFile(folder / "bench.ply", texts.ply);
        writeHostFile(folder / "bench.mat", texts.mat);
        writeHostFile(folder / "bench.xgrp", texts.xgrp);
        rsdPath = (folder / "bench.rsd").string();

        auto loaded = kestrel::formats::loadRsdSet(HostFileSystem{}, rsdPath);
        if (!loaded) {
            loadError = loaded.error().describe();
            return;
        }
        model = std::move(loaded->model);
        if (model.vertexCount() != kVertexCount || model.polygonCount() != kPolygonCount || model.groupCount() != 3) {
            loadError = "the generated set loaded with the wrong counts";
            return;
        }
        // One save first, so the snprintf pass writes the normals the writer writes.
        (void)kestrel::formats::formatRsdSet(model);
    }
    ~BenchSet() {
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    }
};

BenchSet& benchSet() {
    static BenchSet set;
    return set;
}

// Every number of every file the load reads, the PLY file's and the MAT file's above all.
void BM_FromCharsSet(benchmark::State& state) {
    const SetTexts& texts = benchSet().texts;
    for (auto _ : state) {
        double sum = kestrel::bench::fromCharsPass(texts.ply);
        for (const std::string* text : {&texts.rsd, &texts.mat, &texts.xgrp})
            sum += kestrel::bench::fromCharsIntegers(*text);
        benchmark::DoNotOptimize(sum);
    }
}

void BM_LoadRsdSet(benchmark::State& state) {
    BenchSet& set = benchSet();
    if (!set.loadError.empty()) {
        state.SkipWithError(set.loadError.c_str());
        return;
    }
    const HostFileSystem files;
    for (auto _ : state) {
        auto loaded = kestrel::formats::loadRsdSet(files, set.rsdPath);
        if (!loaded) {
            state.SkipWithError(loaded.error().describe().c_str());
            break;
        }
        benchmark::DoNotOptimize(loaded->model.polygons.front());
    }
}

void BM_SnprintfNumbers(benchmark::State& state) {
    BenchSet& set = benchSet();
    if (!set.loadError.empty()) {
        state.SkipWithError(set.loadError.c_str());
        return;
    }
    std::string buffer(64u << 20, '\0');
    for (auto _ : state) {
        benchmark::DoNotOptimize(kestrel::bench::snprintfPass(set.model, buffer));
        benchmark::DoNotOptimize(buffer.data());
    }
}

void BM_SaveRsdSet(benchmark::State& state) {
    BenchSet& set = benchSet();
    if (!set.loadError.empty()) {
        state.SkipWithError(set.loadError.c_str());
        return;
    }
    MemoryFileSystem files;
    kestrel::formats::SaveOptions options;
    options.newPath = "out/bench.rsd";
    options.withMovements = false;
    for (auto _ : state) {
        auto saved = kestrel::formats::saveRsdSet(files, set.model, options);
        if (!saved) {
            state.SkipWithError(saved.error().describe().c_str());
            break;
        }
    }
}

void BM_FormatRsdSet(benchmark::State& state) {
    BenchSet& set = benchSet();
    if (!set.loadError.empty()) {
        state.SkipWithError(set.loadError.c_str());
        return;
    }
    for (auto _ : state) {
        auto texts = kestrel::formats::formatRsdSet(set.model);
        benchmark::DoNotOptimize(texts->ply.data());
    }
}

BENCHMARK(BM_FromCharsSet)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LoadRsdSet)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SnprintfNumbers)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SaveRsdSet)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FormatRsdSet)->Unit(benchmark::kMillisecond)->UseRealTime();

const bool registered = [] {
    kestrel::bench::addRatio("load_vs_from_chars", "BM_LoadRsdSet", "BM_FromCharsSet");
    kestrel::bench::addRatio("save_vs_snprintf", "BM_SaveRsdSet", "BM_SnprintfNumbers");
    kestrel::bench::addMilliseconds("load_ms", "BM_LoadRsdSet");
    kestrel::bench::addMilliseconds("save_ms", "BM_SaveRsdSet");
    return true;
}();

}  // namespace

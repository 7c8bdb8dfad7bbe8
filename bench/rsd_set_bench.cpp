// Load and save of a 300,000-polygon RSD set against bare std::from_chars and snprintf
// passes over the same numbers. After the usual table the program prints
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
        if (model.vertexCount() != kVertexCount || model.polygonCount() != kPolygonCount ||
            model.groupCount() != 3) {
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

void BM_FromCharsPly(benchmark::State& state) {
    const std::string& ply = benchSet().texts.ply;
    for (auto _ : state) benchmark::DoNotOptimize(kestrel::bench::fromCharsPass(ply));
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
        benchmark::DoNotOptimize(loaded->model.polygons.data());
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

BENCHMARK(BM_FromCharsPly)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LoadRsdSet)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SnprintfNumbers)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SaveRsdSet)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FormatRsdSet)->Unit(benchmark::kMillisecond)->UseRealTime();

// The console table as usual, while keeping each benchmark's time in milliseconds: the
// median when repetitions ran, else the single measurement.
class FigureReporter : public benchmark::ConsoleReporter {
  public:
    FigureReporter() : ConsoleReporter(OO_Tabular) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.error_occurred) continue;
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if (run.run_type == Run::RT_Aggregate && !median) continue;
            const std::string& name = run.run_name.function_name;
            if (median || !medians_.contains(name))
                milliseconds_[name] = toMilliseconds(run.GetAdjustedRealTime(), run.time_unit);
            if (median) medians_[name] = true;
        }
    }

    // Prints the figures whose benchmarks both ran; false when one is missing.
    bool printFigures(std::ostream& out) const {
        bool complete = true;
        auto ratio = [&](const char* figure, const char* measured, const char* baseline) {
            const auto a = milliseconds_.find(measured), b = milliseconds_.find(baseline);
            if (a == milliseconds_.end() || b == milliseconds_.end() || b->second <= 0.0) {
                complete = false;
                return;
            }
            out << "figure " << figure << ' ' << formatValue(a->second / b->second) << '\n';
        };
        auto absolute = [&](const char* figure, const char* measured) {
            const auto a = milliseconds_.find(measured);
            if (a == milliseconds_.end()) {
                complete = false;
                return;
            }
            out << "figure " << figure << ' ' << formatValue(a->second) << '\n';
        };
        ratio("load_vs_from_chars", "BM_LoadRsdSet", "BM_FromCharsPly");
        ratio("save_vs_snprintf", "BM_SaveRsdSet", "BM_SnprintfNumbers");
        absolute("load_ms", "BM_LoadRsdSet");
        absolute("save_ms", "BM_SaveRsdSet");
        return complete;
    }

  private:
    static double toMilliseconds(double value, benchmark::TimeUnit unit) {
        switch (unit) {
            case benchmark::kNanosecond:
                return value / 1e6;
            case benchmark::kMicrosecond:
                return value / 1e3;
            case benchmark::kMillisecond:
                return value;
            case benchmark::kSecond:
                return value * 1e3;
        }
        return value;
    }
    static std::string formatValue(double value) {
        char text[64];
        std::snprintf(text, sizeof text, "%.3f", value);
        return text;
    }

    std::map<std::string, double> milliseconds_;
    std::map<std::string, bool> medians_;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 2;
    FigureReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    std::cout.flush();
    return reporter.printFigures(std::cout) ? 0 : 1;
}

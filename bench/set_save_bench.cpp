// Saving a 300,000-quadrilateral set to disk all or nothing (every new file written and
// flushed, a journal, then the swap) against writing its files one after another, each
// through its own temporary file, as saves did before:
//   figure save_set_overhead R   all or nothing / file by file
// Both write the same bytes with the same flushes; the set is formatted inside both loops.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>

#include "bench_set.h"
#include "figures.h"
#include "formats/file_system.h"
#include "formats/host_path.h"
#include "formats/rsd_set.h"

namespace {

namespace fs = std::filesystem;
using kestrel::formats::HostFileSystem;

constexpr int kQuads = 300'000;

struct DiskSet {
    fs::path folder;
    kestrel::model::Model model;
    std::string error;

    DiskSet() {
        folder = fs::temp_directory_path() / ("kestrel-save-bench-" + std::to_string(::getpid()));
        fs::create_directories(folder);
        const auto texts = kestrel::bench::generateSet("big", kQuads + 1000, kQuads);
        kestrel::formats::MemoryFileSystem memory;
        memory.files = {
            {"m/big.rsd", texts.rsd}, {"m/big.ply", texts.ply}, {"m/big.mat", texts.mat}, {"m/big.xgrp", texts.xgrp}};
        auto loaded = kestrel::formats::loadRsdSet(memory, "m/big.rsd");
        if (!loaded) {
            error = loaded.error().describe();
            return;
        }
        model = std::move(loaded->model);
        kestrel::formats::nameSetAfter(model, (folder / "big.rsd").string());
    }
    ~DiskSet() {
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    }
};

DiskSet& diskSet() {
    static DiskSet set;
    return set;
}

void BM_SaveSetFileByFile(benchmark::State& state) {
    DiskSet& set = diskSet();
    if (!set.error.empty()) return state.SkipWithError(set.error.c_str());
    HostFileSystem disk;
    const std::string stem = (set.folder / "old.").string();
    for (auto _ : state) {
        auto texts = kestrel::formats::formatRsdSet(set.model);
        for (const auto& [kind, text] : {std::pair{"rsd", &texts->rsd}, std::pair{"ply", &texts->ply},
                                         std::pair{"mat", &texts->mat}, std::pair{"xgrp", &texts->xgrp}})
            if (auto written = kestrel::formats::writeFileSafely(disk, stem + kind, *text, stem + kind + "_backup");
                !written)
                return state.SkipWithError(written.error().describe().c_str());
    }
}
BENCHMARK(BM_SaveSetFileByFile)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_SaveSetAllOrNothing(benchmark::State& state) {
    DiskSet& set = diskSet();
    if (!set.error.empty()) return state.SkipWithError(set.error.c_str());
    HostFileSystem disk;
    for (auto _ : state)
        if (auto saved = kestrel::formats::saveRsdSet(disk, set.model, {std::nullopt, false, nullptr}); !saved)
            return state.SkipWithError(saved.error().describe().c_str());
}
BENCHMARK(BM_SaveSetAllOrNothing)->Unit(benchmark::kMillisecond)->UseRealTime();

const bool kFigures = [] {
    kestrel::bench::addRatio("save_set_overhead", "BM_SaveSetAllOrNothing", "BM_SaveSetFileByFile");
    return true;
}();

}  // namespace

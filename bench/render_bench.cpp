// The software device against the plain memory work under it:
//   figure clear_vs_memset R   clearing colour and depth of a 1280 x 1024 device / memset of
//                              as many bytes (two buffers of 5 MB)
//   figure clear_ms T
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "figures.h"
#include "render/software_device.h"

namespace {

constexpr int kWidth = 1280;
constexpr int kHeight = 1024;
constexpr std::size_t kPixels = static_cast<std::size_t>(kWidth) * kHeight;

void BM_Clear(benchmark::State& state) {
    kestrel::render::SoftwareDevice device(kWidth, kHeight);
    device.setBackground(0x203040);
    for (auto _ : state) {
        device.clear(true, true);
        benchmark::DoNotOptimize(device.pixels().data());
        benchmark::ClobberMemory();
    }
}

void BM_ClearMemset(benchmark::State& state) {
    std::vector<std::uint32_t> colour(kPixels);
    std::vector<float> depth(kPixels);
    for (auto _ : state) {
        std::memset(colour.data(), 0x20, colour.size() * sizeof colour[0]);
        std::memset(depth.data(), 0, depth.size() * sizeof depth[0]);
        benchmark::DoNotOptimize(colour.data());
        benchmark::DoNotOptimize(depth.data());
        benchmark::ClobberMemory();
    }
}

BENCHMARK(BM_ClearMemset)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Clear)->Unit(benchmark::kMillisecond)->UseRealTime();

const bool registered = [] {
    kestrel::bench::addRatio("clear_vs_memset", "BM_Clear", "BM_ClearMemset");
    kestrel::bench::addMilliseconds("clear_ms", "BM_Clear");
    return true;
}();

}  // namespace

#pragma once
// The figures the benchmark program prints after its table: "figure NAME VALUE" lines, each
// a ratio of two benchmarks measured in the same run or one benchmark in milliseconds, from
// the median of the repetitions when repetitions ran. Each benchmark file adds its own.
namespace kestrel::bench {

void addRatio(const char* figure, const char* measured, const char* baseline);
void addMilliseconds(const char* figure, const char* measured);
// A figure that is not a time (a memory ratio), worked out by a benchmark as it runs.
void setValue(const char* figure, double value);

}  // namespace kestrel::bench

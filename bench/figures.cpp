// The benchmark program's main: the usual console table, then the figures.
#include "figures.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <iostream>
#include <map>
#include <string>
#include <vector>

namespace kestrel::bench {

namespace {

struct FigureRule {
    const char* name;
    const char* measured;
    const char* baseline;  // null: the measured time itself
};

std::vector<FigureRule>& rules() {
    static std::vector<FigureRule> all;
    return all;
}

std::map<std::string, double>& values() {
    static std::map<std::string, double> all;
    return all;
}

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
            // "BM_Name", or "BM_Name/arg" for benchmarks with arguments.
            std::string name = run.run_name.function_name;
            if (!run.run_name.args.empty()) name += "/" + run.run_name.args;
            if (median || !medians.contains(name))
                milliseconds[name] = toMilliseconds(run.GetAdjustedRealTime(), run.time_unit);
            if (median) medians[name] = true;
        }
    }

    // Prints the figures whose benchmarks ran; false when one is missing.
    bool printFigures(std::ostream& out) const {
        bool complete = true;
        for (const FigureRule& rule : rules()) {
            const auto a = milliseconds.find(rule.measured);
            const auto b = rule.baseline ? milliseconds.find(rule.baseline) : milliseconds.end();
            if (a == milliseconds.end() || (rule.baseline && (b == milliseconds.end() || b->second <= 0.0))) {
                complete = false;
                continue;
            }
            out << "figure " << rule.name << ' ' << formatValue(rule.baseline ? a->second / b->second : a->second)
                << '\n';
        }
        for (const auto& [name, value] : values()) out << "figure " << name << ' ' << formatValue(value) << '\n';
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

    std::map<std::string, double> milliseconds;
    std::map<std::string, bool> medians;
};

}  // namespace

void addRatio(const char* figure, const char* measured, const char* baseline) {
    rules().push_back({figure, measured, baseline});
}

void addMilliseconds(const char* figure, const char* measured) { rules().push_back({figure, measured, nullptr}); }

void setValue(const char* figure, double value) { values()[figure] = value; }

}  // namespace kestrel::bench

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 2;
    kestrel::bench::FigureReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    std::cout.flush();
    return reporter.printFigures(std::cout) ? 0 : 1;
}

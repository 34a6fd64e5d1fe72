#pragma once
// Prints, after the usual table, each benchmark's time as a ratio to BM_memcpy's in the same
// run, and for benchmarks with a "units" counter (pixels, vertices) the nanoseconds per unit.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

class RatioReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        // With repetitions, the medians stand for each benchmark.
        for (const Run& r : runs) {
            const bool take =
                r.run_type == Run::RT_Iteration ? !seenMedian_ : r.aggregate_name == "median";
            if (!take) continue;
            seenMedian_ |= r.run_type != Run::RT_Iteration;
            Entry& e = entries_[r.run_name.function_name];
            e.ns = r.GetAdjustedRealTime();
            const auto it = r.counters.find("units");
            e.pixels = it != r.counters.end() ? it->second.value : 0;
        }
        ConsoleReporter::ReportRuns(runs);
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        const double base = entries_["BM_memcpy"].ns;
        for (const auto& [name, e] : entries_) {
            if (name == "BM_memcpy") continue;
            if (e.pixels > 0)
                std::printf("%-40s %8.3f ns per unit\n", name.c_str(), e.ns / e.pixels);
            else if (base > 0)
                std::printf("%-40s %8.2f x memcpy\n", name.c_str(), e.ns / base);
        }
    }

  private:
    struct Entry {
        double ns = 0, pixels = 0;
    };
    std::map<std::string, Entry> entries_;
    bool seenMedian_ = false;
};

inline int runWithRatios(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}

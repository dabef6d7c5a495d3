// What the benchmarks share: the IDE booted around them, a Brisken tree with a large project
// to work on, and the table that prints each cost of the plug-in beside its floor (the least
// work that gives the same answers, measured in the same run) and the ratio, after Google
// Benchmark's own output. With repetitions the medians are compared.
#ifndef BRISKEN_BENCH_H
#define BRISKEN_BENCH_H

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include <configmanager.h>
#include <manager.h>

#include "DiskFixture.h"
#include "SdkHarness.h"

namespace bench
{
// A Brisken tree of its own, the stored location, with the project apps/demos/big/big.cbp.
struct LargeTree
{
    fixture::TempDir tree;
    cbProject* project = nullptr;

    void open(const std::vector<wxString>& addons, const std::vector<wxString>& units)
    {
        fixture::makeBriskenTree(tree.path(), addons);
        project = fixture::openProject(tree / _T("apps/demos/big/big.cbp"), units);
        Manager::Get()->GetConfigManager(_T("brisken"))->Write(_T("bk_dir"), tree.path(), false);
    }
};

// Takes Google Benchmark's flags, boots the IDE and hands `run` a `Load` (a LargeTree), when its
// project loaded; `run` says whether it could run. The exit status.
template <typename Load, typename Run> int withIde(int argc, char** argv, Run run)
{
    if (!harness::onPrivateDisplay(argc, argv))
        return 1;
    benchmark::Initialize(&argc, argv);
    if (!harness::boot(argc, argv))
        return 1;
    bool ran = false;
    {
        Load load;
        ran = load.project && run(load);
        fixture::closeProjects();
    }
    if (!ran)
        std::fprintf(stderr, "bench: the project or the plug-in did not load\n");
    harness::shutDown();
    benchmark::Shutdown();
    return ran ? 0 : 1;
}

// Whether a run ended with an error: Google Benchmark 1.7 (Debian 12) says error_occurred,
// 1.8 and later (Debian 13) say skipped.
template <typename R> auto failed(const R& r, int) -> decltype(bool(r.error_occurred)) { return r.error_occurred; }
template <typename R> auto failed(const R& r, long) -> decltype(bool(r.skipped)) { return bool(r.skipped); }

// CPU milliseconds per iteration, by benchmark name (without the aggregate suffix).
class Reporter : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        benchmark::ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
        {
            if (failed(run, 0))
                continue;
            const std::string name = run.run_name.function_name;
            const double cpu_ms = run.GetAdjustedCPUTime() *
                                  (run.time_unit == benchmark::kMillisecond ? 1.0 : 1e-6);
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median")
                medians[name] = cpu_ms;
            else if (run.run_type == Run::RT_Iteration)
                singles[name] = cpu_ms;
        }
    }

    // The median when there were repetitions, else the one run; negative when it did not run.
    double cpuMs(const std::string& name) const
    {
        const auto median = medians.find(name);
        if (median != medians.end())
            return median->second;
        const auto single = singles.find(name);
        return single == singles.end() ? -1.0 : single->second;
    }

private:
    std::map<std::string, double> medians;
    std::map<std::string, double> singles;
};

struct Row
{
    const char* cost;
    std::vector<std::string> product; // summed
    std::vector<std::string> floor;   // summed
    double goal;                      // the largest acceptable ratio
};

inline void printHeader()
{
    std::printf("\n%-34s %12s %12s %8s %6s\n", "cost (CPU ms)", "product", "floor", "ratio", "goal");
}

// One line of the table; false when the ratio misses its goal. A line without a goal is for
// information, one without a floor too gives the product alone.
inline bool printRow(const char* cost, double product, double floor = 0, double goal = 0)
{
    const bool met = goal <= 0 || product / floor <= goal;
    std::printf("%-34s %12.2f", cost, product);
    if (floor > 0)
        std::printf(" %12.2f %7.2fx", floor, product / floor);
    if (goal > 0)
        std::printf(" %5.1fx%s", goal, met ? "" : "  MISSED");
    std::printf("\n");
    std::fflush(stdout);
    return met;
}

// Prints the table; false when a ratio misses its goal (rows that did not run are skipped).
inline bool print(const Reporter& reporter, const std::vector<Row>& rows)
{
    const auto sum = [&](const std::vector<std::string>& names) {
        double total = 0;
        for (const std::string& name : names)
        {
            const double ms = reporter.cpuMs(name);
            if (ms < 0)
                return -1.0;
            total += ms;
        }
        return total;
    };
    bool all_met = true;
    printHeader();
    for (const Row& row : rows)
    {
        const double product = sum(row.product);
        const double floor = sum(row.floor);
        if (product < 0 || floor <= 0)
            continue;
        all_met = printRow(row.cost, product, floor, row.goal) && all_met;
    }
    return all_met;
}
} // namespace bench

#endif // BRISKEN_BENCH_H

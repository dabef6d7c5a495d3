// What the benchmarks share: the IDE booted around them, a Brisken tree with a large project to
// work on, and rounds that time each cost of the plug-in beside its floor (the least work that
// gives the same answers) in CPU time, in an order that rotates from round to round so that
// product and floor meet the same state of the machine; and a table of medians and ratios.
#ifndef BRISKEN_BENCH_H
#define BRISKEN_BENCH_H

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <functional>
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

// Takes `--NAME=N` out of the arguments: N, at least `least`, or `fallback` when not given.
inline int option(int& argc, char** argv, const char* name, int fallback, int least = 0)
{
    const std::size_t length = std::strlen(name);
    int kept = 1;
    for (int i = 1; i < argc; ++i)
        if (std::strncmp(argv[i], "--", 2) == 0 && std::strncmp(argv[i] + 2, name, length) == 0 &&
            argv[i][length + 2] == '=')
            fallback = std::max(least, std::atoi(argv[i] + length + 3));
        else
            argv[kept++] = argv[i];
    argc = kept;
    return fallback;
}

// Boots the IDE and hands `run` a `Load` (a LargeTree), when its project loaded, and the number
// of rounds (--rounds=N, default 15); `run` says whether it could run. The exit status.
template <typename Load, typename Run> int withIde(int argc, char** argv, Run run)
{
    if (!harness::onPrivateDisplay(argc, argv))
        return 1;
    const int rounds = option(argc, argv, "rounds", 15, 1);
    if (!harness::boot(argc, argv))
        return 1;
    bool ran = false;
    {
        Load load;
        ran = load.project && run(load, rounds);
        fixture::closeProjects();
    }
    if (!ran)
        std::fprintf(stderr, "bench: the project or the plug-in did not load, or a timed step failed\n");
    harness::shutDown();
    return ran ? 0 : 1;
}

// One cost: `step` is timed; it and `after`, untimed, say whether it gave the right answer.
// `before` readies it, untimed.
struct Timed
{
    std::function<bool()> step;
    std::function<void()> before = [] {};
    std::function<bool()> after = [] { return true; };
    std::vector<double> ms = {};

    double median() const
    {
        std::vector<double> sorted = ms;
        std::sort(sorted.begin(), sorted.end());
        return sorted.empty() ? 0.0 : sorted[sorted.size() / 2];
    }
};

// This process's CPU time in milliseconds.
inline double cpuMs() { return static_cast<double>(std::clock()) * 1e3 / CLOCKS_PER_SEC; }

// Each round plays every group twice, its costs in their order (each leaves what the next needs),
// and keeps the times of the second, warm play; the groups' order rotates from round to round.
// False at the first step that fails.
inline bool playRounds(const std::vector<std::vector<Timed*>>& groups, int rounds)
{
    for (int round = 0; round < rounds; ++round)
        for (std::size_t g = 0; g < groups.size(); ++g)
            for (const bool kept : {false, true})
                for (Timed* timed : groups[(g + static_cast<std::size_t>(round)) % groups.size()])
                {
                    timed->before();
                    harness::clearLog();
                    const double start = cpuMs();
                    const bool done = timed->step();
                    const double ms = cpuMs() - start;
                    const bool right = timed->after();
                    harness::clearLog();
                    if (!done || !right)
                        return false;
                    if (kept)
                        timed->ms.push_back(ms);
                }
    return true;
}

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
} // namespace bench

#endif // BRISKEN_BENCH_H

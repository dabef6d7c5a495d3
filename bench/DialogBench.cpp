// How long the addon dialog takes to open on a large Brisken tree with a large project, and
// what its parts cost: discovery, project analysis, and the sets that confirming asks for.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>

#include <cbproject.h>
#include <configmanager.h>
#include <manager.h>
#include <projectmanager.h>

#include "AddonDialog.h"
#include "DiskFixture.h"
#include "ProjectAnalyzer.h"
#include "SdkHarness.h"

namespace
{
constexpr int addon_count = 1000;
constexpr int files_per_addon = 10; // 10000 project files, every one inside an addon

struct LargeTree
{
    fixture::TempDir tree;
    cbProject* project = nullptr;

    LargeTree()
    {
        std::vector<wxString> names;
        std::vector<wxString> units;
        for (int a = 0; a < addon_count; ++a)
        {
            const wxString name = wxString::Format(_T("addon%04d"), a);
            names.push_back(name);
            fixture::makeDir(tree / _T("addons/") + name + _T("/src"));
            for (int f = 0; f < files_per_addon; ++f)
                units.push_back(wxString::Format(_T("../../../addons/%s/src/file%02d.cpp"), name, f));
        }
        fixture::makeBriskenTree(tree.path(), names);
        project = fixture::openProject(tree / _T("apps/demos/big/big.cbp"), units);
        Manager::Get()->GetConfigManager(_T("brisken"))->Write(_T("bk_dir"), tree.path(), false);
    }
};

LargeTree* large_tree = nullptr;

std::unique_ptr<AddonDialog> openDialog()
{
    return std::make_unique<AddonDialog>(harness::appWindow(), wxNewId(),
                                         _T("Brisken Addon Plugin"));
}

// Construction: discovery, analysis, filling the list and ticking the addons in use.
void BM_OpenDialog(benchmark::State& state)
{
    size_t ticked = 0;
    for (auto _ : state)
    {
        auto dlg = openDialog();
        ticked = dlg->getPreviouslySelectedAddons().size();
        state.PauseTiming();
        dlg.reset();
        harness::clearLog();
        state.ResumeTiming();
    }
    state.counters["addons_listed"] = addon_count;
    state.counters["addons_ticked"] = static_cast<double>(ticked);
}
BENCHMARK(BM_OpenDialog)->Unit(benchmark::kMillisecond);

void BM_AnalyzeProject(benchmark::State& state)
{
    size_t entries = 0;
    for (auto _ : state)
    {
        ProjectAnalyzer analyzer;
        analyzer.analyze(large_tree->project);
        entries = analyzer.getUsedAddons().size();
        harness::clearLog();
    }
    state.counters["project_files"] = large_tree->project->GetFilesCount();
    state.counters["entries"] = static_cast<double>(entries);
}
BENCHMARK(BM_AnalyzeProject)->Unit(benchmark::kMillisecond);

void BM_FindAddons(benchmark::State& state)
{
    auto dlg = openDialog();
    const wxString addons_dir = large_tree->tree / _T("addons/");
    for (auto _ : state)
    {
        state.PauseTiming();
        dlg->setBKDir(wxString()); // empties the list again
        harness::clearLog();
        state.ResumeTiming();
        benchmark::DoNotOptimize(dlg->findAddons(addons_dir));
    }
}
BENCHMARK(BM_FindAddons)->Unit(benchmark::kMillisecond);

// What confirming the dialog asks for before the project changes.
void BM_ConfirmSets(benchmark::State& state)
{
    auto dlg = openDialog();
    for (auto _ : state)
    {
        benchmark::DoNotOptimize(dlg->getNewSelectedAddons());
        benchmark::DoNotOptimize(dlg->getDeselectedAddons());
        benchmark::DoNotOptimize(dlg->getFoundAddons());
        harness::clearLog();
    }
}
BENCHMARK(BM_ConfirmSets)->Unit(benchmark::kMillisecond);
} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (!harness::boot(argc, argv))
        return 1;
    {
        LargeTree tree;
        if (!tree.project)
        {
            std::fprintf(stderr, "bench: the large project did not load\n");
            harness::shutDown();
            return 1;
        }
        large_tree = &tree;
        benchmark::RunSpecifiedBenchmarks();
        large_tree = nullptr;
        fixture::closeProjects();
    }
    harness::shutDown();
    benchmark::Shutdown();
    return 0;
}

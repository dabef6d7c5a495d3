// How long confirming the addon dialog takes when it adds 20 addons with 2000 source files in
// all to a project, and when it removes them again: the whole command as the IDE runs it,
// dialog included, with a command that changes nothing as the baseline.
#include <benchmark/benchmark.h>

#include <cstdio>

#include <cbproject.h>
#include <configmanager.h>
#include <manager.h>
#include <projectmanager.h>

#include "DiskFixture.h"
#include "PluginRun.h"
#include "SdkHarness.h"

namespace
{
constexpr int addon_count = 20;
constexpr int files_per_addon = 100;
constexpr int own_files = 50;

struct Workload
{
    fixture::TempDir tree;
    std::vector<wxString> names;
    cbProject* project = nullptr;

    Workload()
    {
        fixture::makeBriskenTree(tree.path(), {});
        for (int a = 0; a < addon_count; ++a)
        {
            const wxString name = wxString::Format(_T("addon%02d"), a);
            names.push_back(name);
            fixture::Install install;
            for (int f = 0; f < files_per_addon; ++f)
                install.files.push_back(
                    wxString::Format(_T("../../../addons/%s/src/file%03d.cpp"), name, f));
            install.includes.push_back(_T("../../../addons/") + name + _T("/src"));
            install.libs = {_T("-l") + name, _T("-lcommon")};
            // A chain of requirements: each addon also brings in the next one.
            if (a + 1 < addon_count)
                install.requires_addons.push_back(wxString::Format(_T("addon%02d"), a + 1));
            fixture::writeInstall(tree / _T("addons"), name, install);
        }
        std::vector<wxString> units;
        for (int f = 0; f < own_files; ++f)
            units.push_back(wxString::Format(_T("src/own%02d.cpp"), f));
        project = fixture::openProject(tree / _T("apps/demos/big/big.cbp"), units);
        Manager::Get()->GetConfigManager(_T("brisken"))->Write(_T("bk_dir"), tree.path(), false);
    }
};

Workload* workload = nullptr;

bool addAll()
{
    return run::confirm(workload->names) == 0
           && workload->project->GetFilesCount() == own_files + addon_count * files_per_addon;
}

bool removeAll()
{
    return run::confirm({}, workload->names) == 0 && workload->project->GetFilesCount() == own_files;
}

void BM_ConfirmWithoutChange(benchmark::State& state)
{
    for (auto _ : state)
    {
        run::confirm({});
        harness::clearLog();
    }
}
BENCHMARK(BM_ConfirmWithoutChange)->Unit(benchmark::kMillisecond);

void BM_AddAddons(benchmark::State& state)
{
    for (auto _ : state)
    {
        if (!addAll())
            state.SkipWithError("the addons were not added");
        state.PauseTiming();
        if (!removeAll())
            state.SkipWithError("the addons were not removed");
        harness::clearLog();
        state.ResumeTiming();
    }
    state.counters["addons"] = addon_count;
    state.counters["files"] = addon_count * files_per_addon;
}
BENCHMARK(BM_AddAddons)->Unit(benchmark::kMillisecond);

void BM_RemoveAddons(benchmark::State& state)
{
    for (auto _ : state)
    {
        state.PauseTiming();
        if (!addAll())
            state.SkipWithError("the addons were not added");
        harness::clearLog();
        state.ResumeTiming();
        if (!removeAll())
            state.SkipWithError("the addons were not removed");
    }
    state.counters["addons"] = addon_count;
    state.counters["files"] = addon_count * files_per_addon;
}
BENCHMARK(BM_RemoveAddons)->Unit(benchmark::kMillisecond);
} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (!harness::boot(argc, argv))
        return 1;
    {
        Workload load;
        if (!load.project || !run::attachedPlugin())
        {
            std::fprintf(stderr, "bench: the project or the plug-in did not load\n");
            harness::shutDown();
            return 1;
        }
        workload = &load;
        benchmark::RunSpecifiedBenchmarks();
        workload = nullptr;
        fixture::closeProjects();
    }
    harness::shutDown();
    benchmark::Shutdown();
    return 0;
}

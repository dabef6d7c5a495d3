// How long confirming the addon dialog takes when it adds 20 addons with 2000 source files in
// all to a project, and when it removes them again: the whole command as the IDE runs it,
// dialog included, with a command that changes nothing as the baseline. Beside each, its
// floor: the IDE's own calls that make the same change, given the install files' contents.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <unordered_set>
#include <vector>

#include <cbproject.h>
#include <configmanager.h>
#include <manager.h>
#include <projectmanager.h>

#include "DiskFixture.h"
#include "FloorTable.h"
#include "PluginRun.h"
#include "SdkHarness.h"

namespace
{
constexpr int addon_count = 20;
constexpr int files_per_addon = 100;
constexpr int own_files = 50;
constexpr int paired_rounds = 15;

struct Workload
{
    fixture::TempDir tree;
    std::vector<wxString> names;
    std::vector<fixture::Install> installs;
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
            installs.push_back(install);
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

// Times `change` alone, each time from the project that `prepare` leaves: adding from one
// without the addons, removing from one with them.
template <typename Prepare, typename Change> void timeChange(benchmark::State& state, Prepare prepare, Change change)
{
    for (auto _ : state)
    {
        state.PauseTiming();
        if (!prepare())
            state.SkipWithError("the project was not prepared");
        harness::clearLog();
        state.ResumeTiming();
        if (!change())
            state.SkipWithError("the change was not made");
    }
    state.counters["addons"] = addon_count;
    state.counters["files"] = addon_count * files_per_addon;
}

void BM_AddAddons(benchmark::State& state)
{
    timeChange(state, removeAll, addAll);
}
BENCHMARK(BM_AddAddons)->Unit(benchmark::kMillisecond);

void BM_RemoveAddons(benchmark::State& state)
{
    timeChange(state, addAll, removeAll);
}
BENCHMARK(BM_RemoveAddons)->Unit(benchmark::kMillisecond);

// The IDE's calls that adding makes: each addon's files with one target list, its libraries in
// front of the link options, its include directories.
void addByTheIde()
{
    ProjectManager* projects = Manager::Get()->GetProjectManager();
    cbProject* project = workload->project;
    for (const fixture::Install& install : workload->installs)
    {
        wxArrayInt targets;
        for (const wxString& file : install.files)
            projects->AddFileToProject(file, project, targets);
        wxArrayString link_opts = project->GetLinkerOptions();
        for (const wxString& lib : install.libs)
            if (link_opts.Index(lib, true) == wxNOT_FOUND)
                link_opts.Insert(lib, 0);
        project->SetLinkerOptions(link_opts);
        for (const wxString& dir : install.includes)
            project->AddIncludeDir(dir);
    }
}

// The IDE's calls that removing makes: one pass over the project's files against the listed
// paths, then RemoveFile for each match.
size_t removeByTheIde(const std::unordered_set<wxString, wxStringHash, wxStringEqual>& listed)
{
    cbProject* project = workload->project;
    std::vector<ProjectFile*> matched;
    for (int k = 0; k < project->GetFilesCount(); ++k)
        if (ProjectFile* file = project->GetFile(k); file && listed.count(file->relativeFilename))
            matched.push_back(file);
    project->BeginRemoveFiles();
    for (ProjectFile* file : matched)
        project->RemoveFile(file);
    project->EndRemoveFiles();
    return matched.size();
}

std::unordered_set<wxString, wxStringHash, wxStringEqual> listedFiles()
{
    std::unordered_set<wxString, wxStringHash, wxStringEqual> listed;
    for (const fixture::Install& install : workload->installs)
        listed.insert(install.files.begin(), install.files.end());
    return listed;
}

// The floors start from a project in the same state as the product's benchmarks.
void BM_FloorAddFiles(benchmark::State& state)
{
    timeChange(state, removeAll, [] {
        addByTheIde();
        return workload->project->GetFilesCount() == own_files + addon_count * files_per_addon;
    });
}
BENCHMARK(BM_FloorAddFiles)->Unit(benchmark::kMillisecond);

void BM_FloorRemoveFiles(benchmark::State& state)
{
    const auto listed = listedFiles();
    timeChange(state, addAll, [&listed] {
        return removeByTheIde(listed) == static_cast<size_t>(addon_count * files_per_addon);
    });
}
BENCHMARK(BM_FloorRemoveFiles)->Unit(benchmark::kMillisecond);

double threadCpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

// What the IDE's own calls cost moves with the project's history (the same calls take 75 or
// 105 ms from one benchmark to the next), so the table pairs them: each round adds and removes
// once by the plug-in and once by the IDE's calls, in alternating order, and the medians of
// the rounds are compared.
void printPairedChanges(int rounds)
{
    const auto listed = listedFiles();
    std::vector<double> add_product, add_floor, remove_product, remove_floor, no_change;
    const auto timed = [](std::vector<double>& into, const auto& change) {
        const double start = threadCpuMs();
        const bool done = change();
        into.push_back(threadCpuMs() - start);
        harness::clearLog();
        return done;
    };
    const auto by_product = [&] {
        return timed(add_product, addAll) && timed(remove_product, removeAll) &&
               timed(no_change, [] { return run::confirm({}) == 0; });
    };
    const auto by_ide = [&] {
        return timed(add_floor, [] { addByTheIde(); return true; }) &&
               timed(remove_floor, [&] {
                   return removeByTheIde(listed) ==
                          static_cast<size_t>(addon_count * files_per_addon);
               });
    };
    for (int round = 0; round < rounds; ++round)
    {
        const bool done = round % 2 ? by_ide() && by_product() : by_product() && by_ide();
        if (!done)
        {
            std::fprintf(stderr, "bench: a paired round did not add or remove every file\n");
            return;
        }
    }
    floor_table::printHeader();
    floor_table::printRow("adding 20 addons (2000 files)", median(add_product),
                          median(add_floor), 1.2);
    floor_table::printRow("removing 20 addons (2000 files)", median(remove_product),
                          median(remove_floor), 2.0);
    // Part of both products: the command itself, the dialog shown and confirmed unchanged.
    std::printf("%-34s %12.2f\n", "(the command with no change)", median(no_change));
}
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
        printPairedChanges(paired_rounds);
        workload = nullptr;
        fixture::closeProjects();
    }
    harness::shutDown();
    benchmark::Shutdown();
    return 0;
}

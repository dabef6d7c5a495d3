// How long the addon dialog takes to open on a large Brisken tree with a large project, and
// what its parts cost: discovery, project analysis, and the sets that confirming asks for.
// Each is measured beside its floor: the least work that gives the same answers, written with
// plain POSIX calls on the same tree, one listing per folder. The table after the run gives
// product, floor and ratio.
//   dialog_bench [--addons=N] [--files=M] [Google Benchmark flags]
// The project's files are spread over the addons in turn, every one inside an addon.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include <dirent.h>
#include <sys/stat.h>

#include <wx/checklst.h>
#include <wx/dialog.h>

#include <cbproject.h>
#include <projectfile.h>
#include <projectmanager.h>

#include "Bench.h"
#include "DialogControls.h"
#include "InstallParser.h"
#include "ProjectAnalyzer.h"

namespace
{
int addon_count = 1000;
int file_count = 10000;

// Every addon holds a src folder.
struct DialogTree : bench::LargeTree
{
    wxArrayString names;

    DialogTree()
    {
        for (int a = 0; a < addon_count; ++a)
        {
            names.Add(wxString::Format(_T("addon%04d"), a));
            fixture::makeDir(tree / _T("addons/") + names.Last() + _T("/src"));
        }
        std::vector<wxString> units;
        for (int f = 0; f < file_count; ++f)
            units.push_back(wxString::Format(_T("../../../addons/%s/src/file%04d.cpp"), names[f % addon_count],
                                             f / addon_count));
        open({names.begin(), names.end()}, units);
    }
};

DialogTree* large_tree = nullptr;

// A second Brisken tree: a chain of addons, each requiring the next.
const int chain_length = 3000;
struct Chain
{
    fixture::TempDir tree;
    std::vector<wxString> install_files;

    Chain()
    {
        fixture::makeBriskenTree(tree.path(), {});
        for (int a = 0; a < chain_length; ++a)
        {
            const wxString name = wxString::Format(_T("chain%04d"), a);
            fixture::writeInstall(tree / _T("addons"), name,
                                  {{}, {}, {}, {wxString::Format(_T("chain%04d"), (a + 1) % chain_length)}});
            install_files.push_back(tree / _T("addons/") + name + _T("/install.xml"));
        }
    }
};
Chain* chain = nullptr;

using controls::newDialog;

// What confirming the dialog asks for before the project changes.
void takeConfirmSets(AddonDialog& dialog)
{
    benchmark::DoNotOptimize(dialog.getNewSelectedAddons());
    benchmark::DoNotOptimize(dialog.getDeselectedAddons());
    benchmark::DoNotOptimize(dialog.getFoundAddons());
}

// --- The product ------------------------------------------------------------------------------

// Construction: discovery, analysis, filling the list and ticking the addons in use.
void BM_OpenDialog(benchmark::State& state)
{
    for (auto _ : state)
    {
        auto dlg = newDialog();
        benchmark::DoNotOptimize(dlg->getPreviouslySelectedAddons());
        state.PauseTiming();
        dlg.reset();
        harness::clearLog();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_OpenDialog)->Unit(benchmark::kMillisecond);

void BM_AnalyzeProject(benchmark::State& state)
{
    for (auto _ : state)
    {
        ProjectAnalyzer analyzer;
        analyzer.analyze(large_tree->project);
        benchmark::DoNotOptimize(analyzer.getUsedAddons());
        harness::clearLog();
    }
}
BENCHMARK(BM_AnalyzeProject)->Unit(benchmark::kMillisecond);

void BM_FindAddons(benchmark::State& state)
{
    auto dlg = newDialog();
    const wxString addons_dir = large_tree->tree / _T("addons/");
    // With no active project, emptying the list between runs analyses nothing, so the pauses
    // do not churn the caches that discovery then finds cold.
    ProjectManager* projects = Manager::Get()->GetProjectManager();
    projects->SetProject(nullptr, false);
    for (auto _ : state)
    {
        state.PauseTiming();
        dlg->setBKDir(wxString()); // empties the list again
        harness::clearLog();
        state.ResumeTiming();
        benchmark::DoNotOptimize(dlg->findAddons(addons_dir));
    }
    projects->SetProject(large_tree->project, false);
    if (projects->GetActiveProject() != large_tree->project)
        state.SkipWithError("the project could not be made active again");
}
BENCHMARK(BM_FindAddons)->Unit(benchmark::kMillisecond);

void BM_ConfirmSets(benchmark::State& state)
{
    auto dlg = newDialog();
    for (auto _ : state)
    {
        takeConfirmSets(*dlg);
        harness::clearLog();
    }
}
BENCHMARK(BM_ConfirmSets)->Unit(benchmark::kMillisecond);

// Ticking the head of the chain in a dialog just opened on it: what OK would do is worked out for
// the dialog's preview, which reads every install file of the chain once while the dialog is open.
void BM_PreviewFirstTick(benchmark::State& state)
{
    std::unique_ptr<AddonDialog> dlg;
    for (auto _ : state)
    {
        state.PauseTiming();
        dlg = newDialog();
        dlg->setBKDir(chain->tree.path());
        harness::clearLog();
        const unsigned int head = controls::checkList(dlg.get())->FindString(_T("chain0000"), true);
        state.ResumeTiming();
        controls::tickAt(dlg.get(), head);
    }
    if (!controls::changePreview(dlg.get()).EndsWith(wxString::Format(_T("chain%04d"), chain_length - 1)))
        state.SkipWithError("the preview does not name the whole chain");
}
BENCHMARK(BM_PreviewFirstTick)->Unit(benchmark::kMillisecond);

// Any later tick on the chain: what was read is known.
void BM_PreviewLaterTick(benchmark::State& state)
{
    auto dlg = newDialog();
    dlg->setBKDir(chain->tree.path());
    controls::tick(dlg.get(), _T("chain0000"));
    const unsigned int middle = controls::checkList(dlg.get())->FindString(_T("chain1500"), true);
    bool ticked = false;
    for (auto _ : state)
        controls::tickAt(dlg.get(), middle, ticked = !ticked);
    harness::clearLog();
}
BENCHMARK(BM_PreviewLaterTick)->Unit(benchmark::kMillisecond);

// --- The floors -------------------------------------------------------------------------------

std::string bytesOf(const wxString& path) { return std::string(path.fn_str()); }

// One listing of a folder: whether it holds a file named install.xml, and its names.
struct Listing
{
    bool listed = false;
    bool install_file = false;
    std::unordered_set<std::string> names;
};

bool isFolder(int dirFd, const dirent& entry)
{
    struct stat st;
    if (entry.d_type != DT_LNK && entry.d_type != DT_UNKNOWN)
        return entry.d_type == DT_DIR;
    return fstatat(dirFd, entry.d_name, &st, 0) == 0 && S_ISDIR(st.st_mode);
}

// Lists `path` once; `keepNames` keeps every name for the questions about folders below it.
Listing list(const std::string& path, bool keepNames)
{
    Listing listing;
    DIR* dir = opendir(path.c_str());
    if (!dir)
        return listing;
    listing.listed = true;
    while (const dirent* entry = readdir(dir))
    {
        if (std::strcmp(entry->d_name, "install.xml") == 0)
            listing.install_file = !isFolder(dirfd(dir), *entry);
        if (keepNames)
            listing.names.emplace(entry->d_name);
    }
    closedir(dir);
    return listing;
}

// One listing of the addons folder and one of each subfolder, to find its install file.
void BM_FloorFindAddons(benchmark::State& state)
{
    const std::string addons_dir = bytesOf(large_tree->tree / _T("addons/"));
    size_t found = 0;
    for (auto _ : state)
    {
        found = 0;
        DIR* dir = opendir(addons_dir.c_str());
        if (!dir)
        {
            state.SkipWithError("no addons folder");
            break;
        }
        std::string path;
        while (const dirent* entry = readdir(dir))
        {
            if (entry->d_name[0] == '.' || !isFolder(dirfd(dir), *entry))
                continue;
            path.assign(addons_dir).append(entry->d_name).push_back('/');
            found += list(path, false).install_file;
        }
        closedir(dir);
        benchmark::DoNotOptimize(found);
    }
    state.counters["addons"] = static_cast<double>(found);
}
BENCHMARK(BM_FloorFindAddons)->Unit(benchmark::kMillisecond);

// The project's stored names narrowed once, and one listing per distinct folder from the
// addons folder on, on byte strings. A name that its parent's listing lacks (the file's own
// name without its extension, mostly) is no folder, and is not read.
size_t floorAnalysis(cbProject* project)
{
    std::string base = bytesOf(project->GetBasePath());
    if (base.empty() || base.back() != '/')
        base.push_back('/');
    std::unordered_map<std::string, Listing> listings;
    std::string prefix;
    size_t entries = 0;
    const int count = project->GetFilesCount();
    for (int i = 0; i < count; ++i)
    {
        const ProjectFile* file = project->GetFile(i);
        if (!file)
            continue;
        const wxString& stored = file->relativeFilename;
        // ASCII names narrow by copying; others the way wx hands them to the file system.
        std::string name(stored.length(), '\0');
        bool ascii = true;
        for (size_t c = 0; c < stored.length() && ascii; ++c)
        {
            const wchar_t wide = stored.wc_str()[c];
            ascii = static_cast<unsigned long>(wide) < 0x80;
            name[c] = static_cast<char>(wide);
        }
        if (!ascii)
            name = bytesOf(stored);
        const size_t dot = name.rfind('.');
        if (dot != std::string::npos && dot > name.rfind('/') + 1)
            name.resize(dot);
        if (name.find("addons/") == std::string::npos)
            continue;
        bool start = false;
        const Listing* parent = nullptr;
        for (size_t from = 0; from <= name.size();)
        {
            size_t to = name.find('/', from);
            if (to == std::string::npos)
                to = name.size();
            const std::string_view token = std::string_view(name).substr(from, to - from);
            start = start || token.find("addons") != std::string_view::npos;
            if (start)
            {
                static const Listing absent;
                if (parent && parent->listed && !parent->names.count(std::string(token)))
                    parent = &absent;
                else
                {
                    prefix.assign(base).append(name, 0, to).push_back('/');
                    auto found = listings.find(prefix);
                    if (found == listings.end())
                        found = listings.emplace(prefix, list(prefix, true)).first;
                    parent = &found->second;
                }
                entries += parent->install_file;
            }
            from = to + 1;
        }
    }
    return entries;
}

void BM_FloorAnalyzeProject(benchmark::State& state)
{
    size_t entries = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(entries = floorAnalysis(large_tree->project));
    state.counters["entries"] = static_cast<double>(entries);
}
BENCHMARK(BM_FloorAnalyzeProject)->Unit(benchmark::kMillisecond);

// A check list of the addons in `dialog`, every one ticked.
wxCheckListBox* tickedList(wxDialog& dialog)
{
    auto* list = new wxCheckListBox(&dialog, wxID_ANY, wxPoint(20, 105), wxSize(360, 280));
    list->InsertItems(large_tree->names, 0);
    for (unsigned int j = 0; j < list->GetCount(); ++j)
        list->Check(j, true);
    return list;
}

// That dialog: the toolkit's own share of opening the dialog.
void BM_FloorFillList(benchmark::State& state)
{
    for (auto _ : state)
    {
        wxDialog dialog(harness::appWindow(), wxID_ANY, _T("floor"));
        tickedList(dialog);
    }
}
BENCHMARK(BM_FloorFillList)->Unit(benchmark::kMillisecond);

// Reading the ticks of that list back: the toolkit's share of the sets after OK.
void BM_FloorReadTicks(benchmark::State& state)
{
    wxDialog dialog(harness::appWindow(), wxID_ANY, _T("floor"));
    const wxCheckListBox* list = tickedList(dialog);
    for (auto _ : state)
    {
        unsigned int ticked = 0;
        for (unsigned int j = 0; j < list->GetCount(); ++j)
            ticked += list->IsChecked(j);
        benchmark::DoNotOptimize(ticked);
    }
}
BENCHMARK(BM_FloorReadTicks)->Unit(benchmark::kMillisecond);

// Reading the chain's install files, each once, as the parser reads them.
void BM_FloorReadChain(benchmark::State& state)
{
    InstallParser parser("");
    parser.setQuiet(true);
    for (auto _ : state)
        for (const wxString& install_file : chain->install_files)
        {
            parser.setFile(installFilePath(install_file));
            benchmark::DoNotOptimize(parser.parse());
        }
}
BENCHMARK(BM_FloorReadChain)->Unit(benchmark::kMillisecond);

// The resident set of this process in kB, from /proc/self/status ("VmRSS" or "VmHWM").
long residentKb(const char* field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    const size_t length = std::strlen(field);
    while (std::getline(status, line))
        if (line.compare(0, length, field) == 0 && line.size() > length && line[length] == ':')
            return std::atol(line.c_str() + length + 1);
    return -1;
}

// The peak resident size while the dialog opens and the sets are taken, against the IDE with
// the tree and the project loaded. The kernel's peak is reset first where it allows it.
void printPeakResidentSize()
{
    const long before = residentKb("VmRSS");
    std::ofstream("/proc/self/clear_refs") << "5";
    takeConfirmSets(*newDialog());
    harness::clearLog();
    const long peak = residentKb("VmHWM");
    std::printf("peak resident size: IDE with the project %.1f MiB, while the dialog opens and "
                "confirms %.1f MiB (+%.1f MiB)\n", before / 1024.0, peak / 1024.0, (peak - before) / 1024.0);
}

// Takes --addons=N and --files=M out of the arguments.
void readSizes(int& argc, char** argv)
{
    int kept = 1;
    for (int i = 1; i < argc; ++i)
    {
        if (std::strncmp(argv[i], "--addons=", 9) == 0)
            addon_count = std::max(1, std::atoi(argv[i] + 9));
        else if (std::strncmp(argv[i], "--files=", 8) == 0)
            file_count = std::max(0, std::atoi(argv[i] + 8));
        else
            argv[kept++] = argv[i];
    }
    argc = kept;
}
} // namespace

int main(int argc, char** argv)
{
    readSizes(argc, argv);
    return bench::withIde<DialogTree>(argc, argv, [](DialogTree& tree) {
        large_tree = &tree;
        Chain requirement_chain;
        chain = &requirement_chain;
        std::printf("%d addons, %d project files\n", addon_count, file_count);
        printPeakResidentSize();
        bench::Reporter reporter;
        benchmark::RunSpecifiedBenchmarks(&reporter);
        bench::print(reporter,
                     {{"discovery", {"BM_FindAddons"}, {"BM_FloorFindAddons"}, 2.0},
                      {"analysis", {"BM_AnalyzeProject"}, {"BM_FloorAnalyzeProject"}, 2.0},
                      {"opening the dialog",
                       {"BM_OpenDialog"},
                       {"BM_FloorFindAddons", "BM_FloorAnalyzeProject", "BM_FloorFillList"}, 2.0},
                      {"the sets after OK", {"BM_ConfirmSets"}, {"BM_FloorAnalyzeProject", "BM_FloorReadTicks"}, 2.0},
                      {"preview: first tick of a chain", {"BM_PreviewFirstTick"}, {"BM_FloorReadChain"}, 2.0}});
        const double later = reporter.cpuMs("BM_PreviewLaterTick");
        std::printf("preview: a later tick of the %d-addon chain takes %.2f ms (goal: under 10 ms)%s\n",
                    chain_length, later, later < 10 ? "" : "  MISSED");
        large_tree = nullptr;
        chain = nullptr;
        return true;
    });
}

// How long the addon dialog takes to open on a large Brisken tree with a large project, and
// what its parts cost: discovery, project analysis, and the sets that confirming asks for.
// Each is measured beside its floor: the least work that gives the same answers, written with
// plain POSIX calls on the same tree, one listing per folder. The table after the rounds gives
// the medians of product and floor and their ratio.
//   dialog_bench [--addons=N] [--files=M] [--rounds=K]
// The project's files are spread over the addons in turn, every one inside an addon.
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
using Dialog = std::unique_ptr<AddonDialog>;
const auto all = [](std::size_t count) { return count == static_cast<std::size_t>(addon_count); };

// What confirming the dialog asks for before the project changes; nothing is ticked or unticked.
bool takeConfirmSets(AddonDialog& dialog)
{
    const bool none_new = dialog.getNewSelectedAddons().empty(), none_unticked = dialog.getDeselectedAddons().empty();
    return none_new && none_unticked && all(dialog.getFoundAddons().size());
}

// A dialog opened on the chain, and whether its line says that OK adds the whole chain.
Dialog onChain()
{
    Dialog dlg = newDialog();
    dlg->setBKDir(chain->tree.path());
    return dlg;
}
bool addsWholeChain(const Dialog& dlg)
{
    return controls::changePreview(dlg.get()).EndsWith(wxString::Format(_T("chain%04d"), chain_length - 1));
}
unsigned int itemOf(const Dialog& dlg, const wxChar* name)
{
    return static_cast<unsigned int>(controls::checkList(dlg.get())->FindString(name, true));
}

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

// One listing of the addons folder and one of each subfolder, to find its install file: how many
// addons it finds.
std::size_t floorFindAddons()
{
    const std::string addons_dir = bytesOf(large_tree->tree / _T("addons/"));
    std::size_t found = 0;
    DIR* dir = opendir(addons_dir.c_str());
    if (!dir)
        return 0;
    std::string path;
    while (const dirent* entry = readdir(dir))
    {
        if (entry->d_name[0] == '.' || !isFolder(dirfd(dir), *entry))
            continue;
        path.assign(addons_dir).append(entry->d_name).push_back('/');
        found += list(path, false).install_file;
    }
    closedir(dir);
    return found;
}

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

// A check list of the addons in `dialog`, every one ticked.
wxCheckListBox* tickedList(wxDialog& dialog)
{
    auto* list = new wxCheckListBox(&dialog, wxID_ANY, wxPoint(20, 105), wxSize(360, 280));
    list->InsertItems(large_tree->names, 0);
    for (unsigned int j = 0; j < list->GetCount(); ++j)
        list->Check(j, true);
    return list;
}

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

// Every cost and its floor, timed in rounds, then the table; false when a step failed.
bool measure(int rounds)
{
    ProjectManager* projects = Manager::Get()->GetProjectManager();
    cbProject* project = large_tree->project;
    Dialog opened, finding = newDialog(), confirming = newDialog(), first_tick, later_tick = onChain();
    controls::tick(later_tick.get(), _T("chain0000"));
    const unsigned int middle = itemOf(later_tick, _T("chain1500"));
    bool ticked = false;
    wxDialog floor_dialog(harness::appWindow(), wxID_ANY, _T("floor"));
    const wxCheckListBox* floor_list = tickedList(floor_dialog);
    InstallParser parser("");
    parser.setQuiet(true);

    // Construction: discovery, analysis, filling the list and ticking the addons in use.
    bench::Timed open{[&] { return all(controls::checkList((opened = newDialog()).get())->GetCount()); },
                      [&] { opened.reset(); }};
    bench::Timed analysis{[&] {
        ProjectAnalyzer analyzer;
        analyzer.analyze(project);
        return analyzer.getUsedAddons().size() == static_cast<std::size_t>(file_count);
    }};
    // With no active project, emptying the list between rounds analyses nothing.
    bench::Timed discovery{[&] { return all(finding->findAddons(large_tree->tree / _T("addons/")).size()); },
                           [&] { projects->SetProject(nullptr, false); finding->setBKDir(wxString()); },
                           [&] { projects->SetProject(project, false); return projects->GetActiveProject() == project; }};
    bench::Timed sets{[&] { return takeConfirmSets(*confirming); }};
    // Ticking the head of the chain in a dialog just opened on it: the line below the list reads
    // every install file of the chain once while the dialog is open.
    unsigned int head = 0;
    bench::Timed tick_first{[&] { controls::tickAt(first_tick.get(), head); return true; },
                            [&] { head = itemOf(first_tick = onChain(), _T("chain0000")); },
                            [&] { return addsWholeChain(first_tick); }};
    // Any later tick on the chain: what was read is known.
    bench::Timed tick_later{[&] { controls::tickAt(later_tick.get(), middle, ticked = !ticked); return true; },
                            [] {}, [&] { return addsWholeChain(later_tick); }};

    bench::Timed floor_find{[] { return all(floorFindAddons()); }};
    bench::Timed floor_analysis{[&] { return floorAnalysis(project) == static_cast<std::size_t>(file_count); }};
    // That dialog: the toolkit's own share of opening the dialog.
    bench::Timed floor_fill{[] {
        wxDialog dialog(harness::appWindow(), wxID_ANY, _T("floor"));
        return all(tickedList(dialog)->GetCount());
    }};
    // Reading the ticks of that list back: the toolkit's share of the sets after OK.
    bench::Timed floor_ticks{[&] {
        unsigned int count = 0;
        for (unsigned int j = 0; j < floor_list->GetCount(); ++j)
            count += floor_list->IsChecked(j);
        return all(count);
    }};
    // Reading the chain's install files, each once, as the parser reads them.
    bench::Timed floor_chain{[&] {
        bool read = true;
        for (const wxString& install_file : chain->install_files)
        {
            parser.setFile(installFilePath(install_file));
            read = parser.parse() && read;
        }
        return read;
    }};

    if (!bench::playRounds({{&open}, {&analysis}, {&discovery}, {&sets}, {&tick_first}, {&tick_later}, {&floor_find},
                            {&floor_analysis}, {&floor_fill}, {&floor_ticks}, {&floor_chain}},
                           rounds))
        return false;
    bench::printHeader();
    bench::printRow("discovery", discovery.median(), floor_find.median(), 2.0);
    bench::printRow("analysis", analysis.median(), floor_analysis.median(), 2.0);
    bench::printRow("opening the dialog", open.median(),
                    floor_find.median() + floor_analysis.median() + floor_fill.median(), 2.0);
    bench::printRow("the sets after OK", sets.median(), floor_analysis.median() + floor_ticks.median(), 2.0);
    bench::printRow("preview: first tick of a chain", tick_first.median(), floor_chain.median(), 2.0);
    std::printf("preview: a later tick of the %d-addon chain takes %.2f ms (goal: under 10 ms)%s\n", chain_length,
                tick_later.median(), tick_later.median() < 10 ? "" : "  MISSED");
    return true;
}
} // namespace

int main(int argc, char** argv)
{
    addon_count = bench::option(argc, argv, "addons", addon_count, 1);
    file_count = bench::option(argc, argv, "files", file_count);
    return bench::withIde<DialogTree>(argc, argv, [](DialogTree& tree, int rounds) {
        large_tree = &tree;
        Chain requirement_chain;
        chain = &requirement_chain;
        std::printf("%d addons, %d project files, %d rounds\n", addon_count, file_count, rounds);
        printPeakResidentSize();
        const bool measured = measure(rounds);
        large_tree = nullptr;
        chain = nullptr;
        return measured;
    });
}

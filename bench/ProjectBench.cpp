// How long adding 20 addons with 2000 source files in all to a project takes, and removing them
// again: the plug-in's addAddons and removeAddons called on the object the IDE loaded, beside
// their floor, the IDE's own calls that make the same change given the install files'
// contents, paired round by round. The whole command as the IDE runs it, dialog included, is
// printed for information, with a command that changes nothing.
#include <unordered_set>
#include <vector>

#include <cbproject.h>
#include <projectmanager.h>

#include "Bench.h"
#include "Brisken.h"
#include "DiskReader.h"
#include "PluginRun.h"

namespace
{
constexpr int addon_count = 20;
constexpr int files_per_addon = 100;
constexpr int own_files = 50;

struct Workload : bench::LargeTree
{
    std::vector<wxString> names;
    std::vector<fixture::Install> installs;
    AddonFiles addons; // as discovery finds them
    std::unordered_set<wxString, wxStringHash, wxStringEqual> listed; // every file they list

    Workload()
    {
        for (int a = 0; a < addon_count; ++a)
        {
            const wxString name = wxString::Format(_T("addon%02d"), a);
            names.push_back(name);
            fixture::Install install;
            for (int f = 0; f < files_per_addon; ++f)
                install.files.push_back(wxString::Format(_T("../../../addons/%s/src/file%03d.cpp"), name, f));
            install.includes.push_back(_T("../../../addons/") + name + _T("/src"));
            install.libs = {_T("-l") + name, _T("-lcommon")};
            // A chain of requirements: each addon also brings in the next one.
            if (a + 1 < addon_count)
                install.requires_addons.push_back(wxString::Format(_T("addon%02d"), a + 1));
            fixture::writeInstall(tree / _T("addons"), name, install);
            installs.push_back(install);
            const wxString dir = tree / _T("addons/") + name;
            addons.push_back(AddonFile{name, dir, dir + _T("/install.xml")});
            listed.insert(install.files.begin(), install.files.end());
        }
        std::vector<wxString> units;
        for (int f = 0; f < own_files; ++f)
            units.push_back(wxString::Format(_T("src/own%02d.cpp"), f));
        open({}, units);
    }
};

Workload* workload = nullptr;
constexpr int addon_files = addon_count * files_per_addon;

// The changes, each false unless the project then holds what it should.
bool holdsAll() { return workload->project->GetFilesCount() == own_files + addon_files; }
bool holdsOwnOnly() { return workload->project->GetFilesCount() == own_files; }
Brisken* plugin() { return static_cast<Brisken*>(run::attachedPlugin()); }
bool addByPlugin()
{
    return plugin()->addAddons(workload->addons, workload->addons).files == addon_files && holdsAll();
}
bool removeByPlugin() { return plugin()->removeAddons(workload->addons) == addon_files && holdsOwnOnly(); }
bool addByCommand() { return run::confirm(workload->names) == 0 && holdsAll(); }
bool removeByCommand() { return run::confirm({}, workload->names) == 0 && holdsOwnOnly(); }
bool confirmWithoutChange() { return run::confirm({}) == 0; }

// The IDE's calls that adding makes: each addon's files with one target list, its libraries in
// front of the link options, its include directories; and one look on disk for each file, which the
// report needs.
bool addByTheIde()
{
    ProjectManager* projects = Manager::Get()->GetProjectManager();
    cbProject* project = workload->project;
    const wxString base = withSeparator(project->GetBasePath());
    int absent = 0;
    for (const fixture::Install& install : workload->installs)
    {
        wxArrayInt targets;
        for (const wxString& file : install.files)
        {
            projects->AddFileToProject(file, project, targets);
            absent += !isFile(base + file);
        }
        wxArrayString link_opts = project->GetLinkerOptions();
        for (const wxString& lib : install.libs)
            if (link_opts.Index(lib, true) == wxNOT_FOUND)
                link_opts.Insert(lib, 0);
        project->SetLinkerOptions(link_opts);
        for (const wxString& dir : install.includes)
            project->AddIncludeDir(dir);
    }
    return absent == addon_files && holdsAll();
}

// The IDE's calls that removing makes: one pass over the project's files against the listed
// paths, then RemoveFile for each match.
bool removeByTheIde()
{
    cbProject* project = workload->project;
    std::vector<ProjectFile*> matched;
    for (int k = 0; k < project->GetFilesCount(); ++k)
        if (ProjectFile* file = project->GetFile(k); file && workload->listed.count(file->relativeFilename))
            matched.push_back(file);
    project->BeginRemoveFiles();
    for (ProjectFile* file : matched)
        project->RemoveFile(file);
    project->EndRemoveFiles();
    return matched.size() == static_cast<size_t>(addon_files) && holdsOwnOnly();
}

// What the IDE's own calls cost moves with the project's history (the same calls take 75 or
// 105 ms from one benchmark to the next), so each round adds and removes once by the plug-in's
// members, once by the command and once by the IDE's calls, in rotating order, and the medians
// of the rounds are compared.
bool printPairedChanges(int rounds)
{
    // In the order of a round: each change leaves the project as the next one needs it.
    bench::Timed plugin_add{addByPlugin}, plugin_remove{removeByPlugin}, command_add{addByCommand},
        command_remove{removeByCommand}, no_change{confirmWithoutChange}, ide_add{addByTheIde},
        ide_remove{removeByTheIde};
    if (!bench::playRounds({{&plugin_add, &plugin_remove}, {&command_add, &command_remove, &no_change},
                            {&ide_add, &ide_remove}},
                           rounds))
        return false;
    const double add_floor = ide_add.median(), remove_floor = ide_remove.median();
    bench::printHeader();
    bench::printRow("adding 20 addons (2000 files)", plugin_add.median(), add_floor, 1.2);
    bench::printRow("removing 20 addons (2000 files)", plugin_remove.median(), remove_floor, 2.0);
    // For information: the whole command, the dialog shown and confirmed, around each change.
    bench::printRow("(the command adding them)", command_add.median(), add_floor);
    bench::printRow("(the command removing them)", command_remove.median(), remove_floor);
    bench::printRow("(the command with no change)", no_change.median());
    return true;
}
} // namespace

int main(int argc, char** argv)
{
    return bench::withIde<Workload>(argc, argv, [](Workload& load, int rounds) {
        workload = &load;
        const bool measured = run::attachedPlugin() && printPairedChanges(rounds);
        workload = nullptr;
        return measured;
    });
}

#include "Brisken.h"

#include <globals.h>
#include <infowindow.h>
#include <logmanager.h>
#include <manager.h>
#include <projectmanager.h>

#include <exception>
#include <unordered_set>
#include <vector>

#include <cbproject.h>

#include "AddonDialog.h"
#include "DiskReader.h"
#include "InstallParser.h"
#include "ProjectAnalyzer.h"

namespace
{
PluginRegistrant<Brisken> reg(_T("Brisken"));

const wxString resource_archive = _T("Brisken.zip");

void writeToAppLog(const wxString& sLine)
{
    Manager::Get()->GetLogManager()->Log(sLine, LogManager::app_log, Logger::info);
}

// Reads an addon's install file as adding does: aloud, after its "Add addon:" line.
InstallSource forAdding(InstallReader& reader)
{
    return [&reader](const AddonFile& addon) {
        logLine(_T("Add addon: ") + addon.name);
        return reader.read(addon, true);
    };
}

// Hands the project what the plan adds, addon by addon: its files, its libraries in front of the link options and its
// include directories; counts what the project did not have.
Applied applyAdding(const ChangePlan& plan, ProjectManager& project_mng, cbProject& project)
{
    Applied applied;
    // The libraries of one confirm go in front of the project's link options as one block, each addon's after those of
    // the addons applied before it (an addon before the ones it requires), in the order its install file lists them:
    // the linker reads archives once, left to right. One the project already links is not inserted again.
    std::size_t block_end = 0;
    for (const PlannedAddon& addon : plan.added)
    {
        const AddonInstall& install = *addon.install;
        // One list for all of the addon's files: the IDE fills it on the first file (asking the user when the project
        // has several targets); left empty, no target was chosen. Counted by the project: a file it has is not added
        // again, though the IDE reports it added.
        wxArrayInt targets;
        const int file_count = project.GetFilesCount();
        for (const FileInfo& project_file : install.files)
        {
            project_mng.AddFileToProject(project_file.file, &project, targets);
            if (targets.IsEmpty())
                break;
        }
        if (!install.files.empty() && targets.IsEmpty())
            applied.without_target.push_back(addon.name);
        applied.files += project.GetFilesCount() - file_count;

        const wxArrayString link_opts = project.GetLinkerOptions();
        wxArrayString curr_link_opts = link_opts;
        for (const wxString& lib : install.link_libs)
            if (link_opts.Index(lib, true) == wxNOT_FOUND)
                curr_link_opts.Insert(lib, block_end++);
        if (curr_link_opts.GetCount() != link_opts.GetCount())
            project.SetLinkerOptions(curr_link_opts);

        // The project ignores a directory it already has.
        const std::size_t include_count = project.GetIncludeDirs().GetCount();
        for (const wxString& include_dir : install.include_dirs)
            project.AddIncludeDir(include_dir);
        applied.include_dirs += static_cast<int>(project.GetIncludeDirs().GetCount() - include_count);
    }
    applied.link_options = static_cast<int>(block_end);
    return applied;
}

// The project's files that the listed paths name, each once: by the name the project stores, else, for a path listed in
// another spelling of it (a leading "./", a doubled separator, "a/../a", a folder reached through a link), as the IDE
// looks a file up by its full path or as the same file on disk.
std::vector<ProjectFile*> filesListed(cbProject& project, NameSet& listed)
{
    std::vector<ProjectFile*> matched;
    std::unordered_set<const ProjectFile*> seen;
    const int count = listed.empty() ? 0 : project.GetFilesCount();
    for (int k = 0; k < count; ++k)
        if (ProjectFile* project_file = project.GetFile(k))
            if (listed.erase(project_file->relativeFilename) > 0 && seen.insert(project_file).second)
                matched.push_back(project_file);
    const wxString base = withSeparator(project.GetBasePath());
    // The project's files by the file on disk, resolved once, when first needed: a project whose files are all gone
    // from the disk would otherwise be resolved again for every path.
    NameMap<ProjectFile*> on_disk;
    bool resolved = false;
    const auto storedAs = [&](const wxString& file) -> ProjectFile* {
        for (int k = 0; !resolved && k < project.GetFilesCount(); ++k)
            if (ProjectFile* stored = project.GetFile(k))
                on_disk.emplace(resolvedPath(stored->file.GetFullPath()), stored);
        resolved = true;
        const auto found = on_disk.find(file);
        return found == on_disk.end() ? nullptr : found->second;
    };
    for (const wxString& path : listed)
    {
        const wxString full = wxFileName(path).IsAbsolute() ? path : base + path;
        ProjectFile* project_file = project.GetFileByFilename(full, false);
        // The IDE does not resolve every spelling the same way: the file on disk decides.
        const wxString file = project_file ? wxString() : resolvedPath(full);
        if (!file.empty())
            project_file = storedAs(file);
        if (project_file && seen.insert(project_file).second)
            matched.push_back(project_file);
    }
    return matched;
}

} // namespace

Brisken::Brisken()
{
    bindLog(&writeToAppLog);
    // A missing archive is reported, not fatal: the command works without it.
    if (!Manager::LoadResource(resource_archive))
        NotifyMissingFile(resource_archive);
}

int Brisken::Execute()
{
    if (!IsAttached())
        return -1;

    // Nothing may escape into the IDE: a failure ends this run, the IDE goes on.
    try
    {
        run();
    }
    catch (const std::exception& error)
    {
        logLine(_T("Brisken Addon stopped: ") + wxString::FromUTF8(error.what()));
    }
    catch (...)
    {
        logLine(_T("Brisken Addon stopped."));
    }
    return 0;
}

void Brisken::run()
{
    logLine(_T("Brisken Addon"));
    AddonDialog dlg(Manager::Get()->GetAppWindow(), wxNewId(), _T("Brisken Addon Plugin"));
    PlaceWindow(&dlg, pdlBest, false);
    if (dlg.ShowModal() != wxID_OK)
    {
        logLine(_T("No addons selected."));
        return;
    }
    // The dialog still exists: every list is taken from it before the project changes.
    const std::vector<wxString> report = confirm(dlg);
    Manager::Get()->GetProjectManager()->GetUI().RebuildTree();
    // Shown where the user looks, in the IDE's transient notice, which needs no click. The IDE writes each notice to
    // the log as well: that is the report's one entry there.
    if (!report.empty())
        InfoWindow::Display(_T("Brisken Addons"), joined(report, _T("\n")));
}

std::vector<wxString> Brisken::confirm(const AddonDialog& dlg)
{
    const AddonFiles selected_addons = dlg.getNewSelectedAddons();
    const AddonFiles deselected_addons = dlg.getDeselectedAddons();
    const AddonFiles available_addons = dlg.getFoundAddons();
    ProjectManager* project_mng = Manager::Get()->GetProjectManager();
    cbProject* project = project_mng->GetActiveProject();
    if (!project)
        return reportOf(ChangePlan(false), Applied(), wxString());

    // Decided afresh from the disk, as the dialog decided its line of it: the install files of the addons to add are
    // read as adding reads them, those that only keep an addon quietly.
    InstallReader reader(project->GetBasePath());
    ChangePlan plan = planChange(Selection{selected_addons, deselected_addons, dlg.getStayingAddons()},
                                 available_addons, forAdding(reader), reader.quietly());
    plan.project_too_large = isTooLargeToAnalyze(project);
    Applied applied = applyAdding(plan, *project_mng, *project);
    applied.removed_files = removeAddons(plan.removed);
    return reportOf(plan, applied, project->GetTitle());
}

Applied Brisken::addAddons(AddonFiles oAddons, AddonFiles oAvailableAddons)
{
    ProjectManager* project_mng = Manager::Get()->GetProjectManager();
    cbProject* project = project_mng->GetActiveProject();
    if (!project)
        return Applied();
    InstallReader reader(project->GetBasePath());
    const ChangePlan plan = planChange(Selection{oAddons, {}, {}}, oAvailableAddons, forAdding(reader), nullptr);
    return applyAdding(plan, *project_mng, *project);
}

int Brisken::removeAddons(AddonFiles oAddons)
{
    InstallParser parser("");
    cbProject* project = Manager::Get()->GetProjectManager()->GetActiveProject();
    if (!project)
        return 0;

    // The listed paths of all addons first: a file that several addons list goes once.
    NameSet listed;
    for (const AddonFile& addon : oAddons)
    {
        parser.setFile(installFilePath(addon.install_file));
        parser.parse();
        for (const FileInfo& addon_file : parser.getProjectFiles())
            listed.insert(addon_file.file);
    }
    const std::vector<ProjectFile*> matched = filesListed(*project, listed);

    // Removing a file also removes and deletes every file generated from it, and from those in turn: they are taken
    // with it and skipped when their own turn comes. The project's own count says how many left, generated files
    // included.
    const int files_before = project->GetFilesCount();
    std::unordered_set<const ProjectFile*> taken;
    project->BeginRemoveFiles();
    for (ProjectFile* project_file : matched)
    {
        if (taken.count(project_file))
            continue;
        for (std::vector<const ProjectFile*> pending{project_file}; !pending.empty();)
        {
            const ProjectFile* generating = pending.back();
            pending.pop_back();
            for (const ProjectFile* generated : generating->generatedFiles)
                if (taken.insert(generated).second)
                    pending.push_back(generated);
        }
        project->RemoveFile(project_file);
    }
    project->EndRemoveFiles();
    return files_before - project->GetFilesCount();
}

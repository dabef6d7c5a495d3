#include "Brisken.h"

#include <globals.h>
#include <infowindow.h>
#include <logmanager.h>
#include <manager.h>
#include <projectmanager.h>

#include <exception>
#include <functional>
#include <unordered_set>
#include <vector>

#include <cbproject.h>

#include "AddonDialog.h"
#include "DiskReader.h"
#include "InstallParser.h"

namespace
{
PluginRegistrant<Brisken> reg(_T("Brisken"));

const wxString resource_archive = _T("Brisken.zip");

void writeToAppLog(const wxString& sLine)
{
    Manager::Get()->GetLogManager()->Log(sLine, LogManager::app_log, Logger::info);
}

// Hands the project what the parsed install file lists: its files, its libraries in front of
// the link options and its include directories; counts what the project did not have.
void applyInstall(const InstallParser& parser, ProjectManager& project_mng, cbProject& project,
                  Brisken::Added& added)
{
    // One list for all of the addon's files: the IDE fills it on the first file (asking the
    // user when the project has several targets); left empty, no target was chosen. Counted
    // by the project: a file it has is not added again, though the IDE reports it added.
    wxArrayInt targets;
    const int file_count = project.GetFilesCount();
    for (const FileInfo& project_file : parser.getProjectFiles())
    {
        project_mng.AddFileToProject(project_file.file, &project, targets);
        if (targets.IsEmpty())
            break;
    }
    added.files += project.GetFilesCount() - file_count;

    // The libraries of one confirm go in front of the project's link options as one block, each
    // addon's after those of the addons applied before it (an addon before the ones it
    // requires), in the order its install file lists them: the linker reads archives once, left
    // to right. One the project already links is not inserted again.
    const wxArrayString link_opts = project.GetLinkerOptions();
    wxArrayString curr_link_opts = link_opts;
    for (const wxString& lib : parser.getLinkLibs())
        if (link_opts.Index(lib, true) == wxNOT_FOUND)
            curr_link_opts.Insert(lib, curr_link_opts.GetCount() - link_opts.GetCount() +
                                           static_cast<size_t>(added.link_options));
    if (curr_link_opts.GetCount() != link_opts.GetCount())
        project.SetLinkerOptions(curr_link_opts);
    added.link_options += static_cast<int>(curr_link_opts.GetCount() - link_opts.GetCount());

    // The project ignores a directory it already has.
    const size_t include_count = project.GetIncludeDirs().GetCount();
    for (const wxString& include_dir : parser.getIncludeDirs())
        project.AddIncludeDir(include_dir);
    added.include_dirs += static_cast<int>(project.GetIncludeDirs().GetCount() - include_count);
}

// The project's files that the listed paths name, each once: by the name the project stores,
// else, for a path listed in another spelling of it (a leading "./", a doubled separator,
// "a/../a", a folder reached through a link), as the IDE looks a file up by its full path or
// as the same file on disk.
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
    // The project's files by the file on disk, resolved once, when first needed: a project whose
    // files are all gone from the disk would otherwise be resolved again for every path.
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
    // Shown where the user looks, in the IDE's transient notice, which needs no click. The IDE
    // writes each notice to the log as well: that is the report's one entry there.
    if (!report.empty())
        InfoWindow::Display(_T("Brisken Addons"), joined(report, _T("\n")));
}

std::vector<wxString> Brisken::confirm(const AddonDialog& dlg)
{
    const AddonFiles selected_addons = dlg.getNewSelectedAddons();
    const AddonFiles deselected_addons = dlg.getDeselectedAddons();
    const AddonFiles available_addons = dlg.getFoundAddons();
    cbProject* project = Manager::Get()->GetProjectManager()->GetActiveProject();
    if (!project)
        return {_T("No active project: nothing was changed.")};

    // Decided afresh from the disk, the same way as the dialog's preview of it; unticked
    // addons that a staying addon requires keep their files.
    RequirementsReader requirements;
    const AddonChange change = AddonDialog::decideChange(selected_addons, deselected_addons,
                                                         dlg.getStayingAddons(), available_addons,
                                                         std::ref(requirements));
    const Added added = addAddons(selected_addons, available_addons);
    const int removed_files = removeAddons(change.removed);
    const wxString title = project->GetTitle();
    std::vector<wxString> report;
    if (!added.addons.empty())
        report.push_back(wxString::Format(
            _T("Added to %s: %s (%d files, %d link options, %d include directories)"), title,
            joined(added.addons), added.files, added.link_options, added.include_dirs));
    for (const KeptAddon& keep : change.kept)
        report.push_back(_T("Kept ") + keep.name + _T(": ") + keep.required_by + _T(" requires it"));
    if (!change.removed.empty())
        report.push_back(wxString::Format(_T("Removed from %s: %s (%d files)"), title,
                                          joined(namesOf(change.removed)), removed_files));
    return report;
}

Brisken::Added Brisken::addAddons(AddonFiles oAddons, AddonFiles oAvailableAddons)
{
    Added added;
    InstallParser parser("");
    ProjectManager* project_mng = Manager::Get()->GetProjectManager();
    cbProject* project = project_mng->GetActiveProject();
    if (!project)
        return added;

    // An addon is applied whole before the addons it requires.
    walkRequirements(oAddons, oAvailableAddons, [&](const AddonFile& addon, const wxString&) {
        logLine(_T("Add addon: ") + addon.name);
        added.addons.push_back(addon.name);
        parser.setFile(installFilePath(addon.install_file));
        parser.parse();
        applyInstall(parser, *project_mng, *project, added);
        return parser.getRequiredAddons();
    });
    return added;
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

    // Removing a file also removes and deletes every file generated from it, and from those in
    // turn: they are taken with it and skipped when their own turn comes. The project's own
    // count says how many left, generated files included.
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

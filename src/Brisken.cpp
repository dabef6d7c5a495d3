#include "Brisken.h"

#include <globals.h>
#include <logmanager.h>
#include <manager.h>
#include <projectmanager.h>

#include <exception>
#include <set>
#include <string>
#include <vector>

#include <wx/filename.h>

#include <cbproject.h>

#include "AddonDialog.h"
#include "InstallParser.h"

namespace
{
PluginRegistrant<Brisken> reg(_T("Brisken"));

const wxString resource_archive = _T("Brisken.zip");

void writeToAppLog(const wxString& sLine)
{
    Manager::Get()->GetLogManager()->Log(sLine, LogManager::app_log, Logger::info);
}
} // namespace

Brisken::Brisken()
{
    bindLog(&writeToAppLog);
    // A missing archive is reported, not fatal: the command works without it.
    if (!Manager::LoadResource(resource_archive))
        NotifyMissingFile(resource_archive);
}

Brisken::~Brisken() = default;

void Brisken::OnAttach()
{
}

void Brisken::OnRelease(bool /*appShutDown*/)
{
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
    ProjectManager* project_mng = Manager::Get()->GetProjectManager();

    const wxWindowID dlg_id = wxNewId();
    AddonDialog dlg(Manager::Get()->GetAppWindow(), dlg_id, _T("Brisken Addon Plugin"));
    PlaceWindow(&dlg, pdlBest, false);

    if (dlg.ShowModal() == wxID_OK)
    {
        // The dialog still exists: take every list before the project changes.
        const AddonFiles selected_addons = dlg.getNewSelectedAddons();
        const AddonFiles deselected_addons = dlg.getDeselectedAddons();
        const AddonFiles available_addons = dlg.getFoundAddons();
        addAddons(selected_addons, available_addons);
        removeAddons(deselected_addons);
        project_mng->GetUI().RebuildTree();
    }
    else
    {
        logLine(_T("No addons selected."));
    }
}

namespace
{
// The install file's path as the parser opens it. The locale's conversion comes first; where
// it cannot express the path (a non-ASCII folder under the C locale) the file-name encoding,
// which named the folder when it was listed, is used. Empty when neither can: the parser then
// treats the addon like one whose install file cannot be read.
std::string narrowPath(const wxString& sPath)
{
    const wxCharBuffer by_locale = sPath.mb_str(wxConvLibc);
    if (by_locale.data() && (by_locale.length() > 0 || sPath.empty()))
        return std::string(by_locale.data(), by_locale.length());
    const wxCharBuffer by_file_name = sPath.fn_str();
    if (by_file_name.data() && by_file_name.length() > 0)
        return std::string(by_file_name.data(), by_file_name.length());
    return std::string();
}

const AddonFile* findByName(const AddonFiles& oAddons, const wxString& sName)
{
    for (const AddonFile& addon : oAddons)
        if (addon.name == sName)
            return &addon;
    return nullptr;
}
} // namespace

void Brisken::addAddons(AddonFiles oAddons, AddonFiles oAvailableAddons)
{
    InstallParser parser("");
    ProjectManager* project_mng = Manager::Get()->GetProjectManager();
    cbProject* project = project_mng->GetActiveProject();
    if (!project)
        return;

    // Depth first: an addon is applied whole, then each addon it requires with everything
    // that one requires, before the next. A work stack instead of recursion, so that a long
    // chain of requirements cannot exhaust the IDE's stack.
    std::vector<const AddonFile*> pending;
    for (auto it = oAddons.rbegin(); it != oAddons.rend(); ++it)
        pending.push_back(&*it);
    // Checked when an addon's turn comes, so that an addon ticked and also required, required
    // twice, or required by itself or in a circle is applied once.
    std::set<wxString> applied;
    while (!pending.empty())
    {
        const AddonFile& addon = *pending.back();
        pending.pop_back();
        if (!applied.insert(addon.name).second)
            continue;
        logLine(_T("Add addon: ") + addon.name);
        parser.setFile(narrowPath(addon.install_file));
        parser.parse();

        // One list for all of the addon's files: the IDE fills it on the first file (asking
        // the user when the project has several targets) and reuses it for the rest. Left
        // empty, no target was chosen; the IDE would ask again for every further file.
        wxArrayInt targets;
        for (const FileInfo& project_file : parser.getProjectFiles())
        {
            project_mng->AddFileToProject(project_file.file, project, targets);
            if (targets.IsEmpty())
                break;
        }

        // A library the project already links is not inserted again, so that adding an addon
        // a second time leaves the link options as they are.
        const wxArrayString link_opts = project->GetLinkerOptions();
        wxArrayString curr_link_opts = link_opts;
        for (const wxString& lib : parser.getLinkLibs())
            if (link_opts.Index(lib, true) == wxNOT_FOUND)
                curr_link_opts.Insert(lib, 0);
        if (curr_link_opts.GetCount() != link_opts.GetCount())
            project->SetLinkerOptions(curr_link_opts);

        // The project ignores a directory it already has.
        for (const wxString& include_dir : parser.getIncludeDirs())
            project->AddIncludeDir(include_dir);

        // Pushed last first, so that the first requirement comes next. (wxArrayString's
        // reverse iterators misbehave on an empty array.)
        const wxArrayString required = parser.getRequiredAddons();
        for (size_t r = required.GetCount(); r > 0; --r)
            if (const AddonFile* found = findByName(oAvailableAddons, required[r - 1]))
                pending.push_back(found);
    }
}

void Brisken::removeAddons(AddonFiles oAddons)
{
    InstallParser parser("");
    cbProject* project = Manager::Get()->GetProjectManager()->GetActiveProject();
    if (!project)
        return;

    // The listed paths of all addons first, then one pass over the project's files; a file
    // that several addons list is matched once.
    std::set<wxString> mapped_addon_files;
    for (const AddonFile& addon : oAddons)
    {
        parser.setFile(narrowPath(addon.install_file));
        parser.parse();
        for (const FileInfo& addon_file : parser.getProjectFiles())
            mapped_addon_files.insert(wxFileName(addon_file.file).GetFullPath());
    }
    std::vector<wxString> matched;
    const int count = mapped_addon_files.empty() ? 0 : project->GetFilesCount();
    for (int k = 0; k < count; ++k)
    {
        const ProjectFile* project_file = project->GetFile(k);
        if (project_file && mapped_addon_files.count(project_file->relativeFilename) > 0)
            matched.push_back(project_file->relativeFilename);
    }

    // Names, not files: removing a file also deletes the files generated from it, so a file
    // matched above may be gone by its turn. Each is looked up right before its removal.
    project->BeginRemoveFiles();
    for (const wxString& name : matched)
    {
        ProjectFile* project_file = project->GetFileByFilename(name);
        if (project_file && project_file->relativeFilename == name)
            project->RemoveFile(project_file);
    }
    project->EndRemoveFiles();
}

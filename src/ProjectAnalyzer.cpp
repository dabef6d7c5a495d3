#include "ProjectAnalyzer.h"

#include <unordered_map>

#include <wx/dir.h>
#include <wx/log.h>
#include <wx/tokenzr.h>

#include <cbproject.h>
#include <projectfile.h>

namespace
{
// What the disk says about one directory prefix of a project file.
struct AddonProbe
{
    bool is_addon = false; // the directory exists and holds an install file
    wxString dir_name;     // the directory's name as the listing reports it
};

AddonProbe probeAddonDir(const wxString& sDir)
{
    AddonProbe probe;
    if (!wxDir::Exists(sDir))
        return probe;
    const wxDir curr_dir(sDir);
    if (holdsInstallFile(curr_dir))
    {
        probe.is_addon = true;
        probe.dir_name = curr_dir.GetName();
    }
    return probe;
}

// The project's folder without a trailing separator, so that joining it with the separator
// and a relative path gives exactly one separator between them.
wxString projectPath(const cbProject& project)
{
    wxString path = project.GetBasePath();
    const wxString sep = pathSeparator();
    while (path.length() > 1 && path.EndsWith(sep))
        path.RemoveLast();
    return path;
}
} // namespace

void ProjectAnalyzer::analyze(cbProject* pProject)
{
    addon_files.clear();
    if (!pProject)
        return;

    logLine(_T("Project title:") + pProject->GetTitle());
    const int file_count = pProject->GetFilesCount();
    if (file_count > project_analyzer_limits::max_files)
        return;

    // A folder that cannot be read is simply not an addon; wx must not report it in a box.
    const wxLogNull no_error_boxes;
    const wxString sep = pathSeparator();
    const wxString addons_dir = _T("addons") + sep;
    const wxString project_path = projectPath(*pProject);
    // The files of one addon share their prefixes; the disk does not change during one call,
    // so each prefix is probed once.
    std::unordered_map<wxString, AddonProbe, wxStringHash, wxStringEqual> probed;

    for (int i = 0; i < file_count; ++i)
    {
        const ProjectFile* project_file = pProject->GetFile(i);
        if (!project_file)
            continue;
        const wxString base_name = project_file->GetBaseName();
        if (base_name.Find(addons_dir) == wxNOT_FOUND)
            continue;

        wxString partial_dir = project_path + sep;
        bool start = false;
        wxStringTokenizer dir_tokens(base_name, sep, wxTOKEN_DEFAULT);
        while (dir_tokens.HasMoreTokens())
        {
            const wxString token = dir_tokens.GetNextToken();
            if (token.Find(_T("addons")) != wxNOT_FOUND)
                start = true;
            partial_dir << token << sep;
            // Before the addons folder no prefix can yield an entry.
            if (!start)
                continue;
            auto found = probed.find(partial_dir);
            if (found == probed.end())
                found = probed.emplace(partial_dir, probeAddonDir(partial_dir)).first;
            const AddonProbe& probe = found->second;
            if (probe.is_addon)
                addon_files.push_back(AddonFile{token, probe.dir_name,
                                                probe.dir_name + sep + installFileName()});
        }
    }
}

AddonFiles ProjectAnalyzer::getUsedAddons() const
{
    return addon_files;
}

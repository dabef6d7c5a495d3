#include "ProjectAnalyzer.h"

#include <deque>
#include <unordered_map>
#include <vector>

#include <wx/tokenzr.h>

#include <cbproject.h>
#include <projectfile.h>

#include "DiskReader.h"

namespace
{
// Walks the project's files, reading each folder once: a folder's listing says whether it is an
// addon and which names below it are folders at all. The files of one folder share the walk up
// to their own name, which is kept once per folder.
class Walk
{
public:
    explicit Walk(const wxString& sProjectFolder) : project_folder(sProjectFolder) {}

    // Hands `out` the entries of the file whose stored name without extension is `base_name`.
    void file(const wxString& base_name, const ProjectAnalyzer::EntrySink& out)
    {
        if (base_name.find(addons_dir) == wxString::npos)
            return;
        // There is a separator: the name holds "addons/". Before it the folders, after it the
        // last token, which the tokenizer leaves out when it is empty.
        const std::size_t last_sep = base_name.rfind(sep);
        dirs.assign(base_name, 0, last_sep + 1);
        const Prefix& walked = prefix(dirs);
        for (const AddonFile* entry : walked.entries)
            out(*entry);
        if (last_sep + 1 == base_name.length())
            return;
        // The name without its extension counts as a folder too.
        token.assign(base_name, last_sep + 1, wxString::npos);
        const Folder& folder = walked.folder ? reader.folder(*walked.folder, token)
                                             : reader.folder(project_folder + base_name + sep);
        if (const AddonFile* entry = entryFor(token, folder))
            out(*entry);
    }

private:
    // What the folders of one stored path give, and the last of them, which holds its files.
    struct Prefix
    {
        std::vector<const AddonFile*> entries;
        const Folder* folder = nullptr;
    };

    // `dirs` ends with a separator. From the first token that contains "addons" on, every
    // folder counts; the ones before it are not looked at.
    const Prefix& prefix(const wxString& dirs)
    {
        const auto known = prefixes.find(dirs);
        if (known != prefixes.end())
            return known->second;
        Prefix& walked = prefixes[dirs];
        bool start = false;
        wxString partial_dir = project_folder;
        wxStringTokenizer dir_tokens(dirs, sep, wxTOKEN_DEFAULT);
        while (dir_tokens.HasMoreTokens())
        {
            const wxString token = dir_tokens.GetNextToken();
            partial_dir << token << sep;
            start = start || token.Contains(_T("addons"));
            if (!start)
                continue;
            const Folder& folder = walked.folder ? reader.folder(*walked.folder, token)
                                                 : reader.folder(partial_dir);
            if (const AddonFile* entry = entryFor(token, folder))
                walked.entries.push_back(entry);
            walked.folder = &folder;
        }
        return walked;
    }

    // The entry of an addon folder, made once; null for any other folder.
    const AddonFile* entryFor(const wxString& sName, const Folder& folder)
    {
        if (!folder.install_file)
            return nullptr;
        const auto known = addon_entries.find(&folder);
        if (known != addon_entries.end())
            return known->second;
        entries.push_back(AddonFile{sName, folder.name, folder.name + sep + installFileName()});
        return addon_entries[&folder] = &entries.back();
    }

    const wxString sep = pathSeparator();
    const wxString addons_dir = _T("addons") + sep;
    const wxString project_folder;
    wxString dirs, token; // scratch, kept to spare allocations
    DiskReader reader;
    std::unordered_map<wxString, Prefix, wxStringHash, wxStringEqual> prefixes;
    std::unordered_map<const Folder*, const AddonFile*> addon_entries;
    std::deque<AddonFile> entries; // stable addresses
};
} // namespace

void ProjectAnalyzer::analyze(cbProject* pProject)
{
    addon_files.clear();
    // Growing a vector of wx strings copies them all: most files of a project that uses
    // addons lie in one, once.
    if (pProject && pProject->GetFilesCount() <= project_analyzer_limits::max_files)
        addon_files.reserve(static_cast<std::size_t>(pProject->GetFilesCount()));
    walk(pProject, [this](const AddonFile& entry) { addon_files.push_back(entry); });
}

void ProjectAnalyzer::walk(cbProject* pProject, const EntrySink& sink)
{
    if (!pProject)
        return;

    logLine(_T("Project title:") + pProject->GetTitle());
    const int file_count = pProject->GetFilesCount();
    if (file_count > project_analyzer_limits::max_files)
        return;

    Walk walk(withSeparator(pProject->GetBasePath()));
    for (int i = 0; i < file_count; ++i)
        if (const ProjectFile* project_file = pProject->GetFile(i))
            walk.file(project_file->GetBaseName(), sink);
}

AddonFiles ProjectAnalyzer::getUsedAddons() const
{
    return addon_files;
}

#include "ProjectAnalyzer.h"

#include <deque>
#include <unordered_map>
#include <vector>

#include <wx/filename.h>
#include <wx/tokenzr.h>

#include <cbproject.h>
#include <projectfile.h>

#include "DiskReader.h"

namespace
{
// Walks the project's files, reading each folder once: a folder's listing says whether it is an
// addon and which names below it are folders at all. The files of one folder share the walk up
// to their own name, which is made once per folder.
class Walk
{
public:
    explicit Walk(const wxString& sProjectFolder) : project_folder(sProjectFolder) {}

    // Hands `out` the entries of the file stored as `stored`, by its name without extension.
    void file(const wxString& stored, const ProjectAnalyzer::EntrySink& out)
    {
        const std::size_t last_sep = stored.rfind(sep[0]);
        raw_folder.assign(stored, 0, last_sep == wxString::npos ? 0 : last_sep + 1);
        auto known = prefixes.find(raw_folder);
        if (known == prefixes.end())
            known = prefixes.emplace(raw_folder, prefix(folderPart(stored))).first;
        // Without "addons/" in its name the file is not looked at.
        const Prefix& walked = known->second;
        for (const AddonFile* entry : walked.entries)
            out(*entry);
        // The name counts as a folder too; the tokenizer leaves out an empty last token.
        const wxString token = nameWithoutExtension(stored);
        if (walked.folder && !token.empty())
            if (const AddonFile* entry = entryFor(token, reader.folder(*walked.folder, token)))
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
    Prefix prefix(const wxString& dirs)
    {
        Prefix walked;
        if (dirs.find(addons_dir) == wxString::npos)
            return walked;
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
        const wxString addon_dir = folder.name();
        entries.push_back(AddonFile{sName, addon_dir, addon_dir + sep + installFileName()});
        return addon_entries[&folder] = &entries.back();
    }

    const wxString sep = pathSeparator();
    const wxString addons_dir = _T("addons") + sep;
    const wxString project_folder;
    wxString raw_folder; // scratch, kept to spare allocations
    DiskReader reader;
    NameMap<Prefix> prefixes;
    std::unordered_map<const Folder*, const AddonFile*> addon_entries;
    std::deque<AddonFile> entries; // stable addresses
};
} // namespace

void ProjectAnalyzer::analyze(cbProject* pProject)
{
    addon_files.clear();
    // Growing a vector of wx strings copies them all: most files of a project that uses
    // addons lie in one, once.
    if (pProject && !isTooLargeToAnalyze(pProject))
        addon_files.reserve(static_cast<std::size_t>(pProject->GetFilesCount()));
    walk(pProject, [this](const AddonFile& entry) { addon_files.push_back(entry); });
}

void ProjectAnalyzer::walk(cbProject* pProject, const EntrySink& sink)
{
    if (!pProject)
        return;

    logLine(_T("Project title:") + pProject->GetTitle());
    if (isTooLargeToAnalyze(pProject))
        return;
    const int file_count = pProject->GetFilesCount();

    Walk walk(withSeparator(pProject->GetBasePath()));
    for (int i = 0; i < file_count; ++i)
        if (const ProjectFile* project_file = pProject->GetFile(i))
            walk.file(project_file->relativeFilename, sink);
}

bool isTooLargeToAnalyze(const cbProject* pProject)
{
    return pProject && pProject->GetFilesCount() > project_analyzer_limits::max_files;
}

wxString folderPart(const wxString& sStored)
{
    return wxFileName(sStored).GetPath(wxPATH_GET_VOLUME | wxPATH_GET_SEPARATOR);
}

wxString nameWithoutExtension(const wxString& sStored)
{
    const std::size_t name_at = sStored.rfind(pathSeparator()[0]) + 1; // 0 without a separator
    const std::size_t dot = sStored.rfind(_T('.'));
    return sStored.substr(name_at, dot == wxString::npos || dot <= name_at ? wxString::npos : dot - name_at);
}

AddonFiles ProjectAnalyzer::getUsedAddons() const
{
    return addon_files;
}

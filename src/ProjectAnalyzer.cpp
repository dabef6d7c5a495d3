#include "ProjectAnalyzer.h"

#include <cerrno>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <wx/dir.h>
#include <wx/log.h>
#include <wx/tokenzr.h>

#include <cbproject.h>
#include <projectfile.h>


namespace
{
// What the disk says about one directory prefix of a project file: the position of the entry
// that every file below it adds, or none.
constexpr int not_an_addon = -1;

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

// The length of the file's base name (its stored name without the extension) when the stored
// name is plain: relative, no empty or "."/".." last component, no doubled or trailing
// separator. wxFileName keeps such a name as it is and drops only what follows the last dot
// of the last component, unless that dot begins it. Zero when the name is not plain; the IDE's
// own GetBaseName answers then.
std::size_t plainBaseNameLength(std::wstring_view name)
{
    if (name.empty() || name.front() == L'/' || name.front() == L'~' || name.back() == L'/' ||
        name.find(L"//") != std::wstring_view::npos)
        return 0;
    const std::size_t last_sep = name.rfind(L'/');
    const std::size_t first = last_sep == std::wstring_view::npos ? 0 : last_sep + 1;
    const std::wstring_view last = name.substr(first);
    if (last == L"." || last == L"..")
        return 0;
    const std::size_t dot = last.rfind(L'.');
    return dot == std::wstring_view::npos || dot == 0 ? name.size() : first + dot;
}

class Walk
{
public:
    Walk(const wxString& sProjectPath, int nFiles) : project_path(sProjectPath)
    {
        // A file below an addon has about four prefixes from the addons folder on.
        probed.reserve(static_cast<std::size_t>(nFiles) * 2);
        sep = pathSeparator();
        // The tokens are narrowed one file at a time; the folder once.
        bytes_usable = sep == _T("/") &&
                       install_probe::fileSystemBytes(project_path + sep, project_bytes);
    }

    // Hands `out` the entries of one file whose base name (wide) is `base_name`, in order.
    void file(std::wstring_view base_name, const ProjectAnalyzer::EntrySink& out)
    {
        if (base_name.find(L"addons/") == std::wstring_view::npos)
            return;
        const bool plain_shape = base_name.front() != L'/' && base_name.back() != L'/' &&
                                 base_name.find(L"//") == std::wstring_view::npos;
        if (!plain_shape || !bytes_usable || !narrow(base_name))
        {
            fileByWx(wxString(base_name.data(), base_name.size()), out);
            return;
        }
        // Walk the prefixes: each token is followed by a separator, in the wide and the narrow
        // path alike. Before the first token that contains "addons" nothing is probed.
        bool start = false;
        std::size_t wide_from = 0;
        std::size_t byte_from = 0;
        int anchor_fd = AT_FDCWD;
        std::size_t anchor_length = 0;
        while (wide_from <= base_name.size())
        {
            std::size_t wide_to = base_name.find(L'/', wide_from);
            if (wide_to == std::wstring_view::npos)
                wide_to = base_name.size();
            std::size_t byte_to = file_bytes.find('/', byte_from);
            if (byte_to == std::string::npos)
                byte_to = file_bytes.size();
            const std::wstring_view token = base_name.substr(wide_from, wide_to - wide_from);
            if (!start && token.find(L"addons") != std::wstring_view::npos)
                start = true;
            if (start)
            {
                prefix.assign(project_bytes).append(file_bytes, 0, byte_to).push_back('/');
                if (anchor_length == 0)
                {
                    anchor_fd = anchorFor(prefix);
                    anchor_length = anchor_fd == AT_FDCWD ? 0 : prefix.size();
                }
                auto found = probed.find(prefix);
                if (found == probed.end())
                {
                    // Looked up below the first probed folder, held open: a shorter walk.
                    relative.assign(prefix, anchor_length, std::string::npos);
                    // The wide name is built only for an addon or a doubtful answer.
                    const install_probe::Answer answer =
                        install_probe::quickAnswer(anchor_fd, relative);
                    int entry = not_an_addon;
                    if (answer != install_probe::Answer::no)
                    {
                        const wxString dir_name =
                            project_path + sep + wxString(base_name.data(), wide_to);
                        if (answer == install_probe::Answer::yes ||
                            install_probe::holdsInstallFileByListing(dir_name + sep))
                            entry = entryFor(wxString(token.data(), token.size()), dir_name);
                    }
                    found = probed.emplace(prefix, entry).first;
                }
                if (found->second != not_an_addon)
                    out(entries[found->second]);
            }
            wide_from = wide_to + 1;
            byte_from = byte_to + 1;
        }
    }

private:
    // The base name as the file system sees it, with as many separators as the wide one.
    bool narrow(std::wstring_view base_name)
    {
        file_bytes.clear();
        bool ascii = true;
        for (const wchar_t c : base_name)
            ascii = ascii && static_cast<unsigned long>(c) < 0x80;
        if (ascii)
        {
            file_bytes.assign(base_name.begin(), base_name.end());
            return true;
        }
        if (!install_probe::fileSystemBytes(wxString(base_name.data(), base_name.size()),
                                            file_bytes))
            return false;
        const auto separators = [](auto text, auto sep_char) {
            std::size_t n = 0;
            for (const auto c : text)
                n += c == sep_char;
            return n;
        };
        return separators(base_name, L'/') == separators(std::string_view(file_bytes), '/');
    }

    // The open folder at which the probes of a file begin, or AT_FDCWD to probe by the whole
    // path. Only a few are held open, so that an odd project cannot use up the IDE's files.
    int anchorFor(const std::string& sFolder)
    {
        auto found = anchors.find(sFolder);
        if (found == anchors.end())
        {
            if (anchors.size() >= max_anchors)
                return AT_FDCWD;
            auto handle = std::make_unique<install_probe::DirectoryHandle>(sFolder);
            found = anchors.emplace(sFolder, std::move(handle)).first;
        }
        return found->second->fd >= 0 ? found->second->fd : AT_FDCWD;
    }

    int entryFor(const wxString& sName, const wxString& sDirName)
    {
        entries.push_back(AddonFile{sName, sDirName, sDirName + sep + installFileName()});
        return static_cast<int>(entries.size() - 1);
    }

    // The walk on wide strings, token by token as wxStringTokenizer splits them, for names
    // that are not plain or cannot be narrowed.
    void fileByWx(const wxString& base_name, const ProjectAnalyzer::EntrySink& out)
    {
        wxString partial_dir = project_path + sep;
        bool start = false;
        wxStringTokenizer dir_tokens(base_name, sep, wxTOKEN_DEFAULT);
        while (dir_tokens.HasMoreTokens())
        {
            const wxString token = dir_tokens.GetNextToken();
            if (token.Find(_T("addons")) != wxNOT_FOUND)
                start = true;
            partial_dir << token << sep;
            if (!start)
                continue;
            auto found = probed_by_wx.find(partial_dir);
            if (found == probed_by_wx.end())
            {
                // wxDir names a directory without its trailing separators, keeping a lone one.
                wxString dir_name = partial_dir;
                while (dir_name.length() > 1 && dir_name.EndsWith(sep))
                    dir_name.RemoveLast();
                const bool is_addon = install_probe::holdsInstallFileByListing(partial_dir);
                found = probed_by_wx
                            .emplace(partial_dir,
                                     is_addon ? entryFor(token, dir_name) : not_an_addon)
                            .first;
            }
            if (found->second != not_an_addon)
                out(entries[found->second]);
        }
    }

    const wxString project_path;
    wxString sep;
    bool bytes_usable = false;
    std::string project_bytes; // project_path and a separator, narrowed
    std::string file_bytes;    // the current file's base name, narrowed
    std::string prefix;        // scratch: the prefix being probed
    std::string relative;      // scratch: the same below the file's first probed folder
    static constexpr std::size_t max_anchors = 16;
    std::unordered_map<std::string, std::unique_ptr<install_probe::DirectoryHandle>> anchors;
    // The disk does not change during one analysis, so each prefix is probed once; the entries
    // of the prefixes that are addons are kept once each.
    std::deque<AddonFile> entries;
    std::unordered_map<std::string, int> probed;
    std::unordered_map<wxString, int, wxStringHash, wxStringEqual> probed_by_wx;
};
} // namespace

void ProjectAnalyzer::analyze(cbProject* pProject)
{
    addon_files.clear();
    // Most files of a project that uses addons lie in one, once; reserving spares growing a
    // vector of wx strings, which copies them all.
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

    Walk walk(projectPath(*pProject), file_count);
    for (int i = 0; i < file_count; ++i)
    {
        const ProjectFile* project_file = pProject->GetFile(i);
        if (!project_file)
            continue;
        const wxString& stored = project_file->relativeFilename;
        const std::wstring_view stored_view(stored.wc_str(), stored.length());
        if (const std::size_t length = plainBaseNameLength(stored_view))
            walk.file(stored_view.substr(0, length), sink);
        else
        {
            const wxString base_name = project_file->GetBaseName();
            walk.file(std::wstring_view(base_name.wc_str(), base_name.length()), sink);
        }
    }
}

AddonFiles ProjectAnalyzer::getUsedAddons() const&
{
    return addon_files;
}

AddonFiles ProjectAnalyzer::getUsedAddons() &&
{
    return std::move(addon_files);
}

namespace install_probe
{
// wxDir::HasFiles lists the directory and takes an entry of that name unless it is a directory
// once links are followed: a plain file, a link to a file, a dangling or looping link, a fifo
// or a socket all count. So one lstat answers unless it fails for a reason other than absence.
Answer quickAnswer(int dirFd, std::string& path)
{
    const std::size_t dir_length = path.size();
    path += "install.xml";
    struct stat entry;
    Answer answer = Answer::yes;
    if (fstatat(dirFd, path.c_str(), &entry, AT_SYMLINK_NOFOLLOW) != 0)
        answer = errno == ENOENT || errno == ENOTDIR ? Answer::no : Answer::unsure;
    else if (S_ISDIR(entry.st_mode))
        answer = Answer::no;
    else if (S_ISLNK(entry.st_mode))
    {
        struct stat target;
        if (fstatat(dirFd, path.c_str(), &target, 0) == 0 && S_ISDIR(target.st_mode))
            answer = Answer::no;
    }
    path.resize(dir_length);
    // Listing needs read permission on the directory, which an lstat of an entry does not.
    // The superuser reads every directory. (The IDE does not change its user while it runs.)
    static const bool superuser = geteuid() == 0;
    if (answer == Answer::yes && !superuser &&
        faccessat(dirFd, path.empty() ? "." : path.c_str(), R_OK, AT_EACCESS) != 0)
        answer = Answer::unsure;
    return answer;
}

bool holdsInstallFileByListing(const wxString& dirName)
{
    const wxLogNull no_error_boxes;
    if (!wxDir::Exists(dirName))
        return false;
    const wxDir dir(dirName);
    return ::holdsInstallFile(dir);
}

bool holdsInstallFile(int dirFd, std::string& dirBytes, const wxString& dirName)
{
    switch (quickAnswer(dirFd, dirBytes))
    {
    case Answer::yes: return true;
    case Answer::no: return false;
    case Answer::unsure: break;
    }
    return holdsInstallFileByListing(dirName);
}

bool fileSystemBytes(const wxString& path, std::string& bytes)
{
    const wxCharBuffer converted = path.fn_str();
    if (!converted.data() || (converted.length() == 0 && !path.empty()))
        return false;
    bytes.assign(converted.data(), converted.length());
    return true;
}

DirectoryHandle::DirectoryHandle(const std::string& path)
    : fd(open(path.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC))
{
}

DirectoryHandle::~DirectoryHandle()
{
    if (fd >= 0)
        close(fd);
}
} // namespace install_probe

#include "DiskReader.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <wx/dir.h>
#include <wx/log.h>

namespace
{
bool isPlainName(const wxString& sName) { return !sName.empty() && sName != _T(".") && sName != _T(".."); }

// Calls `onEntry(bytes, isFolder, isLink)` for every entry of the folder but "." and "..", in
// the listing's order, with the name as the file system spells it; false when the folder cannot
// be listed. wxDir builds a file name object for every entry (microseconds each) to ask what
// `isFolder()` answers, whether it is a folder once links are followed: here only a link, or
// an entry whose kind the listing does not tell, is looked up.
template <typename OnEntry> bool forEachEntry(const wxString& sDir, OnEntry onEntry)
{
    const wxCharBuffer dir_bytes = sDir.fn_str();
    if (sDir.empty() || !dir_bytes.data())
        return false;
    const std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(dir_bytes.data()), &closedir);
    if (!dir)
        return false;
    while (const dirent* entry = readdir(dir.get()))
    {
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0)
            continue;
        const auto is_folder = [&dir, entry] {
            if (entry->d_type != DT_LNK && entry->d_type != DT_UNKNOWN)
                return entry->d_type == DT_DIR;
            struct stat target;
            return fstatat(dirfd(dir.get()), entry->d_name, &target, 0) == 0 &&
                   S_ISDIR(target.st_mode);
        };
        const auto is_link = [&dir, entry] {
            struct stat own;
            return entry->d_type == DT_LNK ||
                   (entry->d_type == DT_UNKNOWN &&
                    fstatat(dirfd(dir.get()), entry->d_name, &own, AT_SYMLINK_NOFOLLOW) == 0 &&
                    S_ISLNK(own.st_mode));
        };
        onEntry(entry->d_name, is_folder, is_link);
    }
    return true;
}
} // namespace

std::vector<DiskReader::Subfolder> DiskReader::subfolders(const wxString& sDir)
{
    std::vector<Subfolder> found;
    forEachEntry(sDir, [&found](const char* bytes, const auto& is_folder, const auto& is_link) {
        // Hidden entries are left out, as wxDir leaves them out without wxDIR_HIDDEN; names are
        // converted as wxDir converts them.
        if (bytes[0] != '.' && is_folder())
            found.push_back(Subfolder{wxString(bytes, *wxConvFileName), is_link()});
    });
    return found;
}

const Folder& DiskReader::folder(const wxString& sDir)
{
    const auto known = folders.find(sDir);
    if (known != folders.end())
        return known->second;
    Folder& read = folders[sDir];
    read.path = sDir;
    // wxDir's match for files takes an entry of that name unless it is a folder. Only folders
    // can be steps of a longer path: only their names are kept.
    static const std::string install_bytes(installFileName().fn_str());
    read.listed = forEachEntry(sDir, [&read](const char* bytes, const auto& is_folder, const auto&) {
        if (is_folder())
            read.subfolders.insert(wxString(bytes, *wxConvFileName));
        else if (install_bytes == bytes)
            read.install_file = true;
    });
    return read;
}

wxString Folder::name() const
{
    const wxString dir = withSeparator(path);
    return dir.length() > 1 ? dir.Left(dir.length() - 1) : dir;
}

const Folder& DiskReader::folder(const Folder& oParent, const wxString& sName)
{
    if (oParent.absent || (oParent.listed && isPlainName(sName) && !oParent.holdsFolder(sName)))
        return absent_folder;
    return folder(oParent.path + sName + pathSeparator());
}

wxString resolvedPath(const wxString& sPath)
{
    const std::unique_ptr<char, void (*)(void*)> resolved(::realpath(sPath.fn_str(), nullptr), &std::free);
    return resolved ? wxString(resolved.get(), *wxConvFileName) : wxString();
}

bool holdsSubfolders(const wxString& sDir, const std::vector<wxString>& oNames)
{
    const wxLogNull quiet;
    if (sDir.empty() || !wxDir::Exists(sDir))
        return false;
    const wxDir dir(sDir);
    return dir.IsOpened() && std::all_of(oNames.begin(), oNames.end(), [&dir](const wxString& name) {
               return dir.HasSubDirs(name);
           });
}

bool readRegularFile(const std::string& sPath, std::size_t nMaxBytes, std::string& sBytes)
{
    if (sPath.empty())
        return false;
    const int fd = ::open(sPath.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return false;
    const std::unique_ptr<const int, void (*)(const int*)> closing(&fd, [](const int* f) { ::close(*f); });
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) ||
        static_cast<unsigned long long>(info.st_size) > nMaxBytes)
        return false;

    sBytes.clear();
    char chunk[65536];
    for (;;)
    {
        const ssize_t got = ::read(fd, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return false;
        if (got == 0)
            return true;
        if (sBytes.size() + static_cast<std::size_t>(got) > nMaxBytes)
            return false; // grew while being read
        sBytes.append(chunk, static_cast<std::size_t>(got));
    }
}

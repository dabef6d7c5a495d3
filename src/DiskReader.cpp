#include "DiskReader.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <wx/dir.h>
#include <wx/log.h>

#include "Shared.h"

namespace
{
// Closes a descriptor when it leaves scope.
class FileDescriptor
{
public:
    explicit FileDescriptor(int nFd) : fd(nFd) {}
    ~FileDescriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd; }

private:
    const int fd;
};

bool isPlainName(const wxString& sName)
{
    return !sName.empty() && sName != _T(".") && sName != _T("..");
}
} // namespace

std::vector<wxString> DiskReader::subfolders(const wxString& sDir)
{
    // A missing or unreadable folder lists nothing; wx must not report it in a box.
    const wxLogNull quiet;
    std::vector<wxString> names;
    if (sDir.empty() || !wxDir::Exists(sDir))
        return names;
    const wxDir dir(sDir);
    if (!dir.IsOpened())
        return names;
    wxString name;
    for (bool cont = dir.GetFirst(&name, wxEmptyString, wxDIR_DIRS); cont; cont = dir.GetNext(&name))
        names.push_back(name);
    return names;
}

const Folder& DiskReader::folder(const wxString& sDir)
{
    const auto known = folders.find(sDir);
    if (known != folders.end())
        return known->second;
    Folder& read = folders[sDir];
    read.dir_path = sDir;
    const wxLogNull quiet;
    // Opening fails for anything that is not a listable folder, so no separate test is needed.
    wxDir dir;
    if (sDir.empty() || !dir.Open(sDir))
        return read;
    read.is_listed = true;
    read.dir_name = dir.GetName();
    // Every entry at once: with files and folders both wanted the listing need not look at
    // what each entry is.
    wxString name;
    for (bool cont = dir.GetFirst(&name, wxEmptyString, wxDIR_FILES | wxDIR_DIRS | wxDIR_HIDDEN);
         cont; cont = dir.GetNext(&name))
        read.entries.insert(name);
    // wxDir matches files by name and then passes over folders, following links; only the one
    // entry of that name needs the question.
    read.install_file =
        read.lists(installFileName()) &&
        !wxDir::Exists(read.dir_name + pathSeparator() + installFileName());
    return read;
}

const Folder& DiskReader::folder(const Folder& oParent, const wxString& sName)
{
    if (oParent.absent() || (oParent.listed() && isPlainName(sName) && !oParent.lists(sName)))
        return absent_folder;
    return folder(oParent.path() + sName + pathSeparator());
}

bool folderExists(const wxString& sDir)
{
    return !sDir.empty() && wxDir::Exists(sDir);
}

bool holdsSubfolders(const wxString& sDir, const std::vector<wxString>& oNames)
{
    const wxLogNull quiet;
    if (!folderExists(sDir))
        return false;
    const wxDir dir(sDir);
    if (!dir.IsOpened())
        return false;
    for (const wxString& name : oNames)
        if (!dir.HasSubDirs(name))
            return false;
    return true;
}

bool readRegularFile(const std::string& sPath, std::size_t nMaxBytes, std::string& sBytes)
{
    if (sPath.empty())
        return false;
    const FileDescriptor file(::open(sPath.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    struct stat info
    {
    };
    if (file.get() < 0 || ::fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode) ||
        static_cast<unsigned long long>(info.st_size) > nMaxBytes)
        return false;

    sBytes.clear();
    char chunk[65536];
    for (;;)
    {
        const ssize_t got = ::read(file.get(), chunk, sizeof chunk);
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

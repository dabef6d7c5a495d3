#include "InstallProbe.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <wx/dir.h>
#include <wx/log.h>

#include "Shared.h"

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

Answer quickAnswer(std::string& dirBytes)
{
    return quickAnswer(AT_FDCWD, dirBytes);
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
bool holdsInstallFile(std::string& dirBytes, const wxString& dirName)
{
    return holdsInstallFile(AT_FDCWD, dirBytes, dirName);
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

// Finds the Brisken addons that a project already uses, from the paths of its files.
#ifndef BRISKEN_PROJECTANALYZER_H
#define BRISKEN_PROJECTANALYZER_H

#include <functional>
#include <string>

#include "Shared.h"

class cbProject;

class ProjectAnalyzer
{
public:
    ProjectAnalyzer() = default;

    // Refills the result from the project's files; a null project gives an empty result.
    void analyze(cbProject* pProject);
    // One entry per project file that lies in an addon directory, in the project's file order.
    AddonFiles getUsedAddons() const&;
    // The same, handed over without a copy by an analyzer that is done.
    AddonFiles getUsedAddons() &&;

    // Asks the same questions of the project and the disk, with the same log line, and hands
    // each entry to `sink` in order instead of keeping it: for callers that need less than
    // the whole list. The result of the last analyze() is left as it was.
    using EntrySink = std::function<void(const AddonFile&)>;
    static void walk(cbProject* pProject, const EntrySink& sink);

private:
    AddonFiles addon_files;
};

namespace project_analyzer_limits
{
// Larger projects are not examined at all: the walk probes the disk for every file.
constexpr int max_files = 10000;
} // namespace project_analyzer_limits

// Whether a directory holds a file named "install.xml", answered with one lstat in the common
// cases and with the same answer as opening the directory and matching its entries (wxDir's
// HasFiles) would give. Discovery asks it too.
namespace install_probe
{
enum class Answer
{
    yes,
    no,
    unsure // ask holdsInstallFileByListing
};

// `dirBytes` is the directory's path as the file system sees it, ending with a separator,
// relative to the open directory `dirFd` (AT_FDCWD: as it stands; empty for `dirFd` itself); it
// serves as scratch space and is handed back unchanged.
Answer quickAnswer(int dirFd, std::string& dirBytes);

// The quick answer, and when it is not certain the slow one on `dirName`, the same path as wx
// names it.
bool holdsInstallFile(int dirFd, std::string& dirBytes, const wxString& dirName);

// A directory held open for looking up paths below it; `fd` is negative when it could not be
// opened.
struct DirectoryHandle
{
    explicit DirectoryHandle(const std::string& path);
    ~DirectoryHandle();
    DirectoryHandle(const DirectoryHandle&) = delete;
    DirectoryHandle& operator=(const DirectoryHandle&) = delete;

    const int fd;
};

// The same question the slow way: the directory must exist, open, and list the file.
bool holdsInstallFileByListing(const wxString& dirName);

// The path as wx hands it to the file system; false when it cannot be expressed.
bool fileSystemBytes(const wxString& path, std::string& bytes);
} // namespace install_probe

#endif // BRISKEN_PROJECTANALYZER_H

// Whether a directory holds a file named "install.xml", answered with one lstat in the common
// cases and with the same answer as opening the directory and matching its entries (wxDir's
// HasFiles) would give.
#ifndef BRISKEN_INSTALLPROBE_H
#define BRISKEN_INSTALLPROBE_H

#include <string>

#include <wx/string.h>

namespace install_probe
{
enum class Answer
{
    yes,
    no,
    unsure // ask holdsInstallFileByListing
};

// `dirBytes` is the directory's path as the file system sees it, ending with a separator; it
// serves as scratch space and is handed back unchanged.
Answer quickAnswer(std::string& dirBytes);

// The quick answer, and when it is not certain the slow one on `dirName`, the same path as wx
// names it.
bool holdsInstallFile(std::string& dirBytes, const wxString& dirName);

// The same question the slow way: the directory must exist, open, and list the file.
bool holdsInstallFileByListing(const wxString& dirName);

// The path as wx hands it to the file system; false when it cannot be expressed.
bool fileSystemBytes(const wxString& path, std::string& bytes);
} // namespace install_probe

#endif // BRISKEN_INSTALLPROBE_H
